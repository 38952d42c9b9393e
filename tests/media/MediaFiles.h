#pragma once
// Media-kit clips for the hand-built graph tests: pieces joined into one clip, dates taken out
// of frames, sound-only AVI files, and the Debian tools that check what the graphs write.
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/AviMuxWriter.h"
#include "formats/dvcodes.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace mediatest {

// The clips one after the other (all of one standard and sound format).
inline testkit::DvClip Joined(const std::vector<testkit::DvClip>& pieces)
{
    testkit::DvClip all = pieces.front();
    for (size_t i = 1; i < pieces.size(); ++i) {
        const auto& p = pieces[i];
        all.frames.insert(all.frames.end(), p.frames.begin(), p.frames.end());
        all.samples.insert(all.samples.end(), p.samples.begin(), p.samples.end());
        for (int pair = 0; pair < 2; ++pair)
            all.pcm[pair].insert(all.pcm[pair].end(), p.pcm[pair].begin(), p.pcm[pair].end());
    }
    return all;
}

// Frames [from, to) lose their recording date packs (IDs made "no info").
inline void WithoutDates(testkit::DvClip& clip, size_t from, size_t to)
{
    for (size_t k = from; k < to && k < clip.frames.size(); ++k) {
        auto& f = clip.frames[k];
        for (size_t n = 0; n < f.size() / formats::kDifSequenceSize; ++n)
            formats::ForEachRecDatePair(f.data(), f.size(), static_cast<int>(n), [](uint8_t* date, uint8_t* time) {
                date[0] = 0xFF;
                time[0] = 0xFF;
            });
    }
}

// Copies each sequence's date and time pair (VAUX block 5, packs 11-12) to where cameras also put
// it: packs 2-3 and 11-12 of every VAUX block and sync blocks 4-5 of both subcode blocks.
inline void WithCameraDates(testkit::DvClip& clip)
{
    const int places[] = {4, 10, 12 + 2, 12 + 11, 12 + 15 + 2, 12 + 15 + 11, 12 + 30 + 2};
    for (auto& f : clip.frames)
        for (size_t n = 0; n < f.size() / formats::kDifSequenceSize; ++n) {
            uint8_t* seq = f.data() + n * formats::kDifSequenceSize;
            const uint8_t* date = seq + formats::DvPackOffset(12 + 30 + 11);
            const uint8_t* time = seq + formats::DvPackOffset(12 + 30 + 12);
            if (date[0] != formats::kRecDatePackId)
                continue;
            for (int k : places) {
                std::copy(date, date + formats::kPackSize, seq + formats::DvPackOffset(k));
                std::copy(time, time + formats::kPackSize, seq + formats::DvPackOffset(k + 1));
            }
        }
}

// A clip of `frames` frames cycling through `distinct` pictures, with its dates where cameras put them.
inline testkit::DvClip DatedClip(bool pal, int frames, int distinct)
{
    testkit::DvClipSpec spec;
    spec.pal = pal;
    spec.frames = frames;
    spec.distinctPictures = distinct;
    testkit::DvClip clip = testkit::MakeDvClip(spec);
    WithCameraDates(clip);
    return clip;
}

// An AVI holding only the clip's first pair as 16-bit stereo PCM.
inline bool WriteSoundOnly(const std::string& path, const testkit::DvClip& clip)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out, {});
    if (w.AddStream(testkit::PcmSpec(clip.audio.sampleRate, 2)) != 0 || !w.Begin())
        return false;
    for (const auto& frame : clip.pcm[0])
        if (!w.WriteChunk(0, reinterpret_cast<const uint8_t*>(frame.data()), frame.size() * 2))
            return false;
    return w.Finish() && out.Close();
}

// A tool's standard output, or "" when it failed.
inline std::string ToolOutput(const std::string& command)
{
    std::string out;
    return testkit::RunCommand(command, &out) == 0 ? out : std::string();
}

inline std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// The video packets ffprobe counts in a file.
inline int ProbedFrames(const std::string& path)
{
    return std::atoi(ToolOutput("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                "stream=nb_read_packets -of csv=p=0 " +
                                Quoted(path))
                         .c_str());
}

} // namespace mediatest
