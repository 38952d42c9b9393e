#pragma once
// Regional settings used by FormatDateTime and friends. The program fills the process-wide
// settings from the user's locale at start; tests use fixed values.
#include <array>
#include <string>

namespace rtl {

struct FormatSettings {
    std::string DateSeparator = "/";
    std::string TimeSeparator = ":";
    std::string DecimalSeparator = ".";
    std::string ThousandSeparator = ",";
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongDateFormat = "dddd d mmmm yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    std::string TimeAMString = "AM";
    std::string TimePMString = "PM";
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                               "July",    "August",   "September", "October", "November", "December"};
    // Index 0 is Sunday.
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
};

// The process-wide settings. Written once at program start (GUI thread), read everywhere.
FormatSettings& DefaultFormatSettings();

} // namespace rtl
