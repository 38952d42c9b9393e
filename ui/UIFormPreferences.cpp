// Preferences applied to the window at start and collected from it before each save, from one
// table; saving now and deleting them; the events of the options page that the window handles;
// the idle hook.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>

#include "actions/FileAction.h"
#include "media/dv_superposer.h"
#include "platform/registry/HiveFile.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/IdleHook.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"
#include "ui/decalage.h"

namespace ui {

using namespace rtl::sid;
namespace prefs = settings;

void TUIForm::ConnectOptionsEvents()
{
    OptionsFrame->OnSaveNow = [this] { optionsframe1SpeedButton1Click(); };
    OptionsFrame->OnDeletePrefs = [this] { optionsframe1SpeedButton2Click(); };
    OptionsFrame->OnFichierKestromAfterDialog = [this](const std::string& n) {
        OptionsFramefeFichierKestromAfterDialog(n);
    };
    OptionsFrame->OnFichierF3AfterDialog = [this](const std::string& n) { OptionsFramefeFichierF3AfterDialog(n); };
    OptionsFrame->OnFichierF4AfterDialog = [this](const std::string& n) { OptionsFramefeFichierF4AfterDialog(n); };
    OptionsFrame->OnDecalageAvanceClick = [this] { OptionsFramesbDecalageAvanceClick(); };
    OptionsFrame->OnDossierPlayListExit = [this](const std::string& f) { OptionsFrameDossierPlayListExit(f); };
    OptionsFrame->OnPreviewDemiClick = [this] { OptionsFramecbPreviewDemiClick(); };
    // A command switched on or off in the command list shows so at once.
    connect(OptionsFrame->RxCheckListBox1, &QListWidget::itemChanged, this, [this] { UpdateActions(); });
    AppEvents1 = std::make_shared<vcl::IdleHook>([this] { AppEvents1Idle(); });
}

std::vector<PreferenceRow> TUIForm::PreferenceTable()
{
    std::vector<PreferenceRow> rows{
        {"UIForm", &prefs::Left, [this] { move(prefs::Left, prefs::Top); },
         [this] {
             prefs::Left = x();
             prefs::Top = y();
         }},
        {"Gauge2", &prefs::Volume, [this] { Gauge2->SetProgress(prefs::Volume / 100); }, {}},
        {"Panel1", &prefs::IncrustSlidersVisible, [this] { Panel1->setVisible(!prefs::IncrustSlidersVisible); }, {}},
        // Stored folders end with "/" from here on; typed ones are saved as typed.
        {"folders",
         &prefs::DossierPourOuvrirFichiers,
         [] {
             for (std::string* folder : {&prefs::DossierPourOuvrirFichiers, &prefs::DossierAOuvertureAuto,
                                         &prefs::DossierPourSauver, &prefs::DossierDesPlayList})
                 *folder = rtl::IncludeTrailingPathDelimiter(*folder);
         },
         {}},
        {"incrustHorz", &prefs::IncrustPositionX,
         [this] {
             const QSignalBlocker quiet(BaseFrame->incrustHorz);
             BaseFrame->incrustHorz->setValue(prefs::IncrustPositionX);
         },
         [this] { prefs::IncrustPositionX = BaseFrame->incrustHorz->value(); }},
        // The vertical slider counts from the bottom.
        {"incrustVert", &prefs::IncrustPositionY,
         [this] {
             const QSignalBlocker quiet(BaseFrame->incrustVert);
             BaseFrame->incrustVert->setValue(1000 - prefs::IncrustPositionY);
         },
         [this] { prefs::IncrustPositionY = 1000 - BaseFrame->incrustVert->value(); }},
        {"ViewSuperposer", &prefs::IncrustPositionX, [this] { PushIncrustPosition(); }, {}},
        // The mute command turns the sound off and stores it again.
        {"avMute",
         &prefs::IsMuteOn,
         [this] {
             if (prefs::IsMuteOn) {
                 prefs::IsMuteOn = false;
                 avMuteExecute();
             }
         },
         {}},
        {"amAfficherIncrustation",
         &prefs::IsIncrustOn,
         [this] {
             const bool on = prefs::IsIncrustOn;
             ShowOverlayCommand(rtl::LoadStr(on ? sUiInlayHide : sUiInlayShow), on ? 21 : 18);
         },
         {}},
        {"amAfficherSliders",
         &prefs::IncrustSlidersVisible,
         [this] {
             const bool shown = prefs::IncrustSlidersVisible;
             ShowOverlaySliders(shown, rtl::LoadStr(shown ? sUiSlidersShown : sMainSliders));
         },
         {}},
    };
    for (PreferenceRow& row : OptionsFrame->PreferenceRows())
        rows.push_back(std::move(row));
    // Outputs go beside their source while the output folder is missing; the box still shows the
    // stored choice, which is what a save keeps.
    rows.push_back(
        {"cbsameFolder", &prefs::SauverDansLeMemeDossier, [] { prefs::SameFolderWhileNoOutputFolder(); }, {}});
    // The "Send to" entry is made or removed to match the box.
    rows.push_back({"cbSendTo", &prefs::Sendto, [this] { OptionsFrame->cbSendToClick(); }, {}});
    rows.push_back({"LabDecalage", &prefs::DecalageHoraire, [this] { ShowOffsetLabel(); }, {}});
    return rows;
}

void TUIForm::ApplyPreferences()
{
    prefs::ScreenGeometry screen;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screen.screenWidth = s->availableGeometry().width();
        screen.screenHeight = s->availableGeometry().height();
    }
    screen.windowWidth = width();
    screen.windowHeight = height();
    prefs::LoadPreferences(screen);
    for (const PreferenceRow& row : PreferenceTable())
        row.apply();
}

bool TUIForm::SavePreferences()
{
    for (const PreferenceRow& row : PreferenceTable())
        if (row.collect)
            row.collect();
    prefs::ActionStates.clear();
    for (const Command& command : al)
        prefs::ActionStates.push_back({command.Row->name, command.Tag < 0 ? -1 : Ticked(command) ? 1 : 0});
    if (prefs::SavePreferences())
        return true;
    dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sUiPrefsNotSaved), reg::RegistryFolder()), shell::MsgDlgType::mtError,
                        shell::mbOK);
    return false;
}

void TUIForm::ShowOffsetLabel()
{
    OptionsFrame->LabDecalage->setText(
        QString::fromStdString(LabDecalageText(prefs::DecalageHoraire, prefs::DecalageAvance)));
}

void TUIForm::optionsframe1SpeedButton1Click()
{
    // What was saved is what the next start finds; a save that failed leaves saving at exit on.
    if (!SavePreferences())
        return;
    prefs::SauverPreferencesEnQuittant = false;
    const QSignalBlocker quiet(OptionsFrame->cbPrefsQuittant);
    OptionsFrame->cbPrefsQuittant->setChecked(false);
}

void TUIForm::optionsframe1SpeedButton2Click()
{
    // The box says how it went; a cancelled or failed delete changes nothing here.
    const prefs::DeleteOutcome outcome = prefs::DeletePreferences(dialogs_);
    if (outcome != prefs::DeleteOutcome::Deleted && outcome != prefs::DeleteOutcome::NotFound)
        return;
    {
        const QSignalBlocker quiet(OptionsFrame->cbPrefsQuittant);
        OptionsFrame->cbPrefsQuittant->setChecked(false);
    }
    prefs::SauverPreferencesEnQuittant = false;
    if (prefs::Sendto)
        OptionsFrame->cbSendToClick();
}

namespace {

// The program picked for a command: stored, the command's caption, and the command on only
// while the program is there (its general condition).
void PickProgram(TUIForm& w, QAction* action, std::string& program, const std::string& name)
{
    program = name;
    bool present = rtl::FileExists(name);
    if (const TUIForm::Command* command = w.CommandOf(action))
        if (actions::tFileAction* fa = w.FindFileAction(*command); fa && fa->OnGeneralCondition)
            fa->OnGeneralCondition(fa->Param, present);
    action->setVisible(present);
    action->setEnabled(present);
    w.ShowOpenWithCaptions();
    w.UpdateActions();
}

} // namespace

void TUIForm::OptionsFramefeFichierKestromAfterDialog(const std::string& name)
{
    PickProgram(*this, afKestrom, prefs::FichierKestrom, name);
}

void TUIForm::OptionsFramefeFichierF3AfterDialog(const std::string& name)
{
    PickProgram(*this, amOpenFichierF3, prefs::FichierF3, name);
}

void TUIForm::OptionsFramefeFichierF4AfterDialog(const std::string& name)
{
    PickProgram(*this, amOpenFichierF4, prefs::FichierF4, name);
}

rtl::TDateTime TUIForm::OffsetOriginal() const
{
    // Only a dated file has one: "yyyymmddhhnnss" in its date key.
    const auto current = CurrentFichier();
    return current && current->RecDateKey.size() == 14 ? current->RecDate : rtl::Now();
}

void TUIForm::OptionsFramesbDecalageAvanceClick()
{
    // The dialog shows the offset accepted on the viewer (zero too) and redraws it.
    DecalageForm->Execute(OffsetOriginal());
    ShowOffsetLabel();
}

void TUIForm::OptionsFrameDossierPlayListExit(const std::string& folder)
{
    prefs::DossierDesPlayList = rtl::IncludeTrailingPathDelimiter(folder);
}

void TUIForm::AppEvents1Idle()
{
    // The list takes the keys back once the window has nothing left to do, unless a page, a
    // menu or a dialog holds them.
    if (closing_ || !isActiveWindow() || QApplication::activePopupWidget() || QApplication::activeModalWidget())
        return;
    if (AproposFrame->Shown() || OptionsFrame->Shown())
        return;
    if (lb->isVisible() && lb->isEnabled() && !lb->hasFocus())
        lb->setFocus();
}

} // namespace ui
