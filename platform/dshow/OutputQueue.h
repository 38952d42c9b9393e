#pragma once
// OutputQueue: an output pin's deliveries through a bounded queue served by a thread of its own,
// so that a filter works on its next sample while the filters downstream work on this one.
//
// Samples, end of stream and new segments go downstream in the order given, on the queue's
// thread; the producer waits while `depth` items are queued. A flush passes at once: BeginFlush
// drops what is queued, wakes a waiting producer and passes the flush downstream (which wakes the
// queue's thread if it is blocked there); EndFlush waits until the thread holds nothing, then
// passes it on. A sample refused downstream (S_FALSE or a failure) makes the queue refuse the
// producer's next samples with the same answer, and drop those queued after it, until a flush or
// a new start. Stop in two steps, as the graph stops: BeginStop drops everything and wakes both
// sides, Join joins the thread.
//
//   queue.Start(downstream);          // at pause, from stopped
//   queue.Receive(sample);            // the streaming thread, instead of downstream->Receive
//   queue.BeginStop(); queue.Join();  // graph stop
//
// Start and Join run on the controlling thread while no streaming thread runs; the other calls
// come from any thread.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/MediaSample.h"
#include "platform/dshow/Result.h"

namespace ds {

class InputPin;

class OutputQueue {
public:
    explicit OutputQueue(int depth);
    OutputQueue(const OutputQueue&) = delete;
    OutputQueue& operator=(const OutputQueue&) = delete;
    ~OutputQueue(); // stops and joins

    int Depth() const { return depth_; }
    void Start(InputPin& downstream);
    void BeginStop();
    void Join();

    HRESULT Receive(const SamplePtr& sample); // S_FALSE while flushing, VFW_E_WRONG_STATE once stopping
    HRESULT EndOfStream();
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    HRESULT BeginFlush();
    HRESULT EndFlush();

    size_t Queued() const; // for tests

private:
    enum class Kind : uint8_t { Sample, EndOfStream, NewSegment };
    struct Item {
        Kind kind = Kind::Sample;
        SamplePtr sample;
        REFERENCE_TIME start = 0, stop = 0;
        double rate = 1.0;
    };
    HRESULT Put(Item item);
    void DropQueued(); // under lock_
    void ThreadProc();

    const int depth_;
    InputPin* downstream_ = nullptr; // set by Start while no thread runs

    mutable std::mutex lock_; // guards everything below
    std::condition_variable room_, work_, idle_;
    std::vector<Item> ring_; // depth_ items, made once
    size_t head_ = 0, count_ = 0;
    bool stopping_ = true;
    bool flushing_ = false;
    bool busy_ = false;      // the thread is handing an item downstream
    HRESULT refused_ = S_OK; // the answer to a refused sample, kept until a flush or a start
    std::thread thread_;
};

} // namespace ds
