// Closing the main window: a scan and a loading under way both end, the settings are saved with
// the sort order and the command list's ticks, and the default play list is saved only when it is
// worth keeping: after a whole loading, never over a list that was cut short or could not be read.
#include <QCheckBox>
#include <QListWidget>
#include <gtest/gtest.h>

#include "platform/rtl/DateTime.h"
#include "tests/ui/MainWindowKit.h"
#include "ui/OptionsFrame.h"

using namespace uitest;
using V = std::vector<std::string>;

namespace {

class UIFormClose : public ::testing::Test {
protected:
    std::string List() const { return m.dir.file("lists/PlayList.txt"); }
    // A default play list of these paths, and saving it on exit on.
    void DefaultList(const V& paths)
    {
        std::string text = "# a list\r\n";
        for (const std::string& p : paths)
            text += "     " + p + "\r\n";
        testkit::WriteFileBytes(List(), text);
        m.StorePreferences([] { settings::SauverListeEnQuittant = true; });
    }
    void Close()
    {
        m.window->close();
        EXPECT_TRUE(m.window->ListThread->IsIdle());
        EXPECT_TRUE(m.window->DirScanThread->IsIdle());
        m.window.reset();
    }

    MainWindow m;
};

} // namespace

TEST_F(UIFormClose, AClosingWindowEndsItsScanAndLoadingAndSavesItsSettings)
{
    Links(m.dir.file("scan"), 300);
    const V dropped = Links(m.dir.file("drop"), 300);
    m.StorePreferences([&] { settings::DossierAOuvertureAuto = m.dir.file("scan"); });
    ui::TUIForm& w = m.Open();
    ASSERT_TRUE(m.Activate());
    QTest::keyClick(&w, Qt::Key_F7);
    w.LoadFiles(dropped, "drop");
    ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 4; }, 20000));
    w.SortList(1);
    ui::TUIForm::Command* datecode = w.FindCommand("amAjouterDatecode");
    w.OptionsFrame->RxCheckListBox1->item(datecode->Tag)->setCheckState(Qt::Unchecked);
    Close();

    settings::OrdreDeLaListe = 0;
    settings::ActionStates.clear();
    settings::LoadPreferences({});
    EXPECT_EQ(settings::OrdreDeLaListe, 1);
    auto state = [](const std::string& name) {
        for (const settings::ActionState& s : settings::ActionStates)
            if (s.Name == name)
                return s.State;
        return -2;
    };
    EXPECT_EQ(state("amAjouterDatecode"), 0);
    EXPECT_EQ(state("amAjouterTimecode"), 1);
    EXPECT_EQ(state("afQuitter"), 1);
    EXPECT_EQ(state("afKestrom"), -1); // no program: no line in the command list
    EXPECT_EQ(settings::ActionStates.size(), ui::TUIForm::ActionTable().size());

    // The next window shows the command switched off.
    ui::TUIForm& next = m.Open();
    EXPECT_EQ(next.OptionsFrame->RxCheckListBox1->item(next.FindCommand("amAjouterDatecode")->Tag)->checkState(),
              Qt::Unchecked);
}

TEST_F(UIFormClose, TheDefaultListIsSavedAfterAWholeLoading)
{
    DatedDv(m.Tape("a.avi"), 2005);
    DatedDv(m.Tape("b.avi"), 2006);
    DefaultList({m.Tape("b.avi"), m.Tape("missing.avi"), m.Tape("a.avi")});
    m.Open();
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi"}));
    Close();
    const std::string saved = testkit::ReadFileBytes(List());
    EXPECT_NE(saved.find("\r\n     " + m.Tape("a.avi") + "\r\n     " + m.Tape("b.avi") + "\r\n"), std::string::npos);
    EXPECT_NE(saved.find("# 2 files sorteds by datecode\r\n"), std::string::npos);
}

TEST_F(UIFormClose, ADefaultListCutShortOrUnreadableIsNeverSavedOver)
{
    const V names = Links(m.dir.file("tapes/many"), 300);
    DefaultList(names);
    const std::string before = testkit::ReadFileBytes(List());
    // Esc during its loading.
    {
        ui::TUIForm& w = m.Open();
        ASSERT_TRUE(m.Activate());
        ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 2; }, 20000));
        QTest::keyClick(&w, Qt::Key_Escape);
        ASSERT_TRUE(m.Loaded());
        ASSERT_LT(w.lb->count(), 300);
        Close();
        EXPECT_EQ(testkit::ReadFileBytes(List()), before);
    }
    // A close during its loading.
    {
        ui::TUIForm& w = m.Open();
        ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 2; }, 20000));
        Close();
        EXPECT_EQ(testkit::ReadFileBytes(List()), before);
    }
    // Binary bytes: nothing is queued, nothing asked, and it stays.
    testkit::WriteFileBytes(List(), std::string("\x01\x02\0\xFF\r\n/x.avi\r\n", 12));
    const std::string binary = testkit::ReadFileBytes(List());
    {
        ui::TUIForm& w = m.Open();
        ASSERT_TRUE(m.Loaded());
        EXPECT_EQ(w.lb->count(), 0);
        Close();
        EXPECT_EQ(testkit::ReadFileBytes(List()), binary);
    }
    // A folder of that name: the same, and no message at exit.
    fs::remove(List());
    fs::create_directory(List());
    m.Open();
    ASSERT_TRUE(m.Loaded());
    Close();
    EXPECT_TRUE(fs::is_directory(List()));
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
}

TEST_F(UIFormClose, AMissingDefaultListOrOneTurnedOnLaterIsSavedAsTheListStands)
{
    DatedDv(m.Tape("a.avi"), 2005);
    m.StorePreferences([] { settings::SauverListeEnQuittant = true; });
    actions::CommandLine line;
    line.Files = {m.Tape("a.avi")};
    m.Open(line);
    ASSERT_TRUE(m.Loaded());
    Close();
    EXPECT_NE(testkit::ReadFileBytes(List()).find("     " + m.Tape("a.avi") + "\r\n"), std::string::npos);

    fs::remove(List());
    m.StorePreferences([] { settings::SauverListeEnQuittant = false; });
    ui::TUIForm& w = m.Open(line);
    ASSERT_TRUE(m.Loaded());
    ASSERT_FALSE(w.OptionsFrame->cbListe->isChecked());
    w.OptionsFrame->cbListe->click();
    ASSERT_TRUE(settings::SauverListeEnQuittant);
    Close();
    EXPECT_TRUE(fs::exists(List()));
}

TEST_F(UIFormClose, AListThatCannotBeWrittenAtExitKeepsTheOldOneAndSaysSo)
{
    const std::string locked = testkit::UnwritableFolder(m.dir);
    m.StorePreferences([&] {
        settings::SauverListeEnQuittant = true;
        settings::DossierDesPlayList = locked + "/";
    });
    const bool existed = fs::exists(locked + "/PlayList.txt");
    m.Open();
    Close();
    ASSERT_EQ(m.dialogs.messages.shown().size(), 1u);
    EXPECT_NE(m.dialogs.messages.shown()[0].text.find(locked + "/PlayList.txt"), std::string::npos);
    EXPECT_EQ(fs::exists(locked + "/PlayList.txt"), existed);
}

TEST_F(UIFormClose, APlayListHoldsTheHeaderThePathsAndTheCountInPlural)
{
    rtl::SetClock([] { return rtl::EncodeDateTime(2026, 12, 6, 10, 20, 30, 0); });
    ui::TUIForm& w = m.Open();
    settings::FormatPourAfficherDatecode = "yyyy-mm-dd hh:nn:ss";
    const std::string header = "# -------------------------------------------------------------\r\n"
                               "#\r\n"
                               "# 播放列表 Morvel 版本 1.0.1 En\r\n"
                               "#\r\n"
                               "# -------------------------------------------------------------\r\n"
                               "# 访问我的主页 : https://morvel.example/\r\n"
                               "\r\n";
    const std::string rule = "# -------------------------------------------------------------\r\n";
    const std::string done = "# 完成 2026-12-06 10:20:30\r\n";
    EXPECT_EQ(w.PlaylistText(), header + "\r\n" + rule + "# 0 file sorted by datecode\r\n" + done);
    DatedDv(m.Tape("海 1.avi"), 2005);
    DatedDv(m.Tape("b.avi"), 2006);
    w.LoadFiles({m.Tape("海 1.avi")}, "");
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(w.PlaylistText(),
              header + "     " + m.Tape("海 1.avi") + "\r\n\r\n" + rule + "# 1 file sorted by datecode\r\n" + done);
    w.LoadFiles({m.Tape("b.avi")}, "");
    ASSERT_TRUE(m.Loaded());
    w.SortList(1);
    EXPECT_EQ(w.PlaylistText(), header + "     " + m.Tape("b.avi") + "\r\n     " + m.Tape("海 1.avi") + "\r\n\r\n" +
                                    rule + "# 2 files sorteds by alphabetical order\r\n" + done);

    // Read back: blanks, tabs and comments around the paths do not count.
    testkit::WriteFileBytes(m.dir.file("mine.txt"), "#x\r\n   # also a comment\r\n\t " + m.Tape("b.avi") +
                                                        " \t\r\n\r\n" + m.Tape("海 1.avi") + "\n");
    w.afViderListeExecute();
    EXPECT_EQ(w.LoadPlaylist(m.dir.file("mine.txt")), ui::TUIForm::PlaylistRead::Queued);
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(m.Names(), (V{"b.avi", "海 1.avi"}));
    rtl::SetClock({});
}
