#include "ui/frequenceformunit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "formats/fpsunit.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/QtPrompter.h"

namespace ui {

using namespace rtl::sid;

namespace {

QString Text(int id)
{
    return QString::fromStdString(rtl::LoadStr(id));
}

constexpr int kItemTexts[] = {sFrequencePal, sFrequenceNtsc, sFrequenceCustom};
// The NTSC item stores the double nearest 29.97, as typed on the item, not 30000/1001.
constexpr double kItemRates[] = {25.0, 29.97};

} // namespace

TFrequenceForm::TFrequenceForm(shell::Prompter* prompter, QWidget* parent)
    : QDialog(parent),
      ownPrompter_(prompter ? nullptr : std::make_unique<vcl::QtPrompter>(this)),
      prompter_(prompter ? *prompter : *ownPrompter_)
{
    setObjectName(QStringLiteral("FrequenceForm"));
    Label2 = new QLabel(this);
    rgFreq = new QGroupBox(this);
    rgFreqItems = new QButtonGroup(this);
    auto* items = new QVBoxLayout(rgFreq);
    for (int i = itPal; i <= itCustom; ++i) {
        auto* radio = new QRadioButton(rgFreq);
        rgFreqItems->addButton(radio, i);
        items->addWidget(radio);
    }
    leLabel = new QLabel(this);
    le = new QLineEdit(this);
    leLabel->setBuddy(le);
    Label1 = new QLabel(this);
    BitBtn1 = new QPushButton(this);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(this);

    auto* edit = new QHBoxLayout;
    edit->addWidget(le, 1);
    edit->addWidget(Label1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* form = new QVBoxLayout(this);
    form->addWidget(Label2);
    form->addWidget(rgFreq);
    form->addWidget(leLabel);
    form->addLayout(edit);
    form->addSpacing(6);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);
    le->setEnabled(false);

    connect(rgFreqItems, &QButtonGroup::idClicked, this, [this](int item) { rgFreqClick(item); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    Localise();
}

TFrequenceForm::~TFrequenceForm() = default;

void TFrequenceForm::Localise()
{
    setWindowTitle(Text(sFrequenceCaption));
    setFont(vcl::ToQFont("MS Sans Serif", 8));
    Label2->setText(Text(sFrequenceExplanation1) + QLatin1Char('\n') + Text(sFrequenceExplanation2));
    Label1->setText(Text(sFrequenceUnit));
    rgFreq->setTitle(Text(sFrequenceChoose));
    for (int i = itPal; i <= itCustom; ++i)
        rgFreqItems->button(i)->setText(Text(kItemTexts[i]));
    vcl::SetHint(*le, rtl::LoadStr(sFrequenceEditHint1) + "\r\n" + rtl::LoadStr(sFrequenceEditHint2));
    leLabel->setText(Text(sFrequenceEditLabel));
    BitBtn1->setText(Text(sDialogOK));
    vcl::SetHint(*BitBtn1, rtl::LoadStr(sFrequenceOKHint));
    BitBtn2->setText(Text(sFrequenceCancel));
    vcl::SetHint(*BitBtn2, rtl::LoadStr(sFrequenceCancelHint1) + "\r\n" + rtl::LoadStr(sFrequenceCancelHint2));
}

std::optional<actions::FpsChoice> TFrequenceForm::Execute(double fileFps)
{
    if (rgFreqItems->checkedId() < 0) {
        // First use: the file's own rate chooses the item; another rate is offered as typed.
        le->setEnabled(false);
        int item = itCustom;
        if (fileFps == 25.0)
            item = itPal;
        else if (std::abs(1001 * fileFps - 30000) < 1)
            item = itNtsc;
        rgFreqItems->button(item)->setChecked(true);
        if (item == itCustom) {
            le->setEnabled(true);
            if (le->text().isEmpty())
                le->setText(QString::fromStdString(rtl::FloatToStr(fileFps)));
        }
    }
    FocusEdit();
    if (RunDialog(*this, answer) != QDialog::Accepted)
        return std::nullopt;
    return FrequenceFps;
}

void TFrequenceForm::rgFreqClick(int item)
{
    le->setEnabled(item == itCustom);
    if (isVisible())
        FocusEdit();
}

void TFrequenceForm::FocusEdit()
{
    if (le->isEnabled())
        le->setFocus();
}

void TFrequenceForm::Refuse(int message)
{
    prompter_.MessageDlg(rtl::Format(rtl::LoadStr(message), le->text().toStdString()), shell::MsgDlgType::mtError,
                         shell::mbOK);
    le->setFocus();
    le->selectAll();
}

void TFrequenceForm::BitBtn1Click()
{
    const int item = rgFreqItems->checkedId();
    if (item == itCustom) {
        // The regional notation only, and a rate the stream header can hold.
        const std::string text = le->text().toStdString();
        double fps = 0;
        if (!rtl::TryStrToFloat(text, fps, rtl::DefaultFormatSettings()))
            return Refuse(sRtlInvalidFloat);
        uint32_t scale = 0, rate = 0;
        if (!formats::FrameRateFields(fps, scale, rate))
            return Refuse(sInvalidFrameRate);
        FrequenceFps = {fps, text};
    } else if (item >= itPal) {
        FrequenceFps = {kItemRates[item], rtl::FloatToStr(kItemRates[item])};
    }
    accept();
}

} // namespace ui
