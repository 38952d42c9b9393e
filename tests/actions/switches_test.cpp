// The switch table and the command line: which parameters are switches (never an existing path,
// never one with a "."), letters matched in lower case and run in table order, and a line with
// an unknown letter rejected whole.
#include <gtest/gtest.h>

#include <filesystem>

#include "actions/CommandCaptions.h"
#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "actions/switches.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/TempDir.h"

using namespace actions;
using V = std::vector<std::string>;

namespace {

class Switches : public testing::Test {
protected:
    Switches()
    {
        ch.Localise();
        names = ch.BuildActionList();
        table = BuildSwitchList(names);
    }

    // The action names of the batches the line runs.
    V Run(const V& params)
    {
        const CommandLine line = ParseCommandLine(params, table);
        V run;
        for (const SwitchBatch& b : RunSwitches(line, table, {}))
            run.push_back(b.Action->Name);
        return run;
    }

    Tch ch;
    FileActionNames names;
    SwitchList table;
};

} // namespace

TEST_F(Switches, TheTableHoldsEveryActionWithALetterInCatalogueOrder)
{
    V letters;
    for (const SwitchEntry& s : table)
        letters.push_back(s.Letters + "=" + s.Action->Name);
    EXPECT_EQ(letters, (V{"e=SupprimerFichier", "t=AjouterTimecode", "d=AjouterDateCode", "q=PurgerNom", "b=FileDate",
                          "r=RenameScAn", "1=DVtype1", "2=DVType2", "n=Ntsc", "p=Pal", "i=IncrusterDatecode",
                          "g=ConvertirDV", "s=CreerScenes", "z=SupprimerScenes", "w=ExtraireAudio", "x=ScenesText"}));
}

TEST_F(Switches, HelpLinesAreSortedWithTheFourFixedLetters)
{
    const V lines = SwitchHelpLines(table);
    ASSERT_EQ(lines.size(), table.size() + 4);
    EXPECT_EQ(lines.front(), "Add the datecode= +d");
    for (const char* fixed : {"Close after commands= +c", "Hide the window= +h", "No confirmation= +m", "Help= +?"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), fixed), lines.end()) << fixed;
    EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return rtl::LowerCase(a) < rtl::LowerCase(b);
    }));
}

// The names the window's menus give the commands, read from the string table without a window;
// never the actions' own captions, in another language.
TEST_F(Switches, HelpLinesNameEachCommandAsTheMenusDo)
{
    const V lines = SwitchHelpLines(table);
    for (const char* line : {"Delete the file= +e", "Add the timecode= +t", "Shorten the file name= +q",
                             "Set the file date to the datecode= +b", "Rename= +r", "Convert into DV type 1= +1",
                             "Convert into DV type 2= +2", "Recompress into DV type 2= +g",
                             "Create a scene file .scn= +s", "Export the list of scenes as text= +x"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    for (const SwitchEntry& s : table) {
        EXPECT_EQ(CommandCaption(*s.Action), rtl::LoadStr(CommandCaptionId(s.Action->Name))) << s.Action->Name;
        EXPECT_NE(CommandCaptionId(s.Action->Name), 0) << s.Action->Name;
    }
    // An action no command runs keeps its own caption.
    tFileAction other;
    other.Name = "Other";
    other.Caption = "Autre";
    EXPECT_EQ(CommandCaption(other), "Autre");
}

TEST_F(Switches, ExistingPathsAndDottedOrDashedParametersAreFiles)
{
    testkit::TempDir dir;
    std::filesystem::create_directory(dir.path() / "tapes");
    const std::string folder = (dir.path() / "tapes").string();
    const std::string bare = (dir.path() / "clip").string(); // a file without an extension
    testkit::WriteFileBytes(bare, "x");
    ASSERT_EQ(folder.find('.'), std::string::npos);
    ASSERT_EQ(bare.find('.'), std::string::npos);

    const CommandLine line = ParseCommandLine({folder, bare, "/x.y", "-h", "+d.avi", "", "/d"}, table);
    EXPECT_TRUE(line.Error.empty()) << line.Error;
    EXPECT_EQ(line.Files, (V{folder, bare, "/x.y", "-h", "+d.avi", ""}));
    EXPECT_EQ(line.Switches, V{"/d"});
    EXPECT_FALSE(line.Hidden);
    EXPECT_FALSE(IsSwitch("tapes"));
    EXPECT_TRUE(IsSwitch("+"));
}

TEST_F(Switches, LettersMatchInLowerCaseAndRunInTableOrder)
{
    EXPECT_EQ(Run({"+D"}), V{"AjouterDateCode"});
    EXPECT_EQ(Run({"+dq"}), (V{"AjouterDateCode", "PurgerNom"}));
    EXPECT_EQ(Run({"+qd"}), (V{"AjouterDateCode", "PurgerNom"}));
    EXPECT_EQ(Run({"+dd"}), V{"AjouterDateCode"});
    // Each switch in turn.
    EXPECT_EQ(Run({"+q", "/hd"}), (V{"PurgerNom", "AjouterDateCode"}));
    EXPECT_TRUE(Run({"+hmc"}).empty());
}

TEST_F(Switches, EachBatchTakesTheFilesInOrderAndItsActionsRunner)
{
    const CommandLine line = ParseCommandLine({"+2e", "a.avi"}, table);
    TBatchThread::FileList files = {std::make_shared<const TAfficherFichier>("/none/b.avi"),
                                    std::make_shared<const TAfficherFichier>("/none/a.avi")};
    const std::vector<SwitchBatch> batches = RunSwitches(line, table, files);
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(batches[0].Action->Name, "SupprimerFichier");
    EXPECT_EQ(batches[0].Runner, RunnerKind::Fast);
    EXPECT_EQ(batches[1].Action->Name, "DVType2");
    EXPECT_EQ(batches[1].Runner, RunnerKind::Cmd);
    EXPECT_EQ(batches[1].Files, files);
    EXPECT_EQ(line.Files, V{"a.avi"});
}

TEST_F(Switches, FixedLettersSetTheirModes)
{
    const CommandLine line = ParseCommandLine({"+Hd", "/m", "+c?"}, table);
    EXPECT_TRUE(line.Hidden);
    EXPECT_TRUE(line.NoConfirmation);
    EXPECT_TRUE(line.CloseAfter);
    EXPECT_TRUE(line.Help);
    EXPECT_FALSE(ParseCommandLine({"+d"}, table).Hidden);
}

TEST_F(Switches, AnUnknownLetterRejectsTheWholeLineNamingParameterAndLetters)
{
    // "+help" once hid the window, trashed every file and converted it to PAL.
    const CommandLine line = ParseCommandLine({"+d", "+help", "a.avi"}, table);
    EXPECT_NE(line.Error.find("+help"), std::string::npos) << line.Error;
    EXPECT_NE(line.Error.find("\"l\""), std::string::npos) << line.Error;
    EXPECT_TRUE(RunSwitches(line, table, {}).empty());
    // Letters are named in lower case, each once; every letter of the table is known.
    EXPECT_NE(ParseCommandLine({"+dLk"}, table).Error.find("\"lk\""), std::string::npos);
    EXPECT_TRUE(ParseCommandLine({"+etdqbr12npigszwx"}, table).Error.empty());
}
