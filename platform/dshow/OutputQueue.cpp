#include "platform/dshow/OutputQueue.h"

#include <algorithm>

#include "platform/dshow/Pin.h"

namespace ds {

OutputQueue::OutputQueue(int depth) : depth_(std::max(depth, 1)), ring_(static_cast<size_t>(depth_))
{
}

OutputQueue::~OutputQueue()
{
    BeginStop();
    Join();
}

void OutputQueue::Start(InputPin& downstream)
{
    Join();
    std::lock_guard<std::mutex> guard(lock_);
    downstream_ = &downstream;
    stopping_ = false;
    flushing_ = false;
    busy_ = false;
    refused_ = S_OK;
    thread_ = std::thread([this] { ThreadProc(); });
}

void OutputQueue::BeginStop()
{
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    DropQueued();
    room_.notify_all();
    work_.notify_all();
    idle_.notify_all();
}

void OutputQueue::Join()
{
    if (thread_.joinable())
        thread_.join();
}

void OutputQueue::DropQueued()
{
    for (; count_ > 0; --count_) {
        ring_[head_] = Item();
        head_ = (head_ + 1) % ring_.size();
    }
}

HRESULT OutputQueue::Put(Item item)
{
    std::unique_lock<std::mutex> guard(lock_);
    room_.wait(guard, [this] { return stopping_ || flushing_ || count_ < ring_.size(); });
    if (stopping_)
        return VFW_E_WRONG_STATE;
    if (flushing_)
        return S_FALSE;
    if (item.kind == Kind::Sample && refused_ != S_OK)
        return refused_;
    ring_[(head_ + count_) % ring_.size()] = std::move(item);
    ++count_;
    work_.notify_one();
    return S_OK;
}

HRESULT OutputQueue::Receive(const SamplePtr& sample)
{
    Item item;
    item.sample = sample;
    return Put(std::move(item));
}

HRESULT OutputQueue::EndOfStream()
{
    Item item;
    item.kind = Kind::EndOfStream;
    return Put(std::move(item));
}

HRESULT OutputQueue::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    Item item;
    item.kind = Kind::NewSegment;
    item.start = start;
    item.stop = stop;
    item.rate = rate;
    return Put(std::move(item));
}

HRESULT OutputQueue::BeginFlush()
{
    InputPin* downstream = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        flushing_ = true;
        DropQueued();
        room_.notify_all();
        downstream = downstream_;
    }
    // Wakes the queue's thread where it waits downstream.
    return downstream ? downstream->BeginFlush() : S_OK;
}

HRESULT OutputQueue::EndFlush()
{
    InputPin* downstream = nullptr;
    {
        std::unique_lock<std::mutex> guard(lock_);
        idle_.wait(guard, [this] { return stopping_ || !busy_; });
        downstream = downstream_;
    }
    const HRESULT hr = downstream ? downstream->EndFlush() : S_OK;
    std::lock_guard<std::mutex> guard(lock_);
    flushing_ = false;
    refused_ = S_OK;
    return hr;
}

size_t OutputQueue::Queued() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return count_;
}

void OutputQueue::ThreadProc()
{
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        work_.wait(guard, [this] { return stopping_ || count_ > 0; });
        if (stopping_)
            break;
        Item item = std::move(ring_[head_]);
        head_ = (head_ + 1) % ring_.size();
        --count_;
        room_.notify_one();
        // After a refusal the samples still queued go nowhere; the stream's end still goes on.
        const bool drop = item.kind == Kind::Sample && refused_ != S_OK;
        busy_ = true;
        guard.unlock();
        HRESULT hr = S_OK;
        if (!drop) {
            switch (item.kind) {
            case Kind::Sample: hr = downstream_->Receive(item.sample); break;
            case Kind::EndOfStream: downstream_->EndOfStream(); break;
            case Kind::NewSegment: downstream_->NewSegment(item.start, item.stop, item.rate); break;
            }
        }
        item.sample.reset(); // back to its pool now, not when the slot is reused
        guard.lock();
        busy_ = false;
        // A refusal caused by a flush or a stop is no answer for the stream after it.
        if (item.kind == Kind::Sample && hr != S_OK && refused_ == S_OK && !flushing_ && !stopping_)
            refused_ = hr;
        idle_.notify_all();
    }
}

} // namespace ds
