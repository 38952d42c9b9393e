// The patch walker and the in-place codec and frame-rate patches: positions found, exactly the
// intended bytes changed, invalid rates refused, damaged and huge files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "formats/RiffChunk.h"
#include "formats/fpsunit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
using testkit::LE32;
using testkit::MakeAvi;
using testkit::RiffBuilder;

namespace {

TRiffWalk WalkBytes(const std::string& bytes)
{
    MemorySource src(bytes);
    return TRiffWalker(src).Walk();
}

// Positions of the patched fields in a "strh" chunk whose header is at `strh`.
int64_t HandlerAt(int64_t strh)
{
    return strh + 8 + 4;
}
int64_t ScaleAt(int64_t strh)
{
    return strh + 8 + 20;
}

// Headers of "AVIX" segments, each one JUNK chunk, covering [from, to): a stretch of a huge
// file that holds nothing.
std::vector<std::pair<int64_t, std::string>> FillerSegments(int64_t from, int64_t to)
{
    std::vector<std::pair<int64_t, std::string>> pieces;
    while (from < to) {
        const int64_t size = std::min<int64_t>(to - from - 8, 0xF0000000LL);
        pieces.push_back({from, "RIFF" + LE32(static_cast<uint32_t>(size)) + "AVIX" + "JUNK" +
                                    LE32(static_cast<uint32_t>(size - 12))});
        from += 8 + size;
    }
    return pieces;
}

std::string StrlBytes(const testkit::StrhFields& h)
{
    return RiffBuilder().list("strl").chunk("strh", testkit::Strh(h)).build();
}

} // namespace

TEST(RiffWalkerPositions, TheLastVideoStreamHeaderOfAnyShapeIsFound)
{
    // The kind is that of the last "strh" met.
    const struct {
        testkit::AviSpec spec;
        const char* strh;
        uint8_t kind;
    } cases[] = {{{}, "strh0", skAudio},
                 {{.dvType = 1, .indxType = 0, .odml = true}, "strh0", skInterleaved},
                 {{.audioFirst = true, .secondVideo = true}, "strh2", skVideo}};
    for (const auto& c : cases) {
        RiffBuilder b = MakeAvi(c.spec);
        TRiffWalk w = WalkBytes(b.build());
        EXPECT_EQ(w.HandlerPos, HandlerAt(b.at(c.strh))) << c.strh;
        EXPECT_EQ(w.ScalePos, ScaleAt(b.at(c.strh)));
        EXPECT_EQ(w.StreamKind, c.kind);
        EXPECT_FALSE(w.ShortRead);
    }
    RiffBuilder odd;
    odd.riff("AVI ").list("hdrl").chunk("JUNK", "abc").mark("strl").raw(StrlBytes({}));
    EXPECT_EQ(WalkBytes(odd.build()).HandlerPos, HandlerAt(odd.at("strl") + 12)); // after the pad byte
}

TEST(RiffWalkerPositions, EverySegmentHeaderIsWalkedButNoMoviList)
{
    // A stream header hidden in "movi" is data, one in a later segment's header list counts.
    RiffBuilder b;
    b.riff("AVI ").list("hdrl").mark("first").raw(StrlBytes({})).end();
    b.list("movi").raw(StrlBytes({.type = "iavs"})).end().end();
    b.riff("AVIX").list("movi").raw(StrlBytes({})).end().list("hdrl").mark("second").raw(StrlBytes({.type = "iavs"}));
    TRiffWalk w = WalkBytes(b.build());
    EXPECT_EQ(w.HandlerPos, HandlerAt(b.at("second") + 12));
}

TEST(RiffWalkerDamaged, ShortStreamHeaderRecordsNoPosition)
{
    const std::string h = testkit::Strh({});
    TRiffWalk w =
        WalkBytes(RiffBuilder().riff("AVI ").chunk("strh", h.substr(0, 27)).chunk("JUNK", "12345678").build());
    EXPECT_EQ(w.HandlerPos, 0);
    EXPECT_EQ(w.ScalePos, 0);
    EXPECT_EQ(w.StreamKind, skVideo);

    RiffBuilder b;
    b.riff("AVI ").mark("strh").chunk("strh", h.substr(0, 28));
    w = WalkBytes(b.build());
    EXPECT_EQ(w.ScalePos, ScaleAt(b.at("strh")));
}

TEST(RiffWalkerDamaged, StreamHeaderCutByItsListRecordsNoPosition)
{
    // The "strl" list ends 24 bytes into a "strh" that claims 56: dwRate would lie in the
    // header of the chunk after the list, so a patch there would rename that chunk.
    const std::string strh = testkit::Strh({});
    const std::string strl = "LIST" + LE32(4 + 8 + 24) + "strl" + "strh" + LE32(56) + strh.substr(0, 24);
    const std::string body = "AVI " + strl + "JUNK" + LE32(24) + std::string(24, 'j');
    const TRiffWalk w = WalkBytes("RIFF" + LE32(static_cast<uint32_t>(body.size())) + body);
    EXPECT_EQ(w.HandlerPos, 0);
    EXPECT_EQ(w.ScalePos, 0);
}

TEST(RiffWalkerDamaged, TruncatedFileKeepsWhatWasFound)
{
    RiffBuilder b = MakeAvi({.frames = 20});
    const std::string whole = b.build();
    const int64_t want = HandlerAt(b.at("strh0"));
    for (size_t n = 0; n < whole.size(); ++n) { // every cut ends cleanly
        const TRiffWalk w = WalkBytes(whole.substr(0, n));
        if (static_cast<int64_t>(n) >= b.at("strh0") + 8 + 56) {
            ASSERT_EQ(w.HandlerPos, want) << n;
        }
    }
    for (size_t extra = 1; extra < 8; ++extra) {
        const TRiffWalk w = WalkBytes(whole + std::string(extra, 'x'));
        EXPECT_TRUE(w.ShortRead);
        EXPECT_EQ(w.HandlerPos, want);
    }
}

TEST(RiffWalkerDamaged, NonRiffStartOrDeepNestingFindsNothing)
{
    EXPECT_EQ(WalkBytes("JUNK" + LE32(4) + "abcd" + MakeAvi({}).build()).HandlerPos, 0);
    EXPECT_EQ(WalkBytes("").HandlerPos, 0);
    RiffBuilder b;
    b.riff("AVI ");
    for (int i = 0; i < 20000; ++i)
        b.list("deep");
    EXPECT_EQ(WalkBytes(b.build()).HandlerPos, 0);
}

TEST(RiffWalkerThreads, ConcurrentWalksKeepTheirOwnPositions)
{
    RiffBuilder one = MakeAvi({.dvType = 1});
    RiffBuilder two = MakeAvi({.audioFirst = true, .secondVideo = true});
    const std::string a = one.build(), b = two.build();
    const int64_t wantA = HandlerAt(one.at("strh0")), wantB = HandlerAt(two.at("strh2"));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int k = 0; k < 500; ++k)
                if (WalkBytes(t % 2 ? a : b).HandlerPos != (t % 2 ? wantA : wantB))
                    ++wrong;
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong, 0);
}

class PatchTest : public ::testing::Test {
protected:
    std::string Put(const std::string& bytes)
    {
        path_ = dir_.file("clip.avi");
        testkit::WriteFileBytes(path_, bytes);
        return path_;
    }
    std::string Now() const { return testkit::ReadFileBytes(path_); }

    testkit::TempDir dir_;
    std::string path_;
};

TEST_F(PatchTest, CodecAndFrameRatePatchesChangeOnlyTheirBytes)
{
    for (const testkit::AviSpec& spec : {testkit::AviSpec{}, testkit::AviSpec{.dvType = 1}}) {
        RiffBuilder b = MakeAvi(spec);
        std::string expected = b.build();
        const std::string before = expected;
        Put(before);
        EXPECT_EQ(ReadVideoHandler(path_), rtl::StrToFourCC("dvsd"));
        ASSERT_TRUE(WriteVideoHandler(path_, rtl::StrToFourCC("CDVC")));
        ASSERT_TRUE(WriteFrameRate(path_, 25.0));
        expected.replace(static_cast<size_t>(HandlerAt(b.at("strh0"))), 4, "CDVC");
        expected.replace(static_cast<size_t>(ScaleAt(b.at("strh0"))), 8, LE32(40000) + LE32(1000000));
        EXPECT_EQ(Now(), expected); // nothing else changed, nothing added
        EXPECT_EQ(ReadVideoHandler(path_), rtl::StrToFourCC("CDVC"));
        const size_t at = static_cast<size_t>(ScaleAt(b.at("strh0")));
        ASSERT_TRUE(WriteFrameRate(path_, 29.97002997));
        EXPECT_EQ(Now().substr(at, 8), LE32(33367) + LE32(1000000));
        ASSERT_TRUE(WriteFrameRate(path_, 29.97));
        EXPECT_EQ(Now().substr(at, 8), LE32(33367) + LE32(1000000));
    }
}

TEST(FrameRateFieldsTest, RoundsHalvesToEvenAndRefusesWhatCannotBeStored)
{
    uint32_t scale = 0, rate = 0;
    ASSERT_TRUE(FrameRateFields(400000.0, scale, rate)); // 2.5 -> 2
    EXPECT_EQ(scale, 2u);
    EXPECT_EQ(rate, 1000000u);
    ASSERT_TRUE(FrameRateFields(1000000.0 / 4294967295.0, scale, rate));
    EXPECT_EQ(scale, 4294967295u);
    for (double bad : {0.0, -25.0, 1e-4, 2e6, std::nan(""), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::denorm_min()})
        EXPECT_FALSE(FrameRateFields(bad, scale, rate)) << bad;
}

TEST_F(PatchTest, InvalidRateOrNoVideoLeavesTheFileAlone)
{
    EXPECT_THROW(WriteFrameRate(dir_.file("missing.avi"), std::nan("")), rtl::EConvertError); // before opening
    std::string before = MakeAvi({}).build();
    Put(before);
    EXPECT_THROW(WriteFrameRate(path_, 0.0), rtl::EConvertError);
    EXPECT_THROW(WriteFrameRate(path_, 1e-9), rtl::EConvertError);
    EXPECT_EQ(Now(), before);
    before = RiffBuilder().riff("AVI ").raw(StrlBytes({.type = "auds"})).build();
    Put(before);
    EXPECT_EQ(ReadVideoHandler(path_), 0u);
    EXPECT_FALSE(WriteVideoHandler(path_, rtl::StrToFourCC("dvsd")));
    EXPECT_FALSE(WriteFrameRate(path_, 25.0));
    EXPECT_EQ(Now(), before);
}

TEST_F(PatchTest, MissingOrReadOnlyFile)
{
    const std::string missing = dir_.file("missing.avi");
    EXPECT_EQ(WalkRiffFile(missing).HandlerPos, 0);
    EXPECT_THROW(ReadVideoHandler(missing), rtl::EFileError);
    EXPECT_FALSE(WriteVideoHandler(missing, rtl::StrToFourCC("dvsd")));
    EXPECT_THROW(WriteFrameRate(missing, 25.0), rtl::EFileError);
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string before = MakeAvi({}).build();
    Put(before);
    ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    EXPECT_EQ(ReadVideoHandler(path_), rtl::StrToFourCC("dvsd"));
    EXPECT_EQ(Now(), before);

    // A name that cannot be opened for writing, even by root: a failure, never a raise.
    const std::string folder = dir_.file("folder.avi");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(WriteVideoHandler(folder, rtl::StrToFourCC("CDVC")));
    EXPECT_THROW(WriteFrameRate(folder, 25.0), rtl::EFileError);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST_F(PatchTest, PatchPastFourGibibytesInASparseFile)
{
    const int64_t second = (int64_t{1} << 32) + 4096;
    const std::string strl = StrlBytes({});
    const std::string head = "RIFF" + LE32(0x10) + "AVI " + "JUNK" + LE32(4) + "abcd";
    const std::string tail = "RIFF" + LE32(static_cast<uint32_t>(12 + strl.size())) + "AVIX" + "LIST" +
                             LE32(static_cast<uint32_t>(4 + strl.size())) + "hdrl" + strl;
    Put("");
    int fd = ::open(path_.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    bool ok = ::ftruncate(fd, second + static_cast<int64_t>(tail.size())) == 0 &&
              ::pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
              ::pwrite(fd, tail.data(), tail.size(), second) == static_cast<ssize_t>(tail.size());
    for (const auto& [at, bytes] : FillerSegments(24, second))
        ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), at) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    if (!ok)
        GTEST_SKIP() << "no room for a sparse file";
    ASSERT_TRUE(WriteVideoHandler(path_, rtl::StrToFourCC("CDVC")));
    EXPECT_EQ(ReadVideoHandler(path_), rtl::StrToFourCC("CDVC"));
    char b[4];
    rtl::TFileStream f(path_, rtl::TFileStream::Mode::Read);
    EXPECT_EQ(f.Size(), second + static_cast<int64_t>(tail.size()));
    f.ReadAt(HandlerAt(second + 24 + 12), b, 4);
    EXPECT_EQ(std::string(b, 4), "CDVC");
}
