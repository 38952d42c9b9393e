#pragma once
// The Windows records that AVI files and media types share, decoded field by field from their
// little-endian bytes: the bitmap information header, the wave format and the DV format block.
#include <cstddef>
#include <cstdint>

namespace rtl {

// "strf" of a video stream: the bitmap information header, 40 bytes. A new one is a 40-byte
// header of one plane.
struct BitmapInfoHeader {
    static constexpr size_t kSize = 40;
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
    friend bool operator==(const BitmapInfoHeader&, const BitmapInfoHeader&) = default;
};

// The DV format block (after the bitmap header of a type-2 stream, alone for type 1), 32 bytes.
struct DvInfo {
    static constexpr size_t kSize = 32;
    uint32_t dwDVAAuxSrc = 0;
    uint32_t dwDVAAuxCtl = 0;
    uint32_t dwDVAAuxSrc1 = 0;
    uint32_t dwDVAAuxCtl1 = 0;
    uint32_t dwDVVAuxSrc = 0;
    uint32_t dwDVVAuxCtl = 0;
    uint32_t dwDVReserved0 = 0;
    uint32_t dwDVReserved1 = 0;
    // The VAUX source pack's 50/60 flag (bit 21): set for 625-line (PAL) streams.
    bool Is625Lines() const { return (dwDVVAuxSrc >> 21) & 1; }
    friend bool operator==(const DvInfo&, const DvInfo&) = default;
};

// "strf" of an audio stream: the wave format header, 18 bytes (16 in old PCM files).
struct WaveFormatEx {
    static constexpr size_t kSize = 18;
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
    friend bool operator==(const WaveFormatEx&, const WaveFormatEx&) = default;
};

// Each decoder reads exactly kSize bytes from p; each encoder writes exactly kSize bytes to p.
BitmapInfoHeader DecodeBitmapInfo(const uint8_t* p);
DvInfo DecodeDvInfo(const uint8_t* p);
WaveFormatEx DecodeWaveFormat(const uint8_t* p);
void EncodeBitmapInfo(const BitmapInfoHeader& h, uint8_t* p);
void EncodeDvInfo(const DvInfo& d, uint8_t* p);
void EncodeWaveFormat(const WaveFormatEx& w, uint8_t* p);

} // namespace rtl
