// Files from independent producers (dvgrab, ffmpeg) read by the demux core and run through the
// container filters, and what the AVI Mux writes read by ffprobe and decoded by ffmpeg.
#include "tests/filters/ContainerGraph.h"

#include "formats/AviDemux.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/media/DvClip.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

using namespace avitest;
using containertest::Graph;

// Each stream's duration as the AVI Splitter reports it, in 100 ns.
std::vector<int64_t> SplitterDurations(const std::string& path)
{
    Graph g;
    std::vector<int64_t> durations;
    if (g.Load(path))
        for (int i = 0; i + 1 < g.splitter->GetPinCount(); ++i) {
            int64_t d = -1;
            ds::QueryPin<ds::MediaSeeking>(g.splitter->GetPin(i))->GetDuration(d);
            durations.push_back(d);
        }
    return durations;
}

void Convert(bool toType2, const std::string& in, const std::string& out)
{
    Graph g;
    ASSERT_TRUE(toType2 ? g.BuildType2(in, out) : g.BuildType1(in, out));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
}

class DvgrabFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("dvgrab"))
            GTEST_SKIP() << "dvgrab not installed";
        testkit::DvClipSpec spec;
        spec.frames = 20;
        clip = testkit::MakeDvClip(spec);
        testkit::WriteRawDv(dir.file("clip.dv"), clip);
    }
    // dvgrab numbers its files (base001.avi) and, reading a file as if it were a camera, drops
    // a frame or, on a loaded machine, many, anywhere in the clip: it is asked again for a file
    // holding at least half of the frames.
    std::string Grab(const std::string& options, const std::string& base)
    {
        const uintmax_t half = clip.frames.size() / 2 * clip.frames[0].size();
        return testkit::DvgrabToAvi(dir.path().string(), "clip.dv", options, base, nullptr, half);
    }
    // Every frame kept is one of the clip's, whole and in order; returns which ones.
    std::vector<size_t> ExpectClipFrames(const MemoryFile& f, const formats::AviDemuxStream& s)
    {
        std::vector<size_t> kept;
        size_t next = 0;
        for (size_t k = 0; k < s.chunks.size(); ++k) {
            const std::string bytes = Bytes(f, s.chunks[k]);
            while (next < clip.frames.size() && bytes != Raw(clip.frames[next]))
                ++next;
            if (next == clip.frames.size()) {
                ADD_FAILURE() << "chunk " << k << " is no frame of the clip that follows frame "
                              << (kept.empty() ? 0 : kept.back());
                return kept;
            }
            kept.push_back(next++);
        }
        EXPECT_FALSE(kept.empty());
        return kept;
    }
    testkit::TempDir dir;
    testkit::DvClip clip;
};

TEST_F(DvgrabFiles, TypeOneReadsBackWholeAndRoundTripsThroughTypeTwo)
{
    const std::string path = Grab("-f dv1", "one-");
    ASSERT_FALSE(path.empty());
    const formats::AviDemuxResult r = formats::ParseAvi(Load(path));
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(1u, r.streams.size());
    EXPECT_EQ(rtl::FourCC("iavs"), r.streams[0].fccType);
    EXPECT_GE(r.streams[0].format.size(), 32u);
    ExpectClipFrames(Load(path), r.streams[0]);
    // dvgrab's DVINFO is a fixed one whatever was recorded: the frames must win over it.
    Convert(true, path, dir.file("t2.avi"));
    Convert(false, dir.file("t2.avi"), dir.file("back.avi"));
    const MemoryFile back = Load(dir.file("back.avi"));
    const formats::AviDemuxResult b = formats::ParseAvi(back);
    ASSERT_EQ(1u, b.streams.size());
    EXPECT_EQ(r.streams[0].chunks.size(), b.streams[0].chunks.size());
    ExpectClipFrames(back, b.streams[0]);
}

TEST_F(DvgrabFiles, TypeTwoOpenDmlGivesTheFramesAndTheirSound)
{
    const std::string path = Grab("-f dv2 -opendml", "two-");
    ASSERT_FALSE(path.empty());
    const MemoryFile f = Load(path);
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams.size());
    EXPECT_EQ(rtl::FourCC("vids"), r.streams[0].fccType);
    EXPECT_EQ(rtl::FourCC("auds"), r.streams[1].fccType);
    const std::vector<size_t> kept = ExpectClipFrames(f, r.streams[0]);
    const std::string sound = Joined(f, r.streams[1]);
    // Durations from the index: the frames', and the sound's from its bytes.
    const std::vector<int64_t> durations = SplitterDurations(path);
    ASSERT_EQ(2u, durations.size());
    EXPECT_EQ(static_cast<int64_t>(r.streams[0].chunks.size()) * 400000, durations[0]);
    EXPECT_EQ((static_cast<int64_t>(sound.size() / 4) * 10000000 + 24000) / 48000, durations[1]);
    if (testkit::HaveProgram("ffmpeg")) { // ffmpeg's own decoding of the file gives the same sound
        ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + path + " -map 0:a -f s16le -y " +
                                         dir.file("a.pcm")));
        EXPECT_TRUE(testkit::ReadFileBytes(dir.file("a.pcm")) == sound);
    }
    std::vector<int16_t> want; // the sound of the frames dvgrab kept
    for (size_t j : kept)
        want.insert(want.end(), clip.pcm[0][j].begin(), clip.pcm[0][j].end());
    ASSERT_EQ(want.size() * 2, sound.size());
    EXPECT_EQ(0, std::memcmp(want.data(), sound.data(), sound.size()));
}

TEST(FfmpegFiles, NtscStreamCopyFromRawDvReadsBack)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 15;
    spec.pal = false;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    testkit::WriteRawDv(dir.file("clip.dv"), clip);
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + dir.file("clip.dv") + " -c copy -y " +
                                     dir.file("copy.avi")));
    const MemoryFile f = Load(dir.file("copy.avi"));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(15u, r.streams[0].chunks.size());
    EXPECT_EQ(1001u, r.streams[0].scale);
    EXPECT_EQ(30000u, r.streams[0].rate);
    EXPECT_EQ(5005000, SplitterDurations(dir.file("copy.avi")).at(0)); // 15 × 1001/30000 s
    for (size_t k = 0; k < 15; ++k)
        EXPECT_TRUE(Bytes(f, r.streams[0].chunks[k]) == Raw(clip.frames[k])) << k;
    EXPECT_TRUE(Joined(f, r.streams[1]) == Raw(clip.PairSamples(0)));
}

// ffmpeg's own DV frames, stream-copied by ffmpeg into a type-2 file, come back whole through
// the DV Muxer.
TEST(FfmpegFiles, TypeTwoFileMuxesBackToItsOwnFrames)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const std::string raw = dir.file("clip.dv"), type2 = dir.file("t2.avi"), type1 = dir.file("t1.avi");
    ASSERT_EQ(
        0, testkit::RunCommand("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i "
                               "\"aevalsrc=0.5*sin(440*2*PI*t)|0.3*sin(97*2*PI*t):s=48000\" -t 1 -target pal-dv -y " +
                               raw + " && ffmpeg -nostdin -v error -i " + raw + " -c copy -y " + type2));
    Convert(false, type2, type1);
    const std::string frames = testkit::ReadFileBytes(raw);
    const MemoryFile f = Load(type1);
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_EQ(1u, r.streams.size());
    ASSERT_EQ(frames.size() / 144000, r.streams[0].chunks.size());
    for (size_t k = 0; k < r.streams[0].chunks.size(); ++k)
        ASSERT_TRUE(Bytes(f, r.streams[0].chunks[k]) == frames.substr(k * 144000, 144000)) << "frame " << k;
}

TEST(FfprobeReads, WhatTheAviMuxWroteAndFfmpegDecodesIt)
{
    if (!testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 50;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("in.avi"), testkit::MakeDvClip(spec)));
    Convert(true, dir.file("in.avi"), dir.file("out.avi"));
    std::string out;
    testkit::RunCommand(
        "ffprobe -v quiet -count_packets -show_entries stream=codec_type,codec_name,duration,nb_read_packets "
        "-of csv=p=0 " +
            dir.file("out.avi"),
        &out);
    std::istringstream lines(out);
    std::string video, audio;
    std::getline(lines, video);
    std::getline(lines, audio);
    EXPECT_EQ("dvvideo,video,2.000000,50", video);
    EXPECT_EQ(0u, audio.rfind("pcm_s16le,audio,", 0)) << audio;
    std::string format;
    testkit::RunCommand("ffprobe -v quiet -show_entries format=duration -of csv=p=0 " + dir.file("out.avi"), &format);
    EXPECT_EQ("2.000000\n", format);
    std::string log; // pictures and sound decode without complaint
    EXPECT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + dir.file("out.avi") + " -f null -", &log));
    EXPECT_EQ("", log);
}

} // namespace
