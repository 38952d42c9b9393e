#pragma once
// The graph's reference clock: a monotonic time in 100 ns units. A running renderer presents a
// sample with start time t at run-start + t; with no clock (SetSyncSource(nullptr)) it never waits.
#include <chrono>

#include "platform/dshow/Result.h"

namespace ds {

class ReferenceClock {
public:
    virtual ~ReferenceClock() = default;
    virtual REFERENCE_TIME GetTime() const
    {
        auto now = std::chrono::steady_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
    }
};

} // namespace ds
