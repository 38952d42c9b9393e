// The codec filters against the Debian ffmpeg: DV pictures decoded as ffmpeg decodes them, DV
// frames ffmpeg reads as well as its own, and sound converted and decoded as ffmpeg does.
#include "tests/filters/CodecPins.h"
#include "tests/filters/ContainerGraph.h"

#include "formats/AviDemux.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/AcmWrapper.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "tests/kit/media/DvClip.h"
#include "tests/kit/media/MemoryFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace codectest;

namespace {

class Interop : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("ffprobe"))
            GTEST_SKIP() << "ffmpeg not installed";
    }
    std::string Run(const std::string& args)
    {
        std::string log;
        EXPECT_TRUE(Ffmpeg(args, &log)) << args << "\n" << log;
        return log;
    }
    std::string File(const std::string& name) const { return dir.file(name); }
    testkit::TempDir dir;
};

// Every sample of `got` within one of `want`'s, and their counts within one.
void ExpectSamplesNear(const std::vector<int16_t>& got, const std::vector<int16_t>& want, int channels,
                       const std::string& what)
{
    EXPECT_NEAR(static_cast<double>(got.size() / channels), static_cast<double>(want.size() / channels), 1.0) << what;
    size_t worst = 0;
    int worstDiff = 0;
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i)
        if (std::abs(got[i] - want[i]) > worstDiff) {
            worstDiff = std::abs(got[i] - want[i]);
            worst = i;
        }
    EXPECT_LE(worstDiff, 1) << what << ": sample " << worst << " is " << got[worst] << ", ffmpeg's " << want[worst];
}

TEST_F(Interop, DecodedDvPicturesMatchFfmpegRowsFlipped)
{
    struct {
        bool pal, half;
    } cases[] = {{true, false}, {false, false}, {true, true}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pal ? "PAL" : "NTSC") + (c.half ? " half" : " full"));
        testkit::DvClipSpec spec;
        spec.pal = c.pal;
        spec.frames = 4;
        spec.distinctPictures = 4;
        const testkit::DvClip clip = testkit::MakeDvClip(spec);
        testkit::WriteRawDv(File("clip.dv"), clip);
        Run(std::string(c.half ? "-lowres 1 " : "") + "-i " + File("clip.dv") + " -pix_fmt bgr24 -f rawvideo " +
            File("ref.raw"));
        const std::string ref = testkit::ReadFileBytes(File("ref.raw"));

        auto decoder = std::make_shared<DvVideoDecoder>();
        decoder->put_IPDisplay(c.half ? DVRESOLUTION_HALF : DVRESOLUTION_FULL);
        Chain<DvVideoDecoder> chain(DvVideoType(c.pal), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24), decoder);
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        for (size_t i = 0; i < clip.frames.size(); ++i)
            chain.source.Send(clip.frames[i], static_cast<int64_t>(i) * 400000, static_cast<int64_t>(i + 1) * 400000);
        const auto seen = chain.sink.SeenSamples();
        ASSERT_EQ(seen.size(), clip.frames.size());
        const size_t width = c.half ? 360 : 720, stride = width * 3;
        const size_t picture = stride * (c.pal ? 576 : 480) / (c.half ? 2 : 1);
        ASSERT_EQ(ref.size(), picture * clip.frames.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            ASSERT_EQ(seen[i].bytes.size(), picture);
            EXPECT_GE(Psnr(FlipRows(seen[i].bytes, stride), ref.substr(i * picture, picture)), 40.0) << "frame " << i;
        }
    }
}

// The decoder's own planes are libavcodec's, byte for byte: PAL 4:2:0 as I420, NTSC 4:1:1 as
// Y41B, at full and half size.
TEST_F(Interop, DecodedNativePlanesAreFfmpegsOwn)
{
    for (bool pal : {true, false})
        for (bool half : {false, true}) {
            SCOPED_TRACE(std::string(pal ? "PAL" : "NTSC") + (half ? " half" : " full"));
            testkit::DvClipSpec spec;
            spec.pal = pal;
            spec.frames = 3;
            spec.distinctPictures = 3;
            const testkit::DvClip clip = testkit::MakeDvClip(spec);
            testkit::WriteRawDv(File("clip.dv"), clip);
            Run(std::string(half ? "-lowres 1 " : "") + "-i " + File("clip.dv") + " -pix_fmt " +
                (pal ? "yuv420p" : "yuv411p") + " -f rawvideo " + File("ref.yuv"));
            const std::string ref = testkit::ReadFileBytes(File("ref.yuv"));

            auto decoder = std::make_shared<DvVideoDecoder>();
            decoder->put_IPDisplay(half ? DVRESOLUTION_HALF : DVRESOLUTION_FULL);
            const Guid& native = DvVideoDecoder::NativeSubtype(pal);
            Chain<DvVideoDecoder> chain(DvVideoType(pal), MediaType(MEDIATYPE_Video, native), decoder);
            ASSERT_TRUE(chain.Connected());
            EXPECT_EQ(chain.OutType().subtype, native);
            chain.Start();
            for (size_t i = 0; i < clip.frames.size(); ++i)
                chain.source.Send(clip.frames[i], static_cast<int64_t>(i) * 400000,
                                  static_cast<int64_t>(i + 1) * 400000);
            const size_t picture = size_t{720} * (pal ? 576 : 480) * 3 / 2 / (half ? 4 : 1);
            ASSERT_EQ(ref.size(), picture * clip.frames.size());
            EXPECT_TRUE(AllBytes(chain.sink) == ref) << "the planes differ from ffmpeg's";
        }
}

// Planes of the encoder's own standard are encoded as they come: the DV frames decode to what
// ffmpeg's own encoding of the same planes, with interlaced DCT, decodes to.
TEST_F(Interop, PlanesOfTheStandardAreEncodedAsFfmpegEncodesThem)
{
    for (bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        const std::string size = pal ? "720x576" : "720x480", rate = pal ? "25" : "30000/1001";
        const std::string format = pal ? "yuv420p" : "yuv411p";
        const size_t picture = size_t{720} * (pal ? 576 : 480) * 3 / 2;
        const int frames = 4;
        Run("-f lavfi -i testsrc2=size=" + size + ":rate=" + rate + " -frames:v " + std::to_string(frames) +
            " -pix_fmt " + format + " -f rawvideo " + File("src.yuv"));
        const std::string src = testkit::ReadFileBytes(File("src.yuv"));
        ASSERT_EQ(src.size(), picture * frames);

        auto encoder = std::make_shared<DvVideoEncoder>();
        encoder->put_IFormatResolution(pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC, 2007, 2012, false,
                                       nullptr);
        Chain<DvVideoEncoder> chain(
            PictureType(DvVideoDecoder::NativeSubtype(pal), 720, pal ? 576 : 480, pal ? 400000 : 333667), MediaType(),
            encoder);
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        for (int i = 0; i < frames; ++i)
            chain.source.Send(src.data() + static_cast<size_t>(i) * picture, picture,
                              DvVideoEncoder::FrameStart(pal, i), DvVideoEncoder::FrameStart(pal, i + 1));
        chain.source.End();
        testkit::WriteFileBytes(File("ours.dv"), AllBytes(chain.sink));
        Run("-f rawvideo -pix_fmt " + format + " -s " + size + " -r " + rate + " -i " + File("src.yuv") +
            " -flags +ildct -c:v dvvideo " + File("theirs.dv"));
        Run("-i " + File("ours.dv") + " -pix_fmt " + format + " -f rawvideo " + File("ours.yuv"));
        Run("-i " + File("theirs.dv") + " -pix_fmt " + format + " -f rawvideo " + File("theirs.yuv"));
        const std::string ours = testkit::ReadFileBytes(File("ours.yuv"));
        ASSERT_EQ(ours.size(), src.size());
        EXPECT_TRUE(ours == testkit::ReadFileBytes(File("theirs.yuv"))) << "ours differs from ffmpeg's encoding";
    }
}

TEST_F(Interop, FfmpegReadsOurDvAsWellAsItsOwn)
{
    for (bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        const std::string size = pal ? "720x576" : "720x480", rate = pal ? "25" : "30000/1001";
        const size_t stride = 720 * 3, picture = stride * (pal ? 576 : 480);
        const int frames = 8;
        Run("-f lavfi -i testsrc2=size=" + size + ":rate=" + rate + " -frames:v " + std::to_string(frames) +
            " -pix_fmt bgr24 -f rawvideo " + File("src.raw"));
        const std::string src = testkit::ReadFileBytes(File("src.raw"));
        ASSERT_EQ(src.size(), picture * frames);

        auto encoder = std::make_shared<DvVideoEncoder>();
        encoder->put_IFormatResolution(pal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC, 2007, 2012, false,
                                       nullptr);
        Chain<DvVideoEncoder> chain(PictureType(MEDIASUBTYPE_RGB24, 720, pal ? 576 : 480, pal ? 400000 : 333667),
                                    MediaType(), encoder);
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        for (int i = 0; i < frames; ++i) {
            const std::string dib = FlipRows(src.substr(static_cast<size_t>(i) * picture, picture), stride);
            chain.source.Send(dib.data(), dib.size(), DvVideoEncoder::FrameStart(pal, i),
                              DvVideoEncoder::FrameStart(pal, i + 1));
        }
        chain.source.End();
        const std::string ours = AllBytes(chain.sink);
        testkit::WriteFileBytes(File("ours.dv"), ours);

        std::string probe;
        testkit::RunCommand("ffprobe -v fatal -select_streams v:0 -show_entries stream=codec_name,width,height,"
                            "r_frame_rate -of csv=p=0 " +
                                File("ours.dv"),
                            &probe);
        EXPECT_EQ(probe, "dvvideo,720," + std::string(pal ? "576,25/1" : "480,30000/1001") + "\n");
        Run("-f rawvideo -pix_fmt bgr24 -s " + size + " -r " + rate + " -i " + File("src.raw") +
            " -c:v dvvideo -pix_fmt " + (pal ? "yuv420p " : "yuv411p ") + File("theirs.dv"));
        Run("-i " + File("ours.dv") + " -pix_fmt bgr24 -f rawvideo " + File("ours.raw"));
        Run("-i " + File("theirs.dv") + " -pix_fmt bgr24 -f rawvideo " + File("theirs.raw"));
        const double oursDb = Psnr(testkit::ReadFileBytes(File("ours.raw")), src);
        const double theirsDb = Psnr(testkit::ReadFileBytes(File("theirs.raw")), src);
        EXPECT_GT(theirsDb, 25.0);
        std::printf("%s: ours %.2f dB, ffmpeg's %.2f dB\n", pal ? "PAL" : "NTSC", oursDb, theirsDb);
        EXPECT_GE(oursDb, theirsDb - 0.5) << "ours " << oursDb << " dB, ffmpeg's " << theirsDb << " dB";
    }
}

// Raw PCM through the ACM Wrapper between pins against the same conversion by ffmpeg.
TEST_F(Interop, PcmConversionsMatchFfmpeg)
{
    struct {
        const char* name;
        WaveFormatEx in;
        const char* ffmpegIn; // the raw input as ffmpeg reads it
        WaveFormatEx out;
        const char* ffmpegOut;
    } cases[] = {
        {"u8 mono 22050 to stereo 48000", PcmWave(22050, 1, 8), "-f u8 -ar 22050 -ac 1", PcmWave(48000, 2, 16),
         "-af 'pan=stereo|c0=c0|c1=c0' -ar 48000"},
        {"s16 stereo 44100 to 48000", PcmWave(44100, 2, 16), "-f s16le -ar 44100 -ac 2", PcmWave(48000, 2, 16),
         "-ar 48000"},
        {"s24 stereo 48000 to s16", PcmWave(48000, 2, 24), "-f s24le -ar 48000 -ac 2", PcmWave(48000, 2, 16), ""},
        {"float stereo 32000 to s16 mono", PcmWave(32000, 2, 32, true), "-f f32le -ar 32000 -ac 2",
         PcmWave(32000, 1, 16), "-ac 1"},
        {"s16 stereo 32000 to 44100", PcmWave(32000, 2, 16), "-f s16le -ar 32000 -ac 2", PcmWave(44100, 2, 16),
         "-ar 44100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A second and a half of two tones with some noise, in the input's own format.
        const int frames = c.in.nSamplesPerSec * 3 / 2, bytes = c.in.wBitsPerSample / 8;
        std::string raw;
        for (int n = 0; n < frames; ++n)
            for (int ch = 0; ch < c.in.nChannels; ++ch) {
                const double v = 0.6 * std::sin(n * (0.031 + 0.017 * ch)) + 0.05 * std::sin(n * 1.3);
                if (c.in.wFormatTag == 3) {
                    const float f = static_cast<float>(v);
                    raw.append(reinterpret_cast<const char*>(&f), 4);
                } else if (bytes == 1) {
                    raw += static_cast<char>(static_cast<uint8_t>(128 + std::lround(v * 127)));
                } else {
                    const int32_t s = static_cast<int32_t>(std::lround(v * ((1 << (8 * bytes - 1)) - 1)));
                    raw.append(reinterpret_cast<const char*>(&s), static_cast<size_t>(bytes));
                }
            }
        testkit::WriteFileBytes(File("in.raw"), raw);
        Run(std::string(c.ffmpegIn) + " -i " + File("in.raw") + " " + c.ffmpegOut + " -f s16le " + File("ref.raw"));

        Chain<AcmWrapper> chain(MediaType::Audio(c.in), MediaType(MEDIATYPE_Audio, GUID_NULL));
        ASSERT_TRUE(chain.Connected());
        ASSERT_EQ(QueryPin<StreamConfig>(chain.filter->GetPin(1))->SetFormat(MediaType::Audio(c.out)), S_OK);
        chain.Start();
        const size_t block = c.in.nBlockAlign * 1000u; // chunks that do not line up with anything
        for (size_t at = 0; at < raw.size(); at += block)
            chain.source.Send(raw.data() + at, std::min(block, raw.size() - at),
                              static_cast<int64_t>(at / c.in.nBlockAlign) * UNITS / c.in.nSamplesPerSec, -1);
        chain.source.End();
        const std::string ours = AllBytes(chain.sink);
        ExpectSamplesNear(Samples16(ours), Samples16(testkit::ReadFileBytes(File("ref.raw"))), c.out.nChannels, c.name);
    }
}

// Sound of ffmpeg-made AVI files decoded through the AVI Splitter and the ACM Wrapper.
TEST_F(Interop, CodedSoundDecodesAsFfmpegDecodesIt)
{
    struct {
        const char* codec;
        const char* options;
    } cases[] = {{"libmp3lame", "-ar 44100 -b:a 128k"}, {"adpcm_ms", "-ar 44100"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codec);
        const std::string avi = File(std::string(c.codec) + ".avi");
        Run("-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 -f lavfi -i "
            "sine=frequency=660:sample_rate=44100:duration=2 -filter_complex amerge=inputs=2 -c:a " +
            std::string(c.codec) + " " + c.options + " " + avi);
        Run("-i " + avi + " -f s16le -ac 2 -ar 44100 " + File("ref.raw"));

        containertest::Graph g;
        ASSERT_TRUE(g.Load(avi));
        auto acm = std::make_shared<AcmWrapper>();
        auto sink = std::make_shared<TestSink>(MediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));
        g.graph->AddFilter(acm, "acm");
        g.graph->AddFilter(sink, "sink");
        ASSERT_EQ(g.graph->Connect(g.splitter->GetPin(0), acm->GetPin(0)), S_OK);
        ASSERT_EQ(g.graph->Connect(acm->GetPin(1), sink->GetPin(0)), S_OK);
        ASSERT_EQ(g.RunToEnd(), ds::EC_COMPLETE);
        const std::string ours = AllBytes(*sink);
        ExpectSamplesNear(Samples16(ours), Samples16(testkit::ReadFileBytes(File("ref.raw"))), 2, c.codec);
        if (std::string(c.codec) != "libmp3lame")
            continue;
        // MP3 in pieces that cut its frames anywhere: the ACM Wrapper finds the frames itself.
        const avitest::MemoryFile file = avitest::Load(avi);
        const formats::AviDemuxResult parsed = formats::ParseAvi(file);
        ASSERT_TRUE(parsed.valid);
        const std::string coded = avitest::Joined(file, parsed.streams.at(0));
        Chain<AcmWrapper> chain(AviStreamMediaType(parsed.streams.at(0)), MediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        for (size_t at = 0; at < coded.size(); at += 1000)
            chain.source.Send(coded.data() + at, std::min<size_t>(1000, coded.size() - at), at == 0 ? 0 : -1, -1);
        chain.source.End();
        const std::string pieces = AllBytes(chain.sink);
        ExpectSamplesNear(Samples16(pieces), Samples16(ours), 2, "MP3 in pieces");
    }
}

// MPEG-4 part 2 with key frames every five: after a discontinuity the decoder starts again at the
// next key frame, and output frame i takes input i's times even when B-frames come out late.
TEST_F(Interop, AviDecompressorRestartsAtAKeyFrameAndKeepsTheInputTimes)
{
    for (int bframes : {0, 2}) {
        SCOPED_TRACE(std::to_string(bframes) + " B-frames");
        const std::string avi = File("mpeg4.avi");
        Run("-f lavfi -i testsrc2=size=320x240:rate=25 -frames:v 20 -c:v mpeg4 -g 5 -bf " + std::to_string(bframes) +
            " " + avi);
        const avitest::MemoryFile file = avitest::Load(avi);
        const formats::AviDemuxResult parsed = formats::ParseAvi(file);
        ASSERT_TRUE(parsed.valid);
        const formats::AviDemuxStream& video = parsed.streams.at(0);
        ASSERT_EQ(video.chunks.size(), 20u);

        auto decompressor = FilterRegistry::Instance().Find("AVI Decompressor")->create();
        Chain<BaseFilter> chain(AviStreamMediaType(video), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32),
                                decompressor);
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        auto send = [&](Chain<BaseFilter>& to, size_t i, bool discontinuity = false) {
            const std::string bytes = avitest::Bytes(file, video.chunks[i]);
            to.source.Send(bytes.data(), bytes.size(), static_cast<int64_t>(i) * 400000,
                           static_cast<int64_t>(i + 1) * 400000, video.chunks[i].keyframe, discontinuity);
        };
        for (size_t i = 0; i < 20; ++i)
            send(chain, i);
        chain.source.End();
        auto seen = chain.sink.SeenSamples();
        ASSERT_EQ(seen.size(), 20u);
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_EQ(seen[i].start, static_cast<int64_t>(i) * 400000);

        if (bframes)
            continue;
        chain.Stop();
        chain.sink.ClearSeen();
        chain.Start();
        for (size_t i = 0; i < 20; ++i)
            send(chain, i, i == 7); // a jump into the middle of a group of pictures
        chain.source.End();
        std::vector<int64_t> starts;
        for (const Seen& s : chain.sink.SeenSamples())
            starts.push_back(s.start / 400000);
        EXPECT_EQ(starts, (std::vector<int64_t>{0, 1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));

        // A format block that says 160 x 120 for these 320 x 240 pictures: they come out at its size.
        MediaType lying = AviStreamMediaType(video);
        VideoInfoHeader vih = *lying.GetVideoInfo();
        vih.bmiHeader.biWidth = 160;
        vih.bmiHeader.biHeight = 120;
        lying.SetVideoInfo(vih);
        Chain<BaseFilter> small(lying, MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32),
                                FilterRegistry::Instance().Find("AVI Decompressor")->create());
        ASSERT_TRUE(small.Connected());
        small.Start();
        for (size_t i = 0; i < 20; ++i)
            send(small, i);
        small.source.End();
        ASSERT_EQ(small.sink.SeenSamples().size(), 20u);
        EXPECT_EQ(small.sink.SeenSamples()[0].bytes.size(), 160u * 120 * 4);
    }
}

} // namespace
