#pragma once
// What the scene detector learns from one DV frame; handed to the scene and subtitle writers,
// the overlay, the probe and the information frame. Plain data, copied freely.
#include <cstdint>
#include <type_traits>

#include "formats/dvcodes.h"
#include "platform/rtl/DateTime.h"

namespace formats {

struct DVFrameInfo {
    uint32_t Frame = 0;         // frame number in the stream, from 0
    uint8_t DateValid = 0;      // RecDate holds a date
    uint8_t TimecodeValid = 0;  // Timecode holds a time code
    uint8_t FormatValid = 0;    // time code, source-control pack and AAUX source pack all present
    rtl::TDateTime RecDate = 0; // 0 when none
    DVTimeCode Timecode;        // keeps the previous frame's value when the frame has none
    uint8_t WideScreen = 0;     // 16:9
    uint8_t Standard = 0;       // kDvSystemPal, kDvSystemNtsc or kDvSystemUnknown
    int32_t AudioRate = -1;     // -1: no AAUX source pack
    int32_t AudioBits = -1;     // -1: no AAUX source pack
    uint8_t PeriodMark = 1;     // 0 on the frame where the periodic mark fell
};

// Other threads never read the detector's own records: it publishes a copy of each frame's under
// a lock (Tdv_sceneDetect::CurrentInfo). Plain data, so that copy is a cheap memberwise one.
static_assert(std::is_trivially_copyable_v<DVFrameInfo>);
static_assert(std::is_standard_layout_v<DVFrameInfo>);

} // namespace formats
