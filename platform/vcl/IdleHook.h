#pragma once
// The application's idle event: a call made once each time the GUI thread has handled a burst of
// events and is about to wait for the next, never by a timer or a polling loop. A handler that
// itself causes events runs again after them, so it must settle (give the focus only when it is
// elsewhere, and so on).
//
//   idle_ = std::make_unique<vcl::IdleHook>([this] { AppEvents1Idle(); });
//
// Create on the GUI thread, with the application object alive.
#include <QMetaObject>
#include <functional>

namespace vcl {

class IdleHook {
public:
    explicit IdleHook(std::function<void()> onIdle);
    ~IdleHook();
    IdleHook(const IdleHook&) = delete;
    IdleHook& operator=(const IdleHook&) = delete;

private:
    std::function<void()> onIdle_;
    QMetaObject::Connection aboutToBlock_;
};

} // namespace vcl
