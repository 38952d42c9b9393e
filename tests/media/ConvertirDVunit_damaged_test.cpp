// Damaged files through the conversion builders: a type-1 NTSC file whose DVINFO is missing or
// says 50 lines, type-2 files whose idx1 disagrees with the chunks, and sources without a whole
// frame or a sound chunk. Every output that completes holds, by ffprobe, the frames the source
// holds; a run with nothing to write fails, says why, and leaves nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "formats/scenes.h"
#include "tests/kit/FileFault.h"
#include "tests/media/AviFileStreams.h"
#include "tests/media/DamagedFiles.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

bool HaveTools()
{
    return testkit::HaveProgram("ffprobe") && ds::FilterRegistry::Instance().Find("DV Video Decoder") != nullptr;
}

// The video frames ffprobe decodes from a file (its first video stream; interleaved DV reads as one).
int FfprobeFrames(const std::string& path)
{
    return std::atoi(ToolOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_read_frames -of csv=p=0 " +
                                Quoted(path))
                         .c_str());
}

// Seconds of the first sound stream, by ffprobe.
double FfprobeSoundSeconds(const std::string& path)
{
    return std::atof(ToolOutput("ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time "
                                "-of csv=p=0 " +
                                Quoted(path) + " | awk -F, 'END { print $1 + $2 }'")
                         .c_str());
}

using Builder = bool (TCdm::*)(const std::string&, const std::string&);
using StandardBuilder = bool (TCdm::*)(const std::string&, const std::string&, uint8_t);

// A scene scan of `video`: the frames the detector saw, or -1 when the run did not complete.
int ScannedFrames(TCdm& cdm, const std::string& video)
{
    if (!cdm.BuildSceneGraph(video))
        return -1;
    uint32_t frames = 0;
    cdm.CdmSceneDetect->SetOnScene(
        [&](const formats::DVFrameInfo&, const formats::DVFrameInfo& current) { frames = current.Frame; });
    return RunToEnd(cdm).kind == ConversionOutcome::Completed ? static_cast<int>(frames) : -1;
}

} // namespace

// The DV Splitter stands behind the scene detector here: it takes the system from the frames.
TEST(DamagedDvInfo, AType1NtscFileConvertsWholeWhetherItsDvInfoIsMissingOrSays50Lines)
{
    if (!HaveTools())
        GTEST_SKIP() << "ffprobe or the codec filters missing";
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(false, 12);
    const std::pair<const char*, std::vector<uint8_t>> infos[] = {{"none", {}},
                                                                  {"50 lines", damaged::Pal50Lines(clip)}};
    TCdm cdm;
    for (const auto& [what, info] : infos) {
        SCOPED_TRACE(what);
        const std::string in = dir.file("ntsc.avi");
        ASSERT_TRUE(damaged::WriteType1(in, clip, info));
        const struct {
            const char* name;
            StandardBuilder build;
            uint8_t standard;
        } reencodes[] = {{"to PAL", &TCdm::BuildStandardGraphType1, 1}, {"burn-in", &TCdm::BuildDatecodeGraphType1, 1}};
        for (const auto& r : reencodes) {
            const std::string out = dir.file(std::string(r.name) + ".avi");
            ASSERT_TRUE((cdm.*r.build)(in, out, r.standard)) << r.name;
            ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << r.name;
            EXPECT_GE(FfprobeFrames(out), r.build == &TCdm::BuildDatecodeGraphType1 ? 12 : 10) << r.name;
        }
        ASSERT_TRUE(cdm.BuildType2Graph(in, dir.file("type2.avi")));
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_EQ(FfprobeFrames(dir.file("type2.avi")), 12);
        EXPECT_EQ(AviFileStreams(dir.file("type2.avi")).Chunks(0), clip.frames);
        ASSERT_TRUE(cdm.BuildAudioExtractGraph(in, dir.file("sound.wav")));
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_NEAR(FfprobeSoundSeconds(dir.file("sound.wav")), 12 * 1001 / 30000.0, 0.01);
        EXPECT_EQ(ScannedFrames(cdm, in), 12);
    }
}

// idx1 entries that disagree with the chunks they point at are read by the chunks' headers; an
// idx1 that mostly disagrees is passed over for the movie data itself.
TEST(DamagedIndex, EveryCopyAndReEncodeKeepsTheFramesTheFileHolds)
{
    if (!HaveTools())
        GTEST_SKIP() << "ffprobe or the codec filters missing";
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(true, 15);
    ASSERT_TRUE(damaged::WriteType2(dir.file("whole.avi"), clip));
    const std::string whole = testkit::ReadFileBytes(dir.file("whole.avi"));
    const struct {
        const char* what;
        std::function<void(int, uint32_t, uint32_t&, uint32_t&)> edit;
    } damages[] = {
        {"every frame's size",
         [](int, uint32_t id, uint32_t&, uint32_t& size) { size += damaged::IsVideoEntry(id) ? 8 : 0; }},
        {"one frame's size", [](int k, uint32_t, uint32_t&, uint32_t& size) { size = k == 6 ? 100000 : size; }},
        {"one offset", [](int k, uint32_t, uint32_t& offset, uint32_t&) { offset += k == 8 ? 3 : 0; }},
        {"every offset", [](int, uint32_t, uint32_t& offset, uint32_t&) { offset += 2; }},
    };
    const struct {
        const char* name;
        Builder build;
    } builders[] = {{"type 1", &TCdm::BuildType1Graph},
                    {"repair", &TCdm::BuildType2FixGraph},
                    {"date shift", &TCdm::BuildTimeShiftGraph}};
    TCdm cdm;
    for (const auto& d : damages) {
        SCOPED_TRACE(d.what);
        const std::string in = dir.file("damaged.avi");
        testkit::WriteFileBytes(in, damaged::WithIdx1(whole, d.edit));
        // One entry pointing nowhere leaves its frame out, as a gap; the others keep every frame.
        const int expected = std::string(d.what) == "one offset" ? 14 : 15;
        for (const auto& b : builders) {
            const std::string out = dir.file(std::string(b.name) + ".avi");
            ASSERT_TRUE((cdm.*b.build)(in, out)) << b.name;
            ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << b.name;
            EXPECT_EQ(FfprobeFrames(out), expected) << b.name;
        }
        ASSERT_TRUE(cdm.BuildDatecodeGraphType2(in, dir.file("burnt.avi"), 1));
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_EQ(FfprobeFrames(dir.file("burnt.avi")), 15); // a gap is filled by the picture before
        EXPECT_EQ(ScannedFrames(cdm, in), expected);
        ASSERT_TRUE(cdm.BuildAudioExtractGraph(in, dir.file("sound.wav")));
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_NEAR(FfprobeSoundSeconds(dir.file("sound.wav")), 0.6, 0.01);
    }
}

// A header that promises what the movie data lacks: the run fails, says so, and leaves the folder
// as it was (an older scene file included).
TEST(DamagedContent, NoWholeFrameOrNoSoundFailsAndWritesNothing)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(true, 10);
    ASSERT_TRUE(damaged::WriteType1(dir.file("cut1.avi"), clip, testkit::DvInterleavedSpec(clip).format, 100000));
    ASSERT_TRUE(damaged::WriteType2(dir.file("cut2.avi"), clip, true, 100000));
    ASSERT_TRUE(damaged::WriteType2(dir.file("mute.avi"), clip, false));
    testkit::WriteFileBytes(formats::ScnFileName(dir.file("cut1.avi")), "older scenes");
    const std::vector<std::string> before = FolderNames(dir.path());
    const std::string frame = "holds no readable frame", sound = "holds no readable sound";
    const struct {
        const char* source;
        Builder build;
        const char* said;
    } cases[] = {
        {"cut1", &TCdm::BuildType2Graph, "frame"},     {"cut1", &TCdm::BuildTimeShiftGraph, "frame"},
        {"cut2", &TCdm::BuildType1Graph, "frame"},     {"cut2", &TCdm::BuildType2FixGraph, "frame"},
        {"cut2", &TCdm::BuildTimeShiftGraph, "frame"}, {"mute", &TCdm::BuildAudioExtractGraph, "sound"},
    };
    TCdm cdm;
    for (const auto& c : cases) {
        const std::string in = dir.file(std::string(c.source) + ".avi"), out = dir.file("out.avi");
        ASSERT_TRUE((cdm.*c.build)(in, out)) << c.source;
        const ConversionOutcome outcome = RunToEnd(cdm);
        EXPECT_EQ(outcome.kind, ConversionOutcome::Failed) << c.source;
        EXPECT_NE(outcome.text.find(std::string("holds no readable ") + c.said), std::string::npos) << outcome.text;
        EXPECT_NE(outcome.text.find(out), std::string::npos) << outcome.text;
    }
    if (HaveTools()) {
        for (StandardBuilder build : {&TCdm::BuildStandardGraphType1, &TCdm::BuildDatecodeGraphType1}) {
            ASSERT_TRUE((cdm.*build)(dir.file("cut1.avi"), dir.file("out.avi"), 1));
            EXPECT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Failed);
        }
    }
    formats::ScnFileWriter scn;
    ASSERT_TRUE(cdm.BuildSceneGraph(dir.file("cut1.avi")));
    ASSERT_TRUE(scn.OpenScnFile(dir.file("cut1.avi")));
    cdm.CdmSceneDetect->SetOnScene(
        [&](const formats::DVFrameInfo& s, const formats::DVFrameInfo& c) { scn.WriteScnScene(s, c); });
    SetScnEnd(cdm, scn, dir.file("cut1.avi"));
    const ConversionOutcome scan = RunToEnd(cdm);
    EXPECT_EQ(scan.kind, ConversionOutcome::Failed);
    EXPECT_EQ(scan.text, "The file holds nothing that could be processed.");
    EXPECT_EQ(FolderNames(dir.path()), before);
    EXPECT_EQ(testkit::ReadFileBytes(formats::ScnFileName(dir.file("cut1.avi"))), "older scenes");

    // What the damage leaves readable still converts.
    ASSERT_TRUE(cdm.BuildAudioExtractGraph(dir.file("cut2.avi"), dir.file("cut2.wav")));
    EXPECT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    ASSERT_TRUE(cdm.BuildType1Graph(dir.file("mute.avi"), dir.file("mute1.avi")));
    EXPECT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    if (testkit::HaveProgram("ffprobe"))
        EXPECT_EQ(FfprobeFrames(dir.file("mute1.avi")), 10);
}

// A WAV extraction whose writer keeps no file says why in words, never by a bare code.
TEST(DamagedContent, AWavFileThatCannotBeWrittenSaysWhyInWords)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(true, 5);
    ASSERT_TRUE(damaged::WriteType2(dir.file("in.avi"), clip));
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildAudioExtractGraph(dir.file("in.avi"), dir.file("in.wav")));
    testkit::FileFault fault(testkit::FileFault::Step::Write, EIO);
    const ConversionOutcome outcome = RunToEnd(cdm);
    EXPECT_EQ(outcome.kind, ConversionOutcome::Failed);
    EXPECT_EQ(outcome.text, "Input/output error: \"" + dir.file("in.wav") + "\" was not written.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("in.wav")));
}
