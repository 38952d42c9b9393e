#include "platform/dshow/FormatBlocks.h"

#include <algorithm>

#include "platform/rtl/ByteOrder.h"

namespace ds {

namespace {
void PutRect(uint8_t* p, const Rect& r)
{
    rtl::PutLE32(p, static_cast<uint32_t>(r.left));
    rtl::PutLE32(p + 4, static_cast<uint32_t>(r.top));
    rtl::PutLE32(p + 8, static_cast<uint32_t>(r.right));
    rtl::PutLE32(p + 12, static_cast<uint32_t>(r.bottom));
}
Rect GetRect(const uint8_t* p)
{
    return Rect{static_cast<int32_t>(rtl::GetLE32(p)), static_cast<int32_t>(rtl::GetLE32(p + 4)),
                static_cast<int32_t>(rtl::GetLE32(p + 8)), static_cast<int32_t>(rtl::GetLE32(p + 12))};
}
} // namespace

bool VideoInfoHeader::Parse(const uint8_t* data, size_t size, VideoInfoHeader& out)
{
    if (data == nullptr || size < kSize)
        return false;
    out.rcSource = GetRect(data);
    out.rcTarget = GetRect(data + 16);
    out.dwBitRate = rtl::GetLE32(data + 32);
    out.dwBitErrorRate = rtl::GetLE32(data + 36);
    out.AvgTimePerFrame = static_cast<int64_t>(rtl::GetLE64(data + 40));
    out.bmiHeader = rtl::DecodeBitmapInfo(data + 48);
    return true;
}

std::vector<uint8_t> VideoInfoHeader::Bytes() const
{
    std::vector<uint8_t> v(kSize);
    uint8_t* p = v.data();
    PutRect(p, rcSource);
    PutRect(p + 16, rcTarget);
    rtl::PutLE32(p + 32, dwBitRate);
    rtl::PutLE32(p + 36, dwBitErrorRate);
    rtl::PutLE64(p + 40, static_cast<uint64_t>(AvgTimePerFrame));
    rtl::EncodeBitmapInfo(bmiHeader, p + 48);
    return v;
}

bool WaveFormatEx::Parse(const uint8_t* data, size_t size, WaveFormatEx& out)
{
    if (data == nullptr || size < 16)
        return false;
    uint8_t fixed[kSize] = {}; // a block shorter than 18 bytes reads with cbSize 0
    std::copy(data, data + (size >= kSize ? kSize : 16), fixed);
    static_cast<rtl::WaveFormatEx&>(out) = rtl::DecodeWaveFormat(fixed);
    // Extra bytes beyond the block are not invented: cbSize is clamped to what is there.
    const size_t avail = size > kSize ? size - kSize : 0;
    out.extra.assign(data + std::min(size, kSize), data + std::min(size, kSize) + std::min<size_t>(out.cbSize, avail));
    return true;
}

std::vector<uint8_t> WaveFormatEx::Bytes() const
{
    std::vector<uint8_t> v(kSize + extra.size());
    rtl::WaveFormatEx head = *this;
    head.cbSize = static_cast<uint16_t>(extra.size());
    rtl::EncodeWaveFormat(head, v.data());
    std::copy(extra.begin(), extra.end(), v.begin() + kSize);
    return v;
}

WaveFormatEx WaveFormatEx::Pcm(uint32_t rate, uint16_t channels, uint16_t bits)
{
    WaveFormatEx w;
    w.wFormatTag = 1;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.wBitsPerSample = bits;
    w.nBlockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    w.nAvgBytesPerSec = rate * w.nBlockAlign;
    return w;
}

bool DvInfo::Parse(const uint8_t* data, size_t size, DvInfo& out)
{
    if (data == nullptr || size < kSize)
        return false;
    static_cast<rtl::DvInfo&>(out) = rtl::DecodeDvInfo(data);
    return true;
}

std::vector<uint8_t> DvInfo::Bytes() const
{
    std::vector<uint8_t> v(kSize);
    rtl::EncodeDvInfo(*this, v.data());
    return v;
}

} // namespace ds
