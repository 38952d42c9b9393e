// A filter whose frames are worked on side by side: a new segment that comes while frames of the
// segment before are still in the workers' hands waits until they are handed on; it never
// overtakes them. (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/filters/ParallelTransformFilter.h"
#include "tests/dshow/GraphHelpers.h"
#include "tests/filters/CodecPins.h"

using namespace codectest;

namespace {

constexpr int kJobs = 6;

// Copies each frame; every worker waits at a gate the test opens.
class GatedCopy : public ParallelTransformFilter {
public:
    GatedCopy() : ParallelTransformFilter("Gated Copy") {}

    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT CheckTransform(const MediaType&, const MediaType&) override { return S_OK; }
    HRESULT GetMediaType(int position, MediaType& mt) override
    {
        return Offer({Input()->CurrentMediaType()}, position, mt);
    }
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override
    {
        return AskBuffers(allocator, request, 2, 64);
    }
    HRESULT StartStreaming() override
    {
        jobs_.clear();
        for (int i = 0; i < kJobs; ++i)
            jobs_.push_back(std::make_unique<MediaSample>(64));
        workers_.Start(
            2, kJobs,
            [this](int, int) {
                gate_.Wait();
                return true;
            },
            [this](int job, bool worked, bool give) {
                if (!give || !worked)
                    return S_OK;
                const MediaSample& in = *jobs_[static_cast<size_t>(job)];
                SamplePtr out;
                HRESULT hr = Output()->GetDeliveryBuffer(out);
                if (FAILED(hr))
                    return hr;
                out->CopyPropertiesFrom(in);
                std::memcpy(out->GetPointer(), in.GetPointer(), static_cast<size_t>(in.GetActualDataLength()));
                out->SetActualDataLength(in.GetActualDataLength());
                hr = Output()->Deliver(out);
                ++handedOn_;
                return hr;
            });
        return S_OK;
    }
    HRESULT StopStreaming() override
    {
        workers_.Stop();
        return S_OK;
    }
    HRESULT Receive(const SamplePtr& sample) override
    {
        const int job = workers_.Reserve();
        if (job < 0)
            return workers_.Answer();
        MediaSample& in = *jobs_[static_cast<size_t>(job)];
        in.CopyPropertiesFrom(*sample);
        std::memcpy(in.GetPointer(), sample->GetPointer(), static_cast<size_t>(sample->GetActualDataLength()));
        in.SetActualDataLength(sample->GetActualDataLength());
        return workers_.Submit(job, true);
    }

    void OpenGate() { gate_.Open(); }

    std::atomic<int> handedOn_{0};
    std::atomic<int> handedOnAtRestart_{-1}; // at the last new stream

protected:
    void Restart() override { handedOnAtRestart_ = handedOn_.load(); }

private:
    std::vector<std::unique_ptr<MediaSample>> jobs_;
    testds::Latch gate_;
};

TEST(ParallelTransformFilter, ANewSegmentWaitsForTheFramesOfTheSegmentBefore)
{
    Chain<GatedCopy> chain(VideoType());
    ASSERT_TRUE(chain.Connected());
    GatedCopy& filter = *chain.filter;
    chain.Start();
    const int64_t frame = 400000, second = 10000000;
    for (int64_t i = 0; i < 4; ++i) // taken at once: the workers hold them at the gate
        ASSERT_EQ(chain.source.Send(&i, sizeof i, i * frame, (i + 1) * frame), S_OK);

    // The new segment arrives from another thread while the four frames are held. It may only go
    // on once they are out: the gate opens when it waits (asleep in the filter) or, if it does
    // not wait, once it has gone on.
    std::atomic<pid_t> tid{0};
    std::atomic<bool> returned{false};
    std::thread upstream([&] {
        tid = static_cast<pid_t>(::syscall(SYS_gettid));
        chain.source.Output().DeliverNewSegment(second, second + 10 * frame, 1.0);
        returned = true;
    });
    const bool waitedOrWent = testds::Eventually(
        [&] { return returned || filter.handedOnAtRestart_ >= 0 || (tid != 0 && testds::Asleep(tid)); });
    filter.OpenGate();
    upstream.join();
    ASSERT_TRUE(waitedOrWent);
    EXPECT_EQ(filter.handedOnAtRestart_, 4); // the new stream began after the last frame went out

    const int64_t next = 4;
    ASSERT_EQ(chain.source.Send(&next, sizeof next, 0, frame), S_OK);
    EXPECT_EQ(chain.source.End(), S_OK);
    ASSERT_TRUE(testds::Eventually([&] { return chain.sink.SeenSamples().size() == 5; }));
    const std::vector<Seen> seen = chain.sink.SeenSamples();
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].index, static_cast<int64_t>(i));
        EXPECT_EQ(seen[i].segment, i < 4 ? 0 : second) << i; // each in the segment it came in
    }
}

} // namespace
