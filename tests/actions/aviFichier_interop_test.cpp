// The analysis against ffmpeg: AVI files of ffmpeg's making, and ffprobe's reading of every
// fixture (streams, size, rate, duration).
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "actions/aviFichier.h"
#include "platform/rtl/FormatDateTime.h"
#include "tests/actions/AnalysisFiles.h"
#include "tests/media/MediaFiles.h"

using namespace actions;

namespace {

class AnalysisInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = new actionstest::AnalysisFiles(); }
    static void TearDownTestSuite() { delete files_; }
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffmpeg or ffprobe is missing";
    }
    static inline actionstest::AnalysisFiles* files_ = nullptr;
};

// ffprobe's "key=value" lines, quotes taken off.
std::map<std::string, std::string> Probe(const std::string& path)
{
    std::string out;
    testkit::RunCommand("ffprobe -v error -show_entries format=size,duration:stream=codec_type,width,height,"
                        "r_frame_rate,sample_rate -of flat '" +
                            path + "'",
                        &out);
    std::map<std::string, std::string> values;
    size_t start = 0;
    while (start < out.size()) {
        const size_t end = std::min(out.find('\n', start), out.size());
        const std::string line = out.substr(start, end - start);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) {
            std::string value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == '"')
                value = value.substr(1, value.size() - 2);
            values[line.substr(0, eq)] = value;
        }
        start = end + 1;
    }
    return values;
}

double Ratio(const std::string& text)
{
    const size_t slash = text.find('/');
    return std::stod(text.substr(0, slash)) / std::stod(text.substr(slash + 1));
}

} // namespace

TEST_F(AnalysisInterop, FfmpegsNonDvAviIsListedButNotDv)
{
    const TAfficherFichier f((*files_)["mjpeg.avi"]);
    EXPECT_EQ(f.Codec, "MJPG");
    EXPECT_FALSE(f.Valid);
    EXPECT_EQ(f.DVType, 0);
    EXPECT_EQ(f.Standard, 0);
    EXPECT_EQ(f.Image, "320 x 240");
    EXPECT_EQ(f.Height, 240);
    EXPECT_DOUBLE_EQ(f.Fps, 25.0);
    EXPECT_EQ(f.Duree, "1s 00fr");
    // ffmpeg writes PCM's 16-byte header without cbSize: the same description.
    EXPECT_EQ(f.Audio1, "44100赫兹 16 比特  单声道");
    EXPECT_EQ(f.AudioRate, 44100);
    EXPECT_EQ(f.AudioDuree, "1s 00fr");
    EXPECT_EQ(f.Datecode, "-");
    EXPECT_EQ(f.Timecode, "-");
    EXPECT_EQ(f.RecDateKey, "\xFE");
}

TEST_F(AnalysisInterop, AnAudioOnlyAviOfFfmpegShowsItsSound)
{
    // Its only stream is ffmpeg's 16-byte PCM: sound without picture, not DV.
    const TAfficherFichier f((*files_)["sound.avi"]);
    EXPECT_EQ(f.Image, "N/A");
    EXPECT_EQ(f.Audio1, "22050赫兹 16 比特  单声道");
    EXPECT_EQ(f.AudioDuree, "2s 000ms");
    EXPECT_EQ(f.Codec, "");
    EXPECT_EQ(f.Fps, 0);
    EXPECT_FALSE(f.Valid);
    EXPECT_EQ(f.RecDateKey, "\xFE");
}

TEST_F(AnalysisInterop, StreamsSizeRateAndDurationAgreeWithFfprobe)
{
    for (const auto& [name, path] : files_->files) {
        if (name == "cdvc1.avi")
            continue; // ffmpeg does not read the "CDVC" code
        SCOPED_TRACE(name);
        const TAfficherFichier f(path);
        auto p = Probe(path);
        ASSERT_FALSE(p.empty());
        EXPECT_EQ(std::to_string(f.Size()), p["format.size"]);
        bool video = false, audio = false;
        for (int i = 0; p.count("streams.stream." + std::to_string(i) + ".codec_type"); ++i) {
            const std::string s = "streams.stream." + std::to_string(i) + ".";
            if (p[s + "codec_type"] == "video" && !video) {
                video = true;
                EXPECT_EQ(std::to_string(f.Width), p[s + "width"]);
                if (!f.Valid) { // DV heights are display heights
                    EXPECT_EQ(std::to_string(f.Height), p[s + "height"]);
                }
                EXPECT_NEAR(f.Fps, Ratio(p[s + "r_frame_rate"]), 0.005);
                EXPECT_NEAR(f.VideoDuration / 1e7, std::stod(p["format.duration"]), 1 / f.Fps);
            } else if (p[s + "codec_type"] == "audio" && !audio) {
                audio = true;
                EXPECT_EQ(std::to_string(f.AudioRate), p[s + "sample_rate"]);
                EXPECT_NEAR(f.AudioDuration / 1e7, std::stod(p["format.duration"]), 0.05);
            }
        }
        EXPECT_EQ(video, f.Image != "N/A");
        EXPECT_EQ(audio, f.Audio1 != "N/A");
    }
}

// DV that ffmpeg dated and time-coded, wrapped by the kit's writers: the analysis shows the first
// frame's date and time code as ffmpeg wrote them, and as MediaInfo reads the date where it can.
TEST(AnalysisDatedByFfmpeg, FirstFrameDateAndTimeCodeAgreeWithFfmpegAndMediaInfo)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    const bool mediainfo = testkit::HaveProgram("mediainfo");
    for (const bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        testkit::TempDir dir;
        const std::string raw = dir.file("dated.dv");
        ASSERT_EQ(0, testkit::RunCommand(std::string("ffmpeg -v error -f lavfi -i testsrc=size=") +
                                         (pal ? "720x576:rate=25" : "720x480:rate=30000/1001") +
                                         ":duration=0.4 -f lavfi -i sine=sample_rate=48000:duration=0.4 -pix_fmt " +
                                         (pal ? "yuv420p" : "yuv411p") +
                                         " -ac 2 -metadata creation_time=2011-05-06T07:08:09Z -timecode 01:02:03:04 "
                                         "-f dv " +
                                         mediatest::Quoted(raw)));
        const std::string bytes = testkit::ReadFileBytes(raw);
        const size_t frameSize = pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
        testkit::DvClip clip;
        clip.pal = pal;
        clip.sound = false;
        for (size_t at = 0; at + frameSize <= bytes.size(); at += frameSize)
            clip.frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(at + frameSize));
        ASSERT_FALSE(clip.frames.empty());
        ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
        ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
        for (const char* name : {"t1.avi", "t2.avi"}) {
            SCOPED_TRACE(name);
            const std::string path = dir.file(name);
            const TAfficherFichier f(path);
            EXPECT_TRUE(f.Valid);
            EXPECT_EQ(f.Standard, pal ? 1 : 2);
            EXPECT_EQ(f.RecDateKey, "20110506070809");
            EXPECT_EQ(f.Timecode, "01.02.03.04");
            const std::string date =
                mediainfo
                    ? mediatest::ToolOutput("mediainfo --Inform=\"General;%Recorded_Date%\" " + mediatest::Quoted(path))
                    : std::string();
            if (date.size() >= 19) {
                EXPECT_EQ(date.substr(0, 19), rtl::FormatDateTime("yyyy-mm-dd hh:nn:ss", f.RecDate));
            }
        }
    }
}
