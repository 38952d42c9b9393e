// The idle hook runs once after each burst of events, when all of it has been handled, and not
// while nothing happens.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/vcl/IdleHook.h"

TEST(IdleHook, RunsOnceAfterEachDrainedBurst)
{
    QEventLoop loop;
    int handled = 0;
    std::vector<int> handledAtIdle;
    vcl::IdleHook hook([&] {
        handledAtIdle.push_back(handled);
        loop.quit();
    });
    auto burst = [&](int events) {
        for (int i = 0; i < events; ++i)
            QMetaObject::invokeMethod(
                qApp, [&] { ++handled; }, Qt::QueuedConnection);
    };
    burst(5);
    loop.exec();
    burst(3);
    loop.exec();
    EXPECT_EQ(handledAtIdle, (std::vector<int>{5, 8}));
}

TEST(IdleHook, DoesNotRunWhileNothingHappens)
{
    int idles = 0;
    vcl::IdleHook hook([&] { ++idles; });
    QEventLoop loop;
    QTimer::singleShot(60, &loop, &QEventLoop::quit); // one event in 60 ms
    loop.exec();
    EXPECT_LE(idles, 2); // a polling hook would run hundreds of times
}
