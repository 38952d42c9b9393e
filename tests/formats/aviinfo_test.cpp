// The AVI header reader: streams, positions and index kinds of the shapes DV files come in,
// and damaged files.
#include <gtest/gtest.h>

#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/FileStream.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
using testkit::AviSpec;
using testkit::MakeAvi;
using testkit::RiffBuilder;

namespace {

std::unique_ptr<TAviParam> Read(const std::string& bytes)
{
    MemorySource src(bytes);
    return std::make_unique<TAviParam>(src);
}

} // namespace

TEST(AviInfoStreams, TypeTwoFileHasVideoThenAudio)
{
    RiffBuilder b = MakeAvi({});
    auto p = Read(b.build());
    EXPECT_EQ(p->Valid, 1);
    ASSERT_EQ(p->Streams.size(), 2u);
    EXPECT_EQ(p->VideoIndex, 0);
    EXPECT_EQ(p->AudioIndex, 1);
    EXPECT_EQ(p->VideoHandler(), "dvsd");
    EXPECT_EQ(p->MainHeader.dwStreams, 2u);
    EXPECT_EQ(p->VideoStream()->FormatSize, 72u);
    EXPECT_EQ(rtl::GetLE32(p->VideoStream()->Format.data() + 16), rtl::FourCC("dvsd")); // biCompression
    EXPECT_EQ(p->MoviPos, b.at("movi") + 12);
    EXPECT_EQ(p->Idx1Pos, b.at("idx1") + 8);
    EXPECT_EQ(p->OpenDML, 0);
}

TEST(AviInfoStreams, TypeOneAudioFirstAndNoVideo)
{
    auto one = Read(MakeAvi({.dvType = 1, .handler = "CDVC"}).build());
    EXPECT_EQ(one->Valid, 1);
    EXPECT_EQ(one->VideoIndex, 0);
    EXPECT_EQ(one->AudioIndex, -1);
    EXPECT_EQ(one->VideoHandler(), "CDVC");
    EXPECT_EQ(one->Streams[0]->FormatSize, 32u);

    auto two = Read(MakeAvi({.audioFirst = true, .secondVideo = true}).build());
    ASSERT_EQ(two->Streams.size(), 3u);
    EXPECT_EQ(two->AudioIndex, 0);
    EXPECT_EQ(two->VideoIndex, 1); // the first video stream counts

    auto none = Read(RiffBuilder()
                         .riff("AVI ")
                         .list("hdrl")
                         .list("strl")
                         .chunk("strh", testkit::Strh({.type = "auds"}))
                         .end()
                         .end()
                         .list("movi")
                         .build());
    EXPECT_EQ(none->Valid, 1);
    EXPECT_EQ(none->VideoStream(), nullptr);
    EXPECT_EQ(none->VideoHandler(), "####");
    EXPECT_EQ(none->IndexKind, 0);
}

TEST(AviInfoIndexKind, EachKindOfIndex)
{
    struct Case {
        int indxType;
        bool idx1;
        uint8_t kind;
    } cases[] = {{0, true, ikIndexOfIndexes}, {1, false, ikIndexOfChunks}, {-1, true, ikIdx1},
                 {-1, false, ikNoIndex},      {2, true, ikOtherIndex},     {0x80, false, ikOtherIndex}};
    for (const Case& c : cases) {
        RiffBuilder b = MakeAvi({.indxType = c.indxType, .idx1 = c.idx1});
        auto p = Read(b.build());
        EXPECT_EQ(p->IndexKind, c.kind) << c.indxType << " " << c.idx1;
        if (c.indxType >= 0)
            EXPECT_EQ(p->VideoStream()->IndxEntriesPos, b.at("indx0") + 8 + 24);
        else
            EXPECT_EQ(p->VideoStream()->IndxEntriesPos, 0);
    }
}

TEST(AviInfoIndexKind, SuperIndexHeadIsDecoded)
{
    auto p = Read(MakeAvi({.dvType = 1, .indxType = 0, .frames = 7}).build());
    const AviSuperIndexHead& s = p->VideoStream()->SuperIndex;
    EXPECT_EQ(s.header.wLongsPerEntry, 4);
    EXPECT_EQ(s.header.bIndexType, AVI_INDEX_OF_INDEXES);
    EXPECT_EQ(s.header.nEntriesInUse, 1u);
    EXPECT_EQ(s.header.dwChunkId, rtl::FourCC("00__"));
    EXPECT_EQ(s.entries[0].dwDuration, 7u);
    EXPECT_EQ(s.entries[1].dwDuration, 0u);
}

TEST(AviInfoSegments, TheLastOfAnyContinuationSegmentsGivesTheMoviList)
{
    RiffBuilder b = MakeAvi({.indxType = 0, .odml = true, .avixSegments = 2, .frames = 4});
    auto p = Read(b.build());
    EXPECT_EQ(p->Valid, 1);
    EXPECT_EQ(p->OpenDML, 1);
    EXPECT_EQ(p->DmlHeader.dwTotalFrames, 12u);
    EXPECT_EQ(p->Streams.size(), 2u);
    EXPECT_EQ(p->MoviPos, b.at("movi2") + 12);

    RiffBuilder cut = MakeAvi({.avixSegments = 1}); // a second segment cut short keeps the first
    std::string bytes = cut.build();
    bytes.resize(static_cast<size_t>(cut.at("avix1") + 30));
    EXPECT_EQ(Read(bytes)->MoviPos, cut.at("movi") + 12);

    bytes = MakeAvi({}).build() + RiffBuilder().riff("avix").list("movi").build(); // lower case counts
    EXPECT_EQ(Read(bytes)->MoviPos, static_cast<int64_t>(bytes.size()));
}

TEST(AviInfoDamaged, NotAnAvi)
{
    EXPECT_EQ(Read(RiffBuilder().riff("WAVE").chunk("fmt ", testkit::WaveFormat()).build())->Valid, 0);
    EXPECT_EQ(Read("")->Valid, 0);
    EXPECT_EQ(Read("RIFF")->Valid, 0);
    EXPECT_EQ(Read(std::string(100, '\0'))->Valid, 0);
}

TEST(AviInfoDamaged, ShortRecordsAreZeroFilledNotTakenFromTheNextChunk)
{
    auto p = Read(RiffBuilder()
                      .riff("AVI ")
                      .list("hdrl")
                      .chunk("avih", testkit::Avih({}).substr(0, 4))
                      .list("strl")
                      .chunk("strh", testkit::Strh({}).substr(0, 8))
                      .chunk("strf", std::string(6, '\x7f'))
                      .end()
                      .list("odml")
                      .chunk("dmlh", "")
                      .build());
    EXPECT_EQ(p->Valid, 1);
    EXPECT_EQ(p->MainHeader.dwMicroSecPerFrame, 40000u);
    EXPECT_EQ(p->MainHeader.dwMaxBytesPerSec, 0u);
    const TAvistream* v = p->VideoStream();
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->Header.fccHandler, rtl::FourCC("dvsd"));
    EXPECT_EQ(v->Header.dwFlags, 0u);
    EXPECT_EQ(v->Format[5], 0x7f);
    EXPECT_EQ(v->Format[6], 0);
    EXPECT_EQ(p->OpenDML, 1);
    EXPECT_EQ(p->DmlHeader.dwTotalFrames, 0u);
}

TEST(AviInfoDamaged, EveryTruncationReadsWithoutFault)
{
    RiffBuilder b = MakeAvi({.indxType = 0, .odml = true, .avixSegments = 1});
    const std::string whole = b.build();
    const size_t firstSegmentEnd = static_cast<size_t>(b.at("avix1"));
    for (size_t n = 0; n <= whole.size(); ++n) {
        auto p = Read(whole.substr(0, n));
        EXPECT_EQ(p->Valid, n >= firstSegmentEnd ? 1 : 0) << n;
        EXPECT_LE(p->Streams.size(), 2u);
    }
}

TEST(AviInfoDamaged, StreamCountIsCapped)
{
    RiffBuilder b;
    b.riff("AVI ").list("hdrl");
    for (int i = 0; i < 150; ++i)
        b.list("strl").chunk("strh", testkit::Strh({})).end();
    auto p = Read(b.build());
    EXPECT_EQ(p->Valid, 1);
    EXPECT_EQ(p->Streams.size(), TAviParam::kMaxStreams);
}

TEST(AviInfoFile, ReadsAFileAndRaisesForAMissingOne)
{
    testkit::TempDir dir;
    const std::string path = dir.file("a.avi");
    const std::string bytes = MakeAvi({.dvType = 1}).build();
    testkit::WriteFileBytes(path, bytes);
    TFriendlyAviParam p(path);
    EXPECT_EQ(p.Valid, 1);
    EXPECT_EQ(p.VideoHandler(), "dvsd");
    EXPECT_EQ(testkit::ReadFileBytes(path), bytes);
    EXPECT_THROW(TFriendlyAviParam(dir.file("missing.avi")), rtl::EFileError);
}
