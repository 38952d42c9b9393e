// The codec filters between test pins: the types they offer and refuse, their settings, the ACM
// Wrapper's output format, pass-through, the DV encoder's re-timing and what comes out at the end
// of a stream or of damaged input.
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/CodecPins.h"

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/GraphComponents.h"
#include "platform/filters/AcmWrapper.h"
#include "platform/filters/ColorSpaceConverter.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/media/DvClip.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace codectest;

namespace {

std::shared_ptr<BaseFilter> Make(const std::string& name)
{
    FilterEntryPtr e = FilterRegistry::Instance().Find(name);
    if (!e)
        e = FilterRegistry::Instance().Find(name, CLSID_VideoCompressorCategory);
    return e ? e->create() : nullptr;
}

MediaType Picture(const Guid& subtype, int width, int height, int64_t frameTime = 400000)
{
    return PictureType(subtype, width, height, frameTime);
}

MediaType Coded(uint32_t fourcc, int width, int height)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = fourcc;
    return MediaType::Video(Guid::FromFourCC(fourcc), vih);
}

// YUY2 pairs pixels: an odd width is no YUY2 picture.
MediaType OddYuy2()
{
    MediaType mt = Coded(rtl::FourCC("YUY2"), 321, 240);
    mt.subtype = MEDIASUBTYPE_YUY2;
    return mt;
}

MediaType Pcm(uint32_t rate, uint16_t channels, uint16_t bits, bool isFloat = false)
{
    return MediaType::Audio(PcmWave(rate, channels, bits, isFloat));
}

MediaType Mp3(uint32_t rate, uint16_t channels)
{
    WaveFormatEx w;
    w.wFormatTag = 0x55;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.nAvgBytesPerSec = 16000;
    w.nBlockAlign = 1;
    return MediaType::Audio(w);
}

// "RGB24 720x576", "dvsd 720x480", "pcm 44100/2/16", "float 44100/2/32".
std::string Describe(const MediaType& mt)
{
    if (auto w = mt.GetWaveFormat())
        return std::string(w->wFormatTag == 3 ? "float " : "pcm ") + std::to_string(w->nSamplesPerSec) + "/" +
               std::to_string(w->nChannels) + "/" + std::to_string(w->wBitsPerSample);
    auto vih = mt.GetVideoInfo();
    if (!vih)
        return mt.Describe();
    static const std::pair<const Guid*, const char*> names[] = {
        {&MEDIASUBTYPE_RGB24, "RGB24"},   {&MEDIASUBTYPE_RGB32, "RGB32"}, {&MEDIASUBTYPE_RGB565, "RGB565"},
        {&MEDIASUBTYPE_RGB555, "RGB555"}, {&MEDIASUBTYPE_YUY2, "YUY2"},   {&MEDIASUBTYPE_UYVY, "UYVY"},
        {&MEDIASUBTYPE_I420, "I420"},     {&MEDIASUBTYPE_Y41B, "Y41B"},   {&MEDIASUBTYPE_dvsd, "dvsd"}};
    std::string name = "?";
    for (auto [g, n] : names)
        if (*g == mt.subtype)
            name = n;
    return name + " " + std::to_string(vih->bmiHeader.biWidth) + "x" + std::to_string(vih->bmiHeader.biHeight);
}

std::vector<std::string> Offers(BaseFilter& filter, const MediaType& input)
{
    BytePush push(input);
    std::vector<std::string> out;
    if (push.Output().Connect(*filter.GetPin(0), nullptr) != S_OK)
        return {"input refused"};
    for (const MediaType& mt : filter.GetPin(1)->EnumMediaTypes())
        out.push_back(Describe(mt));
    return out;
}

// A 16 x 16 RGB24 picture that differs from every other seed.
std::vector<uint8_t> SmallPicture(int seed)
{
    std::vector<uint8_t> p(16 * 16 * 3);
    for (size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<uint8_t>(i * 7 + static_cast<size_t>(seed) * 37 + (i % 3) * seed);
    return p;
}

TEST(CodecRegistry, KeepsTheEncoderOutOfIntelligentConnect)
{
    FilterRegistry& r = FilterRegistry::Instance();
    EXPECT_FALSE(r.Find("DV Video Encoder"));
    FilterEntryPtr encoder = r.Find("DV Video Encoder", CLSID_VideoCompressorCategory);
    ASSERT_TRUE(encoder);
    FilterComponent component;
    EXPECT_TRUE(SelectCategoryDevice(CLSID_VideoCompressorCategory, "DV Video Encoder", component));
    EXPECT_EQ(component.Entry(), encoder);

    // A picture reaches a DV sink only through an encoder put into the graph by hand.
    FilterGraph graph;
    auto push = std::make_shared<BytePush>(Picture(MEDIASUBTYPE_RGB24, 320, 240));
    auto sink = std::make_shared<TestSink>(MediaType(MEDIATYPE_Video, MEDIASUBTYPE_dvsd));
    graph.AddFilter(push, "push");
    graph.AddFilter(sink, "sink");
    EXPECT_TRUE(FAILED(graph.RenderStream(nullptr, nullptr, push->GetPin(0), nullptr, sink.get())));
    auto dvenc = encoder->create();
    graph.AddFilter(dvenc, "DVenc");
    EXPECT_EQ(graph.RenderStream(nullptr, nullptr, push->GetPin(0), nullptr, sink.get()), S_OK);
    EXPECT_EQ(push->GetPin(0)->ConnectedTo()->Filter().ClassName(), "DV Video Encoder");
}

TEST(CodecOffers, EachFilterOffersItsTypesInOrder)
{
    const auto rgb = [](const std::string& size) {
        return std::vector<std::string>{"RGB32 " + size, "RGB24 " + size, "RGB565 " + size, "RGB555 " + size};
    };
    struct Case {
        const char* filter;
        MediaType input;
        std::vector<std::string> offers;
    } cases[] = {
        {"DV Video Decoder",
         DvVideoType(true),
         {"RGB24 720x576", "RGB32 720x576", "YUY2 720x576", "UYVY 720x576", "I420 720x576"}},
        {"DV Video Decoder",
         DvVideoType(false),
         {"RGB24 720x480", "RGB32 720x480", "YUY2 720x480", "UYVY 720x480", "Y41B 720x480"}},
        {"Color Space Converter", Picture(MEDIASUBTYPE_YUY2, 320, 240), rgb("320x240")},
        {"Color Space Converter", Picture(MEDIASUBTYPE_RGB24, 320, -240), rgb("320x240")},
        {"AVI Decompressor", Coded(rtl::FourCC("MJPG"), 320, 240), rgb("320x240")},
        {"DV Video Encoder", Picture(MEDIASUBTYPE_RGB24, 320, 240), {"dvsd 720x576"}},
        {"ACM Wrapper", Pcm(22050, 1, 8), {"pcm 22050/1/8", "pcm 22050/2/16", "pcm 22050/1/16"}},
        {"ACM Wrapper", Pcm(48000, 2, 16), {"pcm 48000/2/16", "pcm 48000/1/16"}},
        {"ACM Wrapper", Mp3(44100, 2), {"float 44100/2/32", "pcm 44100/2/16", "pcm 44100/1/16"}},
    };
    for (const Case& c : cases) {
        auto filter = Make(c.filter);
        EXPECT_EQ(Offers(*filter, c.input), c.offers) << c.filter << " from " << Describe(c.input);
    }
}

TEST(CodecOffers, SettingsChooseTheDecodedSizeAndTheEncodedStandard)
{
    DvVideoDecoder decoder;
    int display = 0;
    for (int bad : {0, 999, 1002, 1003, -1})
        EXPECT_EQ(decoder.put_IPDisplay(bad), E_INVALIDARG);
    EXPECT_EQ(decoder.get_IPDisplay(display), S_OK);
    EXPECT_EQ(display, DVRESOLUTION_FULL);
    EXPECT_EQ(decoder.put_IPDisplay(DVRESOLUTION_HALF), S_OK);
    EXPECT_EQ(decoder.put_IPDisplay(1002), E_INVALIDARG);
    decoder.get_IPDisplay(display);
    EXPECT_EQ(display, DVRESOLUTION_HALF);
    EXPECT_EQ(
        Offers(decoder, DvVideoType(true)),
        (std::vector<std::string>{"RGB24 360x288", "RGB32 360x288", "YUY2 360x288", "UYVY 360x288", "I420 360x288"}));

    DvVideoEncoder encoder;
    struct {
        int video, dv, resolution;
        HRESULT hr;
        int kept;
    } puts[] = {
        {DVENCODERVIDEOFORMAT_NTSC, 2007, 2012, S_OK, DVENCODERVIDEOFORMAT_NTSC},
        {2002, 2007, 2012, E_INVALIDARG, DVENCODERVIDEOFORMAT_NTSC},
        {DVENCODERVIDEOFORMAT_PAL, 2008, 2012, E_INVALIDARG, DVENCODERVIDEOFORMAT_NTSC},
        {DVENCODERVIDEOFORMAT_PAL, 2007, 2013, E_INVALIDARG, DVENCODERVIDEOFORMAT_NTSC},
        {DVENCODERVIDEOFORMAT_PAL, 2007, 2012, S_OK, DVENCODERVIDEOFORMAT_PAL},
        {DVENCODERVIDEOFORMAT_NTSC, 2007, 2012, S_OK, DVENCODERVIDEOFORMAT_NTSC},
    };
    for (const auto& p : puts) {
        EXPECT_EQ(encoder.put_IFormatResolution(p.video, p.dv, p.resolution, false, nullptr), p.hr) << p.video;
        int video = 0, dv = 0, resolution = 0;
        encoder.get_IFormatResolution(video, dv, resolution, false, nullptr);
        EXPECT_EQ(video, p.kept);
        EXPECT_EQ(dv, DVENCODERFORMAT_DVSD);
        EXPECT_EQ(resolution, DVENCODERRESOLUTION_720x480);
    }
    EXPECT_EQ(Offers(encoder, Picture(MEDIASUBTYPE_UYVY, 720, 576)), std::vector<std::string>{"dvsd 720x480"});
}

TEST(CodecRefusals, TypesAFilterCannotTakeAreRefusedAtConnection)
{
    MediaType unsized = DvVideoType(true);
    VideoInfoHeader vih = *unsized.GetVideoInfo();
    vih.bmiHeader.biHeight = 0;
    vih.bmiHeader.biSizeImage = 0;
    unsized.SetVideoInfo(vih);
    MediaType lyingPcm = Pcm(48000, 2, 16);
    WaveFormatEx w = *lyingPcm.GetWaveFormat();
    w.nBlockAlign = 2; // stereo 16-bit takes 4 bytes a sample
    lyingPcm.SetWaveFormat(w);
    MediaType unknownTag = Mp3(44100, 2);
    w = *unknownTag.GetWaveFormat();
    w.wFormatTag = 0x1234;
    unknownTag.SetWaveFormat(w);
    struct {
        const char* filter;
        MediaType type;
    } cases[] = {
        {"DV Video Decoder", unsized},
        {"DV Video Decoder", Coded(rtl::FourCC("MJPG"), 720, 576)},
        {"DV Video Decoder", Picture(MEDIASUBTYPE_RGB24, 720, 576)},
        {"DV Video Encoder", Picture(MEDIASUBTYPE_RGB565, 320, 240)},
        {"DV Video Encoder", Picture(MEDIASUBTYPE_RGB24, 8, 16)},
        {"DV Video Encoder", Picture(MEDIASUBTYPE_RGB24, 16, 8)},
        {"DV Video Encoder", Picture(MEDIASUBTYPE_RGB24, 5000, 16)},
        {"DV Video Encoder", Coded(rtl::FourCC("Y41B"), 718, 480)}, // 4:1:1 needs whole chroma samples
        {"DV Video Encoder", DvVideoType(true)},
        {"ACM Wrapper", unknownTag},
        {"ACM Wrapper", lyingPcm},
        {"ACM Wrapper", Pcm(48000, 9, 16)},
        {"ACM Wrapper", DvVideoType(true)},
        {"Color Space Converter", DvVideoType(true)},
        {"Color Space Converter", OddYuy2()},
        {"AVI Decompressor", DvVideoType(true)},
        {"AVI Decompressor", Coded(rtl::FourCC("ZZZZ"), 320, 240)},
        {"AVI Decompressor", Picture(MEDIASUBTYPE_RGB24, 320, 240)},
        {"AVI Decompressor", Coded(rtl::FourCC("MJPG"), 320, 0)},
    };
    for (const auto& c : cases) {
        auto filter = Make(c.filter);
        BytePush push(c.type);
        EXPECT_EQ(filter->GetPin(0)->ReceiveConnection(push.Output(), c.type), VFW_E_TYPE_NOT_ACCEPTED)
            << c.filter << " took " << Describe(c.type);
        EXPECT_FALSE(filter->GetPin(0)->IsConnected());
    }
}

// Render asks the filters in the graph first; one that refuses leaves the way open to the next.
TEST(CodecRefusals, RenderLooksFurtherWhenAFilterRefuses)
{
    FilterGraph graph;
    auto push = std::make_shared<BytePush>(Coded(rtl::FourCC("MJPG"), 320, 240));
    auto dv = Make("DV Video Decoder");
    auto sink = std::make_shared<TestSink>(MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB32));
    graph.AddFilter(push, "push");
    graph.AddFilter(dv, "dvdecoder");
    graph.AddFilter(sink, "sink");
    ASSERT_EQ(graph.Render(push->GetPin(0)), S_OK);
    EXPECT_EQ(push->GetPin(0)->ConnectedTo()->Filter().ClassName(), "AVI Decompressor");
    EXPECT_TRUE(sink->GetPin(0)->IsConnected());
    EXPECT_FALSE(dv->GetPin(0)->IsConnected());
}

TEST(AcmFormat, SetFormatBeforeConnectionIsTheOnlyTypeOfferedWithItsSizesMended)
{
    AcmWrapper acm;
    auto* config = QueryPin<StreamConfig>(acm.GetPin(1));
    ASSERT_TRUE(config);
    // A builder's record: taken from a 16-bit mono connection, made stereo at 44.1 kHz, with the
    // block size left as it was.
    WaveFormatEx asked = PcmWave(22050, 1, 16);
    asked.nChannels = 2;
    asked.nSamplesPerSec = 44100;
    asked.nAvgBytesPerSec = 4 * 44100;
    ASSERT_EQ(asked.nBlockAlign, 2);
    EXPECT_EQ(config->SetFormat(MediaType::Audio(asked)), S_OK);
    MediaType got;
    ASSERT_EQ(config->GetFormat(got), S_OK);
    const WaveFormatEx set = *got.GetWaveFormat();
    EXPECT_EQ(set.nBlockAlign, 4);
    EXPECT_EQ(set.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(set.nSamplesPerSec, 44100u);
    EXPECT_EQ(set.nChannels, 2);
    EXPECT_EQ(set.wBitsPerSample, 16);
    EXPECT_EQ(Offers(acm, Pcm(22050, 1, 8)), std::vector<std::string>{"pcm 44100/2/16"});
    EXPECT_EQ(config->SetFormat(Mp3(44100, 2)), VFW_E_INVALIDMEDIATYPE);
}

TEST(AcmFormat, SetFormatOnAConnectedOutputReconnectsOrKeepsTheOldConnection)
{
    Chain<AcmWrapper> chain(Pcm(44100, 2, 16));
    ASSERT_TRUE(chain.Connected());
    EXPECT_EQ(Describe(chain.OutType()), "pcm 44100/2/16");
    auto* config = QueryPin<StreamConfig>(chain.filter->GetPin(1));
    ASSERT_EQ(config->SetFormat(Pcm(48000, 2, 16)), S_OK);
    EXPECT_EQ(Describe(chain.sink.GetPin(0)->CurrentMediaType()), "pcm 48000/2/16");

    // A peer that takes only 48 kHz refuses 32 kHz: the 48 kHz connection stays.
    Chain<AcmWrapper> picky(Pcm(44100, 2, 16), Pcm(48000, 2, 16));
    ASSERT_EQ(picky.in, S_OK);
    config = QueryPin<StreamConfig>(picky.filter->GetPin(1));
    ASSERT_EQ(config->SetFormat(Pcm(48000, 2, 16)), S_OK);
    picky.out = picky.filter->GetPin(1)->Connect(*picky.sink.Input(), nullptr);
    ASSERT_EQ(picky.out, S_OK);
    EXPECT_EQ(config->SetFormat(Pcm(32000, 2, 16)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_TRUE(picky.sink.GetPin(0)->IsConnected());
    EXPECT_EQ(Describe(picky.sink.GetPin(0)->CurrentMediaType()), "pcm 48000/2/16");
    MediaType kept;
    config->GetFormat(kept);
    EXPECT_EQ(Describe(kept), "pcm 48000/2/16");
}

// The sample itself goes on: its bytes past a whole block or picture, which a conversion would
// leave out, are still there.
TEST(PassThrough, EqualTypesPassTheSampleItselfOn)
{
    std::vector<uint8_t> sound(4 * 1920 + 3);
    std::iota(sound.begin(), sound.end(), 0);
    Chain<AcmWrapper> acm(Pcm(48000, 2, 16));
    ASSERT_TRUE(acm.Connected());
    std::vector<uint8_t> picture(320 * 240 * 3 + 16);
    std::iota(picture.begin(), picture.end(), 5);
    Chain<ColorSpaceConverter> csc(Picture(MEDIASUBTYPE_RGB24, 320, 240),
                                   MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24));
    ASSERT_TRUE(csc.Connected());
    acm.Start();
    csc.Start();
    EXPECT_EQ(acm.source.Send(sound, 400000, 800000), S_OK);
    EXPECT_EQ(csc.source.Send(picture, 400000, 800000), S_OK);
    for (auto* sink : {&acm.sink, &csc.sink}) {
        auto seen = sink->SeenSamples();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].start, 400000);
        EXPECT_EQ(seen[0].stop, 800000);
    }
    EXPECT_EQ(acm.sink.SeenSamples()[0].bytes, std::string(sound.begin(), sound.end()));
    EXPECT_EQ(csc.sink.SeenSamples()[0].bytes, std::string(picture.begin(), picture.end()));
}

// Same subtype and size is not the same layout: top-down rows come out as a bottom-up DIB.
TEST(PassThrough, OppositeRowOrderIsFlippedNeverPassedOn)
{
    Chain<ColorSpaceConverter> csc(Picture(MEDIASUBTYPE_RGB24, 320, -240),
                                   MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24));
    ASSERT_TRUE(csc.Connected());
    ASSERT_EQ(Describe(csc.OutType()), "RGB24 320x240");
    std::vector<uint8_t> picture(320 * 240 * 3);
    std::iota(picture.begin(), picture.end(), 1);
    csc.Start();
    EXPECT_EQ(csc.source.Send(picture, 0, 400000), S_OK);
    const auto seen = csc.sink.SeenSamples();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].bytes == FlipRows(std::string(picture.begin(), picture.end()), 320 * 3));
}

// Output frame k carries the newest picture starting at or before k x the frame time: 25 fps
// pictures over 10 s make 300 NTSC frames, NTSC pictures make 251 PAL frames (up to 10.01 s).
TEST(EncoderTiming, OtherRatesAreRepeatedOrDroppedKeepingTheDuration)
{
    // One thread gives each frame out before the next comes; four hold a few back, so a picture
    // repeats while its first frame is still being encoded.
    struct {
        bool toPal;
        int inputs;
        size_t frames;
        int threads;
    } cases[] = {{false, 250, 300, 1}, {false, 250, 300, 4}, {true, 300, 251, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.threads) + " threads to " + (c.toPal ? "PAL" : "NTSC"));
        auto encoder = std::make_shared<DvVideoEncoder>();
        encoder->SetThreadCount(c.threads);
        encoder->put_IFormatResolution(c.toPal ? DVENCODERVIDEOFORMAT_PAL : DVENCODERVIDEOFORMAT_NTSC, 2007, 2012,
                                       false, nullptr);
        const bool inPal = !c.toPal;
        Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16), MediaType(), encoder);
        ASSERT_TRUE(chain.Connected());
        chain.Start();
        for (int i = 0; i < c.inputs; ++i)
            ASSERT_EQ(chain.source.Send(SmallPicture(i), DvVideoEncoder::FrameStart(inPal, i),
                                        DvVideoEncoder::FrameStart(inPal, i + 1)),
                      S_OK);
        chain.source.End();
        auto seen = chain.sink.SeenSamples();
        EXPECT_TRUE(chain.sink.ReachedEndOfStream());
        ASSERT_EQ(seen.size(), c.frames);
        // PAL frames last 40 ms; NTSC frames 1001/30000 s each, rounded to 100 ns but never summed.
        const auto frameStart = [&](size_t k) {
            return c.toPal ? static_cast<int64_t>(k) * 400000 : std::llround(static_cast<double>(k) * 1001000 / 3);
        };
        for (size_t k = 0; k < seen.size(); ++k) {
            EXPECT_EQ(seen[k].start, frameStart(k));
            EXPECT_EQ(seen[k].stop, frameStart(k + 1));
            EXPECT_EQ(seen[k].bytes.size(), c.toPal ? 144000u : 120000u);
        }
        // Frames carry the same picture (the same bytes) exactly when the same input started last.
        auto input = [&](size_t k) {
            int i = 0;
            while (i + 1 < c.inputs &&
                   DvVideoEncoder::FrameStart(inPal, i + 1) <= DvVideoEncoder::FrameStart(c.toPal, int64_t(k)))
                ++i;
            return i;
        };
        for (size_t k = 0; k + 1 < seen.size(); ++k)
            ASSERT_EQ(seen[k].bytes == seen[k + 1].bytes, input(k) == input(k + 1)) << "frame " << k;
    }
}

// Between two pictures with a gap, the frames of the gap still show the first one.
TEST(EncoderTiming, FramesOfAGapCarryThePictureBeforeIt)
{
    Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16));
    ASSERT_TRUE(chain.Connected());
    chain.Start();
    chain.source.Send(SmallPicture(0), 0, 400000);
    chain.source.Send(SmallPicture(1), 2000000, 2400000); // frame 5
    chain.source.End();
    auto seen = chain.sink.SeenSamples();
    ASSERT_EQ(seen.size(), 6u);
    for (size_t k = 1; k < 5; ++k)
        EXPECT_EQ(seen[k].bytes, seen[0].bytes) << "frame " << k;
    EXPECT_NE(seen[5].bytes, seen[0].bytes);
}

// The resampler holds some samples back: the end of the stream brings them out, every one.
TEST(EndOfStream, TheResamplerDelayIsFlushedBeforeTheEnd)
{
    Chain<AcmWrapper> chain(Pcm(44100, 2, 16));
    ASSERT_TRUE(chain.Connected());
    ASSERT_EQ(QueryPin<StreamConfig>(chain.filter->GetPin(1))->SetFormat(Pcm(48000, 2, 16)), S_OK);
    chain.Start();
    std::vector<int16_t> block(2 * 4410);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<int16_t>(std::lround(8000 * std::sin(static_cast<double>(i / 2) * 0.05)));
    for (int i = 0; i < 10; ++i)
        chain.source.Send(block, i * 1000000, (i + 1) * 1000000);
    auto count = [&] {
        size_t n = 0;
        for (const Seen& s : chain.sink.SeenSamples())
            n += s.bytes.size() / 4;
        return n;
    };
    const size_t before = count();
    chain.source.End();
    EXPECT_LT(before, 48000u);
    EXPECT_NEAR(static_cast<double>(count()), 48000.0, 1.0);
    EXPECT_TRUE(chain.sink.ReachedEndOfStream());
    auto seen = chain.sink.SeenSamples();
    EXPECT_EQ(seen.front().start, 0);
    EXPECT_NEAR(static_cast<double>(seen.back().stop), 1e7, 1e7 / 48000);
}

// Frames are encoded on several threads, side by side: each comes out, in order, without waiting
// for a later picture (a graph whose sound runs on the same upstream thread would wait for it
// for ever), and all are out before the end of the stream goes on.
TEST(EndOfStream, EveryFrameComesOutWithoutALaterPictureAndBeforeTheEnd)
{
    auto encoder = std::make_shared<DvVideoEncoder>();
    encoder->SetThreadCount(4);
    Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16), MediaType(), encoder);
    ASSERT_TRUE(chain.Connected());
    chain.Start();
    for (int i = 0; i < 10; ++i)
        chain.source.Send(SmallPicture(i), i * 400000, (i + 1) * 400000);
    EXPECT_TRUE(testds::Eventually([&] { return chain.sink.SeenSamples().size() == 10; }));
    EXPECT_FALSE(chain.sink.ReachedEndOfStream());
    chain.source.Send(SmallPicture(10), 10 * 400000, 11 * 400000);
    chain.source.End();
    auto seen = chain.sink.SeenSamples();
    ASSERT_EQ(seen.size(), 11u);
    for (size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].start, static_cast<int64_t>(k) * 400000);
        EXPECT_EQ(seen[k].discontinuity, k == 0);
    }
    EXPECT_TRUE(chain.sink.ReachedEndOfStream());
}

// Each worker holds its picture while converting it and the encoder the newest: with only the
// source's own two buffers the workers waited for pictures.
TEST(EncoderInput, AsksUpstreamForAPictureBufferPerThreadAndTwoMore)
{
    for (int threads : {1, 3, 6}) {
        auto encoder = std::make_shared<DvVideoEncoder>();
        encoder->SetThreadCount(threads);
        Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16), MediaType(), encoder);
        ASSERT_TRUE(chain.Connected());
        AllocatorProperties props;
        ASSERT_TRUE(chain.source.Output().Allocator());
        chain.source.Output().Allocator()->GetProperties(props);
        EXPECT_EQ(props.cBuffers, threads + 2) << threads << " threads";
    }
}

// Synchronous: each picture's frame is out before the next picture goes in, threads or not, so
// a filter downstream can match it with what an upstream filter saw of that picture.
TEST(EndOfStream, ASynchronousEncoderGivesEachFrameOutBeforeTheNextPicture)
{
    auto encoder = std::make_shared<DvVideoEncoder>();
    encoder->SetThreadCount(4);
    encoder->SetSynchronous(true);
    Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16), MediaType(), encoder);
    ASSERT_TRUE(chain.Connected());
    chain.Start();
    for (int i = 0; i < 10; ++i) {
        chain.source.Send(SmallPicture(i), i * 400000, (i + 1) * 400000);
        const auto seen = chain.sink.SeenSamples();
        ASSERT_EQ(seen.size(), static_cast<size_t>(i + 1));
        EXPECT_EQ(seen.back().start, i * 400000);
    }
    chain.source.End();
    EXPECT_EQ(chain.sink.SeenSamples().size(), 10u);
}

// A seek flushes: frames of the old stream still in the encoder never come out after it, and the
// new stream's frames count from 0 again.
TEST(EndOfStream, AFlushDropsTheFramesStillBeingEncoded)
{
    auto encoder = std::make_shared<DvVideoEncoder>();
    encoder->SetThreadCount(4);
    Chain<DvVideoEncoder> chain(Picture(MEDIASUBTYPE_RGB24, 16, 16), MediaType(), encoder);
    ASSERT_TRUE(chain.Connected());
    chain.Start();
    for (int i = 0; i < 6; ++i)
        chain.source.Send(SmallPicture(i), i * 400000, (i + 1) * 400000);
    chain.source.Output().DeliverBeginFlush();
    chain.source.Output().DeliverEndFlush();
    chain.sink.ClearSeen();
    for (int i = 0; i < 3; ++i)
        chain.source.Send(SmallPicture(10 + i), i * 400000, (i + 1) * 400000);
    chain.source.End();
    std::vector<int64_t> starts;
    for (const Seen& s : chain.sink.SeenSamples())
        starts.push_back(s.start);
    EXPECT_EQ(starts, (std::vector<int64_t>{0, 400000, 800000}));
    EXPECT_TRUE(chain.sink.SeenSamples().front().discontinuity);
}

// Damaged or short samples are dropped and the stream goes on to its end.
TEST(BadInput, DamagedSamplesAreDroppedAndTheStreamGoesOn)
{
    const std::vector<uint8_t> frame = testkit::EncodeDvPicture(true, 3);
    std::vector<uint8_t> garbage(frame.size());
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<uint8_t>(i * 131 + 7);
    std::vector<uint8_t> zeros(frame.size());
    Chain<DvVideoDecoder> dv(DvVideoType(true));
    ASSERT_TRUE(dv.Connected());
    dv.Start();
    dv.source.Send(std::vector<uint8_t>(frame.begin(), frame.begin() + 100000), 0, 400000); // truncated
    dv.source.Send(nullptr, 0, 400000, 800000);                                             // empty
    dv.source.Send(garbage, 800000, 1200000);
    dv.source.Send(zeros, 1200000, 1600000);
    dv.source.Send(frame, 1600000, 2000000);
    dv.source.End();
    auto seen = dv.sink.SeenSamples();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().start, 1600000);
    for (const Seen& s : seen)
        EXPECT_GE(s.start, 800000) << "a short frame came out";
    EXPECT_TRUE(dv.sink.ReachedEndOfStream());

    Chain<AcmWrapper> mp3(Mp3(44100, 2), MediaType(MEDIATYPE_Audio, MEDIASUBTYPE_PCM));
    ASSERT_TRUE(mp3.Connected());
    mp3.Start();
    mp3.source.Send(garbage, 0, 400000);
    mp3.source.Send(nullptr, 0, 400000, 800000);
    mp3.source.End();
    EXPECT_TRUE(mp3.sink.ReachedEndOfStream());

    Chain<ColorSpaceConverter> csc(Picture(MEDIASUBTYPE_I420, 320, 240));
    ASSERT_TRUE(csc.Connected());
    csc.Start();
    csc.source.Send(garbage.data(), 320 * 240, 0, 400000); // a third too short
    csc.source.Send(garbage.data(), 320 * 240 * 3 / 2, 400000, 800000);
    csc.source.End();
    ASSERT_EQ(csc.sink.SeenSamples().size(), 1u);
    EXPECT_EQ(csc.sink.SeenSamples()[0].start, 400000);

    // Times no stream has: the frame arithmetic stays in range, and a sample lasts a frame.
    Chain<DvVideoEncoder> encoder(Picture(MEDIASUBTYPE_RGB24, 16, 16));
    ASSERT_TRUE(encoder.Connected());
    encoder.Start();
    encoder.source.Send(SmallPicture(0), 0, INT64_MAX);
    encoder.source.Send(SmallPicture(1), 400000, 800000);
    encoder.source.Send(SmallPicture(2), INT64_MAX - 1, INT64_MAX);
    encoder.source.End();
    ASSERT_GE(encoder.sink.SeenSamples().size(), 2u);
    EXPECT_EQ(encoder.sink.SeenSamples()[1].start, 400000);

    auto mjpg = Make("AVI Decompressor");
    Chain<BaseFilter> decompressor(Coded(rtl::FourCC("MJPG"), 320, 240), MediaType(), mjpg);
    ASSERT_TRUE(decompressor.Connected());
    decompressor.Start();
    decompressor.source.Send(garbage.data(), 5000, 0, 400000);
    decompressor.source.Send(nullptr, 0, 400000, 800000);
    decompressor.source.End();
    EXPECT_TRUE(decompressor.sink.ReachedEndOfStream());
}

} // namespace
