#include "platform/threads/GuiCall.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace threads {

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
    QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
}

void SendToGui(const std::function<void()>& call) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(app, [&call] { call(); }, Qt::BlockingQueuedConnection);
}

} // namespace threads
