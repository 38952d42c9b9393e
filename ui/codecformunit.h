#pragma once
// TCodecForm: the codec correction's dialog. The user picks the four-character video handler
// code the correction writes into the file's stream header: one of the DV codes or a code of
// their own. Made once and reused: it keeps the last choice.
//
//   TCodecForm codec;
//   if (std::optional<actions::CodecChoice> c = codec.Execute(CurrentFichier->Codec))
//       RunFastThread(ch.CorrigerCodecWith(*c));
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

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

class TCodecForm : public QDialog {
public:
    enum Item { itDvsd = 0, itDsvd = 1, itCdvc = 2, itCustom = 3 };

    // Messages go to `prompter`; null: message boxes over the dialog.
    explicit TCodecForm(shell::Prompter* prompter = nullptr, QWidget* parent = nullptr);
    ~TCodecForm() override;

    // Shows the dialog for a file whose codec is `fileCodec`; on its first use the choice is
    // preset from that code. The code chosen when OK is pressed; none when dismissed.
    std::optional<actions::CodecChoice> Execute(const std::string& fileCodec);

    void Localise();

    // The custom code as written: non-empty printable ASCII, cut or padded with blanks to four
    // characters; none for any other text.
    static std::optional<std::string> CustomCode(const QString& text);

    QLabel* Label2;
    QLabel* Label1;
    QGroupBox* rgCodec;
    QButtonGroup* rgCodecItems; // the items of rgCodec, by Item
    QLabel* leLabel;
    QLineEdit* le;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // cancel
    DialogScript<TCodecForm> answer; // tests: answers in place of the user

private:
    void rgCodecClick(int item);
    void BitBtn1Click();
    void FocusEdit();

    std::unique_ptr<shell::Prompter> ownPrompter_;
    shell::Prompter& prompter_;
    actions::CodecChoice CodecFourCC; // the last code chosen
};

} // namespace ui
