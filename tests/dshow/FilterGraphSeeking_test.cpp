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
        : source(std::make_shared<TestSource>(videoType, frames, frameTime))
    {
        source->AddOutput(AudioType(), audioBlocks, 200000);
        graph.AddFilter(source, "source");
        graph.AddFilter(video, "video");
        graph.AddFilter(audio, "audio");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), video->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(1), audio->GetPin(0)), S_OK);
    }
    void SeekTo(int64_t position)
    {
        ASSERT_EQ(graph.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
                  S_OK);
    }
    void RunToEnd()
    {
        graph.SetSyncSource(nullptr);
        graph.Run();
        ASSERT_EQ(graph.WaitForCompletion(5000), EC_COMPLETE);
        graph.Stop();
    }
};

TEST(GraphSeeking, DurationIsTheLongestStreamAndFramesNeedAVideoRate)
{
    TwoStreams s(VideoType(), 25, 400000, 60); // 10 s of video, 12 s of sound
    int64_t d = 0;
    ASSERT_EQ(s.graph.GetDuration(d), S_OK);
    EXPECT_EQ(d, 60 * 200000);
    ASSERT_EQ(s.graph.SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    ASSERT_EQ(s.graph.GetDuration(d), S_OK);
    EXPECT_EQ(d, 30); // the sound's 12 s, counted in frames of the picture
    s.graph.Disconnect(s.video->GetPin(0));
    EXPECT_EQ(s.graph.IsFormatSupported(TIME_FORMAT_FRAME), S_FALSE);
    EXPECT_EQ(s.graph.SetTimeFormat(TIME_FORMAT_FRAME), E_INVALIDARG);
    FilterGraph empty;
    EXPECT_TRUE(FAILED(empty.GetDuration(d)));
}

TEST(GraphSeeking, ConvertsFramesAndMediaTimeForPalAndNtsc)
{
    DvInfo pal, ntsc;
    pal.dwDVVAuxSrc = 1u << 21; // 50 fields
    // 29.97 frames per second: frame 3000 starts at exactly 100.1 s; the rounded frame time
    // (333667) read back gives the same frame. Interleaved DV takes its rate from DVINFO.
    const struct {
        MediaType type;
        int64_t frameTime, frame, mediaTime;
    } cases[] = {
        {VideoType(), 400000, 25, 10000000},
        {VideoType(MEDIASUBTYPE_dvsd, 333667, 120000), 333667, 3000, 1001000000},
        {MediaType::Interleaved(MEDIASUBTYPE_dvsd, pal), 400000, 10, 4000000},
        {MediaType::Interleaved(MEDIASUBTYPE_dvsd, ntsc), 333667, 30, 10010000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frame);
        TwoStreams s(c.type, 30, c.frameTime, 1);
        int64_t t = 0;
        ASSERT_EQ(s.graph.ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, c.frame, &TIME_FORMAT_FRAME), S_OK);
        EXPECT_EQ(t, c.mediaTime);
        ASSERT_EQ(s.graph.ConvertTimeFormat(t, &TIME_FORMAT_FRAME, c.frame * c.frameTime, &TIME_FORMAT_MEDIA_TIME),
                  S_OK);
        EXPECT_EQ(t, c.frame);
    }
    TwoStreams s(VideoType(), 25, 400000, 1);
    int64_t t = 0;
    ASSERT_EQ(s.graph.ConvertTimeFormat(t, &TIME_FORMAT_FRAME, 10199999, &TIME_FORMAT_MEDIA_TIME), S_OK);
    EXPECT_EQ(t, 25); // a time inside a frame belongs to it
}

TEST(GraphSeeking, ASeekWhilePausedRestartsTheStreamWithTimesFromZero)
{
    TwoStreams s(VideoType(), 25, 400000, 50);
    s.graph.SetSyncSource(nullptr);
    s.graph.Pause();
    FilterState state;
    ASSERT_EQ(s.graph.GetState(5000, state), S_OK);
    ASSERT_EQ(s.graph.SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    s.SeekTo(10);
    ASSERT_EQ(s.graph.GetState(5000, state), S_OK);
    int64_t position = 0;
    ASSERT_EQ(s.graph.GetCurrentPosition(position), S_OK);
    EXPECT_EQ(position, 10);
    s.RunToEnd();
    std::vector<Seen> seen = s.video->SeenSamples();
    ASSERT_EQ(seen.size(), 15u);
    EXPECT_EQ(seen[0].index, 10);
    EXPECT_EQ(seen[0].start, 0);
    EXPECT_EQ(seen[0].segment, 4000000);
    EXPECT_TRUE(seen[0].discontinuity);
    EXPECT_EQ(seen[1].start, 400000);
    EXPECT_EQ(s.audio->SeenSamples().front().index, 20); // both streams moved to 4 s
}

TEST(GraphSeeking, ASeekWhileRunningFlushesAndGoesOn)
{
    TwoStreams s(VideoType(), 1000, 400000, 2000);
    Latch hold;
    std::atomic<bool> holding{true};
    s.source->Stream(0)->gate_ = [&](int64_t n) {
        if (n == 5 && holding.load())
            hold.Wait();
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
    s.SeekTo(990 * 400000);
    opener.join();
    ASSERT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    std::vector<Seen> seen = s.video->SeenSamples();
    EXPECT_EQ(seen.back().index, 999);
    EXPECT_LT(seen.size(), 100u);
}

TEST(GraphSeeking, AfterStopTheNextRunStartsFromTheRememberedPositionUntilCleared)
{
    TwoStreams s(VideoType(), 10, 400000, 0);
    s.RunToEnd();
    int64_t position = 0;
    s.graph.GetCurrentPosition(position);
    EXPECT_EQ(position, 9 * 400000); // the last sample rendered
    s.video->ClearSeen();
    s.RunToEnd();
    std::vector<Seen> seen = s.video->SeenSamples();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].index, 9);
    s.graph.Clear();
    s.graph.GetCurrentPosition(position);
    EXPECT_EQ(position, 0);
}

TEST(GraphSeeking, ADeadBranchStaysCompleteAcrossASeek)
{
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
    s.SeekTo(10 * 400000);
    EXPECT_EQ(s.graph.WaitForCompletion(5000), EC_COMPLETE);
    s.graph.Stop();
    EXPECT_EQ(s.video->SeenSamples().back().index, 19);
}

} // namespace
