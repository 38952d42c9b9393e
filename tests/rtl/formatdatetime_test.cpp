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

} // namespace

TEST(FormatDateTimeLetters, DayLetters)
{
    EXPECT_EQ(F("d"), "4");
    EXPECT_EQ(F("dd"), "04");
    EXPECT_EQ(F("ddd"), "Sat");
    EXPECT_EQ(F("dddd"), "Saturday");
    EXPECT_EQ(F("ddddd"), "04-03-2006");
    EXPECT_EQ(F("dddddd"), "Saturday 4 March 2006");
}

TEST(FormatDateTimeLetters, MonthAndYearLetters)
{
    EXPECT_EQ(F("m"), "3");
    EXPECT_EQ(F("mm"), "03");
    EXPECT_EQ(F("mmm"), "Mar");
    EXPECT_EQ(F("mmmm"), "March");
    EXPECT_EQ(F("yy"), "06");
    EXPECT_EQ(F("yyyy"), "2006");
    EXPECT_EQ(F("yyyy", EncodeDate(5, 1, 1)), "0005");
}

TEST(FormatDateTimeLetters, TimeLetters)
{
    EXPECT_EQ(F("h"), "5");
    EXPECT_EQ(F("hh"), "05");
    EXPECT_EQ(F("n"), "6");
    EXPECT_EQ(F("nn"), "06");
    EXPECT_EQ(F("s"), "7");
    EXPECT_EQ(F("ss"), "07");
    EXPECT_EQ(F("z"), "8");
    EXPECT_EQ(F("zzz"), "008");
    EXPECT_EQ(F("t"), "05.06");
    EXPECT_EQ(F("tt"), "05.06.07");
    EXPECT_EQ(F("hh", kEvening), "17");
}

TEST(FormatDateTimeLetters, LettersIgnoreCase)
{
    EXPECT_EQ(F("YYYYMMDDHHNNSS"), "20060304050607");
    EXPECT_EQ(F("Dddd"), "Saturday");
    EXPECT_EQ(F("ZZZ"), "008");
}

TEST(FormatDateTimeText, SeparatorsAreRegional)
{
    EXPECT_EQ(F("yyyy/mm/dd hh:nn:ss"), "2006-03-04 05.06.07");
    EXPECT_EQ(FormatDateTime("yyyy/mm/d", kMorning, FormatSettings{}), "2006/03/4");
}

TEST(FormatDateTimeText, QuotedTextIsLiteral)
{
    EXPECT_EQ(F("'yyyy' \"dd\" yyyy"), "yyyy dd 2006");
    EXPECT_EQ(F("'it''s'"), "its");
    EXPECT_EQ(F("dd 'unterminated"), "04 unterminated");
    EXPECT_EQ(F("'/:'"), "/:");
}

TEST(FormatDateTimeText, OtherCharactersAndUtf8PassThrough)
{
    EXPECT_EQ(F("yyyy年mm月dd日"), "2006年03月04日");
    EXPECT_EQ(F("[dd] #"), "[04] #");
    EXPECT_EQ(F("x"), "x");
}

TEST(FormatDateTimeMinutes, MAfterHourMeansMinutes)
{
    EXPECT_EQ(F("hh:mm"), "05.06");
    EXPECT_EQ(F("h:m"), "5.6");
    EXPECT_EQ(F("hh'h'mm"), "05h06");
    EXPECT_EQ(F("mm hh"), "03 05");
    EXPECT_EQ(F("hh nn mm"), "05 06 03"); // n stands between: the month again
    EXPECT_EQ(FormatDateTime("dddddd 'at' hh:mm:ss", kMorning, FormatSettings{}),
              "Saturday 4 March 2006 at 05:06:07");
    EXPECT_EQ(FormatDateTime("h:mm:ss", kMorning, FormatSettings{}), "5:06:07");
}

TEST(FormatDateTimeTwelveHour, MarkersSwitchHoursToTwelve)
{
    EXPECT_EQ(F("h:nn am/pm", kEvening), "5.06 pm");
    EXPECT_EQ(F("h:nn am/pm"), "5.06 am");
    EXPECT_EQ(F("hh AM/PM", kEvening), "05 PM");
    EXPECT_EQ(F("h a/p", kEvening), "5 p");
    EXPECT_EQ(F("h A/P"), "5 A");
    EXPECT_EQ(F("hh ampm", kEvening), "05 PM");
    EXPECT_EQ(F("ampm h", kEvening), "PM 5"); // the marker may come first
}

TEST(FormatDateTimeTwelveHour, MidnightAndNoonAreTwelve)
{
    EXPECT_EQ(F("h am/pm", EncodeDateTime(2006, 3, 4, 0, 30, 0, 0)), "12 am");
    EXPECT_EQ(F("h am/pm", EncodeDateTime(2006, 3, 4, 12, 0, 0, 0)), "12 pm");
}

TEST(FormatDateTimeTwelveHour, AmpmUsesTheRegionalStrings)
{
    FormatSettings fs = Regional();
    fs.TimeAMString = "上午";
    fs.TimePMString = "下午";
    EXPECT_EQ(FormatDateTime("ampm h:nn", kEvening, fs), "下午 5.06");
    EXPECT_EQ(FormatDateTime("ampm h:nn", kMorning, fs), "上午 5.06");
}

TEST(FormatDateTimeTwelveHour, QuotedMarkerDoesNotSwitch)
{
    EXPECT_EQ(F("hh 'am/pm'", kEvening), "17 am/pm");
    EXPECT_EQ(F("a"), "a");
}

TEST(FormatDateTimeEmpty, ShortDateThenLongTime)
{
    EXPECT_EQ(F(""), "04-03-2006 05.06.07");
    EXPECT_EQ(F("c"), "04-03-2006 05.06.07");
}

TEST(FormatDateTimeEmpty, NoTimeAtExactMidnight)
{
    EXPECT_EQ(F("", EncodeDate(2006, 3, 4)), "04-03-2006");
    EXPECT_EQ(F("c", EncodeDate(2006, 3, 4)), "04-03-2006");
    EXPECT_EQ(F("", EncodeDateTime(2006, 3, 4, 0, 0, 1, 0)), "04-03-2006 00.00.01");
    // A value a hair below midnight rounds to it.
    EXPECT_EQ(F("", EncodeDate(2006, 3, 5) - 0.0001 / 86400), "05-03-2006");
}

TEST(FormatDateTimeEmpty, DefaultSettingsHelpers)
{
    EXPECT_EQ(DateToStr(kMorning), FormatDateTime("ddddd", kMorning, DefaultFormatSettings()));
    EXPECT_EQ(TimeToStr(kMorning), FormatDateTime("tt", kMorning, DefaultFormatSettings()));
    EXPECT_EQ(DateTimeToStr(EncodeDate(2006, 3, 4)), DateToStr(kMorning));
}

TEST(FormatDateTimeValues, RoundingCarriesIntoTheNextDay)
{
    const TDateTime almost = EncodeDate(2006, 12, 31) + 86399999.6 / MSecsPerDay;
    EXPECT_EQ(F("yyyymmddhhnnsszzz", almost), "20070101000000000");
    EXPECT_EQ(F("yyyy-mm-dd hh:nn", EncodeDateTime(2006, 12, 31, 23, 30, 0, 0) + 1.0 / 24), "2007-01-01 00.30");
}

TEST(FormatDateTimeValues, NegativeDatesBeforeTheEpoch)
{
    EXPECT_EQ(F("yyyymmdd hh:nn", -1.25), "18991229 06.00");
}

TEST(FormatDateTimeValues, ValuesOutsideTheCalendarRaise)
{
    EXPECT_THROW(F("yyyy", 1e12), EConvertError);
    EXPECT_THROW(F("yyyy", std::numeric_limits<double>::quiet_NaN()), EConvertError);
}

TEST(FormatDateTimeValues, SelfReferencingRegionalFormatStops)
{
    FormatSettings fs;
    fs.ShortDateFormat = "ddddd|";
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
