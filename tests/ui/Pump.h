#pragma once
// Runs the GUI thread's event loop, as the program's does, until `done` or about `ms` milliseconds.
#include <QCoreApplication>
#include <chrono>
#include <thread>

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

} // namespace uitest
