// The analysis through the probe graph: real DV files of the media kit with their first-frame
// data, the markers, files it must never write to, and bad input.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "actions/aviFichier.h"
#include "formats/fpsunit.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"
#include "tests/actions/AnalysisFiles.h"
#include "tests/kit/RiffBuilder.h"

using namespace actions;

namespace {

class KitAnalysis : public ::testing::Test {
protected:
    static void SetUpTestSuite() { files_ = new actionstest::AnalysisFiles(); }
    static void TearDownTestSuite() { delete files_; }
    static inline actionstest::AnalysisFiles* files_ = nullptr;
};

struct Expected {
    const char* file;
    const char* codec;
    int dvType;
    int standard;
    double fps;
    const char* image;
    int height;
    const char* audio1;
    const char* audio2;
    const char* duree;
};

// File metadata that a write would change.
struct Stamp {
    std::string bytes;
    struct stat st {};
    explicit Stamp(const std::string& path) : bytes(testkit::ReadFileBytes(path)) { stat(path.c_str(), &st); }
    void ExpectSame(const std::string& path) const
    {
        struct stat now {};
        ASSERT_EQ(stat(path.c_str(), &now), 0);
        EXPECT_EQ(testkit::ReadFileBytes(path), bytes) << path;
        EXPECT_EQ(now.st_size, st.st_size) << path;
        EXPECT_EQ(now.st_mtim.tv_sec, st.st_mtim.tv_sec) << path;
        EXPECT_EQ(now.st_mtim.tv_nsec, st.st_mtim.tv_nsec) << path;
        EXPECT_EQ(now.st_ctim.tv_sec, st.st_ctim.tv_sec) << path;
        EXPECT_EQ(now.st_ctim.tv_nsec, st.st_ctim.tv_nsec) << path;
    }
};

// What a file the analysis cannot read shows: empty date texts (which no date action takes), the
// unreadable sort key, and no picture, sound, codec or rate.
void ExpectUnreadableMarkers(const TAfficherFichier& f)
{
    EXPECT_EQ(f.Datecode, "");
    EXPECT_EQ(f.Timecode, "");
    EXPECT_EQ(f.RecDateKey, "\xFF");
    EXPECT_EQ(f.RecDateKey2.substr(0, 1), "\xFF");
    EXPECT_EQ(f.Image, "N/A");
    EXPECT_EQ(f.Audio1, "N/A");
    EXPECT_EQ(f.Codec, "");
    EXPECT_EQ(f.Fps, 0);
    EXPECT_FALSE(f.Valid);
}

} // namespace

TEST_F(KitAnalysis, DvFilesOfTheKitGiveTheirFormatsAndFirstFrameData)
{
    const Expected cases[] = {
        {"pal1.avi", "dvsd", 1, 1, 25.0, "720 x 576 (Pal 4x3)", 540, "48000赫兹 16 比特  立体声", "PCM 192000 字节/秒",
         "10fr"},
        {"pal2wide.avi", "dvsd", 2, 1, 25.0, "720 x 576 (Pal 16x9)", 405, "48000赫兹 16 比特  立体声",
         "PCM 192000 字节/秒", "10fr"},
        // Ten NTSC frames last 3336667 units, a few short of ten frame durations of 333667: all
        // ten count.
        {"ntsc1wide.avi", "dvsd", 1, 2, 30000.0 / 1001, "720 x 480 (NTSC 16x9)", 405, "48000赫兹 16 比特  立体声",
         "PCM 192000 字节/秒", "10fr"},
        {"ntsc2.avi", "dvsd", 2, 2, 29.97, "720 x 480 (NTSC 4x3)", 540, "48000赫兹 16 比特  立体声",
         "PCM 192000 字节/秒", "10fr"},
        // 32 kHz DV sound is 12-bit: the text says so whatever the decoder widens it to.
        {"four1.avi", "dvsd", 1, 1, 25.0, "720 x 576 (Pal 4x3)", 540, "32000赫兹 12(16) 比特  立体声",
         "PCM 128000 字节/秒", "10fr"},
        {"four2.avi", "dvsd", 2, 1, 25.0, "720 x 576 (Pal 4x3)", 540, "32000赫兹 12(16) 比特  立体声",
         "PCM 128000 字节/秒", "10fr"},
        // The DV filters refuse "CDVC": the second try reads it as "dvsd" and the file is DV.
        {"cdvc1.avi", "CDVC", 1, 1, 25.0, "720 x 576 (Pal 4x3)", 540, "48000赫兹 16 比特  立体声", "PCM 192000 字节/秒",
         "10fr"},
    };
    for (const Expected& e : cases) {
        SCOPED_TRACE(e.file);
        const TAfficherFichier f((*files_)[e.file]);
        EXPECT_TRUE(f.Exists);
        EXPECT_TRUE(f.Valid);
        EXPECT_EQ(f.Codec, e.codec);
        EXPECT_EQ(f.DVType, e.dvType);
        EXPECT_EQ(f.Type2Iavs, false);
        EXPECT_EQ(f.Standard, e.standard);
        EXPECT_DOUBLE_EQ(f.Fps, e.fps);
        EXPECT_EQ(f.Image, e.image);
        EXPECT_EQ(f.Width, 720);
        EXPECT_EQ(f.Height, e.height);
        EXPECT_EQ(f.Audio1, e.audio1);
        EXPECT_EQ(f.Audio2, e.audio2);
        EXPECT_EQ(f.Duree, e.duree);
        EXPECT_EQ(f.VideoDuration, e.standard == 1 ? 4'000'000 : 3'336'667);
        EXPECT_GT(f.AudioDuration, 0);
        EXPECT_EQ(f.DVVAuxSrc != 0, e.dvType == 1);
        if (e.dvType == 1) {
            EXPECT_EQ((f.DVVAuxSrc & 0x200000) != 0, e.standard == 1);
        }
        // The first frame's date and time code, as the kit wrote them.
        EXPECT_EQ(rtl::FormatDateTime("yyyymmddhhnnss", f.RecDate), "20061231235950");
        EXPECT_EQ(f.Datecode, rtl::FormatDateTime(settings::FormatPourAfficherDatecode, f.RecDate));
        EXPECT_EQ(f.Timecode, "00.00.00.00");
        EXPECT_EQ(f.RecDateKey, "20061231235950");
        EXPECT_EQ(f.WideScreen, e.height == 405);
        EXPECT_EQ(f.RecDateKey2, "20061231235950" + rtl::LowerCase(f.FileName + f.FullName) + '\x01' + f.FullName);
    }
}

TEST_F(KitAnalysis, CompanionFilesAreLookedForBesideThePathGiven)
{
    testkit::TempDir dir;
    const std::string clip = dir.file("Clip.avi");
    std::filesystem::copy_file((*files_)["pal1.avi"], clip);
    EXPECT_FALSE(TAfficherFichier(clip).ScnExists);
    testkit::WriteFileBytes(dir.file("Clip.scn"), "");
    testkit::WriteFileBytes(dir.file("Clip.SRT"), ""); // names are case-sensitive
    const TAfficherFichier f(clip);
    EXPECT_TRUE(f.ScnExists);
    EXPECT_FALSE(f.SrtExists);
    testkit::WriteFileBytes(dir.file("Clip.srt"), "");
    EXPECT_TRUE(TAfficherFichier(clip).SrtExists);
}

TEST_F(KitAnalysis, NeverWritesToTheFileItReads)
{
    for (const auto& [name, path] : files_->files) {
        SCOPED_TRACE(name);
        const Stamp before(path);
        const TAfficherFichier f(path);
        before.ExpectSame(path);
    }
    // A read-only file analyses the same, and the "CDVC" file keeps its code.
    const std::string cdvc = (*files_)["cdvc1.avi"];
    ASSERT_EQ(chmod(cdvc.c_str(), 0444), 0);
    const Stamp before(cdvc);
    EXPECT_TRUE(TAfficherFichier(cdvc).Valid);
    before.ExpectSame(cdvc);
    EXPECT_EQ(formats::ReadVideoHandler(cdvc), rtl::FourCC("CDVC"));
    ASSERT_EQ(chmod(cdvc.c_str(), 0644), 0);
}

TEST(BadInput, AviCutBeforeItsDataIsUnreadableAndAfterItIsRead)
{
    testkit::AviSpec spec;
    spec.idx1 = true;
    spec.indxType = 0;
    testkit::RiffBuilder avi = testkit::MakeAvi(spec);
    const std::string whole = avi.build();
    testkit::TempDir dir;
    const std::string cut = dir.file("cut.avi");
    // At each chunk before the data, and after its header.
    std::vector<int64_t> cuts;
    for (const char* mark : {"strh0", "strf0", "indx0", "strh1", "strf1", "movi"}) {
        cuts.push_back(avi.at(mark));
        cuts.push_back(avi.at(mark) + 8);
    }
    for (int64_t at : cuts) {
        SCOPED_TRACE(at);
        testkit::WriteFileBytes(cut, whole.substr(0, static_cast<size_t>(at)));
        const TAfficherFichier f(cut);
        EXPECT_TRUE(f.Exists);
        ExpectUnreadableMarkers(f);
    }
    // The probe walks the movie list when the index is cut off or the last chunk is short.
    for (int64_t at : {avi.at("idx1"), avi.at("idx1") + 8, avi.at("end") - 1, avi.at("end")}) {
        SCOPED_TRACE(at);
        testkit::WriteFileBytes(cut, whole.substr(0, static_cast<size_t>(at)));
        EXPECT_TRUE(TAfficherFichier(cut).Valid);
    }
}

TEST(BadInput, EachGivesMarkersNeverAnExceptionOrAHang)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("empty.avi"), "");
    testkit::WriteFileBytes(dir.file("wave.avi"),
                            testkit::RiffBuilder().riff("WAVE").chunk("fmt ", testkit::WaveFormat()).build());
    std::filesystem::create_directory(dir.path() / "folder.avi");
    ASSERT_EQ(mkfifo(dir.file("pipe.avi").c_str(), 0644), 0); // opening it would wait for a writer
    for (const char* name : {"missing.avi", "empty.avi", "wave.avi", "folder.avi", "pipe.avi"}) {
        SCOPED_TRACE(name);
        const TAfficherFichier f(dir.file(name));
        EXPECT_EQ(f.Exists, std::string(name) != "missing.avi");
        ExpectUnreadableMarkers(f);
    }
}

TEST(BadInput, AbsurdHeaderFieldsStayInRange)
{
    testkit::TempDir dir;
    testkit::AviSpec spec;
    spec.scale = 0xFFFFFFFF; // a frame lasting 136 years
    spec.rate = 1;
    std::string bytes = testkit::MakeAvi(spec).build();
    testkit::WriteFileBytes(dir.file("slow.avi"), bytes);
    const TAfficherFichier slow(dir.file("slow.avi"));
    EXPECT_TRUE(slow.Valid);
    EXPECT_EQ(slow.Fps, 0);                                   // below 0.005 frames per second
    EXPECT_EQ(slow.AudioDuree.find("fr"), std::string::npos); // no rate: a time in milliseconds

    spec.scale = 1;
    spec.rate = 0; // no frame duration at all
    testkit::WriteFileBytes(dir.file("still.avi"), testkit::MakeAvi(spec).build());
    const TAfficherFichier still(dir.file("still.avi"));
    EXPECT_EQ(still.Fps, 0);
    EXPECT_EQ(still.Duree, "0milliseconds");
    EXPECT_EQ(still.AudioDuree, "0milliseconds");

    // Huge picture sizes and an audio header of 65535 channels.
    auto avi =
        testkit::RiffBuilder()
            .riff("AVI ")
            .list("hdrl")
            .chunk("avih", testkit::Avih({}))
            .list("strl")
            .chunk("strh", testkit::Strh({.length = 0xFFFFFFFF}))
            .chunk("strf", testkit::BitmapInfo(INT32_MAX, INT32_MIN, "dvsd"))
            .end()
            .list("strl")
            .chunk("strh",
                   testkit::Strh({.type = "auds", .handler = "", .scale = 0xFFFFFFFF, .rate = 1, .length = 0xFFFFFFFF}))
            .chunk("strf", testkit::WaveFormat(1, 65535, 0xFFFFFFFF, 0xFFFF))
            .end()
            .end()
            .list("movi")
            .end()
            .end()
            .build();
    testkit::WriteFileBytes(dir.file("huge.avi"), avi);
    const TAfficherFichier huge(dir.file("huge.avi"));
    EXPECT_TRUE(huge.Valid);
    EXPECT_EQ(huge.Width, INT32_MAX);
    EXPECT_EQ(huge.Height, static_cast<int32_t>(int64_t{INT32_MAX} * 3 / 4));
    EXPECT_EQ(huge.Audio1, "N/A"); // the probe takes no sound of 65535 channels
}

TEST(BadInput, AnUnreadableFileIsMarkedUnreadable)
{
    testkit::TempDir dir;
    const std::string path = dir.file("locked.avi");
    testkit::AviSpec spec;
    testkit::WriteFileBytes(path, testkit::MakeAvi(spec).build());
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    // Root reads any file, so the analysis runs in a child that has given up root.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        const TAfficherFichier f(path);
        const bool marked = f.Exists && f.Datecode.empty() && f.Timecode.empty() && f.RecDateKey == "\xFF" &&
                            f.Image == "N/A" && !f.Valid && f.Size() > 0;
        _exit(marked ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(BadInput, AnUnknownCodecIsProbedAgainAsDvAndMarkedWhenThatFailsToo)
{
    testkit::TempDir dir;
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        testkit::AviSpec spec;
        spec.dvType = type;
        spec.handler = "XXXX";
        testkit::RiffBuilder avi = testkit::MakeAvi(spec);
        const std::string whole = avi.build();
        const std::string path = dir.file("x.avi");
        // Read as DV in the second try, but only the DV codes make a DV file.
        testkit::WriteFileBytes(path, whole);
        const TAfficherFichier f(path);
        EXPECT_EQ(f.Image, "720 x 576");
        EXPECT_NE(f.Audio1, "N/A");
        EXPECT_FALSE(f.Valid);
        EXPECT_EQ(f.RecDateKey, "\xFE");
        testkit::WriteFileBytes(path, whole.substr(0, static_cast<size_t>(avi.at("movi") + 8)));
        ExpectUnreadableMarkers(TAfficherFichier(path));
    }
}

// Headers that read, an unknown codec, and neither probe opens the file (a second interleaved
// stream the DV trial leaves alone refuses the DV Splitter): unreadable, whatever was found.
TEST(BadInput, AFileNeitherProbeOpensIsMarkedUnreadableThoughItsHeadersRead)
{
    testkit::TempDir dir;
    testkit::AvihFields main;
    main.streams = 3;
    testkit::RiffBuilder b;
    b.riff("AVI ").list("hdrl").chunk("avih", testkit::Avih(main));
    testkit::StrhFields video;
    video.handler = "XQZV";
    b.list("strl").chunk("strh", testkit::Strh(video)).chunk("strf", testkit::BitmapInfo(64, 48, "XQZV", 24, 9216));
    b.end();
    testkit::StrhFields dv;
    dv.type = "iavs";
    dv.handler = "XXXX";
    for (int n = 0; n < 2; ++n)
        b.list("strl").chunk("strh", testkit::Strh(dv)).chunk("strf", testkit::DvInfoBlock()).end();
    b.end().list("movi");
    for (int f = 0; f < 3; ++f)
        b.chunk("00dc", std::string(16, 'v')).chunk("01__", std::string(16, 'a')).chunk("02__", std::string(16, 'b'));
    b.end();
    const std::string path = dir.file("twice.avi");
    testkit::WriteFileBytes(path, b.build());
    const TAfficherFichier f(path);
    EXPECT_EQ(f.Image, "64 x 48"); // what the probe found before it failed
    EXPECT_EQ(f.Datecode, "");
    EXPECT_EQ(f.Timecode, "");
    EXPECT_EQ(f.RecDateKey, "\xFF");
    EXPECT_FALSE(f.Valid);
    EXPECT_EQ(formats::ReadVideoHandler(path), rtl::FourCC("XXXX")); // never patched
}
