// The list thread: names in, objects out one at a time, one end-of-loading report per turn, and
// what Esc drops.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "actions/aviFichier.h"
#include "actions/list_unit.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace actions;

namespace {

// Holds the list thread in the delivery of one named file until released.
class Gate {
public:
    explicit Gate(std::string blocked) : blocked_(std::move(blocked)) {}
    ~Gate() { Open(); }
    // Called by the sink, on the list thread (there is no application object).
    void Pass(const std::string& name)
    {
        if (name != blocked_)
            return;
        std::unique_lock<std::mutex> guard(lock_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(guard, [this] { return open_; });
    }
    void WaitEntered()
    {
        std::unique_lock<std::mutex> guard(lock_);
        changed_.wait(guard, [this] { return entered_; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> guard(lock_);
        open_ = true;
        changed_.notify_all();
    }

private:
    std::string blocked_;
    std::mutex lock_; // guards entered_, open_
    std::condition_variable changed_;
    bool entered_ = false;
    bool open_ = false;
};

// What the window would see, in order; "finished" marks each end of loading.
class Recorder {
public:
    // A gate holds the list thread after the file it names is recorded.
    TlistThread::AddFileSink AddFile(Gate* gate = nullptr)
    {
        return [this, gate](std::shared_ptr<const TAfficherFichier> f) {
            {
                std::lock_guard<std::mutex> guard(lock_);
                events_.push_back(std::filesystem::path(f->FullName).filename().string());
            }
            if (gate)
                gate->Pass(f->FullName);
        };
    }
    TlistThread::ListFinishedSink Finished()
    {
        return [this] {
            std::lock_guard<std::mutex> guard(lock_);
            events_.push_back("finished");
        };
    }
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return std::exchange(events_, {});
    }

private:
    std::mutex lock_; // guards events_
    std::vector<std::string> events_;
};

class ListThread : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"})
            testkit::WriteFileBytes(dir_.file(name), testkit::MakeAvi({}).build());
    }
    std::string File(const char* name) const { return dir_.file(name); }

    testkit::TempDir dir_;
    Recorder seen_;
};

} // namespace

TEST_F(ListThread, StartsByReportingAnEmptyLoadingAndSoDoesAWakeWithoutNames)
{
    TlistThread list(seen_.AddFile(), seen_.Finished());
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), std::vector<std::string>{"finished"});
    list.Wake();
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), std::vector<std::string>{"finished"});
}

TEST_F(ListThread, ExistingFilesArriveInQueueOrderAndOtherNamesAreSkippedSilently)
{
    Gate gate(File("a.avi")); // holds the first file, so that the rest is queued in the same turn
    TlistThread list(seen_.AddFile(&gate), seen_.Finished());
    ASSERT_TRUE(list.WaitIdle(10000));
    seen_.Take();
    testkit::WriteFileBytes(File("notes.txt"), "not a video");
    std::filesystem::create_directory(dir_.path() / "folder.avi");
    list.Queue(File("a.avi"));
    gate.WaitEntered();
    list.Queue(File("missing.avi"));
    list.Queue(File("folder.avi")); // a folder is not an existing file
    list.Queue(File("notes.txt"));  // listed here; the window refuses what is not AVI
    list.Queue(File("c.avi"));
    gate.Open();
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), (std::vector<std::string>{"a.avi", "notes.txt", "c.avi", "finished"}));
}

TEST_F(ListThread, InterruptDropsWhatWasQueuedBeforeItButNotTheFileUnderAnalysisNorLaterNames)
{
    Gate gate(File("a.avi"));
    TlistThread list(seen_.AddFile(&gate), seen_.Finished());
    ASSERT_TRUE(list.WaitIdle(10000));
    seen_.Take();
    list.Queue(File("a.avi"));
    gate.WaitEntered();
    list.Queue(File("b.avi"));
    list.Queue(File("c.avi"));
    list.Interrupt();
    EXPECT_EQ(list.ListEnabled.load(), 0);
    list.Queue(File("d.avi")); // e.g. a conversion's output re-added after Esc
    gate.Open();
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), (std::vector<std::string>{"a.avi", "d.avi", "finished"}));
    EXPECT_EQ(list.ListEnabled.load(), 1);
}

TEST_F(ListThread, AnInterruptWhileIdleDropsNothingQueuedAfterIt)
{
    TlistThread list(seen_.AddFile(), seen_.Finished());
    ASSERT_TRUE(list.WaitIdle(10000));
    seen_.Take();
    list.Interrupt();
    list.Queue(File("e.avi"));
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), (std::vector<std::string>{"e.avi", "finished"}));
}

TEST_F(ListThread, QueueAllTellsWhetherEveryNameArrivedAndAnInterruptCutsTheRestOfItsJob)
{
    Gate gate(File("b.avi"));
    TlistThread list(seen_.AddFile(&gate), seen_.Finished());
    ASSERT_TRUE(list.WaitIdle(10000));
    seen_.Take();
    std::vector<std::string> done; // "complete" or "cut", in order (no application: on the list thread)
    auto record = [&](bool complete) { done.push_back(complete ? "complete" : "cut"); };

    // A missing name is no cut; the job ends with its last name.
    list.QueueAll({File("a.avi"), File("missing.avi"), File("c.avi")}, record);
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), (std::vector<std::string>{"a.avi", "c.avi", "finished"}));
    EXPECT_EQ(done, std::vector<std::string>{"complete"});

    // Esc while b is handed over: b still arrives, d and e of the same job do not.
    list.QueueAll({File("b.avi"), File("d.avi"), File("e.avi")}, record);
    gate.WaitEntered();
    list.Interrupt();
    list.QueueAll({File("a.avi")}, record); // a loading started after Esc is whole
    gate.Open();
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(seen_.Take(), (std::vector<std::string>{"b.avi", "a.avi", "finished"}));
    EXPECT_EQ(done, (std::vector<std::string>{"complete", "cut", "complete"}));

    // An empty job is complete.
    list.QueueAll({}, record);
    ASSERT_TRUE(list.WaitIdle(10000));
    EXPECT_EQ(done.back(), "complete");
}

namespace {

class ListThreadWithGui : public ListThread {
protected:
    static void SetUpTestSuite() { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    static void TearDownTestSuite() { app_.reset(); }
    static inline int argc_ = 1;
    static inline char name_[] = "test";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QCoreApplication> app_;
};

} // namespace

TEST_F(ListThreadWithGui, SinksRunOnTheGuiThreadWhichServesThemWhileItWaits)
{
    QThread* gui = QThread::currentThread();
    std::vector<std::string> seen; // touched on the GUI thread only
    bool onGui = true;
    {
        TlistThread list(
            [&](std::shared_ptr<const TAfficherFichier> f) {
                onGui &= QThread::currentThread() == gui;
                seen.push_back(f->FileName);
            },
            [&] {
                onGui &= QThread::currentThread() == gui;
                seen.push_back("finished");
            });
        for (const char* name : {"a.avi", "b.avi", "c.avi"})
            list.Queue(File(name));
        ASSERT_TRUE(list.WaitIdle(10000)); // would never return if it blocked the sinks
    }
    EXPECT_TRUE(onGui);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "finished");
    std::erase(seen, "finished"); // the start's report may have merged with the names' turn
    EXPECT_EQ(seen, (std::vector<std::string>{"a.avi", "b.avi", "c.avi"}));
}
