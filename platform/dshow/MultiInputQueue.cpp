#include "platform/dshow/MultiInputQueue.h"

namespace ds {

MultiInputQueue::MultiInputQueue(PickFn pick, ProcessFn process) : pick_(std::move(pick)), process_(std::move(process))
{
}

MultiInputQueue::MultiInputQueue() : pick_(&MultiInputQueue::PickEarliest)
{
}

void MultiInputQueue::Reset(int inputs, size_t limit)
{
    std::lock_guard<std::mutex> guard(lock_);
    inputs_.assign(static_cast<size_t>(inputs > 0 ? inputs : 0), Input{});
    limit_ = limit > 0 ? limit : 1;
    blocked_ = false;
    maxSeen_ = 0;
    lastError_ = S_OK;
    flushes_ = 0;
    changed_.notify_all();
}

int MultiInputQueue::PickEarliest(const std::vector<Input>& inputs)
{
    int best = -1;
    REFERENCE_TIME bestTime = 0;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const Input& in = inputs[i];
        if (in.queue.empty()) {
            if (!in.ended)
                return -1; // cannot order before this input says something
            continue;
        }
        REFERENCE_TIME t = in.queue.front()->HasTime() ? in.queue.front()->StartTime() : 0;
        if (best < 0 || t < bestTime) {
            best = static_cast<int>(i);
            bestTime = t;
        }
    }
    return best;
}

bool MultiInputQueue::MustWait(int index) const
{
    const Input& self = inputs_[static_cast<size_t>(index)];
    if (self.queue.size() < limit_)
        return false;
    std::thread::id me = std::this_thread::get_id();
    for (size_t i = 0; i < inputs_.size(); ++i) {
        if (static_cast<int>(i) == index)
            continue;
        const Input& other = inputs_[i];
        // A lagging input fed by another thread will catch up; one fed by this thread never would.
        if (!other.ended && other.queue.empty() && other.fed && other.feeder != me)
            return true;
    }
    return false;
}

HRESULT MultiInputQueue::Push(int index, const SamplePtr& sample)
{
    {
        std::unique_lock<std::mutex> guard(lock_);
        if (index < 0 || index >= static_cast<int>(inputs_.size()))
            return E_INVALIDARG;
        Input& in = inputs_[static_cast<size_t>(index)];
        in.fed = true;
        in.feeder = std::this_thread::get_id();
        changed_.wait(guard, [&] { return blocked_ || !MustWait(index); });
        if (blocked_)
            return S_FALSE;
        if (FAILED(lastError_))
            return lastError_;
        in.queue.push_back(sample);
        if (in.queue.size() > maxSeen_)
            maxSeen_ = in.queue.size();
    }
    return Drain();
}

HRESULT MultiInputQueue::EndOfStream(int index)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (index < 0 || index >= static_cast<int>(inputs_.size()))
            return E_INVALIDARG;
        inputs_[static_cast<size_t>(index)].ended = true;
        changed_.notify_all();
    }
    return Drain();
}

HRESULT MultiInputQueue::Drain()
{
    std::lock_guard<std::mutex> serial(processLock_);
    for (;;) {
        int pick;
        SamplePtr sample;
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (blocked_)
                return S_FALSE;
            pick = pick_(inputs_);
            if (pick < 0 || pick >= static_cast<int>(inputs_.size()))
                return S_OK;
            Input& in = inputs_[static_cast<size_t>(pick)];
            if (in.queue.empty())
                return S_OK;
            sample = std::move(in.queue.front());
            in.queue.pop_front();
            processing_ = pick;
            changed_.notify_all();
        }
        HRESULT hr = process_ ? process_(pick, sample) : S_OK;
        std::lock_guard<std::mutex> guard(lock_);
        processing_ = -1;
        if (FAILED(hr)) {
            lastError_ = hr;
            changed_.notify_all();
            return hr;
        }
    }
}

bool MultiInputQueue::BeginFlush()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (flushes_++ > 0)
        return false;
    blocked_ = true;
    for (Input& in : inputs_) {
        in.queue.clear();
        in.ended = false;
    }
    changed_.notify_all();
    return true;
}

bool MultiInputQueue::EndFlush(const std::function<void()>& whileIdle)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (flushes_ == 0 || --flushes_ > 0)
            return false;
    }
    // A Process still running was released by the flush downstream; wait for it to return.
    std::lock_guard<std::mutex> serial(processLock_);
    if (whileIdle)
        whileIdle();
    std::lock_guard<std::mutex> guard(lock_);
    if (flushes_ == 0) { // else another flush began meanwhile, and its end unblocks
        blocked_ = false;
        lastError_ = S_OK;
        changed_.notify_all();
    }
    return true;
}

bool MultiInputQueue::Flushing() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return flushes_ > 0;
}

void MultiInputQueue::Unblock()
{
    std::lock_guard<std::mutex> guard(lock_);
    blocked_ = true;
    for (Input& in : inputs_)
        in.queue.clear();
    changed_.notify_all();
}

bool MultiInputQueue::AllEnded() const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const Input& in : inputs_)
        if (!in.ended || !in.queue.empty())
            return false;
    return true;
}

bool MultiInputQueue::InputDone(int index) const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (index < 0 || index >= static_cast<int>(inputs_.size()))
        return false;
    const Input& in = inputs_[static_cast<size_t>(index)];
    return in.ended && in.queue.empty() && processing_ != index;
}

size_t MultiInputQueue::Queued(int index) const
{
    std::lock_guard<std::mutex> guard(lock_);
    if (index < 0 || index >= static_cast<int>(inputs_.size()))
        return 0;
    return inputs_[static_cast<size_t>(index)].queue.size();
}

size_t MultiInputQueue::MaxQueuedSeen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return maxSeen_;
}

} // namespace ds
