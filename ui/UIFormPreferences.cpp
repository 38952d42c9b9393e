// Preferences applied to the window at start and collected from it before each save; the events
// of the options page that the window handles; the idle hook.
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Gauge.h"
#include "settings/Preferences.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"

namespace ui {

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
}

void TUIForm::ApplyPreferences()
{
    // Still to come: the volume gauge, the overlay sliders and commands, mute and the time-offset
    // label, from one table with the collect.
    prefs::ScreenGeometry screen;
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        screen.screenWidth = s->availableGeometry().width();
        screen.screenHeight = s->availableGeometry().height();
    }
    screen.windowWidth = width();
    screen.windowHeight = height();
    prefs::LoadPreferences(screen);
    move(prefs::Left, prefs::Top);
    Gauge2->SetProgress(prefs::Volume / 100);
    for (std::string* folder : {&prefs::DossierPourOuvrirFichiers, &prefs::DossierAOuvertureAuto,
                                &prefs::DossierPourSauver, &prefs::DossierDesPlayList})
        *folder = rtl::IncludeTrailingPathDelimiter(*folder);
    OptionsFrame->ApplyPreferences();
}

void TUIForm::SavePreferences()
{
    // Still to come: the overlay position from the sliders, and a report of a save that failed.
    OptionsFrame->CollectPreferences();
    prefs::Left = x();
    prefs::Top = y();
    prefs::ActionStates.clear();
    for (const Command& command : al)
        prefs::ActionStates.push_back({command.Row->name, command.Tag < 0 ? -1 : Ticked(command) ? 1 : 0});
    prefs::SavePreferences();
}

void TUIForm::optionsframe1SpeedButton1Click()
{
    // Still to come: the box unticked to match.
    SavePreferences();
    prefs::SauverPreferencesEnQuittant = false;
}

void TUIForm::optionsframe1SpeedButton2Click()
{
    // Still to come: the stored preferences deleted, saving on exit off unless cancelled.
}

void TUIForm::OptionsFramefeFichierKestromAfterDialog(const std::string&)
{
    // Still to come: the program stored, the command's caption and state.
}

void TUIForm::OptionsFramefeFichierF3AfterDialog(const std::string&)
{
    // Still to come: the program stored, the command's caption and state.
}

void TUIForm::OptionsFramefeFichierF4AfterDialog(const std::string&)
{
    // Still to come: the program stored, the command's caption and state.
}

void TUIForm::OptionsFramesbDecalageAvanceClick()
{
    // Still to come: the time-offset dialog on the current file's date, then the label.
}

void TUIForm::OptionsFrameDossierPlayListExit(const std::string&)
{
    // Still to come: the play-list folder stored with its trailing "/".
}

void TUIForm::AppEvents1Idle()
{
    // Still to come: the list takes the focus back when the window is idle and no page shows.
}

} // namespace ui
