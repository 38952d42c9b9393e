#pragma once
// OrderedWorkers: a codec filter's frames worked on side by side, each on one of a few threads
// of the filter's own, and finished (handed on) strictly in the order they were given, each as
// soon as it and those before it are done. No frame waits for a later one, so a graph whose
// other branch runs on the same upstream thread (the sound of a type-1 file) never waits on
// frames held back here.
//
// The filter keeps each job's data in its own arrays, indexed by the job slot. Its streaming
// thread reserves the next slot (waiting while all are taken), fills it and submits it, to be
// worked on or as it stands; `work` runs on a worker thread, `finish` in order, one at a time,
// on the thread that completed the job or the one that submitted it.
//
//   workers.Start(4, 6, [](int job, int worker) { return Decode(job, worker); },
//                 [](int job, bool worked, bool give) { return give && worked ? Deliver(job) : S_OK; });
//   int job = workers.Reserve(); /* fill job */ workers.Submit(job, true);
//   workers.Drain(); // end of stream: everything handed on
//
// A job finished with `give` false is only to be let go: the stream is flushing, stopping, or a
// job before it was refused downstream (then every later call answers with that refusal until
// Restart). Flush: BeginFlush wakes a waiting caller and stops the handing on; EndFlush waits
// until no worker is busy and forgets every job (the filter drops their data). Stop: BeginStop
// wakes everyone, WaitIdle waits for the workers to let go, Stop joins them.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/Result.h"

namespace ds {

class OrderedWorkers {
public:
    using WorkFn = std::function<bool(int job, int worker)>;
    using FinishFn = std::function<HRESULT(int job, bool worked, bool give)>;

    OrderedWorkers() = default;
    OrderedWorkers(const OrderedWorkers&) = delete;
    OrderedWorkers& operator=(const OrderedWorkers&) = delete;
    ~OrderedWorkers(); // Stop

    void Start(int workers, int jobs, WorkFn work, FinishFn finish);
    void Stop();
    bool Running() const { return !threads_.empty(); }

    // The caller's side, one thread at a time.
    int Reserve(); // the next slot in order; -1 (see Answer) while flushing or stopping
    HRESULT Submit(int job, bool work);
    // Runs `change(job)` under the lock on the newest job when it is not yet being finished; its
    // result, or false.
    template <class F> bool ChangeNewest(F change)
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (count_ == 0 || At(count_ - 1).state >= State::Finishing)
            return false;
        return change(Index(count_ - 1));
    }
    HRESULT Drain();  // waits until every job is finished; Answer
    HRESULT Answer(); // S_FALSE flushing, VFW_E_WRONG_STATE stopping, a refusal, or S_OK
    void Restart();   // forgets a refusal; after Drain or EndFlush

    void BeginFlush();
    void EndFlush();
    void BeginStop();
    void WaitIdle();

private:
    enum class State { Reserved, Waiting, Working, Worked, Failed, Finishing };
    struct Job {
        State state = State::Reserved;
    };
    int Index(size_t i) const { return static_cast<int>((head_ + i) % jobs_.size()); }
    Job& At(size_t i) { return jobs_[static_cast<size_t>(Index(i))]; }
    void Work(int worker);
    void FinishReady(std::unique_lock<std::mutex>& guard);
    HRESULT AnswerLocked() const;
    bool Blocked() const { return stopping_ || flushing_; }

    WorkFn work_;
    FinishFn finish_;
    std::vector<std::thread> threads_;

    mutable std::mutex lock_;         // guards everything below
    std::condition_variable waiting_; // a job waits for a worker, or the workers must go
    std::condition_variable changed_; // a job was finished, or the workers fell idle: for the caller
    std::vector<Job> jobs_;           // a ring, in order
    size_t head_ = 0, count_ = 0;
    int working_ = 0;
    bool finishing_ = false; // a thread is finishing jobs
    bool stopping_ = false, flushing_ = false, quit_ = false;
    HRESULT refused_ = S_OK;
};

} // namespace ds
