#pragma once
// Internal to the runtime: a date-time split into its day number and its time of day, rounded
// to whole milliseconds.
#include <cstdint>

#include "platform/rtl/DateTime.h"

namespace rtl {

struct DayAndTime {
    int64_t day = 0; // days from 1899-12-30, negative before it
    int msOfDay = 0; // 0 .. 86399999
};

// Raises EConvertError for values outside the years 1 to 9999 (and for NaN or infinity).
DayAndTime SplitDateTime(TDateTime dt);

} // namespace rtl
