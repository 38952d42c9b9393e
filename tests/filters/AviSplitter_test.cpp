// The AVI Splitter on hand-made files: which streams it offers when format blocks are damaged or
// the movie data is missing, and where a seek into compressed video starts.
#include "tests/filters/ContainerGraph.h"

#include "tests/dshow/TestFilters.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/media/DamagedFiles.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using containertest::Graph;
using testkit::LE16;
using testkit::LE32;

const std::string kVideoFormat = testkit::BitmapInfo(320, 240, "XVID", 12, 0);
const std::string kSoundFormat = testkit::WaveFormat(1, 2, 48000, 16);

// A wave format field by field: tag, channels, rate, block align, bits.
std::string Wave(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits)
{
    return LE16(tag) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits) + LE16(0);
}

// A file of one video and one sound stream with the given format blocks (none: no "strf"), and
// `frames` chunks of each; video chunk n is 16 bytes of n, and key frames are flagged in idx1.
std::string VideoAndSound(const std::optional<std::string>& video, const std::optional<std::string>& sound,
                          bool movi = true, int frames = 3, const std::vector<bool>& key = {},
                          uint32_t videoBufferHint = 144000)
{
    testkit::RiffBuilder b;
    testkit::AvihFields main;
    main.streams = 2;
    b.riff("AVI ").list("hdrl").chunk("avih", testkit::Avih(main));
    testkit::StrhFields v;
    v.handler = "XVID";
    v.suggestedBufferSize = videoBufferHint;
    b.list("strl").chunk("strh", testkit::Strh(v));
    if (video)
        b.chunk("strf", *video);
    b.end();
    testkit::StrhFields a;
    a.type = "auds";
    a.handler = std::string(4, '\0');
    a.scale = 4;
    a.rate = 192000;
    a.sampleSize = 4;
    b.list("strl").chunk("strh", testkit::Strh(a));
    if (sound)
        b.chunk("strf", *sound);
    b.end().end();
    if (!movi)
        return b.build();
    b.list("movi");
    for (int n = 0; n < frames; ++n)
        b.chunk("00dc", std::string(16, static_cast<char>(n))).chunk("01wb", std::string(7680, '\0'));
    b.end();
    std::string idx1;
    uint32_t offset = 4;
    for (int n = 0; n < frames; ++n) {
        const bool keyframe = key.empty() || key[static_cast<size_t>(n)];
        idx1 += testkit::Tag("00dc") + LE32(keyframe ? 0x10 : 0) + LE32(offset) + LE32(16);
        idx1 += testkit::Tag("01wb") + LE32(0x10) + LE32(offset + 24) + LE32(7680);
        offset += 24 + 7688;
    }
    return b.chunk("idx1", idx1).build();
}

std::vector<std::string> OutputNames(Graph& g)
{
    std::vector<std::string> names;
    for (int i = 0; i + 1 < g.splitter->GetPinCount(); ++i)
        names.push_back(g.splitter->GetPin(i)->Name());
    return names;
}

TEST(AviSplitterStreams, AStreamItsFormatBlockCannotDescribeGetsNoOutput)
{
    const std::vector<std::string> both{"Stream 00", "Stream 01"}, video{"Stream 00"}, sound{"Stream 01"};
    const struct {
        const char* what;
        std::optional<std::string> video, sound;
        std::vector<std::string> outputs;
    } cases[] = {
        {"whole formats", kVideoFormat, kSoundFormat, both},
        {"old 16-byte PCM format", kVideoFormat, kSoundFormat.substr(0, 16), both},
        {"compressed sound with blocks of its own", kVideoFormat, Wave(0x55, 2, 48000, 1, 0), both},
        {"bitmap header cut short", kVideoFormat.substr(0, 39), kSoundFormat, sound},
        {"empty video format", std::string(), kSoundFormat, sound},
        {"no video format", std::nullopt, kSoundFormat, sound},
        {"wave format cut short", kVideoFormat, kSoundFormat.substr(0, 14), video},
        {"no sound format", kVideoFormat, std::nullopt, video},
        {"no channels", kVideoFormat, Wave(1, 0, 48000, 4, 16), video},
        {"nine channels", kVideoFormat, Wave(1, 9, 48000, 18, 16), video},
        {"32770 channels", kVideoFormat, Wave(1, 32770, 48000, 4, 16), video},
        {"no rate", kVideoFormat, Wave(1, 2, 0, 4, 16), video},
        {"PCM block align of one channel", kVideoFormat, Wave(1, 2, 48000, 2, 16), video},
        {"compressed sound without blocks", kVideoFormat, Wave(0x55, 2, 48000, 0, 0), video},
    };
    testkit::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testkit::WriteFileBytes(dir.file("in.avi"), VideoAndSound(c.video, c.sound));
        Graph g;
        ASSERT_TRUE(g.Load(dir.file("in.avi")));
        EXPECT_EQ(c.outputs, OutputNames(g));
    }
}

// ffmpeg's PCM: the 16-byte block without cbSize is offered as the 18-byte one, cbSize 0, and
// the file is read as it is.
TEST(AviSplitterStreams, ASixteenBytePcmBlockIsOfferedWithCbSizeZero)
{
    testkit::TempDir dir;
    const std::string file = VideoAndSound(kVideoFormat, kSoundFormat.substr(0, 16));
    testkit::WriteFileBytes(dir.file("in.avi"), file);
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    ASSERT_EQ(3, g.splitter->GetPinCount());
    const std::vector<ds::MediaType> offered = g.splitter->GetPin(1)->EnumMediaTypes();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].format, std::vector<uint8_t>(kSoundFormat.begin(), kSoundFormat.end()));
    EXPECT_EQ(offered[0].subtype, ds::MEDIASUBTYPE_PCM);
    EXPECT_EQ(testkit::ReadFileBytes(dir.file("in.avi")), file);
}

TEST(AviSplitterStreams, AFileWithoutMovieDataGetsNoOutputs)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("in.avi"), VideoAndSound(kVideoFormat, kSoundFormat, false));
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    EXPECT_EQ(1, g.splitter->GetPinCount());
}

// A damaged header's buffer hint asked for two buffers of 64 MiB for a file of a few kilobytes.
TEST(AviSplitterStreams, TheBufferHintOfAHeaderIsHeldToTheFile)
{
    testkit::TempDir dir;
    const std::string file = VideoAndSound(kVideoFormat, kSoundFormat, true, 3, {}, 0xFFFFFFFF);
    testkit::WriteFileBytes(dir.file("in.avi"), file);
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    auto sink = std::make_shared<testds::TestSink>();
    g.graph->AddFilter(sink, "sink");
    ASSERT_EQ(ds::S_OK, g.graph->ConnectDirect(g.splitter->GetPin(0), sink->GetPin(0)));
    ds::AllocatorProperties buffers;
    auto* out = dynamic_cast<ds::OutputPin*>(g.splitter->GetPin(0));
    ASSERT_TRUE(out && out->Allocator());
    ASSERT_EQ(ds::S_OK, out->Allocator()->GetProperties(buffers));
    EXPECT_LE(buffers.cbBuffer, static_cast<int32_t>(file.size()));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto seen = sink->SeenSamples();
    ASSERT_EQ(3u, seen.size());
    EXPECT_EQ(std::string(16, '\2'), seen[2].bytes);
}

// OpenDML indexes that lay one big chunk under sixteen streams made each output take eight
// buffers of the whole file.
TEST(AviSplitterStreams, OutputsWhoseChunksLieOverEachOtherShareTheFileForTheirBuffers)
{
    constexpr int kStreams = 16;
    constexpr uint32_t kData = 100000;
    auto build = [&](int64_t data) {
        testkit::RiffBuilder b;
        b.riff("AVI ").list("hdrl").chunk("avih", testkit::Avih({}));
        for (int n = 0; n < kStreams; ++n) {
            testkit::StrhFields text{.type = "txts", .handler = std::string(4, '\0'), .suggestedBufferSize = 0};
            const std::string entry = LE32(static_cast<uint32_t>(data)) + LE32(kData);
            b.list("strl").chunk("strh", testkit::Strh(text));
            b.chunk("indx", testkit::IndexChunk(1, 0, 2, 1, "00tx", 0, entry)).end();
        }
        b.end().list("movi").mark("data").chunk("00tx", std::string(kData, 'd')).end();
        return b;
    };
    testkit::RiffBuilder first = build(0);
    const std::string file = build(first.at("data") + 8).build();
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("in.avi"), file);
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    ASSERT_EQ(kStreams + 1, g.splitter->GetPinCount());
    ASSERT_EQ(formats::AviIndexSource::OpenDml, g.splitter->File()->index);
    std::vector<std::shared_ptr<testds::TestSink>> sinks;
    int64_t buffered = 0;
    for (int n = 0; n < kStreams; ++n) {
        sinks.push_back(std::make_shared<testds::TestSink>());
        g.graph->AddFilter(sinks.back(), "sink");
        ASSERT_EQ(ds::S_OK, g.graph->ConnectDirect(g.splitter->GetPin(n), sinks.back()->GetPin(0)));
        ds::AllocatorProperties buffers;
        ASSERT_EQ(ds::S_OK, dynamic_cast<ds::OutputPin*>(g.splitter->GetPin(n))->Allocator()->GetProperties(buffers));
        buffered += int64_t{buffers.cBuffers} * buffers.cbBuffer;
    }
    EXPECT_LE(buffered, 8 * static_cast<int64_t>(file.size()));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    for (const auto& sink : sinks) {
        const auto seen = sink->SeenSamples();
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(std::string(seen[0].bytes.size(), 'd'), seen[0].bytes); // cut to the stream's share
    }
}

// An index checked against the file in a sample only: the entries the sample missed are read
// by their chunks' headers as the chunks are read, a wrong size by the header's, an entry on no
// chunk of its stream as a gap.
TEST(AviSplitterIndex, EntriesTheSampleMissedAreReadByTheirChunkHeaders)
{
    testkit::TempDir dir;
    auto damage = [](int entry, uint32_t, uint32_t& offset, uint32_t& size) {
        if (entry == 4)
            size = 20; // frame 2
        if (entry == 8)
            offset += 3; // frame 4
    };
    testkit::WriteFileBytes(dir.file("in.avi"),
                            damaged::WithIdx1(VideoAndSound(kVideoFormat, kSoundFormat, true, 100), damage));
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    ASSERT_TRUE(g.splitter->File()->checkChunkHeaders);
    auto sink = std::make_shared<testds::TestSink>();
    g.graph->AddFilter(sink, "sink");
    ASSERT_EQ(ds::S_OK, g.graph->ConnectDirect(g.splitter->GetPin(0), sink->GetPin(0)));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto seen = sink->SeenSamples();
    ASSERT_EQ(99u, seen.size());
    for (size_t k = 0; k < seen.size(); ++k) {
        const int frame = static_cast<int>(k < 4 ? k : k + 1);
        EXPECT_EQ(std::string(16, static_cast<char>(frame)), seen[k].bytes) << k;
        EXPECT_EQ(frame * 400000, seen[k].start) << k;
    }
}

// A chunk header the sampled index did not check claimed 60 MB in a file of a few hundred
// kilobytes, and the first look at the stream took them.
TEST(AviSplitterIndex, AChunkHeaderIsHeldToTheFileWhenTheStreamIsPeekedAt)
{
    std::string file = damaged::WithIdx1(VideoAndSound(kVideoFormat, kSoundFormat, true, 100),
                                         [](int entry, uint32_t, uint32_t&, uint32_t& size) {
                                             if (entry == 0)
                                                 size = 0;
                                         });
    const size_t frame0 = file.find("00dc", file.find("movi"));
    const size_t frame1 = file.find("00dc", frame0 + 4);
    file.replace(frame0 + 4, 4, LE32(0));
    file.replace(frame1 + 4, 4, LE32(60u << 20));
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("in.avi"), file);
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    ASSERT_TRUE(g.splitter->File()->checkChunkHeaders);
    auto* peek = dynamic_cast<ds::StreamPeek*>(g.splitter->GetPin(0));
    ASSERT_TRUE(peek);
    std::vector<uint8_t> data;
    ASSERT_TRUE(peek->PeekFirstChunk(data));
    EXPECT_EQ(file.size() - frame1 - 8, data.size()); // what the file holds after the header
    EXPECT_LE(data.capacity(), file.size());
}

// Frames 0 and 5 are key frames: a seek to frame 7 starts at frame 5, whose pictures 6 and 7 are
// built on, and the frames before the seek point come as preroll, timed before its zero.
TEST(AviSplitterSeeking, ASeekToADeltaFrameStartsAtTheKeyFrameBeforeIt)
{
    testkit::TempDir dir;
    std::vector<bool> key(10, false);
    key[0] = key[5] = true;
    testkit::WriteFileBytes(dir.file("in.avi"), VideoAndSound(kVideoFormat, kSoundFormat, true, 10, key));
    Graph g;
    ASSERT_TRUE(g.Load(dir.file("in.avi")));
    ASSERT_EQ(3, g.splitter->GetPinCount());
    auto sink = std::make_shared<testds::TestSink>();
    g.graph->AddFilter(sink, "sink");
    ASSERT_EQ(ds::S_OK, g.graph->ConnectDirect(g.splitter->GetPin(0), sink->GetPin(0)));
    int64_t at = 7 * 400000;
    ASSERT_TRUE(ds::SUCCEEDED(g.graph->SetPositions(&at, ds::AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    ASSERT_EQ(ds::EC_COMPLETE, g.RunToEnd());
    const auto seen = sink->SeenSamples();
    ASSERT_EQ(5u, seen.size());
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(std::string(16, static_cast<char>(5 + k)), seen[k].bytes) << k;
        EXPECT_EQ((static_cast<int64_t>(k) - 2) * 400000, seen[k].start) << k;
        EXPECT_EQ(k == 0, seen[k].sync) << k;
    }
}

} // namespace
