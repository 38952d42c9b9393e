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

// A filter that can pace the whole graph (an audio renderer playing on a device). A graph whose
// clock the application did not choose takes the first one offered when it pauses from stopped.
class ClockProvider {
public:
    virtual ~ClockProvider() = default;
    virtual ReferenceClock* ProvidedClock() = 0; // null while it has none to offer
};

} // namespace ds
