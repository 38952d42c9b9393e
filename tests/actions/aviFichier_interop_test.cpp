// The analysis against ffmpeg: AVI files of ffmpeg's making, and ffprobe's reading of every
// fixture (streams, size, rate, duration), and its frame counts in the duration texts.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "actions/aviFichier.h"
#include "formats/DSFunctions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "tests/actions/AnalysisFiles.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
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

// The duration text of `frames` frames of `scale`/`rate` seconds, worked out in exact fractions:
// the whole seconds, then the frames of the second begun, to the nearest; within half a frame of
// the next whole second, that second.
std::string ExactDurationText(int64_t frames, int64_t rate, int64_t scale)
{
    int64_t seconds = frames * scale / rate;
    const int64_t rest = frames * scale % rate; // rest / scale frames into the second begun
    int64_t part = (2 * rest + scale) / (2 * scale);
    if (rest > 0 && 2 * (rate - rest) <= scale) {
        ++seconds;
        part = 0;
    }
    const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return rtl::Format("%dh %.2dmn %.2ds %.2dfr", h, m, s, part);
    if (m > 0)
        return rtl::Format("%dmn %.2ds %.2dfr", m, s, part);
    if (s > 0)
        return rtl::Format("%ds %.2dfr", s, part);
    return rtl::Format("%dfr", part);
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

// Every frame counts in the duration text. A few clips of each standard are counted by ffprobe
// and analysed whole (NTSC type 1: 5 frames once read "4fr"; 509 frames end within half a frame
// of 17 s); every count from 1 to 3000 is checked against exact fractions, with the durations
// rounded to 100 ns as the splitter gives them, and cut instead.
TEST(FrameCounts, TheDurationTextCountsEveryFrameOfNtscAndPalClips)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe is missing";
    struct Standard {
        bool pal;
        int64_t rate, scale, frameDuration; // frames a second as rate / scale; 100 ns
        std::vector<int> clips;
    };
    const Standard standards[] = {{false, 30000, 1001, 333667, {1, 5, 30, 31, 509}},
                                  {true, 25, 1, 400000, {1, 24, 25, 26}}};
    testkit::TempDir dir;
    for (const Standard& st : standards) {
        for (const int n : st.clips) {
            SCOPED_TRACE((st.pal ? "PAL type 2, " : "NTSC type 1, ") + std::to_string(n) + " frames");
            testkit::DvClipSpec spec;
            spec.pal = st.pal;
            spec.frames = n;
            spec.sound = false;
            spec.distinctPictures = 1;
            const std::string path = dir.file(std::to_string(n) + (st.pal ? "pal.avi" : "ntsc.avi"));
            ASSERT_TRUE(st.pal ? testkit::WriteDvType2(path, spec) : testkit::WriteDvType1(path, spec));
            const int probed = mediatest::ProbedFrames(path);
            EXPECT_EQ(probed, n);
            EXPECT_EQ(TAfficherFichier(path).Duree, ExactDurationText(probed, st.rate, st.scale));
        }
        for (int64_t n = 1; n <= 3000; ++n) {
            const int64_t units = n * st.scale * 10000000;
            for (const int64_t duration : {(units + st.rate / 2) / st.rate, units / st.rate})
                ASSERT_EQ(formats::FramesDurationToStr(duration, st.frameDuration),
                          ExactDurationText(n, st.rate, st.scale))
                    << n << (st.pal ? " PAL" : " NTSC") << " frames lasting " << duration;
        }
    }
}
