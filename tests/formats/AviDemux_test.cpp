#include "formats/AviDemux.h"

#include "formats/AviMuxWriter.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

#include <random>
#include <tuple>

namespace {

using avitest::MemoryFile;
using testkit::LE32;
using testkit::RiffBuilder;

// A type-2 header: "vids" dvsd at 25 fps, "auds" at 48 kHz stereo.
RiffBuilder& Header(RiffBuilder& b)
{
    const testkit::StrhFields sound{.type = "auds", .handler = std::string(4, '\0'), .scale = 4, .rate = 192000};
    return b.riff("AVI ")
        .list("hdrl")
        .chunk("avih", testkit::Avih({}))
        .list("strl")
        .chunk("strh", testkit::Strh({}))
        .chunk("strf", testkit::BitmapInfo())
        .end()
        .list("strl")
        .chunk("strh", testkit::Strh(sound))
        .chunk("strf", testkit::WaveFormat())
        .end()
        .end();
}

MemoryFile File(std::string bytes)
{
    MemoryFile f;
    f.bytes = std::move(bytes);
    return f;
}

TEST(AviDemuxWalk, WithoutIndexTheMovieListIsWalkedThroughRecListsAndPadBytes)
{
    RiffBuilder b;
    Header(b).list("movi").chunk("00dc", "abc").list("rec ").chunk("01wb", "12345").chunk("00dc", "").end();
    const MemoryFile f = File(b.chunk("JUNK", "xx").chunk("ix00", "zz").chunk("00dc", "defg").build());
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Scan, r.index);
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(3u, r.streams[0].chunks.size());
    EXPECT_EQ("abc", avitest::Bytes(f, r.streams[0].chunks[0]));
    EXPECT_EQ(0u, r.streams[0].chunks[1].size); // a dropped frame stays in the list
    EXPECT_EQ("defg", avitest::Bytes(f, r.streams[0].chunks[2]));
    ASSERT_EQ(1u, r.streams[1].chunks.size());
    EXPECT_EQ("12345", avitest::Bytes(f, r.streams[1].chunks[0]));
    EXPECT_EQ(5u, r.streams[1].totalBytes);
    EXPECT_EQ(rtl::FourCC("auds"), r.streams[1].fccType);
    EXPECT_EQ(192000u, r.streams[1].rate);
}

TEST(AviDemuxIdx1, OffsetsFromTheFileStartAreRecognised)
{
    RiffBuilder b;
    Header(b).list("movi").mark("f0").chunk("00dc", "frame0").mark("s0").chunk("01wb", "snd");
    b.mark("f1").chunk("00dc", "frame1").end();
    auto entry = [&](const char* id, const char* at, uint32_t size, bool key) {
        return std::string(id) + LE32(key ? 0x10 : 0) + LE32(static_cast<uint32_t>(b.at(at))) + LE32(size);
    };
    const std::string idx = entry("00dc", "f0", 6, true) + entry("01wb", "s0", 3, true) + entry("00dc", "f1", 6, false);
    const MemoryFile f = File(b.chunk("idx1", idx).build());
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Idx1, r.index);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ("frame1", avitest::Bytes(f, r.streams[0].chunks[1]));
    EXPECT_TRUE(r.streams[0].chunks[0].keyframe);
    EXPECT_FALSE(r.streams[0].chunks[1].keyframe);
    EXPECT_EQ("snd", avitest::Bytes(f, r.streams[1].chunks[0]));
}

// Entries are read by the chunk headers they point at: a size the header contradicts takes the
// header's, an entry on no chunk of its stream keeps its place empty; an index that mostly
// disagrees is passed over for the walk. A small index is checked whole, so no chunk is left
// for the reader to check.
TEST(AviDemuxIdx1, EntriesAreReadByTheChunkHeadersTheyPointAt)
{
    RiffBuilder b;
    Header(b).list("movi");
    for (int n = 0; n < 4; ++n)
        b.mark("f" + std::to_string(n)).chunk("00dc", std::string(6, static_cast<char>('a' + n)));
    b.mark("s").chunk("01wb", "snd").end();
    auto entry = [&](const char* id, const std::string& mark, int shift, uint32_t size) {
        return std::string(id) + LE32(0x10) + LE32(static_cast<uint32_t>(b.at(mark) - b.at("f0") + 4 + shift)) +
               LE32(size);
    };
    const std::string right = entry("00dc", "f0", 0, 6) + entry("00dc", "f1", 0, 6) + entry("00dc", "f2", 0, 6) +
                              entry("00dc", "f3", 0, 6) + entry("01wb", "s", 0, 3);
    const std::string fewWrong = entry("00dc", "f0", 0, 6) + entry("00dc", "f1", 0, 60000) + entry("00dc", "f2", 2, 6) +
                                 entry("00dc", "f3", 0, 6) + entry("01wb", "s", 0, 3);
    std::string mostlyWrong;
    for (const char* f : {"f0", "f1", "f2", "f3"})
        mostlyWrong += entry("00dc", f, 2, 6);
    mostlyWrong += entry("01wb", "s", 0, 3);
    for (const auto& [what, idx, source, sizes] :
         {std::tuple{"right", right, formats::AviIndexSource::Idx1, std::vector<uint32_t>{6, 6, 6, 6}},
          std::tuple{"few wrong", fewWrong, formats::AviIndexSource::Idx1, std::vector<uint32_t>{6, 6, 0, 6}},
          std::tuple{"mostly wrong", mostlyWrong, formats::AviIndexSource::Scan, std::vector<uint32_t>{6, 6, 6, 6}}}) {
        SCOPED_TRACE(what);
        RiffBuilder copy = b;
        const MemoryFile f = File(copy.chunk("idx1", idx).build());
        const formats::AviDemuxResult r = formats::ParseAvi(f);
        ASSERT_TRUE(r.valid);
        EXPECT_EQ(source, r.index);
        EXPECT_FALSE(r.checkChunkHeaders);
        ASSERT_EQ(4u, r.streams[0].chunks.size());
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(sizes[k], r.streams[0].chunks[k].size) << k;
            if (sizes[k])
                EXPECT_EQ(std::string(6, static_cast<char>('a' + k)), avitest::Bytes(f, r.streams[0].chunks[k])) << k;
        }
        EXPECT_EQ("snd", avitest::Bytes(f, r.streams[1].chunks[0]));
    }
}

TEST(AviDemuxBounds, AChunkSizePastTheEndIsClampedToTheFile)
{
    RiffBuilder b;
    const MemoryFile f = File(Header(b).list("movi").chunk("00dc", "ok").raw("00dc" + LE32(1u << 30) + "tail").build());
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_TRUE(r.truncated);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ(4u, r.streams[0].chunks[1].size);
}

TEST(AviDemuxBounds, AnUnfinishedCaptureWithZeroSizesIsReadToTheEnd)
{
    RiffBuilder b;
    MemoryFile f = File(Header(b).list("movi").chunk("00dc", "one").chunk("00dc", "two").build());
    f.bytes.replace(4, 4, LE32(0));
    f.bytes.replace(f.bytes.find("movi") - 4, 4, LE32(0));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ("two", avitest::Bytes(f, r.streams[0].chunks[1]));
}

TEST(AviDemuxBounds, NotAnAviIsNotValid)
{
    EXPECT_FALSE(
        formats::ParseAvi(File(RiffBuilder().riff("WAVE").chunk("fmt ", testkit::WaveFormat()).build())).valid);
    EXPECT_FALSE(formats::ParseAvi(File("")).valid);
    EXPECT_FALSE(formats::ParseAvi(File(RiffBuilder().riff("AVI ").list("movi").chunk("00dc", "x").build())).valid);
}

MemoryFile Written(int frames, formats::AviMuxOptions options = {})
{
    MemoryFile f;
    EXPECT_TRUE(avitest::WriteType2(f, frames, 10001, options));
    return f;
}

void ExpectInside(const MemoryFile& f, const formats::AviDemuxResult& r)
{
    for (const auto& s : r.streams)
        for (const auto& c : s.chunks)
            ASSERT_LE(c.offset + c.size, f.Size());
}

TEST(AviDemuxBounds, ATruncatedFileKeepsTheChunksThatAreWhole)
{
    const MemoryFile whole = Written(30, {int64_t{1} << 17, 256, 4096});
    for (size_t cut = 0; cut < whole.bytes.size(); cut += 1237) {
        MemoryFile f;
        f.bytes = whole.bytes.substr(0, cut);
        const formats::AviDemuxResult r = formats::ParseAvi(f);
        ExpectInside(f, r);
        if (r.valid && cut > whole.bytes.size() / 2) {
            EXPECT_GT(r.streams[0].chunks.size(), 10u) << cut;
        }
    }
}

TEST(AviDemuxBounds, ABrokenOpenDmlIndexFallsBackToIdx1)
{
    MemoryFile f = Written(8);
    // Point the video super index entry far beyond the end of the file.
    const size_t indx = f.bytes.find("indx");
    f.bytes.replace(indx + 8 + 24, 8, std::string("\xff\xff\xff\xff\xff\x00\x00\x00", 8));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Idx1, r.index);
    EXPECT_EQ(8u, r.streams[0].chunks.size());
    EXPECT_EQ(8u, r.streams[1].chunks.size());

    // With idx1 broken as well (offsets nowhere), the movie list is walked.
    const size_t idx1 = f.bytes.find("idx1");
    for (size_t at = idx1 + 8; at + 16 <= f.bytes.size(); at += 16)
        f.bytes.replace(at + 8, 4, LE32(0x7FFFFFF0));
    const formats::AviDemuxResult scanned = formats::ParseAvi(f);
    EXPECT_EQ(formats::AviIndexSource::Scan, scanned.index);
    EXPECT_EQ(8u, scanned.streams[0].chunks.size());
    ExpectInside(f, scanned);
}

// A super index listing one standard index a thousand times made a thousand times its chunks:
// an index of more entries than the file has room for chunks is passed over.
TEST(AviDemuxBounds, AnOpenDmlIndexOfMoreChunksThanTheFileHoldsIsPassedOver)
{
    constexpr uint32_t kRepeats = 1000;
    auto build = [&](int64_t data, int64_t ix) {
        std::string chunks, indexes;
        for (uint32_t k = 0; k < kRepeats; ++k) {
            chunks += LE32(static_cast<uint32_t>(data)) + LE32(4);
            indexes += testkit::LE64(static_cast<uint64_t>(ix)) + LE32(8 * kRepeats + 32) + LE32(kRepeats);
        }
        RiffBuilder b;
        b.riff("AVI ").list("hdrl").chunk("avih", testkit::Avih({})).list("strl");
        b.chunk("strh", testkit::Strh({})).chunk("strf", testkit::BitmapInfo());
        b.chunk("indx", testkit::IndexChunk(0, 0, 4, kRepeats, "00dc", 0, indexes)).end().end();
        b.list("movi").mark("frame").chunk("00dc", "abcd").mark("ix");
        b.chunk("ix00", testkit::IndexChunk(1, 0, 2, kRepeats, "00dc", 0, chunks));
        return b;
    };
    RiffBuilder first = build(0, 0); // the offsets, which the second build keeps
    const MemoryFile f = File(build(first.at("frame") + 8, first.at("ix")).build());
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Scan, r.index);
    ASSERT_EQ(1u, r.streams[0].chunks.size());
    EXPECT_EQ("abcd", avitest::Bytes(f, r.streams[0].chunks[0]));
}

TEST(AviDemuxBounds, RandomDamageNeverCrashesOrLeavesTheFile)
{
    const MemoryFile whole = Written(6, {int64_t{1} << 16, 16, 4096});
    std::mt19937 rng(42);
    for (int round = 0; round < 1500; ++round) {
        MemoryFile f = whole;
        const int hits = 1 + round % 8;
        for (int i = 0; i < hits; ++i) {
            const size_t at = rng() % f.bytes.size();
            f.bytes[at] = static_cast<char>(round % 3 == 0 ? 0xFF : rng());
        }
        if (round % 5 == 0)
            f.bytes.resize(rng() % f.bytes.size());
        const formats::AviDemuxResult r = formats::ParseAvi(f);
        ExpectInside(f, r);
    }
}

} // namespace
