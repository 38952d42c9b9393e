#include "formats/AviMuxWriter.h"

#include "formats/AviDemux.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace avitest;

void ExpectChunksBack(const MemoryFile& file, const formats::AviDemuxResult& r, int frames, size_t videoSize)
{
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(static_cast<size_t>(frames), r.streams[0].chunks.size());
    ASSERT_EQ(static_cast<size_t>(frames), r.streams[1].chunks.size());
    for (int i = 0; i < frames; ++i) {
        EXPECT_TRUE(Bytes(file, r.streams[0].chunks[i]) == Raw(Payload(videoSize, i))) << "frame " << i;
        EXPECT_TRUE(Bytes(file, r.streams[1].chunks[i]) == Raw(Payload(7680, 1000 + i))) << "sound " << i;
    }
}

// Makes the reader fall back from the OpenDML indexes by giving them an unknown index type.
void SpoilSuperIndexes(MemoryFile& file)
{
    for (size_t at = file.bytes.find("indx"); at != std::string::npos; at = file.bytes.find("indx", at + 4))
        file.bytes[at + 8 + 3] = 7;
}

TEST(AviMuxWriter, WritesStreamsHeadersAndIndexesThatReadBack)
{
    MemoryFile file;
    ASSERT_TRUE(WriteType2(file, 12, 144000));
    const formats::AviDemuxResult r = formats::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_FALSE(r.truncated);
    EXPECT_EQ(1, r.segments);
    EXPECT_EQ(formats::AviIndexSource::OpenDml, r.index);
    EXPECT_EQ(12u, r.totalFrames);
    EXPECT_EQ(12u, r.dmlTotalFrames);
    EXPECT_EQ(40000u, r.microSecPerFrame);
    EXPECT_EQ(rtl::FourCC("vids"), r.streams[0].fccType);
    EXPECT_EQ(rtl::FourCC("dvsd"), r.streams[0].fccHandler);
    EXPECT_EQ(12u, r.streams[0].length);
    EXPECT_EQ(144000u, r.streams[0].suggestedBufferSize);
    EXPECT_EQ(rtl::FourCC("auds"), r.streams[1].fccType);
    EXPECT_EQ(12u * 1920, r.streams[1].length);
    EXPECT_EQ(testkit::PcmSpec(48000, 2).format, r.streams[1].format);
    ExpectChunksBack(file, r, 12, 144000);
    // The movie data starts on a boundary, after a JUNK chunk that fills the header space.
    EXPECT_NE(std::string::npos, file.bytes.find("JUNK"));
    EXPECT_EQ(0u, (r.streams[0].chunks[0].offset - 8) % 2048);
}

TEST(AviMuxWriter, StartsNewSegmentsPastTheLimitAndEveryIndexReadsBackWhole)
{
    MemoryFile file;
    formats::AviMuxOptions options;
    options.segmentLimit = 1 << 20; // about 6 frames a segment
    options.bufferSize = 300000;
    ASSERT_TRUE(WriteType2(file, 40, 144001, options)); // odd sizes: every frame carries a pad byte
    const formats::AviDemuxResult r = formats::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_GE(r.segments, 6);
    EXPECT_EQ(formats::AviIndexSource::OpenDml, r.index);
    EXPECT_EQ(40u, r.dmlTotalFrames);
    EXPECT_LT(r.totalFrames, 40u); // the first segment's frames only
    EXPECT_EQ(40u, r.streams[0].length);
    ExpectChunksBack(file, r, 40, 144001);
    for (size_t at = 0; at + 8 <= file.bytes.size();) {
        ASSERT_EQ("RIFF", file.bytes.substr(at, 4));
        const uint32_t size = rtl::GetLE32(reinterpret_cast<const uint8_t*>(file.bytes.data()) + at + 4);
        EXPECT_LE(size + 8, static_cast<uint32_t>(options.segmentLimit));
        at += size + 8;
    }
    // Without the OpenDML indexes, idx1 gives the first segment and a walk the others.
    SpoilSuperIndexes(file);
    const formats::AviDemuxResult again = formats::ParseAvi(file);
    EXPECT_EQ(formats::AviIndexSource::Idx1, again.index);
    ExpectChunksBack(file, again, 40, 144001);
}

TEST(AviMuxWriter, OffsetsPastFourGigabytesRoundTrip)
{
    SparseFile file;
    formats::AviMuxOptions options;
    options.bufferSize = 1 << 20;
    formats::AviMuxWriter w(file, options);
    ASSERT_EQ(0, w.AddStream(testkit::DvVideoSpec(true)));
    ASSERT_TRUE(w.Begin());
    const std::vector<uint8_t> big(64u << 20, 0); // 64 MiB chunks, 80 of them: 5 GiB
    for (int i = 0; i < 80; ++i)
        ASSERT_TRUE(w.WriteChunk(0, big.data(), big.size()));
    ASSERT_TRUE(w.Finish());
    EXPECT_GE(w.SegmentCount(), 5);
    const formats::AviDemuxResult r = formats::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(formats::AviIndexSource::OpenDml, r.index);
    EXPECT_EQ(80u, r.dmlTotalFrames);
    ASSERT_EQ(80u, r.streams[0].chunks.size());
    EXPECT_GT(r.streams[0].chunks.back().offset, int64_t{4} << 30);
    for (size_t i = 1; i < 80; ++i)
        EXPECT_GT(r.streams[0].chunks[i].offset, r.streams[0].chunks[i - 1].offset + (int64_t{64} << 20) - 1);
}

TEST(AviMuxWriter, AFailedWriteIsReportedAndSticks)
{
    MemoryFile file;
    file.failAfter = 500000;
    formats::AviMuxOptions options;
    options.bufferSize = 100000;
    formats::AviMuxWriter w(file, options);
    w.AddStream(testkit::DvVideoSpec(true));
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

// ffprobe and ffmpeg as independent readers of one file and of one of several segments.
TEST(AviMuxWriterInterop, FfprobeReadsStreamsAndPacketsOfEverySegment)
{
    if (!testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    std::string want;
    for (int i = 0; i < 50; ++i)
        want += Raw(Payload(7680, 1000 + i));
    for (int64_t limit : {int64_t{1} << 30, int64_t{1} << 21}) {
        SCOPED_TRACE(limit);
        const std::string path = dir.file("out" + std::to_string(limit) + ".avi");
        {
            testkit::FileByteStream out(path);
            formats::AviMuxOptions options;
            options.segmentLimit = limit;
            ASSERT_TRUE(WriteType2(out, 50, 144000, options));
            ASSERT_TRUE(out.Close());
        }
        std::string probe, video, audio;
        testkit::RunCommand(
            "ffprobe -v quiet -count_packets -show_entries stream=codec_type,duration,nb_read_packets -of csv=p=0 " +
                path,
            &probe);
        std::istringstream lines(probe);
        std::getline(lines, video);
        std::getline(lines, audio);
        EXPECT_EQ("video,2.000000,50", video);
        EXPECT_EQ(0u, audio.rfind("audio,", 0)) << audio; // ffmpeg cuts PCM into packets of its own
        const std::string pcm = dir.file("out.pcm");
        ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v quiet -i " + path + " -map 0:a -f s16le -y " + pcm));
        EXPECT_TRUE(want == testkit::ReadFileBytes(pcm));
    }
}

// A format block of odd size (a bitmap header and three bytes of codec data) gets its pad byte:
// the chunks after it, and the file, read back in our reader and in ffprobe.
TEST(AviMuxWriterInterop, AnOddFormatBlockIsPaddedAndTheFileReadsBack)
{
    testkit::TempDir dir;
    const std::string path = dir.file("odd.avi");
    formats::AviStreamSpec video = testkit::DvVideoSpec(true);
    video.handler = rtl::FourCC("MRVL");
    rtl::PutLE32(&video.format[16], rtl::FourCC("MRVL"));
    video.format.insert(video.format.end(), {1, 2, 3});
    {
        testkit::FileByteStream out(path);
        formats::AviMuxWriter w(out);
        ASSERT_EQ(0, w.AddStream(video));
        ASSERT_EQ(1, w.AddStream(testkit::PcmSpec(48000, 2)));
        ASSERT_TRUE(w.Begin());
        for (int i = 0; i < 5; ++i) {
            const auto v = Payload(1001, i), a = Payload(7680, 1000 + i);
            ASSERT_TRUE(w.WriteChunk(0, v.data(), v.size()) && w.WriteChunk(1, a.data(), a.size()));
        }
        ASSERT_TRUE(w.Finish());
        ASSERT_TRUE(out.Close());
    }
    const MemoryFile file = Load(path);
    const formats::AviDemuxResult r = formats::ParseAvi(file);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams.size());
    EXPECT_EQ(video.format, r.streams[0].format);
    EXPECT_EQ(testkit::PcmSpec(48000, 2).format, r.streams[1].format);
    EXPECT_EQ(formats::AviIndexSource::OpenDml, r.index);
    ASSERT_EQ(5u, r.streams[0].chunks.size());
    EXPECT_TRUE(Bytes(file, r.streams[0].chunks[4]) == Raw(Payload(1001, 4)));
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    std::string probe;
    testkit::RunCommand("ffprobe -v error -count_packets -show_entries "
                        "stream=codec_type,codec_tag_string,nb_read_packets,extradata_size -of csv=p=0 " +
                            path,
                        &probe);
    EXPECT_EQ(0u, probe.rfind("video,MRVL,5,3\naudio,", 0)) << probe;
}

} // namespace
