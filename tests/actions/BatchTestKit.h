#pragma once
// What the runner tests share: an observer that records every call in order (and whether it
// came on the GUI thread), scripted answers, fake actions whose handlers record what ran, and
// per-file objects of names that need not exist.
#include <QCoreApplication>
#include <QThread>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "actions/aviFichier.h"
#include "actions/cmd_unit.h"
#include "platform/shell/Prompter.h"

namespace actionstest {

inline const char* ResultName(actions::FileResult r)
{
    using actions::FileResult;
    switch (r) {
    case FileResult::Done: return "done";
    case FileResult::Skipped: return "skipped";
    case FileResult::Declined: return "declined";
    case FileResult::Failed: return "failed";
    case FileResult::Cancelled: return "cancelled";
    }
    return "?";
}

class Recorder : public actions::BatchObserver {
public:
    explicit Recorder(std::deque<shell::ModalResult> answers = {}) : prompter(std::move(answers)) {}

    shell::Prompter& Prompter() override { return prompter; }
    void CurrentFile(const actions::TBatchThread&, const actions::TAfficherFichier& f) override
    {
        Add("current " + f.FileName);
    }
    bool Confirm(actions::TBatchThread& batch, const actions::TAfficherFichier& f) override
    {
        const bool run = BatchObserver::Confirm(batch, f);
        Add(std::string(run ? "run " : "not run ") + f.FileName);
        return run;
    }
    void FileBegins(const actions::TBatchThread&, const actions::TAfficherFichier&, const std::string& text) override
    {
        Add("begins " + text);
    }
    void Progress(const actions::TBatchThread&, int) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++progress;
        CheckThread();
    }
    void FileError(const actions::TBatchThread& batch, const actions::TAfficherFichier& f,
                   const std::string& message) override
    {
        BatchObserver::FileError(batch, f, message);
        Add("error " + f.FileName + ": " + message);
    }
    void FileDone(const actions::TBatchThread&, const actions::TAfficherFichier& f,
                  const actions::FileOutcome& outcome) override
    {
        Add(std::string(ResultName(outcome.Result)) + " " + f.FileName);
        std::lock_guard<std::mutex> guard(lock_);
        outcomes.push_back(outcome);
    }
    void BatchFinished(const actions::TBatchThread&) override { Add("finished"); }

    std::vector<std::string> Log()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return log_;
    }

    shell::ScriptedPrompter prompter;           // used on the GUI thread only
    std::vector<actions::FileOutcome> outcomes; // guarded by lock_
    int progress = 0;                           // guarded by lock_
    bool offGui = false;                        // a call came on another thread than the application's

private:
    void Add(const std::string& entry)
    {
        std::lock_guard<std::mutex> guard(lock_);
        log_.push_back(entry);
        CheckThread();
    }
    void CheckThread()
    {
        if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread())
            offGui = true;
    }
    std::mutex lock_;
    std::vector<std::string> log_;
};

// The names the handlers of a fake action were called with, in order.
struct Calls {
    void Add(const std::string& what)
    {
        std::lock_guard<std::mutex> guard(lock);
        names.push_back(what);
    }
    std::vector<std::string> Get()
    {
        std::lock_guard<std::mutex> guard(lock);
        return names;
    }
    std::mutex lock;
    std::vector<std::string> names;
};

using Execution = std::function<actions::ExecutionOutcome(const actions::TAfficherFichier&, std::string& newfichier,
                                                          actions::TchUpdateType& update)>;
using Question = std::function<std::string(const actions::TAfficherFichier&)>;

// An action whose execution records the file, then does `work` (Done when none); with `ask`, a
// confirmation handler giving its text.
inline actions::tFileAction FakeAction(Calls& calls, Execution work = {}, Question ask = {})
{
    actions::tFileAction a;
    a.Name = "Fake";
    a.Caption = "Fake action";
    a.OnExecution = [&calls, work](actions::TParam&, const actions::TAfficherFichier& f, std::string& newfichier,
                                   actions::TchUpdateType& update) {
        newfichier.clear();
        update = actions::utNone;
        calls.Add(f.FileName);
        return work ? work(f, newfichier, update) : actions::ExecutionOutcome{};
    };
    if (ask)
        a.OnConfirmation = [ask](actions::TParam&, const actions::TAfficherFichier& f, std::string& text) {
            text = ask(f);
        };
    return a;
}

// Objects for names in `folder` (they need not exist: such an object only says so).
inline actions::TBatchThread::FileList Files(const std::string& folder, const std::vector<std::string>& names)
{
    actions::TBatchThread::FileList files;
    for (const std::string& n : names)
        files.push_back(std::make_shared<const actions::TAfficherFichier>(folder + "/" + n));
    return files;
}

// A QCoreApplication for the suite: the observer's calls then reach the test's thread, which
// serves them while it waits for a batch.
class WithApplication {
protected:
    static void MakeApplication() { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    static void DropApplication() { app_.reset(); }
    static inline int argc_ = 1;
    static inline char name_[] = "test";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QCoreApplication> app_;
};

} // namespace actionstest
