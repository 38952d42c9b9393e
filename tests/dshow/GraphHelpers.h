#pragma once
// Small helpers for graph tests: a latch for streaming-thread gates, a bounded poll, and whether
// a thread is asleep.
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
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

// Whether the thread `tid` of this process is asleep (blocked on a lock or a condition).
inline bool Asleep(pid_t tid)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t end = line.rfind(')'); // the name may hold blanks and brackets
    return end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'S';
}

} // namespace testds
