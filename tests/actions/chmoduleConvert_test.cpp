// The conversions driven as the command runner drives them (the execution builds, the module runs
// the graph): every output named per its suffix and folder (beside the source while no folder is
// set) and read back by ffprobe, the dates a shift and a standard change write, the replace
// question, and what a cancelled run, a folder that refuses files, a name too long, a missing and
// a truncated source leave behind.
#include "formats/AviMuxWriter.h"
#include "platform/rtl/SysUtils.h"
#include "tests/actions/chmoduleFixtures.h"
#include "tests/media/AviFileStreams.h"

using namespace chtest;
using actions::utAdd;
using actions::utNone;
using media::ConversionOutcome;

namespace {

class Convert : public ActionTest {
protected:
    void SetUp() override
    {
        ActionTest::SetUp();
        if (!testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffprobe not installed";
    }

    // Converts `source` with `action`; the output as the execution named it.
    std::string Converted(const std::string& action, const std::string& source, actions::TchUpdateType listed = utAdd)
    {
        Executed r;
        const ConversionOutcome run = RunCommand(action, *Analyse(source), r);
        EXPECT_TRUE(r.outcome.Done) << r.outcome.Message;
        EXPECT_EQ(r.update, listed);
        EXPECT_EQ(run.kind, ConversionOutcome::Completed) << run.text;
        return r.newfichier;
    }
};

// "type codec frames" of each stream.
std::vector<std::string> Streams(const std::string& path)
{
    std::vector<std::string> streams;
    for (const ProbedStream& s : Probe(path))
        streams.push_back(s.type + " " + s.codec + (s.type == "video" ? " " + std::to_string(s.frames) : ""));
    return streams;
}

TEST_F(Convert, StreamCopiesAreNamedAfterTheirSourceAndKeepEveryFrame)
{
    const std::string one = MakeDv("one.avi", {.type2 = false});
    const std::string two = Converted("DVType2", one);
    EXPECT_EQ(two, WorkFile("one_type2.avi"));
    EXPECT_EQ(Streams(two), (std::vector<std::string>{"video dvvideo 10", "audio pcm_s16le"}));
    EXPECT_NEAR(Duration(two), 0.4, 0.01);
    EXPECT_EQ(mediatest::AviFileStreams(two).Count(), 2u);

    const std::string back = Converted("DVtype1", two);
    EXPECT_EQ(back, WorkFile("one_type2_type1.avi"));
    const mediatest::AviFileStreams interleaved(back);
    ASSERT_EQ(interleaved.Count(), 1u);
    EXPECT_EQ(interleaved.Type(0), "iavs");
    EXPECT_EQ(interleaved.Chunks(0).size(), 10u);
    EXPECT_EQ(Probe(back).front().frames, 10);
}

TEST_F(Convert, SoundGoesToAWaveFileThatIsNotListed)
{
    const std::string wav = Converted("ExtraireAudio", MakeDv("clip.avi"), utNone);
    EXPECT_EQ(wav, WorkFile("clip.wav"));
    const std::vector<ProbedStream> s = Probe(wav);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].codec, "pcm_s16le");
    EXPECT_NEAR(s[0].seconds, 0.4, 0.01);
}

TEST_F(Convert, StandardChangesWriteTheOtherStandardWithTheSourcesDates)
{
    settings::SauverDansLeMemeDossier = false;
    settings::DossierPourSauver = (work / "out").string(); // no trailing "/": the folder all the same
    fs::create_directories(work / "out");
    const std::string ntsc = Converted("Ntsc", MakeDv("pal.avi"));
    EXPECT_EQ(ntsc, WorkFile("out/pal_ntsc.avi"));
    const std::vector<ProbedStream> s = Probe(ntsc);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].codec, "dvvideo");
    EXPECT_NEAR(s[0].frames, 12, 1); // 0.4 s at 29.97 frames a second
    EXPECT_EQ(mediatest::AllRecDates(mediatest::AviFileStreams(ntsc).Chunk(0, 0)).front(), "2006-12-07 10:00:00");

    settings::DecalageHoraire = 1.0 / 24; // the standard change shifts by the offset too
    const std::string pal = Converted("Pal", MakeDv("ntsc.avi", {.pal = false, .type2 = false}));
    EXPECT_EQ(pal, WorkFile("out/ntsc_pal.avi"));
    EXPECT_NEAR(Probe(pal).front().frames, 10, 1);
    EXPECT_EQ(mediatest::AllRecDates(mediatest::AviFileStreams(pal).Chunk(0, 0)).front(), "2006-12-07 11:00:00");
}

TEST_F(Convert, WithoutSameFolderAndNoOutputFolderTheOutputGoesBesideTheSource)
{
    settings::SauverDansLeMemeDossier = false;
    settings::DossierPourSauver = "";
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::create_directories(elsewhere);
    const fs::path kept = fs::current_path();
    fs::current_path(elsewhere);
    const std::string output = Converted("DVType2", MakeDv("clip.avi", {.type2 = false}));
    fs::current_path(kept);
    EXPECT_EQ(output, WorkFile("clip_type2.avi"));
    EXPECT_TRUE(fs::exists(output));
    EXPECT_TRUE(fs::is_empty(elsewhere)); // never relative to the working folder
}

TEST_F(Convert, DateShiftIsNamedAfterTheOffsetBoundToTheBatch)
{
    const std::string source = MakeDv("clip.avi");
    const actions::tFileAction shift = ch.DecalerHoraireWith(-1.5);
    settings::DecalageHoraire = 3; // a later choice does not reach the batch
    EXPECT_EQ(Question(shift, *Analyse(source)), "");
    media::Cdm().CdmSeeking = nullptr;
    const Executed r = Execute(shift, *Analyse(source));
    ASSERT_TRUE(r.outcome.Done) << r.outcome.Message;
    EXPECT_EQ(r.newfichier, WorkFile("clip_(-1days12h).avi"));
    ASSERT_EQ(mediatest::RunToEnd(media::Cdm()).kind, ConversionOutcome::Completed);
    const mediatest::AviFileStreams out(r.newfichier);
    for (const std::string& date : mediatest::AllRecDates(out.Chunk(0, 0)))
        EXPECT_EQ(date, "2006-12-05 22:00:00");
    EXPECT_EQ(Streams(r.newfichier), (std::vector<std::string>{"video dvvideo 10", "audio pcm_s16le"}));
}

TEST_F(Convert, OffsetTextsSpellTheOffset)
{
    EXPECT_EQ(actions::OffsetText(1 + 2.0 / 24 + 5.0 / 86400), "+1days2h5s");
    EXPECT_EQ(actions::OffsetText(-30.0 / 1440), "-30mn");
    EXPECT_EQ(actions::OffsetText(0), "+");
    EXPECT_EQ(actions::OffsetText(-1.5), "-1days12h");
    EXPECT_EQ(actions::OffsetText(59.9999999 / 86400), "+1mn"); // whole seconds
}

TEST_F(Convert, BurnInAndRecompressionWriteDvType2)
{
    const std::string in = Converted("IncrusterDatecode", MakeDv("clip.avi", {.type2 = false}));
    EXPECT_EQ(in, WorkFile("clip_in.avi"));
    EXPECT_EQ(Streams(in), (std::vector<std::string>{"video dvvideo 10", "audio pcm_s16le"}));

    const std::string mjpeg = WorkFile("other.avi");
    ASSERT_EQ(testkit::RunCommand("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i "
                                  "sine=sample_rate=44100 -t 0.4 -c:v mjpeg -c:a pcm_s16le " +
                                  mediatest::Quoted(mjpeg)),
              0);
    settings::StandardParDefaut = 2;
    const std::string dv = Converted("ConvertirDV", mjpeg);
    EXPECT_EQ(dv, WorkFile("other_dvtype2.avi"));
    const std::vector<ProbedStream> s = Probe(dv);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].codec, "dvvideo");
    EXPECT_NEAR(s[0].frames, 12, 1);
    EXPECT_EQ(s[1].codec, "pcm_s16le");
}

TEST_F(Convert, RepairKeepsTheVideoAndTheFirstSound)
{
    // A type-2 file whose video stream is the interleaved DV, followed by its sound.
    testkit::DvClipSpec spec;
    spec.frames = 10;
    spec.distinctPictures = 2;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const std::string iavs = WorkFile("iavs.avi");
    {
        testkit::FileByteStream out(iavs);
        formats::AviMuxWriter w(out, {});
        w.AddStream(testkit::DvInterleavedSpec(clip));
        w.AddStream(testkit::PcmSpec(48000, 2));
        ASSERT_TRUE(w.Begin());
        for (size_t k = 0; k < clip.frames.size(); ++k) {
            const auto& pcm = clip.pcm[0][k];
            ASSERT_TRUE(w.WriteChunk(0, clip.frames[k].data(), clip.frames[k].size()));
            ASSERT_TRUE(w.WriteChunk(1, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() * 2));
        }
        ASSERT_TRUE(w.Finish() && out.Close());
    }
    ASSERT_TRUE(Analyse(iavs)->Type2Iavs);
    const std::string fixed = Converted("CorrigerType2", iavs);
    EXPECT_EQ(fixed, WorkFile("iavs_fixed.avi"));
    const mediatest::AviFileStreams out(fixed);
    ASSERT_EQ(out.Count(), 2u);
    EXPECT_EQ(out.Type(0), "vids");
    EXPECT_EQ(out.Chunks(0), clip.frames);
}

TEST_F(Convert, AnExistingOutputIsAskedForAndTheLongQuestionFallsBack)
{
    const std::string source = MakeDv("clip.avi");
    const auto f = Analyse(source);
    EXPECT_EQ(Question("Ntsc", *f), "");
    testkit::WriteFileBytes(WorkFile("clip_ntsc.avi"), "old");
    EXPECT_EQ(Question("Ntsc", *f), "你真的想替换已经存在的 " + WorkFile("clip_ntsc.avi") + "文件吗 ?");

    const std::string deep = (work / std::string(120, 'd') / std::string(120, 'e')).string();
    fs::create_directories(deep);
    fs::rename(source, deep + "/clip.avi");
    testkit::WriteFileBytes(deep + "/clip.wav", "old");
    EXPECT_EQ(Question("ExtraireAudio", *Analyse(deep + "/clip.avi")), "你真的想替换已经存在的文件吗 ?");
}

TEST_F(Convert, EscLeavesTheSourceAndTheOlderOutputAsTheyWere)
{
    const std::string source = MakeDv("clip.avi", {.frames = 30});
    const std::string bytes = testkit::ReadFileBytes(source);
    testkit::WriteFileBytes(WorkFile("clip_pal.avi"), "an older output");
    Executed r;
    settings::DecalageHoraire = 0;
    const ConversionOutcome run =
        RunCommand("IncrusterDatecode", *Analyse(source), r, [] { return true; }); // Esc at once
    EXPECT_EQ(run.kind, ConversionOutcome::Cancelled);
    EXPECT_EQ(r.update, utAdd); // the runner takes it back: the run did not complete
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes);
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"clip.avi", "clip_pal.avi"}));

    testkit::WriteFileBytes(WorkFile("clip_in.avi"), "an older output");
    EXPECT_EQ(RunCommand("IncrusterDatecode", *Analyse(source), r, [] { return true; }).kind,
              ConversionOutcome::Cancelled);
    EXPECT_EQ(testkit::ReadFileBytes(WorkFile("clip_in.avi")), "an older output");
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes);
    EXPECT_EQ(WorkNames(), (std::vector<std::string>{"clip.avi", "clip_in.avi", "clip_pal.avi"}));
}

TEST_F(Convert, AFolderThatRefusesFilesFailsTheRunAndKeepsTheSource)
{
    const std::string source = MakeDv("clip.avi");
    const std::string bytes = testkit::ReadFileBytes(source);
    settings::SauverDansLeMemeDossier = false;
    settings::DossierPourSauver = testkit::UnwritableFolder(dir) + "/";
    Executed r;
    const ConversionOutcome run = RunCommand("DVtype1", *Analyse(source), r);
    EXPECT_EQ(run.kind, ConversionOutcome::Failed);
    EXPECT_FALSE(run.text.empty());
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes);
    EXPECT_FALSE(fs::exists(settings::DossierPourSauver + "clip_type1.avi"));
}

TEST_F(Convert, AnOutputNameOverTheLimitSaysSoAndLeavesNothing)
{
    // "_type2.avi" makes the name six bytes longer: one more than a name may have.
    const std::string source = MakeDv(std::string(NAME_MAX - 9, 'n') + ".avi", {.type2 = false});
    const std::string output = rtl::ChangeFileExt(source, "_type2.avi");
    Executed r;
    const ConversionOutcome run = RunCommand("DVType2", *Analyse(source), r);
    EXPECT_EQ(run.kind, ConversionOutcome::Failed);
    EXPECT_EQ(run.text, "File name too long: \"" + output + "\" was not written.");
    EXPECT_EQ(WorkNames(), std::vector<std::string>{rtl::ExtractFileName(source)});
}

TEST_F(Convert, MissingAndTruncatedSourcesFailOrGiveLessNeverACrash)
{
    const std::string source = MakeDv("clip.avi", {.frames = 20});
    const auto f = Analyse(source);
    const std::string bytes = testkit::ReadFileBytes(source);
    fs::remove(source);
    Executed r;
    EXPECT_EQ(RunCommand("DVtype1", *f, r).kind, ConversionOutcome::NotRun);
    EXPECT_FALSE(r.outcome.Done);
    EXPECT_EQ(r.outcome.Message, "\"clip.avi\" was not converted: the file no longer exists.");
    EXPECT_EQ(r.update, utNone);
    EXPECT_EQ(r.newfichier, "");
    EXPECT_EQ(WorkNames(), std::vector<std::string>{});

    // Cut in the middle of the frames: the index is gone too.
    testkit::WriteFileBytes(source, bytes.substr(0, bytes.size() / 2));
    for (const char* action : {"DVtype1", "IncrusterDatecode", "Ntsc", "ExtraireAudio"}) {
        SCOPED_TRACE(action);
        const ConversionOutcome run = RunCommand(action, *f, r);
        if (run.kind == ConversionOutcome::Completed) {
            const std::vector<ProbedStream> s = Probe(r.newfichier);
            ASSERT_FALSE(s.empty());
            EXPECT_LT(s[0].frames, std::string(action) == "Ntsc" ? 24 : 20);
        } else {
            EXPECT_FALSE(r.outcome.Done && run.kind == ConversionOutcome::NotRun && run.text.empty() &&
                         fs::exists(r.newfichier));
        }
    }
    EXPECT_EQ(testkit::ReadFileBytes(source), bytes.substr(0, bytes.size() / 2));
}

} // namespace
