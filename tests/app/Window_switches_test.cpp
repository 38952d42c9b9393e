// The built morvel running switches in its window (offscreen here): they take the command line's
// files only, even with a default play list of others; "m" asks nothing, "c" ends the program after
// the last batch with the run's status; "?" runs nothing; "h" needs no window at all. Both runs
// write the version in the scene text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/Headless.h"
#include "platform/registry/HiveFile.h"
#include "settings/Preferences.h"
#include "tests/app/MorvelChild.h"
#include "tests/kit/media/DvClip.h"
#include "tests/media/MediaFiles.h"

using namespace apptest;
using V = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

const std::string kOffscreen = "QT_QPA_PLATFORM=offscreen";

class WindowSwitches : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(morvel.home.path() / "tapes");
        fs::create_directory(morvel.home.path() / "lists");
    }
    // A dated DV file of `frames` frames in the tapes folder.
    std::string Dv(const std::string& name, int year, int frames = 3)
    {
        testkit::DvClipSpec spec;
        spec.frames = frames;
        spec.distinctPictures = 1;
        spec.year = year;
        const std::string path = Tape(name);
        EXPECT_TRUE(testkit::WriteDvType2(path, testkit::MakeDvClip(spec)));
        return path;
    }
    std::string Tape(const std::string& name) const { return morvel.home.file("tapes/" + name); }
    V Tapes() const
    {
        V names;
        for (const auto& e : fs::directory_iterator(morvel.home.path() / "tapes"))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The child's settings: the default play list holds `paths` and is loaded at start.
    void DefaultList(const V& paths)
    {
        std::string text;
        for (const std::string& p : paths)
            text += "     " + p + "\r\n";
        testkit::WriteFileBytes(morvel.home.file("lists/PlayList.txt"), text);
        const char* old = std::getenv("MORVEL_REGISTRY_DIR");
        const std::string kept = old ? old : "";
        setenv("MORVEL_REGISTRY_DIR", morvel.home.file("registry").c_str(), 1);
        reg::ReloadHives();
        settings::LoadPreferences({});
        settings::SauverListeEnQuittant = true;
        settings::DossierDesPlayList = morvel.home.file("lists") + "/";
        settings::SavePreferences();
        kept.empty() ? unsetenv("MORVEL_REGISTRY_DIR") : setenv("MORVEL_REGISTRY_DIR", kept.c_str(), 1);
        reg::ReloadHives();
    }

    MorvelChild morvel;
};

} // namespace

TEST_F(WindowSwitches, TheSwitchesTakeTheCommandLinesFilesOnlyAndCEndsTheProgram)
{
    Dv("a.avi", 2005);
    Dv("b.avi", 2006);
    Dv("c.avi", 2007);
    Dv("d.avi", 2008);
    DefaultList({Tape("c.avi"), Tape("d.avi")});
    const ChildRun run = morvel.Run({"+dmc", "tapes/a.avi", "tapes/b.avi"}, kOffscreen);
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const V tapes = Tapes();
    ASSERT_EQ(tapes.size(), 4u);
    EXPECT_EQ(tapes[0].rfind("a_2005.", 0), 0u) << tapes[0];
    EXPECT_EQ(tapes[1].rfind("b_2006.", 0), 0u) << tapes[1];
    EXPECT_EQ(tapes[2], "c.avi");
    EXPECT_EQ(tapes[3], "d.avi");
}

TEST_F(WindowSwitches, CEndsTheProgramAfterTheBurnInWithItsOutputInPlace)
{
    Dv("a.avi", 2005, 25);
    const ChildRun run = morvel.Run({"+ci", "tapes/a.avi"}, kOffscreen);
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    EXPECT_EQ(Tapes(), (V{"a.avi", "a_in.avi"}));
    EXPECT_EQ(mediatest::ProbedFrames(Tape("a_in.avi")), 25);

    // A named file that is no AVI file fails the run, as without a window.
    const ChildRun failed = morvel.Run({"+dmc", "tapes/a.avi", "tapes/none.avi"}, kOffscreen);
    EXPECT_EQ(failed.status, app::kExitFailed) << failed.err;
    EXPECT_EQ(Tapes().size(), 2u);
}

TEST_F(WindowSwitches, HelpRunsNothingAndHNeedsNoWindow)
{
    Dv("a.avi", 2005);
    const ChildRun help = morvel.Run({"+c", "+?", "tapes/a.avi"}, kOffscreen);
    EXPECT_EQ(help.status, app::kExitOk) << help.err;
    EXPECT_EQ(Tapes(), V{"a.avi"});

    const ChildRun hidden = morvel.Run({"+hd", "tapes/a.avi"}, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(hidden.status, app::kExitOk) << hidden.err;
    ASSERT_EQ(Tapes().size(), 1u);
    EXPECT_EQ(Tapes()[0].rfind("a_2005.", 0), 0u) << Tapes()[0];
}

// The scene text names the program's version whether the window wrote it or the run without one.
TEST_F(WindowSwitches, TheSceneTextNamesTheVersionWithAWindowAndWithout)
{
    Dv("a.avi", 2005);
    Dv("b.avi", 2006);
    const ChildRun window = morvel.Run({"+xmc", "tapes/a.avi"}, kOffscreen);
    EXPECT_EQ(window.status, app::kExitOk) << window.err;
    const ChildRun hidden = morvel.Run({"+hx", "tapes/b.avi"}, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(hidden.status, app::kExitOk) << hidden.err;
    for (const char* name : {"a_scn.txt", "b_scn.txt"}) {
        SCOPED_TRACE(name);
        const std::string text = testkit::ReadFileBytes(Tape(name));
        V lines;
        for (size_t start = 0, end = 0; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        ASSERT_GE(lines.size(), 9u) << text;
        EXPECT_EQ(lines[5], "// exported by Morvel version 1.0.1 En");
    }
}
