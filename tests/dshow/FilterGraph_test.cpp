// Run, pause, stop and completion of graphs of mock sources, transforms and renderers.
#include <gtest/gtest.h>

#include "platform/dshow/FilterGraph.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

constexpr REFERENCE_TIME kHour = int64_t{36000} * UNITS;

struct Chain {
    FilterGraph graph;
    std::shared_ptr<TestSource> source;
    std::shared_ptr<PassThrough> pass = std::make_shared<PassThrough>();
    std::shared_ptr<TestSink> sink = std::make_shared<TestSink>();

    explicit Chain(int64_t count = 10, int64_t frameTime = 400000)
        : source(std::make_shared<TestSource>(VideoType(), count, frameTime))
    {
        graph.AddFilter(source, "source");
        graph.AddFilter(pass, "pass");
        graph.AddFilter(sink, "sink");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), pass->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(pass->GetPin(1), sink->GetPin(0)), S_OK);
    }
    std::vector<int64_t> Indexes()
    {
        std::vector<int64_t> out;
        for (const Seen& s : sink->SeenSamples())
            out.push_back(s.index);
        return out;
    }
};

TEST(GraphPause, HoldsExactlyOneSampleAndAnswersIntermediateUntilThen)
{
    Chain c;
    Latch firstSample;
    c.source->Stream()->gate_ = [&](int64_t n) {
        if (n == 0)
            firstSample.Wait();
    };
    EXPECT_EQ(c.graph.Pause(), S_FALSE);
    FilterState state;
    EXPECT_EQ(c.graph.GetState(0, state), VFW_S_STATE_INTERMEDIATE);
    EXPECT_EQ(state, FilterState::Paused);

    firstSample.Open();
    EXPECT_EQ(c.graph.GetState(5000, state), S_OK);
    GraphEvent e;
    ASSERT_TRUE(c.graph.Events().GetEvent(e, 5000));
    EXPECT_EQ(e.code, EC_PAUSED);
    // The renderer holds sample 0 and renders nothing; the producer waits for buffers.
    EXPECT_EQ(c.sink->RenderedCount(), 0u);
    EXPECT_LE(c.source->Stream()->produced_.load(), 1 + c.source->Stream()->buffers_);

    c.graph.SetSyncSource(nullptr);
    ASSERT_EQ(c.graph.Run(), S_OK);
    EXPECT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
    EXPECT_EQ(c.Indexes(), (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    c.graph.Stop();
}

TEST(GraphPause, EndOfStreamCountsAsCuedAndCompletesAtRun)
{
    Chain c(0);
    c.graph.Pause();
    FilterState state;
    EXPECT_EQ(c.graph.GetState(5000, state), S_OK);
    EXPECT_EQ(c.graph.WaitForCompletion(20), EC_NONE); // no completion while paused
    c.graph.Run();
    EXPECT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE); // past the Paused event
    c.graph.Stop();
}

TEST(GraphStop, ReleasesABlockedRendererAndStopsUpstreamFirst)
{
    Chain c;
    std::vector<std::string> order;
    c.pass->onStop_ = [&] { order.push_back("pass"); };
    c.sink->onStop_ = [&] { order.push_back("sink"); };
    c.graph.Pause();
    FilterState state;
    ASSERT_EQ(c.graph.GetState(5000, state), S_OK); // the streaming thread now waits in the renderer
    EXPECT_EQ(c.graph.Stop(), S_OK);
    EXPECT_FALSE(c.source->Stream()->IsRunning());
    EXPECT_EQ(order, (std::vector<std::string>{"pass", "sink"}));
    EXPECT_EQ(c.graph.State(), FilterState::Stopped);
}

TEST(GraphStop, ReleasesARendererWaitingForItsClockAndUnclockedRunsRestartAfterStop)
{
    Chain c(3, kHour);
    c.graph.Run();
    ASSERT_TRUE(Eventually([&] { return c.sink->RenderedCount() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(c.sink->RenderedCount(), 1u); // sample 1 waits for its time
    EXPECT_EQ(c.graph.Stop(), S_OK);
    c.graph.SetSyncSource(nullptr); // unclocked: no sample waits for its time
    for (int round = 0; round < 2; ++round) {
        int64_t zero = 0;
        c.graph.SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
        c.sink->ClearSeen();
        c.graph.Run();
        ASSERT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
        c.graph.Stop();
        EXPECT_EQ(c.Indexes(), (std::vector<int64_t>{0, 1, 2}));
    }
}

// A source whose stream is live until the stop: what it sent was not a whole stream.
TEST(GraphStop, AStreamCutShortByTheStopSendsNoEndOfStream)
{
    class UntilStop : public SourceStream {
    public:
        explicit UntilStop(BaseSource& f) : SourceStream(f, "out") {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT GetMediaType(int position, MediaType& mt) override { return Offer({VideoType()}, position, mt); }
        HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
        {
            return AskBuffers(allocator, request, 2, 64);
        }
        HRESULT FillBuffer(MediaSample&) override
        {
            while (!stopRequested_.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return S_FALSE;
        }
    };
    class LiveSource : public BaseSource {
    public:
        LiveSource() : BaseSource("Live") { AddStream(std::make_unique<UntilStop>(*this)); }
        ~LiveSource() override { RemoveStreams(); }
    };
    FilterGraph graph;
    auto source = std::make_shared<LiveSource>();
    auto capture = std::make_shared<CaptureFilter>();
    graph.AddFilter(source, "source");
    graph.AddFilter(capture, "capture");
    ASSERT_EQ(graph.ConnectDirect(source->GetPin(0), capture->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    graph.Run();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    graph.Stop();
    EXPECT_EQ(capture->endOfStreams_, 0);
}

TEST(GraphRun, CompletesOnlyWhenEveryRendererReachedEndOfStream)
{
    FilterGraph graph;
    auto source = std::make_shared<TestSource>(VideoType(), 5);
    TestStream* slow = source->AddOutput(AudioType(), 20, 200000);
    Latch release;
    slow->gate_ = [&](int64_t n) {
        if (n == 10)
            release.Wait();
    };
    auto video = std::make_shared<TestSink>();
    auto audio = std::make_shared<TestSink>();
    graph.AddFilter(source, "source");
    graph.AddFilter(video, "video");
    graph.AddFilter(audio, "audio");
    graph.ConnectDirect(source->GetPin(0), video->GetPin(0));
    graph.ConnectDirect(source->GetPin(1), audio->GetPin(0));
    graph.SetSyncSource(nullptr);
    graph.Run();
    ASSERT_TRUE(Eventually([&] { return video->ReachedEndOfStream(); }));
    EXPECT_EQ(graph.WaitForCompletion(20), EC_NONE);
    release.Open();
    EXPECT_EQ(graph.WaitForCompletion(5000), EC_COMPLETE);
    EXPECT_EQ(audio->SeenSamples().size(), 20u);
    GraphEvent e;
    while (graph.Events().GetEvent(e, 0))
        EXPECT_NE(e.code, EC_COMPLETE); // raised once
    graph.Stop();
}

TEST(GraphRun, ATransformOrSourceErrorEndsTheWaitWithErrorAbort)
{
    for (bool inSource : {false, true}) {
        SCOPED_TRACE(inSource ? "source" : "transform");
        Chain c(100);
        (inSource ? c.source->Stream()->failAt_ : c.pass->failAt_) = 3;
        c.graph.SetSyncSource(nullptr);
        c.graph.Run();
        int64_t hr = 0;
        EXPECT_EQ(c.graph.WaitForCompletion(5000, &hr), EC_ERRORABORT);
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_EQ(c.graph.Stop(), S_OK);
        EXPECT_EQ(c.sink->SeenSamples().size(), 3u);
    }
}

TEST(GraphRun, ANewRunIsNotEndedByTheLastRunsUntakenCompletion)
{
    Chain c(5);
    c.graph.SetSyncSource(nullptr);
    c.graph.Run();
    ASSERT_TRUE(Eventually([&] { return c.sink->ReachedEndOfStream(); }));
    c.graph.Stop(); // the EC_COMPLETE stays in the queue, untaken
    int64_t zero = 0;
    c.graph.SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    Latch release;
    c.source->Stream()->gate_ = [&](int64_t n) {
        if (n == 2)
            release.Wait();
    };
    c.graph.Run();
    EXPECT_EQ(c.graph.WaitForCompletion(50), EC_NONE);
    release.Open();
    EXPECT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
    c.graph.Stop();
}

// Branches that will never deliver: one whose transform has lost its input, and one ending in
// a transform whose output is unconnected. Neither stalls completion nor aborts the graph.
TEST(GraphRun, DeadBranchesAndUnconnectedTransformsNeitherStallNorAbort)
{
    Chain c;
    auto orphan = std::make_shared<PassThrough>("orphan");
    auto orphanSink = std::make_shared<TestSink>();
    auto feeder = std::make_shared<PushFilter>();
    auto converter = std::make_shared<Converter>(MediaType(MEDIATYPE_Audio, GUID_NULL), VideoType(MEDIASUBTYPE_RGB24));
    c.graph.AddFilter(orphan, "orphan");
    c.graph.AddFilter(orphanSink, "orphan sink");
    c.graph.AddFilter(feeder, "feeder");
    c.graph.AddFilter(converter, "acm1");
    ASSERT_EQ(c.graph.ConnectDirect(feeder->GetPin(0), orphan->GetPin(0)), S_OK);
    ASSERT_EQ(c.graph.ConnectDirect(orphan->GetPin(1), orphanSink->GetPin(0)), S_OK);
    ASSERT_EQ(c.graph.Disconnect(orphan->GetPin(0)), S_OK);
    TestStream* sound = c.source->AddOutput(AudioType(), 10, 400000);
    ASSERT_EQ(c.graph.ConnectDirect(sound, converter->GetPin(0)), S_OK);
    c.graph.SetSyncSource(nullptr);
    c.graph.Run();
    EXPECT_EQ(c.graph.WaitForCompletion(5000), EC_COMPLETE);
    EXPECT_TRUE(orphanSink->ReachedEndOfStream());
    ASSERT_TRUE(Eventually([&] { return sound->produced_.load() == 10; }));
    c.graph.Stop();
    GraphEvent e;
    while (c.graph.Events().GetEvent(e, 0))
        EXPECT_NE(e.code, EC_ERRORABORT);
}

TEST(GraphMembership, NamesAreMadeUniqueAndRemovalDisconnects)
{
    Chain c;
    auto other = std::make_shared<TestSink>();
    EXPECT_EQ(c.graph.AddFilter(other, "sink"), VFW_S_DUPLICATE_NAME_ADJUSTED);
    EXPECT_EQ(c.graph.FindFilterByName("sink 0001"), other);
    FilterGraph second;
    EXPECT_EQ(second.AddFilter(other, "x"), E_INVALIDARG); // one graph at a time
    EXPECT_EQ(c.graph.RemoveFilter(c.pass.get()), S_OK);
    EXPECT_FALSE(c.source->GetPin(0)->IsConnected());
    EXPECT_FALSE(c.sink->GetPin(0)->IsConnected());
    EXPECT_EQ(c.graph.ConnectDirect(c.source->GetPin(0), c.pass->GetPin(0)), VFW_E_NOT_IN_GRAPH);
    EXPECT_EQ(c.graph.ConnectDirect(c.sink->GetPin(0), c.source->GetPin(0)), S_OK); // put in order
}

TEST(GraphClock, StreamTimeGoesOnAfterAPauseInsteadOfStartingAgain)
{
    Chain c(3, kHour);
    HandClock clock;
    c.graph.SetSyncSource(&clock);
    c.graph.Run();
    ASSERT_TRUE(Eventually([&] { return c.sink->RenderedCount() == 1; }));
    clock.now = kHour / 2;
    c.graph.Pause(); // half an hour into the stream
    clock.now = 10 * kHour;
    c.graph.Run();
    clock.now = 10 * kHour + kHour / 2 - 1; // just before sample 1's time on the resumed run
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(c.sink->RenderedCount(), 1u);
    clock.now = 10 * kHour + kHour / 2;
    EXPECT_TRUE(Eventually([&] { return c.sink->RenderedCount() == 2; }));
    c.graph.Stop();
}

// A renderer offering a clock of its own, as an audio renderer playing on a device does.
class ClockedSink : public TestSink, public ClockProvider {
public:
    ReferenceClock* ProvidedClock() override { return offering ? &clock : nullptr; }
    HandClock clock;
    bool offering = true;
};

TEST(GraphClock, APauseTakesTheClockARendererOffersUnlessTheApplicationChoseOne)
{
    struct Case {
        bool offering;
        bool chooseNone; // SetSyncSource(nullptr) before the pause
    };
    for (Case k : {Case{true, false}, Case{false, false}, Case{true, true}}) {
        FilterGraph graph;
        auto source = std::make_shared<TestSource>();
        auto sink = std::make_shared<ClockedSink>();
        sink->offering = k.offering;
        graph.AddFilter(source, "source");
        graph.AddFilter(sink, "sink");
        ASSERT_EQ(graph.ConnectDirect(source->GetPin(0), sink->GetPin(0)), S_OK);
        if (k.chooseNone)
            graph.SetSyncSource(nullptr);
        EXPECT_EQ(graph.GetSyncSource(), k.chooseNone ? nullptr : &graph.DefaultClock());
        graph.Pause();
        ReferenceClock* expected = k.chooseNone ? nullptr : k.offering ? &sink->clock : &graph.DefaultClock();
        EXPECT_EQ(graph.GetSyncSource(), expected);
        EXPECT_EQ(source->SyncSource(), expected); // every filter follows the graph's clock
        graph.Stop();
        // The clock leaves with the filter that provides it.
        graph.RemoveFilter(sink.get());
        EXPECT_EQ(graph.GetSyncSource(), k.chooseNone ? nullptr : &graph.DefaultClock());
        EXPECT_EQ(source->SyncSource(), graph.GetSyncSource());
        EXPECT_EQ(sink->SyncSource(), nullptr);
    }
}

TEST(EventSink, RepaintReachesTheApplicationOnlyAfterCancellingDefaultHandling)
{
    EventSink sink;
    int heard = 0;
    sink.SetListener([&](const GraphEvent&) { ++heard; });
    sink.Post({EC_REPAINT, 0, 0});
    EXPECT_EQ(heard, 0);
    sink.CancelDefaultHandling(EC_REPAINT);
    sink.Post({EC_REPAINT, 0, 0});
    EXPECT_EQ(heard, 1);
    GraphEvent e;
    ASSERT_TRUE(sink.GetEvent(e, 0));
    EXPECT_EQ(e.code, EC_REPAINT);
}

TEST(EventSink, AnUnreadQueueStaysBounded)
{
    EventSink sink;
    for (int i = 0; i < 5000; ++i)
        sink.Post({EC_PAUSED, i, 0});
    GraphEvent e;
    ASSERT_TRUE(sink.GetEvent(e, 0));
    EXPECT_EQ(e.param1, 5000 - static_cast<int64_t>(EventSink::kMaxQueued));
}

} // namespace

namespace {

// A splitter in miniature: its output pins exist only while its input is connected.
class PinDropper : public BaseFilter {
public:
    class In : public InputPin {
    public:
        explicit In(PinDropper& f) : InputPin(f, "in"), f_(f) {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT CompleteConnect(Pin& peer) override
        {
            for (int i = 0; i < 2; ++i)
                f_.outs_.push_back(std::make_unique<Out>(f_));
            return InputPin::CompleteConnect(peer);
        }
        HRESULT BreakConnect() override
        {
            for (auto& out : f_.outs_)
                out->Disconnect();
            f_.outs_.clear();
            return InputPin::BreakConnect();
        }

    private:
        PinDropper& f_;
    };
    class Out : public OutputPin {
    public:
        explicit Out(PinDropper& f) : OutputPin(f, "out") {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT GetMediaType(int position, MediaType& mt) override { return Offer({VideoType()}, position, mt); }
        HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
        {
            return AskBuffers(allocator, request, 1, 64);
        }
    };

    PinDropper() : BaseFilter("Pin Dropper"), in_(*this) {}
    ~PinDropper() override { in_.Disconnect(); }
    int GetPinCount() override { return 1 + static_cast<int>(outs_.size()); }
    Pin* GetPin(int i) override
    {
        return i == 0 ? static_cast<Pin*>(&in_) : i <= static_cast<int>(outs_.size()) ? outs_[i - 1].get() : nullptr;
    }

private:
    In in_;
    std::vector<std::unique_ptr<Out>> outs_;
};

} // namespace

// Removing a filter (or clearing the graph) that drops pins as its input goes: each pin is
// disconnected from a fresh list, never from one the filter has emptied meanwhile.
TEST(GraphMembership, AFilterThatDropsPinsOnDisconnectionIsRemovedCleanly)
{
    for (bool clear : {false, true}) {
        FilterGraph graph;
        auto source = std::make_shared<TestSource>();
        auto dropper = std::make_shared<PinDropper>();
        auto sink = std::make_shared<TestSink>(), other = std::make_shared<TestSink>();
        graph.AddFilter(source, "source");
        graph.AddFilter(dropper, "dropper");
        graph.AddFilter(sink, "sink");
        graph.AddFilter(other, "other");
        ASSERT_EQ(graph.ConnectDirect(source->GetPin(0), dropper->GetPin(0)), S_OK);
        ASSERT_EQ(dropper->GetPinCount(), 3);
        ASSERT_EQ(graph.ConnectDirect(dropper->GetPin(1), other->GetPin(0)), S_OK);
        ASSERT_EQ(graph.ConnectDirect(dropper->GetPin(2), sink->GetPin(0)), S_OK);
        if (clear)
            graph.Clear();
        else
            EXPECT_EQ(graph.RemoveFilter(dropper.get()), S_OK);
        EXPECT_EQ(dropper->GetPinCount(), 1);
        EXPECT_FALSE(source->GetPin(0)->IsConnected());
        EXPECT_FALSE(sink->GetPin(0)->IsConnected());
        EXPECT_FALSE(other->GetPin(0)->IsConnected());
    }
}
