// The command line in a shown window: its switches run once its own files are listed, on those
// files only, whatever else the list holds, a file named twice once; "m" asks nothing of those
// batches and leaves the user's commands asking; "c" closes after the last batch with the run's
// exit status; an Esc that cuts the loading runs none, and one during a switch's conversion
// cancels it, runs no later switch and fails the run.
#include <gtest/gtest.h>

#include "actions/switches.h"
#include "platform/vcl/Gauge.h"
#include "tests/kit/FileFault.h"
#include "tests/ui/BatchWindowKit.h"

using namespace uitest;
using shell::ModalResult;
using V = std::vector<std::string>;

namespace {

class UIFormCommandLine : public ::testing::Test {
protected:
    // The command line as the program parses it.
    actions::CommandLine Line(const V& parameters)
    {
        return actions::ParseCommandLine(parameters, actions::BuildSwitchList(m.ch.BuildActionList()));
    }
    // A default play list of these paths, reloaded at the first paint, and saved at exit.
    void DefaultList(const V& paths)
    {
        std::string text;
        for (const std::string& p : paths)
            text += "     " + p + "\r\n";
        testkit::WriteFileBytes(m.dir.file("lists/PlayList.txt"), text);
        m.StorePreferences([] { settings::SauverListeEnQuittant = true; });
    }
    bool Closed()
    {
        return PumpUntil([&] { return m.window->Closing(); }, 60000);
    }
    V Tapes() const { return FolderNames(m.dir.file("tapes")); }

    MainWindow m;
};

} // namespace

TEST_F(UIFormCommandLine, SwitchesRunOnTheCommandLinesFilesOnlyAndCClosesWithTheStatus)
{
    DatedDv(m.Tape("a.avi"), 2005);
    DatedDv(m.Tape("b.avi"), 2006);
    DatedDv(m.Tape("c.avi"), 2007);
    DatedDv(m.Tape("d.avi"), 2008);
    DefaultList({m.Tape("c.avi"), m.Tape("d.avi")});
    m.dialogs.messages = shell::ScriptedPrompter({ModalResult::mrYesToAll});
    ui::TUIForm& w = m.Open(Line({"+dc", m.Tape("a.avi"), m.Tape("b.avi")}));
    ASSERT_TRUE(Closed());
    ASSERT_EQ(m.dialogs.messages.shown().size(), 1u); // asked, once, for a and b
    EXPECT_NE(m.dialogs.messages.shown()[0].text.find("a.avi"), std::string::npos);
    const V tapes = Tapes();
    ASSERT_EQ(tapes.size(), 4u);
    EXPECT_EQ(tapes[0].rfind("a_2005.", 0), 0u) << tapes[0];
    EXPECT_EQ(tapes[1].rfind("b_2006.", 0), 0u) << tapes[1];
    EXPECT_EQ(tapes[2], "c.avi");
    EXPECT_EQ(tapes[3], "d.avi");
    EXPECT_EQ(w.ExitStatus(), actions::kExitOk);
    m.window.reset();
    // The list saved at exit holds every entry, the renamed ones under their new names.
    const std::string saved = testkit::ReadFileBytes(m.dir.file("lists/PlayList.txt"));
    for (const std::string& name : tapes)
        EXPECT_NE(saved.find("     " + m.Tape(name) + "\r\n"), std::string::npos) << name;
}

TEST_F(UIFormCommandLine, MAsksTheCommandLinesBatchesNothingAndTheUsersCommandsStillAsk)
{
    DatedDv(m.Tape("a.avi"), 2005);
    DatedDv(m.Tape("b.avi"), 2006);
    ui::TUIForm& w = m.Open(Line({"+dm", m.Tape("a.avi"), m.Tape("b.avi")}));
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_TRUE(m.dialogs.messages.shown().empty());
    EXPECT_EQ(Tapes().size(), 2u);
    EXPECT_EQ(Tapes()[0].rfind("a_2005.", 0), 0u) << Tapes()[0];
    EXPECT_EQ(m.Names(), Tapes()); // the list shows them under their new names
    EXPECT_FALSE(w.Closing());

    // The user's own rename of the same files asks.
    ASSERT_TRUE(m.Activate());
    w.afSelectionnerToutExecute();
    QTest::keyClick(&w, Qt::Key_T, Qt::ControlModifier);
    ASSERT_TRUE(BatchesEnded(m));
    EXPECT_EQ(m.dialogs.messages.shown().size(), 1u); // Cancel: nothing more renamed
    EXPECT_EQ(m.Names(), Tapes());
}

TEST_F(UIFormCommandLine, ANameThatIsNoAviFileFailsTheRunThatCCloses)
{
    DatedDv(m.Tape("a.avi"), 2005);
    testkit::WriteFileBytes(m.Tape("notes.txt"), "notes");
    ui::TUIForm& w = m.Open(Line({"+dmc", m.Tape("a.avi"), m.Tape("notes.txt"), m.Tape("missing.avi")}));
    ASSERT_TRUE(Closed());
    EXPECT_EQ(w.ExitStatus(), actions::kExitFailed);
    EXPECT_EQ(Tapes().size(), 2u);
    EXPECT_EQ(Tapes()[0].rfind("a_2005.", 0), 0u) << Tapes()[0]; // the others still ran
}

TEST_F(UIFormCommandLine, AnEscThatCutsTheLoadingRunsNoSwitch)
{
    const V names = Links(m.dir.file("tapes/many"), 300);
    V parameters{"+dmc"};
    parameters.insert(parameters.end(), names.begin(), names.end());
    ui::TUIForm& w = m.Open(Line(parameters));
    ASSERT_TRUE(m.Activate());
    ASSERT_TRUE(PumpUntil([&] { return w.lb->count() >= 2; }, 20000));
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(w.ExitStatus(), actions::kExitFailed);
    const V left = FolderNames(m.dir.file("tapes/many"));
    EXPECT_EQ(left.size(), 300u);
    for (const std::string& name : left)
        EXPECT_EQ(name.find('_'), std::string::npos) << name; // none renamed
}

TEST_F(UIFormCommandLine, AFileNamedTwiceRunsOnce)
{
    DatedDv(m.Tape("a.avi"), 2005);
    ui::TUIForm& w = m.Open(Line({"+dmc", m.Tape("a.avi"), m.Tape("a.avi")}));
    ASSERT_TRUE(Closed());
    EXPECT_EQ(w.ExitStatus(), actions::kExitOk);
    EXPECT_TRUE(m.dialogs.messages.shown().empty()); // no second rename of a file gone
    ASSERT_EQ(Tapes().size(), 1u);
    EXPECT_EQ(Tapes()[0].rfind("a_2005.", 0), 0u) << Tapes()[0];
}

TEST_F(UIFormCommandLine, EscDuringTheFirstSwitchStopsTheSecondAndTheCancelledFileFailsTheRun)
{
    const std::string source = DatedDv(m.Tape("long.avi"), 2006, 6, 1, 12, 250);
    testkit::SlowWrites slow(40); // about 10 seconds for the burn-in
    ui::TUIForm& w = m.Open(Line({"+ic", "+w", source}));
    ASSERT_TRUE(m.Activate());
    ASSERT_TRUE(PumpUntil([&] { return w.BaseFrame->Gauge1->Progress() > 0; }, 60000));
    QTest::keyClick(&w, Qt::Key_Escape);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(w.ExitStatus(), actions::kExitFailed);
    EXPECT_EQ(Tapes(), V{"long.avi"}); // no burn-in, and no sound taken out after it
}
