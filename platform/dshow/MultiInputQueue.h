#pragma once
// Queues for a filter with several inputs that must combine them in order (a muxer).
//
// Each input's Receive calls Push; the owner's Pick decides which queued sample is handled next
// (or none yet) and Process handles it, serialised, on whichever streaming thread pushed last.
// A producer is blocked only when its input is ahead (holds `limit` samples) and an input that
// is lagging (empty, not ended) is fed by another thread: so a graph where one thread feeds every
// input (type 1: the DV Splitter delivers video then sound in one call) never blocks, and a graph
// with a thread per input (type 2: one per AVI Splitter output) flows in bounded memory.
// An input that has not received anything yet has no known feeder: the queue ahead of it grows
// until it is fed or ends. EndOfStream, BeginFlush and Unblock (graph stop) wake blocked producers.
//
//   queue.Reset(2, 8);                                      // at Pause from Stopped
//   HRESULT VideoPin::Receive(s) { return mux.queue.Push(0, s); }
//   Pick: default picks the earliest start time once every live input has a sample.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/MediaSample.h"

namespace ds {

class MultiInputQueue {
public:
    struct Input {
        std::deque<SamplePtr> queue;
        bool ended = false;
        bool fed = false;
        std::thread::id feeder;
    };
    // Returns the input whose front sample goes next, or -1 to wait for more. Called with the queue
    // lock held; must not block.
    using PickFn = std::function<int(const std::vector<Input>& inputs)>;
    // Handles one sample. Called without the queue lock, one call at a time; a failure is kept and
    // returned to every later Push until Reset or EndFlush.
    using ProcessFn = std::function<HRESULT(int index, const SamplePtr& sample)>;

    MultiInputQueue(PickFn pick, ProcessFn process);
    MultiInputQueue(); // picks by earliest start time; set Process before use
    void SetProcess(ProcessFn process) { process_ = std::move(process); }

    void Reset(int inputs, size_t limit);
    HRESULT Push(int index, const SamplePtr& sample);
    HRESULT EndOfStream(int index);
    // A flush reaches each input: the first BeginFlush drops every queued sample and wakes the
    // producers, and Push fails until the matching last EndFlush, which first runs `whileIdle`
    // with no Process in flight (the owner resets its streaming state there). Each returns true
    // when it was that first or last call: the owner passes the flush downstream once.
    bool BeginFlush();
    bool EndFlush(const std::function<void()>& whileIdle = nullptr);
    bool Flushing() const; // between the first BeginFlush and the last EndFlush
    void Unblock();        // graph stop: wake producers, Push fails from now on until Reset
    bool AllEnded() const;
    // True when input `index` has ended and each sample it queued is handled: none waits, none is
    // in Process. Samples a flush dropped or a refused Push never count.
    bool InputDone(int index) const;
    size_t Queued(int index) const;
    size_t MaxQueuedSeen() const; // high-water mark over all inputs, for tests

    // The default pick: earliest start time among the fronts, once every input that has not ended
    // has a sample queued.
    static int PickEarliest(const std::vector<Input>& inputs);

private:
    bool MustWait(int index) const;
    HRESULT Drain();

    PickFn pick_;
    ProcessFn process_;
    mutable std::mutex lock_; // guards inputs_, limit_, blocked_, maxSeen_, lastError_, processing_, flushes_
    std::condition_variable changed_;
    std::vector<Input> inputs_;
    size_t limit_ = 8;
    bool blocked_ = false; // flushing or stopping: Push fails
    size_t maxSeen_ = 0;
    HRESULT lastError_ = S_OK;
    int processing_ = -1;    // input whose sample is in Process, -1 when none
    int flushes_ = 0;        // inputs between BeginFlush and EndFlush
    std::mutex processLock_; // serialises Process
};

} // namespace ds
