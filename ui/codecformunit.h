#pragma once
// TCodecForm: the codec correction's dialog. The user picks the four-character video handler
// code the correction writes into the file's stream header: one of the DV codes or a code of
// their own. Made once and reused: it keeps the last choice.
//
//   TCodecForm codec;
//   if (std::optional<actions::CodecChoice> c = codec.Execute(CurrentFichier->Codec))
//       RunFastThread(ch.CorrigerCodecWith(*c));
#include <optional>
#include <string>

#include "actions/chmodule.h"
#include "ui/CustomChoiceDialog.h"
#include "ui/DialogScript.h"

namespace ui {

class TCodecForm : public CustomChoiceDialog {
public:
    enum Item { itDvsd = 0, itDsvd = 1, itCdvc = 2, itCustom = 3 };

    // Messages go to `prompter`; null: message boxes over the dialog.
    explicit TCodecForm(shell::Prompter* prompter = nullptr, QWidget* parent = nullptr);

    // Shows the dialog for a file whose codec is `fileCodec`; on its first use the choice is
    // preset from that code. The code chosen when OK is pressed; none when dismissed.
    std::optional<actions::CodecChoice> Execute(const std::string& fileCodec);

    void Localise();

    // The custom code as written: non-empty printable ASCII, cut or padded with blanks to four
    // characters; none for any other text.
    static std::optional<std::string> CustomCode(const QString& text);

    QGroupBox* const rgCodec = rgGroup;
    QButtonGroup* const rgCodecItems = rgItems; // the items of rgCodec, by Item
    DialogScript<TCodecForm> answer;            // tests: answers in place of the user

private:
    void OkClick(int item) override;

    actions::CodecChoice CodecFourCC; // the last code chosen
};

} // namespace ui
