// The time-offset dialog, answered by scripts: both modes and the switch between them with the
// sign kept, the label in both modes, what OK stores, and what the overlay is shown while
// editing, after OK (zero too) and after each way of dismissing it.
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "media/dv_superposer.h"
#include "media/viewgraph.h"
#include "platform/rtl/DateTime.h"
#include "settings/Preferences.h"
#include "ui/decalage.h"

using ui::LabDecalageText;
using ui::TDecalageForm;

namespace {

constexpr double kHour = 1.0 / 24;
constexpr double kSecond = 1.0 / 86400;

const rtl::TDateTime kOriginal = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0);

class Decalage : public testing::Test {
protected:
    void SetUp() override { Store(0, false); }
    void TearDown() override { Store(0, false); }
    static void Store(double days, bool advanced)
    {
        settings::DecalageHoraire = days;
        settings::DecalageAvance = advanced;
    }
    std::string Label() const { return form.LabResultat->text().toStdString(); }

    std::vector<double> shown; // what the overlay was given, in order
    TDecalageForm form{[this](double days) { shown.push_back(days); }};
};

} // namespace

TEST(LabDecalageText, BothModesKeepTheSign)
{
    EXPECT_EQ(LabDecalageText(-0.25, true), "0 days -6h 0m 0s");
    EXPECT_EQ(LabDecalageText(1.5, true), "1 days 12h 0m 0s");
    EXPECT_EQ(LabDecalageText(-kHour, true), "0 days -1h 0m 0s");
    EXPECT_EQ(LabDecalageText(-2 * kHour - 30 * kSecond, true), "0 days -2h 0m -30s");
    EXPECT_EQ(LabDecalageText(-1.5 - 61 * kSecond, true), "-1 days -12h -1m -1s");
    EXPECT_EQ(LabDecalageText(0.5 * kSecond, true), "0 days 0h 0m 0s"); // halves to even
    EXPECT_EQ(LabDecalageText(1.5 * kSecond, true), "0 days 0h 0m 2s");

    EXPECT_EQ(LabDecalageText(-2 * kHour, false), "-2h");
    EXPECT_EQ(LabDecalageText(-0.25, false), "-6h");
    EXPECT_EQ(LabDecalageText(-2.9 * kHour, false), "-2h"); // toward zero
    EXPECT_EQ(LabDecalageText(2.9 * kHour, false), "2h");
    EXPECT_EQ(LabDecalageText(1.5, false), "23h");
    EXPECT_EQ(LabDecalageText(-5, false), "-23h");
    EXPECT_EQ(LabDecalageText(0, false), "0h");
}

TEST_F(Decalage, SimpleModeOpensWithTheStoredWholeHours)
{
    for (double stored : {-2 * kHour, -0.25}) {
        Store(stored, false);
        int hours = 99;
        bool simple = false;
        form.answer = [&](TDecalageForm& f) {
            hours = f.RxSpinEdit7->value();
            simple = f.RxSpinEdit7->isVisible() && !f.gbFin->isVisible();
        };
        EXPECT_EQ(form.Execute(kOriginal), std::nullopt);
        EXPECT_EQ(hours, stored == -0.25 ? -6 : -2);
        EXPECT_EQ(Label(), stored == -0.25 ? "-6h" : "-2h");
        EXPECT_TRUE(simple);
    }
}

TEST_F(Decalage, AdvancedModeShowsTheOriginalAndTheFixedDateAndTheirDifference)
{
    Store(-2 * kHour - 30 * kSecond, true);
    form.answer = [&](TDecalageForm& f) {
        EXPECT_TRUE(f.gbFin->isVisible());
        EXPECT_FALSE(f.RxSpinEdit7->isVisible());
        EXPECT_FALSE(f.gbDebut->isEnabled());
        EXPECT_EQ(f.DateEdit1->date(), QDate(2006, 12, 31));
        EXPECT_EQ(f.RxSpinEdit1->value(), 23);
        EXPECT_EQ(f.RxSpinEdit3->value(), 58);
        EXPECT_EQ(f.DateEdit2->date(), QDate(2006, 12, 31));
        EXPECT_EQ(f.RxSpinEdit4->value(), 21);
        EXPECT_EQ(f.RxSpinEdit5->value(), 59);
        EXPECT_EQ(f.RxSpinEdit6->value(), 28);
    };
    form.Execute(kOriginal);
    EXPECT_EQ(Label(), "0 days -2h 0m -30s");

    // Across midnight: 6 hours back from 01:59:58 is the day before.
    Store(-0.25, true);
    form.answer = [&](TDecalageForm& f) {
        EXPECT_EQ(f.DateEdit1->date(), QDate(2007, 1, 1));
        EXPECT_EQ(f.DateEdit2->date(), QDate(2006, 12, 31));
        EXPECT_EQ(f.RxSpinEdit4->value(), 19);
    };
    form.Execute(kOriginal + 2 * kHour);
    EXPECT_EQ(Label(), "0 days -6h 0m 0s");
}

TEST_F(Decalage, MinusThreeHoursEditedOverAStoredZeroIsStoredAndShown)
{
    form.answer = [](TDecalageForm& f) {
        f.RxSpinEdit7->setValue(-3);
        f.bbOK->click();
    };
    const std::optional<double> got = form.Execute(kOriginal);
    ASSERT_TRUE(got);
    EXPECT_DOUBLE_EQ(*got, -3 * kHour);
    EXPECT_DOUBLE_EQ(settings::DecalageHoraire, -3 * kHour);
    EXPECT_EQ(Label(), "-3h");
    ASSERT_FALSE(shown.empty());
    EXPECT_DOUBLE_EQ(shown.front(), -3 * kHour); // the preview
    EXPECT_DOUBLE_EQ(shown.back(), -3 * kHour);  // OK
}

TEST_F(Decalage, SwitchingModesKeepsTheSignOfTheEditedOffset)
{
    // Advanced, a fixed time 2 h 30 s before the original over a stored 0, then simple: -2.
    Store(0, true);
    int hours = 0;
    std::string advancedLabel;
    form.answer = [&](TDecalageForm& f) {
        f.RxSpinEdit4->setValue(21);
        f.RxSpinEdit6->setValue(28);
        advancedLabel = f.LabResultat->text().toStdString();
        f.cbAvance->click();
        hours = f.RxSpinEdit7->value();
        f.bbOK->click();
    };
    const std::optional<double> got = form.Execute(kOriginal);
    EXPECT_EQ(advancedLabel, "0 days -2h 0m -30s");
    EXPECT_EQ(hours, -2);
    EXPECT_EQ(Label(), "-2h");
    ASSERT_TRUE(got);
    EXPECT_DOUBLE_EQ(*got, -2 * kHour);
    EXPECT_FALSE(settings::DecalageAvance);

    // And back: the fixed time is the original minus those hours.
    form.answer = [&](TDecalageForm& f) {
        f.cbAvance->click();
        EXPECT_EQ(f.RxSpinEdit4->value(), 21);
        EXPECT_EQ(f.RxSpinEdit6->value(), 58);
    };
    form.Execute(kOriginal);
    EXPECT_EQ(Label(), "0 days -2h 0m 0s");
    EXPECT_TRUE(settings::DecalageAvance);
}

TEST_F(Decalage, AnEditedWholeNumberOfHoursIsNotTakenForOneLess)
{
    // 08:30:17 - 10:30:17 comes out a hair above -2 hours in days.
    Store(0, true);
    int hours = 0;
    form.answer = [&](TDecalageForm& f) {
        f.RxSpinEdit4->setValue(8);
        f.cbAvance->click();
        hours = f.RxSpinEdit7->value();
    };
    form.Execute(rtl::EncodeDateTime(2006, 12, 31, 10, 30, 17, 0));
    EXPECT_EQ(hours, -2);
}

TEST_F(Decalage, TheNowButtonSetsTheFixedTimeToTheOriginal)
{
    Store(1.5, true);
    form.answer = [](TDecalageForm& f) {
        f.NowBtn->click();
        f.bbOK->click();
    };
    EXPECT_EQ(form.Execute(kOriginal), std::optional<double>(0.0));
    EXPECT_EQ(Label(), "0 days 0h 0m 0s");
    EXPECT_EQ(settings::DecalageHoraire, 0.0);
}

TEST_F(Decalage, OkShowsTheAcceptedOffsetEvenZero)
{
    // 24 minutes stored: the simple mode offers 0 hours, and OK takes them as they are shown.
    Store(0.4 * kHour, false);
    form.answer = [](TDecalageForm& f) { f.bbOK->click(); };
    EXPECT_EQ(form.Execute(kOriginal), std::optional<double>(0.0));
    EXPECT_EQ(shown, std::vector<double>{0.0});
    EXPECT_EQ(settings::DecalageHoraire, 0.0);

    Store(5 * kHour, false);
    form.answer = [](TDecalageForm& f) {
        f.RxSpinEdit7->setValue(0);
        f.bbOK->click();
    };
    EXPECT_EQ(form.Execute(kOriginal), std::optional<double>(0.0));
    EXPECT_EQ(shown.back(), 0.0);
}

TEST_F(Decalage, EveryDismissalShowsTheStoredOffsetAgainAndStoresNothing)
{
    const ui::DialogScript<TDecalageForm> dismissals[] = {
        [](TDecalageForm& f) { f.bbCancel->click(); }, [](TDecalageForm& f) { QTest::keyClick(&f, Qt::Key_Escape); },
        [](TDecalageForm& f) { f.close(); }, [](TDecalageForm&) {}, // left open
    };
    for (const auto& dismiss : dismissals) {
        // An earlier OK, then an edit that is previewed and dismissed.
        form.answer = [](TDecalageForm& f) {
            f.RxSpinEdit7->setValue(-1);
            f.bbOK->click();
        };
        ASSERT_TRUE(form.Execute(kOriginal));
        shown.clear();
        form.answer = [&](TDecalageForm& f) {
            f.RxSpinEdit7->setValue(4);
            dismiss(f);
        };
        EXPECT_EQ(form.Execute(kOriginal), std::nullopt);
        EXPECT_DOUBLE_EQ(settings::DecalageHoraire, -kHour);
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_DOUBLE_EQ(shown[0], 4 * kHour);
        EXPECT_DOUBLE_EQ(shown[1], -kHour);
        EXPECT_FALSE(form.isVisible());
    }
}

TEST_F(Decalage, TheViewersOverlayGetsTheOffset)
{
    TDecalageForm viewer; // shows on the viewing graph's overlay filter
    media::viewdm().Superposer().SetTimeOffset(0.5);
    viewer.answer = [](TDecalageForm& f) { f.bbOK->click(); };
    viewer.Execute(kOriginal);
    EXPECT_EQ(media::viewdm().Superposer().TimeOffset(), 0.0);

    Store(-kHour, false);
    viewer.answer = [](TDecalageForm& f) {
        f.RxSpinEdit7->setValue(7);
        EXPECT_DOUBLE_EQ(media::viewdm().Superposer().TimeOffset(), 7 * kHour);
        f.bbCancel->click();
    };
    viewer.Execute(kOriginal);
    EXPECT_DOUBLE_EQ(media::viewdm().Superposer().TimeOffset(), -kHour);
}
