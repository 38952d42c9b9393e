// The conversion module's stream copies as the Debian tools see them: the layout by ffprobe and
// the recording date by mediainfo, for kit clips and for DV that ffmpeg's own muxer made.
#include <gtest/gtest.h>

#include "tests/media/AviFileStreams.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

std::string Probe(const std::string& path)
{
    return ToolOutput("ffprobe -v error -count_packets -show_entries "
                      "stream=codec_type,codec_name,width,height,r_frame_rate,nb_read_packets,sample_rate,channels "
                      "-of csv=p=0 " +
                      Quoted(path));
}

std::string RecordedDate(const std::string& path)
{
    std::string out = ToolOutput("mediainfo --Inform=\"General;%Recorded_Date%\" " + Quoted(path));
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// Two seconds of PAL DV from ffmpeg's muxer (which dates the frames from creation_time), as a
// kit clip without sound of its own: the frames carry ffmpeg's.
testkit::DvClip FfmpegDv(const testkit::TempDir& dir)
{
    const std::string raw = dir.file("ffmpeg.dv");
    testkit::RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=r=48000 -t 2 "
                        "-metadata creation_time=2011-07-14T09:30:15 -c:v dvvideo -pix_fmt yuv420p -c:a pcm_s16le "
                        "-ac 2 -f dv -y " +
                        Quoted(raw));
    const std::string bytes = testkit::ReadFileBytes(raw);
    testkit::DvClip clip;
    clip.sound = false;
    for (size_t at = 0; at + formats::kPalFrameSize <= bytes.size(); at += formats::kPalFrameSize)
        clip.frames.emplace_back(bytes.begin() + at, bytes.begin() + at + formats::kPalFrameSize);
    return clip;
}

TEST(StreamCopyInterop, FfprobeSeesTheLayoutAndMediainfoTheDateOfEveryCopy)
{
    if (!testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("mediainfo"))
        GTEST_SKIP() << "ffprobe or mediainfo not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 50;
    spec.distinctPictures = 4;
    testkit::DvClip kit = testkit::MakeDvClip(spec);
    WithCameraDates(kit);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("kit1.avi"), kit));
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("kit2.avi"), kit));
    const testkit::DvClip ff = FfmpegDv(dir);
    ASSERT_EQ(ff.frames.size(), 50u);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("ff1.avi"), ff));
    const std::string video = "dvvideo,video,720,576,25/1,50\n";
    const std::string sound = "pcm_s16le,audio,48000,2,0/0,";
    TCdm cdm;
    struct Case {
        std::string source;
        bool (TCdm::*build)(const std::string&, const std::string&);
        bool type2; // the output: separate streams
    } cases[] = {
        {"kit1", &TCdm::BuildType2Graph, true},    {"kit2", &TCdm::BuildType1Graph, false},
        {"kit2", &TCdm::BuildType2FixGraph, true}, {"kit1", &TCdm::BuildTimeShiftGraph, false},
        {"ff1", &TCdm::BuildType2Graph, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string in = dir.file(c.source + ".avi"), out = dir.file("out" + std::to_string(n++) + ".avi");
        ASSERT_TRUE((cdm.*c.build)(in, out)) << out;
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << out;
        const std::string layout = Probe(out);
        EXPECT_EQ(layout.rfind(video, 0), 0u) << out << "\n" << layout; // interleaved DV reads as its video
        EXPECT_NE(layout.find(sound), std::string::npos) << out << "\n" << layout;
        EXPECT_EQ(AviFileStreams(out).Count(), c.type2 ? 2u : 1u) << out;
        EXPECT_EQ(RecordedDate(out), RecordedDate(in)) << out;
        EXPECT_FALSE(RecordedDate(out).empty()) << out;
        EXPECT_EQ(ToolOutput("ffmpeg -v error -i " + Quoted(out) + " -f null - 2>&1"), "") << out;
    }
}

} // namespace
