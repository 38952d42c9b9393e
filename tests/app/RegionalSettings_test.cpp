// The locale's date and time patterns, separators and names, as the formatting routines use them.
#include <gtest/gtest.h>

#include "app/RegionalSettings.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"

using app::RegionalSettingsOf;

namespace {

// The short date and long time ("") and the long date of 2006-12-31 23:05:09.
std::string Show(const char* locale, std::string_view pattern)
{
    const rtl::FormatSettings fs = RegionalSettingsOf(QLocale(locale));
    return rtl::FormatDateTime(pattern, rtl::EncodeDate(2006, 12, 31) + rtl::EncodeTime(23, 5, 9, 0), fs);
}

} // namespace

TEST(RegionalSettings, DatesAndTimesComeOutAsTheLocaleWritesThem)
{
    EXPECT_EQ(Show("en_US", ""), "12/31/06 11:05:09 PM");
    EXPECT_EQ(Show("en_US", "dddddd"), "Sunday, December 31, 2006");
    EXPECT_EQ(Show("de_DE", ""), "31.12.06 23:05:09");
    EXPECT_EQ(Show("de_DE", "dddddd"), "Sonntag, 31. Dezember 2006");
    EXPECT_EQ(Show("fr_FR", "ddddd t"), "31/12/2006 23:05");
    // Quoted and non-Latin text stays; a dropped time zone leaves no blank.
    EXPECT_EQ(Show("zh_CN", ""), "2006/12/31 23:05:09");
    EXPECT_EQ(Show("ja_JP", "tt"), "23時05分09秒");
}

TEST(RegionalSettings, SeparatorsAndNamesFollowTheLocale)
{
    const rtl::FormatSettings de = RegionalSettingsOf(QLocale("de_DE"));
    EXPECT_EQ(de.DateSeparator, ".");
    EXPECT_EQ(de.TimeSeparator, ":");
    EXPECT_EQ(de.DecimalSeparator, ",");
    EXPECT_EQ(de.ShortDateFormat, "dd/mm/yy"); // "/" stands for the separator
    EXPECT_EQ(de.LongMonthNames[0], "Januar");
    EXPECT_EQ(de.LongDayNames[0], "Sonntag");
    EXPECT_EQ(rtl::FloatToStr(29.97, de), "29,97");
    const rtl::FormatSettings us = RegionalSettingsOf(QLocale("en_US"));
    EXPECT_EQ(us.LongTimeFormat, "h:nn:ss ampm");
    EXPECT_EQ(us.TimePMString, "PM");
    EXPECT_EQ(us.ShortDayNames[1], "Mon");
}
