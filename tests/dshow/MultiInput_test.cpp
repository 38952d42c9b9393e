// Multi-input flow: a two-input mock muxer on MultiInputQueue, fed by one thread or by two.
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
        HRESULT Receive(const SamplePtr& s) override {
            HRESULT hr = CheckStreaming();
            if (hr != S_OK) return hr;
            return mux_.queue_.Push(index_, s);
        }
        HRESULT EndOfStream() override {
            HRESULT hr = InputPin::EndOfStream();
            if (hr != S_OK) return hr;
            mux_.queue_.EndOfStream(index_);
            if (mux_.queue_.AllEnded() && !mux_.ended_.exchange(true)) mux_.out_.DeliverEndOfStream();
            return S_OK;
        }
        void BeginStop() override {
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
        HRESULT GetMediaType(int position, MediaType& mt) override {
            if (position != 0) return VFW_S_NO_MORE_ITEMS;
            mt = MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Avi);
            return S_OK;
        }
    };

    explicit TestMux(size_t limit) : BaseFilter("Test Mux"), in0_(*this, 0), in1_(*this, 1), out_(*this), limit_(limit) {
        queue_.SetProcess([this](int index, const SamplePtr& s) {
            order_.push_back({index, s->StartTime()});
            return out_.Deliver(s);
        });
    }
    ~TestMux() override {
        in0_.Disconnect();
        in1_.Disconnect();
        out_.Disconnect();
    }
    int GetPinCount() override { return 3; }
    Pin* GetPin(int i) override {
        Pin* pins[] = {&in0_, &in1_, &out_};
        return i >= 0 && i < 3 ? pins[i] : nullptr;
    }
    HRESULT Pause() override {
        if (State() == FilterState::Stopped) {
            queue_.Reset(2, limit_);
            ended_ = false;
            order_.clear();
        }
        return BaseFilter::Pause();
    }

    MultiInputQueue queue_;
    std::vector<std::pair<int, REFERENCE_TIME>> order_;  // written under the queue's process serialisation
    std::atomic<bool> ended_{false};

private:
    In in0_, in1_;
    Out out_;
    size_t limit_;
};

// One input, two outputs fed from the same thread in one call, like a DV splitter: the sample
// goes to out0, and every other sample a copy goes to out1 twice (two half-length blocks).
class OneThreadSplitter : public TBCTransInPlaceFilter {
public:
    OneThreadSplitter() : TBCTransInPlaceFilter("Splitter"), second_(*this, "second") {}
    ~OneThreadSplitter() override { second_.Disconnect(); }
    int GetPinCount() override { return 3; }
    Pin* GetPin(int i) override { return i == 2 ? &second_ : TBCTransInPlaceFilter::GetPin(i); }
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(MediaSample&) override { return S_OK; }
    HRESULT Receive(const SamplePtr& s) override {
        HRESULT hr = Output()->Deliver(s);
        if (hr != S_OK) return hr;
        if (s->StartTime() % 800000 == 0) {
            for (int half = 0; half < 2; ++half) {
                auto copy = std::make_shared<MediaSample>(16);
                copy->SetTime(s->StartTime() + half * 400000, s->StartTime() + (half + 1) * 400000);
                if ((hr = second_.Deliver(copy)) != S_OK) return hr;
            }
        }
        return S_OK;
    }
    class Second : public OutputPin {
    public:
        Second(OneThreadSplitter& f, std::string name) : OutputPin(f, std::move(name)) {}
        HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
        HRESULT GetMediaType(int position, MediaType& mt) override {
            if (position != 0) return VFW_S_NO_MORE_ITEMS;
            mt = AudioType();
            return S_OK;
        }
    };
    HRESULT EndOfStreamBoth() { return second_.DeliverEndOfStream(); }
    Second second_;
};

bool InTimeOrder(const std::vector<std::pair<int, REFERENCE_TIME>>& order) {
    for (size_t i = 1; i < order.size(); ++i)
        if (order[i].second < order[i - 1].second) return false;
    return true;
}

} // namespace

TEST(MultiInputQueue, BlocksAProducerThatIsAheadOfAnInputFedByAnotherThread) {
    std::vector<int> processed;
    MultiInputQueue q;
    q.SetProcess([&](int index, const SamplePtr&) {
        processed.push_back(index);
        return S_OK;
    });
    q.Reset(2, 2);
    auto at = [](REFERENCE_TIME t) {
        auto s = std::make_shared<MediaSample>(8);
        s->SetTime(t, t + 1);
        return s;
    };
    // The sound thread stays alive throughout: a finished thread's id may be given to the next one.
    Latch fedOnce, feedAgain;
    std::thread audio([&] {
        q.Push(1, at(0));
        fedOnce.Open();
        feedAgain.Wait();
        q.Push(1, at(15));
    });
    fedOnce.Wait();
    q.Push(0, at(10));  // the sound at 0 goes out; input 1, fed by another thread, is empty now
    ASSERT_EQ(q.Queued(1), 0u);
    q.Push(0, at(20));
    std::atomic<bool> third{false};
    std::thread video([&] {
        q.Push(0, at(30));
        third = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(third.load());  // ahead by the limit: it waits
    feedAgain.Open();
    audio.join();
    video.join();
    EXPECT_TRUE(third.load());
    EXPECT_LE(q.MaxQueuedSeen(), 2u);
}

TEST(MultiInputQueue, NeverBlocksAThreadThatFeedsTheLaggingInputItself) {
    MultiInputQueue q;
    q.SetProcess([](int, const SamplePtr&) { return S_OK; });
    q.Reset(2, 1);
    auto at = [](REFERENCE_TIME t) {
        auto s = std::make_shared<MediaSample>(8);
        s->SetTime(t, t + 1);
        return s;
    };
    q.Push(1, at(0));   // this thread feeds input 1 as well
    q.Push(0, at(10));  // input 1's sample goes out; input 1 is empty now
    for (int i = 2; i <= 5; ++i) EXPECT_EQ(q.Push(0, at(10 * i)), S_OK);
    EXPECT_GE(q.Queued(0), 4u);
    q.Unblock();
    EXPECT_EQ(q.Push(0, at(60)), S_FALSE);
}

TEST(MultiInputGraph, TwoProducerThreadsFlowWithoutDeadlockInBoundedMemory) {
    FilterGraph graph;
    auto source = std::make_shared<TestSource>(VideoType(), 300, 400000);
    source->AddOutput(AudioType(), 600, 200000);
    // The sound thread is made slow at times, so the picture runs ahead and must wait.
    source->Stream(1)->gate_ = [](int64_t n) {
        if (n % 50 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    auto mux = std::make_shared<TestMux>(6);
    auto sink = std::make_shared<TestSink>();
    graph.AddFilter(source, "source");
    graph.AddFilter(mux, "mux");
    graph.AddFilter(sink, "writer");
    ASSERT_EQ(graph.ConnectDirect(source->GetPin(0), mux->GetPin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(source->GetPin(1), mux->GetPin(1)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(mux->GetPin(2), sink->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    graph.Run();
    ASSERT_EQ(graph.WaitForCompletion(10000), EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(sink->SeenSamples().size(), 900u);
    EXPECT_TRUE(InTimeOrder(mux->order_));
    EXPECT_LE(mux->queue_.MaxQueuedSeen(), 6u);
}

TEST(MultiInputGraph, OneThreadFeedingBothInputsFlowsEvenWithATinyLimit) {
    FilterGraph graph;
    auto source = std::make_shared<TestSource>(VideoType(), 200, 400000);
    auto split = std::make_shared<OneThreadSplitter>();
    auto mux = std::make_shared<TestMux>(1);
    auto sink = std::make_shared<TestSink>();
    graph.AddFilter(source, "source");
    graph.AddFilter(split, "split");
    graph.AddFilter(mux, "mux");
    graph.AddFilter(sink, "writer");
    ASSERT_EQ(graph.ConnectDirect(source->GetPin(0), split->GetPin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(split->GetPin(1), mux->GetPin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(split->GetPin(2), mux->GetPin(1)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(mux->GetPin(2), sink->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    graph.Run();
    // The splitter passes end of stream on its first output only; end the second by hand.
    ASSERT_TRUE(Eventually([&] { return mux->GetPin(0)->IsConnected() && static_cast<InputPin*>(mux->GetPin(0))->IsEndOfStream(); }));
    split->EndOfStreamBoth();
    ASSERT_EQ(graph.WaitForCompletion(10000), EC_COMPLETE);
    graph.Stop();
    EXPECT_EQ(sink->SeenSamples().size(), 400u);
    EXPECT_TRUE(InTimeOrder(mux->order_));
}

TEST(MultiInputGraph, StopReleasesAProducerBlockedInTheMuxer) {
    FilterGraph graph;
    auto source = std::make_shared<TestSource>(VideoType(), 1000, 400000);
    source->AddOutput(AudioType(), 1000, 400000);
    Latch never;
    source->Stream(1)->gate_ = [&](int64_t n) {
        if (n == 1) never.Wait();
    };
    auto mux = std::make_shared<TestMux>(3);
    auto sink = std::make_shared<TestSink>();
    graph.AddFilter(source, "source");
    graph.AddFilter(mux, "mux");
    graph.AddFilter(sink, "writer");
    graph.ConnectDirect(source->GetPin(0), mux->GetPin(0));
    graph.ConnectDirect(source->GetPin(1), mux->GetPin(1));
    graph.ConnectDirect(mux->GetPin(2), sink->GetPin(0));
    graph.SetSyncSource(nullptr);
    graph.Run();
    ASSERT_TRUE(Eventually([&] { return mux->queue_.Queued(0) >= 3; }));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        never.Open();  // the sound thread is in its gate, outside the graph's reach
    });
    EXPECT_EQ(graph.Stop(), S_OK);
    opener.join();
    EXPECT_FALSE(source->Stream(0)->IsRunning());
}
