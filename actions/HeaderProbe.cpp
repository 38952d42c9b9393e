#include "actions/HeaderProbe.h"

#include <algorithm>
#include <cstdint>

#include "formats/aviinfo.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FormatRecords.h"
#include "platform/rtl/SysUtils.h"

namespace actions {

namespace {

constexpr int64_t kUnits = 10'000'000; // 100 ns units per second

// a·b/c rounded to nearest, without overflow; 0 when c is 0.
int64_t MulDiv(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return 0;
    const __int128 p = static_cast<__int128>(a) * b;
    return static_cast<int64_t>((p + c / 2) / c);
}

// length · scale / rate seconds in 100 ns units; absurd headers clamp instead of overflowing.
int64_t StreamDuration(const formats::AviStreamHeader& h)
{
    if (h.dwRate == 0)
        return 0;
    const __int128 d = (static_cast<__int128>(h.dwLength) * h.dwScale * kUnits + h.dwRate / 2) / h.dwRate;
    return static_cast<int64_t>(std::min<__int128>(d, INT64_MAX));
}

std::array<uint8_t, 88> VideoInfo(const rtl::BitmapInfoHeader& bmi, int64_t avgTimePerFrame, uint32_t bitRate)
{
    std::array<uint8_t, 88> vih{};
    rtl::PutLE32(&vih[32], bitRate);
    rtl::PutLE64(&vih[40], static_cast<uint64_t>(avgTimePerFrame));
    rtl::EncodeBitmapInfo(bmi, &vih[48]);
    return vih;
}

// What the DV Splitter makes of a DVINFO block: the frame size (50/60 flag of the VAUX source
// pack, else of the AAUX one) and, when the AAUX source pack is a real one, its sampling rate.
struct DvLayout {
    bool pal = true;
    uint32_t sampleRate = 0; // 0: no sound output
};

DvLayout LayoutOf(const std::array<uint8_t, 32>& info)
{
    const uint8_t* aaux = info.data();
    const uint32_t rates[] = {48000, 44100, 32000};
    const int rateCode = (aaux[3] >> 3) & 7;
    const bool aauxValid = aaux[3] != 0xFF && rateCode < 3 && (aaux[3] & 7) <= 1;
    const uint32_t vaux = rtl::GetLE32(&info[16]);
    const bool vauxKnown = vaux != 0 && vaux != 0xFFFFFFFFu;
    DvLayout l;
    l.pal = (vauxKnown || !aauxValid) ? (info[18] & 0x20) != 0 : (aaux[2] & 0x20) != 0;
    l.sampleRate = aauxValid ? rates[rateCode] : 0;
    return l;
}

void SplitDv(const DvLayout& layout, int64_t duration, ProbeResult& r)
{
    if (!r.ListVideoKnown) {
        rtl::BitmapInfoHeader bmi;
        bmi.biWidth = 720;
        bmi.biHeight = layout.pal ? 576 : 480;
        bmi.biBitCount = 24;
        bmi.biCompression = rtl::FourCC("dvsd");
        bmi.biSizeImage = layout.pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
        r.ListVideoFormat = VideoInfo(bmi, layout.pal ? 400000 : 333667, layout.pal ? 28800000 : 28771229);
        r.ListVideoKnown = 1;
        r.ListVideoDuration = duration;
    }
    if (!r.ListAudioKnown && layout.sampleRate != 0) {
        // The DV Splitter decodes every pair to 16-bit stereo.
        rtl::WaveFormatEx w;
        w.wFormatTag = 1;
        w.nChannels = 2;
        w.nSamplesPerSec = layout.sampleRate;
        w.nAvgBytesPerSec = layout.sampleRate * 4;
        w.nBlockAlign = 4;
        w.wBitsPerSample = 16;
        rtl::EncodeWaveFormat(w, r.ListAudioFormat.data());
        r.ListAudioKnown = 1;
        r.ListAudioDuration = duration;
    }
}

} // namespace

ProbeResult ProbeFromHeaders(const formats::TAviParam* avi, const ProbeOptions& options)
{
    ProbeResult r;
    if (avi == nullptr)
        return r; // the file could not be opened
    const uint32_t vids = rtl::FourCC("vids"), auds = rtl::FourCC("auds"), iavs = rtl::FourCC("iavs");
    const auto& streams = avi->Streams;
    // The stream whose handler code forceDv reads as "dvsd": the last video or interleaved one.
    int forced = -1;
    for (size_t i = 0; i < streams.size(); ++i)
        if (streams[i]->Header.fccType == vids || streams[i]->Header.fccType == iavs)
            forced = static_cast<int>(i);
    r.ListStreamCount = avi->Valid ? static_cast<int32_t>(streams.size()) : 0;
    for (int i = 0; i < r.ListStreamCount; ++i) {
        const formats::TAvistream& s = *streams[static_cast<size_t>(i)];
        const formats::AviStreamHeader& h = s.Header;
        if (h.fccType == vids) {
            if (r.ListVideoKnown)
                continue;
            const rtl::BitmapInfoHeader bmi = rtl::DecodeBitmapInfo(s.Format.data());
            r.ListVideoFormat = VideoInfo(bmi, MulDiv(h.dwScale, kUnits, h.dwRate), 0);
            r.ListVideoKnown = 1;
            r.ListVideoDuration = StreamDuration(h);
        } else if (h.fccType == auds) {
            // 16 bytes is the older PCM layout without cbSize, which ffmpeg still writes for PCM.
            if (r.ListAudioKnown || s.FormatSize < 16)
                continue;
            std::copy_n(s.Format.begin(), 16, r.ListAudioFormat.begin());
            if (s.FormatSize >= 18)
                std::copy_n(s.Format.begin() + 16, 2, r.ListAudioFormat.begin() + 16);
            r.ListAudioKnown = 1;
            r.ListAudioDuration = StreamDuration(h);
        } else if (h.fccType == iavs && !r.ListDVInfoKnown) {
            const int64_t duration = StreamDuration(h);
            std::array<uint8_t, 32> info{};
            if (s.FormatSize >= 32) {
                std::copy_n(s.Format.begin(), 32, info.begin());
                r.ListDVInfo = info;
                r.ListDVInfoKnown = 1;
                r.ListVideoDuration = duration;
                r.ListAudioDuration = duration;
            }
            // The DV Splitter takes only DV subtypes; refused, the probe ends there and fails.
            const uint32_t handler = options.forceDv && i == forced ? rtl::FourCC("dvsd") : h.fccHandler;
            if (handler != rtl::FourCC("dvsd") && handler != rtl::FourCC("dv25"))
                return r;
            SplitDv(s.FormatSize >= 32 ? LayoutOf(info) : DvLayout{}, duration, r);
        }
    }
    r.ok = true;
    return r;
}

} // namespace actions
