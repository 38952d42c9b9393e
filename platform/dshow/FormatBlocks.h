#pragma once
// The format blocks of media types in their little-endian Windows byte layouts:
// VIDEOINFOHEADER (88 bytes), WAVEFORMATEX (18 bytes + cbSize extra bytes), DVINFO (32 bytes).
// Read a block with Parse (false when it is too short), write one with Bytes(). The records they
// share with AVI files (bitmap header, wave format, DV info) are the runtime's.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/rtl/FormatRecords.h"

namespace ds {

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct VideoInfoHeader {
    static constexpr size_t kSize = 88;
    Rect rcSource;
    Rect rcTarget;
    uint32_t dwBitRate = 0;
    uint32_t dwBitErrorRate = 0;
    int64_t AvgTimePerFrame = 0;     // 100 ns
    rtl::BitmapInfoHeader bmiHeader; // 40 bytes

    static bool Parse(const uint8_t* data, size_t size, VideoInfoHeader& out);
    std::vector<uint8_t> Bytes() const;
    friend bool operator==(const VideoInfoHeader&, const VideoInfoHeader&) = default;
};

struct WaveFormatEx : rtl::WaveFormatEx {
    std::vector<uint8_t> extra; // cbSize bytes after the 18

    // A 16-byte block (the older layout without cbSize) parses with cbSize 0.
    static bool Parse(const uint8_t* data, size_t size, WaveFormatEx& out);
    std::vector<uint8_t> Bytes() const; // 18 + extra.size() bytes, cbSize written as extra.size()
    static WaveFormatEx Pcm(uint32_t rate, uint16_t channels, uint16_t bits);
    friend bool operator==(const WaveFormatEx&, const WaveFormatEx&) = default;
};

struct DvInfo : rtl::DvInfo {
    static bool Parse(const uint8_t* data, size_t size, DvInfo& out);
    std::vector<uint8_t> Bytes() const;
    friend bool operator==(const DvInfo&, const DvInfo&) = default;
};

} // namespace ds
