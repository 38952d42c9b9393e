#include "platform/rtl/DateTime.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>

#include "platform/rtl/DayAndTime.h"
#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"

namespace rtl {

namespace {

constexpr int64_t kUnixDateDelta = 25569; // 1970-01-01 counted from 1899-12-30
constexpr int64_t kMSecsPerDay = 86400000;
// 0001-01-01 and 9999-12-31 as day numbers: the range the calendar routines accept.
constexpr int64_t kMinDay = -693593;
constexpr int64_t kMaxDay = 2958465;

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}

std::mutex gClockMutex;
Clock gClock; // guarded by gClockMutex; empty means the system clock

TDateTime SystemNow()
{
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm local{};
    localtime_r(&secs, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                          local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>(ms % 1000));
}

} // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    out = static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                              kUnixDateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    out = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& out)
{
    TDateTime date = 0, time = 0;
    if (!TryEncodeDate(year, month, day, date) || !TryEncodeTime(hour, min, sec, msec, time))
        return false;
    // Before 1899-12-30 the day is negative and the time of day is still counted forwards.
    out = date < 0 ? date - time : date + time;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime out = 0;
    if (!TryEncodeDate(year, month, day, out))
        throw EConvertError(Message(sid::sRtlDateEncodeError));
    return out;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime out = 0;
    if (!TryEncodeTime(hour, min, sec, msec, out))
        throw EConvertError(Message(sid::sRtlTimeEncodeError));
    return out;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec)
{
    TDateTime out = 0;
    if (TryEncodeDateTime(year, month, day, hour, min, sec, msec, out))
        return out;
    // The message names the part at fault, the date first.
    TDateTime date = 0;
    throw EConvertError(
        Message(TryEncodeDate(year, month, day, date) ? sid::sRtlTimeEncodeError : sid::sRtlDateEncodeError));
}

DayAndTime SplitDateTime(TDateTime dt)
{
    if (!std::isfinite(dt) || std::fabs(dt) > static_cast<double>(kMaxDay - kMinDay))
        throw EConvertError(Message(sid::sRtlInvalidDateTime));
    // The whole part is the day, also below zero, and the fraction's magnitude the time of day;
    // a time that rounds up to 24:00 is midnight of the following day.
    const double whole = std::trunc(dt);
    DayAndTime parts;
    parts.day = static_cast<int64_t>(whole);
    auto ms = static_cast<int64_t>(std::nearbyint(std::fabs(dt - whole) * MSecsPerDay));
    if (ms >= kMSecsPerDay) {
        ms -= kMSecsPerDay;
        ++parts.day;
    }
    parts.msOfDay = static_cast<int>(ms);
    if (parts.day < kMinDay || parts.day > kMaxDay)
        throw EConvertError(Message(sid::sRtlInvalidDateTime));
    return parts;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    CivilFromDays(SplitDateTime(dt).day - kUnixDateDelta, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec)
{
    const int ms = SplitDateTime(dt).msOfDay;
    hour = ms / 3600000;
    min = ms / 60000 % 60;
    sec = ms / 1000 % 60;
    msec = ms % 1000;
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec, int& msec)
{
    DecodeDate(dt, year, month, day);
    DecodeTime(dt, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt)
{
    // Day 0 (1899-12-30) was a Saturday.
    const int64_t day = SplitDateTime(dt).day;
    return static_cast<int>(((day + 6) % 7 + 7) % 7) + 1;
}

TDateTime DateOf(TDateTime dt)
{
    return static_cast<double>(SplitDateTime(dt).day);
}

TDateTime TimeOf(TDateTime dt)
{
    return SplitDateTime(dt).msOfDay / MSecsPerDay;
}

void SetClock(Clock clock)
{
    std::lock_guard lock(gClockMutex);
    gClock = std::move(clock);
}

TDateTime Now()
{
    Clock clock;
    {
        std::lock_guard lock(gClockMutex);
        clock = gClock;
    }
    return clock ? clock() : SystemNow();
}

TDateTime Date()
{
    return DateOf(Now());
}

TDateTime UnixToDateTime(int64_t seconds)
{
    const int64_t day = (seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400) + kUnixDateDelta;
    const int64_t secOfDay = seconds - (day - kUnixDateDelta) * 86400;
    const double time = static_cast<double>(secOfDay) / 86400.0;
    return day < 0 ? static_cast<double>(day) - time : static_cast<double>(day) + time;
}

int64_t DateTimeToUnix(TDateTime dt)
{
    const DayAndTime parts = SplitDateTime(dt);
    const int64_t ms = parts.msOfDay;
    // Whole seconds, halves to even as the class library rounds.
    int64_t secs = ms / 1000;
    const int64_t rest = ms % 1000;
    if (rest > 500 || (rest == 500 && secs % 2 == 1))
        ++secs;
    return (parts.day - kUnixDateDelta) * 86400 + secs;
}

} // namespace rtl
