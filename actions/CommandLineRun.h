#pragma once
// The command line's work, with or without a window: its file names checked, then, once the
// caller has listed them, its switches' batches run one after the other on those files only
// (BatchSequence), and the exit status of the whole.
//
//   CommandLineRun run(line, table);
//   for (const std::string& p : run.Problems()) ...        // names that are no AVI files
//   list(run.Names());                                      // the caller's list thread
//   ... once listed:
//   run.Start(lookup, observer, [&] { exit(run.ExitStatus()); });
//
// On the GUI thread of a running QCoreApplication, as BatchSequence.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions/BatchSequence.h"
#include "actions/cmd_unit.h"
#include "actions/switches.h"

namespace actions {

// Exit statuses: every taken file succeeded; a file failed or a named file is no existing AVI
// file; the command line was rejected.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitRejected = 2;

class CommandLineRun {
public:
    using Lookup = std::function<std::shared_ptr<const TAfficherFichier>(const std::string& fullName)>;

    // Checks the line's file names at once.
    CommandLineRun(CommandLine line, SwitchList table);
    ~CommandLineRun();
    CommandLineRun(const CommandLineRun&) = delete;
    CommandLineRun& operator=(const CommandLineRun&) = delete;

    // The named files that are existing AVI files: full paths, each once, in command-line order.
    const std::vector<std::string>& Names() const { return names_; }
    // One message per name that is none (missing, a folder, no ".avi"), and, once started, per
    // name that was not listed. Each fails the run.
    const std::vector<std::string>& Problems() const { return problems_; }
    bool NoConfirmation() const { return line_.Hidden || line_.NoConfirmation; }

    // Once the names are listed: `listed` gives each name's object (null when it was not listed).
    // Runs the batches with `observer`; `onDone` on the GUI thread after the last (posted when
    // there is none). Returns the messages of the names not listed.
    std::vector<std::string> Start(const Lookup& listed, BatchObserver& observer, std::function<void()> onDone);
    // No further batch starts; the running one ends as Abort() or AbortAll() make it.
    void Stop();
    // Stop(), then waits for the running batch, serving its calls on the GUI thread.
    void End();
    bool Started() const { return sequence_ != nullptr; }
    // Started, and no batch of the line runs or will.
    bool Done() const { return sequence_ && (ended_ || sequence_->Done()); }

    // kExitOk, or kExitFailed when a name was no listed AVI file or a file failed or was cancelled.
    int ExitStatus() const;

private:
    CommandLine line_;
    SwitchList table_;
    std::vector<std::string> names_;
    std::vector<std::string> problems_;
    std::unique_ptr<BatchSequence> sequence_;
    bool ended_ = false;
};

} // namespace actions
