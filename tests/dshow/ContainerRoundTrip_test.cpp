// Type 1 -> type 2 -> type 1 through the container filters in raw graphs: every DV frame comes
// back byte for byte and the type-2 sound is the sound that went in.
#include "tests/dshow/ContainerGraph.h"

#include "platform/dshow/AviDemux.h"
#include "tests/dshow/AviMemory.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

using avitest::Fcc;
using avitest::MemoryFile;
using containertest::Graph;
using ds::SUCCEEDED;

MemoryFile Load(const std::string& path)
{
    MemoryFile f;
    f.bytes = testkit::ReadFileBytes(path);
    return f;
}

std::string ChunkBytes(const MemoryFile& f, const ds::AviChunkRef& c) { return f.bytes.substr(c.offset, c.size); }

std::string Concat(const MemoryFile& f, const ds::AviDemuxStream& s)
{
    std::string all;
    for (const auto& c : s.chunks)
        all += ChunkBytes(f, c);
    return all;
}

std::string PcmBytes(const std::vector<int16_t>& v) { return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2); }

void RoundTrip(const testkit::DvClipSpec& spec)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const std::string type1 = dir.file("in.avi"), type2 = dir.file("in_type2.avi"), back = dir.file("back_type1.avi");
    ASSERT_TRUE(testkit::WriteDvType1(type1, clip));

    {
        Graph g;
        ASSERT_TRUE(g.BuildType2(type1, type2));
        EXPECT_EQ(1 + 1 + clip.audio.pairs, g.dvSplitter->GetPinCount());
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    }
    const MemoryFile t2 = Load(type2);
    const ds::AviDemuxResult r2 = ds::ParseAvi(t2);
    ASSERT_TRUE(r2.valid);
    ASSERT_EQ(static_cast<size_t>(1 + clip.audio.pairs), r2.streams.size());
    EXPECT_EQ(Fcc("vids"), r2.streams[0].fccType);
    ASSERT_EQ(clip.frames.size(), r2.streams[0].chunks.size());
    for (size_t k = 0; k < clip.frames.size(); ++k)
        ASSERT_TRUE(ChunkBytes(t2, r2.streams[0].chunks[k]) ==
                    std::string(clip.frames[k].begin(), clip.frames[k].end()))
            << "frame " << k;
    for (int p = 0; p < clip.audio.pairs; ++p) {
        EXPECT_EQ(Fcc("auds"), r2.streams[1 + p].fccType);
        EXPECT_TRUE(Concat(t2, r2.streams[1 + p]) == PcmBytes(clip.PairSamples(p))) << "pair " << p;
    }

    {
        Graph g;
        ASSERT_TRUE(g.BuildType1(type2, back));
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    }
    const MemoryFile t1 = Load(back);
    const ds::AviDemuxResult r1 = ds::ParseAvi(t1);
    ASSERT_TRUE(r1.valid);
    ASSERT_EQ(1u, r1.streams.size());
    EXPECT_EQ(Fcc("iavs"), r1.streams[0].fccType);
    ASSERT_EQ(clip.frames.size(), r1.streams[0].chunks.size());
    for (size_t k = 0; k < clip.frames.size(); ++k)
        ASSERT_TRUE(ChunkBytes(t1, r1.streams[0].chunks[k]) ==
                    std::string(clip.frames[k].begin(), clip.frames[k].end()))
            << "frame " << k;
}

TEST(ContainerRoundTrip, PalWithWanderingSampleCountsComesBackByteForByte)
{
    testkit::DvClipSpec spec;
    spec.frames = 40;
    RoundTrip(spec);
}

TEST(ContainerRoundTrip, NtscFourChannelTwelveBitComesBackByteForByte)
{
    testkit::DvClipSpec spec;
    spec.frames = 30;
    spec.pal = false;
    spec.audio = {32000, 12, 2, false};
    RoundTrip(spec);
}

TEST(ContainerRoundTrip, NtscLockedFortyEightKilohertz)
{
    testkit::DvClipSpec spec;
    spec.frames = 12;
    spec.pal = false;
    spec.audio = {48000, 16, 1, true};
    spec.wanderingCounts = false;
    RoundTrip(spec);
}

TEST(ContainerRoundTrip, OpenDmlFileOfSeveralSegmentsConvertsWhole)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 60;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const std::string type1 = dir.file("big.avi"), type2 = dir.file("big_type2.avi");
    ds::AviMuxOptions small;
    small.segmentLimit = 2 << 20; // about 14 frames a segment
    ASSERT_TRUE(testkit::WriteDvType1(type1, clip, small));
    ASSERT_GE(ds::ParseAvi(Load(type1)).segments, 4);
    Graph g;
    g.mux->SetWriterOptions(small);
    ASSERT_TRUE(g.BuildType2(type1, type2));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const MemoryFile t2 = Load(type2);
    const ds::AviDemuxResult r = ds::ParseAvi(t2);
    ASSERT_TRUE(r.valid);
    EXPECT_GE(r.segments, 4);
    ASSERT_EQ(60u, r.streams[0].chunks.size());
    EXPECT_TRUE(ChunkBytes(t2, r.streams[0].chunks[59]) == std::string(clip.frames[59].begin(), clip.frames[59].end()));
    EXPECT_TRUE(Concat(t2, r.streams[1]) == PcmBytes(clip.PairSamples(0)));
}

TEST(ContainerRoundTrip, TypeTwoRemuxCopiesBothStreamsFedByTwoThreads)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 40;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t2.avi"), dir.file("fixed.avi")));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.mux->GetPin(1))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.splitter->GetPin(1), g.mux->GetPin(2))));
    ASSERT_TRUE(SUCCEEDED(g.graph->Connect(g.mux->GetPin(0), g.writer->GetPin(0))));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const MemoryFile f = Load(dir.file("fixed.avi"));
    const ds::AviDemuxResult r = ds::ParseAvi(f);
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(40u, r.streams[0].chunks.size());
    EXPECT_TRUE(ChunkBytes(f, r.streams[0].chunks[39]) == std::string(clip.frames[39].begin(), clip.frames[39].end()));
    EXPECT_TRUE(Concat(f, r.streams[1]) == PcmBytes(clip.PairSamples(0)));
    // Written in time order: each sound chunk follows the frame it belongs to.
    for (size_t k = 1; k < 40; ++k)
        EXPECT_LT(r.streams[1].chunks[k - 1].offset, r.streams[0].chunks[k].offset) << k;
}

// ffmpeg as an independent producer: its DV frames, stream-copied by ffmpeg into a type-2 file,
// come back whole through the DV Muxer.
TEST(ContainerInterop, FfmpegTypeTwoFileMuxesBackToItsOwnFrames)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const std::string raw = dir.file("clip.dv"), type2 = dir.file("t2.avi"), type1 = dir.file("t1.avi");
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i "
                                     "\"aevalsrc=0.5*sin(440*2*PI*t)|0.3*sin(97*2*PI*t):s=48000\" -t 1 -target pal-dv -y " +
                                     raw + " && ffmpeg -nostdin -v error -i " + raw + " -c copy -y " + type2));
    Graph g;
    ASSERT_TRUE(g.BuildType1(type2, type1));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const std::string frames = testkit::ReadFileBytes(raw);
    const MemoryFile f = Load(type1);
    const ds::AviDemuxResult r = ds::ParseAvi(f);
    ASSERT_EQ(1u, r.streams.size());
    ASSERT_EQ(frames.size() / 144000, r.streams[0].chunks.size());
    for (size_t k = 0; k < r.streams[0].chunks.size(); ++k)
        ASSERT_TRUE(ChunkBytes(f, r.streams[0].chunks[k]) == frames.substr(k * 144000, 144000)) << "frame " << k;
}

// dvgrab as an independent producer of type-1 files: split and muxed again, its frames come back.
TEST(ContainerInterop, DvgrabTypeOneFileRoundTripsWhole)
{
    if (!testkit::HaveProgram("dvgrab"))
        GTEST_SKIP() << "dvgrab not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 20;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    testkit::WriteRawDv(dir.file("clip.dv"), clip);
    testkit::RunCommand("cd " + dir.path().string() + " && dvgrab -I clip.dv -f dv1 grab-");
    std::string grabbed;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind("grab-", 0) == 0)
            grabbed = e.path().string();
    ASSERT_FALSE(grabbed.empty());
    const std::string type2 = dir.file("t2.avi"), back = dir.file("t1.avi");
    {
        Graph g;
        ASSERT_TRUE(g.BuildType2(grabbed, type2));
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    }
    {
        Graph g;
        ASSERT_TRUE(g.BuildType1(type2, back));
        ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    }
    const MemoryFile original = Load(grabbed), result = Load(back);
    const ds::AviDemuxResult a = ds::ParseAvi(original), b = ds::ParseAvi(result);
    ASSERT_EQ(1u, b.streams.size());
    ASSERT_GE(a.streams[0].chunks.size(), 19u);
    ASSERT_EQ(a.streams[0].chunks.size(), b.streams[0].chunks.size());
    for (size_t k = 0; k < a.streams[0].chunks.size(); ++k)
        ASSERT_TRUE(ChunkBytes(original, a.streams[0].chunks[k]) == ChunkBytes(result, b.streams[0].chunks[k])) << k;
}

TEST(ContainerInterop, FfprobeReadsWhatTheMuxWrote)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 50;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("in.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.BuildType2(dir.file("in.avi"), dir.file("out.avi")));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    std::string out;
    testkit::RunCommand("ffprobe -v quiet -count_packets -show_entries stream=codec_type,codec_name,duration,nb_read_packets "
                        "-of csv=p=0 " + dir.file("out.avi"), &out);
    std::istringstream lines(out);
    std::string video, audio;
    std::getline(lines, video);
    std::getline(lines, audio);
    EXPECT_EQ("dvvideo,video,2.000000,50", video);
    EXPECT_EQ(0u, audio.rfind("pcm_s16le,audio,", 0)) << audio;
    std::string format;
    testkit::RunCommand("ffprobe -v quiet -show_entries format=duration -of csv=p=0 " + dir.file("out.avi"), &format);
    EXPECT_EQ("2.000000\n", format);
}

} // namespace
