// The window's preferences: every control collected by save-now comes back in the next window;
// what the first show applies (folders with "/", the offset label, the overlay's commands and
// position); a value a control cannot give keeps the stored one and the rest is still saved; a
// save that fails is reported, now and at exit; a cancelled delete changes nothing.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QToolButton>
#include <gtest/gtest.h>

#include "media/dv_superposer.h"
#include "platform/registry/HiveFile.h"
#include "platform/registry/Registry.h"
#include "settings/PSFunctions.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/MainWindowKit.h"
#include "ui/OptionsFrame.h"

using namespace uitest;
using ui::TOptionsFrame;
using ui::TUIForm;
namespace prefs = settings;

namespace {

class Preferences : public ::testing::Test {
protected:
    TOptionsFrame& Page() const { return *m.window->OptionsFrame; }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : m.dialogs.messages.shown())
            texts.push_back(shown.text);
        return texts;
    }
    // The values as a newly started program reads them from the hive's file.
    static void LoadAsAtStart()
    {
        reg::ReloadHives();
        prefs::LoadPreferences({});
    }
    void Close() { m.window.reset(); }

    MainWindow m;
};

// One control: what the user sets, and what a new window shows of it.
struct Control {
    const char* name;
    std::function<void(TUIForm&)> set;
    std::function<void(TUIForm&)> check;
};

void Type(vcl::PickerEdit* e, const char* text)
{
    e->SetText(text);
}

} // namespace

TEST_F(Preferences, EveryControlSavedNowComesBackInTheNextWindow)
{
    auto text = [](QLineEdit* e) { return e->text().toStdString(); };
    const Control controls[] = {
        {"window", [](TUIForm& w) { w.move(40, 50); }, [](TUIForm& w) { EXPECT_EQ(w.pos(), QPoint(40, 50)); }},
        {"edDossierOuvrir", [](TUIForm& w) { Type(w.OptionsFrame->edDossierOuvrir, "/media/dv open"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->edDossierOuvrir->Text(), "/media/dv open/"); }},
        {"edDossierAuto", [](TUIForm& w) { Type(w.OptionsFrame->edDossierAuto, "/media/auto"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->edDossierAuto->Text(), "/media/auto/"); }},
        {"edDossierSave", [](TUIForm& w) { Type(w.OptionsFrame->edDossierSave, "/media/out"); },
         [](TUIForm& w) {
             EXPECT_EQ(w.OptionsFrame->edDossierSave->Text(), "/media/out/");
             EXPECT_TRUE(w.OptionsFrame->edDossierSave->isEnabled()); // the box is unticked
         }},
        {"edDossierPlayList", [](TUIForm& w) { Type(w.OptionsFrame->edDossierPlayList, "/media/lists"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->edDossierPlayList->Text(), "/media/lists/"); }},
        {"cbSelection", [](TUIForm& w) { w.OptionsFrame->cbSelection->setChecked(true); },
         [](TUIForm& w) { EXPECT_TRUE(w.OptionsFrame->cbSelection->isChecked()); }},
        {"cbListe", [](TUIForm& w) { w.OptionsFrame->cbListe->setChecked(true); },
         [](TUIForm& w) { EXPECT_TRUE(w.OptionsFrame->cbListe->isChecked()); }},
        {"cbPreviewDemi", [](TUIForm& w) { w.OptionsFrame->cbPreviewDemi->setChecked(false); },
         [](TUIForm& w) { EXPECT_FALSE(w.OptionsFrame->cbPreviewDemi->isChecked()); }},
        // The output folder is missing: outputs go beside their source, the box shows the choice.
        {"cbsameFolder", [](TUIForm& w) { w.OptionsFrame->cbsameFolder->setChecked(false); },
         [](TUIForm& w) {
             EXPECT_FALSE(w.OptionsFrame->cbsameFolder->isChecked());
             EXPECT_TRUE(prefs::SauverDansLeMemeDossier);
         }},
        {"feFichierKestrom", [](TUIForm& w) { Type(w.OptionsFrame->feFichierKestrom, "/opt/k/kestrom.exe"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->feFichierKestrom->Text(), "/opt/k/kestrom.exe"); }},
        {"feFichierF3", [](TUIForm& w) { Type(w.OptionsFrame->feFichierF3, "/usr/bin/vlc"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->feFichierF3->Text(), "/usr/bin/vlc"); }},
        {"feFichierF4", [](TUIForm& w) { Type(w.OptionsFrame->feFichierF4, "/usr/bin/mpv"); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->feFichierF4->Text(), "/usr/bin/mpv"); }},
        {"rgStandard", [](TUIForm& w) { w.OptionsFrame->rgStandard->SetItemIndex(1); },
         [](TUIForm& w) {
             EXPECT_EQ(w.OptionsFrame->rgStandard->ItemIndex(), 1);
             EXPECT_EQ(prefs::StandardParDefaut, 2);
         }},
        {"rgfrequenceDV", [](TUIForm& w) { w.OptionsFrame->rgfrequenceDV->SetItemIndex(0); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->rgfrequenceDV->ItemIndex(), 0); }},
        {"edAjouter", [](TUIForm& w) { w.OptionsFrame->edAjouter->setText("yy-mm"); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edAjouter), "yy-mm"); }},
        {"edAfficherDatecode", [](TUIForm& w) { w.OptionsFrame->edAfficherDatecode->setText("dd/mm/yyyy"); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edAfficherDatecode), "dd/mm/yyyy"); }},
        {"edAfficher1", [](TUIForm& w) { w.OptionsFrame->edAfficher1->setText("dddd"); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edAfficher1), "dddd"); }},
        // Emptied by the user, it stays empty (a missing value would give "tt").
        {"edAfficher2", [](TUIForm& w) { w.OptionsFrame->edAfficher2->setText(""); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edAfficher2), ""); }},
        {"edRenommer", [](TUIForm& w) { w.OptionsFrame->edRenommer->setText("yyyymmdd"); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edRenommer), "yyyymmdd"); }},
        {"edRacine", [](TUIForm& w) { w.OptionsFrame->edRacine->setText("Bande_"); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edRacine), "Bande_"); }},
        {"edDureeIncrust", [](TUIForm& w) { w.OptionsFrame->edDureeIncrust->setText(" 12 "); },
         [&](TUIForm& w) { EXPECT_EQ(text(w.OptionsFrame->edDureeIncrust), "12"); }},
        {"rgMode", [](TUIForm& w) { w.OptionsFrame->rgMode->SetItemIndex(2); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->rgMode->ItemIndex(), 2); }},
        {"cbAuto", [](TUIForm& w) { w.OptionsFrame->cbAuto->setChecked(true); },
         [](TUIForm& w) {
             EXPECT_TRUE(w.OptionsFrame->cbAuto->isChecked());
             EXPECT_TRUE(w.OptionsFrame->rgMode->isEnabled());
         }},
        {"rgWhatIncrust", [](TUIForm& w) { w.OptionsFrame->rgWhatIncrust->SetItemIndex(1); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->rgWhatIncrust->ItemIndex(), 1); }},
        {"rgAlign", [](TUIForm& w) { w.OptionsFrame->rgAlign->SetItemIndex(0); },
         [](TUIForm& w) { EXPECT_EQ(w.OptionsFrame->rgAlign->ItemIndex(), 0); }},
        {"cbAutoFontSize", [](TUIForm& w) { w.OptionsFrame->cbAutoFontSize->setChecked(false); },
         [](TUIForm& w) { EXPECT_FALSE(w.OptionsFrame->cbAutoFontSize->isChecked()); }},
        // Ticked, the "Send to" entry is made when the window applies it.
        {"cbSendTo", [](TUIForm& w) { w.OptionsFrame->cbSendTo->setChecked(true); },
         [](TUIForm& w) {
             EXPECT_TRUE(w.OptionsFrame->cbSendTo->isChecked());
             EXPECT_TRUE(fs::exists(prefs::SendToShortcutPath("Morvel")));
         }},
        {"cbAjoutAvant", [](TUIForm& w) { w.OptionsFrame->cbAjoutAvant->setChecked(true); },
         [](TUIForm& w) { EXPECT_TRUE(w.OptionsFrame->cbAjoutAvant->isChecked()); }},
        {"overlay sliders",
         [](TUIForm& w) {
             w.BaseFrame->incrustHorz->setValue(300);
             w.BaseFrame->incrustVert->setValue(100);
         },
         [](TUIForm& w) {
             EXPECT_EQ(w.BaseFrame->incrustHorz->value(), 300);
             EXPECT_EQ(w.BaseFrame->incrustVert->value(), 100);
             EXPECT_EQ(prefs::IncrustPositionY, 900);
         }},
    };
    m.StorePreferences([] { prefs::Sendto = false; });
    TUIForm& w = m.Open();
    for (const Control& c : controls)
        c.set(w);
    ASSERT_TRUE(Page().cbPrefsQuittant->isChecked());
    Page().SpeedButton1->click();
    EXPECT_TRUE(Messages().empty());
    // Saving now switches saving at exit off, and the box says so.
    EXPECT_FALSE(Page().cbPrefsQuittant->isChecked());
    EXPECT_FALSE(prefs::SauverPreferencesEnQuittant);
    Close();

    LoadAsAtStart();
    EXPECT_TRUE(prefs::SauverPreferencesEnQuittant);               // as it was when saved
    EXPECT_EQ(prefs::DossierPourOuvrirFichiers, "/media/dv open"); // saved as typed
    EXPECT_EQ(prefs::DureeIncrustation, 12);
    TUIForm& next = m.Open();
    EXPECT_TRUE(Page().cbPrefsQuittant->isChecked());
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        c.check(next);
    }
}

TEST_F(Preferences, TheFirstShowAppliesFoldersOffsetOverlayAndTheCommandsStates)
{
    struct Offset {
        double days;
        bool advanced;
        const char* label;
    };
    for (const Offset& o : {Offset{-0.25, true, "0 days -6h 0m 0s"}, Offset{1.5, true, "1 days 12h 0m 0s"},
                            Offset{-1.0 / 24, false, "-1h"}}) {
        SCOPED_TRACE(o.label);
        m.StorePreferences([&] {
            prefs::DecalageHoraire = o.days;
            prefs::DecalageAvance = o.advanced;
            prefs::DossierPourSauver = "/stored/out";
            prefs::IsIncrustOn = true;
            prefs::IncrustSlidersVisible = true;
            prefs::IncrustPositionX = 300;
            prefs::IncrustPositionY = 200;
            prefs::Alignement = 0;
        });
        TUIForm& w = m.Open();
        EXPECT_EQ(Page().LabDecalage->text().toStdString(), o.label);
        EXPECT_EQ(prefs::DossierPourSauver, "/stored/out/");
        EXPECT_EQ(Page().edDossierSave->Text(), "/stored/out/");
        EXPECT_EQ(w.amAfficherIncrustation->text().toStdString(), "隐藏日期码");
        EXPECT_EQ(w.amAfficherIncrustation->data().toInt(), 21);
        EXPECT_EQ(w.amAfficherSliders->text().toStdString(), "显示嵌入滑块");
        EXPECT_TRUE(w.BaseFrame->incrustHorz->isVisibleTo(w.BaseFrame));
        EXPECT_FALSE(w.Panel1->isVisibleTo(w.Client));
        EXPECT_EQ(w.BaseFrame->incrustVert->value(), 800);
        const media::Tdv_Superposer::Settings overlay = media::viewdm().Superposer().CurrentSettings();
        EXPECT_EQ(overlay.PositionX, 300);
        EXPECT_EQ(overlay.PositionY, 200);
        EXPECT_EQ(overlay.Alignment, 0);
        Close();
    }
    m.StorePreferences([] {
        prefs::IsIncrustOn = false;
        prefs::IncrustSlidersVisible = false;
        prefs::FichierKestrom = "";
    });
    TUIForm& w = m.Open();
    EXPECT_EQ(w.amAfficherIncrustation->text().toStdString(), "显示日期码");
    EXPECT_EQ(w.amAfficherSliders->text().toStdString(), "更改嵌入位置");
    EXPECT_FALSE(w.BaseFrame->incrustHorz->isVisibleTo(w.BaseFrame));
    EXPECT_TRUE(w.Panel1->isVisibleTo(w.Client));
    w.SavePreferences();
    LoadAsAtStart();
    for (const prefs::ActionState& s : prefs::ActionStates)
        if (s.Name == "afKestrom")
            EXPECT_EQ(s.State, -1); // no program, so no line in the command list
}

TEST_F(Preferences, AValueAControlCannotGiveKeepsTheStoredOneAndTheRestIsSaved)
{
    m.StorePreferences([] {
        prefs::DureeIncrustation = 7;
        prefs::WhenIncrust = 2;
        prefs::StandardParDefaut = 2;
        prefs::Alignement = 1;
    });
    m.Open();
    Page().edDureeIncrust->setText("7.5"); // typed, not left
    Page().rgMode->SetItemIndex(-1);
    Page().rgStandard->SetItemIndex(-1);
    Page().rgAlign->SetItemIndex(-1);
    Page().cbAjoutAvant->setChecked(true); // collected after them
    Page().edRacine->setText("R_");
    Page().SpeedButton1->click();
    EXPECT_TRUE(Messages().empty());
    Close();
    LoadAsAtStart();
    EXPECT_EQ(prefs::DureeIncrustation, 7);
    EXPECT_EQ(prefs::WhenIncrust, 2);
    EXPECT_EQ(prefs::StandardParDefaut, 2);
    EXPECT_EQ(prefs::Alignement, 1);
    EXPECT_TRUE(prefs::AjoutAvant);
    EXPECT_EQ(prefs::RacinePourRenommer, "R_");
}

TEST_F(Preferences, ASaveThatFailsIsReportedNowAndAtExit)
{
    TUIForm& w = m.Open();
    const std::string locked = testkit::UnwritableFolder(m.dir);
    setenv("MORVEL_REGISTRY_DIR", locked.c_str(), 1);
    Page().SpeedButton1->click();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find(locked), std::string::npos) << Messages()[0];
    // Nothing was kept, so saving at exit stays on.
    EXPECT_TRUE(Page().cbPrefsQuittant->isChecked());
    EXPECT_TRUE(prefs::SauverPreferencesEnQuittant);
    (void)w;
    auto& dialogs = m.dialogs;
    Close();
    ASSERT_EQ(dialogs.messages.shown().size(), 2u);
    EXPECT_NE(dialogs.messages.shown()[1].text.find(locked), std::string::npos);
}

TEST_F(Preferences, DeleteChangesSavingAtExitOnlyWhenTheKeyIsGone)
{
    m.StorePreferences([] { prefs::Sendto = true; });
    // No: nothing changes, and this run's settings are saved at exit.
    m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrNo});
    m.Open();
    Page().SpeedButton2->click();
    EXPECT_EQ(Messages().size(), 1u);
    EXPECT_TRUE(Page().cbPrefsQuittant->isChecked());
    EXPECT_TRUE(prefs::SauverPreferencesEnQuittant);
    Page().edRacine->setText("Kept_");
    Close();
    LoadAsAtStart();
    EXPECT_EQ(prefs::RacinePourRenommer, "Kept_");

    // A delete that cannot be written keeps the box too.
    m.dialogs.messages = shell::ScriptedPrompter({shell::ModalResult::mrYes});
    m.Open();
    {
        testkit::FileFault fault(testkit::FileFault::Step::Rename);
        Page().SpeedButton2->click();
    }
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_NE(Messages()[1].find("could not"), std::string::npos) << Messages()[1];
    EXPECT_TRUE(Page().cbPrefsQuittant->isChecked());
    EXPECT_TRUE(prefs::SauverPreferencesEnQuittant);
    Close();

    // Yes: the key goes, saving at exit is off, and the "Send to" entry is made to match the box.
    fs::remove(prefs::SendToShortcutPath("Morvel"));
    m.dialogs.messages = shell::ScriptedPrompter(
        {shell::ModalResult::mrYes, shell::ModalResult::mrOk, shell::ModalResult::mrYes, shell::ModalResult::mrOk});
    m.Open();
    fs::remove(prefs::SendToShortcutPath("Morvel"));
    Page().SpeedButton2->click();
    EXPECT_FALSE(Page().cbPrefsQuittant->isChecked());
    EXPECT_FALSE(prefs::SauverPreferencesEnQuittant);
    EXPECT_TRUE(fs::exists(prefs::SendToShortcutPath("Morvel")));
    // Not found the second time: the same.
    Page().cbPrefsQuittant->setChecked(true);
    prefs::SauverPreferencesEnQuittant = true;
    Page().SpeedButton2->click();
    ASSERT_EQ(Messages().size(), 4u);
    EXPECT_NE(Messages()[3].find("not found"), std::string::npos) << Messages()[3];
    EXPECT_FALSE(Page().cbPrefsQuittant->isChecked());
    EXPECT_FALSE(prefs::SauverPreferencesEnQuittant);
    Close();
    reg::ReloadHives();
    reg::TRegistry r(reg::HKEY_CURRENT_USER);
    EXPECT_FALSE(r.OpenKey(prefs::ProductKey, false)); // not saved again at exit
}
