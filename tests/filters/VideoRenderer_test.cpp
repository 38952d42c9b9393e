// The "Video Renderer" between hand-driven pins and in a small graph: the types it takes, the
// pictures it makes of them, its queue (never holding the sender until a picture's time), the
// pause and the seek while paused, stop and disconnection, bad samples.
#include <gtest/gtest.h>

#include <optional>
#include <thread>

#include "platform/dshow/FilterGraph.h"
#include "platform/filters/VideoRenderer.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/RendererTestKit.h"

using namespace rendertest;
using testds::Eventually;
using testds::HandClock;

namespace {

constexpr REFERENCE_TIME kFrame = 400000;

std::vector<uint8_t> Dib(const MediaType& mt, uint32_t color)
{
    std::vector<uint8_t> bytes(mt.GetVideoInfo()->bmiHeader.biSizeImage);
    FillDib(mt, bytes.data(), color);
    return bytes;
}

// A pusher connected to a renderer that shows into a PictureSink.
struct Bench {
    MediaType type;
    std::shared_ptr<testds::PushFilter> pusher;
    std::shared_ptr<VideoRenderer> renderer = std::make_shared<VideoRenderer>();
    PictureSink sink;

    explicit Bench(MediaType mt = RgbType(32, 24))
        : type(mt), pusher(std::make_shared<testds::PushFilter>(std::vector{mt}))
    {
        pusher->bufferSize_ = static_cast<int32_t>(mt.GetVideoInfo()->bmiHeader.biSizeImage);
        renderer->SetSink(&sink);
        EXPECT_EQ(pusher->Output().Connect(*renderer->GetPin(0), nullptr), S_OK);
    }
    ~Bench()
    {
        renderer->Stop();
        pusher->Stop();
        renderer->SetSink(nullptr); // a graph may hold the renderer longer than the sink lives
    }
    void Pause()
    {
        renderer->Pause();
        pusher->Pause();
    }
    HRESULT Push(int64_t n, REFERENCE_TIME start)
    {
        return pusher->PushBytes(Dib(type, FrameColor(n)), start, start + kFrame);
    }
};

TEST(VideoRendererTypes, TakesUncompressedRgb24AndRgb32InEitherRowOrderOnly)
{
    auto with = [](MediaType mt, auto change) {
        auto vih = *mt.GetVideoInfo();
        change(vih);
        mt.SetVideoInfo(vih);
        return mt;
    };
    const struct {
        const char* what;
        MediaType type;
        bool taken;
    } cases[] = {
        {"rgb32 bottom-up", RgbType(720, 576, 32), true},
        {"rgb32 top-down", RgbType(720, -576, 32), true},
        {"rgb24 of an odd width", RgbType(361, 289, 24), true},
        {"rgb24 top-down", RgbType(3, -2, 24), true},
        {"depth unlike the subtype", with(RgbType(8, 8, 24), [](VideoInfoHeader& v) { v.bmiHeader.biBitCount = 32; }),
         false},
        {"compressed", with(RgbType(8, 8, 32), [](VideoInfoHeader& v) { v.bmiHeader.biCompression = 3; }), false},
        {"no width", RgbType(0, 8, 32), false},
        {"no height", RgbType(8, 0, 32), false},
        {"too wide", RgbType(20000, 8, 32), false},
        {"yuy2", testds::VideoType(Guid::FromFourCC(rtl::FourCC("YUY2"))), false},
        {"dv", testds::VideoType(), false},
        {"sound", testds::AudioType(), false},
    };
    VideoRenderer renderer;
    for (const auto& c : cases)
        EXPECT_EQ(renderer.CheckMediaType(c.type) == S_OK, c.taken) << c.what;
}

TEST(VideoRendererPictures, AreTopDownRgb32WhateverTheDepthAndRowOrder)
{
    // A 3 x 2 picture whose pixels all differ; rows of RGB24 are padded to four bytes.
    auto color = [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 50 + 10) << 16 | uint32_t(y * 80 + 20) << 8 | 7u;
    };
    for (int bits : {24, 32})
        for (bool bottomUp : {true, false}) {
            Bench b(RgbType(3, bottomUp ? 2 : -2, bits));
            const int stride = (3 * bits / 8 + 3) & ~3;
            std::vector<uint8_t> dib(static_cast<size_t>(stride * 2), 0xEE);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) {
                    const uint32_t c = color(x, y) & 0x00FFFFFF; // the fourth byte of RGB32 is left at zero
                    std::memcpy(&dib[static_cast<size_t>((bottomUp ? 1 - y : y) * stride + x * bits / 8)], &c,
                                static_cast<size_t>(bits / 8));
                }
            b.Pause();
            ASSERT_EQ(b.pusher->PushBytes(dib, 0, kFrame), S_OK);
            PicturePtr p = b.sink.Last();
            ASSERT_TRUE(p);
            ASSERT_EQ(p->width, 3);
            ASSERT_EQ(p->height, 2);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    EXPECT_EQ(p->Pixel(x, y), color(x, y))
                        << bits << (bottomUp ? " bottom-up " : " top-down ") << x << "," << y;
        }
}

// A renderer that held its first sample while paused never let one thread deliver the sound
// that follows the picture: the pause could not complete.
TEST(VideoRendererPause, ShowsTheFirstPictureAtOnceAndTakesMoreUntilTheQueueIsFull)
{
    Bench b;
    b.Pause();
    const size_t capacity = b.renderer->QueueCapacity();
    EXPECT_EQ(capacity, 12u); // half a second at 25 frames a second
    EXPECT_FALSE(b.renderer->IsCued());
    std::atomic<size_t> returned{0};
    std::atomic<HRESULT> last{S_OK};
    std::optional<Sender> sender(std::in_place, *b.renderer, [&] {
        for (size_t n = 0; n <= capacity; ++n) {
            last = b.Push(static_cast<int64_t>(n), static_cast<REFERENCE_TIME>(n) * kFrame);
            ++returned;
        }
    });
    ASSERT_TRUE(Eventually([&] { return returned == capacity; }));
    EXPECT_TRUE(b.renderer->IsCued());
    EXPECT_EQ(b.sink.Count(), 1u); // the first picture only, shown while paused
    EXPECT_EQ(b.sink.LastColor(), FrameColor(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(returned, capacity); // the sample past a full queue waits
    sender.reset();                // a stop lets it go
    EXPECT_NE(last.load(), S_OK);
}

// A renderer that held the sender until each picture's time starved whatever the same thread
// delivers next (the sound of a type-1 stream) while playing.
TEST(VideoRendererRun, PresentsEachPictureAtItsTimeWithoutHoldingTheSender)
{
    Bench b;
    HandClock clock;
    b.renderer->SetSyncSource(&clock);
    b.Pause();
    b.renderer->Run(0);
    b.pusher->Run(0);
    std::atomic<int> returned{0};
    {
        Sender sender(*b.renderer, [&] {
            for (int n = 0; n < 6; ++n)
                if (b.Push(n, n * kFrame) == S_OK)
                    ++returned;
        });
        ASSERT_TRUE(Eventually([&] { return returned == 6; })); // while the clock stands at 0
    }
    ASSERT_TRUE(Eventually([&] { return b.sink.Count() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(b.sink.Count(), 1u);
    clock.now = 3 * kFrame;
    ASSERT_TRUE(Eventually([&] { return b.sink.Count() == 4; }));
    EXPECT_EQ(b.sink.LastColor(), FrameColor(3));
    EXPECT_EQ(b.renderer->LastPosition().value_or(-1), 3 * kFrame);
}

TEST(VideoRendererPause, ASeekWhilePausedShowsTheFrameSought)
{
    Bench b;
    b.Pause();
    ASSERT_EQ(b.Push(0, 0), S_OK);
    ASSERT_EQ(b.Push(1, kFrame), S_OK);
    // What a source does on a seek: flush, a new segment, the frame sought first.
    b.pusher->Output().DeliverBeginFlush();
    b.pusher->Output().DeliverEndFlush();
    EXPECT_FALSE(b.renderer->IsCued());
    b.pusher->Output().DeliverNewSegment(10 * kFrame, INT64_MAX, 1.0);
    ASSERT_EQ(b.Push(10, 0), S_OK);
    EXPECT_TRUE(b.renderer->IsCued());
    EXPECT_EQ(b.sink.LastColor(), FrameColor(10));
    ASSERT_TRUE(b.sink.Last());
    EXPECT_EQ(b.sink.Last()->position, 10 * kFrame);
    EXPECT_EQ(b.renderer->LastPosition().value_or(-1), 10 * kFrame);
    // Playing on, the pictures queued before the seek are gone: frame 1 never shows.
    b.renderer->Run(0);
    ASSERT_EQ(b.Push(11, kFrame), S_OK);
    EXPECT_TRUE(Eventually([&] { return b.sink.LastColor() == FrameColor(11); }));
    EXPECT_EQ(b.sink.Count(), 3u);
}

TEST(VideoRendererStop, KeepsThePictureAndADisconnectionClearsIt)
{
    Bench b;
    b.Pause();
    ASSERT_EQ(b.Push(4, 0), S_OK);
    b.renderer->Stop();
    b.pusher->Stop();
    EXPECT_EQ(b.sink.LastColor(), FrameColor(4));
    EXPECT_EQ(b.sink.Clears(), 0);
    b.pusher->Output().Disconnect();
    EXPECT_FALSE(b.sink.Last());
    EXPECT_FALSE(b.renderer->Current());
    EXPECT_EQ(b.sink.Clears(), 1);
}

TEST(VideoRendererBadInput, ShortAndEmptySamplesAreDroppedAndTheStreamGoesOn)
{
    Bench b;
    b.Pause();
    std::vector<uint8_t> shortDib = Dib(b.type, FrameColor(1));
    shortDib.resize(shortDib.size() - 1);
    EXPECT_EQ(b.pusher->PushBytes(shortDib, 0, kFrame), S_OK);
    EXPECT_EQ(b.pusher->PushBytes({}, 0, kFrame), S_OK);
    EXPECT_EQ(b.sink.Count(), 0u);
    EXPECT_FALSE(b.renderer->IsCued());
    EXPECT_EQ(b.Push(2, kFrame), S_OK);
    EXPECT_EQ(b.sink.LastColor(), FrameColor(2));
}

// The end of the stream waits behind the queued pictures: EC_COMPLETE once the last is shown.
TEST(VideoRendererRun, CompletesOnlyAfterTheQueuedPicturesWereShown)
{
    FilterGraph graph;
    Bench b;
    graph.AddFilter(b.pusher, "push");
    graph.AddFilter(b.renderer, "render");
    HandClock clock;
    graph.SetSyncSource(&clock);
    graph.Pause();
    for (int n = 0; n < 3; ++n)
        ASSERT_EQ(b.Push(n, n * kFrame), S_OK);
    b.pusher->Output().DeliverEndOfStream();
    FilterState state;
    EXPECT_EQ(graph.GetState(0, state), S_OK);
    graph.Run();
    EXPECT_EQ(graph.WaitForCompletion(100), EC_NONE);
    clock.now = 2 * kFrame;
    EXPECT_EQ(graph.WaitForCompletion(5000), EC_COMPLETE);
    EXPECT_EQ(b.sink.Count(), 3u);
    graph.Stop();
}

} // namespace
