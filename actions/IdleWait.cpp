#include "actions/IdleWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include "platform/threads/GuiCall.h"

namespace actions {

bool WaitIdleServingGui(threads::Worker& worker, int timeoutMs)
{
    if (QCoreApplication::instance() == nullptr || !threads::IsGuiThread())
        return worker.WaitIdle(timeoutMs);
    // Each step blocks on the worker's idle condition; the calls the worker waits on run between.
    constexpr int kStepMs = 10;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (worker.WaitIdle(kStepMs))
            return true;
        if (timeoutMs >= 0 && timer.elapsed() >= timeoutMs)
            return false;
    }
}

} // namespace actions
