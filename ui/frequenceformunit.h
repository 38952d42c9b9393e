#pragma once
// TFrequenceForm: the frame-rate correction's dialog. The user picks the rate the correction
// writes into the file's video stream header: PAL's 25, NTSC's 29.97 or a rate of their own,
// typed in the regional decimal notation. Made once and reused: it keeps the last choice.
//
//   TFrequenceForm freq;
//   if (std::optional<actions::FpsChoice> c = freq.Execute(CurrentFichier->Fps))
//       RunFastThread(ch.CorrigerFpsWith(*c));
#include <QDialog>
#include <memory>
#include <optional>

#include "actions/chmodule.h"
#include "ui/DialogScript.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class Prompter;
}

namespace ui {

class TFrequenceForm : public QDialog {
public:
    enum Item { itPal = 0, itNtsc = 1, itCustom = 2 };

    // Messages go to `prompter`; null: message boxes over the dialog.
    explicit TFrequenceForm(shell::Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~TFrequenceForm() override;

    // Shows the dialog for a file of `fileFps` frames per second; on its first use the choice is
    // preset from that rate. The rate chosen when OK is pressed; none when dismissed.
    std::optional<actions::FpsChoice> Execute(double fileFps);

    void Localise();

    QLabel* Label2;
    QGroupBox* rgFreq;
    QButtonGroup* rgFreqItems; // the items of rgFreq, by Item
    QLabel* leLabel;
    QLineEdit* le;
    QLabel* Label1;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // cancel
    DialogScript<TFrequenceForm> answer; // tests: answers in place of the user

private:
    void rgFreqClick(int item);
    void BitBtn1Click();
    void FocusEdit();
    // A refused custom text: the message, and the text selected for a new try.
    void Refuse(int message);

    std::unique_ptr<shell::Prompter> ownPrompter_;
    shell::Prompter& prompter_;
    actions::FpsChoice FrequenceFps; // the last rate chosen
};

} // namespace ui
