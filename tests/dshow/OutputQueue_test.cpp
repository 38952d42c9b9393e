// Output queues: deliveries on a thread of the pin's own, in order, bounded; stop, flush and a
// refusal downstream while the queues are full. (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/dshow/FilterGraph.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

// Source -> converter -> in-place filter -> sink, both transforms delivering through queues.
struct QueuedChain {
    FilterGraph graph;
    std::shared_ptr<TestSource> source;
    std::shared_ptr<Converter> convert = std::make_shared<Converter>(VideoType(), VideoType(MEDIASUBTYPE_RGB24));
    std::shared_ptr<PassThrough> pass = std::make_shared<PassThrough>();
    std::shared_ptr<TestSink> sink = std::make_shared<TestSink>();

    explicit QueuedChain(int64_t frames, int depth = 3) : source(std::make_shared<TestSource>(VideoType(), frames))
    {
        static_cast<OutputPin*>(convert->GetPin(1))->SetOutputQueue(depth);
        static_cast<OutputPin*>(pass->GetPin(1))->SetOutputQueue(depth);
        graph.AddFilter(source, "source");
        graph.AddFilter(convert, "convert");
        graph.AddFilter(pass, "pass");
        graph.AddFilter(sink, "sink");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), convert->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(convert->GetPin(1), pass->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(pass->GetPin(1), sink->GetPin(0)), S_OK);
        graph.SetSyncSource(nullptr);
    }
    OutputPin* Out(BaseFilter& f) { return static_cast<OutputPin*>(f.GetPin(1)); }
    // Every buffer of the converter's pool (which the in-place filter shares) is back.
    bool AllBuffersBack()
    {
        AllocatorProperties props;
        Out(*convert)->Allocator()->GetProperties(props);
        return Out(*convert)->Allocator()->FreeCount() == props.cBuffers;
    }
    // Paused: the sink holds the first sample, and every queue and buffer before it is full.
    void PauseWithFullQueues()
    {
        graph.Pause();
        // Held by the sink, queued, in the in-place filter's hands, queued, waiting for a buffer.
        ASSERT_TRUE(Eventually([&] {
            return Out(*convert)->QueuedSamples() == 3 && Out(*pass)->QueuedSamples() == 3 &&
                   source->Stream()->produced_.load() == 1 + 3 + 1 + 3 + 1;
        }));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(source->Stream()->produced_.load(), 1 + 3 + 1 + 3 + 1) << "bounded";
    }
    std::vector<int64_t> Indexes()
    {
        std::vector<int64_t> seen;
        for (const Seen& s : sink->SeenSamples())
            seen.push_back(s.index);
        return seen;
    }
};

std::vector<int64_t> Range(int64_t from, int64_t to)
{
    std::vector<int64_t> v;
    for (int64_t i = from; i < to; ++i)
        v.push_back(i);
    return v;
}

TEST(OutputQueue, SamplesSegmentsAndTheEndGoDownstreamInOrderRunAfterRun)
{
    QueuedChain c(300);
    AllocatorProperties props;
    c.Out(*c.convert)->Allocator()->GetProperties(props);
    EXPECT_EQ(props.cBuffers, 2 + 3 + 3) << "the converter's own two and a queue's worth for each filter";
    for (int run = 0; run < 2; ++run) {
        c.sink->ClearSeen();
        int64_t start = 0;
        ASSERT_EQ(c.graph.SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning),
                  S_OK);
        ASSERT_EQ(c.graph.Run(), S_OK);
        ASSERT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE) << run;
        EXPECT_TRUE(c.sink->ReachedEndOfStream());
        const auto seen = c.sink->SeenSamples();
        ASSERT_EQ(seen.size(), 300u) << run;
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].index, static_cast<int64_t>(i));
            EXPECT_EQ(seen[i].start, static_cast<REFERENCE_TIME>(i) * 400000);
        }
        c.graph.Stop();
        EXPECT_TRUE(c.AllBuffersBack());
    }
}

TEST(OutputQueue, AStopWithFullQueuesAndABlockedSinkNeitherHangsNorKeepsABuffer)
{
    QueuedChain c(100);
    c.PauseWithFullQueues();
    EXPECT_EQ(c.graph.Stop(), S_OK);
    EXPECT_EQ(c.Out(*c.convert)->QueuedSamples(), 0u);
    EXPECT_TRUE(c.AllBuffersBack());
    // And it starts again from where it stopped, whole.
    ASSERT_EQ(c.graph.Run(), S_OK);
    ASSERT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
    c.graph.Stop();
    EXPECT_EQ(c.sink->SeenSamples().back().index, 99);
}

TEST(OutputQueue, ASeekFlushesFullQueuesAndOnlyTheNewPositionFollows)
{
    QueuedChain c(100);
    c.PauseWithFullQueues();
    int64_t position = 50 * 400000;
    ASSERT_EQ(c.graph.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    c.sink->ClearSeen();
    ASSERT_EQ(c.graph.Run(), S_OK);
    ASSERT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
    c.graph.Stop();
    EXPECT_EQ(c.Indexes(), Range(50, 100)) << "nothing queued before the seek comes out after it";
    EXPECT_EQ(c.sink->SeenSamples().front().segment, position);
    EXPECT_TRUE(c.AllBuffersBack());
}

// Paused after a seek, while the first sample sought is still on its way and the source reads
// on into the queues, the position is the one sought, not the source's: a step taken from it
// moves by one frame, however far the source has read.
TEST(OutputQueue, WhileTheSampleSoughtIsOnItsWayThePositionIsTheOneSought)
{
    QueuedChain c(100);
    Latch release;
    std::atomic<bool> hold{false};
    c.pass->drop_ = [&](int64_t) {
        if (hold.exchange(false))
            release.Wait();
        return false;
    };
    struct Opener {
        Latch& latch;
        ~Opener() { latch.Open(); }
    } opener{release};
    c.PauseWithFullQueues();
    ASSERT_EQ(c.graph.SetTimeFormat(TIME_FORMAT_FRAME), S_OK);
    hold = true;
    int64_t position = 50;
    ASSERT_EQ(c.graph.SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    // Sample 50 held in the in-place filter, 51 to 53 queued before it, 54 waiting for room.
    ASSERT_TRUE(Eventually([&] { return c.Out(*c.convert)->QueuedSamples() == 3; }));
    ASSERT_EQ(c.graph.GetCurrentPosition(position), S_OK);
    EXPECT_EQ(position, 50);
    release.Open();
    FilterState state;
    ASSERT_EQ(c.graph.GetState(5000, state), S_OK);
    ASSERT_EQ(c.graph.GetCurrentPosition(position), S_OK);
    EXPECT_EQ(position, 50);
    c.graph.Stop();
    EXPECT_EQ(c.sink->SeenSamples().size(), 0u) << "paused: nothing rendered";
}

// A flush drops what waits in the queue at once, before the queue's thread is free to hand it on.
TEST(OutputQueue, ABeginFlushDropsWhatIsQueuedAtOnce)
{
    PushFilter push;
    push.buffers_ = 8;
    Converter convert(VideoType(), VideoType(MEDIASUBTYPE_RGB24));
    TestSink sink;
    auto* out = static_cast<OutputPin*>(convert.GetPin(1));
    out->SetOutputQueue(3);
    ASSERT_EQ(push.Output().Connect(*convert.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(out->Connect(*sink.GetPin(0), nullptr), S_OK);
    for (BaseFilter* f :
         {static_cast<BaseFilter*>(&push), static_cast<BaseFilter*>(&convert), static_cast<BaseFilter*>(&sink)})
        f->Pause(); // the paused sink holds the first sample: the queue's thread waits there
    for (int64_t i = 0; i < 4; ++i)
        ASSERT_EQ(push.Push(i), S_OK);
    ASSERT_TRUE(Eventually([&] { return out->QueuedSamples() == 3; }));
    EXPECT_EQ(out->DeliverBeginFlush(), S_OK);
    EXPECT_EQ(out->QueuedSamples(), 0u);
    EXPECT_EQ(out->DeliverEndFlush(), S_OK);
    Halt({&push, &convert, &sink});
    AllocatorProperties props;
    out->Allocator()->GetProperties(props);
    EXPECT_EQ(out->Allocator()->FreeCount(), props.cBuffers) << "every buffer back";
}

TEST(OutputQueue, ARefusalDownstreamStopsTheProducerUntilAFlushAndTheEndStillPasses)
{
    PushFilter push;
    push.buffers_ = 8;
    Converter convert(VideoType(), VideoType(MEDIASUBTYPE_RGB24));
    PassThrough pass;
    TestSink sink;
    pass.failAt_ = 40;
    static_cast<OutputPin*>(convert.GetPin(1))->SetOutputQueue(2);
    ASSERT_EQ(push.Output().Connect(*convert.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(convert.GetPin(1)->Connect(*pass.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(pass.GetPin(1)->Connect(*sink.GetPin(0), nullptr), S_OK);
    Start({&push, &convert, &pass, &sink});
    for (int64_t i = 0; i < 41; ++i)
        ASSERT_EQ(push.Push(i), S_OK) << i; // 40 is refused on the queue's thread
    // The producer hears of it at a later sample; what was queued after it goes nowhere.
    ASSERT_TRUE(Eventually([&] { return push.Push(41) == E_FAIL; }));
    EXPECT_EQ(push.Output().DeliverEndOfStream(), S_OK);
    ASSERT_TRUE(Eventually([&] { return sink.ReachedEndOfStream(); }));
    std::vector<int64_t> seen;
    for (const Seen& s : sink.SeenSamples())
        seen.push_back(s.index);
    EXPECT_EQ(seen, Range(0, 40));
    // A flush forgets the refusal.
    ASSERT_EQ(push.Output().DeliverBeginFlush(), S_OK);
    ASSERT_EQ(push.Output().DeliverEndFlush(), S_OK);
    ASSERT_EQ(push.Push(42), S_OK);
    ASSERT_TRUE(Eventually([&] { return sink.SeenSamples().size() == 41; }));
    EXPECT_EQ(sink.SeenSamples().back().index, 42);
    Halt({&push, &convert, &pass, &sink});
    EXPECT_EQ(static_cast<OutputPin*>(convert.GetPin(1))->QueuedSamples(), 0u);
}

} // namespace
