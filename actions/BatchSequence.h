#pragma once
// The command line's batches, run one after the other on the command line's files only. A file
// a batch renamed is the renamed file for the next batch, one it deleted leaves, one it changed
// is taken as the batch analysed it again; the outputs of conversions are not taken up. Each batch's observer calls go
// to the given observer as well.
//
//   BatchSequence run(RunSwitches(line, table, files), observer, /*noConfirmation=*/true);
//   run.Start([&] { app.exit(run.Failures() ? 1 : 0); });
//
// Runs on the GUI thread of a running QCoreApplication: each batch's end is taken up by a call
// posted to it.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "actions/cmd_unit.h"
#include "actions/switches.h"

namespace actions {

class BatchSequence {
public:
    using FileList = TBatchThread::FileList;

    // The batches' files are followed through renames and deletes from one batch to the next.
    BatchSequence(std::vector<SwitchBatch> batches, BatchObserver& observer, bool noConfirmation);
    // Waits for the running batch.
    ~BatchSequence();
    BatchSequence(const BatchSequence&) = delete;
    BatchSequence& operator=(const BatchSequence&) = delete;

    // Starts the first batch. `onDone` runs on the GUI thread once the last has ended (at once,
    // posted, when there is none).
    void Start(std::function<void()> onDone);
    // No further batch starts; the running one goes on unless Abort() or AbortAll() stop it.
    void Stop();
    // No further batch starts, and the running one is waited for, its calls served on the GUI
    // thread; `onDone` is not called.
    void End();
    bool Done() const { return done_; }

    // Files that failed or were cancelled, over every batch.
    size_t Failures() const { return failures_; }
    // The files as they stand now, in command-line order; a deleted one is gone.
    FileList Files() const;

private:
    class Relay;
    struct Entry {
        const TAfficherFichier* Original;                // the object the batches were given
        std::shared_ptr<const TAfficherFichier> Fichier; // as it stands; null once deleted
    };

    void Next();
    void TakeUp(const TAfficherFichier& fichier, const FileOutcome& outcome);

    std::vector<SwitchBatch> batches_;
    std::vector<Entry> entries_;
    std::unordered_map<const TAfficherFichier*, size_t> originals_;    // the batches' objects, by entry
    std::unordered_map<const TAfficherFichier*, size_t> runningFiles_; // the running batch's objects, by entry
    BatchObserver& observer_;
    const bool noConfirmation_;
    std::unique_ptr<Relay> relay_;
    std::function<void()> onDone_;
    size_t next_ = 0;
    bool stopped_ = false;
    bool done_ = false;
    size_t failures_ = 0;
    std::shared_ptr<bool> alive_; // false once destroyed: a posted step then does nothing
    std::unique_ptr<TBatchThread> running_;
};

} // namespace actions
