#pragma once
// Pictures of the video media types the codec filters take and give, and their conversion.
//
// PictureLayout says how one picture of a VideoInfo type lies in a sample: the pixel format, the
// size, and the row order (RGB is a DIB: bottom-up unless biHeight is negative, rows padded to 4
// bytes; YUV is always top-down). PictureConverter converts and scales between layouts with
// libswscale, keeping its context from one picture to the next.
//
//   auto in = LayoutOf(input->CurrentMediaType()), out = LayoutOf(output->CurrentMediaType());
//   converter.Convert(in->Planes(src), out->Planes(dst));
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/Result.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/SliceWorkers.h"

namespace ds {

// A picture's planes: an AVPixelFormat, the size and up to four planes with their strides (a
// bottom-up picture starts at its last row with negative strides).
struct PicturePlanes {
    int format = -1;
    int width = 0;
    int height = 0;
    uint8_t* data[4] = {};
    int linesize[4] = {};
};

struct PictureLayout {
    Guid subtype;
    int format = -1; // AVPixelFormat
    int width = 0;
    int height = 0; // rows, always positive
    bool bottomUp = false;
    int stride = 0;  // bytes per row of the first plane
    size_t size = 0; // bytes of one picture
    // Planar YUV: the Y plane, then two chroma planes whose samples each cover
    // 1 << chromaShiftX pixels across and 1 << chromaShiftY rows (I420 1 and 1, Y41B 2 and 0).
    bool planar = false;
    int chromaShiftX = 0, chromaShiftY = 0;

    PicturePlanes Planes(uint8_t* base) const;
    PicturePlanes Planes(const uint8_t* base) const { return Planes(const_cast<uint8_t*>(base)); }
    bool SameAs(const PictureLayout& o) const
    {
        return subtype == o.subtype && width == o.width && height == o.height && bottomUp == o.bottomUp;
    }
};

// The layout of a VideoInfo type of a subtype the filters know (RGB24, RGB32, RGB565, RGB555,
// YUY2, UYVY, I420, YV12, Y41B) and of a sane size; empty otherwise.
std::optional<PictureLayout> LayoutOf(const MediaType& mt);
// The planes of a libavcodec picture.
PicturePlanes PlanesOf(const AVFrame& frame);
// A VideoInfo type of that subtype and size: RGB as a bottom-up DIB (bit fields for RGB565).
MediaType PictureType(const Guid& subtype, int width, int height, int64_t frameTime);

class PictureConverter {
public:
    // `flags`: libswscale's scaling algorithm (SWS_BICUBIC, the ffmpeg tool's default, when 0).
    explicit PictureConverter(int flags = 0) : flags_(flags) {}
    // Converts, scaling when the sizes differ; false when libswscale cannot do it.
    bool Convert(const PicturePlanes& from, const PicturePlanes& to);
    void Reset();
    // Pictures of the same size are converted in bands on this many threads (1: on the caller).
    void SetThreads(int threads);

private:
    bool ConvertBands(const PicturePlanes& from, const PicturePlanes& to);

    int flags_;
    av::SwsPtr context_;
    std::unique_ptr<SliceWorkers> workers_;
    std::vector<av::SwsPtr> bands_; // a context per band
    // A picture whose rows are no whole number of 16 pixels goes through this padded buffer:
    // libswscale's vector code writes past the end of such rows.
    av::MemoryPtr bounce_;
    PicturePlanes bounced_;
};

} // namespace ds
