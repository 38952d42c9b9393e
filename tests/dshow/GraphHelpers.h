#pragma once
// Small helpers for graph tests: a latch for streaming-thread gates and a bounded poll.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace testds {

class Latch {
public:
    void Open()
    {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = true;
        cond_.notify_all();
    }
    void Wait()
    {
        std::unique_lock<std::mutex> guard(lock_);
        cond_.wait(guard, [this] { return open_; });
    }

private:
    std::mutex lock_;
    std::condition_variable cond_;
    bool open_ = false;
};

// Polls `done` until it holds or about five seconds pass; a failing test then reports, not hangs.
inline bool Eventually(const std::function<bool()>& done)
{
    for (int i = 0; i < 5000; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace testds
