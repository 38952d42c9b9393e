// AVI files ffmpeg makes at test time, recompressed to DV as the recompression graph does it: the
// picture stream routed to the DV Video Encoder by RenderStream (through the AVI Decompressor
// where needed), the sound to the DV Muxer (through a decoding ACM Wrapper where needed), an ACM
// Wrapper set to 48 kHz 16-bit stereo put in front of the muxer, the DV split again and written
// by the AVI Mux. ffprobe reads the result.
#include "tests/filters/CodecPins.h"
#include "tests/filters/ContainerGraph.h"

#include "platform/dshow/FilterRegistry.h"
#include "platform/dshow/StreamConfig.h"
#include "platform/filters/DvVideoEncoder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace codectest;

double Duration(const std::string& path)
{
    std::string out;
    testkit::RunCommand("ffprobe -v fatal -show_entries format=duration -of csv=p=0 " + path, &out);
    return std::atof(out.c_str());
}

// The root mean square of the sound of a file as ffmpeg decodes it.
double SoundLevel(const std::string& path, const std::string& scratch)
{
    if (!Ffmpeg("-i " + path + " -map 0:a -f s16le " + scratch))
        return 0;
    const std::vector<int16_t> pcm = Samples16(testkit::ReadFileBytes(scratch));
    double sum = 0;
    for (int16_t v : pcm)
        sum += static_cast<double>(v) * v;
    return pcm.empty() ? 0 : std::sqrt(sum / static_cast<double>(pcm.size()));
}

struct Source {
    const char* name;  // of the test
    const char* video; // ffmpeg's options for the picture stream
    const char* audio; // and for the sound
    bool pal;          // the standard encoded
};

class Recompression : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffmpeg not installed";
    }
    testkit::TempDir dir;
};

TEST_P(Recompression, GivesDvVideoAndPcm48kStereoOfTheSourceDuration)
{
    const Source& s = GetParam();
    const std::string in = dir.file("source.avi"), out = dir.file("dv.avi");
    std::string log;
    ASSERT_TRUE(Ffmpeg("-f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 "
                       "-t 2 " +
                           std::string(s.video) + " " + s.audio + " -ac 2 " + in,
                       &log))
        << log;

    containertest::Graph g;
    ASSERT_TRUE(g.Open(in, out));
    FilterGraph& graph = *g.graph;
    ASSERT_EQ(graph.Connect(g.mux->GetPin(0), g.writer->GetPin(0)), S_OK); // the writer first
    auto encoder = FilterRegistry::Instance().Find("DV Video Encoder", CLSID_VideoCompressorCategory)->create();
    graph.AddFilter(encoder, "DVenc");
    graph.AddFilter(g.dvMuxer, "dvmuxer");
    graph.AddFilter(g.dvSplitter, "dvsplitter");
    QueryFilter<DvEncoderSettings>(encoder.get())
        ->put_IFormatResolution(s.pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC, DVENCODERFORMAT_DVSD,
                                DVENCODERRESOLUTION_720x480, false, nullptr);
    const int outputs = g.splitter->GetPinCount() - 1;
    ASSERT_EQ(outputs, 2);

    bool video = false, sound = false;
    for (int i = 0; i < outputs && !video; ++i)
        if (SUCCEEDED(graph.RenderStream(nullptr, nullptr, g.splitter->GetPin(i), nullptr, encoder.get())))
            video = graph.Connect(encoder->GetPin(1), g.dvMuxer->GetPin(0)) == S_OK;
    ASSERT_TRUE(video);
    for (int i = 0; i < outputs && !sound; ++i)
        sound =
            SUCCEEDED(graph.RenderStream(nullptr, &MEDIATYPE_Audio, g.splitter->GetPin(i), nullptr, g.dvMuxer.get()));
    ASSERT_TRUE(sound);

    // The builder's own ACM Wrapper takes the place of the muxer's audio input.
    Pin* upstream = g.dvMuxer->GetPin(1)->ConnectedTo();
    ASSERT_TRUE(upstream);
    graph.Disconnect(upstream);
    auto acm = FilterRegistry::Instance().Find("ACM Wrapper")->create();
    graph.AddFilter(acm, "acm1");
    ASSERT_EQ(graph.Connect(upstream, acm->GetPin(0)), S_OK);
    ASSERT_EQ(graph.Connect(acm->GetPin(1), g.dvMuxer->GetPin(1)), S_OK);
    // Its connection's type, made 16-bit stereo at 48 kHz, the block size left as it was.
    MediaType record;
    acm->GetPin(1)->ConnectionMediaType(record);
    WaveFormatEx w = *record.GetWaveFormat();
    w.nChannels = 2;
    w.wBitsPerSample = 16;
    w.nSamplesPerSec = 48000;
    w.nAvgBytesPerSec = 4 * 48000;
    record.SetWaveFormat(w);
    // Set before the muxer's output is connected: the DV Splitter types its sound from it.
    ASSERT_EQ(QueryPin<StreamConfig>(acm->GetPin(1))->SetFormat(record), S_OK);

    const int last = g.dvMuxer->GetPinCount() - 1;
    ASSERT_EQ(graph.Connect(g.dvMuxer->GetPin(last), g.dvSplitter->GetPin(0)), S_OK);
    for (int k = 1; k < g.dvSplitter->GetPinCount(); ++k)
        ASSERT_EQ(graph.Connect(g.dvSplitter->GetPin(k), g.mux->GetPin(k)), S_OK);
    ASSERT_EQ(g.RunToEnd(), EC_COMPLETE);

    std::string probe;
    testkit::RunCommand("ffprobe -v fatal -show_entries stream=codec_name,width,height,r_frame_rate,sample_rate,"
                        "channels -of compact=p=0:nk=1 " +
                            out,
                        &probe);
    EXPECT_EQ(probe,
              std::string("dvvideo|720|") + (s.pal ? "576|25/1" : "480|30000/1001") + "\npcm_s16le|48000|2|0/0\n")
        << s.name;
    const double frame = s.pal ? 0.04 : 1001.0 / 30000;
    EXPECT_NEAR(Duration(out), Duration(in), frame) << s.name;
    // The tone is there all along, at the source's level.
    const double level = SoundLevel(in, dir.file("in.raw"));
    EXPECT_GT(level, 1000);
    EXPECT_NEAR(SoundLevel(out, dir.file("out.raw")), level, level * 0.03) << s.name;
}

INSTANTIATE_TEST_SUITE_P(
    FfmpegAvis, Recompression,
    ::testing::Values(Source{"MjpegPcmToNtsc", "-c:v mjpeg -q:v 3", "-c:a pcm_s16le -ar 48000", false},
                      Source{"Mpeg4Mp3ToPal", "-c:v mpeg4 -q:v 4", "-c:a libmp3lame -ar 44100 -b:a 128k", true},
                      Source{"Bgr24AdpcmToPal", "-c:v rawvideo -pix_fmt bgr24", "-c:a adpcm_ms -ar 44100", true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
