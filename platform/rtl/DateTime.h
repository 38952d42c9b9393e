#pragma once
// TDateTime: the class library's date-time, a double counting days since 1899-12-30 00:00;
// the fraction is the time of day.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace rtl {

using TDateTime = double;

// Raised by the conversion routines on invalid fields or texts (EConvertError).
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// Encode* raise EConvertError on invalid fields; Try* return false instead.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& out);

// Decode* round the value to whole milliseconds first, so 23:30 + 1/24 decodes as 00:30:00.000
// of the next day.
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec);

// 1 = Sunday ... 7 = Saturday, as the class library counts.
int DayOfWeek(TDateTime dt);

// Whole-day and time-of-day parts (negative dates as the class library stores them).
TDateTime DateOf(TDateTime dt);
TDateTime TimeOf(TDateTime dt);

// Now() reads the process clock; tests inject a fixed one. An empty function restores the
// system clock (local time).
using Clock = std::function<TDateTime()>;
void SetClock(Clock clock);
TDateTime Now();
TDateTime Date();

// Conversions to and from Unix time (seconds since 1970-01-01, no time zone applied).
TDateTime UnixToDateTime(int64_t seconds);
int64_t DateTimeToUnix(TDateTime dt);

} // namespace rtl
