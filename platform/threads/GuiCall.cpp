#include "platform/threads/GuiCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace threads {

namespace {

// Calls travel through a mailbox of our own, guarded by a standard mutex, and Qt's event queue
// only says "one more call is waiting": the hand-over is then visible to the thread checkers.
struct Mailbox {
    std::mutex lock; // guards calls
    std::deque<std::function<void()>> calls;
};

Mailbox& TheMailbox()
{
    static Mailbox* box = new Mailbox(); // lives to the end of the process, after every poster
    return *box;
}

void RunOne()
{
    std::function<void()> call;
    {
        Mailbox& box = TheMailbox();
        std::lock_guard<std::mutex> guard(box.lock);
        if (box.calls.empty())
            return;
        call = std::move(box.calls.front());
        box.calls.pop_front();
    }
    call();
}

// Receives one event per posted call on the GUI thread. It never looks at the event itself, so
// nothing Qt hands over between the threads is read outside Qt.
class Courier : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (!ready.load())
            return QObject::event(e); // the thread change sent while moving it
        RunOne();
        return true;
    }
    std::atomic<bool> ready{false};
};

// The courier of the application's thread; made on first use and kept for the process.
QObject* TheCourier(QCoreApplication* app)
{
    static std::mutex lock;
    static Courier* courier = nullptr; // guarded by lock
    std::lock_guard<std::mutex> guard(lock);
    if (courier == nullptr || courier->thread() != app->thread()) {
        courier = new Courier();
        courier->moveToThread(app->thread());
        courier->ready.store(true);
    }
    return courier;
}

} // namespace

bool IsGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

void PostToGui(std::function<void()> call)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        call();
        return;
    }
    // The event is made before the call is put in the mailbox, so the GUI thread's taking of the
    // call orders its later deletion of the event after this allocation.
    auto* wake = new QEvent(QEvent::User);
    QObject* courier = TheCourier(app);
    {
        Mailbox& box = TheMailbox();
        std::lock_guard<std::mutex> guard(box.lock);
        box.calls.push_back(std::move(call));
    }
    QCoreApplication::postEvent(courier, wake);
}

void SendToGui(const std::function<void()>& call)
{
    if (IsGuiThread()) {
        call();
        return;
    }
    std::mutex lock;
    std::condition_variable doneChanged;
    bool done = false; // guarded by lock
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
