// The graph component hands the graph's Paused and Complete notifications to the GUI thread.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include "platform/dshow/GraphComponents.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

} // namespace

TEST(GraphComponent, DeliversPausedAndCompleteOnTheGuiThread) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    GraphComponent fg;
    fg.Activate();
    auto source = std::make_shared<TestSource>(VideoType(), 5);
    auto sink = std::make_shared<TestSink>();
    fg.Graph()->AddFilter(source, "source");
    fg.Graph()->AddFilter(sink, "sink");
    ASSERT_EQ(fg.Graph()->ConnectDirect(source->GetPin(0), sink->GetPin(0)), S_OK);
    fg.Graph()->SetSyncSource(nullptr);

    QThread* gui = QThread::currentThread();
    std::vector<std::string> seen;
    bool offGui = false;
    fg.SetOnGraphPaused([&] {
        offGui |= QThread::currentThread() != gui;
        seen.push_back("paused");
    });
    fg.SetOnGraphComplete([&] {
        offGui |= QThread::currentThread() != gui;
        seen.push_back("complete");
    });
    fg.Pause();
    ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(fg.State(5000), FilterState::Paused);
    fg.Run();
    ASSERT_TRUE(PumpUntil([&] { return seen.size() == 2; }));
    EXPECT_EQ(seen, (std::vector<std::string>{"paused", "complete"}));
    EXPECT_FALSE(offGui);
    fg.Stop();
    // A notification queued before the graph goes is dropped quietly.
    fg.Deactivate();
    QCoreApplication::processEvents();
}

TEST(GraphComponent, VolumeReachesTheAudioRenderersOnTheLinearScale) {
    struct Speaker : TestSink, AudioVolume {
        void SetLinearVolume(int v) override { volume = v; }
        int volume = -1;
    };
    GraphComponent fg;
    EXPECT_EQ(fg.Run(), E_UNEXPECTED);  // inactive: no graph to run
    fg.Activate();
    auto speaker = std::make_shared<Speaker>();
    fg.Graph()->AddFilter(speaker, "speaker");
    fg.SetLinearVolume(12000);
    EXPECT_EQ(speaker->volume, 10000);
    fg.SetLinearVolume(-3);
    EXPECT_EQ(speaker->volume, 0);
    fg.SetLinearVolume(2500);
    EXPECT_EQ(speaker->volume, 2500);
}
