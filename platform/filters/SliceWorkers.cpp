#include "platform/filters/SliceWorkers.h"

namespace ds {

SliceWorkers::SliceWorkers(int threads)
{
    for (int i = 1; i < threads; ++i)
        workers_.emplace_back([this] { Work(); });
}

SliceWorkers::~SliceWorkers()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

bool SliceWorkers::TakePart(std::unique_lock<std::mutex>& guard)
{
    if (next_ >= parts_)
        return false;
    const int part = next_++;
    ++running_;
    void (*job)(void*, int) = job_;
    void* context = context_;
    guard.unlock();
    job(context, part);
    guard.lock();
    if (--running_ == 0 && next_ >= parts_)
        done_.notify_all();
    return true;
}

void SliceWorkers::Run(int parts, void (*job)(void*, int), void* context)
{
    std::unique_lock<std::mutex> guard(lock_);
    job_ = job;
    context_ = context;
    parts_ = parts;
    next_ = 0;
    if (!workers_.empty())
        wake_.notify_all();
    while (TakePart(guard)) {
    }
    done_.wait(guard, [this] { return next_ >= parts_ && running_ == 0; });
    parts_ = next_ = 0;
}

void SliceWorkers::Work()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return quit_ || next_ < parts_; });
        if (quit_)
            return;
        while (TakePart(guard)) {
        }
    }
}

} // namespace ds
