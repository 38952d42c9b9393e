// The questions and error boxes of the window's batches: one file gets Yes and No only, several
// get the answers for all, Yes to all renames every file and the list shows them where they now
// sort, Cancel runs nothing, and a file that cannot be written gets its box with the reason while
// the batch goes on.
#include <gtest/gtest.h>

#include "platform/rtl/Strings.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/BatchWindowKit.h"

using namespace uitest;
using shell::ModalResult;
using V = std::vector<std::string>;

namespace {

class UIFormQuestions : public ::testing::Test {
protected:
    // The window on these files, sorted by name, all selected.
    ui::TUIForm& OpenOn(const V& files) { return OpenSelected(m, files, 1); }
    void Answer(std::deque<ModalResult> answers) { m.dialogs.messages = shell::ScriptedPrompter(std::move(answers)); }
    const std::vector<shell::ScriptedPrompter::Shown>& Shown() const { return m.dialogs.messages.shown(); }
    std::string Note() const { return rtl::LoadStr(rtl::sid::sRunAnswerForAll); }

    MainWindow m;
};

constexpr shell::MsgDlgButtons kAllButtons =
    shell::mbYes | shell::mbNo | shell::mbCancel | shell::mbNoToAll | shell::mbYesToAll;

} // namespace

TEST_F(UIFormQuestions, OneFileIsAskedYesOrNoAndYesRenamesIt)
{
    ui::TUIForm& w = OpenOn({DatedDv(m.Tape("clip.avi"), 2005, 6, 1, 12)});
    Answer({ModalResult::mrYes});
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].buttons, shell::mbYes | shell::mbNo);
    EXPECT_EQ(Shown()[0].type, shell::MsgDlgType::mtWarning);
    EXPECT_EQ(Shown()[0].text.find(Note()), std::string::npos);
    EXPECT_NE(Shown()[0].text.find("clip.avi"), std::string::npos);
    ASSERT_EQ(m.Names().size(), 1u);
    EXPECT_NE(m.Names()[0], "clip.avi");
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), m.Names());
    EXPECT_EQ(m.CurrentName(), m.Names()[0]);
    EXPECT_EQ(w.CurrentFichier()->FullName, m.Tape(m.Names()[0]));
}

TEST_F(UIFormQuestions, YesToAllRenamesEveryFileAndTheListShowsThemWhereTheyNowSort)
{
    // By name k, k_0, k_1; once the recording dates are added to the names, k goes last.
    ui::TUIForm& w =
        OpenOn({DatedDv(m.Tape("k.avi"), 2007), DatedDv(m.Tape("k_0.avi"), 2005), DatedDv(m.Tape("k_1.avi"), 2006)});
    ASSERT_EQ(m.Names(), (V{"k.avi", "k_0.avi", "k_1.avi"}));
    Answer({ModalResult::mrYesToAll});
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_EQ(Shown()[0].buttons, kAllButtons);
    EXPECT_NE(Shown()[0].text.find("k.avi"), std::string::npos);
    EXPECT_NE(Shown()[0].text.find("\r\n" + Note()), std::string::npos);
    const V names = m.Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].rfind("k_0_2005.", 0), 0u) << names[0];
    EXPECT_EQ(names[1].rfind("k_1_2006.", 0), 0u) << names[1];
    EXPECT_EQ(names[2].rfind("k_2007.", 0), 0u) << names[2];
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), names);
    for (const auto& entry : w.KeyList)
        EXPECT_EQ(entry.Fichier->FullName, m.Tape(entry.Fichier->FileName));
    EXPECT_EQ(m.SelectedNames(), names); // each entry selected as its file was done
}

TEST_F(UIFormQuestions, CancelAtTheFirstQuestionRunsNothing)
{
    ui::TUIForm& w =
        OpenOn({DatedDv(m.Tape("a.avi"), 2005), DatedDv(m.Tape("b.avi"), 2006), DatedDv(m.Tape("c.avi"), 2007)});
    Answer({ModalResult::mrCancel});
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(Shown().size(), 1u);
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "b.avi", "c.avi"}));
    EXPECT_EQ(w.StatusText(), rtl::LoadStr(rtl::sid::sMainReady));
}

TEST_F(UIFormQuestions, AnOutputFolderThatCannotBeWrittenGivesEachFileItsBoxWithTheReason)
{
    const std::string locked = testkit::UnwritableFolder(m.dir);
    m.StorePreferences([&] {
        settings::SauverDansLeMemeDossier = false;
        settings::DossierPourSauver = locked;
    });
    ui::TUIForm& w =
        OpenOn({DatedDv(m.Tape("a.avi"), 2005, 6, 1, 12, 3, true), DatedDv(m.Tape("b.avi"), 2006, 6, 1, 12, 3, true)});
    QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier);
    ASSERT_TRUE(BatchesEnded(m));
    ASSERT_EQ(Shown().size(), 2u); // the batch went on to the second file
    const std::string checkDisk = rtl::LoadStr(rtl::sid::sRunErrorCheckDisk);
    for (int i = 0; i < 2; ++i) {
        const std::string& text = Shown()[i].text;
        EXPECT_EQ(Shown()[i].type, shell::MsgDlgType::mtError);
        EXPECT_NE(text.find(m.Tape(i == 0 ? "a.avi" : "b.avi")), std::string::npos) << text;
        const size_t at = text.find(checkDisk + "\r\n");
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_GT(text.size(), at + checkDisk.size() + 2) << "no reason: " << text;
    }
    EXPECT_EQ(m.Names(), (V{"a.avi", "b.avi"}));
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), (V{"a.avi", "b.avi"}));
}

TEST_F(UIFormQuestions, AFullDiskGivesItsReasonAndLeavesNoPartOfTheOutput)
{
    ui::TUIForm& w = OpenOn({DatedDv(m.Tape("a.avi"), 2005, 6, 1, 12, 3, true)});
    {
        testkit::FileFault full(testkit::FileFault::Step::Write, ENOSPC);
        QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier | Qt::KeypadModifier);
        ASSERT_TRUE(BatchesEnded(m));
    }
    ASSERT_EQ(Shown().size(), 1u);
    const std::string& text = Shown()[0].text;
    EXPECT_NE(text.find("\r\n" + rtl::LoadStr(rtl::sid::sRunErrorCheckDisk) + "\r\nThe disk is full"),
              std::string::npos)
        << text;
    EXPECT_EQ(FolderNames(m.dir.file("tapes")), V{"a.avi"});
    EXPECT_EQ(m.Names(), V{"a.avi"});
}

TEST_F(UIFormQuestions, InDateOrderRenamedEntriesKeepTheirRowsAndTheListIsPaintedAgainAtTheEnd)
{
    ui::TUIForm& w =
        OpenOn({DatedDv(m.Tape("c.avi"), 2005), DatedDv(m.Tape("a.avi"), 2006), DatedDv(m.Tape("b.avi"), 2007)});
    w.SortList(0);
    w.afSelectionnerToutExecute();
    ASSERT_EQ(m.Names(), (V{"c.avi", "a.avi", "b.avi"}));
    w.SetItemIndex(1);
    w.NoConfirmation = true;
    QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    ASSERT_TRUE(PumpUntil([&] { return w.lb->updatesEnabled() && w.lb->viewport()->updatesEnabled(); }, 5000));
    const V names = m.Names();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0].rfind("c_2005.", 0), 0u) << names[0];
    EXPECT_EQ(names[1].rfind("a_2006.", 0), 0u) << names[1];
    EXPECT_EQ(names[2].rfind("b_2007.", 0), 0u) << names[2];
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(w.KeyList[i].Fichier->FileName, names[i]);
    EXPECT_EQ(m.SelectedNames(), names);
    EXPECT_TRUE(Shown().empty());
}
