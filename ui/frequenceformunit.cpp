#include "ui/frequenceformunit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "formats/fpsunit.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Hint.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

constexpr int kItemTexts[] = {sFrequencePal, sFrequenceNtsc, sFrequenceCustom};
// The NTSC item stores the double nearest 29.97, as typed on the item, not 30000/1001.
constexpr double kItemRates[] = {25.0, 29.97};

} // namespace

TFrequenceForm::TFrequenceForm(shell::Prompter* prompter, QWidget* parent) : CustomChoiceDialog(3, prompter, parent)
{
    setObjectName(QStringLiteral("FrequenceForm"));
    Localise();
}

void TFrequenceForm::Localise()
{
    setWindowTitle(Text(sFrequenceCaption));
    Label2->setText(Text(sFrequenceExplanation1) + QLatin1Char('\n') + Text(sFrequenceExplanation2));
    Label1->setText(Text(sFrequenceUnit));
    rgFreq->setTitle(Text(sFrequenceChoose));
    for (int i = itPal; i <= itCustom; ++i)
        rgFreqItems->button(i)->setText(Text(kItemTexts[i]));
    vcl::SetHint(*le, Lines({sFrequenceEditHint1, sFrequenceEditHint2}));
    leLabel->setText(Text(sFrequenceEditLabel));
    BitBtn1->setText(Text(sDialogOK));
    vcl::SetHint(*BitBtn1, rtl::LoadStr(sFrequenceOKHint));
    BitBtn2->setText(Text(sFrequenceCancel));
    vcl::SetHint(*BitBtn2, Lines({sFrequenceCancelHint1, sFrequenceCancelHint2}));
}

std::optional<actions::FpsChoice> TFrequenceForm::Execute(double fileFps)
{
    if (!Chosen()) {
        // First use: the file's own rate chooses the item; another rate is offered as typed.
        int item = itCustom;
        if (fileFps == 25.0)
            item = itPal;
        else if (std::abs(1001 * fileFps - 30000) < 1)
            item = itNtsc;
        Choose(item);
        if (item == itCustom && le->text().isEmpty())
            le->setText(QString::fromStdString(rtl::FloatToStr(fileFps)));
    }
    FocusEdit();
    if (RunDialog(*this, answer) != QDialog::Accepted)
        return std::nullopt;
    return FrequenceFps;
}

void TFrequenceForm::OkClick(int item)
{
    if (item == itCustom) {
        // The regional notation only, and a rate the stream header can hold.
        const std::string text = le->text().toStdString();
        double fps = 0;
        if (!rtl::TryStrToFloat(text, fps, rtl::DefaultFormatSettings()))
            return Refuse(rtl::Format(rtl::LoadStr(sRtlInvalidFloat), text));
        uint32_t scale = 0, rate = 0;
        if (!formats::FrameRateFields(fps, scale, rate))
            return Refuse(rtl::Format(rtl::LoadStr(sInvalidFrameRate), text));
        FrequenceFps = {fps, text};
    } else if (item >= itPal) {
        FrequenceFps = {kItemRates[item], rtl::FloatToStr(kItemRates[item])};
    }
    accept();
}

} // namespace ui
