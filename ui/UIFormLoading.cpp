// Feeding the file list: the open dialog, paste, drop, the preferred folder, a chosen folder and
// every disk; the list and folder-scan threads' events; the start and end of a loading.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QListWidget>
#include <QMimeData>
#include <filesystem>

#include "actions/FixedDriveRoots.h"
#include "actions/ThreadedDirScan_unit.h"
#include "actions/aviFichier.h"
#include "actions/list_unit.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"
#include "platform/vcl/Clipboard.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/HourGlass.h"
#include "settings/Preferences.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;
using actions::TAfficherFichier;

namespace {

// Names this long come from a damaged list; no path is.
constexpr size_t kLongestName = 65530;

std::vector<std::string> Usable(std::vector<std::string> names)
{
    std::erase_if(names, [](const std::string& name) { return name.empty() || name.size() > kLongestName; });
    return names;
}

} // namespace

void TUIForm::StartLoading(const std::string& status)
{
    HadCurrentFile = CurrentFichier() != nullptr;
    // The list shows whole; a window the user made taller stays so.
    const int height = kBarHeight + kListTop + kListHeight + 48;
    if (ClientHeight() < height)
        SetClientHeight(height);
    if (!loadingCursor_) {
        vcl::HourGlass::Begin();
        loadingCursor_ = true;
    }
    SetStatusText(status);
}

void TUIForm::EndLoading()
{
    if (loadingCursor_) {
        vcl::HourGlass::End();
        loadingCursor_ = false;
    }
    if (!HadCurrentFile && lb->count() > 0) {
        if (ItemIndex() < 0) {
            const auto selected = lb->selectionModel()->selectedRows();
            int first = lb->count();
            for (const QModelIndex& index : selected)
                first = std::min(first, index.row());
            SetItemIndex(first < lb->count() ? first : 0);
        }
        lb->item(ItemIndex())->setSelected(true);
        RefreshList();
        UpdateActions();
        if (const auto current = CurrentFichier()) {
            BaseFrame->ShowFileProperties(current.get());
            if (view_.Graph().Active())
                view_.OpenViewGraph(ToViewFile(*current), BaseFrame->vw->Renderer());
        }
        HadCurrentFile = CurrentFichier() != nullptr;
    } else {
        RefreshList();
        UpdateActions();
    }
    SetStatusText(rtl::LoadStr(sMainReady));
    if (lb->isVisible() && lb->isEnabled() && ListShown() && !closing_)
        lb->setFocus();
}

void TUIForm::WMListFinished()
{
    EndLoading();
}

void TUIForm::Dirscan1FileFound(const std::string& fullName)
{
    if (!IsAviFileName(fullName) || !rtl::FileExists(fullName))
        return;
    std::shared_ptr<const TAfficherFichier> fichier;
    try {
        fichier = std::make_shared<const TAfficherFichier>(fullName);
    } catch (...) {
        return; // the analysis raises for no bad file; anything else skips it
    }
    threads::SendToGui([&] { InSink([&] { WMAddFile(std::move(fichier)); }); });
}

void TUIForm::Dirscan1DirWithFiles(const std::string& folder)
{
    SetStatusText(rtl::LoadStr(sUiBrowsing) + folder);
}

void TUIForm::Dirscan1EndScan()
{
    EndLoading();
}

void TUIForm::LoadFiles(std::vector<std::string> names, const std::string& status,
                        std::function<void(bool complete)> done)
{
    if (!ListThread)
        return;
    StartLoading(status);
    if (done)
        done = [this, done = std::move(done)](bool complete) { InSink([&] { done(complete); }); };
    ListThread->QueueAll(Usable(std::move(names)), std::move(done));
}

void TUIForm::ScanFolders(const std::vector<std::string>& folders, const std::string& status, bool oneFileSystem)
{
    if (!DirScanThread)
        return;
    StartLoading(status);
    // A folder that is not there raises no scan event at all: its loading ends here.
    bool queued = false;
    for (const std::string& folder : folders) {
        std::error_code ec;
        if (folder.empty() || !std::filesystem::is_directory(folder, ec))
            continue;
        DirScanThread->Queue(folder, oneFileSystem);
        queued = true;
    }
    if (!queued)
        EndLoading();
}

void TUIForm::InterruptLoading()
{
    if (ListThread)
        ListThread->Interrupt();
    if (DirScanThread)
        DirScanThread->Interrupt();
}

void TUIForm::afOuvrirFichiersExecute()
{
    // Any case of ".avi", as the list takes them.
    const vcl::OpenRequest request{.filter = rtl::LoadStr(sUiOpenFilter) + "avi|*.[aA][vV][iI];",
                                   .initialDir = settings::DossierPourOuvrirFichiers,
                                   .multiSelect = true};
    if (const auto files = dialogs_.OpenFiles(request))
        LoadFiles(*files, rtl::LoadStr(sUiLoadingFiles));
}

void TUIForm::afCollerFichiersExecute()
{
    std::vector<std::string> names = Usable(vcl::ClipboardFiles());
    if (!names.empty())
        LoadFiles(std::move(names), rtl::LoadStr(sUiPasteFiles));
}

void TUIForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!vcl::FilesOf(event->mimeData()).empty())
        event->acceptProposedAction();
}

void TUIForm::dropEvent(QDropEvent* event)
{
    std::vector<std::string> names = Usable(vcl::FilesOf(event->mimeData()));
    if (names.empty())
        return;
    event->acceptProposedAction();
    if (!closing_)
        LoadFiles(std::move(names), rtl::LoadStr(sUiDropFiles));
}

void TUIForm::afOuvrirDossierPrefereExecute()
{
    ScanFolders({settings::DossierAOuvertureAuto}, rtl::LoadStr(sUiBrowseFolder), false);
}

void TUIForm::afOuvrirunDossierExecute()
{
    const vcl::FolderRequest request{.title = rtl::LoadStr(sUiChooseFolder),
                                     .initialDir = settings::DossierPourOuvrirFichiers};
    if (const auto folder = dialogs_.SelectFolder(request))
        ScanFolders({*folder}, rtl::LoadStr(sUiBrowseFolder), false);
}

void TUIForm::afOuvrirToutExecute()
{
    // Each disk's own files: a walk from "/" would cross into every other mount.
    ScanFolders(actions::FixedDriveRoots(), rtl::LoadStr(sUiLoadAll), true);
}

void TUIForm::ApplicationEvents1Activate()
{
    afCollerFichiers->setEnabled(vcl::ClipboardHasFiles());
}

} // namespace ui
