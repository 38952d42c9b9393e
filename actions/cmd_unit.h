#pragma once
// The batch runners: one worker thread per batch runs one file action over files, so the window
// stays responsive. TfastThread serves actions whose work ends inside the execution handler
// (renames, re-dating, deletes, in-place patches, openers); TcmdThread those whose handler builds
// a conversion graph in media::Cdm(), which the thread then runs to its end. Both reach the
// window, or the headless run, only through a BatchObserver whose calls run on the GUI thread.
//
//   TcmdThread batch(files, ch.Action("DVType2"), observer);  // copies both, starts at once
//   Abort();     // Esc: every command batch cancels its graph and ends
//   AbortAll();  // Shift+Esc: every batch ends after its current file
//   batch.Wait(-1);
//
// Each file ends done, skipped (its condition refused it), declined (the question said no),
// failed (with the user's message) or cancelled (Esc stopped its graph). One command batch runs
// at a time, since there is one conversion graph: a second waits until the first has ended.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "actions/FileAction.h"
#include "platform/threads/Worker.h"

namespace shell {
class Prompter;
}

namespace actions {

class TAfficherFichier;
class TBatchThread;

enum class FileResult : uint8_t { Done, Skipped, Declined, Failed, Cancelled };

struct FileOutcome {
    FileResult Result = FileResult::Done;
    std::string Message;           // Failed: what failed and the system's reason
    TchUpdateType Update = utNone; // what the list does with the file
    std::string NewFichier;        // the output (utAdd) or the new name (utRename)
    // utModify and utRename: the file as it stands now, analysed by the batch's worker so the
    // window only swaps it in; null when the file is gone.
    std::shared_ptr<const TAfficherFichier> Fichier;
};

// Files of a batch by result, filled as it runs.
struct BatchCounts {
    size_t Done = 0;
    size_t Skipped = 0;
    size_t Declined = 0;
    size_t Failed = 0;
    size_t Cancelled = 0;
};

// The confirmation modes, as the question's answers number them.
inline constexpr uint8_t kAskEachFile = 6; // yes: the next file is asked again
inline constexpr uint8_t kAskedNo = 7;     // no: this file is skipped, the next one asked
inline constexpr uint8_t kAskNoMore = 10;  // yes to all
inline constexpr uint8_t kSkipAsking = 9;  // no to all: files with a question are skipped
inline constexpr uint8_t kEndBatch = 2;    // cancel

// One batch's state, shared between its worker and the GUI thread. The stop commands write the
// two flags; the question protocol writes the answers while the worker waits for it.
struct BatchState {
    std::atomic<uint8_t> Running{1};                // 0 (Esc): the graph is cancelled, a command batch ends
    std::atomic<uint8_t> Continue{1};               // 0 (Shift+Esc): the batch ends after its current file
    std::atomic<uint8_t> ConfirmMode{kAskEachFile}; // one of the modes above
    std::atomic<uint8_t> MultiFile{0};              // the question offers the to-all answers
    std::atomic<uint8_t> ExecuteFile{0};            // the last question's verdict

    // The start of a batch: every file is asked, unless the action has no question or
    // confirmations are off (then none is).
    void Arm(const tFileAction& action, size_t fileCount, bool noConfirmation);
};

// The question for one taken file, on the GUI thread; true when the file is to run. With the
// mode at yes-to-all nothing is asked. Otherwise the action's question is built: an empty one
// runs the file; under no-to-all a file with a question is skipped; else it is asked (Yes, No;
// with several files also Cancel, No to all, Yes to all and the note that those answer for the
// rest) and the answer becomes the mode. Also the window's runner for the current file uses it.
bool ConfirmFile(BatchState& state, tFileAction& action, const TAfficherFichier& fichier, shell::Prompter& prompter);

// Calls the action's execution handler on one file (nothing to do without one: Done). The
// handler's failure, or an exception it raises (`raised` set), is the file's failure.
FileOutcome RunExecution(tFileAction& action, const TAfficherFichier& fichier, bool* raised = nullptr);

// The file's object after `outcome`'s update: analysed again for utModify and utRename (null when
// the file is no longer there), else none. The analysis may take a while: call it off the GUI
// thread where there is a choice.
std::shared_ptr<const TAfficherFichier> RebuiltFichier(const TAfficherFichier& fichier, const FileOutcome& outcome);

// The action's progress text for the file: its MonoMessage with the bare name for "%s".
std::string ProgressText(const tFileAction& action, const TAfficherFichier& fichier);
// The error box of a failed file. A command batch's names the work by its progress text and asks
// to check the disk; the reason follows on a line of its own. A fast batch's is the reason alone.
std::string ErrorText(RunnerKind kind, const tFileAction& action, const TAfficherFichier& fichier,
                      const std::string& reason);

// What a batch tells its window. Every call runs on the GUI thread; all but Progress wait there
// until they return. The observer lives until its batches have sent BatchFinished; observer
// calls do not raise.
class BatchObserver {
public:
    virtual ~BatchObserver() = default;

    // Where the questions and error boxes are shown.
    virtual shell::Prompter& Prompter() = 0;
    // First thing for each file: select and show it.
    virtual void CurrentFile(const TBatchThread& batch, const TAfficherFichier& fichier);
    // The question for a taken file; true runs it. By default ConfirmFile with Prompter(), then,
    // in a command batch whose action has a progress text, FileBegins.
    virtual bool Confirm(TBatchThread& batch, const TAfficherFichier& fichier);
    // A command batch starts on a file: show its progress text.
    virtual void FileBegins(const TBatchThread& batch, const TAfficherFichier& fichier,
                            const std::string& progressText);
    // Percent done of the running graph, about every 500 ms; posted, the worker goes on.
    virtual void Progress(const TBatchThread& batch, int percent);
    // A file failed, before its FileDone. By default ErrorText in an error box of Prompter().
    virtual void FileError(const TBatchThread& batch, const TAfficherFichier& fichier, const std::string& message);
    // Every file the batch reached, with how it ended and the list update it asks for.
    virtual void FileDone(const TBatchThread& batch, const TAfficherFichier& fichier, const FileOutcome& outcome);
    // Once, however the batch ended. Do not destroy the batch in here: its thread is still on
    // its way out (post the clean-up, or Wait() for it).
    virtual void BatchFinished(const TBatchThread& batch);
};

// A batch: its own copy of the files and of the action, its state and its worker thread.
class TBatchThread {
public:
    using FileList = std::vector<std::shared_ptr<const TAfficherFichier>>;

    // Waits for the thread, serving on the GUI thread the calls it waits on.
    ~TBatchThread();
    TBatchThread(const TBatchThread&) = delete;
    TBatchThread& operator=(const TBatchThread&) = delete;

    RunnerKind Kind() const { return kind_; }
    // The batch's copy; its handlers run on the worker, its question on the GUI thread.
    tFileAction& Action() { return action_; }
    const tFileAction& Action() const { return action_; }
    const FileList& Files() const { return files_; }
    BatchState& State() { return *state_; }
    // Read on the GUI thread inside observer calls, or once Finished().
    const BatchCounts& Counts() const { return counts_; }

    bool Finished() const { return finished_.load(); }
    // Negative time-out: forever. False on time-out. On the GUI thread it serves the observer.
    bool Wait(int timeoutMs);

protected:
    TBatchThread(RunnerKind kind, FileList files, tFileAction action, BatchObserver& observer, bool noConfirmation);

private:
    void Run();
    void RunFiles();
    // The file's condition; false when it refuses the file.
    bool Taken(const TAfficherFichier& fichier);
    // The execution, and for a command batch the graph it built.
    FileOutcome Execute(const TAfficherFichier& fichier, bool& raised);
    FileOutcome RunGraph(FileOutcome built);
    void Report(const TAfficherFichier& fichier, const FileOutcome& outcome);

    const RunnerKind kind_;
    const FileList files_;
    tFileAction action_;
    BatchObserver& observer_;
    const bool noConfirmation_;
    const std::shared_ptr<BatchState> state_;
    BatchCounts counts_; // written by the worker; read by the GUI while it waits, or after
    std::atomic<bool> finished_{false};
    threads::Worker worker_; // last: its thread starts once the fields above exist
};

// Runs an action whose execution builds a conversion graph: the handler builds it in
// media::Cdm() and the thread runs it with the batch's running flag as cancel test.
class TcmdThread final : public TBatchThread {
public:
    TcmdThread(FileList files, tFileAction action, BatchObserver& observer, bool noConfirmation = false)
        : TBatchThread(RunnerKind::Cmd, std::move(files), std::move(action), observer, noConfirmation)
    {
    }
};

// Runs an action whose work ends inside its execution handler. Esc does not stop it.
class TfastThread final : public TBatchThread {
public:
    TfastThread(FileList files, tFileAction action, BatchObserver& observer, bool noConfirmation = false)
        : TBatchThread(RunnerKind::Fast, std::move(files), std::move(action), observer, noConfirmation)
    {
    }
};

// Esc: every running or waiting command batch cancels its graph and ends; fast batches go on.
void Abort();
// Shift+Esc: every running or waiting batch ends after its current file.
void AbortAll();

} // namespace actions
