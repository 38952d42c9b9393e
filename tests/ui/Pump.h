#pragma once
// Runs the GUI thread's event loop, as the program's does, until `done` or about `ms` milliseconds;
// or until it has handled everything that waits and is about to wait for more.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <thread>

#include "platform/vcl/IdleHook.h"

namespace uitest {

template <class F> bool PumpUntil(F done, int ms)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

inline void Pump(int ms)
{
    PumpUntil([] { return false; }, ms);
}

// Until nothing is left to handle: what the events handled last posted in turn is handled too (a
// status text of another height asks for the window's layout on a later turn than its own). False
// when the loop is still busy after about `ms` milliseconds.
inline bool RunUntilIdle(int ms = 10000)
{
    QEventLoop loop;
    bool idle = false;
    const vcl::IdleHook hook([&] {
        idle = true;
        loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return idle;
}

} // namespace uitest
