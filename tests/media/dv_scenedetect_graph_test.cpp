// The scene-scan graph built by hand (File Source, AVI Splitter, scene detector, Null Renderer)
// over type-1 and type-2 files whose dates jump both ways, disappear and come back, and whose
// picture turns 16:9: the scene writers' files come out exact, and ffprobe counts the subtitles.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/scenes.h"
#include "media/dv_scenedetect.h"
#include "platform/filters/NullRenderer.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "tests/filters/ContainerGraph.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;
using ds::S_OK;
using formats::DVFrameInfo;

namespace {

const rtl::TDateTime kNow = rtl::EncodeDateTime(2007, 1, 2, 3, 4, 5, 0);

testkit::DvClip Piece(int frames, int year, int month, int day, int hour, int minute, int second, bool wide = false)
{
    testkit::DvClipSpec spec;
    spec.frames = frames;
    spec.year = year;
    spec.month = month;
    spec.day = day;
    spec.hour = hour;
    spec.minute = minute;
    spec.second = second;
    spec.wide = wide;
    spec.distinctPictures = 2;
    return testkit::MakeDvClip(spec);
}

// Scenes [0,30) [30,50) jumped forward, [50,70) jumped back, [70,90) undated, [90,110) dated
// again, [110,130) in 16:9.
testkit::DvClip SceneClip()
{
    testkit::DvClip clip = Joined({Piece(30, 2006, 12, 31, 23, 59, 50), Piece(20, 2007, 1, 1, 10, 0, 0),
                                   Piece(20, 2006, 12, 31, 8, 0, 0), Piece(20, 2006, 12, 31, 8, 0, 0),
                                   Piece(20, 2006, 12, 31, 9, 0, 0), Piece(20, 2006, 12, 31, 9, 0, 1, true)});
    WithoutDates(clip, 70, 90);
    return clip;
}

// Runs the scan with the three writers listening, as the scene-list, scene-text and subtitle
// actions install them (here all at once).
void Scan(const std::string& video)
{
    auto detector = std::make_shared<media::Tdv_sceneDetect>();
    formats::ScnFileWriter scn;
    formats::ScnTxtWriter txt;
    formats::SrtFileWriter srt;
    ASSERT_TRUE(scn.OpenScnFile(video));
    ASSERT_TRUE(txt.OpenScnTxt(video, {25.0, "0.1", "dd/mm/yyyy hh:nn:ss"}));
    ASSERT_TRUE(srt.OpenSrtFile(video));
    detector->SetOnScene([&](const DVFrameInfo& start, const DVFrameInfo& current) {
        scn.WriteScnScene(start, current);
        txt.WriteScnTxtLine(start, current);
    });
    detector->SetOnDatecodeText([&](const DVFrameInfo& r, const std::string& a, const std::string& b) {
        srt.AddSrtEntry(r, a, b, detector->FrameDuration());
    });
    detector->SetOnEnd([&] {
        EXPECT_TRUE(scn.CloseScnFile());
        EXPECT_TRUE(txt.CloseScnTxt());
        EXPECT_TRUE(srt.CloseSrtFile());
    });
    detector->SetAutoIncrust(0);
    detector->SetIncrustFormats("dd/mm/yyyy", "hh:nn:ss");

    containertest::Graph g;
    auto null = std::make_shared<ds::NullRenderer>();
    ASSERT_TRUE(g.Load(video));
    g.graph->AddFilter(detector, "scenedetect");
    g.graph->AddFilter(null, "nullrender");
    bool connected = false;
    for (int i = 0; i + 1 < g.splitter->GetPinCount() && !connected; ++i)
        connected = g.graph->ConnectDirect(g.splitter->GetPin(i), detector->GetPin(0)) == S_OK;
    ASSERT_TRUE(connected);
    ASSERT_EQ(g.graph->Connect(detector->GetPin(1), null->GetPin(0)), S_OK);
    ASSERT_EQ(g.RunToEnd(), ds::EC_COMPLETE);
}

// The ".scn" the scene list must be: the writer given the scenes' frames.
std::string ExpectedScn(const std::string& video, const std::vector<uint32_t>& starts, uint32_t end)
{
    formats::ScnFileWriter scn;
    EXPECT_TRUE(scn.OpenScnFile(video));
    for (size_t i = 0; i < starts.size(); ++i) {
        DVFrameInfo start, current;
        start.Frame = starts[i];
        current.Frame = i + 1 < starts.size() ? starts[i + 1] : end;
        scn.WriteScnScene(start, current);
    }
    EXPECT_TRUE(scn.CloseScnFile());
    const std::string bytes = testkit::ReadFileBytes(formats::ScnFileName(video));
    std::filesystem::remove(formats::ScnFileName(video));
    return bytes;
}

std::string ExpectedTxt(const std::string& video)
{
    const std::string rule = "//--------------------------------------------------";
    const std::vector<std::string> lines = {
        rule,
        "// List of scenes of the video file:",
        "//",
        "// ***   " + rtl::LowerCase(video) + "   ***",
        "//",
        "// exported by Morvel version 0.1 En",
        "// with format:",
        "// scene number, start, end, datecode, timecode, duration",
        "//",
        rule,
        "",
        "  1,00.00.00.00,00.00.01.05,31/12/2006 23:59:50,0:00:00:00,00.00.01.05",
        "  2,00.00.01.05,00.00.02.00,01/01/2007 10:00:00,0:00:00:00,00.00.00.20",
        "  3,00.00.02.00,00.00.02.20,31/12/2006 08:00:00,0:00:00:00,00.00.00.20",
        "  4,00.00.02.20,00.00.03.15,,0:00:00:00,00.00.00.20",
        "  5,00.00.03.15,00.00.04.10,31/12/2006 09:00:00,0:00:00:00,00.00.00.20",
        "  6,00.00.04.10,00.00.05.05,31/12/2006 09:00:01,0:00:00:00,00.00.00.20",
        "",
        rule,
        "// Terminated on " + rtl::FormatDateTime("dddddd 'at' hh:mm:ss", kNow),
        "//",
    };
    std::string text;
    for (const auto& l : lines)
        text += l + "\r\n";
    return text;
}

class SceneScanGraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::SetClock([] { return kNow; });
    }
    void TearDown() override { rtl::SetClock({}); }
    testkit::TempDir dir;
};

TEST_F(SceneScanGraph, JumpsLostAndReturnedDatesAndA16By9SwitchMakeExactSceneFiles)
{
    const testkit::DvClip clip = SceneClip();
    for (int type : {1, 2}) {
        const std::string video = dir.file("Clip" + std::to_string(type) + ".avi");
        ASSERT_TRUE(type == 1 ? testkit::WriteDvType1(video, clip) : testkit::WriteDvType2(video, clip));
        const std::string scn = ExpectedScn(video, {0, 30, 50, 70, 90, 110}, 130);
        Scan(video);
        EXPECT_EQ(testkit::ReadFileBytes(formats::ScnFileName(video)), scn) << type;
        EXPECT_EQ(testkit::ReadFileBytes(formats::ScnTxtFileName(video)), ExpectedTxt(video)) << type;
        if (!testkit::HaveProgram("ffprobe"))
            continue;
        // Two seconds in the first scene, one in each dated scene after it, none while undated.
        EXPECT_EQ(ToolOutput("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 " +
                             Quoted(formats::SrtFileName(video))),
                  "6\n")
            << type;
    }
}

} // namespace
