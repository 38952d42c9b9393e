// The built morvel run headless as a child on real DV files, its outputs read by ffprobe: the date
// rename, type 1 -> type 2, the sound to WAV, the scene list, several letters in one run, a file
// named twice, outputs beside the source while the output folder is not there, Ctrl+C, and a run
// killed mid-conversion. Its settings, data and home folders are temporary: the run saves nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/Headless.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/ByteOrder.h"
#include "settings/Preferences.h"
#include "tests/app/MorvelChild.h"
#include "tests/kit/media/DvClip.h"

using namespace apptest;
using V = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

// Two scenes: 25 frames from 2006-12-31 23:59:50, then 25 from 2007-01-01 10:00:00.
testkit::DvClip TwoScenes(int framesEach = 25)
{
    testkit::DvClipSpec first;
    first.frames = framesEach;
    first.distinctPictures = 2;
    testkit::DvClipSpec second = first;
    second.year = 2007;
    second.month = 1;
    second.day = 1;
    second.hour = 10;
    second.minute = 0;
    second.second = 0;
    testkit::DvClip clip = testkit::MakeDvClip(first);
    const testkit::DvClip more = testkit::MakeDvClip(second);
    clip.frames.insert(clip.frames.end(), more.frames.begin(), more.frames.end());
    clip.samples.insert(clip.samples.end(), more.samples.begin(), more.samples.end());
    for (int pair = 0; pair < 2; ++pair)
        clip.pcm[pair].insert(clip.pcm[pair].end(), more.pcm[pair].begin(), more.pcm[pair].end());
    return clip;
}

std::string Probe(const std::string& file, const std::string& entries, const std::string& streams = {})
{
    std::string out;
    const std::string select = streams.empty() ? std::string() : " -select_streams " + streams;
    const std::string count = entries.find("nb_read_frames") != std::string::npos ? " -count_frames" : "";
    testkit::RunCommand(
        "ffprobe -v error" + count + select + " -show_entries " + entries + " -of csv=p=0 " + Quoted(file), &out);
    return out;
}

std::set<std::string> Folder(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

class HeadlessRun : public testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffprobe is missing";
        fs::create_directory(work);
        clip = work / "x.avi";
        ASSERT_TRUE(testkit::WriteDvType1(clip.string(), TwoScenes()));
        // The date rename's pattern, stored as the user would have it; the run must leave the
        // settings file as it found it.
        Store([] { settings::FormatPourAjouterDatecode = "yyyy.mm.dd_hh.nn.ss"; });
    }

    // Stores the settings as `set` leaves them, for the child to load.
    template <class F> void Store(F set)
    {
        setenv("MORVEL_REGISTRY_DIR", morvel.home.file("registry").c_str(), 1);
        settings::LoadPreferences({});
        set();
        ASSERT_TRUE(settings::SavePreferences());
        unsetenv("MORVEL_REGISTRY_DIR");
        stored.clear();
        for (const auto& e : fs::directory_iterator(morvel.home.file("registry")))
            stored[e.path().string()] = testkit::ReadFileBytes(e.path().string());
    }

    ChildRun Run(const V& args, const std::string& prefix = {}) { return morvel.Run(args, prefix, work.string()); }

    // The settings file is as the test wrote it, and nothing else was written.
    void ExpectNothingSaved()
    {
        std::map<std::string, std::string> now;
        for (const auto& e : fs::directory_iterator(morvel.home.file("registry")))
            now[e.path().string()] = testkit::ReadFileBytes(e.path().string());
        EXPECT_EQ(now, stored);
        for (const char* folder : {"config", "data", "home"})
            EXPECT_TRUE(fs::is_empty(morvel.home.path() / folder)) << folder;
    }

    MorvelChild morvel;
    fs::path work = morvel.home.path() / "work";
    fs::path clip;
    std::map<std::string, std::string> stored;
};

} // namespace

TEST_F(HeadlessRun, DateRenamesTheFileAfterItsFirstFrame)
{
    const ChildRun run = Run({"+hd", "x.avi"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const std::string renamed = (work / "x_2006.12.31_23.59.50.avi").string();
    EXPECT_EQ(Folder(work), std::set<std::string>{"x_2006.12.31_23.59.50.avi"});
    EXPECT_EQ(Lines(run.err), V{"morvel: " + clip.string() + ": Add the datecode: done, renamed to " + renamed});
    EXPECT_EQ(run.out, "");
    ExpectNothingSaved();
}

TEST_F(HeadlessRun, TypeOneBecomesTypeTwoWithEveryFrame)
{
    const ChildRun run = Run({"+h2", "x.avi"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const std::string output = (work / "x_type2.avi").string();
    EXPECT_EQ(Lines(run.err), V{"morvel: " + clip.string() + ": Convert into DV type 2: done, wrote " + output});
    EXPECT_EQ(Probe(output, "stream=codec_name,codec_type"), "dvvideo,video\npcm_s16le,audio\n");
    EXPECT_EQ(Probe(output, "stream=nb_read_frames", "v:0"), "50\n");
    ExpectNothingSaved();
}

TEST_F(HeadlessRun, TheSoundGoesToAWaveFileAsLongAsTheVideo)
{
    const ChildRun run = Run({"+hw", "x.avi"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const std::string wav = (work / "x.wav").string();
    ASSERT_TRUE(fs::exists(wav)) << run.err;
    EXPECT_EQ(Probe(wav, "stream=codec_name,sample_rate,channels"), "pcm_s16le,48000,2\n");
    const double seconds = std::stod(Probe(wav, "format=duration"));
    EXPECT_NEAR(seconds, 2.0, 0.05); // 50 PAL frames
}

TEST_F(HeadlessRun, TheSceneListHoldsTheClipsTwoScenes)
{
    const ChildRun run = Run({"+hs", "x.avi"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const std::string scn = testkit::ReadFileBytes((work / "x.scn").string());
    const size_t nameLength = clip.string().size();
    ASSERT_GT(scn.size(), 69 + nameLength);
    const auto* bytes = reinterpret_cast<const uint8_t*>(scn.data());
    EXPECT_EQ(static_cast<size_t>(bytes[24]), nameLength);
    EXPECT_EQ(rtl::GetLE16(bytes + 33 + nameLength), 2);   // scene count
    EXPECT_EQ(rtl::GetLE32(bytes + 65 + nameLength), 25u); // the first scene ends at frame 25
}

TEST_F(HeadlessRun, SeveralLettersRunInTableOrderOnTheRenamedFileAndNotOnOutputs)
{
    // "d" comes before "2" and "s" in the table: the later batches take the renamed file.
    const ChildRun run = Run({"+hs2d", "x.avi"});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    const std::string stem = "x_2006.12.31_23.59.50";
    EXPECT_EQ(Folder(work), (std::set<std::string>{stem + ".avi", stem + "_type2.avi", stem + ".scn"}));
    EXPECT_EQ(Lines(run.err).size(), 3u) << run.err;
    ExpectNothingSaved();
}

TEST_F(HeadlessRun, AFileNamedTwiceRunsOnce)
{
    const ChildRun run = Run({"+hd", "x.avi", clip.string()});
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    EXPECT_EQ(Folder(work), std::set<std::string>{"x_2006.12.31_23.59.50.avi"});
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
}

TEST_F(HeadlessRun, WithoutSameFolderAndNoOutputFolderTheOutputGoesBesideTheSource)
{
    // "Same folder" off, and the output folder chosen then is not there (any more).
    const fs::path gone = morvel.home.path() / "gone";
    Store([&] {
        settings::SauverDansLeMemeDossier = false;
        settings::DossierPourSauver = gone.string() + "/";
    });
    const fs::path elsewhere = morvel.home.path() / "elsewhere";
    fs::create_directory(elsewhere);
    const ChildRun run = morvel.Run({"+h2", clip.string()}, {}, elsewhere.string());
    EXPECT_EQ(run.status, app::kExitOk) << run.err;
    EXPECT_EQ(Folder(work), (std::set<std::string>{"x.avi", "x_type2.avi"}));
    EXPECT_TRUE(fs::is_empty(elsewhere)); // never relative to the working folder
    EXPECT_FALSE(fs::exists(gone));
    ExpectNothingSaved();
}

TEST_F(HeadlessRun, AMissingNameFailsTheRunButTheOthersRun)
{
    const ChildRun run = Run({"+h2", "missing.avi", "x.avi"});
    EXPECT_EQ(run.status, app::kExitFailed);
    EXPECT_EQ(Lines(run.err).front(), "morvel: missing.avi: no such file");
    EXPECT_TRUE(fs::exists(work / "x_type2.avi"));
}

TEST_F(HeadlessRun, CtrlCCancelsTheConversionLeavesNoFileAndEndsNonZero)
{
    // The interrupt comes as the output's temporary file appears: the conversion has begun.
    ASSERT_TRUE(testkit::WriteDvType1(clip.string(), TwoScenes(250)));
    testkit::WriteFileBytes((work / "x_in.avi").string(), "an older output");
    const std::string source = testkit::ReadFileBytes(clip.string());
    const ChildRun run = morvel.RunAndSignal({"+hi", "x.avi"}, work.string(), ".x_in.avi.morvel-", SIGINT);
    EXPECT_EQ(run.status, 128 + SIGINT) << run.err;
    EXPECT_EQ(Lines(run.err), (V{"morvel: interrupted: the files left were not processed",
                                 "morvel: " + clip.string() + ": Inlay: cancelled"}));
    EXPECT_EQ(Folder(work), (std::set<std::string>{"x.avi", "x_in.avi"}));
    EXPECT_EQ(testkit::ReadFileBytes((work / "x_in.avi").string()), "an older output");
    EXPECT_EQ(testkit::ReadFileBytes(clip.string()), source);
    ExpectNothingSaved();
}

TEST_F(HeadlessRun, AKilledConversionsTemporaryIsGoneOnceItsOutputIsWrittenAgain)
{
    // Killed as the output's temporary file appears: nothing can remove it then.
    ASSERT_TRUE(testkit::WriteDvType1(clip.string(), TwoScenes(250)));
    const ChildRun killed = morvel.RunAndSignal({"+hi", "x.avi"}, work.string(), ".x_in.avi.morvel-", SIGKILL);
    ASSERT_EQ(killed.status, 128 + SIGKILL) << killed.err;
    std::set<std::string> left = Folder(work);
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left.begin()->rfind(".x_in.avi.morvel-", 0), 0u) << *left.begin();

    const ChildRun again = Run({"+hi", "x.avi"});
    EXPECT_EQ(again.status, app::kExitOk) << again.err;
    EXPECT_EQ(Folder(work), (std::set<std::string>{"x.avi", "x_in.avi"}));
}
