// Frames worked on side by side and finished in their order: once the filters downstream refuse a
// frame, the frames after it, those already in the workers' hands and those given later, are let
// go without being handed on, until a restart. (Run under ThreadSanitizer too.)
#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/filters/OrderedWorkers.h"
#include "tests/dshow/GraphHelpers.h"

namespace {

using namespace ds;

struct Finished {
    int frame = -1;
    bool worked = false;
    bool given = false;
    bool operator==(const Finished&) const = default;
};

TEST(OrderedWorkers, FramesAfterARefusalDownstreamAreNotHandedOnUntilARestart)
{
    constexpr int kJobs = 8;
    constexpr int kRefused = 2;
    std::vector<int> frameOf(kJobs, -1); // each slot's frame, written before the slot is submitted
    testds::Latch gate;                  // the workers wait here
    std::mutex lock;
    std::vector<Finished> finished; // guarded by lock
    OrderedWorkers workers;
    workers.Start(
        3, kJobs,
        [&](int, int) {
            gate.Wait();
            return true;
        },
        [&](int job, bool worked, bool give) -> HRESULT {
            const int frame = frameOf[static_cast<size_t>(job)];
            std::lock_guard<std::mutex> guard(lock);
            finished.push_back({frame, worked, give});
            return give && frame == kRefused ? S_FALSE : S_OK; // downstream wants no more
        });
    auto submit = [&](int frame) -> HRESULT {
        const int job = workers.Reserve();
        if (job < 0)
            return E_FAIL;
        frameOf[static_cast<size_t>(job)] = frame;
        return workers.Submit(job, true);
    };

    // Six frames in the workers' hands before the first is finished: the three after the refused
    // one are done too, yet only let go.
    for (int frame = 0; frame < 6; ++frame)
        ASSERT_EQ(submit(frame), S_OK) << frame;
    gate.Open();
    EXPECT_EQ(workers.Drain(), S_FALSE);
    // A frame given after the refusal hears it at once and is let go as well.
    EXPECT_EQ(submit(6), S_FALSE);
    EXPECT_EQ(workers.Drain(), S_FALSE);
    // A new stream hands its frames on again.
    workers.Restart();
    EXPECT_EQ(submit(7), S_OK);
    EXPECT_EQ(workers.Drain(), S_OK);
    workers.Stop();

    EXPECT_EQ(finished, (std::vector<Finished>{{0, true, true},
                                               {1, true, true},
                                               {2, true, true},
                                               {3, true, false},
                                               {4, true, false},
                                               {5, true, false},
                                               {6, true, false},
                                               {7, true, true}}));
}

} // namespace
