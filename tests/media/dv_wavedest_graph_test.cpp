// The sound-extraction graphs built by hand: the first sound of a type-1 file (through the DV
// Splitter), of a type-2 file, and of a file with sound only (through the Infinite Pin Tee) goes
// through the WAV writer into the File writer; ffprobe and ffmpeg read what it wrote.
#include <gtest/gtest.h>

#include "media/dv_wavedest.h"
#include "platform/filters/InfTee.h"
#include "platform/filters/NullRenderer.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/filters/ContainerGraph.h"
#include "tests/media/MediaFiles.h"

using namespace mediatest;
using ds::S_OK;

namespace {

enum class Source { Type1, Type2, SoundOnly };

// Source -> AVI Splitter -> (DV Splitter) -> WAV writer -> File writer, the picture to a Null
// Renderer; a file without pictures goes through the tee, whose second output feeds the renderer.
void Extract(const std::string& in, const std::string& out, Source kind)
{
    containertest::Graph g;
    auto wave = std::make_shared<media::Tdv_WaveDest>();
    auto null = std::make_shared<ds::NullRenderer>();
    ASSERT_TRUE(g.Load(in));
    g.graph->AddFilter(g.writer, "destination");
    g.writer->SetFileName(out, nullptr);
    g.writer->SetMode(ds::AM_FILE_OVERWRITE);
    g.graph->AddFilter(wave, "dv_WaveDest");
    g.graph->AddFilter(null, "nullrender");
    ds::Pin *sound = nullptr, *picture = nullptr;
    if (kind == Source::Type1) {
        g.graph->AddFilter(g.dvSplitter, "dvsplitter");
        ASSERT_EQ(g.graph->ConnectDirect(g.splitter->GetPin(0), g.dvSplitter->GetPin(0)), S_OK);
        picture = g.dvSplitter->GetPin(1);
        sound = g.dvSplitter->GetPin(2);
    } else if (kind == Source::Type2) {
        picture = g.splitter->GetPin(0);
        sound = g.splitter->GetPin(1);
    } else {
        auto tee = std::make_shared<ds::InfTee>();
        g.graph->AddFilter(tee, "infinite");
        ASSERT_EQ(g.graph->Connect(g.splitter->GetPin(0), tee->GetPin(0)), S_OK);
        ASSERT_EQ(g.graph->Connect(tee->GetPin(1), wave->GetPin(0)), S_OK);
        ASSERT_EQ(g.graph->Connect(tee->GetPin(2), null->GetPin(0)), S_OK);
    }
    if (picture) {
        ASSERT_EQ(g.graph->Connect(picture, null->GetPin(0)), S_OK);
        ASSERT_EQ(g.graph->Connect(sound, wave->GetPin(0)), S_OK);
    }
    ASSERT_EQ(g.graph->Connect(wave->GetPin(1), g.writer->GetPin(0)), S_OK);
    ASSERT_EQ(g.RunToEnd(), ds::EC_COMPLETE);
}

std::string Probe(const std::string& file, const std::string& entries)
{
    return ToolOutput("ffprobe -v error -show_entries " + entries + " -of default=nw=1 " + Quoted(file));
}

class WaveGraph : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffprobe") || !testkit::HaveProgram("ffmpeg"))
            GTEST_SKIP() << "ffmpeg not installed";
    }
    testkit::TempDir dir;
};

TEST_F(WaveGraph, TheFirstSoundOfEveryKindOfSourceComesOutWhole)
{
    testkit::DvClipSpec spec;
    spec.frames = 12;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    const std::vector<int16_t> pcm = clip.PairSamples(0);
    const std::string want(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
    for (Source kind : {Source::Type1, Source::Type2, Source::SoundOnly}) {
        const std::string in = dir.file("in.avi"), out = dir.file("out.wav"), raw = dir.file("out.raw");
        ASSERT_TRUE(kind == Source::Type1   ? testkit::WriteDvType1(in, clip)
                    : kind == Source::Type2 ? testkit::WriteDvType2(in, clip)
                                            : WriteSoundOnly(in, clip));
        Extract(in, out, kind);
        EXPECT_EQ(Probe(out, "stream=codec_name,sample_rate,channels"),
                  "codec_name=pcm_s16le\nsample_rate=48000\nchannels=2\n");
        ASSERT_EQ(testkit::RunCommand("ffmpeg -v error -y -i " + Quoted(out) + " -f s16le " + Quoted(raw)), 0);
        EXPECT_EQ(testkit::ReadFileBytes(raw), want) << static_cast<int>(kind);
    }
}

TEST_F(WaveGraph, OddEightBitMonoIsPaddedAndCountedAsFfprobeCountsIt)
{
    const std::string in = dir.file("odd.avi"), out = dir.file("odd.wav");
    ASSERT_EQ(testkit::RunCommand("ffmpeg -v error -y -f lavfi -i sine=frequency=440:sample_rate=8000 -af "
                                  "atrim=end_sample=1001 -ac 1 -c:a pcm_u8 " +
                                  Quoted(in)),
              0);
    Extract(in, out, Source::SoundOnly);
    const std::string bytes = testkit::ReadFileBytes(out);
    ASSERT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(rtl::GetLE32(reinterpret_cast<const uint8_t*>(bytes.data()) + 4), bytes.size() - 8);
    EXPECT_EQ(bytes.back(), '\0');
    EXPECT_EQ(Probe(out, "stream=codec_name,duration_ts"), "codec_name=pcm_u8\nduration_ts=1001\n");
}

} // namespace
