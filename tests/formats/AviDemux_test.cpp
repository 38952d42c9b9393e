#include "formats/AviDemux.h"

#include "formats/AviMuxWriter.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using avitest::Chunk;
using avitest::List;
using avitest::MemoryFile;
using testkit::LE32;

std::string StreamList(const char (&type)[5], const char (&handler)[5], uint32_t scale, uint32_t rate)
{
    std::string strh = std::string(type, 4) + std::string(handler, 4) + LE32(0) + LE32(0) + LE32(0) + LE32(scale) +
                       LE32(rate) + LE32(0) + LE32(0) + LE32(0) + LE32(0) + LE32(0) + LE32(0) + LE32(0);
    return List("strl", Chunk("strh", strh) + Chunk("strf", std::string(18, '\x01')));
}

std::string HeaderList()
{
    return List("hdrl", Chunk("avih", LE32(40000) + std::string(52, '\0')) + StreamList("vids", "dvsd", 1, 25) +
                            StreamList("auds", "\0\0\0\0", 4, 192000));
}

MemoryFile Riff(const std::string& body, const char (&form)[5] = "AVI ")
{
    MemoryFile f;
    f.bytes = List(form, body, "RIFF");
    return f;
}

TEST(AviDemuxWalk, WithoutIndexTheMovieListIsWalkedThroughRecListsAndPadBytes)
{
    const std::string movi = Chunk("00dc", "abc") + List("rec ", Chunk("01wb", "12345") + Chunk("00dc", "")) +
                             Chunk("JUNK", "xx") + Chunk("ix00", "zz") + Chunk("00dc", "defg");
    const MemoryFile f = Riff(HeaderList() + List("movi", movi));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Scan, r.index);
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(3u, r.streams[0].chunks.size());
    EXPECT_EQ("abc", f.bytes.substr(r.streams[0].chunks[0].offset, r.streams[0].chunks[0].size));
    EXPECT_EQ(0u, r.streams[0].chunks[1].size); // a dropped frame stays in the list
    EXPECT_EQ("defg", f.bytes.substr(r.streams[0].chunks[2].offset, 4));
    ASSERT_EQ(1u, r.streams[1].chunks.size());
    EXPECT_EQ("12345", f.bytes.substr(r.streams[1].chunks[0].offset, 5));
    EXPECT_EQ(5u, r.streams[1].totalBytes);
    EXPECT_EQ(rtl::FourCC("auds"), r.streams[1].fccType);
    EXPECT_EQ(192000u, r.streams[1].rate);
}

TEST(AviDemuxIdx1, OffsetsFromTheFileStartAreRecognised)
{
    // Build once to learn where the chunks lie, then give idx1 absolute offsets.
    const std::string movi = Chunk("00dc", "frame0") + Chunk("01wb", "snd") + Chunk("00dc", "frame1");
    std::string head = List("AVI ", HeaderList() + List("movi", movi), "RIFF");
    const size_t moviAt = head.find("movi") + 4;
    auto entry = [&](const char(&id)[5], size_t relative, uint32_t size, bool key) {
        return std::string(id, 4) + LE32(key ? 0x10 : 0) + LE32(static_cast<uint32_t>(relative)) + LE32(size);
    };
    const std::string idx =
        entry("00dc", moviAt, 6, true) + entry("01wb", moviAt + 14, 3, true) + entry("00dc", moviAt + 26, 6, false);
    MemoryFile f = Riff(HeaderList() + List("movi", movi) + Chunk("idx1", idx));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::Idx1, r.index);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ("frame1", f.bytes.substr(r.streams[0].chunks[1].offset, 6));
    EXPECT_TRUE(r.streams[0].chunks[0].keyframe);
    EXPECT_FALSE(r.streams[0].chunks[1].keyframe);
    EXPECT_EQ("snd", f.bytes.substr(r.streams[1].chunks[0].offset, 3));
}

TEST(AviDemuxBounds, AChunkSizePastTheEndIsClampedToTheFile)
{
    MemoryFile f = Riff(HeaderList() + List("movi", Chunk("00dc", "ok") + "00dc" + LE32(1u << 30) + "tail"));
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    EXPECT_TRUE(r.truncated);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ(4u, r.streams[0].chunks[1].size);
}

TEST(AviDemuxBounds, AnUnfinishedCaptureWithZeroSizesIsReadToTheEnd)
{
    std::string bytes = Riff(HeaderList() + List("movi", Chunk("00dc", "one") + Chunk("00dc", "two"))).bytes;
    bytes.replace(4, 4, LE32(0));
    bytes.replace(bytes.find("movi") - 4, 4, LE32(0));
    MemoryFile f;
    f.bytes = bytes;
    const formats::AviDemuxResult r = formats::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams[0].chunks.size());
    EXPECT_EQ("two", f.bytes.substr(r.streams[0].chunks[1].offset, 3));
}

TEST(AviDemuxBounds, NotAnAviIsNotValid)
{
    EXPECT_FALSE(formats::ParseAvi(Riff(Chunk("fmt ", "0123456789abcdef"), "WAVE")).valid);
    MemoryFile empty;
    EXPECT_FALSE(formats::ParseAvi(empty).valid);
    MemoryFile noHeader = Riff(List("movi", Chunk("00dc", "x")));
    EXPECT_FALSE(formats::ParseAvi(noHeader).valid);
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
