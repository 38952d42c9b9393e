// The main window's life cycle: creation, first show, first paint, the close request and
// destruction.
#include "ui/UIForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QShowEvent>
#include <QTimer>

#include "actions/ThreadedDirScan_unit.h"
#include "actions/chmodule.h"
#include "actions/list_unit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Clipboard.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/QtDialogs.h"
#include "platform/vcl/ShortCutKeys.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"
#include "ui/riffunitWindow.h"

namespace ui {

using namespace rtl::sid;
namespace prefs = settings;

TUIForm::TUIForm(actions::Tch& ch, vcl::Dialogs* dialogs, media::Tviewdm& view, QWidget* parent)
    : QMainWindow(parent), ch_(ch), view_(view),
      ownDialogs_(dialogs ? nullptr : std::make_unique<vcl::QtDialogs>(this)),
      dialogs_(dialogs ? *dialogs : *ownDialogs_)
{
    setObjectName(QStringLiteral("UIForm"));
    BuildComponents();
    BuildActions();
    BuildCopyMenu();
    ConnectOptionsEvents();
    ConnectFilterTest();
    BaseFrame->OnLabNomClick = [this] { BaseFrameLabNomClick(); };

    // FormCreate
    NoConfirmation = false;
    setWindowTitle(QString::fromStdString(std::string(rtl::ProductName) + rtl::LoadStr(sUiBy) + rtl::AuthorName));
    vcl::SetHint(*afQuitter, rtl::Format(rtl::LoadStr(sUiQuitHint), rtl::ProductName));
    // The keypad's keys, in place of the ones binding would give.
    vcl::SetShortCuts(*amDVType2, {rtl::TextToShortCut("Ctrl+Num 2")});
    vcl::SetShortCuts(*amDVType1, {rtl::TextToShortCut("Ctrl+Num 1")});
    prefs::ReleaseDateText = rtl::FormatDateTime("ddddd", rtl::EncodeDate(2026, 12, 6));
}

TUIForm::~TUIForm()
{
    FormCloseQuery();
    FormDestroy();
    // The threads go before anything their events touch; the rest are children and members.
    StopThreads();
    RiffForm.reset();
}

void TUIForm::StartThreads()
{
    ListThread = std::make_unique<actions::TlistThread>(
        [this](std::shared_ptr<const actions::TAfficherFichier> f) { InSink([&] { WMAddFile(std::move(f)); }); },
        [this] { InSink([this] { WMListFinished(); }); });
    DirScanThread = std::make_unique<actions::ThreadedDirscan>();
    DirScanThread->OnFileFound = [this](actions::ThreadedDirscan&, const std::string& path) {
        Dirscan1FileFound(path);
    };
    DirScanThread->OnDirWithFiles = [this](actions::ThreadedDirscan&, const std::string& folder) {
        InSink([&] { Dirscan1DirWithFiles(folder); });
    };
    DirScanThread->OnEndScan = [this](actions::ThreadedDirscan&, const std::string&, const std::string&, bool) {
        InSink([this] { Dirscan1EndScan(); });
    };
    DirScanThread->Mask = "*.*";
    DirScanThread->Recursive = true;
}

void TUIForm::StopThreads()
{
    // Each destructor drops its queue and serves the events under way while it waits.
    DirScanThread.reset();
    ListThread.reset();
}

void TUIForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_)
        FormShow();
}

void TUIForm::FormShow()
{
    shown_ = true;
    windowsVersion_ = prefs::GetWindowsVersionName();
    StartThreads();
    LocaliseWindows();
    prefs::ActionStates.clear();
    ApplyPreferences();
    vcl::SetShortCuts(*afIncVolume, {rtl::TextToShortCut("Num +"), rtl::TextToShortCut("+")});
    vcl::SetShortCuts(*afDecVolume, {rtl::TextToShortCut("Num -")});
    // The design's size, the menus' titles loaded; the list hidden.
    SetClientHeight(kDesignClientHeight);
    SetClientWidth(ListLeft());
    PendingPlayList = prefs::SauverListeEnQuittant;
    playlistOnAtStart_ = PendingPlayList;
    SetItemIndex(-1);

    const actions::FileActionNames names = ch_.BuildActionList();
    BindFileActions(names);
    FillCommandList();
    SwitchList = actions::BuildSwitchList(names);
    AproposFrame->SetCommandLines(actions::SwitchHelpLines(SwitchList));
    ApplyActionStates();
    ShowOpenWithCaptions();
    WriteSystemText();
    setAcceptDrops(true);
    ApplicationEvents1Activate();
    vcl::OnClipboardFilesChanged(this, [this](bool) { ApplicationEvents1Activate(); });
    actions::SetWindowHooks(this);
    ConnectViewerEvents();

    if (commandLine_.Switches.empty() && commandLine_.Files.empty())
        RefreshList();
    else
        PendingCommandLine = true;
    UpdateActions();
    QTimer::singleShot(0, this, [this] { FormPaint(); });
}

void TUIForm::FormPaint()
{
    if (closing_)
        return;
    if (PendingPlayList) {
        PendingPlayList = false;
        const PlaylistRead read =
            LoadPlaylist(DefaultPlaylist(), [this](bool complete) { playlistLoaded_ = complete; });
        // A list that is not there is saved at exit; one that cannot be read never replaces it.
        playlistLoaded_ = read == PlaylistRead::Missing;
    }
    if (OnFirstPaint)
        OnFirstPaint();
    if (!PendingCommandLine) {
        UpdateActions();
        return;
    }
    PendingCommandLine = false;
    // Every name of the command line, switches aside, as typed: the list thread takes existing
    // files only, and paths keep their case.
    LoadFiles(commandLine_.Files, rtl::LoadStr(sUiLoadingFiles), [this](bool complete) {
        if (OnCommandLineLoaded)
            OnCommandLineLoaded(complete);
        if (!commandLine_.Help)
            RunCommandLine(complete);
    });
    if (commandLine_.Help) {
        // "?" shows the switches and runs nothing; "c" before it still closes.
        AproposFrame->PageControl2->setCurrentIndex(TAproposFrame::kCommandLineTab);
        afApropos->setChecked(true);
        aeAProposToggle();
        NoConfirmation = false;
        bool closeSeen = false;
        for (const std::string& s : commandLine_.Switches) {
            if (s.find('?') != std::string::npos)
                break;
            closeSeen = closeSeen || s.find('c') != std::string::npos;
        }
        if (closeSeen)
            close();
        return;
    }
    // "m" is the command line's own: its batches take it, the user's commands still ask.
    RefreshList();
    UpdateActions();
}

void TUIForm::closeEvent(QCloseEvent* event)
{
    if (sinkDepth_ > 0) {
        event->ignore();
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    FormCloseQuery();
    event->accept();
}

void TUIForm::FormCloseQuery()
{
    if (closing_)
        return;
    closing_ = true;
    // No input while the threads come to rest: their last events still arrive.
    if (centralWidget())
        centralWidget()->setEnabled(false);
    menuBar()->setEnabled(false);
    LeaveFullScreen();
    BaseFrame->timer1.stop();
    EndBatches();
    InterruptLoading();
    if (ListThread)
        ListThread->WaitIdle(-1);
    if (DirScanThread)
        DirScanThread->WaitIdle(-1);
    view_.ResetViewGraph();
    view_.SetDisplay(nullptr);
    if (&actions::Hooks() == this)
        actions::SetWindowHooks(nullptr);
}

void TUIForm::FormDestroy()
{
    if (!shown_)
        return; // nothing was loaded, so nothing is saved over
    shown_ = false;
    if (prefs::SauverPreferencesEnQuittant)
        SavePreferences();
    // The default list is written over only with a list worth keeping: one loaded whole at the
    // start, or the option turned on since.
    if (prefs::SauverListeEnQuittant && (!playlistOnAtStart_ || playlistLoaded_)) {
        const std::string name = DefaultPlaylist();
        const std::string failure = SavePlaylist(name);
        if (!failure.empty())
            dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sUiListNotSaved), name, failure), shell::MsgDlgType::mtError,
                                shell::mbOK);
    }
    prefs::ActionStates.clear();
}

bool TUIForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lb->viewport() && event->type() == QEvent::MouseButtonRelease)
        lbMouseUp();
    else if (watched == lb && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            lbKeyUp(key->key(), key->modifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TUIForm::aeMainQuitter()
{
    close();
}

void TUIForm::SetStatusText(const std::string& text)
{
    StatusPanel0->setText(QString::fromStdString(text));
}

std::string TUIForm::StatusText() const
{
    return StatusPanel0->text().toStdString();
}

rtl::TShortCut TUIForm::TakeShortCut(const std::string& name)
{
    Command* command = FindCommand(name);
    if (!command || command->Action->shortcuts().isEmpty())
        return 0;
    const QList<QKeySequence> keys = command->Action->shortcuts();
    takenKeys_[name] = keys;
    command->Action->setShortcuts({});
    return vcl::FromKeySequence(keys.front());
}

void TUIForm::GiveShortCut(const std::string& name, rtl::TShortCut key)
{
    Command* command = FindCommand(name);
    if (!command)
        return;
    const auto taken = takenKeys_.find(name);
    if (taken != takenKeys_.end() && !taken->second.isEmpty() && vcl::FromKeySequence(taken->second.front()) == key)
        command->Action->setShortcuts(taken->second); // with its second keys
    else
        vcl::SetShortCuts(*command->Action, {key});
    if (taken != takenKeys_.end())
        takenKeys_.erase(taken);
}

void TUIForm::ecrire_noir(const std::string& text)
{
    try {
        AproposFrame->AppendSystemLine(text);
        OptionsFrame->AppendMailLine(text);
    } catch (...) {
        dialogs_.MessageDlg(rtl::LoadStr(sUiSystemLineError), shell::MsgDlgType::mtError, shell::mbOK);
    }
}

} // namespace ui
