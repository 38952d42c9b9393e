// The RIFF structure listing: exact lines for a known file, the damaged-file cases, cancel and save.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "formats/RiffChunk.h"
#include "formats/riffunit.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FileStream.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace formats;
using testkit::RiffBuilder;
using Lines = std::vector<std::string>;

namespace {

constexpr size_t kHeadingLines = 8; // rule, blank, title, blank, date, version, blank, start

RiffListingOptions FixedOptions()
{
    RiffListingOptions o;
    o.versionText = "2.5";
    o.clock = [] { return rtl::EncodeDateTime(2026, 3, 5, 7, 8, 9, 0); };
    static const rtl::FormatSettings settings;
    o.settings = &settings;
    return o;
}

// The lines between the heading and the trailer.
Lines Body(const Lines& all)
{
    size_t end = all.size();
    while (end > 0 && all[end - 1].find(" End of Header ") == std::string::npos)
        --end;
    // The trailer starts with a blank line before the optional notes and " End of Header ".
    size_t stop = end - 1;
    while (stop > kHeadingLines && all[stop - 1] != "")
        --stop;
    return Lines(all.begin() + kHeadingLines, all.begin() + static_cast<long>(stop - 1));
}

Lines ListBytes(const std::string& bytes, RiffListingResult* result = nullptr,
                const std::string& name = "/videos/test.avi")
{
    TRiffLister lister(FixedOptions());
    MemorySource src(bytes);
    RiffListingResult r = lister.WalkSource(src, name);
    if (result)
        *result = r;
    return lister.Lines();
}

std::string Dashes(size_t n)
{
    return std::string(n, '-');
}

bool Contains(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(RiffCentredLine, FillsBothSidesUpToFiftyColumns)
{
    EXPECT_EQ(CentredLine("", "-", "Canceled by user"), Dashes(17) + "Canceled by user" + Dashes(17));
    EXPECT_EQ(CentredLine("", "-", " End of Header "), Dashes(17) + " End of Header " + Dashes(17));
    EXPECT_EQ(CentredLine("    ", "*", "ab"), "    " + std::string(22, '*') + "ab" + std::string(22, '*'));
    const std::string fifty(50, 'x');
    EXPECT_EQ(CentredLine("", "-", fifty), fifty);
    EXPECT_EQ(CentredLine("", "-", fifty + "yz"), fifty + "yz");
}

TEST(RiffListing, GoldenLinesOfASmallType2File)
{
    using testkit::LE32;
    const testkit::StrhFields video{.length = 1};
    const testkit::StrhFields audio{.type = "auds",
                                    .handler = std::string(4, '\0'),
                                    .rate = 48000,
                                    .length = 1,
                                    .sampleSize = 4,
                                    .right = 0,
                                    .bottom = 0};
    const testkit::AvihFields main{.totalFrames = 1, .streams = 2};
    const std::string bytes = RiffBuilder()
                                  .riff("AVI ")
                                  .list("hdrl")
                                  .chunk("avih", testkit::Avih(main))
                                  .list("strl")
                                  .chunk("strh", testkit::Strh(video))
                                  .chunk("strf", testkit::BitmapInfo() + testkit::DvInfoBlock())
                                  .end()
                                  .list("strl")
                                  .chunk("strh", testkit::Strh(audio))
                                  .chunk("strf", testkit::WaveFormat(1, 2, 48000, 16, false))
                                  .end()
                                  .end()
                                  .list("movi")
                                  .chunk("00dc", std::string(16, 'v'))
                                  .end()
                                  .chunk("idx1", "00dc" + LE32(0x10) + LE32(4) + LE32(16))
                                  .build();
    ASSERT_EQ(bytes.size(), 404u);

    testkit::TempDir dir;
    const std::string path = dir.file("golden.avi");
    testkit::WriteFileBytes(path, bytes);
    TRiffLister lister(FixedOptions());
    RiffListingResult r = lister.WalkFile(path);
    EXPECT_TRUE(r.walked);
    EXPECT_FALSE(r.shortRead);
    EXPECT_FALSE(r.cancelled);

    const std::string i2(8, ' '), i3(12, ' ');
    Lines expected = {
        Dashes(50),
        "",
        std::string(8, '*') + "  Header of the file golden.avi  " + std::string(8, '*'),
        "",
        std::string(9, ' ') + "analysed on 2026/03/5 at 7:08:09" + std::string(9, ' '),
        std::string(6, ' ') + "with Morvel by Ivor Varnet version 2.5" + std::string(6, ' '),
        "",
        Dashes(15) + " Start of Avi RIFF " + Dashes(15),
        "RIFF  0000018C",
        "AVI ",
        "    LIST  00000144",
        "    hdrl",
        i2 + "avih  00000038",
        "",
        i2 + Dashes(8) + " Start of AVI Main Header " + Dashes(8),
        i2 + "MicroSecPerFrame = 40000",
        i2 + "MaxBytesPerSec = 3600000",
        i2 + "PaddingGranularity = 0",
        i2 + "Flags = 00000010",
        i2 + "TotalFrames = 1",
        i2 + "InitialFrames = 0",
        i2 + "Streams = 2",
        i2 + "SuggestedBufferSize = 144000",
        i2 + "Width = 720",
        i2 + "Height = 576",
        i2 + "Reserved0 = 00000000",
        i2 + "Reserved1 = 00000000",
        i2 + "Reserved2 = 00000000",
        i2 + "Reserved3 = 00000000",
        i2 + Dashes(11) + " End of Main Header " + Dashes(11),
        "",
        i2 + "LIST  00000094",
        i2 + "strl",
        i3 + "strh  00000038",
        "",
        i3 + Dashes(15) + "(Video)" + Dashes(15),
        i3 + Dashes(6) + "Start of AVI Stream Header" + Dashes(6),
        i3 + "FourccType = vids",
        i3 + "FourccHandler = dvsd",
        i3 + "Flags = 00000000",
        i3 + "Priority = 0",
        i3 + "Language = 0000",
        i3 + "InitialFrames = 0",
        i3 + "Scale = 1",
        i3 + "Rate = 25",
        i3 + "Start = 0",
        i3 + "Length = 1",
        i3 + "SuggestedBufferSize = 144000",
        i3 + "Quality = FFFFFFFF",
        i3 + "SampleSize = 0",
        i3 + "rcFrame.Left = 0",
        i3 + "rcFrame.Top = 0",
        i3 + "rcFrame.Right = 720",
        i3 + "rcFrame.Bottom = 576",
        i3 + Dashes(7) + "End of AVI Stream Header" + Dashes(7),
        "",
        i3 + "strf  00000048",
        "",
        i3 + Dashes(4) + "Start of Stream Format Header" + Dashes(4),
        i3 + "biSize = 40",
        i3 + "biWidth = 720",
        i3 + "biHeight = 576",
        i3 + "biPlanes = 1",
        i3 + "biBitCount = 24",
        i3 + "biCompression = dvsd",
        i3 + "biSizeImage = 144000",
        i3 + "biXPelsPerMeter = 0",
        i3 + "biYPelsPerMeter = 0",
        i3 + "biClrUsed = 0",
        i3 + "biClrImportant = 0",
        i3 + Dashes(11) + "Start of DVInfo" + Dashes(11),
        i3 + "DVAAuxSrc = D1E0C0C0",
        i3 + "DVAAuxCtl = FFBFC83F",
        i3 + "DVAAuxSrc1 = D1E0C0C0",
        i3 + "DVAAuxCtl1 = FFBFC83F",
        i3 + "DVVAuxSrc = FF20FFFF",
        i3 + "DVVAuxCtl = FFFFBF3F",
        i3 + "DVReserved0 = 00000000",
        i3 + "DVReserved1 = 00000000",
        i3 + Dashes(12) + "End of DVINfo" + Dashes(12),
        i3 + Dashes(7) + "End of AVI Stream Format" + Dashes(7),
        "",
        i2 + "LIST  0000005C",
        i2 + "strl",
        i3 + "strh  00000038",
        "",
        i3 + Dashes(15) + "(Audio)" + Dashes(15),
        i3 + Dashes(6) + "Start of AVI Stream Header" + Dashes(6),
        i3 + "FourccType = auds",
        i3 + "FourccHandler = " + std::string(4, '\0'),
        i3 + "Flags = 00000000",
        i3 + "Priority = 0",
        i3 + "Language = 0000",
        i3 + "InitialFrames = 0",
        i3 + "Scale = 1",
        i3 + "Rate = 48000",
        i3 + "Start = 0",
        i3 + "Length = 1",
        i3 + "SuggestedBufferSize = 144000",
        i3 + "Quality = FFFFFFFF",
        i3 + "SampleSize = 4",
        i3 + "rcFrame.Left = 0",
        i3 + "rcFrame.Top = 0",
        i3 + "rcFrame.Right = 0",
        i3 + "rcFrame.Bottom = 0",
        i3 + Dashes(7) + "End of AVI Stream Header" + Dashes(7),
        "",
        i3 + "strf  00000010",
        "",
        i3 + Dashes(4) + "Start of Stream Format Header" + Dashes(4),
        i3 + "FormatTag = 1",
        i3 + "Channels = 2",
        i3 + "SamplesPerSec = 48000",
        i3 + "AvgBytesPerSec = 192000",
        i3 + "BlockAlign = 4",
        i3 + "BitsPerSample = 16",
        i3 + Dashes(7) + "End of AVI Stream Format" + Dashes(7),
        "",
        "    LIST  0000001C",
        "    movi",
        "    idx1  00000010",
        "",
        Dashes(17) + " End of Header " + Dashes(17),
        CentredLine("", " ", path),
        "",
        Dashes(50),
    };
    EXPECT_EQ(lister.Lines(), expected);
}

TEST(RiffListing, MissingFileGivesNoLines)
{
    testkit::TempDir dir;
    TRiffLister lister(FixedOptions());
    EXPECT_FALSE(lister.WalkFile(dir.file("none.avi")).walked);
    EXPECT_TRUE(lister.Lines().empty());
}

TEST(RiffListing, GarbageAndShortTailsEndTheWalk)
{
    RiffListingResult r;
    EXPECT_EQ(Body(ListBytes(std::string(1000, 'x'), &r)),
              Lines{">>> There are 000003E8 bytes of garbage at the end of the file"});
    EXPECT_TRUE(r.walked);
    const std::string avi = testkit::MakeAvi({}).build();
    Lines all = ListBytes(avi + std::string(10, 'g'));
    EXPECT_TRUE(Contains(all, ">>> There are 0000000A bytes of garbage at the end of the file"));
    EXPECT_FALSE(Contains(all, CentredLine("", " ", "Unexpected end")));
    for (size_t extra = 1; extra < 8; ++extra) {
        all = ListBytes(avi + std::string(extra, 'g'), &r);
        EXPECT_TRUE(r.shortRead) << extra;
        EXPECT_TRUE(Contains(all, CentredLine("", " ", "Unexpected end"))) << extra;
    }
}

TEST(RiffListing, ChunkSizesOddEmptyPastTheEndOrTooSmallForAList)
{
    const struct {
        std::string bytes;
        Lines body;
    } cases[] = {
        {RiffBuilder().riff("AVI ").chunk("JUNK", std::string(0x25, 'j')).chunk("abcd", "12").build(),
         {"RIFF  0000003C", "AVI ", "    JUNK  00000025", "    abcd  00000002"}},
        {RiffBuilder().riff("AVI ", 0).end().build() + RiffBuilder().riff("AVIX").build(), {"RIFF  00000000"}},
        {RiffBuilder().riff("AVI ").chunkSized("JUNK", 0x100, "abcd").build(),
         {"RIFF  00000010", "AVI ", "    JUNK  00000100",
          "    >>> Bad chunk length:", "    >>> 00000100 instead of 00000004"}},
        {RiffBuilder().riff("AVI ").chunk("LIST", "ab").chunk("JUNK", "").build(),
         {"RIFF  00000016", "AVI ", "    LIST  00000002", "    JUNK  00000000"}},
    };
    for (const auto& c : cases) {
        RiffListingResult r;
        EXPECT_EQ(Body(ListBytes(c.bytes, &r)), c.body);
        EXPECT_FALSE(r.shortRead);
    }
}

TEST(RiffListing, UnknownStreamTypeDecodesNoFormat)
{
    Lines all = ListBytes(RiffBuilder()
                              .riff("AVI ")
                              .list("strl")
                              .chunk("strh", testkit::Strh({.type = "txts"}))
                              .chunk("strf", testkit::BitmapInfo())
                              .build());
    EXPECT_TRUE(Contains(all, CentredLine("        ", "-", "(Unknown)")));
    EXPECT_TRUE(Contains(all, "        strf  00000028"));
    EXPECT_FALSE(Contains(all, "        biSize = 40"));
}

TEST(RiffListing, StandardIndexShowsItsHeaderAndTheWalkGoesOnAtItsEnd)
{
    std::string ix = testkit::IndexChunk(1, 0, 2, 3, "00dc", 0x123456789ABCull) + std::string(4000 - 24, '\0');
    std::string bytes = RiffBuilder().riff("AVI ").chunk("ix00", ix).chunk("JUNK", "after!").build();
    Lines body = Body(ListBytes(bytes));
    const std::string i(4, ' ');
    EXPECT_EQ(body, (Lines{"RIFF  00000FBA", "AVI ", i + "ix00  00000FA0", "",
                           i + Dashes(14) + "Start of an Index" + Dashes(14), i + "wLongsPerEntry = 0002",
                           i + "bIndexSubType = 0", i + "bIndexType = 1", i + "nEntriesInUse = 00000003",
                           i + "dwChunkId = 00dc", i + "qwBaseOffset = 0000123456789ABC", i + "dwReserved_3 = 00000000",
                           i + Dashes(17) + "End of Index" + Dashes(17), "", i + "JUNK  00000006"}));
}

TEST(RiffListing, IndexNearTheEndOfTheFileListsCompletely)
{
    // Index chunks are read for their header only, so one ending the file needs no more bytes.
    std::string indx = testkit::IndexChunk(0, 0, 4, 1, "00dc", 0) + std::string(16, '\0');
    std::string bytes = RiffBuilder().riff("AVI ").list("hdrl").list("strl").chunk("indx", indx).build();
    RiffListingResult r;
    Lines all = ListBytes(bytes, &r);
    EXPECT_FALSE(r.shortRead);
    EXPECT_TRUE(Contains(all, "            bIndexType = 0"));
    EXPECT_FALSE(Contains(all, CentredLine("", " ", "Unexpected end")));
}

TEST(RiffListing, ShortRecordsShowOnlyTheFieldsTheyHold)
{
    const std::string i(8, ' ');
    Lines body =
        Body(ListBytes(RiffBuilder()
                           .riff("AVI ")
                           .list("strl")
                           .chunk("strh", testkit::Strh({}).substr(0, 10))
                           .chunk("strf", testkit::BitmapInfo().substr(0, 20))
                           .chunk("strf", testkit::BitmapInfo(1, 2, "DVSD") + testkit::DvInfoBlock().substr(0, 31))
                           .build()));
    auto start = std::find(body.begin(), body.end(), i + Dashes(8) + "Start of AVI Stream Header" + Dashes(8));
    ASSERT_NE(start, body.end());
    EXPECT_EQ(Lines(start + 1, start + 4), (Lines{i + "FourccType = vids", i + "FourccHandler = dvsd",
                                                  i + Dashes(9) + "End of AVI Stream Header" + Dashes(9)}));
    // The 20-byte format holds five whole fields; the next chunk's bytes are not shown as data.
    auto first = std::find(body.begin(), body.end(), i + "strf  00000014");
    ASSERT_NE(first, body.end());
    Lines strf(first + 3, first + 8);
    EXPECT_EQ(strf, (Lines{i + "biSize = 40", i + "biWidth = 720", i + "biHeight = 576", i + "biPlanes = 1",
                           i + "biBitCount = 24"}));
    EXPECT_EQ(*(first + 8), i + "biCompression = dvsd");
    EXPECT_EQ(*(first + 9), CentredLine(i, "-", "End of AVI Stream Format"));
    // A DV block of 31 bytes is not there: "more than 31 bytes" must remain.
    EXPECT_FALSE(Contains(body, CentredLine(i, "-", "Start of DVInfo")));
}

TEST(RiffListing, StreamKindStartsAsVideoInEveryWalk)
{
    std::string withAudio = RiffBuilder().riff("AVI ").chunk("strh", testkit::Strh({.type = "auds"})).build();
    std::string bareFormat = RiffBuilder().riff("AVI ").chunk("strf", testkit::BitmapInfo()).build();
    TRiffLister lister(FixedOptions());
    MemorySource a(withAudio), b(bareFormat);
    lister.WalkSource(a, "a.avi");
    lister.WalkSource(b, "b.avi");
    EXPECT_TRUE(Contains(lister.Lines(), "    biWidth = 720"));
}

TEST(RiffListing, DvBlockAloneForTypeOneAndAfterTheBitmapOnlyForTheDvCodes)
{
    Lines all = ListBytes(testkit::MakeAvi({.dvType = 1}).build());
    EXPECT_TRUE(Contains(all, CentredLine("            ", "-", "(Interleaved)")));
    EXPECT_TRUE(Contains(all, "            DVVAuxSrc = FF20FFFF"));
    EXPECT_FALSE(Contains(all, "            biSize = 40"));
    for (const std::string code : {"dvsd", "DSVD", "csvd", "CDVC", "cdvs"}) {
        std::string bytes = RiffBuilder()
                                .riff("AVI ")
                                .chunk("strf", testkit::BitmapInfo(720, 576, code) + testkit::DvInfoBlock())
                                .build();
        EXPECT_EQ(Contains(ListBytes(bytes), "    DVVAuxSrc = FF20FFFF"), code != "CDVC" && code != "cdvs") << code;
    }
}

TEST(RiffListing, DeepNestingEndsCleanly)
{
    RiffBuilder deep;
    deep.riff("AVI ");
    for (int i = 0; i < 5000; ++i)
        deep.list("deep");
    RiffListingResult r;
    Lines all = ListBytes(deep.build(), &r);
    EXPECT_TRUE(r.walked);
    EXPECT_LT(all.size(), 200u);
}

TEST(RiffListing, ChunkOverTwoGibibytesIsSteppedOver)
{
    // A sparse file: a 3 GiB JUNK chunk, then one more chunk in the same segment.
    testkit::TempDir dir;
    const std::string path = dir.file("big.avi");
    const int64_t after = 20 + 0xC0000000LL;
    const std::string head = "RIFF" + testkit::LE32(0xC0000016u) + "AVI " + "JUNK" + testkit::LE32(0xC0000000u);
    const std::string tail = "abcd" + testkit::LE32(2) + "xy";
    testkit::WriteFileBytes(path, head);
    {
        rtl::TFileStream f(path, rtl::TFileStream::Mode::ReadWrite);
        f.WriteAt(after, tail.data(), tail.size());
    }
    TRiffLister lister(FixedOptions());
    RiffListingResult r = lister.WalkFile(path);
    EXPECT_FALSE(r.shortRead);
    EXPECT_EQ(Body(lister.Lines()), (Lines{"RIFF  C0000016", "AVI ", "    JUNK  C0000000", "    abcd  00000002"}));
}

TEST(RiffListing, CancelStopsTheWalkAndKeepsTheTrailer)
{
    RiffListingOptions o = FixedOptions();
    TRiffLister* self = nullptr;
    size_t seen = 0;
    o.onLine = [&](const std::string&) {
        if (++seen == kHeadingLines + 3)
            self->Cancel();
    };
    TRiffLister lister(o);
    self = &lister;
    std::string bytes = testkit::MakeAvi({}).build();
    MemorySource src(bytes);
    RiffListingResult r = lister.WalkSource(src, "/v/a.avi");
    EXPECT_TRUE(r.cancelled);
    EXPECT_TRUE(r.walked);
    const Lines& all = lister.Lines();
    EXPECT_TRUE(Contains(all, CentredLine("", "-", "Canceled by user")));
    EXPECT_EQ(all.back(), Dashes(50));
    EXPECT_LT(all.size(), 30u);

    // The next walk starts afresh.
    seen = 1000;
    r = lister.WalkSource(src, "/v/a.avi");
    EXPECT_FALSE(r.cancelled);
}

TEST(RiffListing, ListingNeverWritesTheFile)
{
    testkit::TempDir dir;
    const std::string path = dir.file("ro.avi");
    const std::string bytes = testkit::MakeAvi({.odml = true}).build();
    testkit::WriteFileBytes(path, bytes);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const auto before = std::filesystem::last_write_time(path);
    TRiffLister lister(FixedOptions());
    RiffListingResult r = lister.WalkFile(path);
    EXPECT_TRUE(r.walked);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(testkit::ReadFileBytes(path), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(path), before);
}

TEST(RiffListingSave, WritesCrLfLinesAndReplacesAnExistingFile)
{
    testkit::TempDir dir;
    const std::string path = dir.file("walk.log");
    testkit::WriteFileBytes(path, "old content that is longer than the new one");
    SaveListing({"one", "", "three"}, path);
    EXPECT_EQ(testkit::ReadFileBytes(path), "one\r\n\r\nthree\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(RiffListingSave, ALongestValidNameIsSaved)
{
    // The temporary name must not be longer than the name the user chose.
    testkit::TempDir dir;
    const std::string path = dir.file(std::string(251, 'n') + ".log");
    SaveListing({"one"}, path);
    EXPECT_EQ(testkit::ReadFileBytes(path), "one\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(RiffListingSave, FailureRaisesAndLeavesTheOldFileAndNoTemporary)
{
    testkit::TempDir dir;
    EXPECT_THROW(SaveListing({"x"}, dir.file("missing/walk.log")), rtl::EFileError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    // A folder under the name refuses the rename, as a sync that fails refuses the commit.
    std::filesystem::create_directory(dir.file("folder.log"));
    EXPECT_THROW(SaveListing({"x"}, dir.file("folder.log")), rtl::EFileError);
    const std::string path = dir.file("walk.log");
    testkit::WriteFileBytes(path, "old");
    {
        testkit::FileFault fault(testkit::FileFault::Step::SyncFile);
        EXPECT_THROW(SaveListing({"x"}, path), rtl::EFileError);
    }
    EXPECT_EQ(testkit::ReadFileBytes(path), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
