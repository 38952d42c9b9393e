// Type 1 -> type 2 -> type 1 through the container filters in raw graphs: every DV frame comes
// back byte for byte and the type-2 sound is the sound that went in.
#include "tests/filters/ContainerGraph.h"

#include "formats/AviDemux.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/media/DvClip.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

namespace {

using namespace avitest;
using containertest::Graph;

void ExpectFrames(const MemoryFile& f, const formats::AviDemuxStream& s, const testkit::DvClip& clip)
{
    ASSERT_EQ(clip.frames.size(), s.chunks.size());
    for (size_t k = 0; k < s.chunks.size(); ++k)
        ASSERT_TRUE(Bytes(f, s.chunks[k]) == Raw(clip.frames[k])) << "frame " << k;
}

TEST(ContainerRoundTrip, EveryFrameComesBackByteForByteAndTheSoundIsKept)
{
    testkit::DvClipSpec pal, ntscFourChannel, ntscLocked;
    pal.frames = 40; // unlocked: the sample counts wander
    ntscFourChannel.frames = 30;
    ntscFourChannel.pal = false;
    ntscFourChannel.audio = {32000, 12, 2, false};
    ntscLocked.frames = 12;
    ntscLocked.pal = false;
    ntscLocked.audio = {48000, 16, 1, true};
    ntscLocked.wanderingCounts = false;
    for (const testkit::DvClipSpec& spec : {pal, ntscFourChannel, ntscLocked}) {
        SCOPED_TRACE(testing::Message() << spec.frames << " frames");
        testkit::TempDir dir;
        const testkit::DvClip clip = testkit::MakeDvClip(spec);
        const std::string type1 = dir.file("in.avi"), type2 = dir.file("t2.avi"), back = dir.file("back.avi");
        ASSERT_TRUE(testkit::WriteDvType1(type1, clip));
        {
            Graph g;
            ASSERT_TRUE(g.BuildType2(type1, type2));
            ASSERT_EQ(2 + clip.audio.pairs, g.dvSplitter->GetPinCount()); // [in, video, a sound output per pair]
            ds::MediaType video, sound;
            g.dvSplitter->GetPin(1)->GetMediaType(0, video);
            g.dvSplitter->GetPin(2)->GetMediaType(0, sound);
            EXPECT_EQ(spec.pal ? 400000 : 333667, video.GetVideoInfo()->AvgTimePerFrame);
            EXPECT_EQ(static_cast<uint32_t>(spec.audio.sampleRate), sound.GetWaveFormat()->nSamplesPerSec);
            ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
        }
        const MemoryFile t2 = Load(type2);
        const formats::AviDemuxResult r2 = formats::ParseAvi(t2);
        ASSERT_EQ(1u + clip.audio.pairs, r2.streams.size());
        EXPECT_EQ(rtl::FourCC("vids"), r2.streams[0].fccType);
        ExpectFrames(t2, r2.streams[0], clip);
        for (int p = 0; p < clip.audio.pairs; ++p) {
            EXPECT_EQ(rtl::FourCC("auds"), r2.streams[1 + p].fccType);
            EXPECT_TRUE(Joined(t2, r2.streams[1 + p]) == Raw(clip.PairSamples(p))) << "pair " << p;
        }
        {
            Graph g;
            ASSERT_TRUE(g.BuildType1(type2, back));
            ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
        }
        const MemoryFile t1 = Load(back);
        const formats::AviDemuxResult r1 = formats::ParseAvi(t1);
        ASSERT_EQ(1u, r1.streams.size());
        EXPECT_EQ(rtl::FourCC("iavs"), r1.streams[0].fccType);
        ExpectFrames(t1, r1.streams[0], clip);
    }
}

TEST(ContainerRoundTrip, OpenDmlFileOfSeveralSegmentsConvertsWhole)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 60;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    formats::AviMuxOptions small;
    small.segmentLimit = 2 << 20; // about 14 frames a segment
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("big.avi"), clip, small));
    ASSERT_GE(formats::ParseAvi(Load(dir.file("big.avi"))).segments, 4);
    Graph g;
    g.mux->SetWriterOptions(small);
    ASSERT_TRUE(g.BuildType2(dir.file("big.avi"), dir.file("t2.avi")));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const MemoryFile t2 = Load(dir.file("t2.avi"));
    const formats::AviDemuxResult r = formats::ParseAvi(t2);
    EXPECT_GE(r.segments, 4);
    ExpectFrames(t2, r.streams[0], clip);
    EXPECT_TRUE(Joined(t2, r.streams[1]) == Raw(clip.PairSamples(0)));
}

TEST(ContainerRoundTrip, TypeTwoRemuxFedByTwoThreadsCopiesBothStreamsInTimeOrder)
{
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 40;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    Graph g;
    ASSERT_TRUE(g.Open(dir.file("t2.avi"), dir.file("fixed.avi")));
    ASSERT_TRUE(ds::SUCCEEDED(g.graph->Connect(g.splitter->GetPin(0), g.mux->GetPin(1))));
    ASSERT_TRUE(ds::SUCCEEDED(g.graph->Connect(g.splitter->GetPin(1), g.mux->GetPin(2))));
    ASSERT_TRUE(ds::SUCCEEDED(g.graph->Connect(g.mux->GetPin(0), g.writer->GetPin(0))));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const MemoryFile f = Load(dir.file("fixed.avi"));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_EQ(2u, r.streams.size());
    ExpectFrames(f, r.streams[0], clip);
    EXPECT_TRUE(Joined(f, r.streams[1]) == Raw(clip.PairSamples(0)));
    for (size_t k = 1; k < 40; ++k) // each sound chunk follows the frame it belongs to
        EXPECT_LT(r.streams[1].chunks[k - 1].offset, r.streams[0].chunks[k].offset) << k;
}

} // namespace
