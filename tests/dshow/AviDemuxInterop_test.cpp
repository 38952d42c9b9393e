// Files from independent producers (dvgrab, ffmpeg) read by the demux core, and the media kit's
// own files read by ffprobe.
#include "platform/dshow/AviDemux.h"
#include "platform/dshow/AviSplitter.h"
#include "platform/dshow/FileSource.h"
#include "platform/dshow/FilterGraph.h"

#include "tests/dshow/AviMemory.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

using avitest::Fcc;
using avitest::MemoryFile;

MemoryFile Load(const std::string& path)
{
    MemoryFile f;
    f.bytes = testkit::ReadFileBytes(path);
    return f;
}

std::string Bytes(const MemoryFile& f, const ds::AviChunkRef& c) { return f.bytes.substr(c.offset, c.size); }

std::string Frame(const testkit::DvClip& clip, size_t k)
{
    return std::string(clip.frames[k].begin(), clip.frames[k].end());
}

// Each stream's duration as the AVI Splitter reports it, in 100 ns.
std::vector<int64_t> SplitterDurations(const std::string& path)
{
    ds::FilterGraph graph;
    auto source = std::make_shared<ds::FileSource>();
    auto splitter = std::make_shared<ds::AviSplitter>();
    graph.AddFilter(source, "source");
    graph.AddFilter(splitter, "splitter");
    std::vector<int64_t> durations;
    if (ds::FAILED(source->Load(path, nullptr)) || ds::FAILED(graph.ConnectDirect(source->GetPin(0), splitter->GetPin(0))))
        return durations;
    for (int i = 0; i + 1 < splitter->GetPinCount(); ++i) {
        int64_t d = -1;
        ds::QueryPin<ds::MediaSeeking>(splitter->GetPin(i))->GetDuration(d);
        durations.push_back(d);
    }
    return durations;
}

// The first file dvgrab made from `base` (it numbers them: base001.avi).
std::string DvgrabOutput(const testkit::TempDir& dir, const std::string& base)
{
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().rfind(base, 0) == 0)
            return e.path().string();
    return {};
}

class DvgrabFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("dvgrab"))
            GTEST_SKIP() << "dvgrab not installed";
        testkit::DvClipSpec spec;
        spec.frames = 20;
        clip = testkit::MakeDvClip(spec);
        raw = dir.file("clip.dv");
        testkit::WriteRawDv(raw, clip);
    }
    testkit::TempDir dir;
    testkit::DvClip clip;
    std::string raw;
};

TEST_F(DvgrabFiles, TypeOneFramesReadBackWhole)
{
    testkit::RunCommand("cd " + dir.path().string() + " && dvgrab -I clip.dv -f dv1 one-");
    const std::string path = DvgrabOutput(dir, "one-");
    ASSERT_FALSE(path.empty());
    const MemoryFile f = Load(path);
    const ds::AviDemuxResult r = ds::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(1u, r.streams.size());
    EXPECT_EQ(Fcc("iavs"), r.streams[0].fccType);
    EXPECT_GE(r.streams[0].format.size(), 32u);
    // dvgrab may hold back the last frame of a file it reads.
    const auto& chunks = r.streams[0].chunks;
    ASSERT_GE(chunks.size(), clip.frames.size() - 1);
    ASSERT_LE(chunks.size(), clip.frames.size());
    for (size_t k = 0; k < chunks.size(); ++k)
        EXPECT_TRUE(Bytes(f, chunks[k]) == Frame(clip, k)) << "frame " << k;
}

TEST_F(DvgrabFiles, TypeTwoOpenDmlGivesTheFramesAndTheirSound)
{
    testkit::RunCommand("cd " + dir.path().string() + " && dvgrab -I clip.dv -f dv2 -opendml two-");
    const std::string path = DvgrabOutput(dir, "two-");
    ASSERT_FALSE(path.empty());
    const MemoryFile f = Load(path);
    const ds::AviDemuxResult r = ds::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams.size());
    EXPECT_EQ(Fcc("vids"), r.streams[0].fccType);
    EXPECT_EQ(Fcc("auds"), r.streams[1].fccType);
    const auto& video = r.streams[0].chunks;
    ASSERT_GE(video.size(), clip.frames.size() - 1);
    for (size_t k = 0; k < video.size(); ++k)
        EXPECT_TRUE(Bytes(f, video[k]) == Frame(clip, k)) << "frame " << k;
    std::string sound;
    for (const auto& c : r.streams[1].chunks)
        sound += Bytes(f, c);
    // Durations from the index: the frames', and the sound's from its bytes.
    const std::vector<int64_t> durations = SplitterDurations(path);
    ASSERT_EQ(2u, durations.size());
    EXPECT_EQ(static_cast<int64_t>(video.size()) * 400000, durations[0]);
    EXPECT_EQ((static_cast<int64_t>(sound.size() / 4) * 10000000 + 24000) / 48000, durations[1]);
    // ffmpeg's own decoding of the same file gives the same sound.
    if (testkit::HaveProgram("ffmpeg")) {
        ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + path + " -map 0:a -f s16le -y " + dir.file("a.pcm")));
        EXPECT_TRUE(testkit::ReadFileBytes(dir.file("a.pcm")) == sound);
    }
    const std::vector<int16_t> want = clip.PairSamples(0);
    ASSERT_GE(want.size() * 2, sound.size());
    ASSERT_GT(sound.size(), want.size()); // at least half of it, even if the last frame is held back
    EXPECT_EQ(0, std::memcmp(want.data(), sound.data(), sound.size()));
}

TEST(FfmpegFiles, StreamCopyFromRawDvReadsBack)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 15;
    spec.pal = false;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    testkit::WriteRawDv(dir.file("clip.dv"), clip);
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + dir.file("clip.dv") + " -c copy -y " +
                                     dir.file("copy.avi")));
    const MemoryFile f = Load(dir.file("copy.avi"));
    const ds::AviDemuxResult r = ds::ParseAvi(f);
    ASSERT_TRUE(r.valid);
    ASSERT_EQ(2u, r.streams.size());
    ASSERT_EQ(15u, r.streams[0].chunks.size());
    EXPECT_EQ(1001u, r.streams[0].scale);
    EXPECT_EQ(30000u, r.streams[0].rate);
    EXPECT_EQ(5005000, SplitterDurations(dir.file("copy.avi")).at(0)); // 15 × 1001/30000 s
    for (size_t k = 0; k < 15; ++k)
        EXPECT_TRUE(Bytes(f, r.streams[0].chunks[k]) == Frame(clip, k)) << k;
    std::string sound;
    for (const auto& c : r.streams[1].chunks)
        sound += Bytes(f, c);
    const std::vector<int16_t> want = clip.PairSamples(0);
    ASSERT_EQ(want.size() * 2, sound.size());
    EXPECT_EQ(0, std::memcmp(want.data(), sound.data(), sound.size()));
}

std::string Probe(const std::string& file)
{
    std::string out;
    testkit::RunCommand("ffprobe -v quiet -count_packets -show_entries stream=codec_type,codec_name,nb_read_packets "
                        "-of csv=p=0 " + file, &out);
    return out;
}

TEST(MediaKitFiles, FfprobeSeesTheKitsTypeOneAndTypeTwoFiles)
{
    if (!testkit::HaveProgram("ffprobe"))
        GTEST_SKIP() << "ffprobe not installed";
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 10;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    ASSERT_TRUE(testkit::WriteDvType2(dir.file("t2.avi"), clip));
    EXPECT_EQ(0u, Probe(dir.file("t2.avi")).rfind("dvvideo,video,10\npcm_s16le,audio,", 0)) << Probe(dir.file("t2.avi"));
    ASSERT_TRUE(testkit::WriteDvType1(dir.file("t1.avi"), clip));
    const MemoryFile t1 = Load(dir.file("t1.avi"));
    const ds::AviDemuxResult r = ds::ParseAvi(t1);
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(Fcc("iavs"), r.streams[0].fccType);
    ASSERT_EQ(10u, r.streams[0].chunks.size());
    EXPECT_TRUE(Bytes(t1, r.streams[0].chunks[9]) == Frame(clip, 9));
    // ffmpeg decodes the kit's pictures and sound without complaint.
    std::string log;
    EXPECT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -v error -i " + dir.file("t2.avi") + " -f null -", &log));
    EXPECT_EQ("", log);
}

TEST(MediaKitFiles, FourChannelTwelveBitClipCarriesBothPairs)
{
    testkit::DvClipSpec spec;
    spec.frames = 6;
    spec.pal = false;
    spec.audio = {32000, 12, 2, false};
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    for (size_t k = 0; k < clip.frames.size(); ++k) {
        ds::DvAudioInfo info;
        ASSERT_TRUE(ds::ReadDvAudioInfo(clip.frames[k], info));
        EXPECT_EQ(2, info.format.pairs);
        EXPECT_EQ(clip.samples[k], info.samples);
        std::vector<int16_t> pcm(2 * info.samples);
        ds::DecodeDvAudio(clip.frames[k], info, 1, pcm.data());
        EXPECT_EQ(clip.pcm[1][k], pcm);
    }
    EXPECT_NE(clip.samples[0], clip.samples[1]); // the counts wander
}

} // namespace
