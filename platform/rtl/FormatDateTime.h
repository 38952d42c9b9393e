#pragma once
// The class library's date formatting: d dd ddd dddd ddddd dddddd m mm mmm mmmm yy yyyy
// h hh n nn s ss z zzz t tt am/pm a/p ampm, / and : as the regional separators, literal text in
// single or double quotes, m/mm right after h/hh meaning minutes, and an empty pattern giving the
// short date followed by the long time (the time left out at exact midnight).
#include <string>
#include <string_view>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace rtl {

std::string FormatDateTime(std::string_view pattern, TDateTime dt, const FormatSettings& fs);
std::string FormatDateTime(std::string_view pattern, TDateTime dt); // process-wide settings

std::string DateToStr(TDateTime dt);     // short date
std::string TimeToStr(TDateTime dt);     // long time
std::string DateTimeToStr(TDateTime dt); // short date + long time (no time at midnight)

} // namespace rtl
