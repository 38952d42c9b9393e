#include "platform/dshow/FormatBlocks.h"

namespace ds {

namespace {
void PutRect(uint8_t* p, const Rect& r) {
    PutLE32(p, static_cast<uint32_t>(r.left));
    PutLE32(p + 4, static_cast<uint32_t>(r.top));
    PutLE32(p + 8, static_cast<uint32_t>(r.right));
    PutLE32(p + 12, static_cast<uint32_t>(r.bottom));
}
Rect GetRect(const uint8_t* p) {
    return Rect{static_cast<int32_t>(GetLE32(p)), static_cast<int32_t>(GetLE32(p + 4)), static_cast<int32_t>(GetLE32(p + 8)),
                static_cast<int32_t>(GetLE32(p + 12))};
}
} // namespace

bool VideoInfoHeader::Parse(const uint8_t* data, size_t size, VideoInfoHeader& out) {
    if (data == nullptr || size < kSize) return false;
    out.rcSource = GetRect(data);
    out.rcTarget = GetRect(data + 16);
    out.dwBitRate = GetLE32(data + 32);
    out.dwBitErrorRate = GetLE32(data + 36);
    out.AvgTimePerFrame = static_cast<int64_t>(GetLE64(data + 40));
    const uint8_t* b = data + 48;
    BitmapInfoHeader& h = out.bmiHeader;
    h.biSize = GetLE32(b);
    h.biWidth = static_cast<int32_t>(GetLE32(b + 4));
    h.biHeight = static_cast<int32_t>(GetLE32(b + 8));
    h.biPlanes = GetLE16(b + 12);
    h.biBitCount = GetLE16(b + 14);
    h.biCompression = GetLE32(b + 16);
    h.biSizeImage = GetLE32(b + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(GetLE32(b + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(GetLE32(b + 28));
    h.biClrUsed = GetLE32(b + 32);
    h.biClrImportant = GetLE32(b + 36);
    return true;
}

std::vector<uint8_t> VideoInfoHeader::Bytes() const {
    std::vector<uint8_t> v(kSize);
    uint8_t* p = v.data();
    PutRect(p, rcSource);
    PutRect(p + 16, rcTarget);
    PutLE32(p + 32, dwBitRate);
    PutLE32(p + 36, dwBitErrorRate);
    PutLE64(p + 40, static_cast<uint64_t>(AvgTimePerFrame));
    uint8_t* b = p + 48;
    const BitmapInfoHeader& h = bmiHeader;
    PutLE32(b, h.biSize);
    PutLE32(b + 4, static_cast<uint32_t>(h.biWidth));
    PutLE32(b + 8, static_cast<uint32_t>(h.biHeight));
    PutLE16(b + 12, h.biPlanes);
    PutLE16(b + 14, h.biBitCount);
    PutLE32(b + 16, h.biCompression);
    PutLE32(b + 20, h.biSizeImage);
    PutLE32(b + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
    PutLE32(b + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
    PutLE32(b + 32, h.biClrUsed);
    PutLE32(b + 36, h.biClrImportant);
    return v;
}

bool WaveFormatEx::Parse(const uint8_t* data, size_t size, WaveFormatEx& out) {
    if (data == nullptr || size < 16) return false;
    out.wFormatTag = GetLE16(data);
    out.nChannels = GetLE16(data + 2);
    out.nSamplesPerSec = GetLE32(data + 4);
    out.nAvgBytesPerSec = GetLE32(data + 8);
    out.nBlockAlign = GetLE16(data + 12);
    out.wBitsPerSample = GetLE16(data + 14);
    out.cbSize = size >= kSize ? GetLE16(data + 16) : 0;
    // Extra bytes beyond the block are not invented: cbSize is clamped to what is there.
    size_t avail = size > kSize ? size - kSize : 0;
    size_t extra = out.cbSize < avail ? out.cbSize : avail;
    out.extra.assign(data + (size >= kSize ? kSize : size), data + (size >= kSize ? kSize : size) + extra);
    return true;
}

std::vector<uint8_t> WaveFormatEx::Bytes() const {
    std::vector<uint8_t> v(kSize + extra.size());
    uint8_t* p = v.data();
    PutLE16(p, wFormatTag);
    PutLE16(p + 2, nChannels);
    PutLE32(p + 4, nSamplesPerSec);
    PutLE32(p + 8, nAvgBytesPerSec);
    PutLE16(p + 12, nBlockAlign);
    PutLE16(p + 14, wBitsPerSample);
    PutLE16(p + 16, static_cast<uint16_t>(extra.size()));
    for (size_t i = 0; i < extra.size(); ++i) p[kSize + i] = extra[i];
    return v;
}

WaveFormatEx WaveFormatEx::Pcm(uint32_t rate, uint16_t channels, uint16_t bits) {
    WaveFormatEx w;
    w.wFormatTag = 1;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.wBitsPerSample = bits;
    w.nBlockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    w.nAvgBytesPerSec = rate * w.nBlockAlign;
    return w;
}

bool DvInfo::Parse(const uint8_t* data, size_t size, DvInfo& out) {
    if (data == nullptr || size < kSize) return false;
    out.dwDVAAuxSrc = GetLE32(data);
    out.dwDVAAuxCtl = GetLE32(data + 4);
    out.dwDVAAuxSrc1 = GetLE32(data + 8);
    out.dwDVAAuxCtl1 = GetLE32(data + 12);
    out.dwDVVAuxSrc = GetLE32(data + 16);
    out.dwDVVAuxCtl = GetLE32(data + 20);
    out.dwDVReserved[0] = GetLE32(data + 24);
    out.dwDVReserved[1] = GetLE32(data + 28);
    return true;
}

std::vector<uint8_t> DvInfo::Bytes() const {
    std::vector<uint8_t> v(kSize);
    uint32_t f[8] = {dwDVAAuxSrc, dwDVAAuxCtl, dwDVAAuxSrc1, dwDVAAuxCtl1, dwDVVAuxSrc, dwDVVAuxCtl, dwDVReserved[0], dwDVReserved[1]};
    for (int i = 0; i < 8; ++i) PutLE32(v.data() + 4 * i, f[i]);
    return v;
}

} // namespace ds
