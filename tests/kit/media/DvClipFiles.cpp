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

namespace {

// Writes the frames `next` gives (false after the last) as a type-1 or type-2 file; `pairs` sound
// streams of `sampleRate` beside the video in type 2.
template <class Next>
bool WriteDv(const std::string& path, bool type1, const formats::AviStreamSpec& video, int pairs, int sampleRate,
             formats::AviMuxOptions options, Next next)
{
    testkit::FileByteStream out(path);
    if (!out.IsOpen())
        return false;
    formats::AviMuxWriter w(out, options);
    w.AddStream(video);
    if (type1)
        pairs = 0;
    for (int p = 0; p < pairs; ++p)
        w.AddStream(PcmSpec(sampleRate, 2));
    if (!w.Begin())
        return false;
    const std::vector<uint8_t>* frame = nullptr;
    const std::vector<int16_t>* pcm[2] = {};
    while (next(frame, pcm)) {
        if (!w.WriteChunk(0, frame->data(), frame->size()))
            return false;
        for (int p = 0; p < pairs; ++p)
            if (!w.WriteChunk(1 + p, reinterpret_cast<const uint8_t*>(pcm[p]->data()), pcm[p]->size() * 2))
                return false;
    }
    return w.Finish() && out.Close();
}

bool WriteClip(const std::string& path, bool type1, const DvClip& clip, formats::AviMuxOptions options)
{
    size_t k = 0;
    return WriteDv(path, type1, type1 ? DvInterleavedSpec(clip) : DvVideoSpec(clip.pal),
                   clip.sound ? clip.audio.pairs : 0, clip.audio.sampleRate, options,
                   [&](const std::vector<uint8_t>*& frame, const std::vector<int16_t>*(&pcm)[2]) {
                       if (k >= clip.frames.size())
                           return false;
                       frame = &clip.frames[k];
                       for (int p = 0; clip.sound && p < clip.audio.pairs; ++p)
                           pcm[p] = &clip.pcm[p][k];
                       ++k;
                       return true;
                   });
}

bool WriteSpec(const std::string& path, bool type1, const DvClipSpec& spec)
{
    DvClipFrames frames(spec);
    std::vector<uint8_t> frame;
    std::vector<int16_t> pcm[2];
    if (!frames.Next(frame, pcm))
        return false;
    // The interleaved stream's format block comes from the first frame.
    DvClip first;
    first.pal = spec.pal;
    first.frames.push_back(frame);
    bool pending = true;
    return WriteDv(path, type1, type1 ? DvInterleavedSpec(first) : DvVideoSpec(spec.pal),
                   spec.sound ? spec.audio.pairs : 0, spec.audio.sampleRate, {},
                   [&](const std::vector<uint8_t>*& f, const std::vector<int16_t>*(&p)[2]) {
                       if (!pending && !frames.Next(frame, pcm))
                           return false;
                       pending = false;
                       f = &frame;
                       p[0] = &pcm[0];
                       p[1] = &pcm[1];
                       return true;
                   });
}

} // namespace

bool WriteDvType1(const std::string& path, const DvClip& clip, formats::AviMuxOptions options)
{
    return WriteClip(path, true, clip, options);
}

bool WriteDvType2(const std::string& path, const DvClip& clip, formats::AviMuxOptions options)
{
    return WriteClip(path, false, clip, options);
}

bool WriteDvType1(const std::string& path, const DvClipSpec& spec)
{
    return WriteSpec(path, true, spec);
}

bool WriteDvType2(const std::string& path, const DvClipSpec& spec)
{
    return WriteSpec(path, false, spec);
}

} // namespace testkit
