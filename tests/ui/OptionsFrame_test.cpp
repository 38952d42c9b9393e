// The options page: every control writes its preference at once, the overlay's controls reach
// the viewing graph's overlay filter, and the page's faults mended: an emptied folder becomes the
// documents folder, a bad duration never stays, a launcher that cannot be written is not
// reported on. Space and Del are freed and given back through the host.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "media/dv_superposer.h"
#include "platform/rtl/ShortCut.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/ui/FakeHost.h"
#include "tests/ui/WidgetTexts.h"
#include "ui/OptionsFrame.h"

using namespace ui;
namespace prefs = settings;

namespace {

// The user types `text` and leaves the edit.
void Leave(QLineEdit* edit, const std::string& text)
{
    edit->setText(QString::fromStdString(text));
    emit edit->editingFinished();
}

void Leave(vcl::PickerEdit* edit, const std::string& text)
{
    Leave(&edit->Edit(), text);
}

class Options : public testing::Test {
protected:
    void SetUp() override
    {
        page.Localise();
        page.ApplyPreferences();
    }
    media::Tdv_Superposer::Settings Overlay() { return view.Superposer().CurrentSettings(); }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : dialogs.messages.shown())
            texts.push_back(shown.text);
        return texts;
    }

    uitest::FakeHost host;
    vcl::ScriptedDialogs dialogs;
    media::Tviewdm view;
    TOptionsFrame page{host, dialogs, view};
};

} // namespace

TEST_F(Options, CheckBoxesAndRadioGroupsStoreTheirPreferences)
{
    const std::pair<QCheckBox*, bool*> boxes[] = {{page.cbPrefsQuittant, &prefs::SauverPreferencesEnQuittant},
                                                  {page.cbSelection, &prefs::SelectionnerALOuverture},
                                                  {page.cbListe, &prefs::SauverListeEnQuittant},
                                                  {page.cbAjoutAvant, &prefs::AjoutAvant},
                                                  {page.cbPreviewDemi, &prefs::PrevisualiserDVEnDemiFormat},
                                                  {page.cbsameFolder, &prefs::SauverDansLeMemeDossier}};
    for (const auto& [box, value] : boxes) {
        const bool before = *value;
        box->click();
        EXPECT_EQ(*value, !before) << box->objectName().toStdString();
        box->click();
        EXPECT_EQ(*value, before) << box->objectName().toStdString();
    }
    page.cbsameFolder->setChecked(true);
    page.cbsameFolder->click();
    EXPECT_TRUE(page.edDossierSave->isEnabled());
    page.cbsameFolder->click();
    EXPECT_FALSE(page.edDossierSave->isEnabled());

    page.rgStandard->Click(0);
    EXPECT_EQ(prefs::StandardParDefaut, 1); // Pal
    page.rgStandard->Click(1);
    EXPECT_EQ(prefs::StandardParDefaut, 2); // Ntsc
    for (int i : {0, 1, 2}) {
        page.rgfrequenceDV->Click(i);
        EXPECT_EQ(prefs::FrequenceDV, i);
    }
}

TEST_F(Options, FormatEditsStoreWhenLeft)
{
    const std::pair<QLineEdit*, std::string*> edits[] = {{page.edAjouter, &prefs::FormatPourAjouterDatecode},
                                                         {page.edAfficherDatecode, &prefs::FormatPourAfficherDatecode},
                                                         {page.edRacine, &prefs::RacinePourRenommer},
                                                         {page.edRenommer, &prefs::FormatPourRenommer}};
    for (const auto& [edit, value] : edits) {
        edit->setText("yyyy-mm-dd"); // typed, not left yet
        EXPECT_NE(*value, "yyyy-mm-dd");
        emit edit->editingFinished();
        EXPECT_EQ(*value, "yyyy-mm-dd") << edit->objectName().toStdString();
    }
    // No check on date formats: they fail only where they are used.
    Leave(page.edAfficherDatecode, "");
    EXPECT_EQ(prefs::FormatPourAfficherDatecode, "");
}

TEST_F(Options, OverlayControlsReachTheFilter)
{
    Leave(page.edAfficher1, "dddd d mmmm");
    page.edAfficher2->setText("hh:nn");
    emit page.edAfficher2->editingFinished();
    EXPECT_EQ(prefs::FormatPourIncrusterDatecode1, "dddd d mmmm");
    EXPECT_EQ(prefs::FormatPourIncrusterDatecode2, "hh:nn");
    EXPECT_EQ(Overlay().Format1, "dddd d mmmm");
    EXPECT_EQ(Overlay().Format2, "hh:nn");

    page.rgWhatIncrust->Click(1);
    EXPECT_EQ(prefs::WhatIncrust, 1);
    EXPECT_EQ(Overlay().What, 1);
    page.cbAuto->setChecked(false);
    page.cbAuto->click();
    EXPECT_EQ(prefs::AutoIncrust, 1);
    EXPECT_EQ(Overlay().Auto, 1);
    EXPECT_TRUE(page.rgMode->isEnabled());
    page.cbAuto->click();
    EXPECT_EQ(prefs::AutoIncrust, 0);
    EXPECT_EQ(Overlay().Auto, 0);
    EXPECT_FALSE(page.rgMode->isEnabled());
    page.rgMode->setEnabled(true);
    for (int when : {2, 0}) {
        page.rgMode->Click(when);
        EXPECT_EQ(prefs::WhenIncrust, when);
        EXPECT_EQ(Overlay().When, when);
    }
    page.cbAutoFontSize->setChecked(true);
    page.cbAutoFontSize->click();
    EXPECT_FALSE(prefs::StandardFontSize);
    EXPECT_FALSE(Overlay().AutoFontSize);
    for (int align : {0, 1}) {
        page.rgAlign->Click(align);
        EXPECT_EQ(prefs::Alignement, align);
        EXPECT_EQ(Overlay().Alignment, align);
    }
}

TEST_F(Options, DurationIsStoredInSecondsAndReachesTheFilterInFrames)
{
    view.ViewFps = 25;
    Leave(page.edDureeIncrust, "5");
    EXPECT_EQ(prefs::DureeIncrustation, 5);
    EXPECT_EQ(Overlay().Duration, 125);
    view.ViewFps = 0; // no video shown
    Leave(page.edDureeIncrust, " 7 ");
    EXPECT_EQ(prefs::DureeIncrustation, 7);
    EXPECT_EQ(Overlay().Duration, 0);
    EXPECT_TRUE(dialogs.messages.shown().empty());
}

TEST_F(Options, ABadDurationIsRefusedAndTheStoredOneShowsAgain)
{
    view.ViewFps = 25;
    Leave(page.edDureeIncrust, "5");
    for (const char* bad : {"abc", "-3", "99999999999", ""}) {
        Leave(page.edDureeIncrust, bad);
        EXPECT_EQ(prefs::DureeIncrustation, 5) << bad;
        EXPECT_EQ(page.edDureeIncrust->text().toStdString(), "5") << bad;
        EXPECT_EQ(Overlay().Duration, 125) << bad;
    }
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "'abc' is not a valid integer value",
                              "'-3' is not a valid duration: give a whole number of seconds, 0 or more.",
                              "'99999999999' is not a valid integer value", "'' is not a valid integer value"}));
    // A text typed and never left does not reach the preferences' save.
    page.edDureeIncrust->setText("x");
    page.CollectPreferences();
    EXPECT_EQ(prefs::DureeIncrustation, 5);
}

TEST_F(Options, FoldersGetATrailingSlashAndAnEmptiedOneBecomesTheDocumentsFolder)
{
    const std::string documents = prefs::GetMyDocumentsFolder() + "/";
    const std::pair<vcl::DirectoryEdit*, std::string*> folders[] = {
        {page.edDossierOuvrir, &prefs::DossierPourOuvrirFichiers},
        {page.edDossierAuto, &prefs::DossierAOuvertureAuto},
        {page.edDossierSave, &prefs::DossierPourSauver},
        {page.edDossierPlayList, &prefs::DossierDesPlayList}};
    std::vector<std::string> playLists;
    page.OnDossierPlayListExit = [&](const std::string& folder) { playLists.push_back(folder); };
    for (const auto& [edit, value] : folders) {
        SCOPED_TRACE(edit->objectName().toStdString());
        Leave(edit, "/media/dv");
        EXPECT_EQ(*value, "/media/dv/");
        EXPECT_EQ(edit->Text(), "/media/dv/");
        Leave(edit, "/media/dv/");
        EXPECT_EQ(*value, "/media/dv/");
        Leave(edit, "");
        EXPECT_EQ(*value, documents);
        EXPECT_EQ(edit->Text(), documents);
        Leave(edit, "   ");
        EXPECT_EQ(*value, documents);
        // The dialog's choice is stored at once; a cancelled dialog stores nothing.
        dialogs.folderAnswers.push_back("/home/ivor/Vidéos");
        edit->ButtonClick();
        EXPECT_EQ(*value, "/home/ivor/Vidéos/");
        EXPECT_EQ(edit->Text(), "/home/ivor/Vidéos/");
        *value = "kept";
        edit->ButtonClick();
        EXPECT_EQ(*value, "kept");
    }
    EXPECT_EQ(playLists,
              (std::vector<std::string>{"/media/dv/", "/media/dv/", documents, documents, "/home/ivor/Vidéos/"}));
}

TEST_F(Options, ALauncherThatCannotBeWrittenIsNotReportedOn)
{
    testkit::TempDir dir;
    const std::string saved = std::getenv("XDG_DATA_HOME");
    // A file where the data folder should be: no applications folder can be made under it.
    testkit::WriteFileBytes(dir.file("data"), "");
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    page.cbSendTo->click();
    EXPECT_FALSE(page.cbSendTo->isChecked());
    EXPECT_FALSE(prefs::Sendto);
    ASSERT_EQ(dialogs.messages.shown().size(), 1u);
    EXPECT_NE(Messages()[0].find("could not be written"), std::string::npos);
    EXPECT_NE(Messages()[0].find(prefs::SendToShortcutPath("Morvel")), std::string::npos);

    setenv("XDG_DATA_HOME", dir.file("share").c_str(), 1);
    page.cbSendTo->click();
    EXPECT_TRUE(page.cbSendTo->isChecked());
    EXPECT_TRUE(prefs::Sendto);
    EXPECT_TRUE(std::filesystem::exists(dir.file("share/applications/Morvel.desktop")));
    page.cbSendTo->click();
    EXPECT_FALSE(prefs::Sendto);
    EXPECT_FALSE(std::filesystem::exists(dir.file("share/applications/Morvel.desktop")));
    EXPECT_EQ(dialogs.messages.shown().size(), 1u);
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

TEST_F(Options, ScriptedFontChoiceLandsInThePreferenceAndTheFilter)
{
    prefs::IncrustFont = {"Arial", 48, 0xFFFFFF, rtl::fsBold};
    const rtl::FontSpec chosen{"Liberation Serif", 36, 0x0000FF, rtl::fsItalic | rtl::fsUnderline | rtl::fsStrikeOut};
    dialogs.fontAnswers.push_back(chosen);
    page.sbIncrustFont->click();
    ASSERT_EQ(dialogs.fontRequests.size(), 1u);
    EXPECT_EQ(dialogs.fontRequests[0], (rtl::FontSpec{"Arial", 48, 0xFFFFFF, rtl::fsBold}));
    EXPECT_EQ(prefs::IncrustFont.Name, "Liberation Serif");
    EXPECT_EQ(prefs::IncrustFont.Size, 36);
    EXPECT_EQ(prefs::IncrustFont.Color, 0x0000FFu);
    EXPECT_EQ(prefs::IncrustFont.Style, rtl::fsItalic | rtl::fsUnderline | rtl::fsStrikeOut);
    const media::Tdv_Superposer::Settings s = Overlay();
    EXPECT_EQ(s.FontSize, -36);
    EXPECT_EQ(s.Font.Name, "Liberation Serif");
    EXPECT_EQ(s.Font.Color, 0x0000FFu);
    EXPECT_FALSE(s.Font.Bold);
    EXPECT_TRUE(s.Font.Italic);
    EXPECT_TRUE(s.Font.Underline);
    EXPECT_TRUE(s.Font.StrikeOut);

    // Cancelled: the stored font stays, and is what the filter has.
    view.Superposer().SetFontName("Other");
    page.sbIncrustFont->click();
    EXPECT_EQ(prefs::IncrustFont.Name, "Liberation Serif");
    EXPECT_EQ(Overlay().Font.Name, "Liberation Serif");
}

TEST_F(Options, SpaceAndDelAreFreedWhileShownAndGivenBack)
{
    const rtl::TShortCut space = rtl::TextToShortCut("Space");
    const rtl::TShortCut del = rtl::TextToShortCut("Del");
    host.keys = {{"avPlayStop", space}, {"amOterFichier", del}};
    host.clientWidth = 900;
    page.ShowOptions();
    EXPECT_EQ(host.keys["avPlayStop"], 0);
    EXPECT_EQ(host.keys["amOterFichier"], 0);
    EXPECT_EQ(host.clientWidth, TOptionsFrame::kDesignWidth);
    EXPECT_FALSE(host.scrollBars);
    EXPECT_FALSE(host.popupMenu);
    EXPECT_EQ(page.pos(), QPoint(0, 0));
    EXPECT_EQ(page.RxLabel1->text().toStdString(), "Morvel " + prefs::VersionText + " En");
    page.ShowOptions(); // shown again: what it took and the width it remembered stay
    page.HideOptions();
    EXPECT_EQ(host.keys["avPlayStop"], space);
    EXPECT_EQ(host.keys["amOterFichier"], del);
    EXPECT_EQ(host.clientWidth, 900);
    EXPECT_TRUE(host.scrollBars);
    EXPECT_TRUE(host.popupMenu);
    host.clientWidth = 700;
    page.HideOptions(); // not shown: nothing
    EXPECT_EQ(host.clientWidth, 700);
}

TEST_F(Options, CheckAllSkipsGreyedCommands)
{
    for (const char* name : {"Extract audio", "Add the datecode", "Next scene"}) {
        auto* item = new QListWidgetItem(QString::fromLatin1(name), page.RxCheckListBox1);
        item->setCheckState(Qt::Unchecked);
    }
    EXPECT_EQ(page.RxCheckListBox1->item(0)->text().toStdString(), "Add the datecode"); // sorted
    QListWidgetItem* greyed = page.RxCheckListBox1->item(1);
    greyed->setFlags(greyed->flags() & ~Qt::ItemIsEnabled);
    page.SpeedButton3->click();
    EXPECT_EQ(page.RxCheckListBox1->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(greyed->checkState(), Qt::Unchecked);
    EXPECT_EQ(page.RxCheckListBox1->item(2)->checkState(), Qt::Checked);
}

TEST_F(Options, EventsForTheMainWindow)
{
    std::vector<std::string> events;
    page.OnSaveNow = [&] { events.push_back("save"); };
    page.OnDeletePrefs = [&] { events.push_back("delete"); };
    page.OnDecalageAvanceClick = [&] { events.push_back("offset"); };
    page.OnPreviewDemiClick = [&] { events.push_back(prefs::PrevisualiserDVEnDemiFormat ? "half" : "full"); };
    page.OnFichierF3AfterDialog = [&](const std::string& n) { events.push_back("F3 " + n); };
    page.OnFichierKestromAfterDialog = [&](const std::string& n) { events.push_back("Kestrom " + n); };
    page.SpeedButton1->click();
    page.SpeedButton2->click();
    page.sbDecalageAvance->click();
    page.cbPreviewDemi->setChecked(false);
    page.cbPreviewDemi->click(); // stored before the event
    dialogs.openAnswers.push_back(std::vector<std::string>{"/usr/bin/vlc"});
    page.feFichierF3->ButtonClick();
    page.feFichierKestrom->SetText("/opt/kestrom");
    page.feFichierKestrom->ButtonClick(); // cancelled: nothing to tell
    page.FermerBtn->click();
    EXPECT_EQ(events, (std::vector<std::string>{"save", "delete", "offset", "half", "F3 /usr/bin/vlc"}));
    EXPECT_EQ(page.feFichierKestrom->Text(), "/opt/kestrom");
    EXPECT_EQ(host.closed, std::vector<QWidget*>{&page});
    page.AppendMailLine("Debian 12");
    page.AppendMailLine("Kestrom not found");
    EXPECT_EQ(page.zekUrlLabel2->MailBody, "Debian 12  /  Kestrom not found  /  ");
}

TEST_F(Options, PreferencesFillTheControlsWithoutRunningAHandler)
{
    prefs::StandardParDefaut = 2;
    prefs::FrequenceDV = 0;
    prefs::AutoIncrust = 1;
    prefs::WhenIncrust = 2;
    prefs::DureeIncrustation = 9;
    prefs::Sendto = true;
    prefs::DossierDesPlayList = "/lists";
    bool raised = false;
    page.OnDossierPlayListExit = [&](const std::string&) { raised = true; };
    page.ApplyPreferences();
    EXPECT_EQ(page.rgStandard->ItemIndex(), 1);
    EXPECT_EQ(page.rgfrequenceDV->ItemIndex(), 0);
    EXPECT_TRUE(page.cbAuto->isChecked());
    EXPECT_TRUE(page.rgMode->isEnabled());
    EXPECT_EQ(page.rgMode->ItemIndex(), 2);
    EXPECT_EQ(page.edDureeIncrust->text().toStdString(), "9");
    EXPECT_TRUE(page.cbSendTo->isChecked());
    EXPECT_EQ(page.edDossierPlayList->Text(), "/lists");
    EXPECT_FALSE(raised);
    EXPECT_TRUE(dialogs.messages.shown().empty()); // no launcher was written or removed
    EXPECT_EQ(prefs::DossierDesPlayList, "/lists");

    page.rgStandard->SetItemIndex(0);
    page.CollectPreferences();
    EXPECT_EQ(prefs::StandardParDefaut, 1);
    EXPECT_EQ(prefs::DossierDesPlayList, "/lists"); // as typed
}

TEST_F(Options, LocaliseLeavesNoVisibleTextEmpty)
{
    page.show();
    for (int i = 0; i < page.pagecontrol1->count(); ++i) {
        SCOPED_TRACE(i);
        page.pagecontrol1->setCurrentIndex(i);
        uitest::ExpectEveryTextShown(page);
    }
    EXPECT_EQ(page.rgMode->Items(), (QStringList{"一次", "场景", "一天"}));
    EXPECT_EQ(page.rgAlign->Items(), (QStringList{"左", "居中", "右"}));
    EXPECT_EQ(page.rgStandard->Items(), (QStringList{"Pal", "Ntsc"}));
    EXPECT_EQ(page.rgfrequenceDV->Items(), (QStringList{"32000", "44100", "48000"}));
    EXPECT_EQ(page.zekUrlLabel2->Address(), "ivor.varnet@morvel.example");
    EXPECT_FALSE(page.Image1->pixmap().isNull());
}
