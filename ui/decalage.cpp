#include "ui/decalage.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "media/dv_superposer.h"
#include "media/viewgraph.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

// Day 0 of a date-time.
const QDate kDayZero(1899, 12, 30);

// A date-time as the controls show it: its day and its time to the nearest second. Read as a
// plain number of days, so that Join(Split(t)) is t to the second on either side of day 0.
struct Stamp {
    QDate date;
    int hour = 0, minute = 0, second = 0;
};

Stamp Split(rtl::TDateTime t)
{
    const int64_t total = rtl::Round(t * 86400.0);
    const int64_t day = total >= 0 ? total / 86400 : -((-total + 86399) / 86400);
    const int64_t second = total - day * 86400;
    return {kDayZero.addDays(day), static_cast<int>(second / 3600), static_cast<int>(second / 60 % 60),
            static_cast<int>(second % 60)};
}

rtl::TDateTime Join(const QDate& date, int hour, int minute, int second)
{
    return static_cast<double>(kDayZero.daysTo(date)) + hour / 24.0 + minute / 1440.0 + second / 86400.0;
}

QSpinBox* Spin(QWidget* parent, int low, int high)
{
    auto* spin = new QSpinBox(parent);
    spin->setRange(low, high);
    return spin;
}

// A group of a date above a time "h : m : s".
QGroupBox* DateTimeGroup(QWidget* parent, QDateEdit*& date, QSpinBox*& h, QSpinBox*& m, QSpinBox*& s)
{
    auto* group = new QGroupBox(parent);
    date = new QDateEdit(group);
    date->setMinimumDate(QDate(100, 1, 1));
    date->setCalendarPopup(true);
    h = Spin(group, 0, 23);
    m = Spin(group, 0, 59);
    s = Spin(group, 0, 59);
    auto* grid = new QGridLayout(group);
    grid->addWidget(date, 0, 0, 1, 5);
    grid->addWidget(h, 1, 0);
    grid->addWidget(new QLabel(QStringLiteral(":"), group), 1, 1);
    grid->addWidget(m, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral(":"), group), 1, 3);
    grid->addWidget(s, 1, 4);
    return group;
}

void Show(const Stamp& t, QDateEdit* date, QSpinBox* h, QSpinBox* m, QSpinBox* s)
{
    const QSignalBlocker q1(date), q2(h), q3(m), q4(s);
    date->setDate(t.date);
    h->setValue(t.hour);
    m->setValue(t.minute);
    s->setValue(t.second);
}

} // namespace

int WholeHours(double days)
{
    // From the nearest second, so that -2 hours held as -0.08333... is not taken for -1.
    const int64_t hours = rtl::Round(days * 86400.0) / 3600;
    return static_cast<int>(std::clamp<int64_t>(hours, -23, 23));
}

std::string LabDecalageText(double days, bool advanced)
{
    if (!advanced)
        return rtl::IntToStr(WholeHours(days)) + "h";
    const int64_t t = rtl::Round(86400.0 * days);
    return rtl::Format(rtl::LoadStr(sMainOffsetLabel), t / 86400, t / 3600 % 24, t / 60 % 60, t % 60);
}

void ShowOffsetOnViewer(double days)
{
    media::viewdm().Superposer().SetTimeOffset(days);
    media::viewdm().RedrawPaused();
}

TDecalageForm::TDecalageForm(ShowOffset showOffset, QWidget* parent)
    : QDialog(parent), showOffset_(std::move(showOffset))
{
    setObjectName(QStringLiteral("DecalageForm"));
    gbDecalage = new QGroupBox(this);
    gbDebut = DateTimeGroup(gbDecalage, DateEdit1, RxSpinEdit1, RxSpinEdit2, RxSpinEdit3);
    gbDebut->setEnabled(false);
    gbFin = DateTimeGroup(gbDecalage, DateEdit2, RxSpinEdit4, RxSpinEdit5, RxSpinEdit6);
    NowBtn = new QPushButton(gbDecalage);
    Memo1 = new QPlainTextEdit(gbDecalage);
    Memo1->setReadOnly(true);
    Memo1->setFixedHeight(150);
    RxSpinEdit7 = Spin(gbDecalage, -23, 23);
    LabResultat = new QLabel(gbDecalage);
    LabResultat->setAlignment(Qt::AlignCenter);
    LabResultat->setMinimumWidth(160);
    cbAvance = new QCheckBox(gbDecalage);
    bbOK = new QPushButton(this);
    bbOK->setDefault(true);
    bbCancel = new QPushButton(this);

    auto* dates = new QHBoxLayout;
    dates->addWidget(gbDebut);
    dates->addWidget(gbFin);
    auto* result = new QHBoxLayout;
    result->addWidget(RxSpinEdit7);
    result->addWidget(NowBtn);
    result->addStretch(1);
    result->addWidget(LabResultat);
    auto* group = new QVBoxLayout(gbDecalage);
    group->addLayout(dates);
    group->addWidget(Memo1);
    group->addLayout(result);
    group->addWidget(cbAvance);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbOK);
    buttons->addWidget(bbCancel);
    auto* form = new QVBoxLayout(this);
    form->addWidget(gbDecalage);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);
    Memo1->setFixedWidth(360);

    // Changes of the fixed date and time, by the user or by the code, give the difference anew.
    for (QSpinBox* s : {RxSpinEdit4, RxSpinEdit5, RxSpinEdit6})
        connect(s, &QSpinBox::valueChanged, this, [this] { UpdateDifference(); });
    connect(DateEdit2, &QDateEdit::dateChanged, this, [this] { UpdateDifference(); });
    connect(RxSpinEdit7, &QSpinBox::valueChanged, this, [this](int hours) { RxSpinEdit7Change(hours); });
    connect(cbAvance, &QCheckBox::clicked, this, [this](bool on) { cbAvanceClick(on); });
    connect(NowBtn, &QPushButton::clicked, this, [this] { NowBtnClick(); });
    connect(bbOK, &QPushButton::clicked, this, [this] { bbOKClick(); });
    connect(bbCancel, &QPushButton::clicked, this, &TDecalageForm::reject);
    Localise();
    ShowMode();
}

void TDecalageForm::Localise()
{
    setWindowTitle(Text(sDecalageCaption));
    setFont(vcl::ToQFont("MS Sans Serif", 8));
    for (QGroupBox* g : {gbDebut, gbFin})
        g->setFont(vcl::ToQFont("Arial", 8));
    gbDebut->setTitle(Text(sDecalageOriginal));
    gbFin->setTitle(Text(sDecalageFixed));
    cbAvance->setText(Text(sDecalageAdvanced));
    NowBtn->setText(Text(sDecalageNow));
    bbOK->setText(Text(sDialogOK));
    bbCancel->setText(Text(sDialogCancel));
    RxSpinEdit7->setSuffix(Text(sDecalageHoursSuffix));
    vcl::SetHint(*NowBtn, Lines({sDecalageNowHint1, sDecalageNowHint2}));
    vcl::SetHint(*gbDebut, rtl::LoadStr(sDecalageOriginalHint));
    vcl::SetHint(*gbFin, rtl::LoadStr(sDecalageFixedHint));
    vcl::SetHint(*bbCancel, rtl::LoadStr(sDecalageCancelHint));
    vcl::SetHint(*bbOK, rtl::LoadStr(sDecalageOKHint));
    vcl::SetHint(*LabResultat, rtl::LoadStr(sDecalageResultHint));
    vcl::SetHint(*RxSpinEdit7, Lines({sDecalageHoursHint1, sDecalageHoursHint2, sDecalageHoursHint3}));
    Memo1->setPlainText(QStringLiteral("\n\n") + Text(sDecalageExplanation));
}

std::optional<double> TDecalageForm::Execute(rtl::TDateTime original)
{
    DecalageOriginal = original;
    DecalageFixed = original + settings::DecalageHoraire;
    cbAvance->setChecked(settings::DecalageAvance);
    ShowMode();
    FormActivate();
    if (RunDialog(*this, answer) != QDialog::Accepted)
        return std::nullopt;
    return settings::DecalageHoraire;
}

void TDecalageForm::ShowMode()
{
    const bool advanced = cbAvance->isChecked();
    gbDebut->setVisible(advanced);
    gbFin->setVisible(advanced);
    NowBtn->setVisible(advanced);
    Memo1->setVisible(!advanced);
    RxSpinEdit7->setVisible(!advanced);
}

void TDecalageForm::FormActivate()
{
    if (!cbAvance->isChecked()) {
        const int hours = WholeHours(settings::DecalageHoraire);
        {
            const QSignalBlocker quiet(RxSpinEdit7);
            RxSpinEdit7->setValue(hours);
        }
        DecalageOffset = hours / 24.0;
        LabResultat->setText(QString::fromStdString(LabDecalageText(DecalageOffset, false)));
        return;
    }
    Show(Split(DecalageOriginal), DateEdit1, RxSpinEdit1, RxSpinEdit2, RxSpinEdit3);
    Show(Split(DecalageFixed), DateEdit2, RxSpinEdit4, RxSpinEdit5, RxSpinEdit6);
    Difference();
}

void TDecalageForm::Difference()
{
    const rtl::TDateTime original =
        Join(DateEdit1->date(), RxSpinEdit1->value(), RxSpinEdit2->value(), RxSpinEdit3->value());
    DecalageFixed = Join(DateEdit2->date(), RxSpinEdit4->value(), RxSpinEdit5->value(), RxSpinEdit6->value());
    DecalageOffset = DecalageFixed - original;
    LabResultat->setText(QString::fromStdString(LabDecalageText(DecalageOffset, true)));
}

void TDecalageForm::UpdateDifference()
{
    Difference();
    showOffset_(DecalageOffset);
}

void TDecalageForm::RxSpinEdit7Change(int hours)
{
    DecalageOffset = hours / 24.0;
    LabResultat->setText(QString::fromStdString(LabDecalageText(DecalageOffset, false)));
    showOffset_(DecalageOffset);
}

void TDecalageForm::cbAvanceClick(bool advanced)
{
    settings::DecalageAvance = advanced;
    if (advanced) {
        DecalageFixed = DecalageOriginal + RxSpinEdit7->value() / 24.0;
        ShowMode();
        FormActivate();
    } else {
        // The sign and the hours of the offset as edited, not of the stored one.
        const int hours = WholeHours(DecalageOffset);
        {
            const QSignalBlocker quiet(RxSpinEdit7);
            RxSpinEdit7->setValue(hours);
        }
        DecalageOffset = hours / 24.0;
        LabResultat->setText(QString::fromStdString(LabDecalageText(DecalageOffset, false)));
        ShowMode();
    }
    showOffset_(DecalageOffset);
}

void TDecalageForm::NowBtnClick()
{
    DecalageFixed = DecalageOriginal;
    FormActivate();
    showOffset_(DecalageOffset);
}

void TDecalageForm::bbOKClick()
{
    settings::DecalageHoraire = DecalageOffset;
    showOffset_(settings::DecalageHoraire);
    accept();
}

void TDecalageForm::reject()
{
    showOffset_(settings::DecalageHoraire);
    QDialog::reject();
}

} // namespace ui
