// Shell services on a desktop confined to a temporary home: trash, user folders, launchers.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "platform/shell/DesktopEntry.h"
#include "platform/shell/Prompter.h"
#include "platform/shell/Shell.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

namespace {

namespace fs = std::filesystem;

std::string PercentDecode(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = dir.path() / "home";
        fs::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (home / ".local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
    }
    testkit::TempDir dir;
    fs::path home;
};

TEST_F(ShellTest, TrashKeepsTheExactMixedCaseName)
{
    const fs::path video = home / "Video";
    fs::create_directories(video);
    testkit::WriteFileBytes((video / "Clip.AVI").string(), "upper");
    testkit::WriteFileBytes((video / "clip.avi").string(), "lower");

    ASSERT_TRUE(shell::MoveToTrash((video / "Clip.AVI").string()));

    EXPECT_FALSE(fs::exists(video / "Clip.AVI"));
    EXPECT_EQ(testkit::ReadFileBytes((video / "clip.avi").string()), "lower"); // its neighbour is untouched
    const fs::path trash = home / ".local/share/Trash";
    EXPECT_EQ(testkit::ReadFileBytes((trash / "files/Clip.AVI").string()), "upper");
    const std::string info = testkit::ReadFileBytes((trash / "info/Clip.AVI.trashinfo").string());
    const size_t at = info.find("Path=");
    ASSERT_NE(at, std::string::npos) << info;
    const std::string path = info.substr(at + 5, info.find('\n', at) - at - 5);
    EXPECT_EQ(PercentDecode(path), (video / "Clip.AVI").string());
    EXPECT_FALSE(shell::MoveToTrash((video / "Clip.AVI").string())); // gone already
    EXPECT_FALSE(shell::MoveToTrash(""));
}

TEST_F(ShellTest, WithoutAUsableTrashTheFileStaysWhereItIs)
{
    testkit::WriteFileBytes((home / "blocker").string(), "");
    setenv("XDG_DATA_HOME", (home / "blocker/share").c_str(), 1);
    const fs::path work = dir.path() / "work";
    fs::create_directories(work);
    const fs::path cwd = fs::current_path();
    fs::current_path(work);
    testkit::WriteFileBytes((home / "A.avi").string(), "keep");
    const bool trashed = shell::MoveToTrash((home / "A.avi").string());
    fs::current_path(cwd);
    EXPECT_FALSE(trashed);
    EXPECT_EQ(testkit::ReadFileBytes((home / "A.avi").string()), "keep");
    for (const auto& e : fs::recursive_directory_iterator(work))
        ADD_FAILURE() << e.path();
}

TEST_F(ShellTest, DocumentsFolderFollowsTheUserDirsAndFallsBackToHome)
{
    fs::create_directories(home / ".config");
    testkit::WriteFileBytes((home / ".config/user-dirs.dirs").string(), "XDG_DOCUMENTS_DIR=\"$HOME/Mes Documents\"\n");
    EXPECT_EQ(shell::DocumentsFolder(), home.string()); // named, but not there
    fs::create_directories(home / "Mes Documents");
    EXPECT_EQ(shell::DocumentsFolder(), (home / "Mes Documents").string());
    EXPECT_EQ(shell::ApplicationsFolder(), (home / ".local/share/applications").string());
}

TEST_F(ShellTest, ExecArgumentsAreQuotedAndPercentIsDoubled)
{
    shell::DesktopEntry e;
    e.name = "Morvel";
    e.comment = "Shortcut to Morvel";
    e.program = "/opt/my apps/100% \"DV\"/morvel";
    e.arguments = {"a$b\\c`d"};
    e.fieldCode = "%F";
    e.mimeTypes = {"video/x-msvideo", "video/avi"};
    EXPECT_EQ(shell::DesktopEntryText(e), "[Desktop Entry]\n"
                                          "Type=Application\n"
                                          "Version=1.0\n"
                                          "Name=Morvel\n"
                                          "Comment=Shortcut to Morvel\n"
                                          "Exec=\"/opt/my apps/100%% \\\\\"DV\\\\\"/morvel\" "
                                          "\"a\\\\$b\\\\\\\\c\\\\`d\" %F\n"
                                          "MimeType=video/x-msvideo;video/avi;\n"
                                          "Terminal=false\n");
}

// GLib's launcher reads the file independently: it must start exactly our program with exactly our
// arguments. (GLib looks the program up before expanding "%%", so the '%' is in an argument here.)
TEST_F(ShellTest, GioLaunchesTheExactProgramAndArguments)
{
    if (!testkit::HaveProgram("gio"))
        GTEST_SKIP() << "gio is not installed";
    const fs::path folder = home / "dv tools/$x \"q\" \\ back";
    fs::create_directories(folder);
    const fs::path out = home / "out.txt";
    const fs::path program = folder / "run";
    testkit::WriteFileBytes(program.string(), "#!/bin/sh\nprintf '%s|' \"$0\" \"$@\" > \"$HOME/out.txt\"\n");
    fs::permissions(program, fs::perms::owner_all);
    shell::DesktopEntry e;
    e.name = "Run";
    e.program = program.string();
    e.arguments = {"100% sure", "`tick` $HOME"};
    e.fieldCode = "%F";
    const std::string desktop = (home / "run.desktop").string();
    ASSERT_TRUE(shell::WriteDesktopEntry(desktop, e));
    const std::string clip = (home / "my clip.avi").string();
    std::string output;
    ASSERT_EQ(testkit::RunCommand("gio launch '" + desktop + "' '" + clip + "'", &output), 0) << output;
    for (int i = 0; i < 500 && !(fs::exists(out) && fs::file_size(out) > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testkit::ReadFileBytes(out.string()), program.string() + "|100% sure|`tick` $HOME|" + clip + "|");
}

TEST_F(ShellTest, DesktopFileWrittenWholeOrNotAtAll)
{
    shell::DesktopEntry e;
    e.name = "X";
    e.program = "/bin/true";
    const std::string path = (home / "apps/x.desktop").string();
    ASSERT_TRUE(shell::WriteDesktopEntry(path, e));
    EXPECT_EQ(testkit::ReadFileBytes(path), shell::DesktopEntryText(e));
    testkit::WriteFileBytes((home / "file").string(), "");
    EXPECT_FALSE(shell::WriteDesktopEntry((home / "file/x.desktop").string(), e));
    EXPECT_FALSE(shell::WriteDesktopEntry((home / "apps/").string(), e));
    e.name = "Y";
    {
        testkit::FileFault fault(testkit::FileFault::Step::SyncFile);
        EXPECT_FALSE(shell::WriteDesktopEntry(path, e));
    }
    EXPECT_NE(testkit::ReadFileBytes(path).find("Name=X\n"), std::string::npos);
    size_t files = 0;
    for ([[maybe_unused]] const auto& f : fs::directory_iterator(home / "apps"))
        ++files;
    EXPECT_EQ(files, 1u); // no temporary left behind
}

TEST_F(ShellTest, AStartedProgramGetsItsArgumentsUntouched)
{
    const fs::path out = home / "out file.txt";
    ASSERT_TRUE(shell::StartProgram("/bin/sh", {"-c", "printf '%s' \"$1\" > \"$2\"", "sh", "a b %F $x", out.string()}));
    for (int i = 0; i < 500 && !(fs::exists(out) && fs::file_size(out) > 0); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(testkit::ReadFileBytes(out.string()), "a b %F $x");
    EXPECT_FALSE(shell::StartProgram((home / "no such program").string(), {}));
}

TEST(Prompter, HiddenModeAnswersQuestionsAsToldAndNoticesWithOk)
{
    using namespace shell;
    StdErrPrompter no;
    StdErrPrompter yes(ModalResult::mrYes);
    testing::internal::CaptureStderr();
    EXPECT_EQ(no.MessageDlg("Delete?", MsgDlgType::mtWarning, mbYes | mbNo), ModalResult::mrNo);
    EXPECT_EQ(yes.MessageDlg("Delete?", MsgDlgType::mtWarning, mbYes | mbNo), ModalResult::mrYes);
    EXPECT_EQ(no.MessageDlg("Done.", MsgDlgType::mtInformation, mbOK), ModalResult::mrOk);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "morvel: warning: Delete?\nmorvel: warning: Delete?\nmorvel: note: Done.\n");
}

} // namespace
