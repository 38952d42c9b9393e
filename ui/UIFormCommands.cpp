// Which commands apply: binding the commands to their file actions, the options page's command
// list (where the user switches commands off), the recomputation of every command's state after
// each change of the list, the selection or the pages, the page toggles and the small commands.
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <exception>

#include "actions/FileAction.h"
#include "actions/ThreadedDirScan_unit.h"
#include "actions/list_unit.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ShortCutKeys.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;

int TUIForm::CategoryIndex(const std::string& category)
{
    // Against the texts the categories were loaded from, so it holds in any language.
    const std::pair<int, int> categories[] = {{sMainCatPermanent, catPermanent},
                                              {sMainCatVide, catVide},
                                              {sMainCatListe, catListe},
                                              {sMainCatMono, catMono},
                                              {sMainCatMulti, catMulti}};
    for (const auto& [id, index] : categories)
        if (category == rtl::LoadStr(id))
            return index;
    return catNone;
}

actions::tFileAction* TUIForm::FindFileAction(const Command& command) const
{
    return command.FileAction;
}

void TUIForm::BindFileActions(const actions::FileActionNames& names)
{
    actions::ApplyModele(names);
    for (Command& command : al)
        if (command.Row->tch)
            command.FileAction = names.Find(command.Row->tch);
    for (const actions::FileActionNames::Entry& entry : names.Entries()) {
        actions::tFileAction& fa = *entry.Action;
        // A model that names no action leaves the command as the form made it.
        if (!fa.Modele.empty() && names.Find(fa.Modele) == nullptr)
            continue;
        for (Command& command : al) {
            if (command.FileAction != &fa)
                continue;
            QAction& a = *command.Action;
            bool visible = true;
            if (fa.OnGeneralCondition)
                fa.OnGeneralCondition(fa.Param, visible);
            a.setVisible(visible);
            a.setEnabled(visible);
            if (a.shortcut().isEmpty() && fa.Shortcut != 0)
                vcl::SetShortCuts(a, {fa.Shortcut});
            if (a.text().isEmpty())
                a.setText(QString::fromStdString(fa.Caption));
            if (command.Category.empty()) {
                command.Category = rtl::LoadStr(sMainCatMulti);
                command.Cat = catMulti;
            }
            if (a.data().toInt() < 0) {
                a.setData(15);
                a.setIcon(ImageList(15));
            }
        }
    }
}

void TUIForm::FillCommandList()
{
    QListWidget& list = *OptionsFrame->RxCheckListBox1;
    const QSignalBlocker quiet(&list);
    list.clear();
    for (Command& command : al) {
        command.Tag = -1;
        const QAction& a = *command.Action;
        if (!a.isVisible() || a.text().isEmpty())
            continue;
        QString line = a.text();
        const std::string key = vcl::ShortCutText(a);
        if (!key.empty())
            line += QStringLiteral(" (") + QString::fromStdString(key) + QStringLiteral(")");
        auto* item = new QListWidgetItem(line, &list);
        item->setData(Qt::UserRole, QString::fromLatin1(command.Row->name));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        // The window's own commands cannot be switched off.
        if (rtl::LowerCase(command.Row->name).rfind("af", 0) == 0)
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
    // The list keeps its lines sorted: each command's line is where its name ended up.
    for (int line = 0; line < list.count(); ++line)
        if (Command* command = FindCommand(list.item(line)->data(Qt::UserRole).toString().toStdString()))
            command->Tag = line;
}

void TUIForm::ApplyActionStates()
{
    QListWidget& list = *OptionsFrame->RxCheckListBox1;
    const QSignalBlocker quiet(&list);
    for (const settings::ActionState& state : settings::ActionStates) {
        const Command* command = FindCommand(state.Name);
        if (!command || command->Tag < 0 || command->Tag >= list.count())
            continue;
        list.item(command->Tag)->setCheckState(state.State != 0 ? Qt::Checked : Qt::Unchecked);
    }
}

bool TUIForm::Ticked(const Command& command) const
{
    const QListWidget& list = *OptionsFrame->RxCheckListBox1;
    return command.Tag >= 0 && command.Tag < list.count() && list.item(command.Tag)->checkState() == Qt::Checked;
}

void TUIForm::UpdateActions()
{
    const auto selected = SelectedFiles();
    const auto current = CurrentFichier();
    try {
        for (Command& command : al) {
            QAction& a = *command.Action;
            const uint8_t category = command.Cat;
            if (!ListShown() && category == catListe) {
                a.setVisible(false);
                continue;
            }
            if (!lb->isEnabled() && (category == catListe || category == catMulti)) {
                a.setEnabled(false);
                continue;
            }
            actions::tFileAction* fa = FindFileAction(command);
            // A command whose program is not there (or whose day it is not) stays off.
            if (fa && fa->OnGeneralCondition) {
                bool present = true;
                fa->OnGeneralCondition(fa->Param, present);
                if (!present) {
                    a.setVisible(false);
                    a.setEnabled(false);
                    continue;
                }
            }
            if (command.Tag < 0 || category == catPermanent || category == catVide)
                continue;
            const bool allowed = (EnabledCategories >> category) & 1;
            bool vis = allowed, en = allowed;
            if (allowed && category == catMulti) {
                if (fa && !selected.empty() && fa->OnFileCondition) {
                    vis = en = false;
                    for (const auto& fichier : selected) {
                        bool visible = true, enabled = true;
                        fa->OnFileCondition(fa->Param, *fichier, visible, enabled);
                        vis = vis || visible;
                        en = en || enabled;
                    }
                }
            } else {
                bool visible = true, enabled = true;
                if (fa && current && fa->OnFileCondition)
                    fa->OnFileCondition(fa->Param, *current, visible, enabled);
                vis = allowed && visible;
                en = allowed && enabled;
            }
            const bool ticked = Ticked(command);
            a.setVisible(ticked && vis);
            a.setEnabled(ticked && en);
        }
    } catch (const std::exception&) {
        // The commands keep the states reached so far.
    }
    UpdatePlayerActions();
    const bool pageShown = AproposFrame->Shown() || OptionsFrame->Shown();
    for (QAction* top : menuBar()->actions()) {
        bool any = false;
        if (QMenu* menu = top->menu())
            for (const QAction* item : menu->actions())
                any = any || (item->isVisible() && !item->isSeparator());
        top->setVisible(any && !pageShown);
    }
}

void TUIForm::ChooseCategories()
{
    if (AproposFrame->Shown() || OptionsFrame->Shown())
        EnabledCategories = kPageShown;
    else if (VideFrame->Shown())
        EnabledCategories = kEmptyList;
    else if (lb->count() > 1)
        EnabledCategories = kSeveralFiles;
    else
        EnabledCategories = kOneFile;
}

void TUIForm::aeAProposToggle()
{
    ShowPages(afApropos->isChecked(), false);
}

void TUIForm::afOptionsExecute()
{
    ShowPages(false, afOptions->isChecked());
}

void TUIForm::ShowPages(bool about, bool options)
{
    // One page at a time: the other goes first.
    if (!options && OptionsFrame->Shown())
        OptionsFrame->HideOptions();
    if (!about && AproposFrame->Shown())
        AproposFrame->HidePage();
    if (about)
        AproposFrame->ShowPage();
    if (options)
        OptionsFrame->ShowOptions();
    afApropos->setChecked(about);
    afOptions->setChecked(options);
    ChooseCategories();
    UpdateActions();
}

void TUIForm::acAbortExecute()
{
    AbortBatches(false);
    InterruptLoading();
    LeaveFullScreen();
}

void TUIForm::afInterrompreTousExecute()
{
    AbortBatches(true);
    InterruptLoading();
}

void TUIForm::afSelectionnerToutExecute()
{
    lb->selectAll();
    RefreshList();
    UpdateActions(); // the selection's commands
}

void TUIForm::afBasculerListeExecute()
{
    if (!ListShown()) {
        SetClientWidth(ListLeft() + kListWidth + 16);
        afBasculerListe->setText(QString::fromStdString(rtl::LoadStr(sUiHideList)));
    } else {
        SetClientWidth(ListLeft());
        afBasculerListe->setText(QString::fromStdString(rtl::LoadStr(sMainShowList)));
    }
    UpdateActions();
}

void TUIForm::BaseFrameLabNomClick()
{
    amDossierParent->trigger();
}

} // namespace ui
