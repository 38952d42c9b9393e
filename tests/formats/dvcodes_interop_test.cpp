// Interoperability: raw DV made by the ffmpeg tool decodes with our readers, and the frames of
// our test builder are read by ffprobe as the format they claim to be.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/dvcodes.h"
#include "platform/rtl/DateTime.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
using testkit::DvFrameBuilder;
using testkit::Standard;

namespace {

struct Clip {
    std::string target; // ffmpeg -target
    std::string size;   // lavfi picture size
    std::string rate;   // frame rate as a fraction
    std::string aspect; // empty: the target's default 4:3
    size_t frameSize;
    int fpsNum, fpsDen; // exact frame rate
    int tcBase;         // time code frames per second (non-drop)
};

// Makes a 2-second raw DV clip recorded 2006-12-31 23:59:58 with time code 01:02:03:04.
std::string MakeClip(const testkit::TempDir& dir, const Clip& c)
{
    const std::string out = dir.file(c.target + ".dv");
    std::string cmd = "TZ=UTC ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=" + c.size +
                      ":rate=" + c.rate + " -f lavfi -i sine=frequency=1000:sample_rate=48000 -target " + c.target +
                      (c.aspect.empty() ? "" : " -aspect " + c.aspect) +
                      " -metadata creation_time=2006-12-31T23:59:58 -timecode 01:02:03:04 -t 2 '" + out + "'";
    std::string log;
    if (testkit::RunCommand(cmd, &log) != 0)
        ADD_FAILURE() << cmd << "\n" << log;
    return out;
}

void CheckClip(const std::string& path, const Clip& c, uint8_t system, bool wide)
{
    const std::string bytes = testkit::ReadFileBytes(path);
    ASSERT_EQ(bytes.size() % c.frameSize, 0u);
    const size_t frames = bytes.size() / c.frameSize;
    ASSERT_GE(frames, 49u);
    const int sequences = static_cast<int>(c.frameSize / kDifSequenceSize);
    const rtl::TDateTime start = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0);
    const int startFrames = ((1 * 60 + 2) * 60 + 3) * c.tcBase + 4;

    for (size_t i = 0; i < frames; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        const auto* f = reinterpret_cast<const uint8_t*>(bytes.data()) + i * c.frameSize;
        EXPECT_EQ(DVSystem(f, c.frameSize), system);
        EXPECT_EQ(IsWideScreen(f, c.frameSize), wide);
        EXPECT_TRUE(HasSourceControlPack(f, c.frameSize));
        EXPECT_EQ(AudioSampleRate(f, c.frameSize), 48000);
        EXPECT_EQ(AudioQuantization(f, c.frameSize), 16);

        // ffmpeg advances the recording time with the elapsed whole seconds of the clip.
        const int64_t elapsed = static_cast<int64_t>(i) * c.fpsDen / c.fpsNum;
        int y, mo, d, h, mi, s, ms;
        rtl::DecodeDateTime(start + elapsed / 86400.0, y, mo, d, h, mi, s, ms);
        const int tc = startFrames + static_cast<int>(i);
        for (int n = 0; n < sequences; ++n) {
            RecDateTime dt;
            DecodeRecDateTime(f, c.frameSize, n, dt);
            ASSERT_EQ((std::array<int, 6>{dt.Year, dt.Month, dt.Day, dt.Hour, dt.Minute, dt.Second}),
                      (std::array<int, 6>{y, mo, d, h, mi, s}))
                << "sequence " << n;
            const DVTimeCode t = DecodeTimeCode(f, c.frameSize, n);
            EXPECT_EQ(
                (std::array<int, 4>{t.Hours, t.Minutes, t.Seconds, t.Frames}),
                (std::array<int, 4>{tc / c.tcBase / 3600, tc / c.tcBase / 60 % 60, tc / c.tcBase % 60, tc % c.tcBase}))
                << "sequence " << n;
        }
    }
}

const Clip kPal{"pal-dv", "720x576", "25", "", kPalFrameSize, 25, 1, 25};
const Clip kNtscWide{"ntsc-dv", "720x480", "30000/1001", "16:9", kNtscFrameSize, 30000, 1001, 30};

} // namespace

TEST(DvFromFfmpeg, PalAndNtscWideClipsDecodeDateTimeCodeAndFormat)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    CheckClip(MakeClip(dir, kPal), kPal, kDvSystemPal, false);
    CheckClip(MakeClip(dir, kNtscWide), kNtscWide, kDvSystemNtsc, true);
}

TEST(DvFromFfmpeg, RewrittenDateLeavesTheClipDecodableAndTheTimeCodeAlone)
{
    // A date shift rewrites packs in place: ffmpeg must still decode every frame.
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const std::string path = MakeClip(dir, kPal);
    std::string bytes = testkit::ReadFileBytes(path);
    auto* data = reinterpret_cast<uint8_t*>(bytes.data());
    const RecDateTime shifted{2010, 7, 14, 8, 30, 0};
    for (size_t off = 0; off + kPalFrameSize <= bytes.size(); off += kPalFrameSize)
        for (int n = 0; n < 12; ++n)
            ASSERT_TRUE(EncodeRecDateTime(data + off, kPalFrameSize, shifted, n));
    testkit::WriteFileBytes(path, bytes);
    std::string log;
    ASSERT_EQ(
        testkit::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -xerror -i '" + path + "' -f null -", &log),
        0)
        << log;
    const std::string back = testkit::ReadFileBytes(path);
    const auto* f = reinterpret_cast<const uint8_t*>(back.data());
    for (size_t off = 0; off + kPalFrameSize <= back.size(); off += kPalFrameSize) {
        RecDateTime dt;
        DecodeRecDateTime(f + off, kPalFrameSize, 11, dt);
        EXPECT_EQ((std::array<int, 3>{dt.Year, dt.Month, dt.Second}), (std::array<int, 3>{2010, 7, 0}));
        EXPECT_EQ(DecodeTimeCode(f + off, kPalFrameSize, 0).Hours, 1);
    }
}

// --- Frames of the test builder, read by ffprobe ---

namespace {

std::string Probe(const std::string& path)
{
    std::string out;
    testkit::RunCommand("ffprobe -hide_banner -loglevel error -show_entries "
                        "stream=codec_name,width,height,display_aspect_ratio,sample_rate "
                        "-show_entries format_tags=timecode -of compact '" +
                            path + "'",
                        &out);
    return out;
}

void WriteFrames(const std::string& path, const DvFrameBuilder& builder, int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        const auto f = builder.build();
        bytes.append(f.begin(), f.end());
    }
    testkit::WriteFileBytes(path, bytes);
}

} // namespace

TEST(DvBuilderInFfprobe, FramesAreReadAsTheFormatTheyClaim)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    testkit::TempDir dir;
    // The camera's drop-frame bit shows as the ';' separator.
    const struct {
        DvFrameBuilder builder;
        std::vector<std::string> want;
    } cases[] = {
        {DvFrameBuilder(Standard::Pal).timecode(10, 20, 30, 12).audio(48000, 16),
         {"codec_name=dvvideo|width=720|height=576|display_aspect_ratio=4:3", "sample_rate=48000",
          "timecode=10:20:30:12"}},
        {DvFrameBuilder(Standard::Ntsc).cameraFlags().wide(true).audio(32000, 12).timecode(1, 2, 3, 4),
         {"codec_name=dvvideo|width=720|height=480|display_aspect_ratio=16:9", "sample_rate=32000",
          "timecode=01:02:03;04"}},
    };
    for (const auto& c : cases) {
        const std::string path = dir.file("clip.dv");
        WriteFrames(path, c.builder, 3);
        const std::string p = Probe(path);
        for (const std::string& part : c.want)
            EXPECT_NE(p.find(part), std::string::npos) << part << " in " << p;
    }
}
