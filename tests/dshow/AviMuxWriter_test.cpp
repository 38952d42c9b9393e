#include "platform/dshow/AviMuxWriter.h"

#include "platform/dshow/AviDemux.h"
#include "tests/dshow/AviMemory.h"
#include "tests/kit/TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using avitest::Fcc;
using avitest::MemoryFile;

std::vector<uint8_t> BitmapHeader(uint32_t compression, int w, int h, uint32_t image)
{
    std::vector<uint8_t> v(40, 0);
    auto put = [&](size_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i)
            v[at + i] = static_cast<uint8_t>(x >> (8 * i));
    };
    put(0, 40);
    put(4, static_cast<uint32_t>(w));
    put(8, static_cast<uint32_t>(h));
    v[12] = 1;
    v[14] = 24;
    put(16, compression);
    put(20, image);
    return v;
}

std::vector<uint8_t> PcmFormat(uint32_t rate, uint16_t channels)
{
    std::vector<uint8_t> v(18, 0);
    const uint16_t align = channels * 2;
    v[0] = 1;
    v[2] = static_cast<uint8_t>(channels);
    for (int i = 0; i < 4; ++i) {
        v[4 + i] = static_cast<uint8_t>(rate >> (8 * i));
        v[8 + i] = static_cast<uint8_t>((rate * align) >> (8 * i));
    }
    v[12] = static_cast<uint8_t>(align);
    v[14] = 16;
    return v;
}

ds::AviStreamSpec DvVideo(bool pal = true)
{
    ds::AviStreamSpec s;
    s.kind = ds::AviStreamKind::Video;
    s.handler = Fcc("dvsd");
    s.scale = pal ? 1 : 1001;
    s.rate = pal ? 25 : 30000;
    s.format = BitmapHeader(Fcc("dvsd"), 720, pal ? 576 : 480, pal ? 144000 : 120000);
    s.width = 720;
    s.height = pal ? 576 : 480;
    return s;
}

ds::AviStreamSpec Pcm(uint32_t rate = 48000)
{
    ds::AviStreamSpec s;
    s.kind = ds::AviStreamKind::Audio;
    s.scale = 4;
    s.rate = rate * 4;
    s.sampleSize = 4;
    s.format = PcmFormat(rate, 2);
    return s;
}

std::vector<uint8_t> Payload(size_t size, int seed)
{
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i)
        v[i] = static_cast<uint8_t>(i * 31 + seed * 7);
    return v;
}

// Writes `frames` video chunks of `videoSize` and audio chunks of 1920 samples, interleaved.
void WriteType2(ds::AviByteStream& out, int frames, size_t videoSize, ds::AviMuxOptions options = {})
{
    ds::AviMuxWriter w(out, options);
    ASSERT_EQ(0, w.AddStream(DvVideo()));
    ASSERT_EQ(1, w.AddStream(Pcm()));
    ASSERT_TRUE(w.Begin());
    for (int i = 0; i < frames; ++i) {
        const auto v = Payload(videoSize, i);
        const auto a = Payload(7680, 1000 + i);
        ASSERT_TRUE(w.WriteChunk(0, v.data(), v.size()));
        ASSERT_TRUE(w.WriteChunk(1, a.data(), a.size()));
    }
    ASSERT_TRUE(w.Finish());
    EXPECT_TRUE(w.Finish()); // a second finish changes nothing
}

void ExpectChunksBack(const MemoryFile& file, const ds::AviDemuxResult& r, int frames, size_t videoSize)
{
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(static_cast<size_t>(frames), r.streams[0].chunks.size());
    ASSERT_EQ(static_cast<size_t>(frames), r.streams[1].chunks.size());
    for (int i = 0; i < frames; ++i) {
        const auto& v = r.streams[0].chunks[i];
        ASSERT_EQ(videoSize, v.size);
        EXPECT_EQ(0, file.bytes.compare(v.offset, v.size,
                                        std::string(reinterpret_cast<const char*>(Payload(videoSize, i).data()), videoSize)))
            << "frame " << i;
        const auto& a = r.streams[1].chunks[i];
        ASSERT_EQ(7680u, a.size);
        EXPECT_EQ(static_cast<uint8_t>(file.bytes[a.offset]), Payload(1, 1000 + i)[0]);
    }
}

TEST(AviMuxWriter, WritesStreamsHeadersAndIndexesThatReadBack)
{
    MemoryFile file;
    WriteType2(file, 12, 144000);
    const ds::AviDemuxResult r = ds::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(1, r.segments);
    EXPECT_EQ(ds::AviIndexSource::OpenDml, r.index);
    EXPECT_EQ(12u, r.totalFrames);
    EXPECT_EQ(12u, r.dmlTotalFrames);
    EXPECT_EQ(40000u, r.microSecPerFrame);
    EXPECT_EQ(Fcc("vids"), r.streams[0].fccType);
    EXPECT_EQ(Fcc("dvsd"), r.streams[0].fccHandler);
    EXPECT_EQ(12u, r.streams[0].length);
    EXPECT_EQ(144000u, r.streams[0].suggestedBufferSize);
    EXPECT_EQ(Fcc("auds"), r.streams[1].fccType);
    EXPECT_EQ(12u * 1920, r.streams[1].length);
    EXPECT_EQ(PcmFormat(48000, 2), r.streams[1].format);
    ExpectChunksBack(file, r, 12, 144000);
    // The movie data starts on a boundary, after a JUNK chunk that fills the header space.
    EXPECT_NE(std::string::npos, file.bytes.find("JUNK"));
    EXPECT_EQ(0u, (r.streams[0].chunks[0].offset - 8) % 2048);
}

TEST(AviMuxWriter, IdxOneAloneLocatesTheSameChunks)
{
    MemoryFile file;
    WriteType2(file, 5, 1001); // odd sizes: every chunk carries a pad byte
    // Blank the super indexes' type so that the reader falls back to idx1.
    for (size_t at = file.bytes.find("indx"); at != std::string::npos; at = file.bytes.find("indx", at + 4))
        file.bytes[at + 8 + 3] = 7;
    const ds::AviDemuxResult r = ds::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(ds::AviIndexSource::Idx1, r.index);
    ExpectChunksBack(file, r, 5, 1001);
}

TEST(AviMuxWriter, StartsNewSegmentsPastTheLimitAndReadsBackWhole)
{
    MemoryFile file;
    ds::AviMuxOptions options;
    options.segmentLimit = 1 << 20; // about 6 frames a segment
    options.bufferSize = 300000;
    WriteType2(file, 40, 144000, options);
    const ds::AviDemuxResult r = ds::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_GE(r.segments, 6);
    EXPECT_EQ(ds::AviIndexSource::OpenDml, r.index);
    EXPECT_EQ(40u, r.dmlTotalFrames);
    EXPECT_LT(r.totalFrames, 40u); // the first segment's frames only
    EXPECT_EQ(40u, r.streams[0].length);
    ExpectChunksBack(file, r, 40, 144000);
    // Every segment keeps within the limit.
    for (size_t at = 0; at + 8 <= file.bytes.size();) {
        ASSERT_EQ("RIFF", file.bytes.substr(at, 4));
        const uint32_t size = static_cast<uint8_t>(file.bytes[at + 4]) | static_cast<uint8_t>(file.bytes[at + 5]) << 8 |
                              static_cast<uint8_t>(file.bytes[at + 6]) << 16 |
                              static_cast<uint32_t>(static_cast<uint8_t>(file.bytes[at + 7])) << 24;
        EXPECT_LE(size + 8, static_cast<uint32_t>(options.segmentLimit));
        at += size + 8;
    }
    // Without the OpenDML indexes, idx1 gives the first segment and a walk the others.
    for (size_t at = file.bytes.find("indx"); at != std::string::npos; at = file.bytes.find("indx", at + 4))
        file.bytes[at + 8 + 3] = 7;
    const ds::AviDemuxResult again = ds::ParseAvi(file);
    EXPECT_EQ(ds::AviIndexSource::Idx1, again.index);
    ExpectChunksBack(file, again, 40, 144000);
}

TEST(AviMuxWriter, OffsetsPastFourGigabytesRoundTrip)
{
    avitest::SparseFile file;
    ds::AviMuxOptions options;
    options.bufferSize = 1 << 20;
    ds::AviMuxWriter w(file, options);
    ds::AviStreamSpec video = DvVideo();
    ASSERT_EQ(0, w.AddStream(video));
    ASSERT_TRUE(w.Begin());
    const std::vector<uint8_t> big(64u << 20, 0); // 64 MiB chunks, 80 of them: 5 GiB
    for (int i = 0; i < 80; ++i)
        ASSERT_TRUE(w.WriteChunk(0, big.data(), big.size()));
    ASSERT_TRUE(w.Finish());
    EXPECT_GE(w.SegmentCount(), 5);

    const ds::AviDemuxResult r = ds::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(ds::AviIndexSource::OpenDml, r.index);
    ASSERT_EQ(80u, r.streams[0].chunks.size());
    EXPECT_GT(r.streams[0].chunks.back().offset, int64_t{4} << 30);
    for (size_t i = 1; i < 80; ++i)
        EXPECT_GT(r.streams[0].chunks[i].offset, r.streams[0].chunks[i - 1].offset + (int64_t{64} << 20) - 1);
    EXPECT_EQ(80u, r.dmlTotalFrames);
}

TEST(AviMuxWriter, AFailedWriteIsReportedAndSticks)
{
    MemoryFile file;
    file.failAfter = 500000;
    ds::AviMuxOptions options;
    options.bufferSize = 100000;
    ds::AviMuxWriter w(file, options);
    w.AddStream(DvVideo());
    ASSERT_TRUE(w.Begin());
    const auto v = Payload(144000, 0);
    bool failed = false;
    for (int i = 0; i < 10 && !failed; ++i)
        failed = !w.WriteChunk(0, v.data(), v.size());
    EXPECT_TRUE(failed);
    EXPECT_TRUE(w.Failed());
    EXPECT_FALSE(w.WriteChunk(0, v.data(), v.size()));
    EXPECT_FALSE(w.Finish());
}

// ffprobe as an independent reader of what we write.
std::string Probe(const std::string& file, const std::string& entries)
{
    std::string out;
    testkit::RunCommand("ffprobe -v quiet -count_packets -show_entries " + entries + " -of csv=p=0 " + file, &out);
    return out;
}

TEST(AviMuxWriterInterop, FfprobeReadsStreamsAndPacketsOfEverySegment)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    testkit::TempDir dir;
    for (int64_t limit : {int64_t{1} << 30, int64_t{1} << 21}) {
        const std::string path = dir.file("out" + std::to_string(limit) + ".avi");
        {
            ds::FileByteStream out(path);
            ASSERT_TRUE(out.IsOpen());
            ds::AviMuxOptions options;
            options.segmentLimit = limit;
            WriteType2(out, 50, 144000, options);
            ASSERT_TRUE(out.Close());
        }
        // ffmpeg cuts PCM chunks into packets of its own: the sound is checked by its duration.
        std::istringstream lines(Probe(path, "stream=codec_type,duration,nb_read_packets"));
        std::string video, audio;
        std::getline(lines, video);
        std::getline(lines, audio);
        EXPECT_EQ("video,2.000000,50", video) << limit;
        EXPECT_EQ(0u, audio.rfind("audio,", 0)) << audio;
        const std::string pcm = dir.file("out.pcm");
        ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v quiet -i " + path + " -map 0:a -f s16le -y " + pcm));
        std::string want;
        for (int i = 0; i < 50; ++i) {
            const auto a = Payload(7680, 1000 + i);
            want.append(a.begin(), a.end());
        }
        EXPECT_TRUE(want == testkit::ReadFileBytes(pcm));
    }
}

} // namespace
