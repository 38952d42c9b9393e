// The main window, offscreen with real keys: files opened and listed once each in date order,
// paths kept as they are, the four sorts (each in its own order) keeping the current entry and the
// selection, the list showing itself, its captions; which commands show and when; keys, named in
// the menus as in the command list; each switch named as its menu command.
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/Headless.h"
#include "formats/scenes.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/KeyMenu.h"
#include "platform/vcl/ShortCutKeys.h"
#include "tests/ui/MainWindowKit.h"
#include "tests/ui/WidgetTexts.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

class UIFormTest : public ::testing::Test {
protected:
    // Five dated files (a case-only pair among them), one undated, one not DV.
    void MakeTapes()
    {
        DatedDv(m.Tape("b 2006.avi"), 2006);
        DatedDv(m.Tape("a 2005.avi"), 2005);
        DatedDv(m.Tape("CLIP.AVI"), 2004);
        DatedDv(m.Tape("clip.avi"), 2003);
        DatedDv(m.Tape("Clip.avi"), 2003);
        UndatedDv(m.Tape("undated.avi"));
        NotDv(m.Tape("notdv.avi"));
    }
    // Ctrl+O answered with these files.
    void OpenFiles(const V& names)
    {
        V paths;
        for (const std::string& n : names)
            paths.push_back(m.Tape(n));
        m.dialogs.openAnswers.push_back(paths);
        QTest::keyClick(m.window.get(), Qt::Key_O, Qt::ControlModifier);
        ASSERT_TRUE(m.Loaded());
    }
    void Select(const V& names)
    {
        m.window->lb->clearSelection();
        for (int i = 0; i < m.window->lb->count(); ++i)
            for (const std::string& n : names)
                if (m.window->lb->item(i)->text().toStdString() == n)
                    m.window->lb->item(i)->setSelected(true);
    }
    void MakeCurrent(const std::string& name)
    {
        for (int i = 0; i < m.window->lb->count(); ++i)
            if (m.window->lb->item(i)->text().toStdString() == name)
                m.window->SetItemIndex(i);
        m.window->ShowCurrentFile();
    }
    std::string Caption() const { return m.window->labFichiers->text().toStdString(); }

    MainWindow m;
};

} // namespace

TEST_F(UIFormTest, OpenedFilesAreListedOnceInDateOrderAndTheSortsKeepCurrentEntryAndSelection)
{
    MakeTapes();
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    ASSERT_TRUE(w.VideFrame->isVisible()); // the empty list's page

    // One file: the list stays hidden, and so do its commands.
    OpenFiles({"b 2006.avi"});
    EXPECT_EQ(w.ClientWidth(), w.ListLeft());
    EXPECT_FALSE(w.afOrdreAlpha->isVisible());
    EXPECT_FALSE(w.VideFrame->isVisible());

    // The rest, a name twice and one that does not exist: the list shows itself.
    OpenFiles(
        {"a 2005.avi", "CLIP.AVI", "clip.avi", "Clip.avi", "undated.avi", "notdv.avi", "missing.avi", "a 2005.avi"});
    const vcl::OpenRequest& asked = m.dialogs.openRequests.back();
    EXPECT_TRUE(asked.multiSelect);
    EXPECT_EQ(asked.filter, "Files  avi|*.[aA][vV][iI];"); // ".AVI" too, as the list takes it
    EXPECT_EQ(asked.initialDir, settings::DossierPourOuvrirFichiers);
    EXPECT_GT(w.ClientWidth(), w.ListLeft() + ui::TUIForm::kListWidth);
    // Dated first (a case-only pair apart by its exact paths), then undated, then not DV.
    EXPECT_EQ(m.Names(),
              (V{"Clip.avi", "clip.avi", "CLIP.AVI", "a 2005.avi", "b 2006.avi", "undated.avi", "notdv.avi"}));
    for (const auto& entry : w.KeyList) // paths as they are
        EXPECT_EQ(entry.Fichier->FullName, m.Tape(entry.Fichier->FileName));
    EXPECT_EQ(m.CurrentName(), "b 2006.avi"); // the first loading's file stays current
    EXPECT_EQ(Caption(), "1 file of 7 - 按日期排列");
    EXPECT_EQ(w.lb->toolTip(), vcl::ToolTipText("1 file 选择 of 7\r\n按 F6 隐藏列表."));

    MakeCurrent("a 2005.avi");
    Select({"a 2005.avi", "b 2006.avi", "undated.avi", "CLIP.AVI"});
    w.RefreshList();
    EXPECT_EQ(Caption(), "4 files of 7 - 按日期排列");
    const V selected = {"CLIP.AVI", "a 2005.avi", "b 2006.avi", "undated.avi"};
    struct Sort {
        Qt::Key key;
        int order;
        const char* caption;
    };
    for (const Sort& s :
         {Sort{Qt::Key_A, 1, "4 files of 7 - sorted alphabetically"},
          Sort{Qt::Key_S, 2, "4 files of 7 - sorted by filesize"},
          Sort{Qt::Key_F, 3, "4 files of 7 - sorted by filedate"}, Sort{Qt::Key_D, 0, "4 files of 7 - 按日期排列"}}) {
        SCOPED_TRACE(s.caption);
        QTest::keyClick(&w, s.key, Qt::AltModifier);
        EXPECT_EQ(settings::OrdreDeLaListe, s.order);
        EXPECT_EQ(m.CurrentName(), "a 2005.avi");
        V now = m.SelectedNames();
        std::sort(now.begin(), now.end());
        EXPECT_EQ(now, selected);
        EXPECT_EQ(Caption(), s.caption);
        EXPECT_EQ(w.KeyList.size(), 7u);
        for (size_t i = 0; i + 1 < w.KeyList.size(); ++i)
            EXPECT_LT(w.KeyList[i].Key, w.KeyList[i + 1].Key);
        if (s.order == 1) { // names case aside, then the exact paths
            EXPECT_EQ(m.Names(),
                      (V{"a 2005.avi", "b 2006.avi", "CLIP.AVI", "Clip.avi", "clip.avi", "notdv.avi", "undated.avi"}));
        }
    }
    EXPECT_EQ(m.Names(),
              (V{"Clip.avi", "clip.avi", "CLIP.AVI", "a 2005.avi", "b 2006.avi", "undated.avi", "notdv.avi"}));
}

TEST_F(UIFormTest, TheSizeAndFileDateSortsFollowTheFilesSizesAndTimes)
{
    // Four orders that all differ: by name a, b, c; by size b, c, a; by file date c, a, b; by
    // recording date c, b, a.
    auto make = [&](const std::string& name, int year, int frames, time_t written) {
        DatedDv(m.Tape(name), year, 6, 1, 12, frames);
        const timespec times[2] = {{written, 0}, {written, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, m.Tape(name).c_str(), times, 0), 0);
    };
    make("a.avi", 2006, 9, 1020000000); // 2002
    make("b.avi", 2005, 3, 1050000000); // 2003
    make("c.avi", 2004, 6, 990000000);  // 2001
    ASSERT_LT(fs::file_size(m.Tape("b.avi")), fs::file_size(m.Tape("c.avi")));
    ASSERT_LT(fs::file_size(m.Tape("c.avi")), fs::file_size(m.Tape("a.avi")));
    m.StorePreferences([] { settings::OrdreDeLaListe = 3; });
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    OpenFiles({"a.avi", "b.avi", "c.avi"});
    EXPECT_EQ(m.Names(), (V{"c.avi", "a.avi", "b.avi"})); // listed by file date, as stored

    QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(m.Names(), (V{"b.avi", "c.avi", "a.avi"}));
    QTest::keyClick(&w, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(m.Names(), (V{"c.avi", "b.avi", "a.avi"}));
    QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(m.Names(), (V{"c.avi", "a.avi", "b.avi"}));
    QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi", "c.avi"}));

    // Listed again into a list sorted by size.
    QTest::keyClick(&w, Qt::Key_S, Qt::AltModifier);
    w.afViderListeExecute();
    OpenFiles({"a.avi", "c.avi", "b.avi"});
    EXPECT_EQ(m.Names(), (V{"b.avi", "c.avi", "a.avi"}));
}

TEST_F(UIFormTest, SortingAnEmptyListStoresTheOrderTheNextLoadingFollows)
{
    DatedDv(m.Tape("b.avi"), 2001);
    DatedDv(m.Tape("a.avi"), 2009);
    ui::TUIForm& w = m.Open();
    w.SortList(1);
    EXPECT_EQ(settings::OrdreDeLaListe, 1);
    ASSERT_TRUE(m.Activate());
    OpenFiles({"b.avi", "a.avi"});
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi"}));
}

TEST_F(UIFormTest, CommandsShowAsTheListTheSelectionTheCurrentFileAndTheCommandListSay)
{
    DatedDv(m.Tape("dv.avi"), 2006);
    NotDv(m.Tape("other.avi"));
    UndatedDv(m.Tape("undated.avi"));
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    // Empty list: the permanent and the empty-list commands only.
    EXPECT_TRUE(w.afOuvrirFichiers->isVisible());
    EXPECT_FALSE(w.amAjouterDatecode->isVisible());
    EXPECT_FALSE(w.avPlayStop->isVisible());
    OpenFiles({"dv.avi", "other.avi", "undated.avi"});

    // A command on the selection shows when its condition takes one selected file.
    Select({"other.avi"});
    w.UpdateActions();
    EXPECT_FALSE(w.amDVType1->isEnabled()); // a type-2 DV file is what it converts
    Select({"other.avi", "undated.avi", "dv.avi"});
    w.UpdateActions();
    EXPECT_TRUE(w.amDVType1->isVisible());
    EXPECT_TRUE(w.amDVType1->isEnabled());

    // A command on one file is judged on the current one only, whatever is selected.
    MakeCurrent("other.avi");
    Select({"dv.avi"});
    w.UpdateActions();
    EXPECT_FALSE(w.amAfficherSliders->isEnabled());
    MakeCurrent("dv.avi");
    Select({"other.avi"});
    w.UpdateActions();
    EXPECT_TRUE(w.amAfficherSliders->isEnabled());

    // Switched off in the command list: hidden and disabled; the window's own cannot be.
    Select({"dv.avi"});
    w.UpdateActions();
    EXPECT_TRUE(w.amAjouterDatecode->isVisible());
    ui::TUIForm::Command* datecode = w.FindCommand("amAjouterDatecode");
    ASSERT_GE(datecode->Tag, 0);
    w.OptionsFrame->RxCheckListBox1->item(datecode->Tag)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(w.amAjouterDatecode->isVisible());
    EXPECT_FALSE(w.amAjouterDatecode->isEnabled());
    w.OptionsFrame->RxCheckListBox1->item(datecode->Tag)->setCheckState(Qt::Checked);
    EXPECT_TRUE(w.amAjouterDatecode->isVisible());
    for (const ui::TUIForm::Command& c : w.al) {
        if (c.Tag < 0)
            continue;
        const bool own = std::string(c.Row->name).rfind("af", 0) == 0;
        EXPECT_EQ(bool(w.OptionsFrame->RxCheckListBox1->item(c.Tag)->flags() & Qt::ItemIsEnabled), !own) << c.Row->name;
    }

    // A page shown: the permanent commands only, and no menu.
    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_TRUE(w.AproposFrame->isVisible());
    EXPECT_FALSE(w.amAjouterDatecode->isVisible());
    EXPECT_FALSE(w.afOrdreAlpha->isEnabled() && w.afOrdreAlpha->isVisible());
    for (QAction* top : w.menuBar()->actions())
        EXPECT_FALSE(top->isVisible()) << top->text().toStdString();
    QTest::keyClick(&w, Qt::Key_F10); // the options page in its place
    EXPECT_FALSE(w.AproposFrame->isVisible());
    EXPECT_TRUE(w.OptionsFrame->isVisible());
    EXPECT_FALSE(w.afApropos->isChecked());
    QTest::keyClick(&w, Qt::Key_F10);
    EXPECT_FALSE(w.OptionsFrame->isVisible());
    EXPECT_TRUE(w.amAjouterDatecode->isVisible());
    EXPECT_TRUE(w.Fichiers1->menuAction()->isVisible());

    // F6 hides the list and its commands, and shows it again.
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_EQ(w.ClientWidth(), w.ListLeft());
    EXPECT_FALSE(w.afSelectionnerTout->isVisible());
    QTest::keyClick(&w, Qt::Key_F6);
    EXPECT_TRUE(w.afSelectionnerTout->isVisible());
    QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m.SelectedNames().size(), 3u);
}

TEST_F(UIFormTest, EveryKeyFiresItsOneCommandAndNoneIsHeldTwice)
{
    DatedDv(m.Tape("dv.avi"), 2006);
    DatedDv(m.Tape("dv1.avi"), 2007, 6, 1, 12, 3, true);
    formats::ScnFileWriter scenes; // the scene keys need a ".scn"
    ASSERT_TRUE(scenes.OpenScnFile(m.Tape("dv.avi")));
    scenes.WriteScnScene({}, {});
    ASSERT_TRUE(scenes.CloseScnFile());
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    OpenFiles({"dv.avi", "dv1.avi"});
    MakeCurrent("dv.avi");
    QTest::keyClick(&w, Qt::Key_A, Qt::ControlModifier);
    EXPECT_TRUE(vcl::KeysHeldTwice(w).empty());
    for (const vcl::KeyClash& clash : vcl::KeysHeldTwice(w))
        ADD_FAILURE() << clash.key.toString().toStdString() << ": " << clash.actions.join(", ").toStdString();

    struct Press {
        QAction* action;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Press presses[] = {
        {w.amAfficherSliders, Qt::Key_I, Qt::AltModifier}, // once, though the table gives it twice
        // The scene keys before the conversions: after them the current entry is another file, with no ".scn".
        {w.AvanceScene, Qt::Key_F9, Qt::NoModifier},
        {w.AvanceScene, Qt::Key_F9, Qt::ControlModifier},
        {w.ReculeScene, Qt::Key_F8, Qt::ControlModifier},
        {w.amDVType1, Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier},
        {w.amDVType2, Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier},
        {w.avFullscreen, Qt::Key_F11, Qt::NoModifier},
        {w.avFullscreen, Qt::Key_Return, Qt::AltModifier},
        {w.afIncVolume, Qt::Key_Plus, Qt::KeypadModifier},
    };
    for (const Press& p : presses) {
        SCOPED_TRACE(p.action->objectName().toStdString());
        EXPECT_TRUE(p.action->isEnabled());
        QSignalSpy fired(p.action, &QAction::triggered);
        QTest::keyClick(&w, p.key, p.modifiers);
        EXPECT_EQ(fired.count(), 1);
        // A conversion runs as a batch: the next key waits for its end and its output's listing.
        ASSERT_TRUE(PumpUntil([&] { return !w.BatchesRunning() && w.lb->isEnabled(); }, 30000));
        ASSERT_TRUE(m.Loaded());
        w.afSelectionnerToutExecute();
    }
    QSignalSpy quitted(w.afQuitter, &QAction::triggered);
    QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(quitted.count(), 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Closing());
}

TEST_F(UIFormTest, EveryCommandMenuAndButtonCarriesItsTextAndTheHelpTableIsTheSwitches)
{
    ui::TUIForm& w = m.Open();
    for (const ui::TUIForm::Command& c : w.al) {
        const QString text = c.Action->text();
        EXPECT_FALSE(text.trimmed().isEmpty()) << c.Row->name;
        EXPECT_NE(text, c.Action->objectName());
        EXPECT_FALSE(text.contains(QLatin1Char('&'))) << c.Row->name;
        EXPECT_FALSE(c.Category.empty()) << c.Row->name;
        EXPECT_NE(ui::TUIForm::CategoryIndex(c.Category), ui::TUIForm::catNone) << c.Row->name;
        bool inMenu = false;
        for (QAction* top : w.menuBar()->actions())
            inMenu = inMenu || (top->menu() && top->menu()->actions().contains(c.Action));
        EXPECT_TRUE(inMenu) << c.Row->name;
    }
    for (QAction* top : w.menuBar()->actions())
        EXPECT_FALSE(top->text().trimmed().isEmpty());
    for (QToolButton* b : w.ToolButtons)
        EXPECT_FALSE(b->toolTip().trimmed().isEmpty()) << b->objectName().toStdString();
    EXPECT_EQ(w.windowTitle().toStdString(), "Morvel 1.0.1 by Ivor Varnet");
    EXPECT_EQ(w.afQuitter->statusTip(), "退出 Morvel");

    // The command-line tab: the lines "+h?" prints, in the same order.
    const std::string help = app::SwitchHelpText(w.SwitchList);
    std::string table = rtl::LoadStr(rtl::sid::sSwitchUsage) + "\n";
    const QTableWidget& vle = *w.AproposFrame->vle;
    for (int row = 0; row < vle.rowCount(); ++row)
        table +=
            "  " + vle.item(row, 1)->text().mid(1).toStdString() + "  " + vle.item(row, 0)->text().toStdString() + "\n";
    EXPECT_EQ(table, help);
    EXPECT_NE(help.find("  +?  Help\n"), std::string::npos);
}

// One command, one name: the about page's command-line table and "+h?" give each switch the
// caption its menu shows.
TEST_F(UIFormTest, EachSwitchIsNamedAsItsMenuCommandInTheHelpTableAndInThePrintedHelp)
{
    ui::TUIForm& w = m.Open();
    const QTableWidget& vle = *w.AproposFrame->vle;
    const std::string help = app::SwitchHelpText(w.SwitchList);
    ASSERT_FALSE(w.SwitchList.empty());
    for (const actions::SwitchEntry& s : w.SwitchList) {
        const ui::TUIForm::Command* command = nullptr;
        for (const ui::TUIForm::Command& c : w.al)
            if (c.FileAction == s.Action)
                command = &c;
        ASSERT_NE(command, nullptr) << s.Action->Name;
        const QString caption = command->Action->text();
        ASSERT_FALSE(caption.isEmpty()) << s.Action->Name;
        bool inTable = false;
        for (int row = 0; row < vle.rowCount(); ++row)
            inTable = inTable ||
                      (vle.item(row, 0)->text() == caption &&
                       vle.item(row, 1)->text().trimmed() == QStringLiteral("+") + QString::fromStdString(s.Letters));
        EXPECT_TRUE(inTable) << caption.toStdString();
        EXPECT_NE(help.find("  +" + s.Letters + "  " + caption.toStdString() + "\n"), std::string::npos)
            << caption.toStdString() << "\n"
            << help;
    }
}

// The menus name each key as the options page's command list does: the keypad's "Num +", not
// Qt's "Num++".
TEST_F(UIFormTest, TheMenusNameEveryKeyAsTheOptionsPagesCommandListDoes)
{
    ui::TUIForm& w = m.Open();
    const auto shown = [&](QMenu* menu, QAction* action) {
        const auto* keys = dynamic_cast<const vcl::KeyMenu*>(menu);
        EXPECT_NE(keys, nullptr) << menu->objectName().toStdString();
        const QString text = keys ? keys->ItemText(*action) : QString();
        return text.mid(text.indexOf(QLatin1Char('\t')) + 1).toStdString();
    };
    EXPECT_EQ(shown(w.Vido1, w.afIncVolume), "Num +");
    EXPECT_EQ(shown(w.Vido1, w.afDecVolume), "Num -");
    EXPECT_EQ(shown(w.Vido1, w.avanceHigh), "Ctrl+PgDn");
    EXPECT_EQ(shown(w.Exporter1, w.amSupprimer_Srt), "Shift+Ctrl+Z");
    const QListWidget& list = *w.OptionsFrame->RxCheckListBox1;
    for (QAction* top : w.menuBar()->actions())
        for (QAction* item : top->menu()->actions()) {
            const std::string key = vcl::ShortCutText(*item);
            if (item->isSeparator() || key.empty())
                continue;
            EXPECT_EQ(shown(top->menu(), item), key) << item->objectName().toStdString();
            // The same name in the command list, where the command has a line.
            const QList<QListWidgetItem*> lines =
                list.findItems(item->text() + QStringLiteral(" ("), Qt::MatchStartsWith);
            if (!lines.isEmpty()) {
                EXPECT_EQ(lines.front()->text().toStdString(), item->text().toStdString() + " (" + key + ")");
            }
        }
}

TEST_F(UIFormTest, AnOpenWithCommandIsBoundToItsProgramWhetherItIsThereOrNot)
{
    DatedDv(m.Tape("dv.avi"), 2006);
    {
        ui::TUIForm& w = m.Open();
        ASSERT_TRUE(m.Activate());
        OpenFiles({"dv.avi"});
        EXPECT_FALSE(w.afKestrom->isVisible()); // no program: nothing to run
        EXPECT_EQ(w.FindCommand("afKestrom")->Tag, -1);
    }
    m.window.reset();
    const std::string program = m.dir.file("kestrom.sh");
    testkit::WriteFileBytes(program, "#!/bin/sh\n");
    m.StorePreferences([&] { settings::FichierKestrom = program; });
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    OpenFiles({"dv.avi"});
    EXPECT_TRUE(w.afKestrom->isVisible());
    EXPECT_TRUE(w.afKestrom->isEnabled());
    EXPECT_EQ(w.afKestrom->text().toStdString(), "打开和 kestrom");
}

TEST_F(UIFormTest, AQuestionMarkShowsTheSwitchesListsTheFilesAndACBeforeItCloses)
{
    DatedDv(m.Tape("a.avi"), 2006);
    actions::CommandLine line;
    line.Switches = {"+?"};
    line.Files = {m.Tape("a.avi")};
    line.Help = true;
    ui::TUIForm& w = m.Open(line);
    ASSERT_TRUE(m.Loaded());
    EXPECT_TRUE(w.AproposFrame->isVisible());
    EXPECT_EQ(w.AproposFrame->PageControl2->currentIndex(), ui::TAproposFrame::kCommandLineTab);
    EXPECT_TRUE(w.afApropos->isChecked());
    EXPECT_EQ(m.Names(), V{"a.avi"});
    EXPECT_FALSE(w.Closing());
    EXPECT_FALSE(w.BatchesRunning()); // "?" runs nothing, so no batch waits for the files

    line.Switches = {"+c", "+?"};
    m.window.reset();
    ui::TUIForm& closing = m.Open(line);
    ASSERT_TRUE(PumpUntil([&] { return closing.Closing(); }, 5000));
    EXPECT_FALSE(closing.isVisible());
}
