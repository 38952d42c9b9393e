// Calls into the GUI thread: queued posts, blocking sends, and the direct path on the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>

#include "platform/threads/GuiCall.h"

namespace {

class GuiCallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    static void TearDownTestSuite() { app_.reset(); }
    static bool PumpUntil(const std::function<bool()>& done)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }
    static inline int argc_ = 1;
    static inline char name_[] = "test";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QCoreApplication> app_;
};

TEST_F(GuiCallTest, PostRunsLaterOnTheGuiThreadInOrder)
{
    std::vector<int> order;
    QThread* gui = QThread::currentThread();
    bool onGui = true;
    std::thread worker([&] {
        EXPECT_FALSE(threads::IsGuiThread());
        for (int i = 0; i < 3; ++i)
            threads::PostToGui([&, i] {
                onGui &= QThread::currentThread() == gui;
                order.push_back(i);
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()); // queued, not run yet
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onGui);
}

TEST_F(GuiCallTest, SendWaitsForTheGuiThreadAndRunsDirectlyOnIt)
{
    std::atomic<bool> returned{false};
    int answer = 0;
    std::thread worker([&] {
        threads::SendToGui([&] { answer = 42; });
        EXPECT_EQ(answer, 42); // visible as soon as the send returns
        returned = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
    worker.join();
    bool ran = false;
    threads::Synchronize([&] { ran = true; }); // on the GUI thread: no event loop needed
    EXPECT_TRUE(ran);
}

} // namespace
