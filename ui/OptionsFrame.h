#pragma once
// TOptionsFrame: the settings page, shown in place of the file list (F10). Every control writes
// its preference at once: a click, or leaving an edit; there is no OK. The overlay's controls
// also push the new value into the viewing graph's overlay filter and redraw the paused picture.
// What the main window handles is raised as events: saving now and deleting the stored
// preferences, the half-size preview (after it is stored), the program pickers, the play-list
// folder, the time-offset button and the close button (through the host).
//
// GUI thread only. The overlay filter's setters take their own lock (the streaming thread reads).
#include <functional>
#include <string>
#include <vector>

#include "media/viewgraph.h"
#include "platform/rtl/ShortCut.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/FileEdits.h"
#include "ui/PreferenceRow.h"
#include "ui/RadioGroup.h"
#include "ui/TitledPage.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace media {
class Tdv_Superposer;
}

namespace ui {

class TOptionsFrame : public TitledPage {
public:
    static constexpr int kDesignWidth = 640;
    static constexpr int kDesignHeight = 470;

    TOptionsFrame(PageHost& host, vcl::Dialogs& dialogs, media::Tviewdm& view = media::viewdm(),
                  QWidget* parent = nullptr);

    // Components, by their design names.
    QTabWidget* pagecontrol1;
    QWidget *TabSheet2, *TabSheet1, *TabSheet7, *TabSheet3, *TabSheet4, *TabSheet5;
    // Preferences
    QGroupBox* gbPrefs;
    QToolButton *SpeedButton1, *SpeedButton2;
    QLabel *LabelSauverNow, *LabelEffacerPrefs;
    QCheckBox *cbPrefsQuittant, *cbSelection, *cbListe, *cbSendTo, *cbPreviewDemi;
    RadioGroup *rgStandard, *rgfrequenceDV;
    QPlainTextEdit* Memo6;
    // Commands
    QListWidget* RxCheckListBox1;
    QToolButton* SpeedButton3;
    QLabel* Label4;
    QPlainTextEdit* Memo5;
    // Formats
    QGroupBox *GroupBox3, *GroupBox4;
    QLineEdit *edRenommer, *edRacine, *edAjouter, *edAfficherDatecode, *edAfficher1, *edAfficher2;
    QCheckBox* cbAjoutAvant;
    QPlainTextEdit* Memo3;
    // Folders
    QGroupBox *GroupBox1, *GroupBox2;
    vcl::DirectoryEdit *edDossierOuvrir, *edDossierAuto, *edDossierPlayList, *edDossierSave;
    QCheckBox* cbsameFolder;
    QPlainTextEdit* Memo1;
    // Overlay
    QPushButton* sbIncrustFont;
    QCheckBox *cbAutoFontSize, *cbAuto;
    RadioGroup *rgWhatIncrust, *rgMode, *rgAlign;
    QLineEdit* edDureeIncrust;
    QPushButton* sbDecalageAvance;
    QLabel* LabDecalage;
    QPlainTextEdit* Memo2;
    // Programs
    vcl::FileNameEdit *feFichierKestrom, *feFichierF3, *feFichierF4;
    QPlainTextEdit* Memo4;
    // Outside the tabs: TitledPage's RxLabel1, FermerBtn, Image1, Image2, zekUrlLabel2, zekUrlLabel1.

    // Events for the main window.
    std::function<void()> OnSaveNow;     // SpeedButton1
    std::function<void()> OnDeletePrefs; // SpeedButton2
    std::function<void()> OnPreviewDemiClick;
    std::function<void()> OnDecalageAvanceClick;
    std::function<void(const std::string& folder)> OnDossierPlayListExit; // stored already
    std::function<void(const std::string& name)> OnFichierKestromAfterDialog;
    std::function<void(const std::string& name)> OnFichierF3AfterDialog;
    std::function<void(const std::string& name)> OnFichierF4AfterDialog;

    void ShowOptions();
    void HideOptions();
    void Localise();
    // Each control and its preference, in the order they are applied (PreferenceRow.h).
    std::vector<PreferenceRow> PreferenceRows();
    // The controls from the preferences (no handler runs), and the preferences from the controls.
    void ApplyPreferences();
    void CollectPreferences();
    // The line ecrire_noir adds to the mail link's body.
    void AppendMailLine(const std::string& text);

    // Handlers the main window calls too.
    void cbSendToClick();
    void cbPreviewDemiClick();
    void SpeedButton3Click(); // checks every enabled command

    // Control handlers, by design name.
    void edDossierExit(vcl::DirectoryEdit& edit);
    void edDureeIncrustExit();
    void edAfficherExit();
    void sbIncrustFontClick();

private:
    void BuildPreferences();
    void BuildCommands();
    void BuildFormats();
    void BuildFolders();
    void BuildOverlay();
    void BuildFiles();
    void NameComponents();
    void Connect();
    void Redraw();
    std::string* FolderOf(const vcl::DirectoryEdit& edit) const;

    vcl::Dialogs& dialogs_;
    media::Tviewdm& view_;
    rtl::TShortCut playStop_ = 0; // avPlayStop's key while the page is shown
};

} // namespace ui
