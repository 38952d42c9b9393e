#pragma once
// The layout of an uncompressed 24-bit RGB picture as a VIDEOINFOHEADER describes it: rows of
// blue, green, red bytes padded to four bytes, bottom-up for a positive height, top-down for a
// negative one. The overlay and the deinterlacer work on the rows from the picture's top.
#include <cstddef>
#include <cstdint>

#include "platform/dshow/MediaType.h"

namespace media {

struct Rgb24Picture {
    static constexpr int32_t kMaxSide = 8192;

    int32_t Width = 0;
    int32_t Height = 0; // rows, positive
    bool TopDown = false;
    int64_t Stride = 0;    // bytes per row, padded to 4
    int64_t ImageSize = 0; // Stride x Height

    // Video, RGB24, VideoInfo, a 24-bit uncompressed header of width 1..8192 and height
    // +-1..8192: the picture's layout; false for anything else.
    static bool FromMediaType(const ds::MediaType& mt, Rgb24Picture& out);

    // The top row of the picture in `buffer` and the signed step from one row to the next below.
    uint8_t* TopRow(uint8_t* buffer) const { return TopDown ? buffer : buffer + (Height - 1) * Stride; }
    const uint8_t* TopRow(const uint8_t* buffer) const { return TopDown ? buffer : buffer + (Height - 1) * Stride; }
    ptrdiff_t RowStep() const { return static_cast<ptrdiff_t>(TopDown ? Stride : -Stride); }
};

} // namespace media
