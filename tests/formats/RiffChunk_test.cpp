// The chunk reader shared by the AVI readers: headers, clamping, pad bytes, bounded records and
// iteration.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"
#include "formats/fpsunit.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FileStream.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
using testkit::LE32;
using testkit::RiffBuilder;

namespace {

std::vector<std::string> Ids(const RiffSource& src, int64_t begin, int64_t limit, int maxChunks = 100)
{
    std::vector<std::string> ids;
    RiffChunkCursor cur(src, begin, limit, maxChunks);
    RiffChunk c;
    while (cur.Next(c))
        ids.push_back(std::string(reinterpret_cast<const char*>(&c.id), 4));
    return ids;
}

} // namespace

TEST(RiffChunkHeader, ReadsIdSizeAndClampsToTheLimit)
{
    const std::string bytes = "abcd" + LE32(100) + std::string(20, 'x');
    MemorySource src(bytes);
    RiffChunk c;
    ASSERT_TRUE(ReadChunkHeader(src, 0, src.Size(), c));
    EXPECT_EQ(c.id, rtl::FourCC("abcd"));
    EXPECT_EQ(c.size, 100u);
    EXPECT_EQ(c.dataPos(), 8);
    EXPECT_EQ(c.available, 20);
    EXPECT_TRUE(c.clamped());
    EXPECT_EQ(c.end(src.Size()), 28);

    ASSERT_TRUE(ReadChunkHeader(src, 0, 12, c));
    EXPECT_EQ(c.available, 4);
    EXPECT_FALSE(ReadChunkHeader(src, 24, src.Size(), c)); // 4 bytes left
    EXPECT_FALSE(ReadChunkHeader(src, -1, src.Size(), c));
}

TEST(RiffChunkHeader, ListTypeNeedsFourBytes)
{
    const std::string bytes = RiffBuilder().chunk("LIST", "ab").chunk("LIST", "movi").build();
    MemorySource src(bytes);
    RiffChunk c;
    uint32_t type = 0;
    ASSERT_TRUE(ReadChunkHeader(src, 0, src.Size(), c));
    EXPECT_TRUE(c.isList());
    EXPECT_FALSE(ReadListType(src, c, type));
    ASSERT_TRUE(ReadChunkHeader(src, c.end(src.Size()), src.Size(), c));
    ASSERT_TRUE(ReadListType(src, c, type));
    EXPECT_EQ(type, rtl::FourCC("movi"));
}

TEST(RiffChunkRecord, ReadsWithinTheChunkAndZeroFills)
{
    const std::string bytes = "strh" + LE32(6) + "123456" + "next" + LE32(0);
    MemorySource src(bytes);
    RiffChunk c;
    ASSERT_TRUE(ReadChunkHeader(src, 0, src.Size(), c));
    char rec[10];
    EXPECT_EQ(ReadRecord(src, c, rec, sizeof rec), 6u);
    EXPECT_EQ(std::string(rec, 10), std::string("123456\0\0\0\0", 10));
    EXPECT_EQ(ReadRecord(src, c, rec, 3, 4), 2u);
    EXPECT_EQ(std::string(rec, 3), std::string("56\0", 3));
    EXPECT_EQ(ReadRecord(src, c, rec, 3, 6), 0u);
    EXPECT_EQ(std::string(rec, 3), std::string(3, '\0'));
}

TEST(RiffChunkCursorTest, StepsOverPadBytesAndStopsAtTheLimit)
{
    const std::string bytes = RiffBuilder().chunk("odd1", "abc").chunk("even", "ab").raw("tail!").build();
    MemorySource src(bytes);
    EXPECT_EQ(Ids(src, 0, src.Size()), (std::vector<std::string>{"odd1", "even"}));
    RiffChunkCursor cur(src, 0, src.Size());
    RiffChunk c;
    ASSERT_TRUE(cur.Next(c));
    EXPECT_EQ(cur.Position(), 12);
    ASSERT_TRUE(cur.Next(c));
    EXPECT_FALSE(cur.Next(c));
    EXPECT_EQ(cur.Remaining(), 5);
    EXPECT_FALSE(cur.ShortRead());
    // A limit inside the second chunk clamps it.
    EXPECT_EQ(Ids(src, 0, 16), (std::vector<std::string>{"odd1"}));
    EXPECT_EQ(Ids(src, 0, 20), (std::vector<std::string>{"odd1", "even"}));
}

TEST(RiffChunkCursorTest, CapsTheNumberOfChunksAndNeverOverflowsOnHugeSizes)
{
    std::string bytes;
    for (int i = 0; i < 50; ++i)
        bytes += "JUNK" + LE32(0);
    MemorySource many(bytes);
    RiffChunkCursor cur(many, 0, many.Size(), 10);
    RiffChunk c;
    int n = 0;
    while (cur.Next(c))
        ++n;
    EXPECT_EQ(n, 10);
    EXPECT_TRUE(cur.TooManyChunks());

    const std::string huge = "RIFF" + LE32(0xFFFFFFFF) + "AVI " + "big " + LE32(0xFFFFFFFF) + "xy";
    MemorySource src(huge);
    ASSERT_TRUE(ReadChunkHeader(src, 0, INT64_MAX, c));
    EXPECT_EQ(c.available, static_cast<int64_t>(huge.size()) - 8);
    EXPECT_EQ(Ids(src, 12, INT64_MAX), (std::vector<std::string>{"big "}));
}

TEST(RiffFileSource, ReadsAFileOpenedHereOrBorrowed)
{
    testkit::TempDir dir;
    const std::string path = dir.file("f.bin");
    testkit::WriteFileBytes(path, "0123456789");
    FileSource own(path);
    EXPECT_EQ(own.Size(), 10);
    char b[8];
    EXPECT_EQ(own.ReadAt(6, b, 8), 4u);
    EXPECT_EQ(std::string(b, 4), "6789");
    EXPECT_EQ(own.ReadAt(10, b, 8), 0u);

    rtl::TFileStream stream(path, rtl::TFileStream::Mode::Read);
    FileSource borrowed(stream);
    EXPECT_EQ(borrowed.ReadAt(0, b, 3), 3u);
    EXPECT_EQ(std::string(b, 3), "012");
    EXPECT_THROW(FileSource(dir.file("missing")), rtl::EFileError);
}

TEST(RiffFileSource, PipesAndFoldersAreRefusedWithoutBlocking)
{
    testkit::TempDir dir;
    const std::string fifo = dir.file("pipe.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(TAviParam{fifo}, rtl::EFileError);
    EXPECT_THROW(ReadVideoHandler(fifo), rtl::EFileError);
    EXPECT_FALSE(WriteVideoHandler(fifo, rtl::StrToFourCC("dvsd")));
    EXPECT_THROW(FileSource{dir.path().string()}, rtl::EFileError);
}

namespace {

// Counts the reads that reach the source under it.
class CountingSource : public RiffSource {
public:
    explicit CountingSource(std::string_view bytes) : memory_(bytes) {}
    int64_t Size() const override { return memory_.Size(); }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override
    {
        ++reads;
        return memory_.ReadAt(offset, buffer, count);
    }
    mutable int reads = 0;

private:
    MemorySource memory_;
};

} // namespace

TEST(RiffWindowedSource, GivesTheSourcesBytesAtAnyOffsetAndSizeReadingItRarely)
{
    std::string bytes(3 * WindowedSource::kWindow + 100, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 131 + (i >> 8));
    const MemorySource plain(bytes);
    CountingSource counted(bytes);
    const WindowedSource windowed(counted);
    EXPECT_EQ(windowed.Size(), plain.Size());
    const int64_t size = plain.Size();
    const int64_t window = static_cast<int64_t>(WindowedSource::kWindow);
    // Within a window, across its edges, at and past the end, and as large as the window.
    const std::pair<int64_t, size_t> reads[] = {{0, 8},
                                                {8, 4},
                                                {12, 56},
                                                {window - 4, 8},
                                                {window - 4, 4},
                                                {window + 3, 1},
                                                {5, 8},
                                                {size - 6, 8},
                                                {size, 8},
                                                {size + 9, 8},
                                                {-1, 8},
                                                {100, WindowedSource::kWindow},
                                                {200, 0},
                                                {2 * window, 300},
                                                {2 * window + 1, 40}};
    for (const auto& [offset, count] : reads) {
        std::string want(count, 'x'), got(count, 'y');
        const size_t n = plain.ReadAt(offset, want.data(), count);
        EXPECT_EQ(windowed.ReadAt(offset, got.data(), count), n) << offset << " " << count;
        EXPECT_EQ(got.substr(0, n), want.substr(0, n)) << offset << " " << count;
    }

    // A walk of small records one after another reads the source once a window.
    CountingSource walked(bytes);
    const WindowedSource walk(walked);
    uint8_t record[12];
    for (int64_t pos = 0; pos + 12 <= size; pos += 12)
        ASSERT_EQ(walk.ReadAt(pos, record, 12), 12u);
    EXPECT_LE(walked.reads, 4);
}
