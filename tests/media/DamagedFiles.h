#pragma once
// Damaged DV files made in code, for the conversion and analysis tests: a type-1 file whose
// DVINFO misstates its frames' system or is missing, type-2 files whose idx1 disagrees with the
// chunks it points at, and files whose headers promise frames or sound their movie data lacks.
#include <functional>
#include <string>
#include <vector>

#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace damaged {

// A short clip of two pictures, dated from 2006-12-31 23:59:50 as the kit dates.
inline testkit::DvClip Clip(bool pal, int frames)
{
    testkit::DvClipSpec spec;
    spec.pal = pal;
    spec.frames = frames;
    spec.distinctPictures = 2;
    return testkit::MakeDvClip(spec);
}

// The clip's DVINFO with the 50/60 flags of its packs set: 625/50, whatever the frames are.
inline std::vector<uint8_t> Pal50Lines(const testkit::DvClip& clip)
{
    const auto info = formats::DvInfoFromFrame(clip.frames[0]);
    std::vector<uint8_t> f(info.begin(), info.end());
    for (size_t at : {2u, 10u, 18u}) // AAUX source, second AAUX source, VAUX source
        f[at] |= 0x20;
    return f;
}

// A type-1 file with `dvInfo` as its format block (empty: none), each frame cut to `frameBytes`
// when that is given.
inline bool WriteType1(const std::string& path, const testkit::DvClip& clip, const std::vector<uint8_t>& dvInfo,
                       size_t frameBytes = 0)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    formats::AviStreamSpec spec = testkit::DvInterleavedSpec(clip);
    spec.format = dvInfo;
    w.AddStream(spec);
    if (!w.Begin())
        return false;
    for (const auto& f : clip.frames)
        if (!w.WriteChunk(0, f.data(), frameBytes ? std::min(frameBytes, f.size()) : f.size()))
            return false;
    return w.Finish() && out.Close();
}

// A type-2 file (DV video, the first pair as PCM); without `sound` the sound stream is declared
// and holds no chunk; `frameBytes` cuts every frame.
inline bool WriteType2(const std::string& path, const testkit::DvClip& clip, bool sound = true, size_t frameBytes = 0)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    w.AddStream(testkit::DvVideoSpec(clip.pal));
    w.AddStream(testkit::PcmSpec(clip.audio.sampleRate, 2));
    if (!w.Begin())
        return false;
    for (size_t k = 0; k < clip.frames.size(); ++k) {
        const auto& f = clip.frames[k];
        if (!w.WriteChunk(0, f.data(), frameBytes ? std::min(frameBytes, f.size()) : f.size()))
            return false;
        const auto& pcm = clip.pcm[0][k];
        if (sound && !w.WriteChunk(1, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2))
            return false;
    }
    return w.Finish() && out.Close();
}

// The file's OpenDML indexes hidden: their "indx" chunks in the headers made "JUNK", so that
// idx1 is the index read.
inline void HideOpenDmlIndexes(std::string& bytes)
{
    const size_t hdrl = bytes.find("movi");
    for (size_t at = bytes.find("indx"); at < hdrl; at = bytes.find("indx", at + 4))
        bytes.replace(at, 4, "JUNK");
}

// The file's idx1 entries changed by `edit` (entry number, its chunk id, offset and size), and
// its OpenDML indexes hidden.
inline std::string WithIdx1(std::string bytes,
                            const std::function<void(int entry, uint32_t id, uint32_t& offset, uint32_t& size)>& edit)
{
    HideOpenDmlIndexes(bytes);
    const size_t idx1 = bytes.rfind("idx1");
    const uint32_t size = rtl::GetLE32(reinterpret_cast<const uint8_t*>(&bytes[idx1 + 4]));
    for (uint32_t k = 0; k * 16 + 16 <= size; ++k) {
        auto* e = reinterpret_cast<uint8_t*>(&bytes[idx1 + 8 + k * 16]);
        uint32_t offset = rtl::GetLE32(e + 8), chunkSize = rtl::GetLE32(e + 12);
        edit(static_cast<int>(k), rtl::GetLE32(e), offset, chunkSize);
        rtl::PutLE32(e + 8, offset);
        rtl::PutLE32(e + 12, chunkSize);
    }
    return bytes;
}

// Whether an idx1 entry is one of the first stream's (the video: "00dc", "00db").
inline bool IsVideoEntry(uint32_t id)
{
    return (id & 0xFFFF) == (rtl::FourCC("00dc") & 0xFFFF);
}

} // namespace damaged
