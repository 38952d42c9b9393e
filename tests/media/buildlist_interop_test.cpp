// The probe against independent readers: durations as ffprobe gives them, and the first frame's
// recording date as MediaInfo reads it from DV that ffmpeg's DV muxer dated.
#include "media/buildlist.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "platform/rtl/FormatDateTime.h"
#include "tests/media/MediaFiles.h"
#include "tests/media/ProbeFixtures.h"

namespace {

using namespace probetest;
using mediatest::Quoted;
using mediatest::ToolOutput;

// ffprobe's duration in seconds of the first stream of a kind; the file's when the stream has
// none (the streams ffmpeg finds inside an interleaved DV stream). NaN when it says nothing.
double FfprobeDuration(const std::string& path, const std::string& kind)
{
    std::istringstream lines(ToolOutput("ffprobe -v error -show_entries stream=codec_type,duration:format=duration "
                                        "-of default=nw=1 " +
                                        Quoted(path)));
    std::string line, section; // the codec type of the stream being read, "format" after the streams
    double stream = std::nan(""), file = std::nan("");
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_type") {
            section = value;
        } else if (key == "duration") {
            const double seconds = value == "N/A" ? std::nan("") : std::atof(value.c_str());
            if (section == kind && std::isnan(stream))
                stream = seconds;
            else if (section == "format")
                file = seconds;
            section = "format"; // the file's duration comes last, alone
        }
    }
    return std::isnan(stream) ? file : stream;
}

TEST(ProbeInterop, DurationsAgreeWithFfprobe)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(30);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    for (const char* name : {"t1.avi", "t2.avi"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        const media::ProbeResult r = media::dmList().ProbeFile(path);
        ASSERT_TRUE(r.ok);
        EXPECT_NEAR(FfprobeDuration(path, "video"), r.ListVideoDuration / 1e7, 0.001);
        EXPECT_NEAR(FfprobeDuration(path, "audio"), r.ListAudioDuration / 1e7, 0.001);
    }
}

TEST(ProbeInterop, FirstFrameDateAgreesWithMediaInfoOnDvDatedByFfmpeg)
{
    if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("mediainfo"))
        GTEST_SKIP() << "ffmpeg or mediainfo not installed";
    testkit::TempDir dir;
    const std::string raw = dir.file("dated.dv");
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=720x576:rate=25:duration=0.4 -f lavfi "
                                     "-i sine=sample_rate=48000:duration=0.4 -pix_fmt yuv420p -ac 2 "
                                     "-metadata creation_time=2011-05-06T07:08:09Z -f dv " +
                                     Quoted(raw)));
    const std::string bytes = testkit::ReadFileBytes(raw);
    testkit::DvClip clip;
    clip.sound = false;
    for (size_t at = 0; at + formats::kPalFrameSize <= bytes.size(); at += formats::kPalFrameSize)
        clip.frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + formats::kPalFrameSize));
    ASSERT_EQ(10u, clip.frames.size());
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    for (const char* name : {"t1.avi", "t2.avi"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        std::string date = ToolOutput("mediainfo --Inform=\"General;%Recorded_Date%\" " + Quoted(path));
        ASSERT_GE(date.size(), 19u) << date;
        const media::ProbeResult r = media::dmList().ProbeFile(path);
        ASSERT_TRUE(r.ListDateValid);
        EXPECT_EQ(date.substr(0, 19), rtl::FormatDateTime("yyyy-mm-dd hh:nn:ss", r.ListRecDate));
        EXPECT_EQ("2011-05-06 07:08:09", date.substr(0, 19));
    }
}

} // namespace
