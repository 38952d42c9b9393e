// The headless run: the built morvel as a child for the help, a rejected line and names that are
// no AVI files; in-process, the one line per file and outcome it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "app/Headless.h"
#include "tests/actions/BatchTestKit.h"
#include "tests/app/MorvelChild.h"

using namespace apptest;
using V = std::vector<std::string>;

namespace {

class HeadlessChild : public testing::Test {
protected:
    void SetUp() override
    {
        testkit::WriteFileBytes(morvel.home.file("clip.avi"), "not much of a clip");
        std::filesystem::create_directory(morvel.home.path() / "tapes");
        testkit::WriteFileBytes(morvel.home.file("notes.txt"), "notes");
    }

    std::string HelpText()
    {
        actions::Tch ch;
        ch.Localise();
        return app::SwitchHelpText(actions::BuildSwitchList(ch.BuildActionList()));
    }

    MorvelChild morvel;
};

} // namespace

TEST_F(HeadlessChild, HiddenHelpPrintsTheSwitchesAndRunsNothing)
{
    const std::string help = HelpText();
    ASSERT_NE(help.find("  +d  Add the datecode\n"), std::string::npos) << help;
    for (const V& args : {V{"+h?"}, V{"+h?", "clip.avi"}, V{"+?h", "+d", "clip.avi"}}) {
        const ChildRun run = morvel.Run(args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, help);
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(testkit::ReadFileBytes(morvel.home.file("clip.avi")), "not much of a clip");
    EXPECT_TRUE(morvel.SavedNothing());
}

TEST_F(HeadlessChild, AnUnknownLetterRejectsTheLineAndRunsNothing)
{
    const ChildRun run = morvel.Run({"+help", "clip.avi"});
    EXPECT_EQ(run.status, app::kExitRejected);
    EXPECT_EQ(Lines(run.err), V{"morvel: +help: unknown switch letters \"l\"; nothing was run."});
    EXPECT_EQ(run.out, "");
    // "e" would have trashed it.
    EXPECT_EQ(testkit::ReadFileBytes(morvel.home.file("clip.avi")), "not much of a clip");
    EXPECT_TRUE(morvel.SavedNothing());
}

TEST_F(HeadlessChild, NamesThatAreNoAviFilesGetALineEachAndFailTheRun)
{
    const std::string folder = (morvel.home.path() / "tapes").string();
    ASSERT_EQ(folder.find('.'), std::string::npos);
    const ChildRun run = morvel.Run({"+hz", "missing.avi", folder, "notes.txt"});
    EXPECT_EQ(run.status, app::kExitFailed);
    EXPECT_EQ(Lines(run.err), (V{"morvel: missing.avi: no such file", "morvel: " + folder + ": a folder, not a file",
                                 "morvel: notes.txt: not an AVI file"}));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_TRUE(morvel.SavedNothing());
}

TEST(HeadlessLines, OneLinePerFileAndOutcome)
{
    actionstest::Calls calls;
    actions::tFileAction action = actionstest::FakeAction(
        calls, [](const actions::TAfficherFichier& f, std::string& newfichier, actions::TchUpdateType& update) {
            if (f.FileName == "b.avi")
                return actions::ExecutionOutcome::Failed("Cannot rename b.avi:\r\nPermission denied");
            if (f.FileName == "a.avi") {
                newfichier = "/none/2006.avi";
                update = actions::utRename;
            }
            return actions::ExecutionOutcome{};
        });
    action.Caption = "Add the datecode ";
    action.OnFileCondition = [](actions::TParam&, const actions::TAfficherFichier& f, bool& visible, bool& enabled) {
        visible = enabled = f.FileName != "d.avi";
    };
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    {
        app::HeadlessObserver observer(out);
        actions::TfastThread batch(actionstest::Files("/none", {"a.avi", "b.avi", "c.avi", "d.avi"}), action, observer,
                                   true);
        ASSERT_TRUE(batch.Wait(30000));
    }
    std::rewind(out);
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, out))
        text += buffer;
    std::fclose(out);
    EXPECT_EQ(Lines(text),
              (V{"morvel: /none/a.avi: Add the datecode: done, renamed to /none/2006.avi",
                 "morvel: /none/b.avi: Add the datecode: failed: Cannot rename b.avi:  Permission denied",
                 "morvel: /none/c.avi: Add the datecode: done",
                 "morvel: /none/d.avi: Add the datecode: skipped, the command does not apply to this file"}));
}
