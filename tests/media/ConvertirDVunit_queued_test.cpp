// The re-encoding chain with its queues and parallel codecs against the same chain run one frame
// at a time: the same frames, dates and time codes; a cancellation, a stop and a flush while every
// queue is full end at once and leave nothing behind. (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>

#include <atomic>

#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/ContainerGraph.h"
#include "tests/media/AviFileStreams.h"
#include "tests/media/MediaFiles.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

testkit::DvClip Clip(bool pal, int frames)
{
    return DatedClip(pal, frames, 6);
}

enum class Kind { BurnIn, ToNtsc, ToPal };

bool Build(TCdm& cdm, Kind kind, int type, const std::string& in, const std::string& out)
{
    switch (kind) {
    case Kind::BurnIn: return BuildBurnIn(cdm, type, in, out);
    case Kind::ToNtsc:
    case Kind::ToPal: {
        const uint8_t standard = kind == Kind::ToNtsc ? 2 : 1;
        return type == 2 ? cdm.BuildStandardGraphType2(in, out, standard)
                         : cdm.BuildStandardGraphType1(in, out, standard);
    }
    }
    return false;
}

TEST(QueuedChain, WritesTheFramesDatesAndTimeCodesOfTheSerialChain)
{
    if (!HaveCodecFilters() || !testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe or the codec filters missing";
    testkit::TempDir dir;
    struct Case {
        Kind kind;
        int type;
        bool pal;
        const char* name;
    } cases[] = {{Kind::BurnIn, 2, true, "burn-in 2"},     {Kind::BurnIn, 1, false, "burn-in 1 NTSC"},
                 {Kind::ToNtsc, 2, true, "PAL -> NTSC 2"}, {Kind::ToNtsc, 1, true, "PAL -> NTSC 1"},
                 {Kind::ToPal, 1, false, "NTSC -> PAL 1"}, {Kind::ToPal, 2, false, "NTSC -> PAL 2"}};
    TCdm cdm;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const testkit::DvClip clip = Clip(c.pal, c.pal ? 40 : 48);
        const std::string in = dir.file("in" + std::to_string(n) + ".avi");
        ASSERT_TRUE(c.type == 1 ? testkit::WriteDvType1(in, clip) : testkit::WriteDvType2(in, clip));
        std::string out[2];
        for (bool queued : {false, true}) {
            out[queued] = dir.file("out" + std::to_string(n) + (queued ? "q" : "s") + ".avi");
            cdm.SetQueuedChain(queued);
            ASSERT_TRUE(Build(cdm, c.kind, c.type, in, out[queued]));
            ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
            EXPECT_EQ(cdm.CdmDVHeader->UnmatchedFrames(), 0);
        }
        ++n;
        const int frames = ProbedFrames(out[0]);
        EXPECT_GT(frames, 30);
        EXPECT_EQ(ProbedFrames(out[1]), frames);
        const auto serial = VideoFrames(out[0]), queued = VideoFrames(out[1]);
        ASSERT_EQ(static_cast<int>(serial.size()), frames);
        ASSERT_EQ(queued.size(), serial.size());
        for (size_t k = 0; k < serial.size(); ++k) {
            EXPECT_EQ(TimeCode(queued[k]), TimeCode(serial[k])) << "frame " << k;
            EXPECT_EQ(AllRecDates(queued[k]), AllRecDates(serial[k])) << "frame " << k;
            // The serial decoder converts a picture in bands, whose seams differ by a unit here
            // and there from one conversion of the whole for NTSC's 4:1:1 chroma.
            if (c.pal)
                EXPECT_TRUE(queued[k] == serial[k]) << "frame " << k << " differs";
        }
    }
    cdm.SetQueuedChain(true);
}

// Esc in the middle of a burn-in: the run ends cancelled at once, with the queues full, no file
// is left, and the module converts again afterwards.
TEST(QueuedChain, ACancellationMidStreamEndsAtOnceAndLeavesNothing)
{
    if (!HaveCodecFilters())
        GTEST_SKIP() << "the codec filters missing";
    testkit::TempDir dir;
    const std::string in = dir.file("in.avi"), out = dir.file("in_in.avi");
    ASSERT_TRUE(testkit::WriteDvType1(in, Clip(true, 250)));
    TCdm cdm;
    ASSERT_TRUE(Build(cdm, Kind::BurnIn, 1, in, out));
    int polls = 0;
    int lastPercent = -1;
    const ConversionOutcome outcome =
        cdm.RunBuiltGraph([&] { return ++polls > 2; }, [&](int percent) { lastPercent = percent; });
    EXPECT_EQ(outcome.kind, ConversionOutcome::Cancelled);
    EXPECT_LT(lastPercent, 100);
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"in.avi"});
    ASSERT_TRUE(Build(cdm, Kind::BurnIn, 1, in, out));
    EXPECT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    EXPECT_EQ(VideoFrames(out).size(), 250u);
}

// The chain by hand, into a sink that holds the first frame while paused, so every job slot,
// queue and buffer before it fills: a stop then returns at once; a seek flushes everything and
// the frames from the new position on come out with their own time codes.
TEST(QueuedChain, AStopOrASeekWithEveryQueueFullEndsAtOnceAndTheNewPositionFollows)
{
    if (!HaveCodecFilters())
        GTEST_SKIP() << "the codec filters missing";
    EnsureGui();
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(true, 100);
    const std::string in = dir.file("in.avi");
    ASSERT_TRUE(testkit::WriteDvType2(in, clip));

    containertest::Graph g;
    ASSERT_TRUE(g.Load(in));
    auto detector = std::make_shared<media::Tdv_sceneDetect>();
    auto decoder = std::make_shared<ds::DvVideoDecoder>();
    auto overlay = std::make_shared<media::Tdv_Superposer>(detector.get());
    auto encoder = std::make_shared<ds::DvVideoEncoder>();
    auto header = std::make_shared<media::Tdv_DVheader>(detector.get());
    auto sink = std::make_shared<testds::TestSink>(ds::MediaType(ds::MEDIATYPE_Video, ds::MEDIASUBTYPE_dvsd));
    decoder->SetParallelFrames(true);
    static_cast<ds::OutputPin*>(decoder->GetPin(1))->SetOutputQueue(TCdm::kChainQueueDepth);
    static_cast<ds::OutputPin*>(overlay->GetPin(1))->SetOutputQueue(TCdm::kChainQueueDepth);
    overlay->SetAutoIncrust(0);
    std::shared_ptr<ds::BaseFilter> chain[] = {detector, decoder, overlay, encoder, header, sink};
    ds::Pin* out = g.splitter->GetPin(0);
    int n = 0;
    for (auto& f : chain) {
        g.graph->AddFilter(f, "f" + std::to_string(n++));
        ASSERT_EQ(g.graph->ConnectDirect(out, f->GetPin(0)), ds::S_OK) << n;
        out = f->GetPin(1);
    }
    g.graph->SetSyncSource(nullptr);

    auto fill = [&] {
        g.graph->Pause();
        // The detector runs ahead of the held frame by everything the chain holds.
        ASSERT_TRUE(testds::Eventually([&] { return detector->FramesProcessed() > 30; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_LT(detector->FramesProcessed(), 100u) << "bounded";
    };
    fill();
    EXPECT_EQ(g.graph->Stop(), ds::S_OK);

    fill();
    int64_t position = 60 * 400000;
    ASSERT_EQ(
        g.graph->SetPositions(&position, ds::AM_SEEKING_AbsolutePositioning, nullptr, ds::AM_SEEKING_NoPositioning),
        ds::S_OK);
    sink->ClearSeen();
    ASSERT_EQ(g.graph->Run(), ds::S_OK);
    ASSERT_EQ(g.graph->WaitForCompletion(20000), ds::EC_COMPLETE);
    g.graph->Stop();
    const auto seen = sink->SeenSamples();
    ASSERT_EQ(seen.size(), 40u);
    for (size_t k = 0; k < seen.size(); ++k) {
        const std::vector<uint8_t> frame(seen[k].bytes.begin(), seen[k].bytes.end());
        EXPECT_EQ(TimeCode(frame), TimeCode(clip.frames[60 + k])) << k;
        EXPECT_EQ(AllRecDates(frame).front(), AllRecDates(clip.frames[60 + k]).front()) << k;
    }
    EXPECT_EQ(header->UnmatchedFrames(), 0);
}

} // namespace
