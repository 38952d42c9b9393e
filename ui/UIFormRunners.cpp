// Running the file commands: on the current file, without a file, or as a batch over the
// selection; the window as the batches' observer and as the file actions' window hooks; the
// command line's switches once its files are listed.
#include "actions/chmodule.h"
#include "platform/vcl/Dialogs.h"
#include "ui/UIForm.h"

namespace ui {

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

void TUIForm::RunOnCurrentFile(actions::tFileAction&)
{
    // Still to come: the action on the current file in the GUI thread, with its question.
}

void TUIForm::RunWithoutFile(actions::tFileAction&)
{
    // Still to come: the action without a file, with its question.
}

void TUIForm::RunFastThread(actions::tFileAction&)
{
    // Still to come: a fast batch over the selected entries.
}

void TUIForm::RunCmdThread(actions::tFileAction&)
{
    // Still to come: a command batch over the selected entries.
}

void TUIForm::AbortBatches(bool)
{
    // Still to come: Abort() or AbortAll() on the running batches.
}

void TUIForm::EndBatches()
{
    // Still to come: closing ends every batch and waits for it, serving its calls.
}

void TUIForm::RunCommandLine(bool)
{
    // Still to come: the switches' batches on the command line's files, then "c".
}

void TUIForm::BeginCommandUI(const std::string&, const actions::TAfficherFichier&)
{
    // Still to come: the gauge and the progress text of a file's command.
}

void TUIForm::EndCommandUI()
{
    // Still to come: the slider back, the ready text, the list refreshed.
}

shell::Prompter& TUIForm::Prompter()
{
    return dialogs_;
}

void TUIForm::CurrentFile(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier)
{
    // Still to come: the batch's file selected in the list.
    BatchObserver::CurrentFile(batch, fichier);
}

void TUIForm::FileBegins(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                         const std::string& progressText)
{
    // Still to come: BeginCommandUI.
    BatchObserver::FileBegins(batch, fichier, progressText);
}

void TUIForm::Progress(const actions::TBatchThread& batch, int percent)
{
    // Still to come: the gauge.
    BatchObserver::Progress(batch, percent);
}

void TUIForm::FileDone(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                       const actions::FileOutcome& outcome)
{
    // Still to come: the list updated by the outcome's update kind.
    BatchObserver::FileDone(batch, fichier, outcome);
}

void TUIForm::BatchFinished(const actions::TBatchThread& batch)
{
    // Still to come: the list enabled again, the commands recomputed, the ready text.
    BatchObserver::BatchFinished(batch);
}

void TUIForm::CloseViewer(const std::string&)
{
    // Still to come: the viewer lets the file go.
}

void TUIForm::EndCloseViewer(const std::string&)
{
    // Still to come: the viewer may take the file again.
}

void TUIForm::ReopenViewer(const actions::TAfficherFichier&)
{
    // Still to come: the viewer opens the file again.
}

void TUIForm::ShowRiffHeader(const std::string&)
{
    // Still to come: the RIFF window on the file.
}

void TUIForm::ShowOverlayCommand(const std::string&, int)
{
    // Still to come: the overlay command's caption and image.
}

void TUIForm::RedrawViewer()
{
    // Still to come: the paused picture drawn again.
}

void TUIForm::ShowOverlaySliders(bool, const std::string&)
{
    // Still to come: the overlay sliders shown or hidden, the command's caption.
}

void TUIForm::ShowVolumeGauge(bool)
{
    // Still to come: the volume panel shown or hidden.
}

void TUIForm::SendMail(const std::string&, const std::string&)
{
    // Still to come: the about page's mail link with this subject and body.
}

} // namespace ui
