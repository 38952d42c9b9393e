// The system filters in the registry, and the tee and the DV Muxer between hand-driven pins.
#include <gtest/gtest.h>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/DvMuxer.h"
#include "platform/filters/InfTee.h"
#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

TEST(Registry, FindsTheSystemFiltersByFriendlyName)
{
    FilterRegistry& r = FilterRegistry::Instance();
    for (const char* name : {"Null Renderer", "Infinite Pin Tee Filter", "File writer", "File Source (Async.)",
                             "AVI Splitter", "DV Splitter", "DV Muxer", "AVI Mux"}) {
        FilterEntryPtr e = r.Find(name);
        ASSERT_TRUE(e) << name;
        EXPECT_EQ(e->create()->ClassName(), name);
    }
    EXPECT_FALSE(r.Find("Null Renderer", CLSID_VideoCompressorCategory));
    EXPECT_FALSE(r.Find("No Such Filter"));
}

TEST(PinConnection, TeeAddsAFreeOutputAfterEachConnection)
{
    PushFilter push;
    InfTee tee;
    CaptureFilter a, b;
    ASSERT_EQ(tee.GetPinCount(), 2);
    EXPECT_EQ(tee.GetPin(0)->Direction(), PinDirection::Input);
    // Outputs take the input's type, so they refuse before the input is connected.
    EXPECT_NE(tee.GetPin(1)->Connect(a.Input(), nullptr), S_OK);
    ASSERT_EQ(push.Output().Connect(*tee.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(tee.GetPin(1)->Connect(a.Input(), nullptr), S_OK);
    ASSERT_EQ(tee.GetPinCount(), 3);
    ASSERT_EQ(tee.GetPin(2)->Connect(b.Input(), nullptr), S_OK);
    EXPECT_EQ(tee.GetPinCount(), 4);
    EXPECT_FALSE(tee.GetPin(3)->IsConnected());
    Start({&push, &tee, &a, &b});
    EXPECT_EQ(push.Push(7), S_OK);
    Halt({&push, &tee, &a, &b});
    EXPECT_EQ(a.received_, std::vector<int64_t>{7});
    EXPECT_EQ(b.received_, std::vector<int64_t>{7});
}

// Frames queued for sound that a seek flushes away never reach the output: the end of the stream
// must follow the frames sent after the seek, and come again after a second one.
TEST(DvMuxerFlow, EndsTheStreamAfterAFlushDroppedQueuedFrames)
{
    FilterGraph graph;
    auto video = std::make_shared<PushFilter>();
    video->size_ = 144000; // whole PAL frames
    auto audio = std::make_shared<PushFilter>(std::vector<MediaType>{AudioType()});
    auto muxer = std::make_shared<DvMuxer>();
    auto capture = std::make_shared<CaptureFilter>();
    graph.AddFilter(video, "video");
    graph.AddFilter(audio, "audio");
    graph.AddFilter(muxer, "dvmuxer");
    graph.AddFilter(capture, "capture");
    ASSERT_EQ(graph.ConnectDirect(video->GetPin(0), muxer->GetPin(0)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(audio->GetPin(0), muxer->GetPin(1)), S_OK);
    ASSERT_EQ(graph.ConnectDirect(muxer->GetPin(3), capture->GetPin(0)), S_OK);
    graph.SetSyncSource(nullptr);
    ASSERT_EQ(graph.Run(), S_OK);
    auto flush = [&] {
        video->Output().DeliverBeginFlush();
        audio->Output().DeliverBeginFlush();
        video->Output().DeliverEndFlush();
        audio->Output().DeliverEndFlush();
    };
    video->Push(0);
    video->Push(1); // both wait for sound
    EXPECT_TRUE(capture->received_.empty());
    flush();
    video->Push(2);
    audio->Output().DeliverEndOfStream();
    video->Output().DeliverEndOfStream();
    EXPECT_EQ(capture->received_, std::vector<int64_t>{2});
    EXPECT_EQ(capture->endOfStreams_, 1);
    flush();
    video->Push(3);
    audio->Output().DeliverEndOfStream();
    video->Output().DeliverEndOfStream();
    EXPECT_EQ(capture->received_, (std::vector<int64_t>{2, 3}));
    EXPECT_EQ(capture->endOfStreams_, 2);
    graph.Stop();
}

} // namespace
