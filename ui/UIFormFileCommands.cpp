// The file commands that ask for a value first: the frame rate, the codec and the time offset,
// each in its dialog, then a batch with the value chosen.
#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "platform/rtl/DateTime.h"
#include "ui/UIForm.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"

namespace ui {

std::shared_ptr<const actions::TAfficherFichier> TUIForm::CorrectionFile() const
{
    // Entries can be selected while none is current: the first of them then stands for all.
    const auto selected = SelectedFiles();
    if (selected.empty())
        return nullptr;
    if (auto current = CurrentFichier())
        return current;
    return selected.front();
}

void TUIForm::amCorrigerFpsExecute()
{
    const auto file = CorrectionFile();
    if (!file)
        return;
    const std::optional<actions::FpsChoice> choice = FrequenceForm->Execute(file->Fps);
    if (!choice || closing_)
        return;
    actions::tFileAction action = ch_.CorrigerFpsWith(*choice);
    RunFastThread(action);
}

void TUIForm::amCorrigerCodecExecute()
{
    const auto file = CorrectionFile();
    if (!file)
        return;
    const std::optional<actions::CodecChoice> choice = CodecForm->Execute(file->Codec);
    if (!choice || closing_)
        return;
    actions::tFileAction action = ch_.CorrigerCodecWith(*choice);
    RunFastThread(action);
}

void TUIForm::amDecalerHoraireExecute()
{
    const auto file = CorrectionFile();
    if (!file)
        return;
    // A file without a recording date has a date of 0: the dialog starts from now instead.
    const rtl::TDateTime original = file->RecDate > 0 ? file->RecDate : rtl::Now();
    const std::optional<double> offset = DecalageForm->Execute(original);
    if (!offset || *offset == 0 || closing_)
        return;
    actions::tFileAction action = ch_.DecalerHoraireWith(*offset);
    RunCmdThread(action);
}

} // namespace ui
