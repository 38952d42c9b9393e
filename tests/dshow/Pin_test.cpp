// Pins, allocators and the transform bases, tested between hand-driven pins without a graph.
#include <gtest/gtest.h>

#include "tests/dshow/TestFilters.h"

using namespace testds;

namespace {

TEST(PinConnection, TriesTheOutputsTypesThenTheInputsWithinThePartialType)
{
    MediaType rgb(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo);
    PushFilter push({VideoType(), rgb});
    CaptureFilter capture(MediaType(), {AudioType()});
    ASSERT_EQ(push.Output().Connect(capture.Input(), nullptr), S_OK);
    MediaType got;
    EXPECT_EQ(push.Output().ConnectionMediaType(got), S_OK);
    EXPECT_EQ(got, VideoType());
    capture.Input().Disconnect();

    CaptureFilter audioOnly(MediaType(MEDIATYPE_Audio, GUID_NULL), {AudioType()});
    ASSERT_EQ(push.Output().Connect(audioOnly.Input(), nullptr), S_OK); // the input's offer
    EXPECT_EQ(audioOnly.Input().CurrentMediaType(), AudioType());
    audioOnly.Input().Disconnect();
    MediaType onlyVideo(MEDIATYPE_Video, GUID_NULL);
    EXPECT_EQ(push.Output().Connect(audioOnly.Input(), &onlyVideo), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(push.Output().IsConnected());
    EXPECT_FALSE(audioOnly.Input().IsConnected());
}

TEST(PinConnection, DisconnectBreaksBothSidesAndIsIdempotent)
{
    PushFilter push;
    CaptureFilter capture;
    ASSERT_EQ(push.Output().Connect(capture.Input(), nullptr), S_OK);
    EXPECT_EQ(push.Output().Connect(capture.Input(), nullptr), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(capture.Input().Disconnect(), S_OK);
    EXPECT_FALSE(push.Output().IsConnected());
    EXPECT_EQ(push.Output().Disconnect(), S_FALSE);
    MediaType mt;
    EXPECT_EQ(push.Output().ConnectionMediaType(mt), VFW_E_NOT_CONNECTED);
    // An input cannot start a connection, and a running filter cannot be connected.
    EXPECT_EQ(capture.Input().Connect(push.Output(), nullptr), E_UNEXPECTED);
    push.Pause();
    EXPECT_EQ(push.Output().Connect(capture.Input(), nullptr), VFW_E_NOT_STOPPED);
    push.Stop();
}

TEST(Allocator, LendsTheNegotiatedCountAndClearsReturnedSamples)
{
    auto allocator = std::make_shared<MemAllocator>();
    AllocatorProperties actual;
    ASSERT_EQ(allocator->SetProperties({2, 1000, 1, 0}, actual), S_OK);
    SamplePtr a, b, c;
    EXPECT_EQ(allocator->GetBuffer(a), VFW_E_NOT_COMMITTED);
    ASSERT_EQ(allocator->Commit(), S_OK);
    ASSERT_EQ(allocator->GetBuffer(a), S_OK);
    ASSERT_EQ(allocator->GetBuffer(b), S_OK);
    EXPECT_EQ(a->GetSize(), 1000);
    EXPECT_EQ(allocator->GetBuffer(c, false), S_FALSE);
    a->SetTime(5, 6);
    a.reset();
    ASSERT_EQ(allocator->GetBuffer(c, false), S_OK);
    EXPECT_FALSE(c->HasTime());
    EXPECT_EQ(c->SetActualDataLength(1001), E_INVALIDARG);
}

// A graph that pauses on its first samples (the probe, at every stream) lends one or two: the
// rest of the count is made only when the pool first runs out, and kept from then on.
TEST(Allocator, MakesABufferOnlyWhenNoneIsFreeAndKeepsItAcrossCommits)
{
    auto allocator = std::make_shared<MemAllocator>();
    AllocatorProperties actual;
    ASSERT_EQ(allocator->SetProperties({8, 1 << 20, 1, 0}, actual), S_OK);
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->MadeCount(), 1);
    EXPECT_EQ(allocator->FreeCount(), 8);
    SamplePtr a, b;
    ASSERT_EQ(allocator->GetBuffer(a), S_OK);
    a.reset();
    ASSERT_EQ(allocator->GetBuffer(a), S_OK);
    EXPECT_EQ(allocator->MadeCount(), 1) << "the free one is lent again";
    ASSERT_EQ(allocator->GetBuffer(b), S_OK);
    EXPECT_NE(a->GetPointer(), b->GetPointer());
    EXPECT_EQ(allocator->MadeCount(), 2);
    EXPECT_EQ(allocator->FreeCount(), 6);
    std::vector<SamplePtr> rest(6);
    for (SamplePtr& s : rest)
        ASSERT_EQ(allocator->GetBuffer(s, false), S_OK);
    SamplePtr none;
    EXPECT_EQ(allocator->GetBuffer(none, false), S_FALSE) << "never more than the count";
    EXPECT_EQ(allocator->MadeCount(), 8);
    a.reset();
    b.reset();
    rest.clear();
    allocator->Decommit();
    ASSERT_EQ(allocator->Commit(), S_OK);
    EXPECT_EQ(allocator->MadeCount(), 8);
    EXPECT_EQ(allocator->FreeCount(), 8);
}

TEST(Allocator, DecommitWakesAWaitingBorrower)
{
    auto allocator = std::make_shared<MemAllocator>();
    AllocatorProperties actual;
    allocator->SetProperties({1, 10, 1, 0}, actual);
    allocator->Commit();
    SamplePtr held;
    allocator->GetBuffer(held);
    HRESULT waited = S_OK;
    std::thread t([&] {
        SamplePtr s;
        waited = allocator->GetBuffer(s);
    });
    allocator->Decommit();
    t.join();
    EXPECT_EQ(waited, VFW_E_NOT_COMMITTED);
}

TEST(InPlaceTransform, DropsOnSFalseAndReturnsAFailureToTheSender)
{
    PushFilter push;
    PassThrough pass;
    CaptureFilter capture;
    pass.drop_ = [](int64_t n) { return n == 1; };
    pass.failAt_ = 2;
    ASSERT_EQ(push.Output().Connect(*pass.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(pass.GetPin(1)->Connect(capture.Input(), nullptr), S_OK);
    EXPECT_EQ(capture.Input().CurrentMediaType(), VideoType());
    Start({&push, &pass, &capture});
    const HRESULT want[] = {S_OK, S_OK, E_FAIL, S_OK};
    for (int64_t i = 0; i < 4; ++i)
        EXPECT_EQ(push.Push(i), want[i]) << i;
    push.Output().DeliverEndOfStream();
    Halt({&push, &pass, &capture});
    EXPECT_EQ(capture.received_, (std::vector<int64_t>{0, 3}));
    EXPECT_EQ(capture.endOfStreams_, 1);
}

TEST(InPlaceTransform, RefusesATypeItsDownstreamPinRefuses)
{
    PushFilter videoPush, audioPush({AudioType()});
    PassThrough pass;
    CaptureFilter capture(MediaType(MEDIATYPE_Video, GUID_NULL));
    ASSERT_EQ(videoPush.Output().Connect(*pass.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(pass.GetPin(1)->Connect(capture.Input(), nullptr), S_OK);
    pass.GetPin(0)->Disconnect();
    EXPECT_NE(audioPush.Output().Connect(*pass.GetPin(0), nullptr), S_OK);
}

TEST(Transform, OffersOutputTypesOnlyOnceTheInputIsConnected)
{
    MediaType rgb = VideoType(MEDIASUBTYPE_RGB24, 400000, 720 * 576 * 3);
    Converter conv(MediaType(MEDIATYPE_Video, MEDIASUBTYPE_dvsd), rgb);
    MediaType mt;
    EXPECT_EQ(conv.GetPin(1)->GetMediaType(0, mt), VFW_S_NO_MORE_ITEMS);
    PushFilter push;
    CaptureFilter capture;
    ASSERT_EQ(push.Output().Connect(*conv.GetPin(0), nullptr), S_OK);
    ASSERT_EQ(conv.GetPin(1)->Connect(capture.Input(), nullptr), S_OK);
    EXPECT_EQ(capture.Input().CurrentMediaType(), rgb);
    Start({&push, &conv, &capture});
    EXPECT_EQ(push.Push(42), S_OK);
    Halt({&push, &conv, &capture});
    EXPECT_EQ(capture.received_, std::vector<int64_t>{42});
}

// S_FALSE is a success code, but from CheckInputType it means "not this type".
TEST(Transform, AnInputTypeCheckedWithSFalseIsRefused)
{
    struct Unsure : Converter {
        Unsure() : Converter(MediaType(), VideoType()) {}
        HRESULT CheckInputType(const MediaType&) override { return S_FALSE; }
    } converter;
    struct UnsureInPlace : PassThrough {
        HRESULT CheckInputType(const MediaType&) override { return S_FALSE; }
    } inPlace;
    for (BaseFilter* f : {static_cast<BaseFilter*>(&converter), static_cast<BaseFilter*>(&inPlace)}) {
        PushFilter push;
        EXPECT_TRUE(FAILED(push.Output().Connect(*f->GetPin(0), nullptr)));
        EXPECT_FALSE(f->GetPin(0)->IsConnected());
    }
}

TEST(InputPin, RefusesSamplesWhenStoppedFlushingOrEnded)
{
    PushFilter push;
    CaptureFilter capture;
    push.Output().Connect(capture.Input(), nullptr);
    push.Pause();
    EXPECT_EQ(push.Push(1), VFW_E_WRONG_STATE); // the receiver is still stopped
    capture.Pause();
    capture.Input().BeginFlush();
    EXPECT_EQ(push.Push(2), S_FALSE);
    capture.Input().EndFlush();
    EXPECT_EQ(push.Push(3), S_OK);
    capture.Input().EndOfStream();
    EXPECT_EQ(push.Push(4), VFW_E_SAMPLE_REJECTED);
    Halt({&push, &capture});
    EXPECT_EQ(capture.received_, std::vector<int64_t>{3});
}

} // namespace
