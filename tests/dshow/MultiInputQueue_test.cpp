// Multi-input flow: a two-input mock muxer on MultiInputQueue, fed by two producer threads.
#include <gtest/gtest.h>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/MultiInputQueue.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

// Inputs [in0, in1], output last; delivers in time order, ends when both inputs ended.
class TestMux : public BaseFilter {
public:
    class In : public InputPin {
    public:
        In(TestMux& mux, int index) : InputPin(mux, "in" + std::to_string(index)), mux_(mux), index_(index) {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT Receive(const SamplePtr& s) override
        {
            HRESULT hr = CheckStreaming();
            if (hr != S_OK)
                return hr;
            return mux_.queue_.Push(index_, s);
        }
        HRESULT EndOfStream() override
        {
            HRESULT hr = InputPin::EndOfStream();
            if (hr != S_OK)
                return hr;
            mux_.queue_.EndOfStream(index_);
            if (mux_.queue_.AllEnded() && !mux_.ended_.exchange(true))
                mux_.out_.DeliverEndOfStream();
            return S_OK;
        }
        void BeginStop() override
        {
            InputPin::BeginStop();
            mux_.queue_.Unblock();
        }

    private:
        TestMux& mux_;
        int index_;
    };
    class Out : public OutputPin {
    public:
        explicit Out(TestMux& mux) : OutputPin(mux, "out") {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT GetMediaType(int position, MediaType& mt) override
        {
            return Offer({MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Avi)}, position, mt);
        }
    };

    explicit TestMux(size_t limit) : BaseFilter("Test Mux"), in0_(*this, 0), in1_(*this, 1), out_(*this), limit_(limit)
    {
        queue_.SetProcess([this](int index, const SamplePtr& s) {
            order_.push_back({index, s->StartTime()});
            return out_.Deliver(s);
        });
    }
    ~TestMux() override
    {
        in0_.Disconnect();
        in1_.Disconnect();
        out_.Disconnect();
    }
    int GetPinCount() override { return 3; }
    Pin* GetPin(int i) override
    {
        Pin* pins[] = {&in0_, &in1_, &out_};
        return i >= 0 && i < 3 ? pins[i] : nullptr;
    }
    HRESULT Pause() override
    {
        if (State() == FilterState::Stopped) {
            queue_.Reset(2, limit_);
            ended_ = false;
            order_.clear();
        }
        return BaseFilter::Pause();
    }

    MultiInputQueue queue_;
    std::vector<std::pair<int, REFERENCE_TIME>> order_; // written under the queue's process serialisation
    std::atomic<bool> ended_{false};

private:
    In in0_, in1_;
    Out out_;
    size_t limit_;
};

bool InTimeOrder(const std::vector<std::pair<int, REFERENCE_TIME>>& order)
{
    for (size_t i = 1; i < order.size(); ++i)
        if (order[i].second < order[i - 1].second)
            return false;
    return true;
}

TEST(MultiInputQueue, NeverBlocksAThreadThatFeedsTheLaggingInputItself)
{
    MultiInputQueue q;
    q.SetProcess([](int, const SamplePtr&) { return S_OK; });
    q.Reset(2, 1);
    auto at = [](REFERENCE_TIME t) {
        auto s = std::make_shared<MediaSample>(8);
        s->SetTime(t, t + 1);
        return s;
    };
    q.Push(1, at(0));  // this thread feeds input 1 as well
    q.Push(0, at(10)); // input 1's sample goes out; input 1 is empty now
    for (int i = 2; i <= 5; ++i)
        EXPECT_EQ(q.Push(0, at(10 * i)), S_OK);
    EXPECT_GE(q.Queued(0), 4u);
    q.Unblock();
    EXPECT_EQ(q.Push(0, at(60)), S_FALSE);
}

// Two outputs of one source, each on its own streaming thread, into the mock muxer.
struct TwoThreadGraph {
    FilterGraph graph;
    std::shared_ptr<TestSource> source;
    std::shared_ptr<TestMux> mux;
    std::shared_ptr<TestSink> sink = std::make_shared<TestSink>();

    TwoThreadGraph(int64_t frames, int64_t blocks, REFERENCE_TIME blockTime, size_t limit)
        : source(std::make_shared<TestSource>(VideoType(), frames, 400000)), mux(std::make_shared<TestMux>(limit))
    {
        source->AddOutput(AudioType(), blocks, blockTime);
        graph.AddFilter(source, "source");
        graph.AddFilter(mux, "mux");
        graph.AddFilter(sink, "writer");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), mux->GetPin(0)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(1), mux->GetPin(1)), S_OK);
        EXPECT_EQ(graph.ConnectDirect(mux->GetPin(2), sink->GetPin(0)), S_OK);
        graph.SetSyncSource(nullptr);
    }
};

TEST(MultiInputGraph, TwoProducerThreadsFlowWithoutDeadlockInBoundedMemory)
{
    TwoThreadGraph g(300, 600, 200000, 6);
    // The sound thread is made slow at times, so the picture runs ahead and must wait.
    g.source->Stream(1)->gate_ = [](int64_t n) {
        if (n % 50 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    g.graph.Run();
    ASSERT_EQ(g.graph.WaitForCompletion(10000), EC_COMPLETE);
    g.graph.Stop();
    EXPECT_EQ(g.sink->SeenSamples().size(), 900u);
    EXPECT_TRUE(InTimeOrder(g.mux->order_));
    EXPECT_LE(g.mux->queue_.MaxQueuedSeen(), 6u);
}

TEST(MultiInputGraph, StopReleasesAProducerBlockedInTheMuxer)
{
    TwoThreadGraph g(1000, 1000, 400000, 3);
    Latch never;
    g.source->Stream(1)->gate_ = [&](int64_t n) {
        if (n == 1)
            never.Wait();
    };
    g.graph.Run();
    ASSERT_TRUE(Eventually([&] { return g.mux->queue_.Queued(0) >= 3; }));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        never.Open(); // the sound thread is in its gate, outside the graph's reach
    });
    EXPECT_EQ(g.graph.Stop(), S_OK);
    opener.join();
    EXPECT_FALSE(g.source->Stream(0)->IsRunning());
}

} // namespace
