#include "platform/threads/Worker.h"

#include <chrono>

namespace threads {

Worker::Worker() : thread_([this] { Loop(); })
{
}

Worker::~Worker()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void Worker::Post(Job job)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stop_)
            return;
        queue_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void Worker::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    queue_.clear();
    if (!busy_)
        idle_.notify_all();
}

bool Worker::IsIdle() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return queue_.empty() && !busy_;
}

bool Worker::WaitIdle(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(lock_);
    auto ready = [this] { return (queue_.empty() && !busy_) || stop_; };
    if (timeoutMs < 0) {
        idle_.wait(guard, ready);
        return true;
    }
    return idle_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready);
}

size_t Worker::Pending() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return queue_.size();
}

void Worker::SetOnIdle(std::function<void()> onIdle)
{
    std::lock_guard<std::mutex> guard(lock_);
    onIdle_ = std::move(onIdle);
}

void Worker::Loop()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stop_ || !queue_.empty(); });
        if (stop_)
            break;
        Job job = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        guard.unlock();
        job();
        guard.lock();
        busy_ = false;
        if (queue_.empty() && !stop_) {
            std::function<void()> onIdle = onIdle_;
            if (onIdle) {
                // Still reported busy while the idle call runs, so WaitIdle returns after it.
                busy_ = true;
                guard.unlock();
                onIdle();
                guard.lock();
                busy_ = false;
            }
            idle_.notify_all();
        }
    }
    busy_ = false;
    idle_.notify_all();
}

} // namespace threads
