#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <limits>

#include "platform/rtl/DateTime.h"

using namespace rtl;

namespace {

struct Parts {
    int y, mo, d, h, mi, s, ms;
    bool operator==(const Parts&) const = default;
};

Parts Decode(TDateTime dt)
{
    Parts p{};
    DecodeDateTime(dt, p.y, p.mo, p.d, p.h, p.mi, p.s, p.ms);
    return p;
}

std::ostream& operator<<(std::ostream& os, const Parts& p)
{
    return os << p.y << '-' << p.mo << '-' << p.d << ' ' << p.h << ':' << p.mi << ':' << p.s << '.' << p.ms;
}

} // namespace

TEST(Calendar, AgreesWithTheStandardCalendarOverTheWholeRange)
{
    using namespace std::chrono;
    const sys_days epoch = year{1899} / December / 30;
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    for (int y = 1; y <= 9999; y += 7) {
        for (int m : {1, 2, 7, 12}) {
            const int last = DaysInAMonth(y, m);
            for (int d : {1, 15, last}) {
                const sys_days sd = year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)};
                const TDateTime dt = EncodeDate(y, m, d);
                ASSERT_EQ(dt, static_cast<double>((sd - epoch).count())) << y << '-' << m << '-' << d;
                int yy, mm, dd;
                DecodeDate(dt < 0 ? dt - 0.75 : dt + 0.75, yy, mm, dd); // 18:00 that day
                ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
                ASSERT_EQ(DayOfWeek(dt), static_cast<int>(weekday{sd}.c_encoding()) + 1);
            }
        }
    }
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_EQ(DaysInAMonth(2023, 13), 0);
}

TEST(Encode, InvalidFieldsRaiseOrFailTheTryForms)
{
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 4, 31), EConvertError);
    EXPECT_THROW(EncodeDate(2023, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeDateTime(2024, 2, 1, 0, 0, 0, 1000), EConvertError);
    TDateTime dt = 123;
    EXPECT_FALSE(TryEncodeDateTime(2023, 1, 1, 0, 60, 0, 0, dt));
    EXPECT_TRUE(TryEncodeDateTime(2024, 2, 29, 12, 0, 0, 0, dt));
    EXPECT_EQ(dt, EncodeDate(2024, 2, 29) + 0.5);
}

// Both entry points give one value, also before 1899-12-30 where the day counts backwards and
// the time of day forwards.
TEST(Encode, TheTryFormGivesTheSameValueOnBothSidesOfTheEpoch)
{
    for (const int year : {1899, 1600, 2006}) {
        TDateTime dt = 0;
        ASSERT_TRUE(TryEncodeDateTime(year, 12, 29, 6, 0, 0, 0, dt));
        EXPECT_EQ(dt, EncodeDateTime(year, 12, 29, 6, 0, 0, 0)) << year;
    }
}

TEST(Decode, RoundsToMillisecondsAndKeepsNegativeTimesForward)
{
    const TDateTime eve = EncodeDate(2006, 12, 31);
    const struct {
        TDateTime value;
        Parts want;
    } cases[] = {
        {EncodeDateTime(2006, 12, 31, 23, 30, 0, 0) + 1.0 / 24, {2007, 1, 1, 0, 30, 0, 0}},
        {eve + 86399999.6 / MSecsPerDay, {2007, 1, 1, 0, 0, 0, 0}},
        {eve + 86399999.4 / MSecsPerDay, {2006, 12, 31, 23, 59, 59, 999}},
        {EncodeDateTime(9999, 12, 31, 23, 59, 59, 999), {9999, 12, 31, 23, 59, 59, 999}},
        {EncodeDateTime(1, 1, 1, 0, 0, 0, 1), {1, 1, 1, 0, 0, 0, 1}},
        // Before 1899-12-30 the integer part is the day and the fraction counts forwards.
        {-1.25, {1899, 12, 29, 6, 0, 0, 0}},
        {-0.5, {1899, 12, 30, 12, 0, 0, 0}},
        // A hair before midnight of 1899-12-29 rounds forwards to the 30th, not back to the 28th.
        {-1.9999999999, {1899, 12, 30, 0, 0, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Decode(c.value), c.want) << c.value;
    EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(DayOfWeek(EncodeDateTime(1899, 12, 29, 18, 0, 0, 0)), 6);
    EXPECT_EQ(DateOf(-1.25), -1.0);
    EXPECT_EQ(TimeOf(-1.25), 0.25);
    EXPECT_EQ(DateOf(eve + 86399999.6 / MSecsPerDay), EncodeDate(2007, 1, 1));
    EXPECT_EQ(TimeOf(eve + 86399999.6 / MSecsPerDay), 0.0);
}

TEST(Decode, ValuesOutsideTheCalendarRaise)
{
    int y, m, d;
    EXPECT_THROW(DecodeDate(1e9, y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(-1e9, y, m, d), EConvertError);
    EXPECT_THROW(DecodeDate(std::numeric_limits<double>::quiet_NaN(), y, m, d), EConvertError);
}

TEST(Clock, InjectedClockDrivesNowAndDateAndTheDefaultIsLocalTime)
{
    SetClock([] { return EncodeDateTime(2006, 12, 31, 23, 59, 58, 0); });
    EXPECT_EQ(Now(), EncodeDateTime(2006, 12, 31, 23, 59, 58, 0));
    EXPECT_EQ(Date(), EncodeDate(2006, 12, 31));
    SetClock({});
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    const TDateTime expected = EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                              local.tm_min, local.tm_sec, 0);
    EXPECT_NEAR(Now(), expected, 60.0 / 86400);
}

TEST(Unix, SecondsConvertBothWays)
{
    EXPECT_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2001, 9, 9, 1, 46, 40, 0)), 1000000000);
    EXPECT_EQ(Decode(UnixToDateTime(-1)), (Parts{1969, 12, 31, 23, 59, 59, 0}));
    EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1899, 12, 29, 18, 0, 0, 0)), -2209161600 - 6 * 3600);
}

TEST(Unix, HalfSecondsRoundToEven)
{
    const struct {
        int sec, msec;
        int64_t want;
    } cases[] = {{0, 500, 0}, {1, 500, 2}, {2, 500, 2}, {3, 500, 4}, {2, 501, 3}, {3, 499, 3}};
    for (const auto& c : cases)
        EXPECT_EQ(DateTimeToUnix(EncodeDateTime(1970, 1, 1, 0, 0, c.sec, c.msec)), c.want) << c.sec << '.' << c.msec;
}
