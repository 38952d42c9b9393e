#include "ui/codecformunit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Hint.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

// What each item writes; the custom one writes the edit's code.
constexpr const char* kCodes[] = {"dvsd", "dsvd", "CDVC"};
constexpr int kItemTexts[] = {sCodecDvsd, sCodecDsvd, sCodecCdvc, sCodecCustom};

} // namespace

TCodecForm::TCodecForm(shell::Prompter* prompter, QWidget* parent) : CustomChoiceDialog(4, prompter, parent)
{
    setObjectName(QStringLiteral("CodecForm"));
    Localise();
}

void TCodecForm::Localise()
{
    setWindowTitle(Text(sCodecCaption));
    Label2->setText(Text(sCodecChooseLabel));
    Label1->setText(Text(sCodecLength));
    rgCodec->setTitle(Text(sCodecChoose));
    for (int i = itDvsd; i <= itCustom; ++i)
        rgCodecItems->button(i)->setText(Text(kItemTexts[i]));
    vcl::SetHint(*le, rtl::LoadStr(sCodecEditHint));
    leLabel->setText(Text(sCodecEditLabel));
    BitBtn1->setText(Text(sDialogOK));
    vcl::SetHint(*BitBtn1, rtl::LoadStr(sCodecOKHint));
    BitBtn2->setText(Text(sCodecCancel));
    vcl::SetHint(*BitBtn2, Lines({sCodecCancelHint1, sCodecCancelHint2}));
}

std::optional<actions::CodecChoice> TCodecForm::Execute(const std::string& fileCodec)
{
    if (!Chosen()) {
        // First use: the file's own code, any case, chooses its item; another code is offered.
        const std::string lower = rtl::LowerCase(fileCodec);
        int item = itCustom;
        for (int i = itDvsd; i < itCustom; ++i)
            if (lower == rtl::LowerCase(kCodes[i]))
                item = i;
        Choose(item);
        if (item == itCustom)
            le->setText(QString::fromLatin1(fileCodec.data(), static_cast<qsizetype>(fileCodec.size())));
    }
    FocusEdit();
    if (RunDialog(*this, answer) != QDialog::Accepted)
        return std::nullopt;
    return CodecFourCC;
}

std::optional<std::string> TCodecForm::CustomCode(const QString& text)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return std::nullopt;
    return (text.toStdString() + "    ").substr(0, 4);
}

void TCodecForm::OkClick(int item)
{
    if (item == itCustom) {
        const std::optional<std::string> code = CustomCode(le->text());
        if (!code)
            return Refuse(rtl::Format(rtl::LoadStr(sCodecInvalid), le->text().toStdString()));
        CodecFourCC = {*code, *code};
    } else if (item >= itDvsd) {
        CodecFourCC = {kCodes[item], rtl::LoadStr(kItemTexts[item])};
    }
    accept();
}

} // namespace ui
