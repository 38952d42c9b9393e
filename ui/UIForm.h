#pragma once
// TUIForm: Morvel's main window. The information frame on the left, the sorted file list on its
// right, the pages (options, about, empty list) shown in place of the list, menus, tool bars and
// the status bar. It starts and closes its list and folder-scan threads in order, loads its texts,
// binds its commands to the file actions and shows the commands that apply.
//
// Every command is one row of the action table (UIFormActions.cpp): name, category, caption,
// hints, keys, image, menu and tool-bar places, the Tch action it runs and its handler. The
// window's concerns live in separate sources, one class:
//   UIForm.cpp            creation, first show, first paint, close, destruction
//   UIFormLayout.cpp      components and their layout, the page host, the window on its screen
//   UIFormActions.cpp     the action table; actions, menus and tool bars built from it
//   UIFormCommands.cpp    binding, the command list, command states, page toggles, small commands
//   UIFormTexts.cpp       the texts loaded at start, the about page's system lines
//   UIFormList.cpp        the file list: keys, insertion, removal, sorting, captions, current file
//   UIFormLoading.cpp     feeding the list: dialogs, paste, drop, folder scans, thread events
//   UIFormPlaylists.cpp   play lists: reading, writing and their commands
//   UIFormPreferences.cpp preferences applied and collected, options-page events, idle
//   UIFormRunners.cpp     runners, the window as batch observer and window hooks, command line
//   UIFormFileCommands.cpp the file commands that ask first (frame rate, codec, time offset)
//   UIFormPlayer.cpp      player commands, volume, the position read-out
//   UIFormViewer.cpp      viewer events: end of playback, overlay sliders and clicks, list keys
//   UIFormCopy.cpp        the information panel's copy menu
//   UIFormFilterTest.cpp  the about page's filter test
//
// GUI thread only, but for the scan's file event (Dirscan1FileFound), which runs on the scanning
// thread and only builds the file's object.
#include <QIcon>
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "actions/CommandLineRun.h"
#include "actions/WindowHooks.h"
#include "actions/cmd_unit.h"
#include "actions/switches.h"
#include "media/viewgraph.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/ShortCut.h"
#include "ui/BaseFrame.h"
#include "ui/PageHost.h"
#include "ui/PreferenceRow.h"

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QToolBar;
class QToolButton;

namespace actions {
class FileActionNames;
class Tch;
class TlistThread;
class ThreadedDirscan;
class tFileAction;
} // namespace actions

namespace vcl {
class Dialogs;
class Gauge;
class IdleHook;
} // namespace vcl

namespace ui {

class TAproposFrame;
class TCodecForm;
class TDecalageForm;
class TFrequenceForm;
class TOptionsFrame;
class TRiffForm;
class TVideFrame;

class TUIForm : public QMainWindow, public PageHost, public actions::BatchObserver, public actions::WindowHooks {
public:
    // Design sizes: the window opens at them, as far as its screen allows.
    static constexpr int kBarHeight = 30; // the tool bar row
    static constexpr int kListLeft = 265; // the list's left edge: the frame's width
    static constexpr int kListTop = 18;   // below the tool bars: labFichiers
    static constexpr int kListWidth = 320;
    static constexpr int kListHeight = 430;
    static constexpr int kDesignClientHeight = kBarHeight + kListTop + kListHeight + 48;
    static constexpr int kRefreshMs = 100; // captions and commands while entries arrive

    // Which commands a list state enables, by category number (CategoryIndex).
    enum Category : uint8_t { catNone = 0, catPermanent = 1, catVide = 2, catListe = 3, catMono = 4, catMulti = 5 };
    static constexpr uint8_t kEmptyList = 1 << catPermanent | 1 << catVide;
    static constexpr uint8_t kPageShown = 1 << catPermanent;
    static constexpr uint8_t kSeveralFiles =
        1 << catPermanent | 1 << catVide | 1 << catListe | 1 << catMono | 1 << catMulti;
    static constexpr uint8_t kOneFile = 1 << catPermanent | 1 << catVide | 1 << catMono | 1 << catMulti;

    // The menus of the menu bar a command can sit in.
    enum class MenuPlace : uint8_t { None, Files, Sort, Rename, Convert, Scenes, Video };
    enum RowFlag : uint16_t {
        rfSeparator = 1,      // a separator before it in its menu
        rfPopup = 2,          // also in the list's pop-up menu
        rfPopupSeparator = 4, // a separator before it there
        rfSortPopup = 8,      // also in the pop-up's sort sub-menu
        rfVideoPopup = 16,    // also in the video window's pop-up menu
        rfCheckable = 32,
    };
    // One command of the window, as the form designed it. Texts are string ids.
    struct ActionRow {
        QAction* TUIForm::*action = nullptr;
        const char* name = "";
        int category = 0;
        int caption = 0;
        std::array<int, 2> hint{}; // lines, 0 for none
        rtl::TShortCut key = 0;    // the form's key; a file command without one takes its action's
        int key2 = 0;              // a second key's text, 0 for none
        int image = -1;            // index in ImageList(), -1 for none
        MenuPlace menu = MenuPlace::None;
        uint16_t flags = 0;                   // RowFlag
        int bar = 0;                          // 0 none, 1 ToolBar1, 2 ToolBar2; buttons in table order
        std::array<int, 2> buttonHint{};      // the tool button's own hint lines
        const char* tch = nullptr;            // the Tch action it runs; nullptr for a window command
        void (TUIForm::*execute)() = nullptr; // nullptr: its Tch action, through the action's runner
    };
    static const std::vector<ActionRow>& ActionTable();

    // A command at run time: its row, its action and what binding and the command list gave it.
    struct Command {
        const ActionRow* Row = nullptr;
        QAction* Action = nullptr;
        std::string Category;                       // its category text
        int Tag = -1;                               // its line in the options page's command list
        actions::tFileAction* FileAction = nullptr; // its Tch action (FindFileAction), once bound
        uint8_t Cat = catNone; // its category's number (CategoryIndex), which the refreshes compare
    };

    // One list entry's sort key and object: KeyList[i] belongs to lb's row i. Keys compare
    // bytewise; each ends with a tie-break byte and the exact path, so no two files share one.
    struct KeyEntry {
        std::string Key;
        std::shared_ptr<const actions::TAfficherFichier> Fichier;
    };

    // `ch` outlives the window. Without dialogs the window shows Qt's.
    TUIForm(actions::Tch& ch, vcl::Dialogs* dialogs = nullptr, media::Tviewdm& view = media::viewdm(),
            QWidget* parent = nullptr);
    ~TUIForm() override;

    // Before the first show: the command line the program was started with (files, switches).
    void SetCommandLine(actions::CommandLine line) { commandLine_ = std::move(line); }
    // For the program's start-up trace and tests: the first paint, and the end of the command
    // line's loading (complete unless Esc or a close cut it).
    std::function<void()> OnFirstPaint;
    std::function<void(bool complete)> OnCommandLineLoaded;

    // --- Components, by their design names ---
    QWidget* Client;               // below the tool bars: frame, list and pages
    QToolBar *ToolBar1, *ToolBar2; // tool bars: left, and right-aligned
    TBaseFrame* BaseFrame;
    QWidget* ListPane; // labFichiers over lb, right of the frame; hidden with the list
    QLabel* labFichiers;
    QListWidget* lb;
    TOptionsFrame* OptionsFrame;
    TAproposFrame* AproposFrame;
    TVideFrame* VideFrame;
    QFrame* Panel1; // the volume panel, bottom left
    vcl::Gauge* Gauge2;
    QLabel* StatusPanel0; // the status bar's first panel
    QMenu *Fichiers1, *Ordrealphabtique1, *Vido1, *Renommer1, *Convertir1, *Exporter1;
    QMenu *PopupMenu1, *OrdreAlphabtique2; // the list's pop-up menu and its sort sub-menu
    QMenu* vwpopup;                        // the video window's pop-up menu
    std::vector<QToolButton*> ToolButtons; // the tool bars' buttons, in table order
    std::unique_ptr<TRiffForm> RiffForm;
    std::unique_ptr<TDecalageForm> DecalageForm;
    std::unique_ptr<TFrequenceForm> FrequenceForm;
    std::unique_ptr<TCodecForm> CodecForm;

    // --- Commands (the action list al, in table order) ---
    QAction *afQuitter, *afCollerFichiers, *afOuvrirFichiers, *afBasculerListe, *afInterrompre, *afOrdreAlpha,
        *afOuvrirDossierPrefere, *afApropos, *afViderListe, *afSelectionnerTout, *afOuvrirTout, *afOuvrirunDossier,
        *afOptions, *afInterrompreTous, *afSauverListe, *afOuvrirPlayList, *afOuvrirDefaultPlayList, *afKestrom,
        *afIncVolume, *afDecVolume, *alTriDatecode, *alTriTaille, *alTrierModify;
    QAction *amDossierParent, *amSupprimerFichier, *amOterFichier, *amCreer_srt, *amSupprimer_Srt, *amRiffHeader,
        *amDefaultPlayer, *amAjouterDatecode, *amAjouterTimecode, *amPurgerNom, *amFileDate, *amRenameScAn, *amDVType1,
        *amDVType2, *amNTSC, *amPal, *amIncrusterDatecode, *amConvertirDV, *amCreerScenes, *amSupprimerScenes,
        *amExtraireAudio, *amCorrigerFps, *amAnniversaire2502, *amScenesText, *amAfficherIncrustation,
        *amAfficherSliders, *amDecalerHoraire, *amCorrigerCodec, *amCorrigertype2, *amOpenFichierF3, *amOpenFichierF4;
    QAction *avPlayStop, *avanceLow, *reculeLow, *avanceMedium, *ReculeMedium, *avanceHigh, *ReculeHigh, *AvanceScene,
        *ReculeScene, *avFullscreen, *avMute, *avAvanceFin, *avReculeDebut;
    std::vector<Command> al;
    Command* FindCommand(const std::string& name);
    Command* CommandOf(const QAction* action);
    // The Tch action a command runs, or none.
    actions::tFileAction* FindFileAction(const Command& command) const;
    // The window's pictures by image index (UIFormActions.cpp).
    static QIcon ImageList(int index);

    // --- State ---
    uint8_t EnabledCategories = kEmptyList;
    std::vector<KeyEntry> KeyList;
    bool NoConfirmation = false;
    bool HadCurrentFile = false;
    bool PendingCommandLine = false;
    bool PendingPlayList = false;
    actions::SwitchList SwitchList;
    std::unique_ptr<actions::TlistThread> ListThread;
    std::unique_ptr<actions::ThreadedDirscan> DirScanThread;

    // --- Life cycle (UIForm.cpp); components, layout and the page host (UIFormLayout.cpp) ---
    void FormShow();
    void FormPaint();
    void FormCloseQuery(); // once: later calls do nothing
    void FormDestroy();
    void aeMainQuitter();
    void ecrire_noir(const std::string& text);
    void SetStatusText(const std::string& text);
    std::string StatusText() const;
    int ClientHeight() const;
    void SetClientHeight(int height);
    // Inside the screen that holds most of the window, shrunk down to its minimum where it must.
    void KeepOnScreen();
    bool Closing() const { return closing_; }

    // PageHost
    int ClientWidth() const override;
    void SetClientWidth(int width) override;
    int ListLeft() const { return kListLeft; }
    void SetScrollBarsVisible(bool visible) override;
    void SetPopupMenuEnabled(bool enabled) override;
    void ClosePage(QWidget& page) override;
    rtl::TShortCut TakeShortCut(const std::string& name) override;
    void GiveShortCut(const std::string& name, rtl::TShortCut key) override;

    // --- Actions, menus, tool bars (UIFormActions.cpp) ---
    void BuildActions();
    void ExecuteCommand(Command& command);

    // --- Command states (UIFormCommands.cpp) ---
    static int CategoryIndex(const std::string& category);
    void BindFileActions(const actions::FileActionNames& names);
    void FillCommandList();
    void ApplyActionStates();
    bool Ticked(const Command& command) const;
    void UpdateActions();
    void ChooseCategories();
    bool ListShown() const;
    void aeAProposToggle();
    void afOptionsExecute();
    void ShowPages(bool about, bool options); // at most one of them
    void acAbortExecute();
    void afInterrompreTousExecute();
    void afSelectionnerToutExecute();
    void afBasculerListeExecute();
    void BaseFrameLabNomClick();

    // --- Texts (UIFormTexts.cpp) ---
    void Localise();
    void LocaliseWindows(); // every window's texts, in start-up order
    void ShowOpenWithCaptions();
    void WriteSystemText();

    // --- File list (UIFormList.cpp) ---
    static bool IsAviFileName(const std::string& name);
    static std::string SortKey(const actions::TAfficherFichier& fichier, int order);
    void WMAddFile(std::shared_ptr<const actions::TAfficherFichier> fichier);
    int FindListItem(const std::string& fullName) const;
    void DeleteListItem(int index);
    void ReAddFile(const std::string& fullName);
    void RenameListItem(int index, std::shared_ptr<const actions::TAfficherFichier> renamed);
    void RefreshListItem(int index, std::shared_ptr<const actions::TAfficherFichier> rebuilt);
    void ResortList(int order);
    void SortList(int order);
    void RefreshList();
    void ShowCurrentFile();
    void afViderListeExecute();
    void alTriDatecodeExecute();
    void afOrdreAlphaExecute();
    void alTriTailleExecute();
    void alTrierModifyExecute();
    int ItemIndex() const;
    void SetItemIndex(int index);
    std::shared_ptr<const actions::TAfficherFichier> CurrentFichier() const;
    std::vector<std::shared_ptr<const actions::TAfficherFichier>> SelectedFiles() const; // in list order
    int SelectedCount() const;

    // --- Feeding the list (UIFormLoading.cpp) ---
    void StartLoading(const std::string& status);
    void WMListFinished();
    void Dirscan1FileFound(const std::string& fullName); // on the scanning thread
    void Dirscan1DirWithFiles(const std::string& folder);
    void Dirscan1EndScan();
    // Queues names to the list thread as one loading with `status`.
    void LoadFiles(std::vector<std::string> names, const std::string& status,
                   std::function<void(bool complete)> done = {});
    void ScanFolders(const std::vector<std::string>& folders, const std::string& status, bool oneFileSystem);
    void InterruptLoading(); // Esc, Shift+Esc, close: both threads drop what is queued
    void afOuvrirFichiersExecute();
    void afCollerFichiersExecute();
    void afOuvrirDossierPrefereExecute();
    void afOuvrirunDossierExecute();
    void afOuvrirToutExecute();
    void ApplicationEvents1Activate();

    // --- Play lists (UIFormPlaylists.cpp) ---
    // Unreadable: the lines read before the fault are queued (and `done` gets false), and `why`
    // gets the reason.
    enum class PlaylistRead { Queued, Missing, Unreadable };
    PlaylistRead LoadPlaylist(const std::string& fileName, std::function<void(bool complete)> done = {},
                              std::string* why = nullptr);
    // The list's lines; empty on success, else why the file could not be written (it is then
    // left as it was).
    std::string SavePlaylist(const std::string& fileName);
    std::string PlaylistText() const;
    std::string DefaultPlaylist() const;
    void afSauverListeExecute();
    void afOuvrirPlayListExecute();
    void afOuvrirDefaultPlayListExecute();
    // A list the user asked for: loaded, or the reason it could not be read whole in a box.
    void OpenPlaylist(const std::string& fileName);

    // --- Preferences and options-page events (UIFormPreferences.cpp) ---
    void ConnectOptionsEvents(); // at creation
    // Every control tied to a preference, the window's and the options page's, in the order they
    // are applied; the same rows collect them before a save.
    std::vector<PreferenceRow> PreferenceTable();
    void ApplyPreferences();
    bool SavePreferences(); // collects, then saves; a failure is reported in a box
    void ShowOffsetLabel(); // the options page's time-offset label
    // What the time-offset dialog starts from: the current file's recording date, else now.
    rtl::TDateTime OffsetOriginal() const;
    void optionsframe1SpeedButton1Click();
    void optionsframe1SpeedButton2Click();
    void OptionsFramefeFichierKestromAfterDialog(const std::string& name);
    void OptionsFramefeFichierF3AfterDialog(const std::string& name);
    void OptionsFramefeFichierF4AfterDialog(const std::string& name);
    void OptionsFramesbDecalageAvanceClick();
    void OptionsFrameDossierPlayListExit(const std::string& folder);
    void AppEvents1Idle();
    std::shared_ptr<vcl::IdleHook> AppEvents1; // the application's idle event

    // --- Runners, batches, hooks and the command line (UIFormRunners.cpp) ---
    void RunFileCommand(Command& command);
    void RunOnCurrentFile(actions::tFileAction& action);
    void RunWithoutFile(actions::tFileAction& action);
    void RunFastThread(actions::tFileAction& action);
    void RunCmdThread(actions::tFileAction& action);
    void AbortBatches(bool all);        // Esc: command batches end; Shift+Esc: every batch after its file
    void EndBatches();                  // closing: every batch ends, and is waited for
    void RunCommandLine(bool complete); // the command line's switches, once its files are listed
    void BeginCommandUI(const std::string& progress, const actions::TAfficherFichier& fichier);
    void EndCommandUI();
    // The action's execution on the GUI thread with a parameter record of its own; a given file's
    // entry then takes the update. `fichier` null: run without a file.
    actions::FileOutcome RunGeneralAction(actions::tFileAction& action,
                                          const std::shared_ptr<const actions::TAfficherFichier>& fichier);
    // The list after one file, by the outcome's update; nothing when its entry is gone.
    void ApplyUpdate(const actions::TAfficherFichier& fichier, const actions::FileOutcome& outcome);
    // A batch of the window or of the command line runs or will.
    bool BatchesRunning(const actions::TBatchThread* ending = nullptr) const;
    // The program's exit status: the command line's when its "c" closed the window, else 0.
    int ExitStatus() const { return exitStatus_; }
    // actions::BatchObserver
    shell::Prompter& Prompter() override;
    bool Confirm(actions::TBatchThread& batch, const actions::TAfficherFichier& fichier) override;
    void FileError(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                   const std::string& message) override;
    void CurrentFile(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier) override;
    void FileBegins(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                    const std::string& progressText) override;
    void Progress(const actions::TBatchThread& batch, int percent) override;
    void FileDone(const actions::TBatchThread& batch, const actions::TAfficherFichier& fichier,
                  const actions::FileOutcome& outcome) override;
    void BatchFinished(const actions::TBatchThread& batch) override;
    // actions::WindowHooks
    void CloseViewer(const std::string& fullName) override;
    void EndCloseViewer(const std::string& fullName) override;
    void ReopenViewer(const actions::TAfficherFichier& file) override;
    void ShowRiffHeader(const std::string& fullName) override;
    void ShowOverlayCommand(const std::string& caption, int imageIndex) override;
    void RedrawViewer() override;
    void ShowOverlaySliders(bool shown, const std::string& caption) override;
    void ShowVolumeGauge(bool shown) override;
    void SendMail(const std::string& subject, const std::string& body) override;

    // --- File commands that ask first (UIFormFileCommands.cpp) ---
    void amCorrigerFpsExecute();
    void amCorrigerCodecExecute();
    void amDecalerHoraireExecute();
    // The file a correction's dialog starts from: the current entry, else the first selected;
    // none without a selection.
    std::shared_ptr<const actions::TAfficherFichier> CorrectionFile() const;

    // --- Player (UIFormPlayer.cpp) ---
    void avPlayStopExecute();
    void avFullscreenExecute();
    void avMuteExecute();
    void avanceLowExecute();
    void reculeLowExecute();
    void avanceMediumExecute();
    void ReculeMediumExecute();
    void avanceHighExecute();
    void ReculeHighExecute();
    void avAvanceFinExecute();
    void avReculeDebutExecute();
    void AvanceSceneExecute();
    void ReculeSceneExecute();
    void afIncVolumeExecute();
    void afDecVolumeExecute();
    void LeaveFullScreen();
    void ChangeVolume(int delta); // clamped to 0..10000; the graph follows unless muted
    bool ScenesOffered() const;   // the current file has a ".scn"
    void UpdatePlayerActions();   // after UpdateActions: the scene steps need a ".scn"

    // --- Viewer events (UIFormViewer.cpp) ---
    void ConnectViewerEvents(); // at the first show
    void viewfgGraphComplete();
    void incrustXChange(int value);
    void incrustYChange(int value);
    void incrustMouseDown();
    void BaseFrameincrustHorzMouseUp();
    void VideoWindow1MouseDown(vcl::MouseButton button, int x, int y);
    void BaseFrameShape1MouseDown();
    void lbMouseUp();
    void lbKeyUp(int key, Qt::KeyboardModifiers modifiers);
    void OptionsFramecbPreviewDemiClick();
    void PushIncrustPosition(); // the stored overlay place to the viewer's overlay filter

    // --- Copy menu (UIFormCopy.cpp) ---
    QMenu* copiermenu; // on the frame's Panel1
    void BuildCopyMenu();
    // The text an item puts on the clipboard, by the item's design name (the full name puts
    // nothing without a current file).
    std::string CopyText(const std::string& item) const;

    // --- Filter test (UIFormFilterTest.cpp) ---
    void ConnectFilterTest(); // at creation
    void AproposFrameTabSheet4Show();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildComponents();
    void ApplyLayout(); // now, not at the next event turn: sizes and the minimum follow at once
    void BuildMenus();
    void BuildToolBars();
    void StartThreads();
    void StopThreads();
    void PutEntry(int index, const KeyEntry& entry);
    void RefreshState(); // RefreshList but for the captions
    void ShowCaptions();
    void ScheduleCaptions();
    void EndLoading();
    // Runs a thread's event: a close asked for inside one waits until it has returned, since the
    // close waits for that thread.
    template <class F> void InSink(F&& event)
    {
        ++sinkDepth_;
        try {
            event();
        } catch (...) {
            --sinkDepth_;
            throw;
        }
        --sinkDepth_;
    }

    actions::Tch& ch_;
    media::Tviewdm& view_;
    std::unique_ptr<vcl::Dialogs> ownDialogs_;
    vcl::Dialogs& dialogs_;
    actions::CommandLine commandLine_;
    std::map<std::string, QList<QKeySequence>> takenKeys_; // by TakeShortCut, per command
    std::string windowsVersion_;
    bool shown_ = false;   // FormShow ran: the preferences were loaded
    bool closing_ = false; // the close request was taken
    int sinkDepth_ = 0;    // inside a thread's event, whose thread waits for it to return
    bool loadingCursor_ = false;
    bool captionsPending_ = false;
    // The default play list: whether its loading at the first paint ended complete, so that it may
    // be saved over at exit. Only read when the option was on at start.
    bool playlistOnAtStart_ = false;
    bool playlistLoaded_ = false;
    bool sliderStartedPlay_ = false; // an overlay slider's press started playback: its release pauses

    // Batches (UIFormRunners.cpp).
    void StartBatch(actions::RunnerKind kind, actions::tFileAction& action);
    void DisableBatchCommands(); // the list, and the commands on it, while a command batch runs
    void EndOfBatches();         // the list and its commands back, the ready text
    void ShowProgress(const std::string& text);
    void CommandLineDone();
    // After one file of a batch: the current entry at once, the rest of RefreshList (counts,
    // categories, commands) a few times a second, since each asks for the whole selection.
    void RefreshListSoon();
    void FollowCurrentEntry(); // the information frame's file is the current entry's, selected
    std::vector<std::unique_ptr<actions::TBatchThread>> batches_; // the window's own, as started
    std::unique_ptr<actions::CommandLineRun> commandLineRun_;
    bool waitingBatches_ = false; // EndBatches waits for them: they stay until it has
    bool tbBeforeGauge_ = true;   // the position slider was shown when the gauge took its place
    int exitStatus_ = 0;
    bool refreshPending_ = false;
};

} // namespace ui
