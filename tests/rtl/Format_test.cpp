#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "platform/rtl/Format.h"

using namespace rtl;

namespace {

template <class... Args> std::string F(std::string_view fmt, const Args&... args)
{
    return FormatV(fmt, std::vector<FormatArg>{FormatArg(args)...}, FormatSettings{});
}

} // namespace

TEST(FormatIntegers, PrecisionPadsZerosAndWidthPadsBlanks)
{
    EXPECT_EQ(F("%d:%.2d:%.2d:%.2d", 1, 2, 3, 4), "1:02:03:04");
    EXPECT_EQ(F("%.2d", 123), "123");
    EXPECT_EQ(F("%.3d", -5), "-005");
    EXPECT_EQ(F("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(F("%d", std::numeric_limits<uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(F("%d", static_cast<int8_t>(-1)), "-1"); // a time code's hours read as a signed byte
    EXPECT_EQ(F("%5d|%-5d|", 42, 42), "   42|42   |");
    EXPECT_EQ(F("%6.3d", 7), "   007");
}

TEST(FormatIntegers, UnsignedAndHexShowThe32BitPatternOfNegatives)
{
    EXPECT_EQ(F("%u", -1), "4294967295");
    EXPECT_EQ(F("%x", 255), "FF");
    EXPECT_EQ(F("%x", -1), "FFFFFFFF");
    EXPECT_EQ(F("%x", std::numeric_limits<int32_t>::min()), "80000000");
    EXPECT_EQ(F("%u", std::numeric_limits<int32_t>::min()), "2147483648");
    EXPECT_EQ(F("%x", std::numeric_limits<int64_t>::min()), "8000000000000000");
    EXPECT_EQ(F("%.16X", 0x12345), "0000000000012345");
    EXPECT_EQ(F("%p", 0x1234u), "0000000000001234");
}

TEST(FormatStrings, WidthAndPrecisionCountWholeCharacters)
{
    EXPECT_EQ(F("%10s|%-6s|", "abc", "abc"), "       abc|abc   |");
    EXPECT_EQ(F("%2s", "abcdef"), "abcdef");
    EXPECT_EQ(F("%.2s", "日本語"), "日本");
    EXPECT_EQ(F("%4s", "日本"), "  日本");
    EXPECT_EQ(F("你真的想替换已经存在的 %s文件吗 ?", "/x/a.avi"), "你真的想替换已经存在的 /x/a.avi文件吗 ?");
    EXPECT_EQ(F("%s", std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(F("[%s]", static_cast<const char*>(nullptr)), "[]");
}

TEST(FormatFloats, FixedRoundsHalfAwayFromZero)
{
    EXPECT_EQ(F("%f", 3.14159), "3.14");
    EXPECT_EQ(F("%.2f", 0.125), "0.13");
    EXPECT_EQ(F("%.2f", 2.675), "2.67"); // stored just below the half
    EXPECT_EQ(F("%.0f", -2.5), "-3");
    EXPECT_EQ(F("%.2f", 9.999), "10.00");
    EXPECT_EQ(F("%.3f", -0.0001), "0.000");
    EXPECT_EQ(F("%.2f", 25), "25.00"); // integers are taken as floating values
    EXPECT_EQ(F("%f", -std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(F("%e", std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(FormatFloats, ThousandsSeparatorsAndRegionalNotation)
{
    EXPECT_EQ(F("%.0n", int64_t{10000000000}), "10,000,000,000");
    EXPECT_EQ(F("%.0n", 999.0), "999");
    EXPECT_EQ(F("%.1n", -1234.5), "-1,234.5");
    EXPECT_EQ(F("%.0m", 1234.0), "1,234");
    FormatSettings fs;
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = "\u00a0";
    EXPECT_EQ(FormatV("%n", {1234567.891}, fs), "1\u00a0234\u00a0567,89");
    EXPECT_EQ(FormatV("%10.0n", {1234567.0}, fs), " 1\u00a0234\u00a0567"); // width counts characters
}

TEST(FormatFloats, ExponentAndGeneral)
{
    EXPECT_EQ(F("%e", 1234.5), "1.23450000000000E+003");
    EXPECT_EQ(F("%.3e", -0.000125), "-1.25E-004");
    EXPECT_EQ(F("%g", 100.0), "100");
    EXPECT_EQ(F("%g", 1e20), "1E20");
    EXPECT_EQ(F("%g", 0.000001), "1E-6");
    EXPECT_EQ(F("%g", 29.97002997), "29.97002997");
    EXPECT_EQ(F("%.3g", 29.97002997), "30");
}

TEST(FormatArguments, IndexStarAndPercent)
{
    EXPECT_EQ(F("%1:s %s %0:s", "a", "b", "c"), "b c a");
    EXPECT_EQ(F("%0:s-%0:s", "x"), "x-x");
    EXPECT_EQ(F("%-*d|", 4, 7), "7   |");
    EXPECT_EQ(F("%*.*d", 6, 3, 7), "   007");
    EXPECT_EQ(F("%s%%%s", "a", "b"), "a%b");
    EXPECT_EQ(Format("%s %s %s", "Morvel", "1.0.1", "En"), "Morvel 1.0.1 En");
}

TEST(FormatErrors, MismatchedMissingOrBrokenDirectivesRaise)
{
    EXPECT_THROW(F("%d", 1.5), EConvertError);
    EXPECT_THROW(F("%s", 5), EConvertError);
    EXPECT_THROW(F("%f", "x"), EConvertError);
    EXPECT_THROW(F("%d %d", 1), EConvertError);
    EXPECT_THROW(F("%2:d", 1), EConvertError);
    EXPECT_THROW(F("%*d", "x", 1), EConvertError);
    EXPECT_THROW(F("%k", 1), EConvertError);
    EXPECT_THROW(F("abc %", 1), EConvertError);
    EXPECT_THROW(F("%99999999999d", 1), EConvertError);
    EXPECT_THROW(F("%*d", 1 << 30, 1), EConvertError);
    try {
        F("%d", "x");
        ADD_FAILURE() << "no EConvertError";
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("%d"), std::string::npos);
    }
}

TEST(FormatRobustness, ArbitraryPatternsFormatOrRaiseNeverCrash)
{
    // Patterns may come from a user's preferences: any bytes must give text or EConvertError.
    std::mt19937 rng(12345);
    const std::string alphabet = "%%%%:-.*0123456789dDuxXpsSeEfFgGnNmM '\"ahmnyzctAP/\xe6\x97\xa5";
    const std::vector<FormatArg> args{1, -2, 3.5, "text", uint64_t{4}, 0.0, "", -7.25};
    for (int round = 0; round < 20000; ++round) {
        std::string fmt;
        const size_t length = rng() % 12;
        for (size_t i = 0; i < length; ++i)
            fmt += alphabet[rng() % alphabet.size()];
        try {
            FormatV(fmt, args, FormatSettings{});
        } catch (const EConvertError&) {
        }
    }
}
