#pragma once
// Named auto-reset events with a timed wait, in place of the system's event objects. Events are
// shared by name within the process: Open("cmd") from two places gives the same event.
//
//   auto event = threads::NamedEvent::Open("cmd");
//   if (event->Wait(500) == threads::WaitResult::Timeout) PostProgress();
//   event->Set();   // from another thread: wakes one waiter, or the next Wait
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

namespace threads {

enum class WaitResult { Signaled, Timeout };

class NamedEvent {
public:
    // The event of that name, made non-signalled on first use; an empty name makes a private one.
    static std::shared_ptr<NamedEvent> Open(const std::string& name);
    NamedEvent() = default;

    const std::string& Name() const { return name_; }
    void Set(); // signals; one waiter (or the next) takes it and it resets
    void Reset();
    bool IsSet() const;
    // Negative time-out waits forever.
    WaitResult Wait(int timeoutMs);

private:
    std::string name_;
    mutable std::mutex lock_; // guards signaled_
    std::condition_variable cond_;
    bool signaled_ = false;
};

} // namespace threads
