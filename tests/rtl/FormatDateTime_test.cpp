#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "platform/rtl/FormatDateTime.h"

using namespace rtl;

namespace {

// Separators that differ from the letters' defaults, so their substitution shows.
FormatSettings Regional()
{
    FormatSettings fs;
    fs.DateSeparator = "-";
    fs.TimeSeparator = ".";
    return fs;
}

// Saturday 4 March 2006, 05:06:07.008
const TDateTime kMorning = EncodeDateTime(2006, 3, 4, 5, 6, 7, 8);
const TDateTime kEvening = EncodeDateTime(2006, 3, 4, 17, 6, 7, 8);

std::string F(std::string_view pattern, TDateTime dt = kMorning)
{
    return FormatDateTime(pattern, dt, Regional());
}

struct Case {
    const char* pattern;
    const char* want;
};

void ExpectAll(std::initializer_list<Case> cases, TDateTime dt = kMorning)
{
    for (const Case& c : cases)
        EXPECT_EQ(F(c.pattern, dt), c.want) << '"' << c.pattern << '"';
}

} // namespace

TEST(FormatDateTimeLetters, EveryLetterInAnyCase)
{
    ExpectAll({{"d", "4"},
               {"dd", "04"},
               {"ddd", "Sat"},
               {"dddd", "Saturday"},
               {"ddddd", "04-03-2006"},
               {"dddddd", "Saturday 4 March 2006"},
               {"m", "3"},
               {"mm", "03"},
               {"mmm", "Mar"},
               {"mmmm", "March"},
               {"yy", "06"},
               {"yyyy", "2006"},
               {"h", "5"},
               {"hh", "05"},
               {"n", "6"},
               {"nn", "06"},
               {"s", "7"},
               {"ss", "07"},
               {"z", "8"},
               {"zzz", "008"},
               {"t", "05.06"},
               {"tt", "05.06.07"},
               {"YYYYMMDDHHNNSS", "20060304050607"},
               {"Dddd", "Saturday"}});
    EXPECT_EQ(F("yyyy", EncodeDate(5, 1, 1)), "0005");
    EXPECT_EQ(F("hh", kEvening), "17");
}

TEST(FormatDateTimeText, SeparatorsQuotesAndOtherCharacters)
{
    ExpectAll({{"yyyy/mm/dd hh:nn:ss", "2006-03-04 05.06.07"},
               {"'yyyy' \"dd\" yyyy", "yyyy dd 2006"},
               {"'it''s'", "its"},
               {"dd 'unterminated", "04 unterminated"},
               {"'/:'", "/:"},
               {"yyyy年mm月dd日", "2006年03月04日"},
               {"[dd] #", "[04] #"}});
    EXPECT_EQ(FormatDateTime("yyyy/mm/d", kMorning, FormatSettings{}), "2006/03/4");
}

TEST(FormatDateTimeMinutes, MAfterHourMeansMinutes)
{
    ExpectAll({{"hh:mm", "05.06"},
               {"h:m", "5.6"},
               {"hh'h'mm", "05h06"},
               {"mm hh", "03 05"},
               {"hh nn mm", "05 06 03"}}); // n stands between: the month again
    EXPECT_EQ(FormatDateTime("dddddd 'at' hh:mm:ss", kMorning, FormatSettings{}), "Saturday 4 March 2006 at 05:06:07");
}

TEST(FormatDateTimeTwelveHour, MarkersSwitchHoursToTwelve)
{
    ExpectAll({{"h:nn am/pm", "5.06 pm"},
               {"hh AM/PM", "05 PM"},
               {"h a/p", "5 p"},
               {"hh ampm", "05 PM"},
               {"ampm h", "PM 5"},
               {"hh 'am/pm'", "17 am/pm"}},
              kEvening);
    ExpectAll({{"h A/P", "5 A"}, {"a", "a"}});
    EXPECT_EQ(F("h am/pm", EncodeDateTime(2006, 3, 4, 0, 30, 0, 0)), "12 am");
    EXPECT_EQ(F("h am/pm", EncodeDateTime(2006, 3, 4, 12, 0, 0, 0)), "12 pm");
    FormatSettings fs = Regional();
    fs.TimeAMString = "上午";
    fs.TimePMString = "下午";
    EXPECT_EQ(FormatDateTime("ampm h:nn", kEvening, fs), "下午 5.06");
}

TEST(FormatDateTimeEmpty, ShortDateThenLongTimeButNoTimeAtMidnight)
{
    ExpectAll({{"", "04-03-2006 05.06.07"}, {"c", "04-03-2006 05.06.07"}});
    ExpectAll({{"", "04-03-2006"}, {"c", "04-03-2006"}}, EncodeDate(2006, 3, 4));
    EXPECT_EQ(F("", EncodeDateTime(2006, 3, 4, 0, 0, 1, 0)), "04-03-2006 00.00.01");
    EXPECT_EQ(F("", EncodeDate(2006, 3, 5) - 0.0001 / 86400), "05-03-2006"); // rounds to midnight
    EXPECT_EQ(DateTimeToStr(EncodeDate(2006, 3, 4)), DateToStr(kMorning));
}

TEST(FormatDateTimeValues, RoundingNegativeDatesAndOutOfRange)
{
    const TDateTime almost = EncodeDate(2006, 12, 31) + 86399999.6 / MSecsPerDay;
    EXPECT_EQ(F("yyyymmddhhnnsszzz", almost), "20070101000000000");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", EncodeDateTime(2006, 12, 31, 23, 30, 0, 0) + 1.0 / 24), "2007-01-01 00.30");
    EXPECT_EQ(F("yyyymmdd hh:nn", -1.25), "18991229 06.00");
    EXPECT_THROW(F("yyyy", 1e12), EConvertError);
    EXPECT_THROW(F("yyyy", std::numeric_limits<double>::quiet_NaN()), EConvertError);
    FormatSettings fs;
    fs.ShortDateFormat = "ddddd|"; // refers to itself: must stop
    EXPECT_EQ(FormatDateTime("ddddd", kMorning, fs), "||");
}

TEST(FormatDateTimeValues, ArbitraryPatternsNeverCrash)
{
    std::mt19937 rng(54321);
    const std::string letters = "dmyhnsztcaAMPp/:'\" x\xe6\x97\xa5";
    for (int round = 0; round < 20000; ++round) {
        std::string pattern;
        const size_t length = rng() % 14;
        for (size_t i = 0; i < length; ++i)
            pattern += letters[rng() % letters.size()];
        const TDateTime dt = (static_cast<double>(rng() % 4000000) - 700000.0) + (rng() % 1000) / 1000.0;
        try {
            F(pattern, dt);
        } catch (const EConvertError&) {
            ASSERT_TRUE(dt < -693593 || dt >= 2958466) << dt; // only outside the calendar
        }
    }
}
