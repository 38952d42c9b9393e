#include "ui/codecformunit.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

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

// What each item writes; the custom one writes the edit's code.
constexpr const char* kCodes[] = {"dvsd", "dsvd", "CDVC"};
constexpr int kItemTexts[] = {sCodecDvsd, sCodecDsvd, sCodecCdvc, sCodecCustom};

} // namespace

TCodecForm::TCodecForm(shell::Prompter* prompter, QWidget* parent)
    : QDialog(parent),
      ownPrompter_(prompter ? nullptr : std::make_unique<vcl::QtPrompter>(this)),
      prompter_(prompter ? *prompter : *ownPrompter_)
{
    setObjectName(QStringLiteral("CodecForm"));
    Label2 = new QLabel(this);
    rgCodec = new QGroupBox(this);
    rgCodecItems = new QButtonGroup(this);
    auto* items = new QVBoxLayout(rgCodec);
    for (int i = itDvsd; i <= itCustom; ++i) {
        auto* radio = new QRadioButton(rgCodec);
        rgCodecItems->addButton(radio, i);
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
    form->addWidget(rgCodec);
    form->addWidget(leLabel);
    form->addLayout(edit);
    form->addSpacing(6);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);
    le->setEnabled(false);

    connect(rgCodecItems, &QButtonGroup::idClicked, this, [this](int item) { rgCodecClick(item); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    Localise();
}

TCodecForm::~TCodecForm() = default;

void TCodecForm::Localise()
{
    setWindowTitle(Text(sCodecCaption));
    setFont(vcl::ToQFont("MS Sans Serif", 8));
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
    vcl::SetHint(*BitBtn2, rtl::LoadStr(sCodecCancelHint1) + "\r\n" + rtl::LoadStr(sCodecCancelHint2));
}

std::optional<actions::CodecChoice> TCodecForm::Execute(const std::string& fileCodec)
{
    if (rgCodecItems->checkedId() < 0) {
        // First use: the file's own code, any case, chooses its item.
        const std::string lower = rtl::LowerCase(fileCodec);
        le->setEnabled(false);
        int item = itCustom;
        for (int i = itDvsd; i < itCustom; ++i)
            if (lower == rtl::LowerCase(kCodes[i]))
                item = i;
        rgCodecItems->button(item)->setChecked(true);
        if (item == itCustom) {
            le->setText(QString::fromLatin1(fileCodec.data(), static_cast<qsizetype>(fileCodec.size())));
            le->setEnabled(true);
        }
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

void TCodecForm::rgCodecClick(int item)
{
    le->setEnabled(item == itCustom);
    if (isVisible())
        FocusEdit();
}

void TCodecForm::FocusEdit()
{
    if (le->isEnabled())
        le->setFocus();
}

void TCodecForm::BitBtn1Click()
{
    const int item = rgCodecItems->checkedId();
    if (item == itCustom) {
        const std::optional<std::string> code = CustomCode(le->text());
        if (!code) {
            prompter_.MessageDlg(rtl::Format(rtl::LoadStr(sCodecInvalid), le->text().toStdString()),
                                 shell::MsgDlgType::mtError, shell::mbOK);
            le->setFocus();
            le->selectAll();
            return;
        }
        CodecFourCC = {*code, *code};
    } else if (item >= itDvsd) {
        CodecFourCC = {kCodes[item], rtl::LoadStr(kItemTexts[item])};
    }
    accept();
}

} // namespace ui
