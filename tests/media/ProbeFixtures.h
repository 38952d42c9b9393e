#pragma once
// Files for the probe and viewing-graph tests and the probe bench: DV type 1 and type 2 in both
// stream orders, non-DV and damaged files, each with what a probe must find in it.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/DateTime.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace probetest {

constexpr int64_t kPalFrame = 400000; // 100 ns

inline testkit::DvClip Clip(int frames, bool wide = false, formats::DvAudioFormat audio = {48000, 16, 1, false})
{
    testkit::DvClipSpec spec;
    spec.frames = frames;
    spec.wide = wide;
    spec.audio = audio;
    spec.distinctPictures = 2;
    return testkit::MakeDvClip(spec);
}

// The kit's first-frame date (2006-12-31 23:59:50).
inline rtl::TDateTime KitDate()
{
    return rtl::EncodeDateTime(2006, 12, 31, 23, 59, 50, 0);
}

// Streams written in the given order: 'v' DV video, 'a' the clip's first pair as 16-bit PCM at
// `rate`, 'b' the same sound at 32 kHz (a second sound stream that tells itself apart).
inline bool WriteStreams(const std::string& path, const testkit::DvClip& clip, const std::string& order,
                         int rate = 48000)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    for (char c : order)
        w.AddStream(c == 'v' ? testkit::DvVideoSpec(clip.pal) : testkit::PcmSpec(c == 'a' ? rate : 32000, 2));
    if (!w.Begin())
        return false;
    for (size_t k = 0; k < clip.frames.size(); ++k)
        for (size_t s = 0; s < order.size(); ++s) {
            const bool video = order[s] == 'v';
            const auto& pcm = clip.pcm[0][k];
            const uint8_t* data = video ? clip.frames[k].data() : reinterpret_cast<const uint8_t*>(pcm.data());
            const size_t size = video ? clip.frames[k].size() : pcm.size() * 2;
            if (!w.WriteChunk(static_cast<int>(s), data, size))
                return false;
        }
    return w.Finish() && out.Close();
}

// A dvsd video stream whose chunks are all `size` bytes of zeros (no DV frame the detector takes
// when the size is not a frame's), or none at all when `count` is 0.
inline bool WriteOddVideo(const std::string& path, size_t size, int count)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    w.AddStream(testkit::DvVideoSpec(true));
    if (!w.Begin())
        return false;
    const std::vector<uint8_t> chunk(size, 0);
    for (int k = 0; k < count; ++k)
        if (!w.WriteChunk(0, chunk.data(), chunk.size()))
            return false;
    return w.Finish() && out.Close();
}

// A one-stream AVI with a hand-made header list: the stream header `strh`, format block `strf`
// and the clip's frames as chunks "00db" (no index: the splitter scans the movie list).
inline std::string HandMadeAvi(const testkit::StrhFields& strh, const std::string& strf, const testkit::DvClip& clip)
{
    testkit::RiffBuilder b;
    b.riff("AVI ").list("hdrl").chunk("avih", testkit::Avih({})).list("strl");
    b.chunk("strh", testkit::Strh(strh)).chunk("strf", strf).end().end().list("movi");
    for (const auto& f : clip.frames)
        b.chunk("00db", std::string(reinterpret_cast<const char*>(f.data()), f.size()));
    return b.end().end().build();
}

// The bytes and modification time of a file, to show that nothing wrote to it.
struct FileStamp {
    std::string bytes;
    int64_t mtimeNs = -1;
    static FileStamp Of(const std::string& path)
    {
        FileStamp s;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            s.bytes = testkit::ReadFileBytes(path);
            s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        return s;
    }
    bool operator==(const FileStamp&) const = default;
};

} // namespace probetest
