// The options page's events the window handles: the three program pickers (their commands on
// only while the program is there, a cancelled pick changing nothing), the play-list folder, the
// time-offset button (the overlay and the label follow), and the list taking the keys back when
// the window is idle and no page is shown.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cmath>

#include "media/dv_superposer.h"
#include "platform/rtl/DateTime.h"
#include "tests/ui/MainWindowKit.h"
#include "ui/OptionsFrame.h"
#include "ui/decalage.h"

using namespace uitest;
using ui::TOptionsFrame;
using ui::TUIForm;
namespace prefs = settings;

namespace {

class OptionsEvents : public ::testing::Test {
protected:
    TOptionsFrame& Page() const { return *m.window->OptionsFrame; }
    // Two files listed: the list shows, and its commands with it.
    TUIForm& OpenWithFiles()
    {
        TUIForm& w = m.Open();
        EXPECT_TRUE(m.Activate());
        w.LoadFiles({DatedDv(m.Tape("a.avi"), 2006, 6, 1, 12), UndatedDv(m.Tape("undated.avi"))}, "");
        EXPECT_TRUE(m.Loaded());
        return w;
    }
    // The picker's dialog answered with `name`, or cancelled.
    void Pick(vcl::FileNameEdit* edit, std::optional<std::string> name)
    {
        m.dialogs.openAnswers.push_back(name ? std::optional(std::vector<std::string>{*name}) : std::nullopt);
        edit->ButtonClick();
    }
    // Lets the window run until it has nothing left to do and waits for events: its own idle
    // handler, made before the kit's, has run by then.
    static void Idle() { EXPECT_TRUE(RunUntilIdle()); }
    double OverlayOffset() const { return media::viewdm().Superposer().CurrentSettings().TimeOffset; }
    std::string Label() const { return Page().LabDecalage->text().toStdString(); }

    MainWindow m;
};

} // namespace

TEST_F(OptionsEvents, APickedProgramTurnsItsCommandOnAMissingOneOffAndACancelKeepsAll)
{
    const std::string player = m.Tape("player.exe");
    testkit::WriteFileBytes(player, "#!/bin/sh\n");
    TUIForm& w = OpenWithFiles();
    struct Picker {
        vcl::FileNameEdit* edit;
        QAction* command;
        std::string* program;
    };
    for (const Picker& p : {Picker{Page().feFichierKestrom, w.afKestrom, &prefs::FichierKestrom},
                            Picker{Page().feFichierF3, w.amOpenFichierF3, &prefs::FichierF3},
                            Picker{Page().feFichierF4, w.amOpenFichierF4, &prefs::FichierF4}}) {
        SCOPED_TRACE(p.edit->objectName().toStdString());
        ASSERT_FALSE(p.command->isEnabled()); // no program yet
        Pick(p.edit, player);
        EXPECT_EQ(*p.program, player);
        EXPECT_EQ(p.command->text().toStdString(), "打开和 player");
        EXPECT_TRUE(p.command->isEnabled());
        EXPECT_TRUE(p.command->isVisible());

        // A name typed, then the dialog cancelled: the program and its command stay.
        p.edit->SetText(m.Tape("typed.exe"));
        Pick(p.edit, std::nullopt);
        EXPECT_EQ(*p.program, player);
        EXPECT_EQ(p.command->text().toStdString(), "打开和 player");
        EXPECT_TRUE(p.command->isEnabled());

        for (const std::string& missing : {m.Tape("gone.exe"), m.dir.file("tapes")}) {
            Pick(p.edit, missing);
            EXPECT_EQ(*p.program, missing);
            EXPECT_FALSE(p.command->isEnabled()) << missing;
        }
        EXPECT_EQ(p.command->text().toStdString(), "打开和 tapes");
        Pick(p.edit, std::nullopt);
        EXPECT_FALSE(p.command->isEnabled());
        EXPECT_EQ(*p.program, m.dir.file("tapes"));
    }
}

TEST_F(OptionsEvents, AProgramThatGoesTurnsItsCommandOffAtTheNextCommandStates)
{
    const std::string player = m.Tape("player.exe");
    testkit::WriteFileBytes(player, "#!/bin/sh\n");
    m.StorePreferences([&] {
        prefs::FichierF3 = player;
        prefs::FichierKestrom = player;
    });
    TUIForm& w = OpenWithFiles();
    w.lb->selectAll();
    w.UpdateActions();
    ASSERT_TRUE(w.amOpenFichierF3->isEnabled());
    ASSERT_TRUE(w.afKestrom->isEnabled());
    fs::remove(player);
    w.UpdateActions();
    EXPECT_FALSE(w.amOpenFichierF3->isEnabled());
    EXPECT_FALSE(w.afKestrom->isEnabled());
    testkit::WriteFileBytes(player, "#!/bin/sh\n");
    w.UpdateActions();
    EXPECT_TRUE(w.amOpenFichierF3->isEnabled());
    EXPECT_TRUE(w.afKestrom->isEnabled());
}

TEST_F(OptionsEvents, ANewPlayListFolderIsWhereCtrlJOpens)
{
    OpenWithFiles();
    QLineEdit& edit = Page().edDossierPlayList->Edit();
    edit.setText(QString::fromStdString(m.dir.file("mes listes")));
    emit edit.editingFinished();
    EXPECT_EQ(prefs::DossierDesPlayList, m.dir.file("mes listes") + "/");
    QTest::keyClick(m.window.get(), Qt::Key_J, Qt::ControlModifier);
    ASSERT_EQ(m.dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(m.dialogs.saveRequests[0].initialDir, m.dir.file("mes listes") + "/");
}

TEST_F(OptionsEvents, TheOffsetButtonShowsTheAcceptedOffsetOnTheOverlayAndTheLabel)
{
    rtl::SetClock([] { return rtl::EncodeDateTime(2026, 12, 6, 10, 20, 30, 0); });
    m.StorePreferences([] {
        prefs::DecalageHoraire = 0;
        prefs::DecalageAvance = false;
    });
    TUIForm& w = OpenWithFiles();
    ui::TDecalageForm& dialog = *w.DecalageForm;
    ASSERT_EQ(m.CurrentName(), "a.avi");
    auto hours = [&](int h) {
        dialog.answer = [h](ui::TDecalageForm& f) {
            f.RxSpinEdit7->setValue(h);
            f.bbOK->click();
        };
        Page().sbDecalageAvance->click();
    };
    hours(2);
    EXPECT_EQ(dialog.DecalageOriginal, w.CurrentFichier()->RecDate);
    EXPECT_NEAR(OverlayOffset(), 2.0 / 24, 1e-9);
    EXPECT_EQ(Label(), "2h");
    hours(0);
    EXPECT_EQ(OverlayOffset(), 0.0);
    EXPECT_EQ(Label(), "0h");

    // Cancel writes the label again, from the stored offset.
    prefs::DecalageHoraire = -1.0 / 24;
    Page().LabDecalage->setText("x");
    dialog.answer = [](ui::TDecalageForm& f) { f.bbCancel->click(); };
    Page().sbDecalageAvance->click();
    EXPECT_EQ(Label(), "-1h");
    prefs::DecalageAvance = true;
    prefs::DecalageHoraire = 1.5;
    Page().sbDecalageAvance->click();
    EXPECT_EQ(Label(), "1 days 12h 0m 0s");

    // An undated file, or none, starts from now.
    w.SetItemIndex(1);
    w.ShowCurrentFile();
    ASSERT_EQ(m.CurrentName(), "undated.avi");
    Page().sbDecalageAvance->click();
    EXPECT_EQ(dialog.DecalageOriginal, rtl::Now());
    w.afViderListeExecute();
    Page().sbDecalageAvance->click();
    EXPECT_EQ(dialog.DecalageOriginal, rtl::Now());
    rtl::SetClock({});
}

TEST_F(OptionsEvents, TheListTakesTheKeysBackWhenIdleButNeverFromAPage)
{
    TUIForm& w = OpenWithFiles();
    QSlider& elsewhere = *w.BaseFrame->tb;
    elsewhere.setFocusPolicy(Qt::StrongFocus);
    // After a command.
    QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
    elsewhere.setFocus();
    ASSERT_TRUE(elsewhere.hasFocus());
    Idle();
    EXPECT_TRUE(w.lb->hasFocus());

    // The options page keeps the keys it has.
    QTest::keyClick(&w, Qt::Key_F10);
    ASSERT_TRUE(Page().Shown());
    Page().pagecontrol1->setCurrentWidget(Page().TabSheet7);
    Page().edRacine->setFocus();
    ASSERT_TRUE(Page().edRacine->hasFocus());
    Idle();
    EXPECT_TRUE(Page().edRacine->hasFocus());
    EXPECT_FALSE(w.lb->hasFocus());
    QTest::keyClick(&w, Qt::Key_F10);
    ASSERT_FALSE(Page().Shown());
    Idle();
    EXPECT_TRUE(w.lb->hasFocus());
}
