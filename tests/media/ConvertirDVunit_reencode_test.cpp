// The conversion module's re-encoding builders (burn-in, PAL <-> NTSC, DV recompression) end to
// end: pictures against ffmpeg's decoding of the source, layouts by ffprobe, and the recording
// data of every frame by our pack decoder.
#include <gtest/gtest.h>

#include <cmath>

#include "settings/Preferences.h"
#include "tests/media/AviFileStreams.h"
#include "tests/media/MediaFiles.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

bool HaveTools()
{
    return testkit::HaveProgram("ffmpeg") && testkit::HaveProgram("ffprobe");
}

testkit::DvClip Clip(bool pal, int frames)
{
    return DatedClip(pal, frames, 4);
}

bool WriteType(int type, const std::string& path, const testkit::DvClip& clip)
{
    return type == 1 ? testkit::WriteDvType1(path, clip) : testkit::WriteDvType2(path, clip);
}

// Frame n of a file as ffmpeg decodes it, 24-bit RGB rows from the top.
std::string DecodedFrame(const std::string& path, int n)
{
    return ToolOutput("ffmpeg -v error -i " + Quoted(path) + " -vf 'select=eq(n\\," + std::to_string(n) +
                      ")' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

// Mean absolute difference of two RGB24 pictures of that width over rows [top, bottom) and
// columns [left, right).
double MeanDifference(const std::string& a, const std::string& b, int width, int top, int bottom, int left, int right)
{
    double sum = 0;
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left * 3; x < right * 3; ++x) {
            const size_t at = static_cast<size_t>(y) * width * 3 + x;
            sum += std::abs(int(uint8_t(a[at])) - int(uint8_t(b[at])));
            ++count;
        }
    return count ? sum / count : 0;
}

// "codec,width,height,rate" of the video and the durations of both streams, by ffprobe.
struct Layout {
    std::string video;
    double videoSeconds = 0, soundSeconds = 0;
    int frames = 0;
};

Layout ProbeLayout(const std::string& path)
{
    Layout l;
    l.video =
        ToolOutput("ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height,r_frame_rate "
                   "-of csv=p=0 " +
                   Quoted(path));
    while (!l.video.empty() && l.video.back() == '\n')
        l.video.pop_back();
    l.frames = std::atoi(ToolOutput("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                    "stream=nb_read_packets -of csv=p=0 " +
                                    Quoted(path))
                             .c_str());
    auto seconds = [&](const char* stream) {
        return std::atof(ToolOutput(std::string("ffprobe -v error -select_streams ") + stream +
                                    " -show_entries packet=pts_time,duration_time -of csv=p=0 " + Quoted(path) +
                                    " | awk -F, 'END { print $1 + $2 }'")
                             .c_str());
    };
    l.videoSeconds = seconds("v:0");
    l.soundSeconds = seconds("a:0");
    return l;
}

std::string RecordedDate(const std::string& path)
{
    std::string out = ToolOutput("mediainfo --Inform=\"General;%Recorded_Date%\" " + Quoted(path));
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST(StandardChange, PalAndNtscSwapWithTheRightFramesDatesAndHeaders)
{
    if (!HaveTools() || !HaveCodecFilters())
        GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    testkit::TempDir dir;
    TCdm cdm;
    for (bool fromPal : {true, false})
        for (int type : {1, 2}) {
            const testkit::DvClip clip = Clip(fromPal, fromPal ? 50 : 60); // two seconds
            const std::string tag = std::string(fromPal ? "pal" : "ntsc") + std::to_string(type);
            const std::string in = dir.file(tag + ".avi"), out = dir.file(tag + "_conv.avi");
            ASSERT_TRUE(WriteType(type, in, clip));
            ASSERT_TRUE(type == 2 ? cdm.BuildStandardGraphType2(in, out, fromPal ? 2 : 1)
                                  : cdm.BuildStandardGraphType1(in, out, fromPal ? 2 : 1))
                << tag;
            ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << tag;
            EXPECT_EQ(cdm.CdmDVHeader->UnmatchedFrames(), 0) << tag;

            const Layout l = ProbeLayout(out);
            EXPECT_EQ(l.video, fromPal ? "dvvideo,720,480,30000/1001" : "dvvideo,720,576,25/1") << tag;
            const double rate = fromPal ? 30000.0 / 1001 : 25.0;
            EXPECT_NEAR(l.frames, 2.0 * rate, 1.0) << tag;
            EXPECT_NEAR(l.soundSeconds, l.videoSeconds, 1.0 / rate) << tag;
            EXPECT_EQ(ToolOutput("ffmpeg -v error -i " + Quoted(out) + " -f null - 2>&1"), "") << tag;
            if (testkit::HaveProgram("mediainfo")) {
                EXPECT_FALSE(RecordedDate(in).empty());
                EXPECT_EQ(RecordedDate(out), RecordedDate(in)) << tag;
            }

            const auto frames = VideoFrames(out);
            ASSERT_EQ(static_cast<int>(frames.size()), l.frames) << tag;
            const double sourceFrame = fromPal ? 0.04 : 1001.0 / 30000;
            for (size_t n = 0; n < frames.size(); ++n) {
                const auto& f = frames[n];
                ASSERT_EQ(formats::DVSystem(f.data(), f.size()),
                          fromPal ? formats::kDvSystemNtsc : formats::kDvSystemPal)
                    << tag << " frame " << n;
                // The source frame this one shows: the one covering n x the new frame time.
                const size_t k =
                    std::min(clip.frames.size() - 1, static_cast<size_t>(std::floor(n / rate / sourceFrame + 1e-6)));
                EXPECT_EQ(TimeCode(f), TimeCode(clip.frames[k])) << tag << " frame " << n;
                const auto dates = AllRecDates(f);
                ASSERT_FALSE(dates.empty()) << tag << " frame " << n;
                EXPECT_EQ(dates.front(), AllRecDates(clip.frames[k]).front()) << tag << " frame " << n;
            }
        }
}

void SetOverlay(TCdm& cdm, int duration)
{
    EnsureGui(); // the text is drawn with Qt's fonts
    cdm.CdmSuperposer->SetIncrustOn(true);
    cdm.CdmSuperposer->SetWhatIncrust(0);
    cdm.CdmSuperposer->SetAutoIncrust(1);
    cdm.CdmSuperposer->SetWhenIncrust(1);
    cdm.CdmSuperposer->SetIncrustDuration(duration);
    cdm.CdmSuperposer->SetPosition(100, 900, 0);
}

TEST(BurnIn, TheTextChangesOnlyItsBoxUntilTheAutomaticDisplayEnds)
{
    if (!HaveTools() || !HaveCodecFilters())
        GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(true, 50);
    TCdm cdm;
    for (int type : {1, 2}) {
        const std::string in = dir.file("in" + std::to_string(type) + ".avi"),
                          out = dir.file("in" + std::to_string(type) + "_in.avi");
        ASSERT_TRUE(WriteType(type, in, clip));
        ASSERT_TRUE(type == 2 ? cdm.BuildDatecodeGraphType2(in, out, 1) : cdm.BuildDatecodeGraphType1(in, out, 1));
        SetOverlay(cdm, 25); // automatic: shown for the first 25 frames only
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << type;
        const auto frames = VideoFrames(out);
        ASSERT_EQ(frames.size(), clip.frames.size()) << type;
        EXPECT_EQ(TimeCode(frames[30]), TimeCode(clip.frames[30])) << type;
        EXPECT_EQ(AllRecDates(frames[30]), AllRecDates(clip.frames[30])) << type;
        if (testkit::HaveProgram("mediainfo"))
            EXPECT_EQ(RecordedDate(out), RecordedDate(in)) << type;

        const std::string shown = DecodedFrame(out, 5), source5 = DecodedFrame(in, 5);
        const std::string gone = DecodedFrame(out, 40), source40 = DecodedFrame(in, 40);
        ASSERT_EQ(shown.size(), 720u * 576 * 3);
        ASSERT_EQ(gone.size(), shown.size());
        const double box = MeanDifference(shown, source5, 720, 470, 518, 72, 300);
        const double outside = MeanDifference(shown, source5, 720, 0, 400, 0, 720);
        EXPECT_GT(box, 20.0) << type;
        EXPECT_LT(outside, 6.0) << type;
        EXPECT_LT(MeanDifference(gone, source40, 720, 470, 518, 72, 300), 6.0) << type;
    }
}

TEST(BurnIn, KeepsTheSourceStandardWhateverItIsToldAndAfterADateShift)
{
    if (!HaveTools() || !HaveCodecFilters())
        GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(true, 25);
    const std::string in = dir.file("in.avi");
    ASSERT_TRUE(testkit::WriteDvType2(in, clip));
    TCdm cdm;
    for (uint8_t told : {0, 2}) {
        // The date shift before leaves its settings on the DV-header filter.
        ASSERT_TRUE(cdm.BuildTimeShiftGraph(in, dir.file("shifted.avi")));
        cdm.CdmDVHeader->SetCopyHeaders(false);
        cdm.CdmDVHeader->SetOffset(3);
        const std::string out = dir.file("out" + std::to_string(told) + ".avi");
        ASSERT_TRUE(cdm.BuildDatecodeGraphType2(in, out, told));
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_EQ(ProbeLayout(out).video, "dvvideo,720,576,25/1") << int(told);
        const auto frames = VideoFrames(out);
        ASSERT_EQ(frames.size(), clip.frames.size());
        EXPECT_EQ(TimeCode(frames[12]), TimeCode(clip.frames[12])) << int(told);
        EXPECT_EQ(AllRecDates(frames[12]), AllRecDates(clip.frames[12])) << int(told);
    }
}

// An ffmpeg-made AVI that is not DV: MJPEG 640x480 at 30 fps with the given sound streams.
std::string MjpegAvi(const testkit::TempDir& dir, const std::string& name, int soundStreams)
{
    std::string cmd = "ffmpeg -v error -f lavfi -i testsrc=size=640x480:rate=30 ";
    for (int s = 0; s < soundStreams; ++s)
        cmd += "-f lavfi -i sine=r=44100:f=" + std::to_string(440 * (s + 1)) + " ";
    cmd += "-t 2 -map 0:v ";
    for (int s = 0; s < soundStreams; ++s)
        cmd += "-map " + std::to_string(s + 1) + ":a ";
    const std::string path = dir.file(name);
    testkit::RunCommand(cmd + "-c:v mjpeg -c:a pcm_s16le -ac 2 -y " + Quoted(path));
    return path;
}

TEST(DvRecompression, TheStandardAndTheSoundRateFollowThePreferences)
{
    if (!HaveTools() || !HaveCodecFilters())
        GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    testkit::TempDir dir;
    const uint8_t savedStandard = settings::StandardParDefaut, savedRate = settings::FrequenceDV;
    struct Case {
        int soundStreams;
        uint8_t standard, frequence;
        uint32_t rate;
        std::string video;
    } cases[] = {
        {1, 2, 1, 44100, "dvvideo,720,480,30000/1001"},
        {2, 1, 0, 32000, "dvvideo,720,576,25/1"},
        {1, 1, 7, 48000, "dvvideo,720,576,25/1"}, // outside the table
        {0, 1, 2, 0, "dvvideo,720,576,25/1"},     // no sound: the picture still converts
    };
    TCdm cdm;
    int n = 0;
    for (const Case& c : cases) {
        const std::string in = MjpegAvi(dir, "mjpeg" + std::to_string(n) + ".avi", c.soundStreams);
        const std::string out = dir.file("dv" + std::to_string(n++) + ".avi");
        settings::StandardParDefaut = c.standard;
        settings::FrequenceDV = c.frequence;
        ASSERT_TRUE(cdm.BuildDVConvertGraph(in, out, settings::StandardParDefaut)) << out;
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << out;
        EXPECT_EQ(ProbeLayout(out).video, c.video) << out;
        const AviFileStreams f(out);
        const auto frames = f.Chunks(0);
        ASSERT_FALSE(frames.empty()) << out;
        const int sound = f.Find("auds");
        if (c.soundStreams == 0) {
            EXPECT_EQ(sound, -1) << out;
            continue;
        }
        ASSERT_GE(sound, 0) << out;
        ds::WaveFormatEx wfx;
        ASSERT_TRUE(
            ds::WaveFormatEx::Parse(f.avi.streams[sound].format.data(), f.avi.streams[sound].format.size(), wfx));
        EXPECT_EQ(wfx.nChannels, 2) << out;
        EXPECT_EQ(wfx.wBitsPerSample, 16) << out;
        EXPECT_EQ(wfx.nSamplesPerSec, c.rate) << out;
        EXPECT_EQ(wfx.nAvgBytesPerSec, 4 * c.rate) << out;
        EXPECT_EQ(formats::AudioSampleRate(frames[3].data(), frames[3].size()), static_cast<int32_t>(c.rate)) << out;
    }
    settings::StandardParDefaut = savedStandard;
    settings::FrequenceDV = savedRate;
}

} // namespace

// ffmpeg stores PCM with the 16-byte format block: the sound of its files reaches the WAV file
// and the DV file whole, as long as ffprobe finds it in the source.
TEST(FfmpegSound, SixteenBytePcmIsExtractedAndRecompressedWhole)
{
    if (!HaveTools() || !HaveCodecFilters())
        GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    testkit::TempDir dir;
    const std::string withPicture = MjpegAvi(dir, "mjpeg.avi", 1), alone = dir.file("sound.avi");
    testkit::RunCommand("ffmpeg -v error -f lavfi -i sine=r=22050 -t 2 -c:a pcm_s16le -ac 1 -y " + Quoted(alone));
    TCdm cdm;
    for (const std::string& in : {withPicture, alone}) {
        ASSERT_EQ(AviFileStreams(in).avi.streams.back().format.size(), 16u) << in;
        const double seconds = ProbeLayout(in).soundSeconds;
        ASSERT_GT(seconds, 1.9) << in;
        const std::string wav = in + ".wav";
        ASSERT_TRUE(cdm.BuildAudioExtractGraph(in, wav)) << in;
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << in;
        EXPECT_NEAR(ProbeLayout(wav).soundSeconds, seconds, 0.01) << in;
    }
    const std::string dv = dir.file("dv.avi");
    ASSERT_TRUE(cdm.BuildDVConvertGraph(withPicture, dv, 1));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    EXPECT_NEAR(ProbeLayout(dv).soundSeconds, ProbeLayout(withPicture).soundSeconds, 0.05);
}
