#include "platform/threads/GuiCall.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace threads {

namespace {

// Calls travel through a mailbox of our own, guarded by a standard mutex, and Qt's event queue
// only says "one more call is waiting": the hand-over is then visible to the thread checkers.
struct Mailbox {
    std::mutex lock;  // guards calls
    std::deque<std::function<void()>> calls;
};

Mailbox& TheMailbox() {
    static Mailbox* box = new Mailbox();  // lives to the end of the process, after every poster
    return *box;
}

void RunOne() {
    std::function<void()> call;
    {
        Mailbox& box = TheMailbox();
        std::lock_guard<std::mutex> guard(box.lock);
        if (box.calls.empty()) return;
        call = std::move(box.calls.front());
        box.calls.pop_front();
    }
    call();
}

} // namespace

bool IsGuiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void PostToGui(std::function<void()> call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        call();
        return;
    }
    {
        Mailbox& box = TheMailbox();
        std::lock_guard<std::mutex> guard(box.lock);
        box.calls.push_back(std::move(call));
    }
    QMetaObject::invokeMethod(app, &RunOne, Qt::QueuedConnection);
}

void SendToGui(const std::function<void()>& call) {
    if (IsGuiThread()) {
        call();
        return;
    }
    std::mutex lock;
    std::condition_variable doneChanged;
    bool done = false;  // guarded by lock
    PostToGui([&] {
        call();
        std::lock_guard<std::mutex> guard(lock);
        done = true;
        doneChanged.notify_all();
    });
    std::unique_lock<std::mutex> guard(lock);
    doneChanged.wait(guard, [&] { return done; });
}

} // namespace threads
