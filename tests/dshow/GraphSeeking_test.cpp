// Seeking through the graph: durations, frame and media-time conversion, seeks and restarts.
#include <gtest/gtest.h>

#include "platform/dshow/FilterGraph.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

struct TwoStreams {
    FilterGraph graph;
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestSink> video = std::make_shared<TestSink>();
    std::shared_ptr<TestSink> audio = std::make_shared<TestSink>();

    TwoStreams(const MediaType& videoType, int64_t frames, int64_t frameTime, int64_t audioBlocks)
        : source(std::make_shared<TestSource>(videoType, frames, frameTime)) {
        source->AddOutput(AudioType(), audioBlocks, 200000);
        graph.AddFilter(source, "source");
        graph.AddFilter(video, "video");
        graph.AddFilter(audio, "audio");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), video->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(1), audio->GetPin(0)), S_OK);
    }
};

void SeekTo(FilterGraph& g, int64_t position) {
    ASSERT_EQ(g.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
}

} // namespace

TEST(GraphSeeking, DurationIsTheLongestStream) {
    TwoStreams s(VideoType(), 25, 400000, 60);  // 10 s of video, 12 s of sound
    int64_t d = 0;
    ASSERT_EQ(s.graph.GetDuration(d), S_OK);
    EXPECT_EQ(d, 60 * 200000);
    s.graph.Disconnect(s.audio->GetPin(0));
    ASSERT_EQ(s.graph.GetDuration(d), S_OK);
    EXPECT_EQ(d, 25 * 400000);
}

TEST(GraphSeeking, NoDurationWithoutASeekingSource) {
    FilterGraph g;
    int64_t d = 99;
    EXPECT_TRUE(FAILED(g.GetDuration(d)));
}

TEST(GraphSeeking, FramesNeedAVideoStreamOfKnownRate) {
    TwoStreams s(VideoType(), 25, 400000, 60);
    ASSERT_EQ(s.graph.SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    int64_t d = 0;
    ASSERT_EQ(s.graph.GetDuration(d), S_OK);
    EXPECT_EQ(d, 30);  // the sound's 12 s, counted in frames of the picture

    FilterGraph soundOnly;
    auto source = std::make_shared<TestSource>(AudioType(), 10, 200000);
    auto sink = std::make_shared<TestSink>();
    soundOnly.AddFilter(source, "s");
    soundOnly.AddFilter(sink, "r");
    soundOnly.ConnectDirect(source->GetPin(0), sink->GetPin(0));
    EXPECT_EQ(soundOnly.IsFormatSupported(TIME_FORMAT_FRAME), S_FALSE);
    EXPECT_EQ(soundOnly.SetTimeFormat(TIME_FORMAT_FRAME), E_INVALIDARG);
}

TEST(GraphSeeking, ConvertsFramesAndMediaTimeForPalAndNtsc) {
    TwoStreams pal(VideoType(), 25, 400000, 1);
    int64_t t = 0;
    ASSERT_EQ(pal.graph.ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, 25, &TIME_FORMAT_FRAME), S_OK);
    EXPECT_EQ(t, 10000000);
    ASSERT_EQ(pal.graph.ConvertTimeFormat(t, &TIME_FORMAT_FRAME, 10199999, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(t, 25);

    // 29.97 frames per second: frame 3000 starts at exactly 100.1 s; the rounded frame time
    // (333667) read back gives the same frame.
    TwoStreams ntsc(VideoType(MEDIASUBTYPE_dvsd, 333667, 120000), 30, 333667, 1);
    ASSERT_EQ(ntsc.graph.ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, 3000, &TIME_FORMAT_FRAME), S_OK);
    EXPECT_EQ(t, 1001000000);
    ASSERT_EQ(ntsc.graph.ConvertTimeFormat(t, &TIME_FORMAT_FRAME, int64_t{3000} * 333667, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(t, 3000);
}

TEST(GraphSeeking, InterleavedDvTakesItsRateFromTheDvInfoBlock) {
    DvInfo info;
    info.dwDVVAuxSrc = 1u << 21;  // 50 fields
    TwoStreams pal(MediaType::Interleaved(MEDIASUBTYPE_dvsd, info), 10, 400000, 1);
    int64_t t = 0;
    ASSERT_EQ(pal.graph.ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, 10, &TIME_FORMAT_FRAME), S_OK);
    EXPECT_EQ(t, 4000000);
    info.dwDVVAuxSrc = 0;
    TwoStreams ntsc(MediaType::Interleaved(MEDIASUBTYPE_dvsd, info), 10, 333667, 1);
    ASSERT_EQ(ntsc.graph.ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, 30, &TIME_FORMAT_FRAME), S_OK);
    EXPECT_EQ(t, 10010000);
}

TEST(GraphSeeking, ASeekWhilePausedRestartsTheStreamWithTimesFromZero) {
    TwoStreams s(VideoType(), 25, 400000, 50);
    s.graph.SetSyncSource(nullptr);
    s.graph.Pause();
    FilterState state;
    ASSERT_EQ(s.graph.GetState(5000, state), S_OK);
    ASSERT_EQ(s.graph.SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    SeekTo(s.graph, 10);
    ASSERT_EQ(s.graph.GetState(5000, state), S_OK);
    int64_t position = 0;
    ASSERT_EQ(s.graph.GetCurrentPosition(position), S_OK);
    EXPECT_EQ(position, 10);

    s.graph.Run();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    std::vector<Seen> seen = s.video->SeenSamples();
    ASSERT_EQ(seen.size(), 15u);
    EXPECT_EQ(seen[0].index, 10);
    EXPECT_EQ(seen[0].start, 0);
    EXPECT_EQ(seen[0].segment, 4000000);
    EXPECT_TRUE(seen[0].discontinuity);
    EXPECT_EQ(seen[1].start, 400000);
    EXPECT_EQ(s.audio->SeenSamples().front().index, 20);  // both streams moved to 4 s
}

TEST(GraphSeeking, ASeekWhileRunningFlushesAndGoesOn) {
    TwoStreams s(VideoType(), 1000, 400000, 2000);
    Latch hold;
    std::atomic<bool> holding{true};
    s.source->Stream(0)->gate_ = [&](int64_t n) {
        if (n == 5 && holding.load()) hold.Wait();
    };
    s.graph.SetSyncSource(nullptr);
    s.graph.Run();
    ASSERT_TRUE(Eventually([&] { return s.video->SeenSamples().size() >= 5; }));
    holding = false;
    std::thread opener([&] {
        // Let the held sample go only once the seek has begun its flush.
        Eventually([&] { return static_cast<InputPin*>(s.video->GetPin(0))->IsFlushing(); });
        hold.Open();
    });
    SeekTo(s.graph, 990 * 400000);
    opener.join();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    std::vector<Seen> seen = s.video->SeenSamples();
    EXPECT_EQ(seen.back().index, 999);
    EXPECT_LT(seen.size(), 100u);
}

TEST(GraphSeeking, AfterStopTheNextPauseStartsFromTheRememberedPosition) {
    TwoStreams s(VideoType(), 10, 400000, 0);
    s.graph.SetSyncSource(nullptr);
    s.graph.Run();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    int64_t position = 0;
    s.graph.GetCurrentPosition(position);
    EXPECT_EQ(position, 9 * 400000);  // the last sample rendered
    s.video->ClearSeen();
    s.graph.Run();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    std::vector<Seen> seen = s.video->SeenSamples();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].index, 9);
}

TEST(GraphSeeking, ADeadBranchStaysCompleteAcrossASeek) {
    TwoStreams s(VideoType(), 20, 400000, 0);
    s.graph.Disconnect(s.audio->GetPin(0));
    auto orphan = std::make_shared<PassThrough>("orphan");
    auto feeder = std::make_shared<TestSource>(AudioType(), 1, 200000);
    s.graph.AddFilter(orphan, "orphan");
    s.graph.AddFilter(feeder, "feeder");
    ASSERT_EQ(s.graph.ConnectDirect(feeder->GetPin(0), orphan->GetPin(0)), S_OK);
    ASSERT_EQ(s.graph.ConnectDirect(orphan->GetPin(1), s.audio->GetPin(0)), S_OK);
    s.graph.Disconnect(orphan->GetPin(0));
    s.graph.SetSyncSource(nullptr);
    s.graph.Run();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    SeekTo(s.graph, 10 * 400000);
    EXPECT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    EXPECT_EQ(s.video->SeenSamples().back().index, 19);
}

TEST(GraphSeeking, ClearingTheGraphForgetsThePosition) {
    TwoStreams s(VideoType(), 10, 400000, 0);
    SeekTo(s.graph, 5 * 400000);
    int64_t position = 0;
    s.graph.GetCurrentPosition(position);
    EXPECT_EQ(position, 5 * 400000);
    s.graph.Clear();
    s.graph.GetCurrentPosition(position);
    EXPECT_EQ(position, 0);
}
