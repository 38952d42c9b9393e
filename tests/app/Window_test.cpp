// The built morvel opening its window: a line without "h" needs a display and says so in one line
// when there is none; with one (offscreen here), the named files are listed, as the start-up trace
// reports before it closes the window; "h" still runs headless.
#include <gtest/gtest.h>

#include "app/Headless.h"
#include "tests/app/MorvelChild.h"
#include "tests/kit/media/DvClip.h"

using namespace apptest;
using V = std::vector<std::string>;

namespace {

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
const std::string kTrace = "QT_QPA_PLATFORM=offscreen MORVEL_STARTUP_TRACE=1";

// The trace's lines, Qt's own notes left out.
V TraceLines(const std::string& err)
{
    V lines;
    for (const std::string& line : Lines(err))
        if (line.rfind("morvel: ", 0) == 0)
            lines.push_back(line.substr(0, line.find_last_of(' ', line.size() - 4)));
    return lines;
}

} // namespace

TEST(WindowChild, WithoutADisplayALineWithoutHSaysSoInOneLine)
{
    MorvelChild morvel;
    for (const V& args : {V{}, V{"clip.avi"}, V{"+?"}, V{"+d", "clip.avi"}}) {
        const ChildRun run = morvel.Run(args, kNoDisplay);
        EXPECT_EQ(run.status, app::kExitRejected);
        ASSERT_EQ(Lines(run.err).size(), 1u) << run.err;
        EXPECT_EQ(Lines(run.err)[0].rfind("morvel: no display", 0), 0u) << run.err;
    }
    // A display named that is not there: Qt gives up, in one line too.
    const ChildRun absent = morvel.Run({"clip.avi"}, "env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:1999");
    EXPECT_EQ(absent.status, app::kExitRejected);
    EXPECT_EQ(Lines(absent.err), V{"morvel: the window cannot open: could not connect to display :1999"});
    EXPECT_TRUE(morvel.SavedNothing());
    // "h" needs none.
    const ChildRun hidden = morvel.Run({"+h?"}, kNoDisplay);
    EXPECT_EQ(hidden.status, app::kExitOk);
    EXPECT_NE(hidden.out.find("  +d  "), std::string::npos);
}

TEST(WindowChild, TheNamedFilesAreListedInTheWindow)
{
    MorvelChild morvel;
    testkit::DvClipSpec spec;
    spec.frames = 2;
    spec.distinctPictures = 1;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType2(morvel.home.file("a.avi"), clip));
    ASSERT_TRUE(testkit::WriteDvType1(morvel.home.file("B.AVI"), clip));
    const ChildRun run = morvel.Run({"a.avi", "B.AVI", "missing.avi"}, kTrace);
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    EXPECT_EQ(TraceLines(run.err), (V{"morvel: shown", "morvel: listed 2 files"})) << run.err;

    const ChildRun empty = morvel.Run({}, kTrace);
    EXPECT_EQ(empty.status, app::kExitOk) << empty.err;
    EXPECT_EQ(TraceLines(empty.err), (V{"morvel: shown", "morvel: listed 0 files"})) << empty.err;
}
