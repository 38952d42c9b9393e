// Running the file commands: on the current file, without a file, or as a batch over the
// selection; the window as the batches' observer and as the file actions' window hooks; the
// command line's switches once its files are listed.
#include <QApplication>
#include <QListWidget>
#include <QSlider>
#include <QTimer>
#include <algorithm>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/LinkLabel.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"
#include "ui/riffunitWindow.h"

namespace ui {

using namespace rtl::sid;
using actions::FileOutcome;
using actions::RunnerKind;
using actions::TAfficherFichier;

namespace {

// The object a command without a file is handed: a name that is no file.
const std::shared_ptr<const TAfficherFichier>& NoFile()
{
    static const auto none = std::make_shared<const TAfficherFichier>(std::string());
    return none;
}

} // namespace

void TUIForm::RunFileCommand(Command& command)
{
    actions::tFileAction* action = FindFileAction(command);
    if (!action)
        return;
    switch (action->Runner) {
    case actions::RunnerKind::Gui: RunOnCurrentFile(*action); break;
    case actions::RunnerKind::None: RunWithoutFile(*action); break;
    case actions::RunnerKind::Fast: RunFastThread(*action); break;
    case actions::RunnerKind::Cmd: RunCmdThread(*action); break;
    }
}

void TUIForm::RunOnCurrentFile(actions::tFileAction& action)
{
    const auto current = CurrentFichier();
    if (!current || ItemIndex() < 0)
        return;
    // Its question is a box: a close asked for meanwhile waits until the command has run.
    InSink([&] {
        lb->setEnabled(false);
        try {
            if (action.OnExecution) {
                actions::BatchState state;
                state.Arm(action, 1, NoConfirmation);
                bool visible = true, enabled = true;
                if (action.OnFileCondition)
                    action.OnFileCondition(action.Param, *current, visible, enabled);
                if (enabled && actions::ConfirmFile(state, action, *current, Prompter()))
                    RunGeneralAction(action, current);
            }
        } catch (...) {
            if (!BatchesRunning())
                EndOfBatches();
            throw;
        }
        if (!BatchesRunning())
            EndOfBatches();
    });
}

void TUIForm::RunWithoutFile(actions::tFileAction& action)
{
    InSink([&] {
        actions::BatchState state;
        state.Arm(action, 1, NoConfirmation);
        if (!actions::ConfirmFile(state, action, *NoFile(), Prompter()))
            return;
        const bool progress = !action.MonoMessage.empty();
        if (progress)
            ShowProgress(actions::ProgressText(action, *NoFile()));
        if (action.OnExecution)
            RunGeneralAction(action, nullptr);
        if (progress)
            EndCommandUI();
    });
}

FileOutcome TUIForm::RunGeneralAction(actions::tFileAction& action,
                                      const std::shared_ptr<const TAfficherFichier>& fichier)
{
    actions::tFileAction own = action; // the handler may write its parameter record
    const TAfficherFichier& file = fichier ? *fichier : *NoFile();
    FileOutcome outcome = actions::RunExecution(own, file);
    if (outcome.Result == actions::FileResult::Failed)
        dialogs_.MessageDlg(actions::ErrorText(RunnerKind::Gui, action, file, outcome.Message),
                            shell::MsgDlgType::mtError, shell::mbOK);
    if (fichier) {
        outcome.Fichier = actions::RebuiltFichier(*fichier, outcome);
        ApplyUpdate(*fichier, outcome);
        if (outcome.Update != actions::utNone)
            RefreshList();
    }
    return outcome;
}

void TUIForm::RunFastThread(actions::tFileAction& action)
{
    StartBatch(RunnerKind::Fast, action);
}

void TUIForm::RunCmdThread(actions::tFileAction& action)
{
    StartBatch(RunnerKind::Cmd, action);
}

void TUIForm::StartBatch(RunnerKind kind, actions::tFileAction& action)
{
    if (closing_)
        return;
    // The batch takes the objects as they stand, in list order; the list may change meanwhile.
    actions::TBatchThread::FileList files = SelectedFiles();
    if (files.empty())
        return;
    lb->setEnabled(false);
    if (kind == RunnerKind::Cmd)
        DisableBatchCommands();
    lb->clearSelection();
    if (kind == RunnerKind::Cmd)
        batches_.push_back(std::make_unique<actions::TcmdThread>(std::move(files), action, *this, NoConfirmation));
    else
        batches_.push_back(std::make_unique<actions::TfastThread>(std::move(files), action, *this, NoConfirmation));
}

void TUIForm::DisableBatchCommands()
{
    lb->setEnabled(false);
    for (Command& command : al)
        if (command.Cat == catListe || command.Cat == catMulti)
            command.Action->setEnabled(false);
}

bool TUIForm::BatchesRunning(const actions::TBatchThread* ending) const
{
    const bool own = std::any_of(batches_.begin(), batches_.end(),
                                 [ending](const auto& batch) { return batch.get() != ending && !batch->Finished(); });
    // The command line's switches will run once its files are listed; "?" runs none.
    const bool commandLineWaits = !commandLineRun_ && !commandLine_.Switches.empty() && !commandLine_.Help && !closing_;
    return own || commandLineWaits || (commandLineRun_ && commandLineRun_->Started() && !commandLineRun_->Done());
}

void TUIForm::AbortBatches(bool all)
{
    if (all)
        actions::AbortAll();
    else
        actions::Abort();
    // The command line's later switches are stopped too: the user took over.
    if (commandLineRun_)
        commandLineRun_->Stop();
}

void TUIForm::EndBatches()
{
    // The running graph is cancelled and its output dropped; a fast batch ends after its file.
    // Their last calls to the window are served while they are waited for.
    waitingBatches_ = true;
    if (commandLineRun_)
        commandLineRun_->Stop();
    actions::Abort();
    actions::AbortAll();
    if (commandLineRun_)
        commandLineRun_->End();
    for (const auto& batch : batches_)
        batch->Wait(-1);
    batches_.clear();
    waitingBatches_ = false;
}

void TUIForm::RunCommandLine(bool complete)
{
    if (closing_ || commandLineRun_ || commandLine_.Switches.empty())
        return;
    commandLineRun_ = std::make_unique<actions::CommandLineRun>(commandLine_, SwitchList);
    // An Esc that cut the loading runs none of the switches.
    if (!complete) {
        if (commandLine_.CloseAfter) {
            exitStatus_ = actions::kExitFailed;
            QTimer::singleShot(0, this, [this] { close(); });
        }
        return;
    }
    DisableBatchCommands();
    // The entries of the command line's files only, whatever else the list holds.
    commandLineRun_->Start(
        [this](const std::string& fullName) {
            const int index = FindListItem(fullName);
            return index >= 0 ? KeyList[index].Fichier : nullptr;
        },
        *this, [this] { CommandLineDone(); });
}

void TUIForm::CommandLineDone()
{
    if (!BatchesRunning())
        EndOfBatches();
    if (commandLine_.CloseAfter && !closing_) {
        exitStatus_ = commandLineRun_->ExitStatus();
        // Not from inside the sequence's own call, which the close waits for.
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void TUIForm::ShowProgress(const std::string& text)
{
    if (!BaseFrame->Gauge1->isVisible()) {
        tbBeforeGauge_ = BaseFrame->tb->isVisibleTo(BaseFrame);
        BaseFrame->tb->hide();
    }
    BaseFrame->Gauge1->SetProgress(0);
    BaseFrame->Gauge1->show();
    SetStatusText(text);
}

void TUIForm::BeginCommandUI(const std::string& progress, const TAfficherFichier&)
{
    ShowCurrentFile();
    ShowProgress(progress);
}

void TUIForm::EndCommandUI()
{
    if (BaseFrame->Gauge1->isVisible()) {
        BaseFrame->Gauge1->hide();
        BaseFrame->tb->setVisible(tbBeforeGauge_);
    }
    SetStatusText(rtl::LoadStr(sMainReady));
    if (lb->isVisible() && lb->isEnabled() && !closing_)
        lb->setFocus();
    RefreshList();
}

void TUIForm::EndOfBatches()
{
    lb->setEnabled(true);
    RefreshList();
    UpdateActions();
    const bool pageShown = AproposFrame->Shown() || OptionsFrame->Shown();
    if (isActiveWindow() && lb->isVisible() && !pageShown && !closing_)
        lb->setFocus();
    SetStatusText(rtl::LoadStr(sMainReady));
}

void TUIForm::ApplyUpdate(const TAfficherFichier& fichier, const FileOutcome& outcome)
{
    if (outcome.Update == actions::utAdd) {
        // The output is listed as the list thread analyses it; the source entry stays.
        if (!outcome.NewFichier.empty())
            ReAddFile(outcome.NewFichier);
        return;
    }
    const int index = FindListItem(fichier.FullName);
    if (index < 0)
        return;
    switch (outcome.Update) {
    case actions::utDelete: DeleteListItem(index); break;
    case actions::utModify:
        if (outcome.Fichier)
            RefreshListItem(index, outcome.Fichier);
        else
            DeleteListItem(index); // the file is gone
        break;
    case actions::utRename:
        if (outcome.NewFichier.empty())
            break;
        if (outcome.Fichier)
            RenameListItem(index, outcome.Fichier);
        else
            DeleteListItem(index);
        break;
    default: break;
    }
}

shell::Prompter& TUIForm::Prompter()
{
    return dialogs_;
}

bool TUIForm::Confirm(actions::TBatchThread& batch, const TAfficherFichier& fichier)
{
    bool run = false;
    InSink([&] { run = BatchObserver::Confirm(batch, fichier); });
    return run;
}

void TUIForm::FileError(const actions::TBatchThread& batch, const TAfficherFichier& fichier, const std::string& message)
{
    InSink([&] { BatchObserver::FileError(batch, fichier, message); });
}

void TUIForm::CurrentFile(const actions::TBatchThread&, const actions::TAfficherFichier& fichier)
{
    InSink([&] {
        const int index = FindListItem(fichier.FullName);
        if (index < 0)
            return; // removed from the list meanwhile: the batch still has its file
        SetItemIndex(index);
        lb->item(index)->setSelected(true);
        lb->scrollToItem(lb->item(index));
        RefreshListSoon();
    });
}

void TUIForm::FileBegins(const actions::TBatchThread&, const actions::TAfficherFichier& fichier,
                         const std::string& progressText)
{
    InSink([&] { BeginCommandUI(progressText, fichier); });
}

void TUIForm::Progress(const actions::TBatchThread&, int percent)
{
    if (BaseFrame->Gauge1->isVisible())
        BaseFrame->Gauge1->SetProgress(percent);
}

void TUIForm::FileDone(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                       const actions::FileOutcome& outcome)
{
    InSink([&] {
        ApplyUpdate(fichier, outcome);
        if (batch.Kind() == RunnerKind::Cmd)
            EndCommandUI();
        else if (outcome.Update != actions::utNone)
            RefreshListSoon();
    });
}

void TUIForm::RefreshListSoon()
{
    FollowCurrentEntry();
    if (refreshPending_)
        return;
    refreshPending_ = true;
    lb->setUpdatesEnabled(false); // painted with the captions, not once a file
    QTimer::singleShot(kRefreshMs, this, [this] {
        refreshPending_ = false;
        lb->setUpdatesEnabled(true);
        if (!closing_)
            RefreshList();
    });
}

void TUIForm::BatchFinished(const actions::TBatchThread& batch)
{
    InSink([&] {
        if (batch.Kind() == RunnerKind::Cmd)
            EndCommandUI();
        // Its thread is on its way out: it is let go once this call has returned.
        const actions::TBatchThread* ended = &batch;
        QTimer::singleShot(0, this, [this, ended] {
            if (waitingBatches_)
                return;
            std::erase_if(batches_, [ended](const auto& b) { return b.get() == ended; });
        });
        if (!BatchesRunning(ended))
            EndOfBatches();
    });
}

void TUIForm::CloseViewer(const std::string&)
{
    view_.CloseViewGraph();
}

void TUIForm::EndCloseViewer(const std::string&)
{
    view_.EndCloseViewGraph();
}

void TUIForm::ReopenViewer(const actions::TAfficherFichier& file)
{
    // The file the action changed, whichever entry is current.
    if (view_.Graph().Active())
        view_.OpenViewGraph(ToViewFile(file), BaseFrame->vw->Renderer());
}

void TUIForm::ShowRiffHeader(const std::string& fullName)
{
    RiffForm->Analyse(fullName);
}

void TUIForm::ShowOverlayCommand(const std::string& caption, int imageIndex)
{
    amAfficherIncrustation->setText(QString::fromStdString(caption));
    amAfficherIncrustation->setIcon(ImageList(imageIndex));
    amAfficherIncrustation->setData(imageIndex);
}

void TUIForm::RedrawViewer()
{
    view_.RedrawPaused();
}

void TUIForm::ShowOverlaySliders(bool shown, const std::string& caption)
{
    BaseFrame->incrustHorz->setVisible(shown);
    BaseFrame->incrustVert->setVisible(shown);
    amAfficherSliders->setText(QString::fromStdString(caption));
}

void TUIForm::ShowVolumeGauge(bool shown)
{
    Panel1->setVisible(shown);
}

void TUIForm::SendMail(const std::string& subject, const std::string& body)
{
    vcl::MailtoLabel& mail = *AproposFrame->zekUrlLabel2;
    mail.SetSubject(subject);
    mail.MailBody = body;
    mail.Click();
}

} // namespace ui
