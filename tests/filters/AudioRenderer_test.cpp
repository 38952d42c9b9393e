// The "Audio Renderer" between hand-driven pins and in small graphs: the types it takes, its ring
// (never holding the sender while paused until full), the outputs behind it (the silent one paced
// by the clock, a test double for volume, flush, completion and the device clock), and the
// fallback to silence where there is no sound device.
#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>
#include <gtest/gtest.h>

#include <thread>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/GraphComponents.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/RendererTestKit.h"

using namespace rendertest;
using testds::Eventually;
using testds::HandClock;

namespace {

constexpr REFERENCE_TIME kFrame = 400000; // 40 ms: 1920 frames of 48 kHz stereo, 7680 bytes
constexpr size_t kFrameBytes = 7680;

MediaType Pcm(uint32_t rate, uint16_t channels, uint16_t bits, uint16_t tag = 1)
{
    WaveFormatEx wfx = WaveFormatEx::Pcm(rate, channels, bits);
    wfx.wFormatTag = tag;
    return MediaType::Audio(wfx);
}

std::shared_ptr<testds::PushFilter> Pusher(int32_t bufferSize)
{
    auto p = std::make_shared<testds::PushFilter>(std::vector{testds::AudioType()});
    p->bufferSize_ = bufferSize;
    return p;
}

// A pusher connected to an audio renderer whose output comes from `output` (the renderer's own
// default when null).
struct Bench {
    std::shared_ptr<testds::PushFilter> pusher = Pusher(8 * kFrameBytes);
    std::shared_ptr<AudioRenderer> renderer;
    OutputDouble* output = nullptr; // owned by the renderer

    explicit Bench(bool useDouble = true, bool device = false,
                   std::shared_ptr<AudioRenderer> r = std::make_shared<AudioRenderer>())
        : renderer(std::move(r))
    {
        if (useDouble)
            renderer->SetOutputFactory([this, device] {
                auto out = std::make_unique<OutputDouble>(device);
                output = out.get();
                return out;
            });
        EXPECT_EQ(pusher->Output().Connect(*renderer->GetPin(0), nullptr), S_OK);
    }
    ~Bench()
    {
        renderer->Stop();
        pusher->Stop();
    }
    void Pause()
    {
        renderer->Pause();
        pusher->Pause();
    }
    void Run(REFERENCE_TIME start)
    {
        renderer->Run(start);
        pusher->Run(start);
    }
    // Frame n's sound: 7680 bytes of the value n.
    HRESULT Push(int n, size_t bytes = kFrameBytes)
    {
        return pusher->PushBytes(std::vector<uint8_t>(bytes, static_cast<uint8_t>(n)), n * kFrame, (n + 1) * kFrame);
    }
};

TEST(AudioRendererTypes, TakesIntegerPcmOf8To32BitsAndFloatWithOneToEightChannels)
{
    MediaType lying = Pcm(48000, 2, 16);
    auto wfx = *lying.GetWaveFormat();
    wfx.nBlockAlign = 2;
    lying.SetWaveFormat(wfx);
    const struct {
        const char* what;
        MediaType type;
        bool taken;
    } cases[] = {
        {"8-bit mono", Pcm(8000, 1, 8), true},       {"16-bit stereo", Pcm(48000, 2, 16), true},
        {"32-bit integer", Pcm(44100, 2, 32), true}, {"float", Pcm(48000, 2, 32, 3), true},
        {"eight channels", Pcm(32000, 8, 16), true}, {"nine channels", Pcm(32000, 9, 16), false},
        {"24-bit", Pcm(48000, 2, 24), false},        {"64-bit float", Pcm(48000, 2, 64, 3), false},
        {"ms adpcm", Pcm(22050, 1, 4, 2), false},    {"block align that lies", lying, false},
        {"video", testds::VideoType(), false},
    };
    AudioRenderer renderer;
    for (const auto& c : cases)
        EXPECT_EQ(renderer.CheckMediaType(c.type) == S_OK, c.taken) << c.what;
}

TEST(AudioRendererOutput, ComesFromTheFactoryElseTheDeviceElseSilenceAndOnlyADeviceOffersAClock)
{
    // A process-wide factory: what graph tests choose where Render makes the renderer.
    OutputDouble* made = nullptr;
    AudioRenderer::SetDefaultOutputFactory([&] {
        auto out = std::make_unique<OutputDouble>();
        made = out.get();
        return out;
    });
    {
        Bench b(false);
        EXPECT_EQ(b.renderer->Output(), made);
    }
    AudioRenderer::SetDefaultOutputFactory(nullptr);
    // No application object: no device is tried.
    {
        Bench b(false);
        EXPECT_NE(dynamic_cast<SilentAudioOutput*>(b.renderer->Output()), nullptr);
        EXPECT_EQ(b.renderer->ProvidedClock(), nullptr);
    }
    // With one, the device is tried from the application's thread and from any other.
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    const bool noDevice = QMediaDevices::defaultAudioOutput().isNull();
    for (bool appThread : {true, false}) {
        std::unique_ptr<Bench> b;
        if (appThread)
            b = std::make_unique<Bench>(false);
        else
            std::thread([&] { b = std::make_unique<Bench>(false); }).join();
        ASSERT_TRUE(b->renderer->Output());
        EXPECT_EQ(b->renderer->ProvidedClock() != nullptr, !noDevice);
        if (noDevice)
            EXPECT_NE(dynamic_cast<SilentAudioOutput*>(b->renderer->Output()), nullptr) << appThread;
    }
}

// A renderer that held its first sample while paused never completed a pause fed by one thread.
TEST(AudioRendererPause, TakesSamplesWithoutBlockingUntilTheRingIsFullCuedByTheFirst)
{
    Bench b;
    b.Pause();
    EXPECT_EQ(b.renderer->RingCapacity(), 96000u); // half a second
    EXPECT_FALSE(b.renderer->IsCued());
    std::atomic<int> returned{0};
    Sender sender(*b.renderer, [&] {
        for (int n = 0; n < 14; ++n)
            if (b.Push(n) == S_OK)
                ++returned;
    });
    // 12 whole frames and most of the 13th fit; the rest waits for room.
    ASSERT_TRUE(Eventually([&] { return b.renderer->Queued() == 96000; }));
    EXPECT_TRUE(b.renderer->IsCued());
    EXPECT_EQ(returned, 12);
    // Playing makes room: everything arrives, in order.
    b.Run(0);
    size_t pulled = 0;
    ASSERT_TRUE(Eventually([&] { return (pulled += b.output->Pull(1 << 20)) == 14 * kFrameBytes; }));
    ASSERT_TRUE(Eventually([&] { return returned == 14; }));
    for (int n = 0; n < 14; ++n)
        EXPECT_EQ(b.output->pulled[static_cast<size_t>(n) * kFrameBytes + 5], n);
}

TEST(AudioRendererOutput, VolumeIsLinearFromTheComponentScaleAndReachesTheOutput)
{
    // Set before the connection, it reaches the output opened then; afterwards, at once; the graph
    // component sets it on every audio renderer of its graph.
    auto renderer = std::make_shared<AudioRenderer>();
    renderer->SetLinearVolume(2500);
    Bench b(true, false, renderer);
    EXPECT_DOUBLE_EQ(b.output->volume, 0.25);
    for (auto [set, expected] : {std::pair{5000, 0.5}, {0, 0.0}, {10000, 1.0}, {12000, 1.0}, {-5, 0.0}}) {
        b.renderer->SetLinearVolume(set);
        EXPECT_DOUBLE_EQ(b.output->volume, expected) << set;
    }
    GraphComponent component;
    component.Activate();
    component.Graph()->AddFilter(b.renderer, "audio");
    component.SetLinearVolume(7500);
    EXPECT_DOUBLE_EQ(b.output->volume, 0.75);
    component.Deactivate();
}

TEST(AudioRendererFlush, EmptiesTheRingAndTheOutputAndAStopDoesToo)
{
    Bench b;
    b.Pause();
    ASSERT_EQ(b.Push(0), S_OK);
    ASSERT_EQ(b.Push(1), S_OK);
    b.output->buffered = 100;
    b.pusher->Output().DeliverBeginFlush();
    b.pusher->Output().DeliverEndFlush();
    EXPECT_EQ(b.renderer->Queued(), 0u);
    EXPECT_EQ(b.output->flushes, 1);
    EXPECT_EQ(b.output->buffered, 0);
    EXPECT_FALSE(b.renderer->IsCued());
    // After the flush the stream starts again where the new segment says.
    b.pusher->Output().DeliverNewSegment(10 * kFrame, INT64_MAX, 1.0);
    ASSERT_EQ(b.pusher->PushBytes(std::vector<uint8_t>(kFrameBytes, 10), 0, kFrame), S_OK);
    EXPECT_TRUE(b.renderer->IsCued());
    EXPECT_EQ(b.renderer->LastPosition().value_or(-1), 10 * kFrame);
    b.Run(0);
    EXPECT_EQ(b.output->starts, 1);
    b.renderer->Stop();
    EXPECT_EQ(b.renderer->Queued(), 0u);
    EXPECT_EQ(b.output->flushes, 2);
    EXPECT_GE(b.output->pauses, 1);
}

// A sender waiting for room when a flush (a seek) comes goes back without the rest of its sample:
// the old sound must not land in the ring the flush emptied, even when the sender wakes only
// after the flush has ended. Rounds give that late wake its chance.
TEST(AudioRendererFlush, ASenderWaitingForRoomReturnsWithoutStoringTheRest)
{
    for (int round = 0; round < 20; ++round) {
        Bench b;
        b.Pause();
        std::atomic<bool> returned{false};
        Sender sender(*b.renderer, [&] {
            for (int n = 0; n < 12; ++n)
                b.Push(n);
            b.Push(12, 2 * kFrameBytes); // 3840 bytes fit, the rest waits
            returned = true;
        });
        ASSERT_TRUE(Eventually([&] { return b.renderer->Queued() == 96000; }));
        ASSERT_FALSE(returned.load());
        b.pusher->Output().DeliverBeginFlush();
        b.pusher->Output().DeliverEndFlush();
        ASSERT_TRUE(Eventually([&] { return returned.load(); }));
        EXPECT_EQ(b.renderer->Queued(), 0u) << "round " << round;
        EXPECT_FALSE(b.renderer->IsCued());
    }
}

TEST(AudioRendererRun, CompletesOnlyOnceTheOutputHasPlayedEverythingQueued)
{
    FilterGraph graph;
    Bench b;
    graph.AddFilter(b.pusher, "push");
    graph.AddFilter(b.renderer, "render");
    graph.SetSyncSource(nullptr);
    graph.Pause();
    ASSERT_EQ(b.Push(0), S_OK);
    ASSERT_EQ(b.Push(1), S_OK);
    b.pusher->Output().DeliverEndOfStream();
    graph.Run();
    EXPECT_EQ(b.output->Pull(kFrameBytes), kFrameBytes);
    EXPECT_EQ(graph.WaitForCompletion(50), EC_NONE); // a frame still in the ring
    b.output->buffered = 1000;                       // taken, but the device still holds some
    EXPECT_EQ(b.output->Pull(1 << 20), kFrameBytes);
    EXPECT_EQ(graph.WaitForCompletion(50), EC_NONE);
    b.output->buffered = 0;
    b.output->Played();
    EXPECT_EQ(graph.WaitForCompletion(5000), EC_COMPLETE);
    graph.Stop();
}

// Without a device the sound is consumed at the clock's pace, never ahead of it.
TEST(AudioRendererSilentOutput, NeverRunsAheadOfTheClock)
{
    Bench b(false);
    HandClock clock;
    clock.now = 1000 * kFrame;
    b.renderer->SetSyncSource(&clock);
    b.Pause();
    for (int n = 0; n < 10; ++n)
        ASSERT_EQ(b.Push(n), S_OK);
    const REFERENCE_TIME start = clock.now;
    b.Run(start);
    for (REFERENCE_TIME t :
         {REFERENCE_TIME{0}, kFrame / 2, 3 * kFrame + 1234, 3 * kFrame + 1234, 7 * kFrame, 10 * kFrame}) {
        clock.now = start + t;
        // Sound is taken up to the clock's time (within one sample frame, 208.3 units) and no further.
        ASSERT_TRUE(Eventually([&] {
            auto played = b.renderer->PlayedTime();
            return t == 0 ? !played : played && *played >= t - 209;
        })) << t;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        auto played = b.renderer->PlayedTime();
        if (played)
            EXPECT_LE(*played, t);
    }
    EXPECT_EQ(b.renderer->Queued(), 0u);
}

TEST(AudioRendererClock, IsOfferedWithADeviceFollowsTheSoundPlayedAndNeverGoesBack)
{
    FilterGraph graph;
    Bench b(true, true);
    graph.AddFilter(b.pusher, "push");
    graph.AddFilter(b.renderer, "render");
    ReferenceClock* clock = b.renderer->ProvidedClock();
    ASSERT_NE(clock, nullptr);
    graph.Pause();
    EXPECT_EQ(graph.GetSyncSource(), clock); // taken at the pause
    for (int n = 0; n < 10; ++n)
        ASSERT_EQ(b.Push(n), S_OK);
    graph.Run();
    const REFERENCE_TIME runStart = b.renderer->RunStartTime();
    // The device says it played 400 ms within no time: the clock jumps ahead with the sound.
    EXPECT_EQ(b.output->Pull(10 * kFrameBytes), 10 * kFrameBytes);
    b.output->Played();
    const REFERENCE_TIME ahead = clock->GetTime();
    EXPECT_GE(ahead, runStart + 10 * kFrame);
    // A flush takes the played position back to nothing: the clock does not go back with it.
    b.pusher->Output().DeliverBeginFlush();
    b.pusher->Output().DeliverEndFlush();
    ASSERT_EQ(b.Push(0), S_OK);
    b.output->Pull(kFrameBytes); // played: 40 ms into the new segment
    b.output->Played();
    EXPECT_GE(clock->GetTime(), ahead);
    graph.Stop();
}

TEST(AudioRendererBadInput, EmptyAndPartialBlockSamplesKeepTheChannelsInStep)
{
    Bench b;
    b.Pause();
    EXPECT_EQ(b.Push(1, 0), S_OK);
    EXPECT_FALSE(b.renderer->IsCued());    // nothing to play: no cue
    EXPECT_EQ(b.Push(2, 4 * 3 + 3), S_OK); // three whole stereo frames and a stray byte
    EXPECT_EQ(b.renderer->Queued(), 12u);
    EXPECT_TRUE(b.renderer->IsCued());
}

} // namespace
