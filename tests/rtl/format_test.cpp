#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "platform/rtl/Format.h"

using namespace rtl;

namespace {

template <class... Args>
std::string F(std::string_view fmt, const Args&... args)
{
    return FormatV(fmt, std::vector<FormatArg>{FormatArg(args)...}, FormatSettings{});
}

} // namespace

TEST(FormatIntegers, DecimalWithPrecisionPadsZeros)
{
    EXPECT_EQ(F("%d", 42), "42");
    EXPECT_EQ(F("%.2d", 5), "05");
    EXPECT_EQ(F("%.3d", 7), "007");
    EXPECT_EQ(F("%.2d", 123), "123");
    EXPECT_EQ(F("%.3d", -5), "-005");
    EXPECT_EQ(F("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(F("%d", std::numeric_limits<uint64_t>::max()), "18446744073709551615");
    EXPECT_EQ(F("%d", true), "1");
    EXPECT_EQ(F("%d", static_cast<uint8_t>(200)), "200");
    EXPECT_EQ(F("%d", static_cast<int8_t>(-1)), "-1"); // a time code's hours read as a signed byte
}

TEST(FormatIntegers, TimeCodeAndDurationPatterns)
{
    EXPECT_EQ(F("%d:%.2d:%.2d:%.2d", 1, 2, 3, 4), "1:02:03:04");
    EXPECT_EQ(F("%.2d.%.2d.%.2d.%.2d", 0, 59, 7, 24), "00.59.07.24");
    EXPECT_EQ(F("%dh %.2dmn %.2ds %.2dfr", 1, 2, 3, 4), "1h 02mn 03s 04fr");
    EXPECT_EQ(F("%.2d:%.2d:%.2d,%.3d", 0, 0, 1, 40), "00:00:01,040");
    EXPECT_EQ(F("%d days %dh %dm %ds", -1, -2, -3, -4), "-1 days -2h -3m -4s");
}

TEST(FormatIntegers, UnsignedAndHex)
{
    EXPECT_EQ(F("%u", 42u), "42");
    EXPECT_EQ(F("%u", -1), "4294967295");
    EXPECT_EQ(F("%x", 255), "FF");
    EXPECT_EQ(F("%X", 0xabcdefu), "ABCDEF");
    EXPECT_EQ(F("%x", -1), "FFFFFFFF");
    EXPECT_EQ(F("%x", std::numeric_limits<int64_t>::min()), "8000000000000000");
    EXPECT_EQ(F("%.4x", 10), "000A");
    EXPECT_EQ(F("%p", 0x1234u), "0000000000001234");
}

TEST(FormatIntegers, SizeKeyHexHalves)
{
    const uint32_t high = 1, low = 0xFFFFFFFF;
    EXPECT_EQ(F("%.16x", high) + F("%.16x", low), "000000000000000100000000FFFFFFFF");
    EXPECT_EQ(F("%.16X", 0x12345), "0000000000012345");
}

TEST(FormatWidth, PadsWithBlanksRightOrLeft)
{
    EXPECT_EQ(F("%5d|", 42), "   42|");
    EXPECT_EQ(F("%-5d|", 42), "42   |");
    EXPECT_EQ(F("%6.3d", 7), "   007");
    EXPECT_EQ(F("%10s|", "abc"), "       abc|");
    EXPECT_EQ(F("%-6s|", "abc"), "abc   |");
    EXPECT_EQ(F("%2s", "abcdef"), "abcdef");
}

TEST(FormatStrings, PrecisionCutsWholeCharacters)
{
    EXPECT_EQ(F("%.2s", "abcdef"), "ab");
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
    EXPECT_EQ(F("%.0f", 2.5), "3");
    EXPECT_EQ(F("%.0f", -2.5), "-3");
    EXPECT_EQ(F("%.2f", 9.999), "10.00");
    EXPECT_EQ(F("%.3f", -0.0001), "0.000");
    EXPECT_EQ(F("%.1f", 0.0), "0.0");
    EXPECT_EQ(F("%f", 1e20), "100000000000000000000.00");
    EXPECT_EQ(F("%.2f", 25), "25.00"); // integers are taken as floating values
}

TEST(FormatFloats, ThousandsSeparatorsForN)
{
    EXPECT_EQ(F("%.0n", 1234567.0), "1,234,567");
    EXPECT_EQ(F("%.0n", int64_t{10000000000}), "10,000,000,000");
    EXPECT_EQ(F("%.0n", 999.0), "999");
    EXPECT_EQ(F("%.0n", 1000.0), "1,000");
    EXPECT_EQ(F("%n", 1234567.891), "1,234,567.89");
    EXPECT_EQ(F("%.1n", -1234.5), "-1,234.5");
    EXPECT_EQ(F("%.0m", 1234.0), "1,234");
}

TEST(FormatFloats, RegionalSeparators)
{
    FormatSettings fs;
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = "\u00a0";
    EXPECT_EQ(FormatV("%n", {1234567.891}, fs), "1\u00a0234\u00a0567,89");
    EXPECT_EQ(FormatV("%.1f", {2.25}, fs), "2,3");
    EXPECT_EQ(FormatV("%10.0n", {1234567.0}, fs), " 1\u00a0234\u00a0567"); // width counts characters
}

TEST(FormatFloats, ExponentAndGeneral)
{
    EXPECT_EQ(F("%e", 1234.5), "1.23450000000000E+003");
    EXPECT_EQ(F("%.2e", 1234.5), "1.2E+003");
    EXPECT_EQ(F("%.3e", -0.000125), "-1.25E-004");
    EXPECT_EQ(F("%.3e", 0.0), "0.00E+000");
    EXPECT_EQ(F("%g", 1234.5), "1234.5");
    EXPECT_EQ(F("%g", 100.0), "100");
    EXPECT_EQ(F("%g", 0.5), "0.5");
    EXPECT_EQ(F("%g", 1e20), "1E20");
    EXPECT_EQ(F("%g", 0.000001), "1E-6");
    EXPECT_EQ(F("%g", 0.0), "0");
    EXPECT_EQ(F("%g", 29.97002997), "29.97002997");
    EXPECT_EQ(F("%.3g", 29.97002997), "30");
}

TEST(FormatFloats, NonFiniteValues)
{
    EXPECT_EQ(F("%f", std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(F("%f", -std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(F("%e", std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(FormatArguments, IndexSpecifiersReorderAndContinue)
{
    EXPECT_EQ(F("%1:s %0:s", "a", "b"), "b a");
    EXPECT_EQ(F("%0:s %s", "a", "b"), "a b");
    EXPECT_EQ(F("%1:s %s %0:s", "a", "b", "c"), "b c a");
    EXPECT_EQ(F("%0:s-%0:s", "x"), "x-x");
}

TEST(FormatArguments, StarTakesWidthAndPrecisionFromArguments)
{
    EXPECT_EQ(F("%*d", 5, 42), "   42");
    EXPECT_EQ(F("%-*d|", 4, 7), "7   |");
    EXPECT_EQ(F("%.*f", 1, 2.25), "2.3");
    EXPECT_EQ(F("%*.*d", 6, 3, 7), "   007");
}

TEST(FormatArguments, PercentAndPlainText)
{
    EXPECT_EQ(F("100%%"), "100%");
    EXPECT_EQ(F("no directives"), "no directives");
    EXPECT_EQ(F(""), "");
    EXPECT_EQ(F("%s%%%s", "a", "b"), "a%b");
}

TEST(FormatErrors, MismatchedOrMissingArgumentsRaise)
{
    EXPECT_THROW(F("%d", "x"), EConvertError);
    EXPECT_THROW(F("%d", 1.5), EConvertError);
    EXPECT_THROW(F("%x", 1.5), EConvertError);
    EXPECT_THROW(F("%s", 5), EConvertError);
    EXPECT_THROW(F("%f", "x"), EConvertError);
    EXPECT_THROW(F("%d"), EConvertError);
    EXPECT_THROW(F("%d %d", 1), EConvertError);
    EXPECT_THROW(F("%2:d", 1), EConvertError);
    EXPECT_THROW(F("%*d", "x", 1), EConvertError);
}

TEST(FormatErrors, BrokenDirectivesRaise)
{
    EXPECT_THROW(F("%k", 1), EConvertError);
    EXPECT_THROW(F("abc %", 1), EConvertError);
    EXPECT_THROW(F("%-", 1), EConvertError);
    EXPECT_THROW(F("%99999999999d", 1), EConvertError);
    EXPECT_THROW(F("%*d", 1 << 30, 1), EConvertError);
    try {
        F("%d", "x");
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("%d"), std::string::npos);
    }
}

TEST(FormatDefaults, VariadicFormUsesProcessSettings)
{
    EXPECT_EQ(Format("%s %s %s", "Morvel", "1.0.1", "En"), "Morvel 1.0.1 En");
    EXPECT_EQ(Format("%.2f", 1.5), FormatV("%.2f", {1.5}, DefaultFormatSettings()));
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
