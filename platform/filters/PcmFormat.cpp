#include "platform/filters/PcmFormat.h"
#include "platform/rtl/ByteOrder.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace ds {

std::optional<PcmFormat> PcmFormatOf(const WaveFormatEx& w)
{
    uint16_t tag = w.wFormatTag;
    PcmFormat f;
    // The extensible form names its kind in the first two bytes of its subformat.
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        if (w.extra.size() < 22)
            return std::nullopt;
        f.channelMask = rtl::GetLE32(w.extra.data() + 2);
        tag = rtl::GetLE16(w.extra.data() + 6);
    }
    if (tag != WAVE_FORMAT_PCM && tag != WAVE_FORMAT_IEEE_FLOAT)
        return std::nullopt;
    f.isFloat = tag == WAVE_FORMAT_IEEE_FLOAT;
    f.channels = w.nChannels;
    f.rate = static_cast<int>(w.nSamplesPerSec);
    f.bytes = w.wBitsPerSample / 8;
    if (f.channels < 1 || f.channels > 8 || w.nSamplesPerSec < 1000 || w.nSamplesPerSec > 768000 ||
        w.wBitsPerSample % 8 != 0 || w.nBlockAlign != f.BlockAlign())
        return std::nullopt;
    if (__builtin_popcountll(f.channelMask) != f.channels)
        f.channelMask = 0;
    if (f.isFloat) {
        if (f.bytes != 4 && f.bytes != 8)
            return std::nullopt;
        f.sampleFormat = f.bytes == 4 ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_DBL;
        return f;
    }
    switch (f.bytes) {
    case 1: f.sampleFormat = AV_SAMPLE_FMT_U8; break;
    case 2: f.sampleFormat = AV_SAMPLE_FMT_S16; break;
    case 3:
        f.sampleFormat = AV_SAMPLE_FMT_S32;
        f.widened = true;
        break;
    case 4: f.sampleFormat = AV_SAMPLE_FMT_S32; break;
    default: return std::nullopt;
    }
    return f;
}

WaveFormatEx MendPcm(WaveFormatEx w)
{
    w.nBlockAlign = static_cast<uint16_t>(w.nChannels * ((w.wBitsPerSample + 7) / 8));
    w.nAvgBytesPerSec = w.nSamplesPerSec * w.nBlockAlign;
    return w;
}

WaveFormatEx PcmWave(uint32_t rate, uint16_t channels, uint16_t bits, bool isFloat)
{
    WaveFormatEx w = WaveFormatEx::Pcm(rate, channels, isFloat ? 32 : bits);
    if (isFloat)
        w.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    return w;
}

void Widen24(const uint8_t* from, int32_t* to, size_t count)
{
    for (size_t i = 0; i < count; ++i, from += 3)
        to[i] = static_cast<int32_t>(static_cast<uint32_t>(from[0]) << 8 | static_cast<uint32_t>(from[1]) << 16 |
                                     static_cast<uint32_t>(from[2]) << 24);
}

void Narrow24(const int32_t* from, uint8_t* to, size_t count)
{
    for (size_t i = 0; i < count; ++i, to += 3) {
        const uint32_t v = static_cast<uint32_t>(from[i]);
        to[0] = static_cast<uint8_t>(v >> 8);
        to[1] = static_cast<uint8_t>(v >> 16);
        to[2] = static_cast<uint8_t>(v >> 24);
    }
}

} // namespace ds
