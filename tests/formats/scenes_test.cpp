// The ".scn", "_scn.txt" and ".srt" writers: exact bytes and lines, the scene cap, long names,
// and failures that leave existing files alone.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "formats/scenes.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
namespace fs = std::filesystem;
using testkit::LE32;

namespace {

DVFrameInfo At(uint32_t frame)
{
    DVFrameInfo f;
    f.Frame = frame;
    return f;
}

DVFrameInfo Dated(uint32_t frame, rtl::TDateTime date, DVTimeCode tc)
{
    DVFrameInfo f = At(frame);
    f.DateValid = 1;
    f.RecDate = date;
    f.TimecodeValid = 1;
    f.Timecode = tc;
    return f;
}

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s += static_cast<char>(b);
    return s;
}

std::string ScnHeader(const std::string& name, uint16_t count)
{
    return Bytes({0x63, 0x26, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x03, 0x00, 0x0A, 0x00}) + "SourceTape" +
           static_cast<char>(name.size()) + name + std::string(8, '\0') + Bytes({count & 0xFF, count >> 8}) +
           Bytes({0xFF, 0xFF, 0x01, 0x00, 0x04, 0x00}) + "ClipP" + std::string(3, '\0') +
           Bytes({0xFF, 0xFF, 0x01, 0x00, 0x05, 0x00}) + "Scene" + std::string(5, '\0');
}

std::string FirstEntry(const std::string& name, int32_t end)
{
    return LE32(end) + std::string(4, '\0') + Bytes({0x01, 0x80}) + static_cast<char>(name.size()) + name +
           std::string(8, '\0') + LE32(end);
}

std::string LaterEntry(int32_t start, int32_t length)
{
    return Bytes({0x03, 0x80, 0xF0, 0x00, 0x00, 0x00, 0x05, 0x80, 0x00}) + LE32(start) + LE32(length) +
           Bytes({0x00, 0x00, 0x00, 0x00, 0x07, 0x00}) + LE32(start) + LE32(length) + LE32(start);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t end = text.find("\r\n", pos);
        EXPECT_NE(end, std::string::npos) << "last line without CR LF";
        if (end == std::string::npos)
            break;
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// Writes the scenes (first and end frame) of `video` and gives the ".scn" bytes.
std::string Scn(const std::string& video, std::initializer_list<std::pair<uint32_t, uint32_t>> scenes)
{
    ScnFileWriter w;
    EXPECT_TRUE(w.OpenScnFile(video)) << w.LastError();
    for (const auto& [from, to] : scenes)
        w.WriteScnScene(At(from), At(to));
    EXPECT_TRUE(w.CloseScnFile()) << w.LastError();
    return testkit::ReadFileBytes(ScnFileName(video));
}

// Files left in the folder, to catch temporary files that were not cleaned up.
size_t FileCount(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(SceneTimes, FrameCountsAsTimeTexts)
{
    // 539 frames at 29.97 are 17 s and 29.51 frames: frame 30 of a second is the next second.
    // A rate read from a damaged file gives the no-rate text: the scene text is written on the
    // streaming thread, where a raised error or an overflow would end the program.
    const double ntsc = 30000.0 / 1001, inf = std::numeric_limits<double>::infinity();
    const struct {
        int64_t frames;
        double fps;
        const char* want;
    } cases[] = {{1000, 25, "00.00.40.00"},
                 {1000, ntsc, "00.00.33.11"},
                 {(3600 + 61) * 25 + 24, 25, "01.01.01.24"},
                 {539, ntsc, "00.00.18.00"},
                 {100, 0, "0:00:00:00"},
                 {1000, inf, "0:00:00:00"},
                 {1000, std::numeric_limits<double>::quiet_NaN(), "0:00:00:00"},
                 {4000000000LL, 1e-12, "0:00:00:00"}};
    for (const auto& c : cases)
        EXPECT_EQ(FramesToTimeStr(c.frames, c.fps), c.want) << c.frames << " at " << c.fps;
    EXPECT_NO_THROW(FramesToTimeStr(1000, 1e300));
    for (int64_t f = 0; f < 200000; f += 7)
        ASSERT_LT(std::stoi(FramesToTimeStr(f, ntsc).substr(9)), 30) << f;
    EXPECT_EQ(FramesToSrtTime(1, 333667), "00:00:00,033");
    EXPECT_EQ(FramesToSrtTime(90000 + 13, 400000), "01:00:00,520");
}

// --- ".scn" ---

TEST(ScnFile, FirstSceneGivesItsEndLaterOnesTheirStartsAndLengths)
{
    testkit::TempDir dir;
    const std::string video = dir.file("three.avi");
    EXPECT_EQ(Scn(video, {{0, 250}, {250, 600}, {600, 1000}}),
              ScnHeader(video, 3) + FirstEntry(video, 250) + LaterEntry(250, 350) + LaterEntry(600, 400));
    EXPECT_EQ(FileCount(dir.path()), 1u);
    // A stream stopped before its first frame leaves an empty list.
    EXPECT_EQ(Scn(video, {{0, 0}}), ScnHeader(video, 0));
}

TEST(ScnFile, KeepsTheFirst32767Scenes)
{
    testkit::TempDir dir;
    const std::string video = dir.file("many.avi");
    ScnFileWriter w;
    ASSERT_TRUE(w.OpenScnFile(video));
    for (uint32_t i = 0; i < 32770; ++i)
        w.WriteScnScene(At(i * 2), At(i * 2 + 2));
    ASSERT_TRUE(w.CloseScnFile());
    EXPECT_EQ(w.SceneCount(), 32770);
    const std::string bytes = testkit::ReadFileBytes(dir.file("many.scn"));
    ASSERT_EQ(bytes.size(), 65 + video.size() + 23 + video.size() + 32766 * 35);
    const size_t countPos = 33 + video.size();
    EXPECT_EQ(rtl::GetLE16(reinterpret_cast<const uint8_t*>(bytes.data()) + countPos), 32767);
    EXPECT_EQ(bytes.substr(bytes.size() - 35), LaterEntry(2 * 32766, 2));
}

TEST(ScnFile, LongUnicodeNameIsCutAtACharacterBoundary)
{
    testkit::TempDir dir;
    // Pad with an ASCII folder so that byte 255 of the path falls inside a two-byte character.
    const std::string base = dir.path().string() + "/";
    std::string folder = base + "p/";
    if ((255 - folder.size()) % 2 == 0)
        folder = base + "pp/";
    std::string longDir = folder;
    for (int i = 0; i < 120; ++i) // 240 bytes: one folder name may hold 255
        longDir += "\xC3\xA9";    // é
    fs::create_directories(longDir);
    const std::string video = longDir + "/\xE6\x97\xA5\xE6\x9C\xAC.avi"; // 日本.avi
    ASSERT_GT(video.size(), 255u);
    ASSERT_EQ(static_cast<uint8_t>(video[255]) & 0xC0, 0x80) << "test path must cut a character";

    const std::string bytes = Scn(video, {{0, 10}});
    const size_t length = static_cast<uint8_t>(bytes[24]);
    EXPECT_EQ(length, 254u);
    const std::string stored = video.substr(0, length);
    EXPECT_EQ(bytes, ScnHeader(stored, 1) + FirstEntry(stored, 10));
}

TEST(SceneWriters, AnOldFileIsReplacedOnlyByAClose)
{
    testkit::TempDir dir;
    const std::string video = dir.file("clip.avi");
    testkit::WriteFileBytes(dir.file("clip.scn"), "old list");
    testkit::WriteFileBytes(dir.file("clip.srt"), "old");
    {
        ScnFileWriter abandoned;
        ASSERT_TRUE(abandoned.OpenScnFile(video));
        abandoned.WriteScnScene(At(0), At(100));
        EXPECT_EQ(testkit::ReadFileBytes(dir.file("clip.scn")), "old list");
    } // dropped without a close
    SrtFileWriter discarded;
    ASSERT_TRUE(discarded.OpenSrtFile(video));
    discarded.AddSrtEntry(At(0), "a", "b", 400000);
    discarded.AddSrtEntry(At(1), "", "", 400000);
    discarded.Discard();
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("clip.scn")), "old list");
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("clip.srt")), "old");
    EXPECT_EQ(FileCount(dir.path()), 2u);
    {
        testkit::FileFault fault(testkit::FileFault::Step::SyncFile);
        ScnFileWriter unsynced;
        ASSERT_TRUE(unsynced.OpenScnFile(video));
        unsynced.WriteScnScene(At(0), At(100));
        EXPECT_FALSE(unsynced.CloseScnFile());
        EXPECT_NE(unsynced.LastError().find("clip.scn"), std::string::npos) << unsynced.LastError();
    }
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("clip.scn")), "old list");
    EXPECT_EQ(FileCount(dir.path()), 2u);
    EXPECT_EQ(Scn(video, {{0, 100}}), ScnHeader(video, 1) + FirstEntry(video, 100));
}

TEST(SceneWriters, UnwritableFolderIsReportedAndNothingIsWritten)
{
    testkit::TempDir dir;
    const std::string video = testkit::UnwritableFolder(dir) + "/clip.avi";
    ScnFileWriter w;
    EXPECT_FALSE(w.OpenScnFile(video));
    EXPECT_NE(w.LastError().find("clip.scn"), std::string::npos) << w.LastError();
    w.WriteScnScene(At(0), At(10));
    EXPECT_FALSE(w.CloseScnFile());
    EXPECT_FALSE(fs::exists(ScnFileName(video)));
    ScnTxtWriter t;
    EXPECT_FALSE(t.OpenScnTxt(video, {25.0, "1.0", ""}));
    EXPECT_FALSE(t.LastError().empty());
    EXPECT_FALSE(t.CloseScnTxt());
    SrtFileWriter srt;
    EXPECT_FALSE(srt.OpenSrtFile(video));
    EXPECT_FALSE(srt.LastError().empty());
}

// --- "_scn.txt" ---

namespace {

class FixedClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        rtl::SetClock([] { return rtl::EncodeDateTime(2007, 1, 2, 3, 4, 5, 0); });
    }
    void TearDown() override { rtl::SetClock({}); }
};

using ScnTxt = FixedClock;

} // namespace

TEST_F(ScnTxt, HeaderSceneLineAndFooter)
{
    testkit::TempDir dir;
    fs::create_directory(dir.path() / "My Tapes");
    const std::string video = (dir.path() / "My Tapes" / "Clip.AVI").string();
    ScnTxtWriter w;
    ASSERT_TRUE(w.OpenScnTxt(video, {25.0, "1.2.3", "yyyy/mm/dd hh:nn:ss"})) << w.LastError();
    w.WriteScnTxtLine(Dated(0, rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0), {1, 2, 3, 4}), At(1000));
    ASSERT_TRUE(w.CloseScnTxt()) << w.LastError();

    const std::string lower = rtl::LowerCase(video);
    const std::vector<std::string> expected = {
        "//--------------------------------------------------",
        "// List of scenes of the video file:",
        "//",
        "// ***   " + lower + "   ***",
        "//",
        "// exported by Morvel version 1.2.3 En",
        "// with format:",
        "// scene number, start, end, datecode, timecode, duration",
        "//",
        "//--------------------------------------------------",
        "",
        "  1,00.00.00.00,00.00.40.00,2006/12/31 23:59:58,1:02:03:04,00.00.40.00",
        "",
        "//--------------------------------------------------",
        "// Terminated on Tuesday 2 January 2007 at 03:04:05",
        "//",
    };
    EXPECT_EQ(Lines(testkit::ReadFileBytes(dir.file("My Tapes/Clip_scn.txt"))), expected);
}

TEST_F(ScnTxt, UndatedScenesHaveEmptyColumnsAndEveryCallIsCounted)
{
    testkit::TempDir dir;
    const std::string video = dir.file("tape.avi");
    ScnTxtWriter w;
    ASSERT_TRUE(w.OpenScnTxt(video, {30000.0 / 1001, "1.0", "dd/mm/yyyy"}));
    w.WriteScnTxtLine(At(0), At(0));
    w.WriteScnTxtLine(At(0), At(539));
    w.WriteScnTxtLine(At(539), At(1000));
    ASSERT_TRUE(w.CloseScnTxt());
    EXPECT_EQ(w.SceneCount(), 3);
    const auto lines = Lines(testkit::ReadFileBytes(dir.file("tape_scn.txt")));
    ASSERT_EQ(lines.size(), 18u);
    EXPECT_EQ(lines[11], "  1,00.00.00.00,00.00.00.00,,,00.00.00.00");
    EXPECT_EQ(lines[12], "  2,00.00.00.00,00.00.18.00,,,00.00.18.00");
    EXPECT_EQ(lines[13], "  3,00.00.18.00,00.00.33.11,,,00.00.15.11");
}

// --- ".srt" ---

TEST(SrtFile, EachTextLastsUntilTheNextChangeAndFramesWithoutTextHaveNone)
{
    testkit::TempDir dir;
    SrtFileWriter w;
    ASSERT_TRUE(w.OpenSrtFile(dir.file("pal.avi")));
    w.AddSrtEntry(At(0), "", "31/12/2006 23:59:58", 400000);
    w.AddSrtEntry(At(25), "", "31/12/2006 23:59:59", 400000);
    w.AddSrtEntry(At(50), "Sunday", "01/01/2007 00:00:00", 400000);
    w.AddSrtEntry(At(75), "", "", 400000); // the stop closes the last one
    ASSERT_TRUE(w.CloseSrtFile());
    EXPECT_EQ(w.Count(), 3);
    EXPECT_EQ(Lines(testkit::ReadFileBytes(dir.file("pal.srt"))),
              (std::vector<std::string>{"1", "00:00:00,000 --> 00:00:01,000", " ", "31/12/2006 23:59:58", "", "2",
                                        "00:00:01,000 --> 00:00:02,000", " ", "31/12/2006 23:59:59", "", "3",
                                        "00:00:02,000 --> 00:00:03,000", "Sunday", "01/01/2007 00:00:00", ""}));

    SrtFileWriter n;
    ASSERT_TRUE(n.OpenSrtFile(dir.file("ntsc.avi")));
    n.AddSrtEntry(At(0), "", "1:02:03:04", 333667);
    n.AddSrtEntry(At(123), "", "", 333667);
    n.AddSrtEntry(At(300), "", "1:02:13:00", 333667);
    n.AddSrtEntry(At(330), "", "", 333667);
    n.AddSrtEntry(At(331), "", "x", 333667); // never closed: dropped
    ASSERT_TRUE(n.CloseSrtFile());
    EXPECT_EQ(Lines(testkit::ReadFileBytes(dir.file("ntsc.srt"))),
              (std::vector<std::string>{"1", "00:00:00,000 --> 00:00:04,104", " ", "1:02:03:04", "", "2",
                                        "00:00:10,010 --> 00:00:11,011", " ", "1:02:13:00", ""}));
}
