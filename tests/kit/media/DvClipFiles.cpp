#include "tests/kit/media/DvClip.h"

#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"

#include <stdexcept>

#include "platform/rtl/ByteOrder.h"

namespace testkit {

formats::AviStreamSpec DvVideoSpec(bool pal)
{
    formats::AviStreamSpec s;
    s.kind = formats::AviStreamKind::Video;
    s.handler = rtl::FourCC("dvsd");
    s.scale = pal ? 1 : 1001;
    s.rate = pal ? 25 : 30000;
    s.width = 720;
    s.height = pal ? 576 : 480;
    s.format.assign(40, 0);
    rtl::PutLE32(&s.format[0], 40);
    rtl::PutLE32(&s.format[4], 720);
    rtl::PutLE32(&s.format[8], pal ? 576 : 480);
    s.format[12] = 1;  // planes
    s.format[14] = 24; // bit count
    rtl::PutLE32(&s.format[16], rtl::FourCC("dvsd"));
    rtl::PutLE32(&s.format[20], pal ? formats::kPalFrameSize : formats::kNtscFrameSize);
    return s;
}

formats::AviStreamSpec DvInterleavedSpec(const DvClip& clip)
{
    formats::AviStreamSpec s = DvVideoSpec(clip.pal);
    s.kind = formats::AviStreamKind::Interleaved;
    const auto info = clip.frames.empty() ? std::array<uint8_t, 32>{} : formats::DvInfoFromFrame(clip.frames[0]);
    s.format.assign(info.begin(), info.end());
    return s;
}

formats::AviStreamSpec PcmSpec(int sampleRate, int channels)
{
    formats::AviStreamSpec s;
    s.kind = formats::AviStreamKind::Audio;
    const uint32_t align = static_cast<uint32_t>(channels) * 2;
    s.scale = align;
    s.rate = static_cast<uint32_t>(sampleRate) * align;
    s.sampleSize = align;
    s.format.assign(18, 0);
    s.format[0] = 1; // PCM
    s.format[2] = static_cast<uint8_t>(channels);
    rtl::PutLE32(&s.format[4], static_cast<uint32_t>(sampleRate));
    rtl::PutLE32(&s.format[8], static_cast<uint32_t>(sampleRate) * align);
    s.format[12] = static_cast<uint8_t>(align);
    s.format[14] = 16;
    return s;
}

void WriteRawDv(const std::string& path, const DvClip& clip)
{
    std::string bytes;
    bytes.reserve(clip.frames.size() * clip.FrameSize());
    for (const auto& f : clip.frames)
        bytes.append(f.begin(), f.end());
    WriteFileBytes(path, bytes);
}

bool WriteDvType1(const std::string& path, const DvClip& clip, formats::AviMuxOptions options)
{
    testkit::FileByteStream out(path);
    if (!out.IsOpen())
        return false;
    formats::AviMuxWriter w(out, options);
    w.AddStream(DvInterleavedSpec(clip));
    if (!w.Begin())
        return false;
    for (const auto& f : clip.frames)
        if (!w.WriteChunk(0, f.data(), f.size()))
            return false;
    return w.Finish() && out.Close();
}

bool WriteDvType2(const std::string& path, const DvClip& clip, formats::AviMuxOptions options)
{
    testkit::FileByteStream out(path);
    if (!out.IsOpen())
        return false;
    formats::AviMuxWriter w(out, options);
    w.AddStream(DvVideoSpec(clip.pal));
    const int pairs = clip.sound ? clip.audio.pairs : 0;
    for (int p = 0; p < pairs; ++p)
        w.AddStream(PcmSpec(clip.audio.sampleRate, 2));
    if (!w.Begin())
        return false;
    for (size_t k = 0; k < clip.frames.size(); ++k) {
        if (!w.WriteChunk(0, clip.frames[k].data(), clip.frames[k].size()))
            return false;
        for (int p = 0; p < pairs; ++p) {
            const auto& pcm = clip.pcm[p][k];
            if (!w.WriteChunk(1 + p, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2))
                return false;
        }
    }
    return w.Finish() && out.Close();
}

} // namespace testkit
