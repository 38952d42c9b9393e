#include "platform/filters/OrderedWorkers.h"

#include <algorithm>

namespace ds {

OrderedWorkers::~OrderedWorkers()
{
    Stop();
}

void OrderedWorkers::Start(int workers, int jobs, WorkFn work, FinishFn finish)
{
    Stop();
    work_ = std::move(work);
    finish_ = std::move(finish);
    {
        std::lock_guard<std::mutex> guard(lock_);
        jobs_.assign(static_cast<size_t>(std::max(jobs, 1)), Job{});
        head_ = count_ = 0;
        working_ = 0;
        finishing_ = stopping_ = flushing_ = quit_ = false;
        refused_ = S_OK;
    }
    for (int i = 0; i < std::max(workers, 1); ++i)
        threads_.emplace_back([this, i] { Work(i); });
}

void OrderedWorkers::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        quit_ = true;
        waiting_.notify_all();
        changed_.notify_all();
    }
    for (std::thread& t : threads_)
        t.join();
    threads_.clear();
    std::lock_guard<std::mutex> guard(lock_);
    head_ = count_ = 0;
}

HRESULT OrderedWorkers::AnswerLocked() const
{
    return stopping_ || quit_ ? VFW_E_WRONG_STATE : flushing_ ? S_FALSE : refused_;
}

HRESULT OrderedWorkers::Answer()
{
    std::lock_guard<std::mutex> guard(lock_);
    return AnswerLocked();
}

int OrderedWorkers::Reserve()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return Blocked() || quit_ || count_ < jobs_.size(); });
    if (Blocked() || quit_)
        return -1;
    At(count_).state = State::Reserved;
    return Index(count_++);
}

HRESULT OrderedWorkers::Submit(int job, bool work)
{
    std::unique_lock<std::mutex> guard(lock_);
    jobs_[static_cast<size_t>(job)].state = work ? State::Waiting : State::Worked;
    if (work)
        waiting_.notify_one();
    else
        FinishReady(guard);
    return AnswerLocked();
}

HRESULT OrderedWorkers::Drain()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return Blocked() || quit_ || (count_ == 0 && !finishing_); });
    return AnswerLocked();
}

void OrderedWorkers::Restart()
{
    std::lock_guard<std::mutex> guard(lock_);
    refused_ = S_OK;
}

void OrderedWorkers::BeginFlush()
{
    std::lock_guard<std::mutex> guard(lock_);
    flushing_ = true;
    changed_.notify_all();
}

void OrderedWorkers::EndFlush()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return quit_ || (working_ == 0 && !finishing_); });
    head_ = count_ = 0;
    flushing_ = false;
    refused_ = S_OK;
}

void OrderedWorkers::BeginStop()
{
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    waiting_.notify_all();
    changed_.notify_all();
}

void OrderedWorkers::WaitIdle()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return quit_ || (working_ == 0 && !finishing_); });
}

void OrderedWorkers::Work(int worker)
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        int job = -1;
        waiting_.wait(guard, [&] {
            for (size_t i = 0; i < count_ && job < 0 && !Blocked(); ++i)
                if (At(i).state == State::Waiting)
                    job = Index(i);
            return quit_ || job >= 0;
        });
        if (quit_)
            return;
        jobs_[static_cast<size_t>(job)].state = State::Working;
        ++working_;
        guard.unlock();
        const bool ok = work_(job, worker);
        guard.lock();
        --working_;
        jobs_[static_cast<size_t>(job)].state = ok ? State::Worked : State::Failed;
        if (working_ == 0)
            changed_.notify_all(); // EndFlush and WaitIdle wait for this
        FinishReady(guard);
    }
}

void OrderedWorkers::FinishReady(std::unique_lock<std::mutex>& guard)
{
    // One thread finishes at a time; one that finds another at it leaves it what it made ready,
    // which that one sees before it lets go.
    if (finishing_)
        return;
    finishing_ = true;
    while (count_ > 0 && !Blocked()) {
        Job& job = At(0);
        if (job.state != State::Worked && job.state != State::Failed)
            break;
        const bool worked = job.state == State::Worked;
        const bool give = refused_ == S_OK;
        const int index = Index(0);
        job.state = State::Finishing;
        guard.unlock();
        const HRESULT hr = finish_(index, worked, give);
        guard.lock();
        if (give && hr != S_OK && refused_ == S_OK && !Blocked())
            refused_ = hr;
        head_ = (head_ + 1) % jobs_.size();
        --count_;
        changed_.notify_all();
    }
    finishing_ = false;
    changed_.notify_all();
}

} // namespace ds
