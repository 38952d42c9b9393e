// The file list: one entry per AVI file, kept sorted by the chosen order through KeyList (the
// sort keys, index for index with lb); insertion with replacement of the same file, removal,
// renaming, refreshing, re-sorting with the current entry and the selection kept, the captions and
// the current file shown in the information frame.
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <unordered_map>

#include "actions/aviFichier.h"
#include "actions/list_unit.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;
using actions::TAfficherFichier;

namespace {

bool KeyLess(const TUIForm::KeyEntry& entry, const std::string& key)
{
    return entry.Key < key; // bytewise: the key ends decide between two names that differ in case only
}

} // namespace

bool TUIForm::IsAviFileName(const std::string& name)
{
    try {
        return rtl::SameText(rtl::ExtractFileExt(name), ".avi");
    } catch (...) {
        return false;
    }
}

std::string TUIForm::SortKey(const TAfficherFichier& fichier, int order)
{
    switch (order) {
    case 1: return fichier.NameKey;
    case 2: return fichier.SizeKey;
    case 3: return fichier.DateKey;
    default: return fichier.RecDateKey2;
    }
}

int TUIForm::ItemIndex() const
{
    return lb->currentRow();
}

void TUIForm::SetItemIndex(int index)
{
    if (index < 0 || index >= lb->count())
        lb->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    else
        lb->setCurrentRow(index, QItemSelectionModel::NoUpdate);
}

std::shared_ptr<const TAfficherFichier> TUIForm::CurrentFichier() const
{
    return BaseFrame->CurrentFichier;
}

int TUIForm::SelectedCount() const
{
    return static_cast<int>(lb->selectionModel()->selectedRows().size());
}

std::vector<std::shared_ptr<const TAfficherFichier>> TUIForm::SelectedFiles() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : lb->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    std::vector<std::shared_ptr<const TAfficherFichier>> files;
    for (int row : rows)
        if (row >= 0 && row < static_cast<int>(KeyList.size()))
            files.push_back(KeyList[row].Fichier);
    return files;
}

namespace {

// A name's row: high enough for a Chinese name, whose glyphs come from the fallback face.
QListWidgetItem* Row(const QListWidget& list, const std::string& name)
{
    static const int height = [&list] {
        const QFont chinese(QString::fromLatin1(vcl::kChineseFallbackFace), list.font().pointSize());
        return std::max(list.fontMetrics().height(), QFontMetrics(chinese).height()) + 2;
    }();
    auto* item = new QListWidgetItem(QString::fromStdString(name));
    item->setSizeHint(QSize(list.fontMetrics().horizontalAdvance(item->text()) + 8, height));
    return item;
}

// A row given another name, its height kept.
void Rename(const QListWidget& list, QListWidgetItem& item, const std::string& name)
{
    item.setText(QString::fromStdString(name));
    item.setSizeHint(QSize(list.fontMetrics().horizontalAdvance(item.text()) + 8, item.sizeHint().height()));
}

} // namespace

void TUIForm::PutEntry(int index, const KeyEntry& entry)
{
    KeyList.insert(KeyList.begin() + index, entry);
    lb->insertItem(index, Row(*lb, entry.Fichier->FileName));
}

void TUIForm::WMAddFile(std::shared_ptr<const TAfficherFichier> fichier)
{
    if (!fichier || !IsAviFileName(fichier->FullName) || !rtl::FileExists(fichier->FullName))
        return;
    std::string key = SortKey(*fichier, settings::OrdreDeLaListe);
    const auto at = std::lower_bound(KeyList.begin(), KeyList.end(), key, KeyLess);
    const int index = static_cast<int>(at - KeyList.begin());
    if (at != KeyList.end() && at->Key == key) {
        at->Fichier = std::move(fichier); // the same file again: its newer analysis, in its place
    } else {
        PutEntry(index, KeyEntry{std::move(key), std::move(fichier)});
        // The current entry stays the same file: lb keeps its current item across insertions.
        lb->item(index)->setSelected(settings::SelectionnerALOuverture);
    }
    RefreshState();
    // Painting the list for every entry would cost more than listing it: it is painted with the
    // captions, a few times a second.
    lb->viewport()->setUpdatesEnabled(false);
    ScheduleCaptions();
}

int TUIForm::FindListItem(const std::string& fullName) const
{
    for (size_t i = 0; i < KeyList.size(); ++i)
        if (KeyList[i].Fichier->FullName == fullName)
            return static_cast<int>(i);
    return -1;
}

void TUIForm::DeleteListItem(int index)
{
    if (index < 0 || index >= lb->count())
        return;
    const int old = ItemIndex();
    KeyList.erase(KeyList.begin() + index);
    delete lb->takeItem(index);
    if (index <= old)
        SetItemIndex(old >= 1 ? old - 1 : (lb->count() > 0 ? 0 : -1));
    else
        SetItemIndex(old);
}

void TUIForm::ReAddFile(const std::string& fullName)
{
    DeleteListItem(FindListItem(fullName));
    if (ListThread)
        ListThread->Queue(fullName);
}

void TUIForm::RenameListItem(int index, std::shared_ptr<const TAfficherFichier> renamed)
{
    if (index < 0 || index >= lb->count() || !renamed)
        return;
    const bool wasCurrent = index == ItemIndex();
    KeyList.erase(KeyList.begin() + index);
    std::string key = SortKey(*renamed, settings::OrdreDeLaListe);
    const auto at = std::lower_bound(KeyList.begin(), KeyList.end(), key, KeyLess);
    const int j = static_cast<int>(at - KeyList.begin());
    if (at != KeyList.end() && at->Key == key) {
        delete lb->takeItem(index);
        at->Fichier = std::move(renamed); // renamed onto a listed file: one entry for it
    } else if (j == index) {
        // It sorts where it was: the row stays, so the selection's rows are not all moved.
        const std::string name = renamed->FileName;
        KeyList.insert(KeyList.begin() + index, KeyEntry{std::move(key), std::move(renamed)});
        Rename(*lb, *lb->item(index), name);
    } else {
        delete lb->takeItem(index);
        PutEntry(j, KeyEntry{std::move(key), std::move(renamed)});
    }
    lb->item(j)->setSelected(true);
    if (wasCurrent)
        SetItemIndex(j);
}

void TUIForm::RefreshListItem(int index, std::shared_ptr<const TAfficherFichier> rebuilt)
{
    if (index < 0 || index >= lb->count() || !rebuilt)
        return;
    KeyList[index].Fichier = rebuilt;
    if (index != ItemIndex())
        return;
    BaseFrame->CurrentFichier = rebuilt;
    BaseFrame->ShowFileProperties(rebuilt.get());
    if (view_.Graph().Active())
        view_.OpenViewGraph(ToViewFile(*rebuilt), BaseFrame->vw->Renderer());
}

void TUIForm::ResortList(int order)
{
    if (KeyList.empty()) {
        settings::OrdreDeLaListe = static_cast<uint8_t>(order); // the next loading follows the user
        return;
    }
    std::vector<KeyEntry> entries;
    entries.reserve(KeyList.size());
    for (KeyEntry& entry : KeyList)
        entries.push_back(KeyEntry{SortKey(*entry.Fichier, order), std::move(entry.Fichier)});
    std::stable_sort(entries.begin(), entries.end(),
                     [](const KeyEntry& a, const KeyEntry& b) { return a.Key < b.Key; });
    // One entry per key, as the sorted key list keeps them.
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const KeyEntry& a, const KeyEntry& b) { return a.Key == b.Key; }),
                  entries.end());
    KeyList = std::move(entries);
    lb->clear();
    for (const KeyEntry& entry : KeyList)
        lb->addItem(Row(*lb, entry.Fichier->FileName));
    settings::OrdreDeLaListe = static_cast<uint8_t>(order);
}

void TUIForm::SortList(int order)
{
    const std::vector<std::shared_ptr<const TAfficherFichier>> selected = SelectedFiles();
    const int current = ItemIndex();
    const TAfficherFichier* currentFile =
        current >= 0 && current < static_cast<int>(KeyList.size()) ? KeyList[current].Fichier.get() : nullptr;
    ResortList(order);
    std::unordered_map<const TAfficherFichier*, int> rows;
    for (size_t i = 0; i < KeyList.size(); ++i)
        rows.emplace(KeyList[i].Fichier.get(), static_cast<int>(i));
    if (currentFile) {
        const auto at = rows.find(currentFile);
        SetItemIndex(at == rows.end() ? -1 : at->second);
    }
    for (const auto& fichier : selected)
        if (const auto at = rows.find(fichier.get()); at != rows.end())
            lb->item(at->second)->setSelected(true);
    RefreshList();
}

void TUIForm::alTriDatecodeExecute()
{
    SortList(0);
}

void TUIForm::afOrdreAlphaExecute()
{
    SortList(1);
}

void TUIForm::alTriTailleExecute()
{
    SortList(2);
}

void TUIForm::alTrierModifyExecute()
{
    SortList(3);
}

void TUIForm::RefreshState()
{
    const int count = lb->count();
    if (count > 1 && !AproposFrame->Shown() && !OptionsFrame->Shown() && !ListShown())
        afBasculerListeExecute();
    if (count == 0)
        VideFrame->ShowPage();
    else
        VideFrame->HidePage();
    ChooseCategories();
    FollowCurrentEntry();
}

void TUIForm::FollowCurrentEntry()
{
    const int index = ItemIndex();
    if (index >= 0 && index < lb->count()) {
        BaseFrame->CurrentFichier = KeyList[index].Fichier;
        lb->item(index)->setSelected(true);
    } else {
        BaseFrame->CurrentFichier.reset();
    }
}

void TUIForm::RefreshList()
{
    RefreshState();
    ShowCaptions();
}

void TUIForm::ScheduleCaptions()
{
    // Entries arrive one event at a time, thousands of them for a large drop: the counts and the
    // selection's commands follow a few times a second, and at once at the end of the loading.
    if (captionsPending_)
        return;
    captionsPending_ = true;
    QTimer::singleShot(kRefreshMs, this, [this] {
        if (!captionsPending_)
            return;
        ShowCaptions();
        UpdateActions();
    });
}

void TUIForm::ShowCaptions()
{
    captionsPending_ = false;
    lb->viewport()->setUpdatesEnabled(true);
    const int n = SelectedCount();
    const int c = lb->count();
    const std::string p = rtl::LoadStr(n > 1 ? sPlPlural : sPlSingular);
    const int order = settings::OrdreDeLaListe <= 3 ? settings::OrdreDeLaListe : 0;
    const std::string files = std::to_string(n) + rtl::LoadStr(sPlFile) + p;
    labFichiers->setText(
        QString::fromStdString(files + rtl::LoadStr(sUiOf) + std::to_string(c) + rtl::LoadStr(sUiOrder + order)));
    lb->setAccessibleName(labFichiers->text()); // the caption over it
    vcl::SetHint(*lb, files + rtl::LoadStr(sUiSelected) + p + rtl::LoadStr(sUiOf) + std::to_string(c) + "\r\n" +
                          rtl::LoadStr(sUiHideListHint));
}

void TUIForm::ShowCurrentFile()
{
    RefreshList();
    if (const auto current = CurrentFichier()) {
        BaseFrame->ShowFileProperties(current.get());
        if (view_.Graph().Active())
            view_.OpenViewGraph(ToViewFile(*current), BaseFrame->vw->Renderer());
    } else {
        BaseFrame->ClearFrame();
        BaseFrame->AfficherCode(media::vsInterrupted);
    }
    UpdateActions();
}

void TUIForm::afViderListeExecute()
{
    view_.ResetViewGraph();
    BaseFrame->CurrentFichier.reset();
    KeyList.clear();
    lb->clear();
    RefreshList();
    UpdateActions();
}

} // namespace ui
