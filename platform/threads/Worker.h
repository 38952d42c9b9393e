#pragma once
// A worker thread with a queue and an idle state, in place of a thread that suspends itself when
// its queue is empty and is resumed by whoever queues work.
//
//   threads::Worker list([](std::function<void()>& job) { job(); });
//   list.SetOnIdle([] { threads::PostToGui(...); });  // called on the worker when it runs dry
//   list.Post([=] { AddFile(name); });                // wakes it
//   list.Clear();                                     // drops what is queued (Esc)
//   list.WaitIdle(1000);                              // e.g. at shut-down
//
// The thread starts at construction and is joined by the destructor (after the current job);
// jobs still queued then are dropped.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace threads {

class Worker {
public:
    using Job = std::function<void()>;

    Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker();

    void Post(Job job);
    void Clear();
    bool IsIdle() const;          // nothing queued and no job running
    bool WaitIdle(int timeoutMs); // negative: forever; false on time-out
    size_t Pending() const;
    // Called on the worker thread each time it turns idle after work.
    void SetOnIdle(std::function<void()> onIdle);
    bool IsWorkerThread() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void Loop();

    mutable std::mutex lock_; // guards queue_, busy_, stop_, onIdle_
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> queue_;
    bool busy_ = false;
    bool stop_ = false;
    std::function<void()> onIdle_;
    std::thread thread_; // last: started once the fields above exist
};

} // namespace threads
