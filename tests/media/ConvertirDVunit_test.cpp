// The conversion module's builders that decode nothing, and its run protocol: what each graph
// writes (streams, frames, dates), the reset between builds, bad sources, and what a cancelled,
// failed or refused run, or one whose source changed under it, leaves behind (nothing new,
// nothing changed).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "formats/scenes.h"
#include "tests/kit/FileFault.h"
#include "tests/media/AviFileStreams.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

testkit::DvClip Clip(int frames = 50, formats::DvAudioFormat audio = {48000, 16, 1, false})
{
    testkit::DvClipSpec spec;
    spec.frames = frames;
    spec.audio = audio;
    spec.distinctPictures = 4;
    return testkit::MakeDvClip(spec);
}

const formats::DvAudioFormat kFourChannels{32000, 12, 2, false};

// A type-2 file whose streams come in the given order: 'v' the DV video, 'a' the first pair,
// 'i' the interleaved DV.
bool WriteStreams(const std::string& path, const testkit::DvClip& clip, const std::string& order)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out, {});
    for (char c : order)
        w.AddStream(c == 'v'   ? testkit::DvVideoSpec(clip.pal)
                    : c == 'i' ? testkit::DvInterleavedSpec(clip)
                               : testkit::PcmSpec(clip.audio.sampleRate, 2));
    if (!w.Begin())
        return false;
    for (size_t k = 0; k < clip.frames.size(); ++k)
        for (size_t s = 0; s < order.size(); ++s) {
            const bool sound = order[s] == 'a';
            const auto& pcm = clip.pcm[0][k];
            if (!(sound
                      ? w.WriteChunk(static_cast<int>(s), reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2)
                      : w.WriteChunk(static_cast<int>(s), clip.frames[k].data(), clip.frames[k].size())))
                return false;
        }
    return w.Finish() && out.Close();
}

TEST(StreamCopy, Type1ToType2AndBackKeepsTheFramesAndTheSound)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip();
    const std::string t1 = dir.file("clip.avi"), t2 = dir.file("clip_type2.avi"), back = dir.file("clip_type1.avi");
    ASSERT_TRUE(testkit::WriteDvType1(t1, clip));
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildType2Graph(t1, t2));
    EXPECT_EQ(cdm.CdmDestination, t2);
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams two(t2);
    ASSERT_EQ(two.Count(), 2u);
    EXPECT_EQ(two.Type(0), "vids");
    EXPECT_EQ(two.Type(1), "auds");
    EXPECT_EQ(two.Chunks(0), clip.frames);
    const std::vector<int16_t> pcm = clip.PairSamples(0);
    const std::vector<uint8_t> sound = two.Joined(1);
    ASSERT_EQ(sound.size(), pcm.size() * 2);
    EXPECT_EQ(std::memcmp(sound.data(), pcm.data(), sound.size()), 0);

    ASSERT_TRUE(cdm.BuildType1Graph(t2, back));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams one(back);
    ASSERT_EQ(one.Count(), 1u);
    EXPECT_EQ(one.Type(0), "iavs");
    // Muxed again from the same picture and sound: the frames come back byte for byte.
    EXPECT_EQ(one.Chunks(0), clip.frames);
}

// Four channels: the type-1 frames give one video and two sound streams in order, and those two
// streams go back into the frames, each pair decoding as it was.
TEST(StreamCopy, FourChannelSoundKeepsBothPairsFromType1ToType2AndBack)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(50, kFourChannels);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("in.avi"), clip));
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildType2Graph(dir.file("in.avi"), dir.file("type2.avi")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams two(dir.file("type2.avi"));
    ASSERT_EQ(two.Count(), 3u);
    EXPECT_EQ(two.Type(0), "vids");
    for (int pair = 0; pair < 2; ++pair) {
        const std::vector<int16_t> pcm = clip.PairSamples(pair);
        const std::vector<uint8_t> sound = two.Joined(1 + pair);
        ASSERT_EQ(sound.size(), pcm.size() * 2) << pair;
        EXPECT_EQ(std::memcmp(sound.data(), pcm.data(), sound.size()), 0) << pair;
    }

    ASSERT_TRUE(cdm.BuildType1Graph(dir.file("type2.avi"), dir.file("type1.avi")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams one(dir.file("type1.avi"));
    ASSERT_EQ(one.Count(), 1u);
    const auto frames = one.Chunks(0);
    ASSERT_EQ(frames.size(), clip.frames.size());
    for (int pair = 0; pair < 2; ++pair) {
        std::vector<int16_t> sound;
        for (const auto& frame : frames) {
            formats::DvAudioInfo info;
            ASSERT_TRUE(formats::ReadDvAudioInfo(frame, info));
            ASSERT_EQ(info.format.pairs, 2);
            std::vector<int16_t> pcm(2 * static_cast<size_t>(info.samples));
            formats::DecodeDvAudio(frame, info, pair, pcm.data());
            sound.insert(sound.end(), pcm.begin(), pcm.end());
        }
        EXPECT_TRUE(sound == clip.PairSamples(pair)) << pair;
    }
}

TEST(StreamCopy, RepairKeepsTheFirstTwoStreamsOfAType2FileWithInterleavedVideo)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip();
    ASSERT_TRUE(WriteStreams(dir.file("in.avi"), clip, "iaa"));
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildType2FixGraph(dir.file("in.avi"), dir.file("fixed.avi")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams out(dir.file("fixed.avi"));
    ASSERT_EQ(out.Count(), 2u);
    EXPECT_EQ(out.Type(0), "vids");
    EXPECT_EQ(out.Type(1), "auds");
    EXPECT_EQ(out.Chunks(0), clip.frames);
}

TEST(DateShift, EveryCopyMovesByTheOffsetAndTheSoundStaysWhereverItStands)
{
    testkit::TempDir dir;
    testkit::DvClip clip = Clip(); // 2006-12-31 23:59:50
    WithCameraDates(clip);
    struct Case {
        std::string order; // 'v' video, 'a' sound, 'i' interleaved
        double offset;
        std::string first; // the first frame's date afterwards
    } cases[] = {
        {"i", 1.0 / 24, "2007-01-01 00:59:50"}, // type 1 across the year end
        {"va", -1.5, "2006-12-30 11:59:50"},
        {"av", -1.5, "2006-12-30 11:59:50"}, // the sound first
    };
    TCdm cdm;
    for (const Case& c : cases) {
        const std::string in = dir.file("in_" + c.order + ".avi"), out = dir.file("out_" + c.order + ".avi");
        ASSERT_TRUE(WriteStreams(in, clip, c.order));
        ASSERT_TRUE(cdm.BuildTimeShiftGraph(in, out)) << c.order;
        cdm.CdmDVHeader->SetCopyHeaders(false);
        cdm.CdmDVHeader->SetOffset(c.offset);
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << c.order;
        const AviFileStreams file(out);
        ASSERT_EQ(file.Count(), c.order.size()) << c.order;
        const int video = c.order == "i" ? 0 : file.Find("vids");
        ASSERT_GE(video, 0);
        const auto frames = file.Chunks(video);
        ASSERT_EQ(frames.size(), clip.frames.size());
        const std::vector<std::string> dates = AllRecDates(frames[0]);
        ASSERT_GE(dates.size(), 12u * 7); // every copy of every sequence
        for (const std::string& d : dates)
            EXPECT_EQ(d, c.first) << c.order;
        EXPECT_EQ(TimeCode(frames[7]), TimeCode(clip.frames[7])); // nothing else changes
        if (c.order != "i") {
            const int sound = file.Find("auds");
            ASSERT_GE(sound, 0) << c.order;
            EXPECT_EQ(file.Joined(sound).size(), clip.PairSamples(0).size() * 2) << c.order;
        }
    }
}

TEST(ModuleState, EachBuildStartsFromTheDvHeaderDefaultsAndForgetsTheCallbacks)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(10);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("in.avi"), clip));
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildTimeShiftGraph(dir.file("in.avi"), dir.file("shifted.avi")));
    cdm.CdmDVHeader->SetCopyHeaders(false);
    cdm.CdmDVHeader->SetOffset(2.5);
    int scenes = 0;
    cdm.CdmSceneDetect->SetOnScene([&](const formats::DVFrameInfo&, const formats::DVFrameInfo&) { ++scenes; });
    ASSERT_TRUE(cdm.BuildType1Graph(dir.file("in.avi"), dir.file("type1.avi")));
    EXPECT_TRUE(cdm.CdmDVHeader->CopyHeaders());
    EXPECT_EQ(cdm.CdmDVHeader->Offset(), 0.0);
    // The second graph holds none of the first's own filters.
    EXPECT_FALSE(cdm.Graph()->Contains(cdm.CdmDVHeader.get()));
    ASSERT_TRUE(cdm.BuildSceneGraph(dir.file("in.avi")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    EXPECT_EQ(scenes, 0);
}

TEST(BadSource, MissingForeignOrNonDvSourcesBuildNothingAndWriteNothing)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip(10);
    testkit::WriteFileBytes(dir.file("text.avi"), "not a RIFF file at all");
    ASSERT_TRUE(WriteSoundOnly(dir.file("sound.avi"), clip));
    TCdm cdm;
    using Builder = bool (TCdm::*)(const std::string&, const std::string&);
    const Builder builders[] = {&TCdm::BuildType2Graph, &TCdm::BuildType1Graph, &TCdm::BuildType2FixGraph,
                                &TCdm::BuildTimeShiftGraph};
    for (const std::string src : {"missing.avi", "text.avi", "sound.avi"})
        for (size_t b = 0; b < std::size(builders); ++b) {
            EXPECT_FALSE((cdm.*builders[b])(dir.file(src), dir.file("out.avi"))) << src << " " << b;
            EXPECT_EQ(cdm.RunBuiltGraph(nullptr, nullptr).kind, ConversionOutcome::NotRun);
            EXPECT_FALSE(std::filesystem::exists(dir.file("out.avi")));
        }
    EXPECT_FALSE(cdm.BuildAudioExtractGraph(dir.file("text.avi"), dir.file("out.wav")));
    EXPECT_FALSE(cdm.BuildSceneGraph(dir.file("sound.avi")));
    EXPECT_FALSE(cdm.BuildSceneGraph(dir.file("missing.avi")));
}

TEST(BadSource, TruncatedSourceGivesAShorterValidOutput)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = Clip();
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("full.avi"), clip));
    std::string bytes = testkit::ReadFileBytes(dir.file("full.avi"));
    bytes.resize(bytes.size() / 2);
    testkit::WriteFileBytes(dir.file("half.avi"), bytes);
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildType2Graph(dir.file("half.avi"), dir.file("out.avi")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const AviFileStreams out(dir.file("out.avi"));
    ASSERT_TRUE(out.avi.valid);
    const auto frames = out.Chunks(0);
    EXPECT_GT(frames.size(), 10u);
    EXPECT_LT(frames.size(), clip.frames.size());
    EXPECT_EQ(frames[3], clip.frames[3]);
}

// The data chunk of a WAV file.
std::string WavData(const std::string& path)
{
    const std::string bytes = testkit::ReadFileBytes(path);
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = uint8_t(bytes[at + 4]) | uint8_t(bytes[at + 5]) << 8 | uint8_t(bytes[at + 6]) << 16 |
                              uint32_t(uint8_t(bytes[at + 7])) << 24;
        if (bytes.compare(at, 4, "data") == 0)
            return bytes.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return "no data chunk";
}

TEST(SoundExtraction, TheWavDataIsTheFirstSoundStreamAsFfmpegReadsIt)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const testkit::DvClip stereo = Clip(), four = Clip(50, kFourChannels);
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("type1.avi"), four)); // the first pair only
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("type2.avi"), stereo));
    ASSERT_TRUE(WriteSoundOnly(dir.file("sound.avi"), stereo)); // through the tee
    TCdm cdm;
    for (const std::string name : {"type1", "type2", "sound"}) {
        const std::string src = dir.file(name + ".avi"), wav = dir.file(name + ".wav");
        ASSERT_TRUE(cdm.BuildAudioExtractGraph(src, wav)) << name;
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << name;
        const std::string expected =
            ToolOutput("ffmpeg -v error -i " + Quoted(src) + " -map 0:a:0 -f s16le -c:a pcm_s16le -");
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_TRUE(WavData(wav) == expected) << name << ": " << WavData(wav).size() << " vs " << expected.size();
    }
}

// Two recordings an hour apart, one file.
testkit::DvClip TwoRecordings()
{
    testkit::DvClipSpec a;
    a.frames = 30;
    a.distinctPictures = 4;
    testkit::DvClipSpec b = a;
    b.hour = 22; // 23:59:50, then 22:59:50 of the same day: a jump back of an hour
    return Joined({testkit::MakeDvClip(a), testkit::MakeDvClip(b)});
}

TEST(SceneScan, ScenesStartAtTheJoinAndALaterExtractionWritesNoSceneFile)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi");
    ASSERT_TRUE(testkit::WriteDvType1(video, TwoRecordings()));
    TCdm cdm;
    formats::ScnFileWriter scn;
    std::vector<uint32_t> starts;
    ASSERT_TRUE(cdm.BuildSceneGraph(video));
    ASSERT_TRUE(scn.OpenScnFile(video));
    cdm.CdmSceneDetect->SetOnScene([&](const formats::DVFrameInfo& start, const formats::DVFrameInfo& current) {
        starts.push_back(start.Frame);
        scn.WriteScnScene(start, current);
    });
    SetScnEnd(cdm, scn, video);
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    EXPECT_EQ(starts, (std::vector<uint32_t>{0, 30}));
    ASSERT_TRUE(std::filesystem::exists(formats::ScnFileName(video)));

    std::filesystem::remove(formats::ScnFileName(video));
    ASSERT_TRUE(cdm.BuildAudioExtractGraph(video, dir.file("clip.wav")));
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(formats::ScnFileName(video)));
}

TEST(SceneScan, TheSubtitlesFollowTheDates)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi");
    ASSERT_TRUE(testkit::WriteDvType2(video, TwoRecordings()));
    TCdm cdm;
    formats::SrtFileWriter srt;
    ASSERT_TRUE(cdm.BuildSrtSceneGraph(video));
    ASSERT_TRUE(srt.OpenSrtFile(video));
    media::Tdv_sceneDetect& detector = *cdm.CdmSceneDetect;
    detector.SetOnDatecodeText([&](const formats::DVFrameInfo& record, const std::string& l1, const std::string& l2) {
        srt.AddSrtEntry(record, l1, l2, detector.FrameDuration());
    });
    detector.SetAutoIncrust(0);
    detector.SetIncrustFormats("yyyy-mm-dd", "hh:nn:ss");
    cdm.SetSceneEnd(
        formats::SrtFileName(video), [&] { return srt.CloseSrtFile() ? 0 : EIO; }, [&] { srt.Discard(); });
    ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
    const std::string text = testkit::ReadFileBytes(formats::SrtFileName(video));
    // One subtitle per second of each recording, the second recording an hour back.
    for (const char* shown : {"23:59:50", "23:59:51", "22:59:50", "22:59:51"})
        EXPECT_NE(text.find(shown), std::string::npos) << shown << "\n" << text;
    EXPECT_LT(text.find("23:59:51"), text.find("22:59:50")) << text;
    EXPECT_NE(text.find("00:00:01,200 -->"), std::string::npos) << text; // the join, frame 30
}

// Data safety: a run that does not complete leaves nothing new and nothing changed.
TEST(RunProtocol, NothingBuiltIsNotRun)
{
    TCdm cdm;
    EXPECT_EQ(cdm.RunBuiltGraph(nullptr, nullptr).kind, ConversionOutcome::NotRun);
}

TEST(RunProtocol, CancelledRunsKeepNoOutputAndLeaveTheOldFilesAsTheyWere)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi"), out = dir.file("clip_type2.avi");
    ASSERT_TRUE(testkit::WriteDvType1(video, Clip()));
    const std::string old = "an older output";
    testkit::WriteFileBytes(out, old);
    testkit::WriteFileBytes(formats::ScnFileName(video), old);
    const std::vector<std::string> before = FolderNames(dir.path());

    TCdm cdm;
    bool reported = false;
    auto cancelAfterFirstProgress = [&] { return reported; };
    auto progress = [&](int) { reported = true; };
    ASSERT_TRUE(cdm.BuildType2Graph(video, out));
    EXPECT_EQ(cdm.RunBuiltGraph(cancelAfterFirstProgress, progress).kind, ConversionOutcome::Cancelled);

    reported = false;
    formats::ScnFileWriter scn;
    ASSERT_TRUE(cdm.BuildSceneGraph(video));
    ASSERT_TRUE(scn.OpenScnFile(video));
    cdm.CdmSceneDetect->SetOnScene(
        [&](const formats::DVFrameInfo& s, const formats::DVFrameInfo& c) { scn.WriteScnScene(s, c); });
    SetScnEnd(cdm, scn, video);
    EXPECT_EQ(cdm.RunBuiltGraph(cancelAfterFirstProgress, progress).kind, ConversionOutcome::Cancelled);

    EXPECT_EQ(FolderNames(dir.path()), before);
    EXPECT_EQ(testkit::ReadFileBytes(out), old);
    EXPECT_EQ(testkit::ReadFileBytes(formats::ScnFileName(video)), old);
}

TEST(RunProtocol, AFolderThatRefusesWritingOrIsMissingFailsWithAClearText)
{
    testkit::TempDir dir;
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("clip.avi"), Clip(10)));
    const std::string locked = testkit::UnwritableFolder(dir);
    const std::pair<std::string, std::string> cases[] = {{dir.file("gone"), "folder was not found"},
                                                         {locked, "refuses writing"}};
    TCdm cdm;
    for (const auto& [folder, said] : cases) {
        if (folder.empty())
            continue; // no folder refuses writing here
        const std::string out = folder + "/clip_type2.avi";
        ASSERT_TRUE(cdm.BuildType2Graph(dir.file("clip.avi"), out));
        const ConversionOutcome outcome = RunToEnd(cdm);
        EXPECT_EQ(outcome.kind, ConversionOutcome::Failed);
        EXPECT_NE(outcome.text.find(said), std::string::npos) << outcome.text;
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

// Another program changes the source while it is converted: cuts it short, adds to it and puts
// its time back, or rewrites bytes in place. The run fails, says why and keeps nothing.
TEST(RunProtocol, ASourceChangedUnderTheRunFailsAndKeepsNothing)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi"), out = dir.file("clip_type2.avi");
    ASSERT_TRUE(testkit::WriteDvType1(video, Clip(60)));
    const std::string bytes = testkit::ReadFileBytes(video);
    const timespec long_ago[2] = {{1000000000, 0}, {1000000000, 0}}; // so that any change shows
    auto rewrite = [&](const std::string& with, off_t at) {
        const int fd = ::open(video.c_str(), O_WRONLY | O_CLOEXEC);
        EXPECT_EQ(::pwrite(fd, with.data(), with.size(), at), static_cast<ssize_t>(with.size()));
        ::close(fd);
    };
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"cut short", [&] { std::filesystem::resize_file(video, bytes.size() / 3); }},
        {"added to, its time put back",
         [&] {
             rewrite("more", static_cast<off_t>(bytes.size()));
             EXPECT_EQ(::utimensat(AT_FDCWD, video.c_str(), long_ago, 0), 0);
         }},
        {"rewritten in place", [&] { rewrite("xxxx", static_cast<off_t>(bytes.size() / 2)); }},
    };
    TCdm cdm;
    for (const auto& [what, change] : changes) {
        SCOPED_TRACE(what);
        std::filesystem::remove(out);
        testkit::WriteFileBytes(video, bytes);
        ASSERT_EQ(::utimensat(AT_FDCWD, video.c_str(), long_ago, 0), 0);
        ASSERT_TRUE(cdm.BuildType2Graph(video, out));
        // The change comes as the output's first bytes are written: the run is under way.
        testkit::OnFirstWrite changed(change);
        const ConversionOutcome outcome = RunToEnd(cdm);
        EXPECT_EQ(outcome.kind, ConversionOutcome::Failed);
        EXPECT_EQ(outcome.text, "The file changed while it was converted: \"" + out + "\" was not written.");
        EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{"clip.avi"});
    }
}

// The full-disk run happens in a child whose file size limit is a few MiB (writes beyond it
// fail with EFBIG): it prints its outcome, the parent checks what is left.
TEST(RunProtocol, ChildOfTheFullDiskTest)
{
    const char* out = std::getenv("MORVEL_FULL_DISK_OUTPUT");
    if (!out)
        GTEST_SKIP() << "run by FullDiskFailsAndLeavesNothing";
    TCdm cdm;
    ASSERT_TRUE(cdm.BuildType2Graph(std::getenv("MORVEL_FULL_DISK_SOURCE"), out));
    const ConversionOutcome outcome = RunToEnd(cdm);
    std::printf("outcome %d: %s\n", static_cast<int>(outcome.kind), outcome.text.c_str());
}

TEST(RunProtocol, FullDiskFailsAndLeavesNothing)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi");
    ASSERT_TRUE(testkit::WriteDvType1(video, Clip(75))); // 10.8 MB
    testkit::TempDir outDir;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string output;
    testkit::RunCommand("trap '' XFSZ; ulimit -f 4096; MORVEL_FULL_DISK_SOURCE=" + Quoted(video) +
                            " MORVEL_FULL_DISK_OUTPUT=" + Quoted(outDir.file("out.avi")) + " exec " + Quoted(self) +
                            " --gtest_filter=RunProtocol.ChildOfTheFullDiskTest",
                        &output);
    EXPECT_NE(output.find("outcome 1: "), std::string::npos) << output;
    EXPECT_TRUE(FolderNames(outDir.path()).empty());
}

} // namespace
