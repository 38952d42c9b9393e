// The scene list, the scene text and the subtitles written by the scene graph of real DV files,
// counted at the file's own frame rate, the subtitles' dates moved by the time offset; the
// whole-file scene of a file without DV; the questions; a cancelled scan and a folder that refuses
// files; files without a whole frame, a full disk, a name too long and a video gone before its
// turn; the companion files moved to the trash.
#include <sstream>

#include "formats/AviMuxWriter.h"
#include "formats/scenes.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "tests/actions/BatchTestKit.h"
#include "tests/actions/chmoduleFixtures.h"
#include "tests/kit/FileFault.h"

using namespace chtest;
using actions::utModify;
using actions::utNone;
using media::ConversionOutcome;

namespace {

class Scenes : public ActionTest, public actionstest::WithApplication {
protected:
    static void SetUpTestSuite() { MakeApplication(); }
    static void TearDownTestSuite() { DropApplication(); }

    // Two scenes: `first` frames from 10:00:00, then `second` frames from 14:30:00 (a date jump).
    std::string TwoScenes(const std::string& name, int first, int second, bool pal = true)
    {
        auto part = [&](int frames, int hour, int minute) {
            testkit::DvClipSpec spec;
            spec.pal = pal;
            spec.frames = frames;
            spec.distinctPictures = 2;
            spec.year = 2006;
            spec.month = 12;
            spec.day = 7;
            spec.hour = hour;
            spec.minute = minute;
            spec.second = 0;
            return testkit::MakeDvClip(spec);
        };
        const std::string path = WorkFile(name);
        EXPECT_TRUE(testkit::WriteDvType2(path, mediatest::Joined({part(first, 10, 0), part(second, 14, 30)})));
        return path;
    }

    // Runs a writer to its end; the execution's result.
    Executed Write(const std::string& action, const std::string& video)
    {
        Executed r;
        const ConversionOutcome run = RunCommand(action, *Analyse(video), r);
        EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
        EXPECT_EQ(r.update, utModify);
        EXPECT_EQ(r.newfichier, video);
        EXPECT_TRUE(run.kind == ConversionOutcome::Completed || media::Cdm().CdmSeeking == nullptr) << run.text;
        return r;
    }

    // `action` run on `video` by a batch of its own, as the window and the hidden run run it.
    actions::FileOutcome Batch(const std::string& action, const std::string& video)
    {
        actionstest::Recorder observer;
        actions::TcmdThread batch({Analyse(video)}, ch.Action(action), observer, true);
        EXPECT_TRUE(batch.Wait(60000));
        return observer.outcomes.size() == 1 ? observer.outcomes[0] : actions::FileOutcome{};
    }
};

// The file cut 1000 bytes into its first video chunk: headers and no whole frame. False when it
// has no video chunk.
bool CutInFirstFrame(const std::string& path)
{
    const std::string bytes = testkit::ReadFileBytes(path);
    const size_t first = bytes.find("00dc", bytes.find("movi"));
    testkit::WriteFileBytes(path, bytes.substr(0, first + 8 + 1000));
    return first != std::string::npos;
}

// A two-second MJPEG AVI with sound, written whole and cut a little way into its first picture.
std::string FramelessMjpeg(const std::string& path)
{
    formats::AviStreamSpec video = testkit::DvVideoSpec(true);
    video.handler = rtl::FourCC("MJPG");
    rtl::PutLE32(&video.format[16], rtl::FourCC("MJPG"));
    {
        testkit::FileByteStream out(path);
        formats::AviMuxWriter w(out);
        EXPECT_EQ(w.AddStream(video), 0);
        EXPECT_EQ(w.AddStream(testkit::PcmSpec(48000, 2)), 1);
        EXPECT_TRUE(w.Begin());
        const std::string picture = "\xFF\xD8" + std::string(20000, 'p') + "\xFF\xD9";
        const std::vector<uint8_t> sound(1920 * 4, 0);
        for (int frame = 0; frame < 50; ++frame) {
            w.WriteChunk(0, reinterpret_cast<const uint8_t*>(picture.data()), picture.size());
            w.WriteChunk(1, sound.data(), sound.size());
        }
        EXPECT_TRUE(w.Finish() && out.Close());
    }
    EXPECT_TRUE(CutInFirstFrame(path));
    return path;
}

// The scene count and the frames each scene ends at, from a ".scn" file.
std::vector<int32_t> ScnEnds(const std::string& path, const std::string& video)
{
    const std::string b = testkit::ReadFileBytes(path);
    const size_t l = video.size();
    const auto* p = reinterpret_cast<const uint8_t*>(b.data());
    std::vector<int32_t> ends;
    const int count = rtl::GetLE16(p + 33 + l);
    size_t at = 65 + l;
    for (int k = 0; k < count && at < b.size(); ++k) {
        if (k == 0) {
            ends.push_back(static_cast<int32_t>(rtl::GetLE32(p + at)));
            at += 23 + l;
        } else {
            ends.push_back(static_cast<int32_t>(rtl::GetLE32(p + at + 9) + rtl::GetLE32(p + at + 13)));
            at += 35;
        }
    }
    return ends;
}

// The lines of a text file between its header and its footer.
std::vector<std::string> Body(const std::string& path, bool srt = false)
{
    std::istringstream in(testkit::ReadFileBytes(path));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (srt || (!line.empty() && line.rfind("//", 0) != 0))
            lines.push_back(line);
    }
    return lines;
}

TEST_F(Scenes, SceneListAndSceneTextCountTheFilesOwnFrames)
{
    const std::string video = TwoScenes("tape.avi", 10, 6);
    Write("CreerScenes", video);
    EXPECT_EQ(ScnEnds(WorkFile("tape.scn"), video), (std::vector<int32_t>{10, 16}));
    // A sound extraction right after writes no scene list, and a scan after it is whole again.
    fs::remove(WorkFile("tape.scn"));
    Executed wav;
    EXPECT_EQ(RunCommand("ExtraireAudio", *Analyse(video), wav).kind, ConversionOutcome::Completed);
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"tape.avi", "tape.wav"}));
    Write("CreerScenes", video);
    EXPECT_EQ(ScnEnds(WorkFile("tape.scn"), video), (std::vector<int32_t>{10, 16}));

    Write("ScenesText", video);
    const std::vector<std::string> lines = Body(WorkFile("tape_scn.txt"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("  1,00.00.00.00,00.00.00.10,07/12/2006 10:00:00,", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].rfind(',')), ",00.00.00.10");
    EXPECT_EQ(lines[1].rfind("  2,00.00.00.10,00.00.00.16,07/12/2006 14:30:00,", 0), 0u) << lines[1];

    // At 29.97 frames a second 40 frames are one second and ten frames.
    const std::string ntsc = TwoScenes("ntsc.avi", 40, 2, false);
    Write("ScenesText", ntsc);
    const std::vector<std::string> n = Body(WorkFile("ntsc_scn.txt"));
    ASSERT_EQ(n.size(), 2u);
    EXPECT_EQ(n[0].substr(n[0].rfind(',')), ",00.00.01.10");
}

TEST_F(Scenes, SubtitlesLastTheDisplayTimeInTheFilesOwnFrames)
{
    settings::AutoIncrust = 1;
    settings::DureeIncrustation = 1; // one second: 25 frames of this file
    settings::FormatPourIncrusterDatecode1 = "dd/mm/yyyy";
    settings::FormatPourIncrusterDatecode2 = "hh:nn";
    const std::string video = TwoScenes("tape.avi", 40, 40);
    Write("Creer_srt", video);
    EXPECT_EQ(Body(WorkFile("tape.srt"), true),
              (std::vector<std::string>{"1", "00:00:00,000 --> 00:00:01,000", "07/12/2006", "10:00", "", "2",
                                        "00:00:01,600 --> 00:00:02,600", "07/12/2006", "14:30", ""}));
}

TEST_F(Scenes, SubtitlesShowTheDatesMovedByTheTimeOffset)
{
    settings::AutoIncrust = 1;
    settings::DureeIncrustation = 1;
    settings::FormatPourIncrusterDatecode1 = "dd/mm/yyyy";
    settings::FormatPourIncrusterDatecode2 = "hh:nn";
    settings::DecalageHoraire = -10.5 / 24; // 10:00 becomes 23:30 the day before
    const std::string video = TwoScenes("tape.avi", 40, 40);
    Write("Creer_srt", video);
    EXPECT_EQ(Body(WorkFile("tape.srt"), true),
              (std::vector<std::string>{"1", "00:00:00,000 --> 00:00:01,000", "06/12/2006", "23:30", "", "2",
                                        "00:00:01,600 --> 00:00:02,600", "07/12/2006", "04:00", ""}));
}

TEST_F(Scenes, AFileWithoutDvGetsOneSceneOverItsSound)
{
    testkit::DvClipSpec spec;
    spec.frames = 10;
    spec.distinctPictures = 1;
    const std::string sound = WorkFile("sound.avi");
    ASSERT_TRUE(mediatest::WriteSoundOnly(sound, testkit::MakeDvClip(spec)));
    settings::StandardParDefaut = 2; // 0.4 s at 29.97 frames a second
    Write("CreerScenes", sound);
    EXPECT_EQ(ScnEnds(WorkFile("sound.scn"), sound), std::vector<int32_t>{12});
    Write("ScenesText", sound);
    EXPECT_EQ(Body(WorkFile("sound_scn.txt")), std::vector<std::string>{"  1,00.00.00.00,00.00.00.12,,,00.00.00.12"});

    // Subtitles need the dates of DV frames: no file at all.
    Executed r;
    RunCommand("Creer_srt", *Analyse(sound), r);
    EXPECT_FALSE(r.outcome.Done);
    EXPECT_FALSE(fs::exists(WorkFile("sound.srt")));
}

TEST_F(Scenes, AFileWithoutAWholeFrameFailsAndLeavesTheCompanionsAsTheyWere)
{
    const std::string dv = TwoScenes("dv.avi", 4, 4);
    CutInFirstFrame(dv);
    for (const std::string& video : {FramelessMjpeg(WorkFile("mjpeg.avi")), dv}) {
        SCOPED_TRACE(video);
        std::vector<std::string> companions;
        for (const std::string& ext : {".scn", "_scn.txt", ".srt"})
            companions.push_back(rtl::ChangeFileExt(video, ext));
        for (const std::string& c : companions)
            testkit::WriteFileBytes(c, "old");
        const std::vector<std::string> before = WorkNames();
        for (const char* action : {"CreerScenes", "ScenesText", "Creer_srt"}) {
            const actions::FileOutcome outcome = Batch(action, video);
            EXPECT_EQ(outcome.Result, actions::FileResult::Failed) << action;
            EXPECT_EQ(outcome.Message, rtl::LoadStr(rtl::sid::sRunNothingToRun)) << action;
        }
        EXPECT_EQ(WorkNames(), before);
        for (const std::string& c : companions)
            EXPECT_EQ(testkit::ReadFileBytes(c), "old") << c;
    }
}

TEST_F(Scenes, AFullDiskANameTooLongAndAVideoGoneSayWhy)
{
    const std::string video = TwoScenes("tape.avi", 4, 4);
    testkit::DvClipSpec spec;
    spec.frames = 10;
    const std::string sound = WorkFile("sound.avi");
    ASSERT_TRUE(mediatest::WriteSoundOnly(sound, testkit::MakeDvClip(spec)));
    {
        // The scan's writers and the whole-file scene alike give the conversions' text.
        testkit::FileFault full(testkit::FileFault::Step::Write, ENOSPC);
        for (const auto& [action, ext] :
             {std::pair{"CreerScenes", ".scn"}, {"ScenesText", "_scn.txt"}, {"Creer_srt", ".srt"}}) {
            const std::string said = "The disk is full: \"" + rtl::ChangeFileExt(video, ext) + "\" was not written.";
            EXPECT_EQ(Batch(action, video).Message, said);
            if (std::string(action) != "Creer_srt")
                EXPECT_EQ(Batch(action, sound).Message,
                          "The disk is full: \"" + rtl::ChangeFileExt(sound, ext) + "\" was not written.");
        }
    }
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"sound.avi", "tape.avi"}));

    // The text list's name is four bytes longer than the video's: one too many here.
    const std::string longest = WorkFile(std::string(NAME_MAX - 7, 'l') + ".avi");
    fs::rename(video, longest);
    EXPECT_EQ(Batch("ScenesText", longest).Message,
              "File name too long: \"" + rtl::ChangeFileExt(longest, "_scn.txt") + "\" was not written.");

    const auto gone = Analyse(longest);
    fs::remove(longest);
    for (const char* action : {"CreerScenes", "ScenesText", "Creer_srt"}) {
        const Executed r = Execute(action, *gone);
        EXPECT_EQ(r.outcome.Message,
                  "No scenes can be read from \"" + gone->FileName + "\": the file no longer exists.");
    }
    EXPECT_EQ(WorkNames(), std::vector<std::string>{"sound.avi"});
}

TEST_F(Scenes, AnExistingCompanionIsAskedFor)
{
    const std::string video = TwoScenes("tape.avi", 4, 4);
    const auto f = Analyse(video);
    EXPECT_EQ(Question("CreerScenes", *f), "");
    for (const char* name : {"tape.scn", "tape_scn.txt", "tape.srt"})
        testkit::WriteFileBytes(WorkFile(name), "old");
    EXPECT_EQ(Question("CreerScenes", *f), "你真的想替换已经存在的 " + WorkFile("tape.scn") + "文件吗 ?");
    EXPECT_EQ(Question("ScenesText", *f), "你真的想替换已经存在的 " + WorkFile("tape_scn.txt") + "文件吗 ?");
    EXPECT_EQ(Question("Creer_srt", *f), "你真的想替换已经存在的 " + WorkFile("tape.srt") + "文件吗 ?");

    const std::string deep = (work / std::string(200, 'd')).string() + "/" + std::string(50, 'e') + ".avi";
    fs::create_directories(rtl::ExtractFileDir(deep));
    fs::rename(video, deep);
    for (const char* ext : {".scn", "_scn.txt", ".srt"})
        testkit::WriteFileBytes(rtl::ChangeFileExt(deep, ext), "old");
    const auto g = Analyse(deep);
    EXPECT_EQ(Question("CreerScenes", *g), "Do you want to replace the existing scn-file ?");
    EXPECT_EQ(Question("ScenesText", *g), "你真的想替换已经存在的文件吗 ?");
    EXPECT_EQ(Question("Creer_srt", *g), "你真的想替换已经存在的文件吗 ?");
}

TEST_F(Scenes, ACancelledScanLeavesTheOldFiles)
{
    const std::string video = TwoScenes("tape.avi", 20, 20);
    testkit::WriteFileBytes(WorkFile("tape.scn"), "old scenes");
    testkit::WriteFileBytes(WorkFile("tape.srt"), "old subtitles");
    Executed r;
    EXPECT_EQ(RunCommand("CreerScenes", *Analyse(video), r, [] { return true; }).kind, ConversionOutcome::Cancelled);
    EXPECT_EQ(RunCommand("Creer_srt", *Analyse(video), r, [] { return true; }).kind, ConversionOutcome::Cancelled);
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("tape.scn")), "old scenes");
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("tape.srt")), "old subtitles");
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"tape.avi", "tape.scn", "tape.srt"}));
}

TEST_F(Scenes, AFolderThatRefusesFilesFailsAndRunsNothing)
{
    const auto f = Analyse(MoveInto("locked", TwoScenes("tape.avi", 4, 4), "tape.avi"));
    Lock("locked");
    bool skipped = false;
    const bool verdict = AsNobody(
        dir,
        [&] {
            for (const char* action : {"CreerScenes", "ScenesText", "Creer_srt"}) {
                media::Cdm().CdmSeeking = nullptr;
                const Executed r = Execute(action, *f);
                if (r.outcome.Done || r.outcome.Message.find("was not written") == std::string::npos ||
                    media::Cdm().CdmSeeking != nullptr)
                    return false;
            }
            return true;
        },
        skipped);
    if (skipped)
        GTEST_SKIP() << "cannot give up root here";
    EXPECT_TRUE(verdict);
    EXPECT_EQ(fs::directory_iterator(work / "locked")->path().filename(), "tape.avi");
}

TEST_F(Scenes, CompanionsGoToTheTrash)
{
    const std::string video = TwoScenes("tape.avi", 4, 4);
    testkit::WriteFileBytes(WorkFile("tape.scn"), "scenes");
    const auto f = Analyse(video);
    EXPECT_EQ(Question("SupprimerScenes", *f),
              "Do you really want to move the file " + WorkFile("tape.scn") + " to the recycle bin?");
    const Executed r = Execute("SupprimerScenes", *f);
    EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.update, utModify);
    EXPECT_EQ(testkit::ReadFileBytes((home / ".local/share/Trash/files/tape.scn").string()), "scenes");
    EXPECT_EQ(WorkNames(), std::vector<std::string>{"tape.avi"});

    const Executed none = Execute("Supprimer_srt", *f);
    EXPECT_FALSE(none.outcome.Done);
    EXPECT_EQ(none.outcome.Message, "不会发生删除 " + WorkFile("tape.srt") + "\n文件在使用或可能是只读属性");
    EXPECT_EQ(none.update, utNone);
}

} // namespace
