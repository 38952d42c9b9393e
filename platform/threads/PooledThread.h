#pragma once
// A thread for a job that starts and ends often, as a filter's streaming thread does at every
// pause and stop: the job runs on an idle thread of a process-wide pool (a new thread only when
// none is idle), and the thread waits for the next job instead of ending. Creating and ending a
// thread cost more than the probe's whole pause.
//
//   threads::PooledThread t([this] { Loop(); });
//   ...
//   t.join(); // the job has returned, and everything it did is visible here
//
// Used like std::thread, with one difference: destroying or replacing a joinable one joins it.
// A job must not wait for a later job: a pooled thread runs one job at a time.
#include <functional>
#include <memory>

namespace threads {

class PooledThread {
public:
    PooledThread() = default;
    explicit PooledThread(std::function<void()> job);
    PooledThread(PooledThread&& other) noexcept = default;
    PooledThread& operator=(PooledThread&& other) noexcept;
    PooledThread(const PooledThread&) = delete;
    PooledThread& operator=(const PooledThread&) = delete;
    ~PooledThread();

    bool joinable() const { return run_ != nullptr; }
    void join();

    // Threads of the pool that wait for a job, for tests.
    static int IdleCount();

    struct Run; // one job's completion, shared with the thread that runs it

private:
    std::shared_ptr<Run> run_;
};

} // namespace threads
