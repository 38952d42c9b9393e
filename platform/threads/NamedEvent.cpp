#include "platform/threads/NamedEvent.h"

#include <chrono>
#include <map>

namespace threads {

std::shared_ptr<NamedEvent> NamedEvent::Open(const std::string& name)
{
    if (name.empty())
        return std::make_shared<NamedEvent>();
    static std::mutex registryLock;
    static std::map<std::string, std::weak_ptr<NamedEvent>> registry; // guarded by registryLock
    std::lock_guard<std::mutex> guard(registryLock);
    std::shared_ptr<NamedEvent> event = registry[name].lock();
    if (!event) {
        event = std::make_shared<NamedEvent>();
        event->name_ = name;
        registry[name] = event;
    }
    return event;
}

void NamedEvent::Set()
{
    std::lock_guard<std::mutex> guard(lock_);
    signaled_ = true;
    cond_.notify_one();
}

void NamedEvent::Reset()
{
    std::lock_guard<std::mutex> guard(lock_);
    signaled_ = false;
}

bool NamedEvent::IsSet() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return signaled_;
}

WaitResult NamedEvent::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(lock_);
    auto ready = [this] { return signaled_; };
    if (timeoutMs < 0) {
        cond_.wait(guard, ready);
    } else if (!cond_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready)) {
        return WaitResult::Timeout;
    }
    signaled_ = false; // auto-reset
    return WaitResult::Signaled;
}

} // namespace threads
