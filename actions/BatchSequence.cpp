#include "actions/BatchSequence.h"

#include "actions/aviFichier.h"
#include "platform/threads/GuiCall.h"

namespace actions {

// Passes every call on to the sequence's observer; takes up each file's list update and, at the
// end of a batch, has the next one started once its thread is on its way out.
class BatchSequence::Relay : public BatchObserver {
public:
    explicit Relay(BatchSequence& sequence) : sequence_(sequence) {}

    shell::Prompter& Prompter() override { return Outer().Prompter(); }
    void CurrentFile(const TBatchThread& batch, const TAfficherFichier& fichier) override
    {
        Outer().CurrentFile(batch, fichier);
    }
    bool Confirm(TBatchThread& batch, const TAfficherFichier& fichier) override
    {
        return Outer().Confirm(batch, fichier);
    }
    void FileBegins(const TBatchThread& batch, const TAfficherFichier& fichier, const std::string& text) override
    {
        Outer().FileBegins(batch, fichier, text);
    }
    void Progress(const TBatchThread& batch, int percent) override { Outer().Progress(batch, percent); }
    void FileError(const TBatchThread& batch, const TAfficherFichier& fichier, const std::string& message) override
    {
        Outer().FileError(batch, fichier, message);
    }
    void FileDone(const TBatchThread& batch, const TAfficherFichier& fichier, const FileOutcome& outcome) override
    {
        sequence_.TakeUp(fichier, outcome);
        Outer().FileDone(batch, fichier, outcome);
    }
    void BatchFinished(const TBatchThread& batch) override
    {
        Outer().BatchFinished(batch);
        threads::PostToGui([this, alive = sequence_.alive_] {
            if (*alive)
                sequence_.Next();
        });
    }

private:
    BatchObserver& Outer() { return sequence_.observer_; }
    BatchSequence& sequence_;
};

BatchSequence::BatchSequence(std::vector<SwitchBatch> batches, BatchObserver& observer, bool noConfirmation)
    : batches_(std::move(batches)), observer_(observer), noConfirmation_(noConfirmation),
      relay_(std::make_unique<Relay>(*this)), alive_(std::make_shared<bool>(true))
{
    for (const SwitchBatch& b : batches_)
        for (const auto& f : b.Files)
            if (f && originals_.emplace(f.get(), entries_.size()).second)
                entries_.push_back({f.get(), f});
}

BatchSequence::~BatchSequence()
{
    End();
}

void BatchSequence::End()
{
    stopped_ = true;
    *alive_ = false;  // a step posted meanwhile does nothing
    running_.reset(); // waits for its thread
}

void BatchSequence::Start(std::function<void()> onDone)
{
    onDone_ = std::move(onDone);
    threads::PostToGui([this, alive = alive_] {
        if (*alive)
            Next();
    });
}

void BatchSequence::Stop()
{
    stopped_ = true;
}

BatchSequence::FileList BatchSequence::Files() const
{
    FileList files;
    for (const Entry& e : entries_)
        if (e.Fichier)
            files.push_back(e.Fichier);
    return files;
}

void BatchSequence::Next()
{
    running_.reset(); // its thread has sent its last call: this only joins it
    runningFiles_.clear();
    if (stopped_ || next_ >= batches_.size()) {
        if (!done_) {
            done_ = true;
            if (onDone_)
                onDone_();
        }
        return;
    }
    const SwitchBatch& batch = batches_[next_++];
    FileList files;
    for (const auto& original : batch.Files) {
        const auto it = original ? originals_.find(original.get()) : originals_.end();
        if (it == originals_.end() || !entries_[it->second].Fichier)
            continue;
        files.push_back(entries_[it->second].Fichier);
        runningFiles_.emplace(files.back().get(), it->second);
    }
    if (batch.Runner == RunnerKind::Cmd)
        running_ = std::make_unique<TcmdThread>(std::move(files), *batch.Action, *relay_, noConfirmation_);
    else
        running_ = std::make_unique<TfastThread>(std::move(files), *batch.Action, *relay_, noConfirmation_);
}

void BatchSequence::TakeUp(const TAfficherFichier& fichier, const FileOutcome& outcome)
{
    if (outcome.Result == FileResult::Failed || outcome.Result == FileResult::Cancelled)
        ++failures_;
    const auto it = runningFiles_.find(&fichier);
    if (it == runningFiles_.end())
        return;
    Entry& entry = entries_[it->second];
    switch (outcome.Update) {
    case utDelete: entry.Fichier = nullptr; break;
    case utModify: entry.Fichier = outcome.Fichier; break; // the worker's new analysis; null when gone
    case utRename:
        if (!outcome.NewFichier.empty())
            entry.Fichier = outcome.Fichier;
        break;
    default: break; // a conversion's output is no input of the later batches
    }
}

} // namespace actions
