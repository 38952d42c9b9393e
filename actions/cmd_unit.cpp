#include "actions/cmd_unit.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>

#include "actions/IdleWait.h"
#include "actions/aviFichier.h"
#include "media/ConvertirDVunit.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/shell/Prompter.h"
#include "platform/threads/GuiCall.h"

namespace actions {

namespace {

// The batches under way, which the stop commands reach, and the one conversion graph's slot.
struct Batches {
    std::mutex lock; // guards states and slotBusy; held when a flag is cleared, so no wait misses it
    std::condition_variable changed;
    std::vector<std::shared_ptr<BatchState>> states;
    bool slotBusy = false;
};

Batches& TheBatches()
{
    static Batches* batches = new Batches(); // lives to the end of the process, after every batch
    return *batches;
}

void Register(const std::shared_ptr<BatchState>& state)
{
    Batches& b = TheBatches();
    std::lock_guard<std::mutex> guard(b.lock);
    b.states.push_back(state);
}

void Unregister(const std::shared_ptr<BatchState>& state)
{
    Batches& b = TheBatches();
    std::lock_guard<std::mutex> guard(b.lock);
    b.states.erase(std::remove(b.states.begin(), b.states.end(), state), b.states.end());
}

bool Stopped(const BatchState& state)
{
    return state.Running == 0 || state.Continue == 0;
}

// Waits for the conversion graph; false when the batch was stopped meanwhile.
bool TakeGraph(const BatchState& state)
{
    Batches& b = TheBatches();
    std::unique_lock<std::mutex> guard(b.lock);
    b.changed.wait(guard, [&] { return !b.slotBusy || Stopped(state); });
    if (Stopped(state))
        return false;
    b.slotBusy = true;
    return true;
}

void ReleaseGraph()
{
    Batches& b = TheBatches();
    {
        std::lock_guard<std::mutex> guard(b.lock);
        b.slotBusy = false;
    }
    b.changed.notify_all();
}

void ClearEverywhere(std::atomic<uint8_t> BatchState::*flag)
{
    Batches& b = TheBatches();
    {
        std::lock_guard<std::mutex> guard(b.lock);
        for (const auto& state : b.states)
            ((*state).*flag) = 0;
    }
    b.changed.notify_all();
}

// An answer the box did not offer counts as No.
uint8_t ModeOf(shell::ModalResult answer, bool multi)
{
    const auto mode = static_cast<uint8_t>(answer);
    if (mode == kAskEachFile || mode == kAskedNo)
        return mode;
    if (multi && (mode == kAskNoMore || mode == kSkipAsking || mode == kEndBatch))
        return mode;
    return kAskedNo;
}

std::string MessageOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

FileOutcome Ended(FileResult result, std::string message = {})
{
    FileOutcome outcome;
    outcome.Result = result;
    outcome.Message = std::move(message);
    return outcome;
}

} // namespace

void BatchState::Arm(const tFileAction& action, size_t fileCount, bool noConfirmation)
{
    ConfirmMode = !action.OnConfirmation || noConfirmation ? kAskNoMore : kAskEachFile;
    MultiFile = fileCount > 1 ? 1 : 0;
    ExecuteFile = 0;
}

bool ConfirmFile(BatchState& state, tFileAction& action, const TAfficherFichier& fichier, shell::Prompter& prompter)
{
    using namespace shell;
    state.ExecuteFile = 0;
    if (state.ConfirmMode != kAskNoMore) {
        std::string question;
        if (action.OnConfirmation)
            action.OnConfirmation(action.Param, fichier, question);
        if (state.ConfirmMode == kSkipAsking) {
            if (!question.empty())
                return false;
        } else if (question.empty()) {
            state.ConfirmMode = kAskEachFile;
        } else {
            const bool multi = state.MultiFile != 0;
            const ModalResult answer =
                multi ? prompter.MessageDlg(question + "\r\n" + rtl::LoadStr(rtl::sid::sRunAnswerForAll),
                                            MsgDlgType::mtWarning, mbYes | mbNo | mbCancel | mbNoToAll | mbYesToAll)
                      : prompter.MessageDlg(question, MsgDlgType::mtWarning, mbYes | mbNo);
            state.ConfirmMode = ModeOf(answer, multi);
            if (state.ConfirmMode != kAskEachFile && state.ConfirmMode != kAskNoMore)
                return false;
        }
    }
    state.ExecuteFile = 1;
    return true;
}

FileOutcome RunExecution(tFileAction& action, const TAfficherFichier& fichier, bool* raised)
{
    FileOutcome outcome;
    if (raised)
        *raised = false;
    if (!action.OnExecution)
        return outcome;
    try {
        const ExecutionOutcome done = action.OnExecution(action.Param, fichier, outcome.NewFichier, outcome.Update);
        if (!done.Done) {
            outcome.Result = FileResult::Failed;
            outcome.Message = done.Message;
        }
    } catch (...) {
        // What the handler left half set means nothing: the list refreshes as after a failure.
        outcome.Result = FileResult::Failed;
        outcome.Message = MessageOf(std::current_exception());
        outcome.Update =
            action.FailureUpdate == utAdd || action.FailureUpdate == utRename ? utNone : action.FailureUpdate;
        outcome.NewFichier.clear();
        if (raised)
            *raised = true;
    }
    return outcome;
}

std::shared_ptr<const TAfficherFichier> RebuiltFichier(const TAfficherFichier& fichier, const FileOutcome& outcome)
{
    std::string name;
    if (outcome.Update == utModify)
        name = fichier.FullName;
    else if (outcome.Update == utRename)
        name = outcome.NewFichier;
    if (name.empty() || !rtl::FileExists(name))
        return nullptr;
    try {
        return std::make_shared<const TAfficherFichier>(name);
    } catch (...) {
        return nullptr; // the analysis raises for no bad file
    }
}

std::string ProgressText(const tFileAction& action, const TAfficherFichier& fichier)
{
    try {
        return rtl::Format(action.MonoMessage, fichier.FileName);
    } catch (const std::exception&) {
        return action.MonoMessage; // a stray "%" in a translated text
    }
}

std::string ErrorText(RunnerKind kind, const tFileAction& action, const TAfficherFichier& fichier,
                      const std::string& reason)
{
    if (kind != RunnerKind::Cmd)
        return reason;
    std::string work;
    try {
        work = rtl::Format(action.MonoMessage, fichier.FullName);
    } catch (const std::exception&) {
        work = action.MonoMessage;
    }
    std::string text =
        rtl::LoadStr(rtl::sid::sRunErrorWhile) + work + "." + "\r\n\r\n" + rtl::LoadStr(rtl::sid::sRunErrorCheckDisk);
    if (!reason.empty())
        text += "\r\n" + reason;
    return text;
}

void BatchObserver::CurrentFile(const TBatchThread&, const TAfficherFichier&)
{
}

bool BatchObserver::Confirm(TBatchThread& batch, const TAfficherFichier& fichier)
{
    if (!ConfirmFile(batch.State(), batch.Action(), fichier, Prompter()))
        return false;
    if (batch.Kind() == RunnerKind::Cmd && !batch.Action().MonoMessage.empty())
        FileBegins(batch, fichier, ProgressText(batch.Action(), fichier));
    return true;
}

void BatchObserver::FileBegins(const TBatchThread&, const TAfficherFichier&, const std::string&)
{
}

void BatchObserver::Progress(const TBatchThread&, int)
{
}

void BatchObserver::FileError(const TBatchThread& batch, const TAfficherFichier& fichier, const std::string& message)
{
    Prompter().MessageDlg(ErrorText(batch.Kind(), batch.Action(), fichier, message), shell::MsgDlgType::mtError,
                          shell::mbOK);
}

void BatchObserver::FileDone(const TBatchThread&, const TAfficherFichier&, const FileOutcome&)
{
}

void BatchObserver::BatchFinished(const TBatchThread&)
{
}

TBatchThread::TBatchThread(RunnerKind kind, FileList files, tFileAction action, BatchObserver& observer,
                           bool noConfirmation)
    : kind_(kind), files_(std::move(files)), action_(std::move(action)), observer_(observer),
      noConfirmation_(noConfirmation), state_(std::make_shared<BatchState>())
{
    Register(state_);
    worker_.Post([this] { Run(); });
}

TBatchThread::~TBatchThread()
{
    WaitIdleServingGui(worker_, -1);
}

bool TBatchThread::Wait(int timeoutMs)
{
    return WaitIdleServingGui(worker_, timeoutMs);
}

void TBatchThread::Run()
{
    try {
        RunFiles();
    } catch (...) {
        // Only an observer could raise here; the batch still ends as a batch.
    }
    try {
        threads::SendToGui([this] { observer_.BatchFinished(*this); });
    } catch (...) {
    }
    Unregister(state_);
    finished_ = true;
}

void TBatchThread::RunFiles()
{
    if (files_.empty() || !action_.OnExecution)
        return;
    const bool command = kind_ == RunnerKind::Cmd;
    if (command && !TakeGraph(*state_))
        return;
    struct GraphRelease {
        bool held;
        ~GraphRelease()
        {
            if (held)
                ReleaseGraph();
        }
    } release{command};

    BatchState& state = *state_;
    state.Arm(action_, files_.size(), noConfirmation_);
    for (const auto& file : files_) {
        if (state.Continue == 0 || (command && state.Running == 0))
            break;
        const TAfficherFichier& fichier = *file;
        threads::SendToGui([&] { observer_.CurrentFile(*this, fichier); });
        if (!Taken(fichier)) {
            Report(fichier, Ended(FileResult::Skipped));
            continue;
        }
        bool run = false;
        std::exception_ptr askError;
        threads::SendToGui([&] {
            try {
                run = observer_.Confirm(*this, fichier);
            } catch (...) {
                askError = std::current_exception();
            }
        });
        bool raised = false;
        FileOutcome outcome;
        if (askError) {
            raised = true;
            outcome = Ended(FileResult::Failed, MessageOf(askError));
        } else if (!run) {
            Report(fichier, Ended(FileResult::Declined));
            if (state.ConfirmMode == kEndBatch)
                break;
            continue;
        } else {
            outcome = Execute(fichier, raised);
        }
        Report(fichier, outcome);
        // An exception ends a fast batch; Esc a command batch.
        if ((raised && !command) || outcome.Result == FileResult::Cancelled)
            break;
    }
}

bool TBatchThread::Taken(const TAfficherFichier& fichier)
{
    bool visible = true;
    bool enabled = true;
    if (action_.OnFileCondition) {
        try {
            action_.OnFileCondition(action_.Param, fichier, visible, enabled);
        } catch (...) {
            enabled = false;
        }
    }
    return enabled;
}

FileOutcome TBatchThread::Execute(const TAfficherFichier& fichier, bool& raised)
{
    if (kind_ != RunnerKind::Cmd)
        return RunExecution(action_, fichier, &raised);
    media::TCdm& cdm = media::Cdm();
    cdm.CdmSeeking = nullptr;
    FileOutcome built = RunExecution(action_, fichier, &raised);
    // A handler that wrote its file itself built no graph: its result stands.
    if (built.Result != FileResult::Done || cdm.CdmSeeking == nullptr)
        return built;
    return RunGraph(std::move(built));
}

FileOutcome TBatchThread::RunGraph(FileOutcome built)
{
    const media::ConversionOutcome run = media::Cdm().RunBuiltGraph(
        [this] { return state_->Running == 0; },
        [this](int percent) { threads::PostToGui([this, percent] { observer_.Progress(*this, percent); }); });
    if (run.kind == media::ConversionOutcome::Completed)
        return built;
    // Only a completed run leaves a file to list.
    FileOutcome outcome = std::move(built);
    if (outcome.Update == utAdd)
        outcome.Update = utNone;
    outcome.NewFichier.clear();
    switch (run.kind) {
    case media::ConversionOutcome::Cancelled: outcome.Result = FileResult::Cancelled; break;
    case media::ConversionOutcome::Failed:
        outcome.Result = FileResult::Failed;
        outcome.Message = run.text;
        break;
    default:
        outcome.Result = FileResult::Failed;
        outcome.Message = rtl::LoadStr(rtl::sid::sRunNothingToRun);
        break;
    }
    return outcome;
}

void TBatchThread::Report(const TAfficherFichier& fichier, const FileOutcome& ended)
{
    // The new analysis is made here, on the worker: the window would otherwise make it while
    // every event waits behind it.
    FileOutcome outcome = ended;
    outcome.Fichier = RebuiltFichier(fichier, outcome);
    switch (outcome.Result) {
    case FileResult::Done: ++counts_.Done; break;
    case FileResult::Skipped: ++counts_.Skipped; break;
    case FileResult::Declined: ++counts_.Declined; break;
    case FileResult::Failed: ++counts_.Failed; break;
    case FileResult::Cancelled: ++counts_.Cancelled; break;
    }
    if (outcome.Result == FileResult::Failed)
        threads::SendToGui([&] { observer_.FileError(*this, fichier, outcome.Message); });
    threads::SendToGui([&] { observer_.FileDone(*this, fichier, outcome); });
}

void Abort()
{
    ClearEverywhere(&BatchState::Running);
}

void AbortAll()
{
    ClearEverywhere(&BatchState::Continue);
}

} // namespace actions
