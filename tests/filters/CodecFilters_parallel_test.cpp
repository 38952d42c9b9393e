// The DV Video Decoder decoding frames side by side: the pictures, times and flags it gives
// within each Receive, in order; a flush; a pool sized before parallel decoding was asked for.
// (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>

#include "tests/filters/CodecPins.h"

#include <thread>

#include "platform/filters/DvSplitter.h"
#include "platform/filters/DvVideoDecoder.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/kit/media/DvClip.h"

using namespace codectest;

namespace {

// Decoding side by side gives the pictures decoding within each Receive gives, in order, with
// their times and flags, each without waiting for a later frame; a flush drops what the workers
// hold and the new stream follows alone.
TEST(ParallelDecoding, GivesTheSerialPicturesInOrderAndAFlushDropsWhatTheWorkersHold)
{
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < 12; ++i)
        frames.push_back(testkit::EncodeDvPicture(true, i));
    auto decoded = [&](bool parallel) {
        auto decoder = std::make_shared<DvVideoDecoder>();
        decoder->SetThreadCount(4);
        decoder->SetParallelFrames(parallel);
        Chain<DvVideoDecoder> dv(DvVideoType(true), MediaType(), decoder);
        EXPECT_TRUE(dv.Connected());
        dv.Start();
        for (int i = 0; i < 12; ++i)
            dv.source.Send(frames[static_cast<size_t>(i)].data(), frames[0].size(), i * 400000, (i + 1) * 400000,
                           i % 3 == 0, i == 0);
        EXPECT_TRUE(testds::Eventually([&] { return dv.sink.SeenSamples().size() == 12; }));
        EXPECT_FALSE(dv.sink.ReachedEndOfStream());
        dv.source.End();
        EXPECT_TRUE(dv.sink.ReachedEndOfStream());
        return dv.sink.SeenSamples();
    };
    const auto serial = decoded(false), parallel = decoded(true);
    ASSERT_EQ(parallel.size(), serial.size());
    for (size_t i = 0; i < serial.size(); ++i) {
        EXPECT_EQ(parallel[i].bytes, serial[i].bytes) << i;
        EXPECT_EQ(parallel[i].start, static_cast<int64_t>(i) * 400000);
        EXPECT_EQ(parallel[i].sync, i % 3 == 0);
        EXPECT_EQ(parallel[i].discontinuity, i == 0);
    }

    auto decoder = std::make_shared<DvVideoDecoder>();
    decoder->SetThreadCount(4);
    decoder->SetParallelFrames(true);
    Chain<DvVideoDecoder> dv(DvVideoType(true), MediaType(), decoder);
    ASSERT_TRUE(dv.Connected());
    dv.Start();
    for (int i = 0; i < 12; ++i)
        dv.source.Send(frames[static_cast<size_t>(i)], i * 400000, (i + 1) * 400000);
    dv.source.Output().DeliverBeginFlush();
    dv.source.Output().DeliverEndFlush();
    dv.sink.ClearSeen();
    for (int i = 0; i < 3; ++i)
        dv.source.Send(frames[static_cast<size_t>(i)], i * 400000, (i + 1) * 400000);
    dv.source.End();
    const auto after = dv.sink.SeenSamples();
    ASSERT_EQ(after.size(), 3u);
    for (size_t i = 0; i < after.size(); ++i)
        EXPECT_EQ(after[i].bytes, serial[i].bytes) << i;
}

// Parallel decoding asked for after the output connected finds two buffers: it keeps no more
// frames in hand than that, rather than waiting for a buffer the frames after it hold.
TEST(ParallelDecoding, TurnedOnAfterTheOutputConnectedStillFlows)
{
    const std::vector<uint8_t> frame = testkit::EncodeDvPicture(true, 1);
    auto decoder = std::make_shared<DvVideoDecoder>();
    decoder->SetThreadCount(4);
    Chain<DvVideoDecoder> dv(DvVideoType(true), MediaType(), decoder);
    ASSERT_TRUE(dv.Connected());
    decoder->SetParallelFrames(true);
    dv.Start();
    std::thread sender([&] {
        for (int i = 0; i < 30; ++i)
            dv.source.Send(frame, i * 400000, (i + 1) * 400000);
    });
    EXPECT_TRUE(testds::Eventually([&] { return dv.sink.SeenSamples().size() == 30; }));
    dv.Stop(); // frees a sender left waiting
    sender.join();
}

} // namespace
