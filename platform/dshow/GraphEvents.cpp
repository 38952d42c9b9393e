#include "platform/dshow/GraphEvents.h"

#include <chrono>

namespace ds {

void EventSink::Post(const GraphEvent& event)
{
    Listener listener;
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (event.code >= 0 && event.code < 64 && ((defaultHandled_ >> event.code) & 1))
            return;
        // Nobody may be reading (a viewer only listens): the oldest events go first.
        if (events_.size() >= kMaxQueued)
            events_.pop_front();
        events_.push_back(event);
        listener = listener_;
    }
    arrived_.notify_all();
    // The listener runs without the lock: it may post to another thread or read the sink.
    if (listener)
        listener(event);
}

bool EventSink::GetEvent(GraphEvent& event, int timeoutMs)
{
    std::unique_lock<std::mutex> guard(lock_);
    auto ready = [this] { return !events_.empty(); };
    if (timeoutMs < 0) {
        arrived_.wait(guard, ready);
    } else if (!arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready)) {
        return false;
    }
    event = events_.front();
    events_.pop_front();
    return true;
}

namespace {
bool IsCompletion(int32_t code)
{
    return code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_USERABORT;
}
} // namespace

int32_t EventSink::WaitForCompletion(int timeoutMs, int64_t* param1)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        while (!events_.empty()) {
            GraphEvent e = events_.front();
            events_.pop_front();
            if (IsCompletion(e.code)) {
                if (param1)
                    *param1 = e.param1;
                return e.code;
            }
        }
        if (timeoutMs < 0) {
            arrived_.wait(guard);
        } else if (arrived_.wait_until(guard, deadline) == std::cv_status::timeout && events_.empty()) {
            return EC_NONE;
        }
    }
}

void EventSink::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    events_.clear();
}

void EventSink::DropCompletions()
{
    std::lock_guard<std::mutex> guard(lock_);
    std::erase_if(events_, [](const GraphEvent& e) { return IsCompletion(e.code); });
}

void EventSink::SetListener(Listener listener)
{
    std::lock_guard<std::mutex> guard(lock_);
    listener_ = std::move(listener);
}

void EventSink::CancelDefaultHandling(int32_t code)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (code >= 0 && code < 64)
        defaultHandled_ &= ~(uint64_t{1} << code);
}

void EventSink::RestoreDefaultHandling(int32_t code)
{
    std::lock_guard<std::mutex> guard(lock_);
    if (code >= 0 && code < 64)
        defaultHandled_ |= uint64_t{1} << code;
}

} // namespace ds
