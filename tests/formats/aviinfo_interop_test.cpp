// AVI files written by ffmpeg and dvgrab: the reader, the walker, the listing and the patches
// agree with them, and ffprobe still reads the patched files.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"
#include "formats/fpsunit.h"
#include "formats/riffunit.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/TempDir.h"

using namespace formats;

namespace {

struct Samples {
    testkit::TempDir dir;
    std::string ffmpegType2; // ffmpeg's remux of raw DV: type 2 with "idx1"
    std::string dvgrabType1; // dvgrab -f dv1
    std::string dvgrabOdml;  // dvgrab -f dv2 -opendml
    std::string problem;     // why the samples could not be made
    bool toolsMissing = false;
};

Samples* MakeSamples()
{
    auto s = new Samples;
    if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("dvgrab")) {
        s->problem = "ffmpeg, ffprobe or dvgrab is missing";
        s->toolsMissing = true;
        return s;
    }
    const std::string d = s->dir.path().string();
    std::string out;
    if (testkit::RunCommand("cd '" + d +
                                "' && ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=720x576:rate=25 "
                                "-f lavfi -i sine -target pal-dv -t 1 x.dv </dev/null && ffmpeg -nostdin -loglevel "
                                "error -i x.dv -c copy x.avi",
                            &out) != 0) {
        s->problem = "ffmpeg failed: " + out;
        return s;
    }
    s->ffmpegType2 = s->dir.file("x.avi");
    s->dvgrabType1 = testkit::DvgrabToAvi(d, "x.dv", "-f dv1", "out1-", &out);
    s->dvgrabOdml = testkit::DvgrabToAvi(d, "x.dv", "-f dv2 -opendml", "out2-", &out);
    if (s->dvgrabType1.empty() || s->dvgrabOdml.empty())
        s->problem = "dvgrab made no file: " + out;
    return s;
}

class AviInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { samples_ = MakeSamples(); }
    static void TearDownTestSuite()
    {
        delete samples_;
        samples_ = nullptr;
    }
    void SetUp() override
    {
        if (samples_->toolsMissing)
            GTEST_SKIP() << samples_->problem;
        ASSERT_TRUE(samples_->problem.empty()) << samples_->problem;
    }
    // A private copy that a test may patch.
    std::string Copy(const std::string& path)
    {
        const std::string to = scratch_.file(std::filesystem::path(path).filename().string());
        std::filesystem::copy_file(path, to);
        return to;
    }
    static std::string Probe(const std::string& path, const std::string& entries)
    {
        std::string out;
        int rc = testkit::RunCommand("ffprobe -v error -select_streams v:0 -show_entries stream=" + entries +
                                         " -of default=nw=1:nk=1 '" + path + "'",
                                     &out);
        return rc == 0 ? out : "ffprobe failed: " + out;
    }
    // The fccHandler position found without the walker: the data of the first "strh" chunk
    // holding a video type, plus 4.
    static int64_t SearchHandler(const std::string& bytes)
    {
        for (size_t at = bytes.find("strh"); at != std::string::npos; at = bytes.find("strh", at + 1)) {
            const std::string type = bytes.substr(at + 8, 4);
            if (type == "vids" || type == "iavs")
                return static_cast<int64_t>(at + 12);
        }
        return 0;
    }

    static Samples* samples_;
    testkit::TempDir scratch_;
};

Samples* AviInterop::samples_ = nullptr;

} // namespace

TEST_F(AviInterop, ReaderFindsStreamsHandlerAndIndex)
{
    // Valid, streams, video and audio index, OpenDML, index kind.
    const struct {
        std::string path;
        std::array<int, 6> want;
    } cases[] = {
        {samples_->ffmpegType2, {1, 2, 0, 1, 0, ikIdx1}},
        {samples_->dvgrabType1, {1, 1, 0, -1, 1, ikIndexOfIndexes}},
        {samples_->dvgrabOdml, {1, 2, 0, 1, 1, ikIndexOfIndexes}},
    };
    for (const auto& c : cases) {
        TAviParam p(c.path);
        EXPECT_EQ((std::array<int, 6>{p.Valid, static_cast<int>(p.Streams.size()), p.VideoIndex, p.AudioIndex,
                                      p.OpenDML, p.IndexKind}),
                  c.want)
            << c.path;
        EXPECT_EQ(p.VideoHandler(), "dvsd");
        EXPECT_NE(p.MoviPos, 0);
    }
    EXPECT_EQ(TAviParam(samples_->dvgrabType1).Streams[0]->Header.fccType, rtl::FourCC("iavs"));
    TAviParam odml(samples_->dvgrabOdml);
    EXPECT_EQ(odml.DmlHeader.dwTotalFrames, odml.MainHeader.dwTotalFrames);
}

TEST_F(AviInterop, WalkerFindsTheVideoStreamHeader)
{
    for (const std::string& path : {samples_->ffmpegType2, samples_->dvgrabType1, samples_->dvgrabOdml}) {
        const std::string bytes = testkit::ReadFileBytes(path);
        TRiffWalk w = WalkRiffFile(path);
        EXPECT_EQ(w.HandlerPos, SearchHandler(bytes)) << path;
        EXPECT_EQ(w.ScalePos, w.HandlerPos + 16) << path;
        EXPECT_FALSE(w.ShortRead) << path;
        EXPECT_EQ(ReadVideoHandler(path), rtl::StrToFourCC("dvsd")) << path;
    }
}

TEST_F(AviInterop, ListingCoversEachFileAndLeavesItAlone)
{
    for (const std::string& path : {samples_->ffmpegType2, samples_->dvgrabType1, samples_->dvgrabOdml}) {
        const std::string before = testkit::ReadFileBytes(path);
        TRiffLister lister({.versionText = "test"});
        RiffListingResult r = lister.WalkFile(path);
        EXPECT_TRUE(r.walked) << path;
        EXPECT_FALSE(r.shortRead) << path;
        const auto& lines = lister.Lines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), "    movi"), lines.end()) << path;
        for (const std::string& line : lines)
            EXPECT_EQ(line.find(">>>"), std::string::npos) << path << ": " << line;
        EXPECT_EQ(testkit::ReadFileBytes(path), before);
    }
}

TEST_F(AviInterop, CodecPatchChangesFourBytesAndKeepsTheFileReadable)
{
    // ffmpeg reads an interleaved stream only under the DV handler codes.
    const std::pair<std::string, const char*> cases[] = {
        {samples_->ffmpegType2, "CDVC"}, {samples_->dvgrabOdml, "CDVC"}, {samples_->dvgrabType1, "dvsl"}};
    for (const auto& [original, code] : cases) {
        const std::string path = Copy(original);
        const std::string before = testkit::ReadFileBytes(path);
        ASSERT_TRUE(WriteVideoHandler(path, rtl::StrToFourCC(code))) << path;
        const std::string after = testkit::ReadFileBytes(path);
        ASSERT_EQ(after.size(), before.size());
        const size_t at = static_cast<size_t>(SearchHandler(before));
        EXPECT_EQ(after.substr(at, 4), code);
        EXPECT_EQ(after.substr(0, at) + after.substr(at + 4), before.substr(0, at) + before.substr(at + 4));
        EXPECT_EQ(Probe(path, "codec_name"), "dvvideo\n") << path;
        EXPECT_EQ(TAviParam(path).VideoHandler(), code);
        ASSERT_TRUE(WriteVideoHandler(path, rtl::StrToFourCC("dvsd")));
        EXPECT_EQ(testkit::ReadFileBytes(path), before);
    }
}

TEST_F(AviInterop, FrameRatePatchIsWhatFfprobeReports)
{
    for (const std::string& original : {samples_->ffmpegType2, samples_->dvgrabOdml}) {
        const std::string path = Copy(original);
        const auto size = std::filesystem::file_size(path);
        ASSERT_TRUE(WriteFrameRate(path, 29.97));
        EXPECT_EQ(Probe(path, "avg_frame_rate"), "1000000/33367\n") << path;
        ASSERT_TRUE(WriteFrameRate(path, 25.0));
        EXPECT_EQ(Probe(path, "avg_frame_rate"), "25/1\n") << path;
        EXPECT_EQ(std::filesystem::file_size(path), size);
    }
}
