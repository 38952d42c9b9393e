// The probe graph: what it finds in DV type 1 and type 2 files, in non-DV and damaged ones, that
// it never carries a date over from the file before, that three threads probing at once get what
// one thread gets, and that the in-memory "dvsd" trial gives what the patched file would.
#include "media/buildlist.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "formats/fpsunit.h"
#include "platform/dshow/Guid.h"
#include "tests/media/ProbeFixtures.h"

namespace {

using namespace probetest;
using media::ProbeResult;
using testkit::StrhFields;

constexpr int kFrames = 10;

ProbeResult Probe(const std::string& path, bool forceDv = false)
{
    return media::dmList().ProbeFile(path, media::ProbeOptions{forceDv});
}

void ExpectPalDvVideo(const ProbeResult& r)
{
    ASSERT_TRUE(r.ListVideoKnown);
    const ds::VideoInfoHeader v = r.VideoFormat();
    EXPECT_EQ(rtl::FourCC("dvsd"), v.bmiHeader.biCompression);
    EXPECT_EQ(720, v.bmiHeader.biWidth);
    EXPECT_EQ(576, v.bmiHeader.biHeight);
    EXPECT_EQ(kPalFrame, v.AvgTimePerFrame);
}

void ExpectPcm(const ProbeResult& r, uint32_t rate, uint16_t channels)
{
    ASSERT_TRUE(r.ListAudioKnown);
    const ds::WaveFormatEx a = r.AudioFormat();
    EXPECT_EQ(1, a.wFormatTag);
    EXPECT_EQ(rate, a.nSamplesPerSec);
    EXPECT_EQ(channels, a.nChannels);
    EXPECT_EQ(16, a.wBitsPerSample);
}

void ExpectKitFirstFrame(const ProbeResult& r, bool wide)
{
    EXPECT_TRUE(r.ListDateValid);
    EXPECT_DOUBLE_EQ(KitDate(), r.ListRecDate);
    EXPECT_TRUE(r.ListTimecodeValid);
    EXPECT_EQ(0, r.ListTimecode.Hours);
    EXPECT_EQ(0, r.ListTimecode.Frames);
    EXPECT_EQ(wide ? 1 : 0, r.ListWideScreen);
}

TEST(ProbeDv, TypeOneGivesDvInfoThenTheSplitStreamsWithTheStreamsDurationAndTheFirstFrame)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(kFrames, true);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
    const ProbeResult r = Probe(dir.file("t1.avi"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(1, r.ListStreamCount);
    ASSERT_TRUE(r.ListDVInfoKnown);
    EXPECT_EQ(formats::DvInfoFromFrame(clip.frames[0]), r.ListDVInfo);
    ExpectPalDvVideo(r);
    ExpectPcm(r, 48000, 2);
    EXPECT_EQ(kFrames * kPalFrame, r.ListVideoDuration);
    EXPECT_EQ(kFrames * kPalFrame, r.ListAudioDuration);
    ExpectKitFirstFrame(r, true);
}

TEST(ProbeDv, TypeTwoInEitherOrderTakesVideoThroughTheDetectorAndSoundFromItsOwnStream)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(kFrames);
    for (const std::string order : {"va", "av"}) {
        SCOPED_TRACE(order);
        const std::string path = dir.file(order + ".avi");
        ASSERT_TRUE(WriteStreams(path, clip, order));
        const ProbeResult r = Probe(path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(2, r.ListStreamCount);
        EXPECT_FALSE(r.ListDVInfoKnown);
        ExpectPalDvVideo(r);
        ExpectPcm(r, 48000, 2);
        EXPECT_EQ(kFrames * kPalFrame, r.ListVideoDuration);
        int64_t samples = 0;
        for (const auto& f : clip.pcm[0])
            samples += static_cast<int64_t>(f.size() / 2);
        EXPECT_EQ((samples * 10000000 + 24000) / 48000, r.ListAudioDuration);
        ExpectKitFirstFrame(r, false);
    }
}

TEST(ProbeDv, FourChannelSoundAndASecondSoundStreamKeepOnlyTheFirstSound)
{
    testkit::TempDir dir;
    const testkit::DvClip clip4 = Clip(kFrames, false, {32000, 12, 2, true});
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1-4ch.avi"), clip4));
    const ProbeResult t1 = Probe(dir.file("t1-4ch.avi"));
    EXPECT_TRUE(t1.ok);
    ExpectPcm(t1, 32000, 2); // the DV Splitter's first pair, as 16-bit samples
    ExpectKitFirstFrame(t1, false);

    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2-4ch.avi"), clip4));
    const ProbeResult t2 = Probe(dir.file("t2-4ch.avi"));
    EXPECT_EQ(3, t2.ListStreamCount);
    ExpectPcm(t2, 32000, 2);

    ASSERT_TRUE(WriteStreams(dir.file("vab.avi"), Clip(kFrames), "vab"));
    const ProbeResult two = Probe(dir.file("vab.avi"));
    EXPECT_EQ(3, two.ListStreamCount);
    ExpectPcm(two, 48000, 2);
}

TEST(ProbeOther, SoundOnlyAndNonDvVideoBringNoFirstFrameEvenAfterADatedFile)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(kFrames);
    ASSERT_TRUE(WriteStreams(dir.file("dated.avi"), clip, "va"));
    ASSERT_TRUE(WriteStreams(dir.file("sound.avi"), clip, "a"));
    ASSERT_TRUE(Probe(dir.file("dated.avi")).ListDateValid);
    const ProbeResult sound = Probe(dir.file("sound.avi"));
    EXPECT_TRUE(sound.ok);
    EXPECT_EQ(1, sound.ListStreamCount);
    EXPECT_FALSE(sound.ListVideoKnown);
    ExpectPcm(sound, 48000, 2);
    EXPECT_FALSE(sound.ListDateValid);
    EXPECT_FALSE(sound.ListTimecodeValid);

    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    const std::string mjpeg = dir.file("mjpeg.avi");
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=25:duration=1 -f lavfi "
                                     "-i sine=frequency=440:sample_rate=44100:duration=1 -c:v mjpeg -c:a pcm_s16le '" +
                                     mjpeg + "'"));
    ASSERT_TRUE(Probe(dir.file("dated.avi")).ListDateValid);
    const ProbeResult r = Probe(mjpeg);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(2, r.ListStreamCount);
    ASSERT_TRUE(r.ListVideoKnown);
    EXPECT_EQ(rtl::FourCC("MJPG"), r.VideoFormat().bmiHeader.biCompression);
    EXPECT_EQ(320, r.VideoFormat().bmiHeader.biWidth);
    // ffmpeg stores PCM's 16-byte WAVEFORMAT: read as the 18-byte one with cbSize 0.
    ExpectPcm(r, 44100, 1);
    EXPECT_FALSE(r.ListDVInfoKnown);
    EXPECT_FALSE(r.ListDateValid);
    EXPECT_FALSE(r.ListTimecodeValid);
}

// Fault: the detector's record outlives its runs, so a stream that passes it without bringing a
// frame must not report the file before's date.
TEST(ProbeRegression, AStreamThroughTheDetectorWithoutAFrameShowsNoDateAfterADatedFile)
{
    testkit::TempDir dir;
    ASSERT_TRUE(WriteStreams(dir.file("dated.avi"), Clip(kFrames), "va"));
    ASSERT_TRUE(WriteOddVideo(dir.file("odd.avi"), 100000, 5));
    ASSERT_TRUE(WriteOddVideo(dir.file("empty.avi"), 0, 0));
    for (const char* name : {"odd.avi", "empty.avi"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Probe(dir.file("dated.avi")).ListDateValid);
        const ProbeResult r = Probe(dir.file(name));
        EXPECT_TRUE(r.ok);
        EXPECT_FALSE(r.ListDateValid);
        EXPECT_FALSE(r.ListTimecodeValid);
        EXPECT_EQ(0, r.ListRecDate);
        EXPECT_EQ(0, r.ListWideScreen);
    }
}

TEST(ProbeFormats, ShortBlocksAreIgnoredYetAnInterleavedStreamIsStillSplit)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(3);
    StrhFields iavs;
    iavs.type = "iavs";
    StrhFields auds;
    auds.type = "auds";
    auds.handler = std::string(4, '\0');
    auds.scale = 4;
    auds.rate = 192000;
    auds.sampleSize = 4;
    const std::string dvInfo = testkit::DvInfoBlock();
    const struct {
        const char* name;
        StrhFields strh;
        std::string strf;
        bool dvInfoKnown, videoKnown, audioKnown;
    } cases[] = {
        {"short dvinfo", iavs, dvInfo.substr(0, 16), false, true, true},
        {"whole dvinfo", iavs, dvInfo, true, true, true},
        {"short wave format", auds, testkit::WaveFormat().substr(0, 14), false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file("f.avi");
        testkit::WriteFileBytes(path, HandMadeAvi(c.strh, c.strf, clip));
        const ProbeResult r = Probe(path);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(c.dvInfoKnown, r.ListDVInfoKnown != 0);
        EXPECT_EQ(c.videoKnown, r.ListVideoKnown != 0);
        EXPECT_EQ(c.audioKnown, r.ListAudioKnown != 0);
    }
}

// Fault: one graph and one result set for three threads. Each probe is serialised and returns
// its own result.
TEST(ProbeThreads, ThreeThreadsProbingAtOnceGetWhatOneThreadGets)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(6, true);
    std::vector<std::string> files;
    const auto add = [&](const std::string& name) {
        files.push_back(dir.file(name));
        return files.back();
    };
    ASSERT_TRUE(testkit::WriteDvType1(add("t1.avi"), clip));
    ASSERT_TRUE(WriteStreams(add("va.avi"), Clip(6), "va"));
    ASSERT_TRUE(WriteStreams(add("av.avi"), clip, "av", 32000));
    ASSERT_TRUE(WriteStreams(add("a.avi"), clip, "a"));
    ASSERT_TRUE(WriteOddVideo(add("odd.avi"), 100000, 3));
    testkit::WriteFileBytes(add("x.avi"), std::string(3000, 'x'));
    std::vector<ProbeResult> expected;
    for (const auto& f : files)
        expected.push_back(Probe(f));

    constexpr int kThreads = 3, kProbes = 50;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < kProbes; ++k) {
                const size_t i = static_cast<size_t>(k + 2 * t) % files.size();
                if (!(Probe(files[i]) == expected[i]))
                    ++mismatches[static_cast<size_t>(t)];
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(std::vector<int>(kThreads, 0), mismatches);
}

// Fault: the analysis patched "dvsd" into the user's file for a second try. The override gives
// the same answer from memory and leaves the file as it was, even a read-only one.
TEST(ProbeForceDv, ACdvcTypeOneFileProbesAsDvsdWithoutBeingWritten)
{
    testkit::TempDir dir;
    const std::string path = dir.file("cdvc.avi");
    ASSERT_TRUE(testkit::WriteDvType1(path, Clip(kFrames, true)));
    ASSERT_TRUE(formats::WriteVideoHandler(path, rtl::FourCC("CDVC")));
    ASSERT_EQ(0, ::chmod(path.c_str(), 0444));
    const FileStamp before = FileStamp::Of(path);

    const ProbeResult plain = Probe(path);
    EXPECT_FALSE(plain.ok);
    EXPECT_FALSE(plain.ListVideoKnown);
    const ProbeResult forced = Probe(path, true);
    EXPECT_TRUE(forced.ok);
    EXPECT_TRUE(forced.ListDVInfoKnown);
    ExpectPalDvVideo(forced);
    ExpectPcm(forced, 48000, 2);
    EXPECT_EQ(kFrames * kPalFrame, forced.ListVideoDuration);
    ExpectKitFirstFrame(forced, true);
    EXPECT_EQ(before, FileStamp::Of(path));
    EXPECT_EQ(rtl::FourCC("CDVC"), formats::ReadVideoHandler(path));
    // The override is this probe's only.
    EXPECT_FALSE(Probe(path).ok);
}

TEST(ProbeBadInput, DamagedMissingAndUnreadableFilesFailOrGiveNothingAndAreNeverWritten)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), Clip(kFrames)));
    const std::string good = testkit::ReadFileBytes(dir.file("t1.avi"));
    testkit::WriteFileBytes(dir.file("cut-header.avi"), good.substr(0, 60));
    testkit::WriteFileBytes(dir.file("cut-movie.avi"), good.substr(0, good.size() / 2 + 7));
    std::string badIndex = good;
    const size_t idx1 = badIndex.rfind("idx1");
    const size_t ix = badIndex.find("ix00");
    for (size_t at : {idx1, ix})
        if (at != std::string::npos)
            for (size_t k = at + 8; k < std::min(badIndex.size(), at + 64); ++k)
                badIndex[k] = static_cast<char>(0xEE);
    testkit::WriteFileBytes(dir.file("bad-index.avi"), badIndex);
    testkit::WriteFileBytes(dir.file("no-streams.avi"), testkit::RiffBuilder()
                                                            .riff("AVI ")
                                                            .list("hdrl")
                                                            .chunk("avih", testkit::Avih({}))
                                                            .end()
                                                            .list("movi")
                                                            .end()
                                                            .end()
                                                            .build());
    testkit::WriteFileBytes(dir.file("locked.avi"), good);
    ASSERT_EQ(0, ::chmod(dir.file("locked.avi").c_str(), 0));
    std::filesystem::create_directory(dir.file("x.avi"));

    const struct {
        const char* name;
        bool mayFindSomething; // what the frames that are there give
    } cases[] = {{"cut-header.avi", false}, {"cut-movie.avi", true}, {"bad-index.avi", true},
                 {"no-streams.avi", false}, {"missing.avi", false},  {"locked.avi", ::geteuid() == 0},
                 {"x.avi", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        const FileStamp before = FileStamp::Of(path);
        const ProbeResult r = Probe(path);
        if (!c.mayFindSomething) {
            EXPECT_FALSE(r.ListVideoKnown || r.ListAudioKnown || r.ListDVInfoKnown || r.ListDateValid);
            EXPECT_EQ(0, std::max(0, r.ListStreamCount));
        }
        EXPECT_EQ(before, FileStamp::Of(path));
    }
    EXPECT_FALSE(Probe(dir.file("missing.avi")).ok);
    EXPECT_FALSE(Probe(dir.file("x.avi")).ok);
    if (::geteuid() != 0) {
        EXPECT_FALSE(Probe(dir.file("locked.avi")).ok);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.avi")));
}

} // namespace
