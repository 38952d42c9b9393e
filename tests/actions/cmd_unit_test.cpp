// The batch runners with fake actions: the question protocol and its answers, skipped, failed
// and raising files, the stop commands, objects the list drops while a batch runs, and one
// command batch at a time. The observer's calls come on the GUI thread, which serves them while
// it waits for the batch.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <stdexcept>
#include <thread>

#include "platform/rtl/Strings.h"
#include "tests/actions/BatchTestKit.h"

using namespace actions;
using namespace actionstest;
using shell::ModalResult;
using V = std::vector<std::string>;

namespace {

class Runners : public testing::Test, public WithApplication {
protected:
    static void SetUpTestSuite() { MakeApplication(); }
    static void TearDownTestSuite() { DropApplication(); }

    template <class Batch> void RunToEnd(Batch& batch, Recorder& observer)
    {
        ASSERT_TRUE(batch.Wait(30000));
        EXPECT_TRUE(batch.Finished());
        EXPECT_FALSE(observer.offGui);
    }

    Calls calls;
};

// A handler that waits on the test: `Entered()` once it runs, `Release()` lets it return.
class Latch {
public:
    void Enter()
    {
        std::unique_lock<std::mutex> guard(lock_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait(guard, [this] { return released_; });
    }
    // Serves the GUI calls the batch makes before it gets there.
    void WaitEntered()
    {
        std::unique_lock<std::mutex> guard(lock_);
        while (!changed_.wait_for(guard, std::chrono::milliseconds(5), [this] { return entered_; })) {
            guard.unlock();
            QCoreApplication::processEvents();
            guard.lock();
        }
    }
    void Release()
    {
        std::lock_guard<std::mutex> guard(lock_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
};

std::string Ask(const TAfficherFichier& f)
{
    return "Overwrite " + f.FileName + "?";
}

} // namespace

TEST_F(Runners, OneFileIsAskedYesOrNoAndNoSkipsItAndEndsTheBatch)
{
    Recorder observer({ModalResult::mrNo});
    TfastThread batch(Files("/none", {"a.avi"}), FakeAction(calls, {}, Ask), observer);
    RunToEnd(batch, observer);
    ASSERT_EQ(observer.prompter.shown().size(), 1u);
    EXPECT_EQ(observer.prompter.shown()[0].text, "Overwrite a.avi?"); // no note about the to-all answers
    EXPECT_EQ(observer.prompter.shown()[0].buttons, shell::mbYes | shell::mbNo);
    EXPECT_EQ(observer.prompter.shown()[0].type, shell::MsgDlgType::mtWarning);
    EXPECT_TRUE(calls.Get().empty());
    EXPECT_EQ(observer.Log(), (V{"current a.avi", "not run a.avi", "declined a.avi", "finished"}));
    EXPECT_EQ(batch.Counts().Declined, 1u);
}

TEST_F(Runners, YesToAllAtTheFirstOfThreeRunsTheOthersWithoutAsking)
{
    int asked = 0;
    Recorder observer({ModalResult::mrYesToAll});
    TfastThread batch(Files("/none", {"a.avi", "b.avi", "c.avi"}),
                      FakeAction(calls, {},
                                 [&](const TAfficherFichier& f) {
                                     ++asked; // on the GUI thread
                                     return Ask(f);
                                 }),
                      observer);
    RunToEnd(batch, observer);
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(observer.prompter.shown().size(), 1u);
    EXPECT_EQ(observer.prompter.shown()[0].text, "Overwrite a.avi?\r\n" + rtl::LoadStr(rtl::sid::sRunAnswerForAll));
    EXPECT_EQ(observer.prompter.shown()[0].buttons,
              shell::mbYes | shell::mbNo | shell::mbCancel | shell::mbNoToAll | shell::mbYesToAll);
    EXPECT_EQ(calls.Get(), (V{"a.avi", "b.avi", "c.avi"}));
}

TEST_F(Runners, NoToAllSkipsLaterFilesWithAQuestionButRunsThoseWithout)
{
    Recorder observer({ModalResult::mrNoToAll});
    const Question ask = [](const TAfficherFichier& f) { return f.FileName == "b.avi" ? std::string() : Ask(f); };
    TfastThread batch(Files("/none", {"a.avi", "b.avi", "c.avi"}), FakeAction(calls, {}, ask), observer);
    RunToEnd(batch, observer);
    EXPECT_EQ(observer.prompter.shown().size(), 1u); // c is skipped without a question
    EXPECT_EQ(calls.Get(), V{"b.avi"});
    EXPECT_EQ(batch.Counts().Declined, 2u);
    EXPECT_EQ(batch.Counts().Done, 1u);
}

TEST_F(Runners, CancelAtTheFirstQuestionEndsTheBatchAndStillReportsItsEnd)
{
    for (RunnerKind kind : {RunnerKind::Fast, RunnerKind::Cmd}) {
        Calls ran;
        Recorder observer({ModalResult::mrCancel});
        std::unique_ptr<TBatchThread> batch;
        auto files = Files("/none", {"a.avi", "b.avi", "c.avi"});
        if (kind == RunnerKind::Fast)
            batch = std::make_unique<TfastThread>(files, FakeAction(ran, {}, Ask), observer);
        else
            batch = std::make_unique<TcmdThread>(files, FakeAction(ran, {}, Ask), observer);
        RunToEnd(*batch, observer);
        EXPECT_TRUE(ran.Get().empty());
        EXPECT_EQ(observer.Log(), (V{"current a.avi", "not run a.avi", "declined a.avi", "finished"}));
    }
}

TEST_F(Runners, AnAnswerTheBoxDidNotOfferCountsAsNo)
{
    Recorder observer({ModalResult::mrYesToAll});
    // One file: its box offers no Yes to all, so that answer skips it like the dismissed box's.
    TfastThread one(Files("/none", {"a.avi"}), FakeAction(calls, {}, Ask), observer);
    RunToEnd(one, observer);
    EXPECT_EQ(one.State().ConfirmMode, kAskedNo);
    EXPECT_TRUE(calls.Get().empty());
}

TEST_F(Runners, NoQuestionWithoutAConfirmationHandlerOrWithConfirmationsOff)
{
    Recorder observer;
    TfastThread silent(Files("/none", {"a.avi", "b.avi"}), FakeAction(calls), observer);
    RunToEnd(silent, observer);
    TfastThread quiet(Files("/none", {"c.avi", "d.avi"}), FakeAction(calls, {}, Ask), observer, true);
    RunToEnd(quiet, observer);
    EXPECT_TRUE(observer.prompter.shown().empty());
    EXPECT_EQ(calls.Get(), (V{"a.avi", "b.avi", "c.avi", "d.avi"}));
}

TEST_F(Runners, AFileTheConditionRefusesIsSkippedWithoutQuestionOrExecution)
{
    Recorder observer({ModalResult::mrYes, ModalResult::mrYes});
    tFileAction action = FakeAction(calls, {}, Ask);
    action.OnFileCondition = [](TParam&, const TAfficherFichier& f, bool& visible, bool& enabled) {
        visible = enabled = f.FileName != "b.avi";
    };
    TfastThread batch(Files("/none", {"a.avi", "b.avi", "c.avi"}), action, observer);
    RunToEnd(batch, observer);
    EXPECT_EQ(observer.prompter.shown().size(), 2u);
    EXPECT_EQ(calls.Get(), (V{"a.avi", "c.avi"}));
    EXPECT_EQ(observer.Log(), (V{"current a.avi", "run a.avi", "done a.avi", "current b.avi", "skipped b.avi",
                                 "current c.avi", "run c.avi", "done c.avi", "finished"}));
}

TEST_F(Runners, AFailedFastFileShowsItsMessageAloneAndTheBatchGoesOn)
{
    Recorder observer;
    const Execution work = [](const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update) {
        if (f.FileName != "b.avi") {
            newfichier = "/none/new-" + f.FileName;
            update = utRename;
            return ExecutionOutcome{};
        }
        return ExecutionOutcome::Failed("Cannot rename b.avi: Permission denied");
    };
    TfastThread batch(Files("/none", {"a.avi", "b.avi", "c.avi"}), FakeAction(calls, work), observer);
    RunToEnd(batch, observer);
    EXPECT_EQ(calls.Get(), (V{"a.avi", "b.avi", "c.avi"}));
    ASSERT_EQ(observer.prompter.shown().size(), 1u);
    EXPECT_EQ(observer.prompter.shown()[0].text, "Cannot rename b.avi: Permission denied");
    EXPECT_EQ(observer.prompter.shown()[0].type, shell::MsgDlgType::mtError);
    ASSERT_EQ(observer.outcomes.size(), 3u);
    EXPECT_EQ(observer.outcomes[0].Update, utRename);
    EXPECT_EQ(observer.outcomes[0].NewFichier, "/none/new-a.avi");
    EXPECT_EQ(observer.outcomes[1].Result, FileResult::Failed);
    EXPECT_EQ(observer.outcomes[1].Message, "Cannot rename b.avi: Permission denied");
}

TEST_F(Runners, AnExceptionIsTheFilesFailureAndEndsAFastBatchButNotACommandBatch)
{
    const Execution raise = [](const TAfficherFichier& f, std::string& newfichier, TchUpdateType& update) {
        newfichier = "/none/half-" + f.FileName;
        update = utAdd;
        if (f.FileName == "a.avi")
            throw std::runtime_error("disk on fire");
        return ExecutionOutcome{};
    };
    {
        Recorder observer;
        TfastThread batch(Files("/none", {"a.avi", "b.avi"}), FakeAction(calls, raise), observer);
        RunToEnd(batch, observer);
        EXPECT_EQ(calls.Get(), V{"a.avi"});
        EXPECT_EQ(observer.Log(),
                  (V{"current a.avi", "run a.avi", "error a.avi: disk on fire", "failed a.avi", "finished"}));
        // What the handler half set is not taken up: the list refreshes as after any failure.
        EXPECT_EQ(observer.outcomes[0].Update, utNone);
        EXPECT_TRUE(observer.outcomes[0].NewFichier.empty());
    }
    {
        Calls ran;
        Recorder observer;
        tFileAction action = FakeAction(ran, raise);
        action.MonoMessage = "Converting \"%s\"";
        TcmdThread batch(Files("/none", {"a.avi", "b.avi"}), action, observer);
        RunToEnd(batch, observer);
        EXPECT_EQ(ran.Get(), (V{"a.avi", "b.avi"}));
        ASSERT_EQ(observer.prompter.shown().size(), 1u);
        EXPECT_EQ(observer.prompter.shown()[0].text,
                  rtl::LoadStr(rtl::sid::sRunErrorWhile) + "Converting \"/none/a.avi\".\r\n\r\n" +
                      rtl::LoadStr(rtl::sid::sRunErrorCheckDisk) + "\r\ndisk on fire");
        EXPECT_EQ(observer.Log(), (V{"current a.avi", "begins Converting \"a.avi\"", "run a.avi",
                                     "error a.avi: disk on fire", "failed a.avi", "current b.avi",
                                     "begins Converting \"b.avi\"", "run b.avi", "done b.avi", "finished"}));
        // A handler that writes its file itself (no graph) keeps its result.
        EXPECT_EQ(observer.outcomes[1].Update, utAdd);
        EXPECT_EQ(observer.outcomes[1].NewFichier, "/none/half-b.avi");
        EXPECT_EQ(observer.progress, 0);
    }
}

TEST_F(Runners, NoFilesOrNoExecutionHandlerOnlyReportsTheEnd)
{
    Recorder observer;
    TcmdThread none({}, FakeAction(calls), observer);
    RunToEnd(none, observer);
    tFileAction idle;
    TfastThread nothing(Files("/none", {"a.avi"}), idle, observer);
    RunToEnd(nothing, observer);
    EXPECT_EQ(observer.Log(), (V{"finished", "finished"}));
}

TEST_F(Runners, TheBatchKeepsItsFilesWhenTheListDropsThemMidBatch)
{
    Latch latch;
    Recorder observer;
    auto list = Files("/none", {"a.avi", "b.avi", "c.avi"});
    std::vector<std::string> read; // on the worker
    const Execution work = [&](const TAfficherFichier& f, std::string&, TchUpdateType&) {
        if (f.FileName == "a.avi")
            latch.Enter();
        read.push_back(f.FullName + "|" + f.FileName);
        return ExecutionOutcome{};
    };
    TfastThread batch(list, FakeAction(calls, work), observer);
    latch.WaitEntered();
    list.clear(); // the list drops its entries: the batch's copies are the last owners
    latch.Release();
    RunToEnd(batch, observer);
    EXPECT_EQ(read, (V{"/none/a.avi|a.avi", "/none/b.avi|b.avi", "/none/c.avi|c.avi"}));
}

TEST_F(Runners, ShiftEscLetsTheCurrentFileFinishAndStartsNoOtherInEveryBatch)
{
    Latch fastLatch, cmdLatch;
    Calls other;
    Recorder observer;
    const Execution work = [&](const TAfficherFichier& f, std::string&, TchUpdateType& update) {
        if (f.FileName == "a.avi")
            fastLatch.Enter();
        if (f.FileName == "c.avi")
            cmdLatch.Enter();
        update = utModify;
        return ExecutionOutcome{};
    };
    TfastThread fast(Files("/none", {"a.avi", "b.avi"}), FakeAction(calls, work), observer);
    TcmdThread command(Files("/none", {"c.avi", "d.avi"}), FakeAction(other, work), observer);
    fastLatch.WaitEntered();
    cmdLatch.WaitEntered();
    AbortAll();
    fastLatch.Release();
    cmdLatch.Release();
    RunToEnd(fast, observer);
    RunToEnd(command, observer);
    EXPECT_EQ(calls.Get(), V{"a.avi"});
    EXPECT_EQ(other.Get(), V{"c.avi"});
    EXPECT_EQ(fast.Counts().Done, 1u);
    EXPECT_EQ(command.Counts().Done, 1u);
    EXPECT_EQ(observer.outcomes[0].Update, utModify);
}

TEST_F(Runners, EscEndsACommandBatchButNotAFastOne)
{
    Calls cmd;
    Recorder observer;
    const Execution escape = [](const TAfficherFichier& f, std::string&, TchUpdateType&) {
        if (f.FileName == "a.avi")
            Abort();
        return ExecutionOutcome{};
    };
    TfastThread fast(Files("/none", {"a.avi", "b.avi", "c.avi"}), FakeAction(calls, escape), observer);
    RunToEnd(fast, observer);
    EXPECT_EQ(calls.Get(), (V{"a.avi", "b.avi", "c.avi"}));
    TcmdThread command(Files("/none", {"a.avi", "b.avi", "c.avi"}), FakeAction(cmd, escape), observer);
    RunToEnd(command, observer);
    EXPECT_EQ(cmd.Get(), V{"a.avi"});
}

TEST_F(Runners, OneCommandBatchRunsAtATimeAndAWaitingOneEndsOnEsc)
{
    std::atomic<int> inside{0};
    std::atomic<int> most{0};
    const Execution busy = [&](const TAfficherFichier&, std::string&, TchUpdateType&) {
        most = std::max(most.load(), ++inside);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --inside;
        return ExecutionOutcome{};
    };
    Recorder observer;
    {
        TcmdThread first(Files("/none", {"a.avi", "b.avi", "c.avi"}), FakeAction(calls, busy), observer);
        TcmdThread second(Files("/none", {"d.avi", "e.avi", "f.avi"}), FakeAction(calls, busy), observer);
        RunToEnd(first, observer);
        RunToEnd(second, observer);
    }
    EXPECT_EQ(calls.Get().size(), 6u);
    EXPECT_EQ(most.load(), 1);

    Latch latch;
    Calls late;
    TcmdThread holding(Files("/none", {"a.avi"}),
                       FakeAction(calls,
                                  [&](const TAfficherFichier&, std::string&, TchUpdateType&) {
                                      latch.Enter();
                                      return ExecutionOutcome{};
                                  }),
                       observer);
    latch.WaitEntered();
    TcmdThread queued(Files("/none", {"g.avi"}), FakeAction(late), observer);
    EXPECT_FALSE(queued.Wait(50)); // waits for the graph
    Abort();
    EXPECT_TRUE(queued.Wait(30000));
    latch.Release();
    RunToEnd(holding, observer);
    EXPECT_TRUE(late.Get().empty());
    // A batch started after the stop commands is not stopped by them.
    Calls fresh;
    TcmdThread after(Files("/none", {"h.avi"}), FakeAction(fresh), observer);
    RunToEnd(after, observer);
    EXPECT_EQ(fresh.Get(), V{"h.avi"});
}

TEST(RunnersWithoutApplication, CallsRunOnTheWorkerWhenThereIsNoGuiThread)
{
    Calls calls;
    Recorder observer({ModalResult::mrYes});
    TfastThread batch(Files("/none", {"a.avi"}), FakeAction(calls, {}, Ask), observer);
    ASSERT_TRUE(batch.Wait(30000));
    EXPECT_EQ(calls.Get(), V{"a.avi"});
    EXPECT_EQ(observer.Log(), (V{"current a.avi", "run a.avi", "done a.avi", "finished"}));
}
