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
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app_;
        app_ = nullptr;
    }
    static bool PumpUntil(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return done();
    }
    static QCoreApplication* app_;
};
QCoreApplication* GuiCallTest::app_ = nullptr;

} // namespace

TEST_F(GuiCallTest, PostRunsLaterOnTheGuiThreadInOrder) {
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
    EXPECT_TRUE(order.empty());  // queued, not run yet
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onGui);
}

TEST_F(GuiCallTest, SendWaitsUntilTheGuiThreadHasRunTheCall) {
    std::atomic<bool> returned{false};
    int answer = 0;
    std::thread worker([&] {
        threads::SendToGui([&] { answer = 42; });
        EXPECT_EQ(answer, 42);  // visible as soon as the send returns
        returned = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return returned.load(); }));
    worker.join();
}

TEST_F(GuiCallTest, SendOnTheGuiThreadRunsDirectly) {
    EXPECT_TRUE(threads::IsGuiThread());
    bool ran = false;
    threads::Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}
