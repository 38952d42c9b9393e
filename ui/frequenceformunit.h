#pragma once
// TFrequenceForm: the frame-rate correction's dialog. The user picks the rate the correction
// writes into the file's video stream header: PAL's 25, NTSC's 29.97 or a rate of their own,
// typed in the regional decimal notation. Made once and reused: it keeps the last choice.
//
//   TFrequenceForm freq;
//   if (std::optional<actions::FpsChoice> c = freq.Execute(CurrentFichier->Fps))
//       RunFastThread(ch.CorrigerFpsWith(*c));
#include <optional>

#include "actions/chmodule.h"
#include "ui/CustomChoiceDialog.h"
#include "ui/DialogScript.h"

namespace ui {

class TFrequenceForm : public CustomChoiceDialog {
public:
    enum Item { itPal = 0, itNtsc = 1, itCustom = 2 };

    // Messages go to `prompter`; null: message boxes over the dialog.
    explicit TFrequenceForm(shell::Prompter* prompter = nullptr, QWidget* parent = nullptr);

    // Shows the dialog for a file of `fileFps` frames per second; on its first use the choice is
    // preset from that rate. The rate chosen when OK is pressed; none when dismissed.
    std::optional<actions::FpsChoice> Execute(double fileFps);

    void Localise();

    QGroupBox* const rgFreq = rgGroup;
    QButtonGroup* const rgFreqItems = rgItems; // the items of rgFreq, by Item
    DialogScript<TFrequenceForm> answer;       // tests: answers in place of the user

private:
    void OkClick(int item) override;

    actions::FpsChoice FrequenceFps; // the last rate chosen
};

} // namespace ui
