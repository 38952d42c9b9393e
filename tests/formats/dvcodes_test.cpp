// Decoding and encoding of the DV packs, on frames built in code.
#include <gtest/gtest.h>

#include <vector>

#include "formats/dvcodes.h"
#include "tests/kit/DvFrameBuilder.h"

using namespace formats;
using testkit::DvFrameBuilder;
using testkit::Standard;

namespace {

constexpr size_t kSeq = 12000;

RecDateTime DecodeDate(const std::vector<uint8_t>& f, int n = 0)
{
    RecDateTime dt;
    DecodeRecDateTime(f.data(), f.size(), n, dt);
    return dt;
}

void ExpectDate(const RecDateTime& dt, int y, int mo, int d, int h, int mi, int s)
{
    EXPECT_EQ(dt.Year, y);
    EXPECT_EQ(dt.Month, mo);
    EXPECT_EQ(dt.Day, d);
    EXPECT_EQ(dt.Hour, h);
    EXPECT_EQ(dt.Minute, mi);
    EXPECT_EQ(dt.Second, s);
}

} // namespace

// --- BCD fields, with and without the flag bits that cameras set beside them ---

TEST(DvBcd, DecodesDateAndTimeCodeOfEverySequence)
{
    for (bool flags : {false, true}) {
        auto f = DvFrameBuilder(Standard::Pal).cameraFlags(flags).recDate(2006, 12, 31, 23, 59, 58)
                     .timecode(1, 2, 3, 4).build();
        for (int n = 0; n < 12; ++n) {
            ExpectDate(DecodeDate(f, n), 2006, 12, 31, 23, 59, 58);
            const DVTimeCode tc = DecodeTimeCode(f.data(), f.size(), n);
            EXPECT_EQ(tc.Hours, 1);
            EXPECT_EQ(tc.Minutes, 2);
            EXPECT_EQ(tc.Seconds, 3);
            EXPECT_EQ(tc.Frames, 4);
        }
    }
}

TEST(DvBcd, HighestDigitsSurviveTheMasks)
{
    auto f = DvFrameBuilder(Standard::Ntsc).cameraFlags().recDate(1999, 10, 29, 19, 49, 39)
                 .timecode(23, 59, 59, 29).build();
    ExpectDate(DecodeDate(f), 1999, 10, 29, 19, 49, 39);
    const DVTimeCode tc = DecodeTimeCode(f.data(), f.size(), 9);
    EXPECT_EQ(tc.Hours, 23);
    EXPECT_EQ(tc.Minutes, 59);
    EXPECT_EQ(tc.Seconds, 59);
    EXPECT_EQ(tc.Frames, 29);
}

TEST(DvBcd, OutOfRangeDigitsDecodeUnchecked)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    f[461] = 0x1F; // month tens 1, units 15
    f[462] = 0xAB; // year tens 10, units 11: 111, past 40 so 1900 + 111
    EXPECT_EQ(DecodeDate(f).Month, 25);
    EXPECT_EQ(DecodeDate(f).Year, 2011);
    f[462] = 0xFF; // the whole tens nibble counts: 165
    EXPECT_EQ(DecodeDate(f).Year, 2065);
}

TEST(DvBcd, TimeCodeNeedsThePackInBothSubcodeBlocks)
{
    auto f = DvFrameBuilder(Standard::Pal).timecode(1, 2, 3, 4).build();
    f[190] = 0xFF;
    EXPECT_EQ(DecodeTimeCode(f.data(), f.size(), 0).Hours, 255);
    EXPECT_EQ(DecodeTimeCode(f.data(), f.size(), 1).Hours, 1);

    auto none = DvFrameBuilder(Standard::Pal).noTimecode().build();
    EXPECT_EQ(DecodeTimeCode(none.data(), none.size(), 0).Hours, 255);
}

// --- Date pack ids and the century rule ---

TEST(DvDatePacks, CenturyRuleSplitsAtForty)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    const struct { uint8_t byte; int year; } cases[] = {
        {0x39, 2039}, {0x40, 1940}, {0x99, 1999}, {0x05, 2005}, {0x00, 2000}};
    for (const auto& c : cases) {
        f[462] = c.byte;
        EXPECT_EQ(DecodeDate(f).Year, c.year) << int(c.byte);
    }
}

TEST(DvDatePacks, ZeroPackIdsCountAsDatePacks)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    for (size_t i = 458; i < 468; ++i)
        f[i] = 0;
    ExpectDate(DecodeDate(f), 2000, 0, 0, 0, 0, 0);
}

TEST(DvDatePacks, AnyOtherPackIdMeansNoDate)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    f[458] = 0xFF;
    EXPECT_EQ(DecodeDate(f).Year, -1);
    f = DvFrameBuilder(Standard::Pal).build();
    f[463] = 0x13;
    EXPECT_EQ(DecodeDate(f).Year, -1);
    auto none = DvFrameBuilder(Standard::Ntsc).noRecDate().build();
    EXPECT_EQ(DecodeDate(none).Year, -1);
}

// --- Writing the date back ---

TEST(DvEncode, RoundTripsEveryFieldAtItsLimits)
{
    auto f = DvFrameBuilder(Standard::Pal).cameraFlags().recDate(2001, 1, 1, 0, 0, 0).build();
    RecDateTime dt{2006, 12, 31, 23, 59, 59};
    ASSERT_TRUE(EncodeRecDateTime(f.data(), f.size(), dt, 3));
    ExpectDate(DecodeDate(f, 3), 2006, 12, 31, 23, 59, 59);
    ExpectDate(DecodeDate(f, 2), 2001, 1, 1, 0, 0, 0); // other sequences untouched
}

TEST(DvEncode, OnlyTwoYearDigitsAreStored)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    RecDateTime dt{1999, 6, 15, 12, 30, 45};
    EncodeRecDateTime(f.data(), f.size(), dt, 0);
    EXPECT_EQ(DecodeDate(f).Year, 1999);
    dt.Year = 2045;
    EncodeRecDateTime(f.data(), f.size(), dt, 0);
    EXPECT_EQ(DecodeDate(f).Year, 1945);
}

TEST(DvEncode, KeepsTheBitsTheFieldsDoNotOwn)
{
    auto f = DvFrameBuilder(Standard::Pal).cameraFlags().build();
    const uint8_t pc1Date = 0x5A, pc1Time = 0xA5;
    f[459] = pc1Date;
    f[464] = pc1Time;
    RecDateTime dt{2010, 2, 3, 4, 5, 6};
    EncodeRecDateTime(f.data(), f.size(), dt, 0);
    EXPECT_EQ(f[459], pc1Date);
    EXPECT_EQ(f[464], pc1Time);
    EXPECT_EQ(f[465], 0x86); // bi-phase bit kept
    EXPECT_EQ(f[466], 0x85);
    EXPECT_EQ(f[467], 0xC4); // two reserved bits kept
    EXPECT_EQ(f[460], 0xC3);
    EXPECT_EQ(f[461], 0xE2); // day-of-week bits kept
    EXPECT_EQ(f[462], 0x10);
}

TEST(DvEncode, BuilderThroughEncoderMatchesBuilderBytes)
{
    const auto direct = DvFrameBuilder(Standard::Ntsc).recDate(2008, 2, 29, 13, 14, 15).build();
    const auto encoded = DvFrameBuilder(Standard::Ntsc).recDate(2008, 2, 29, 13, 14, 15)
                             .recDateThroughEncoder().build();
    EXPECT_EQ(direct, encoded);
}

// --- TV system, aspect ratio and audio ---

TEST(DvFormat, SystemByteComparedExactly)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemPal);
    f[3] = 0x3F;
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemNtsc);
    f[3] = 0x3E;
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemUnknown);
    auto n = DvFrameBuilder(Standard::Ntsc).build();
    EXPECT_EQ(DVSystem(n.data(), n.size()), kDvSystemNtsc);
}

TEST(DvFormat, WideScreenByDisplayMode)
{
    for (Standard s : {Standard::Pal, Standard::Ntsc}) {
        auto w = DvFrameBuilder(s).cameraFlags().wide(true).build();
        EXPECT_TRUE(IsWideScreen(w.data(), w.size()));
        auto n = DvFrameBuilder(s).cameraFlags().wide(false).build();
        EXPECT_FALSE(IsWideScreen(n.data(), n.size()));
    }
    auto m1 = DvFrameBuilder(Standard::Pal).displayMode(1).build();
    EXPECT_FALSE(IsWideScreen(m1.data(), m1.size()));
}

TEST(DvFormat, DisplayModeSevenIsWideOnlyWithoutAp3Bits)
{
    auto f = DvFrameBuilder(Standard::Pal).displayMode(7).build();
    EXPECT_TRUE(IsWideScreen(f.data(), f.size()));
    f = DvFrameBuilder(Standard::Pal).displayMode(7).ap3(1).build();
    EXPECT_FALSE(IsWideScreen(f.data(), f.size()));
    f = DvFrameBuilder(Standard::Pal).displayMode(2).ap3(1).build();
    EXPECT_TRUE(IsWideScreen(f.data(), f.size()));
}

TEST(DvFormat, FirstSequenceWithSourceControlDecides)
{
    auto f = DvFrameBuilder(Standard::Pal).wide(true).build();
    f[453] = 0xFF; // sequence 0 has none: sequence 1 (wide) decides
    EXPECT_TRUE(IsWideScreen(f.data(), f.size()));
    EXPECT_FALSE(HasSourceControlPack(f.data(), f.size()));
    f[kSeq + 453] = 0x61;
    f[kSeq + 455] = 0xC8; // sequence 1 says 4:3
    EXPECT_FALSE(IsWideScreen(f.data(), f.size()));
}

TEST(DvFormat, SourceControlOnlyInSequencesTenAndElevenIsNotWide)
{
    auto f = DvFrameBuilder(Standard::Pal).wide(true).build();
    for (int n = 0; n < 10; ++n)
        f[n * kSeq + 453] = 0xFF;
    EXPECT_TRUE(f[10 * kSeq + 453] == 0x61 && f[11 * kSeq + 453] == 0x61);
    EXPECT_FALSE(IsWideScreen(f.data(), f.size()));
    auto none = DvFrameBuilder(Standard::Pal).noSourceControl().build();
    EXPECT_FALSE(IsWideScreen(none.data(), none.size()));
}

TEST(DvFormat, AudioRateAndQuantizationFromSourcePack)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    const struct { uint8_t pc4; int rate, bits; } cases[] = {
        {0x00, 48000, 16}, {0x08, 44100, 16}, {0x11, 32000, 12}, {0x1A, 0, 0}, {0xC0, 48000, 16}};
    for (const auto& c : cases) {
        f[4327] = c.pc4;
        EXPECT_EQ(AudioSampleRate(f.data(), f.size()), c.rate) << int(c.pc4);
        EXPECT_EQ(AudioQuantization(f.data(), f.size()), c.bits) << int(c.pc4);
    }
    auto b = DvFrameBuilder(Standard::Ntsc).cameraFlags().audio(32000, 12).build();
    EXPECT_EQ(AudioSampleRate(b.data(), b.size()), 32000);
    EXPECT_EQ(AudioQuantization(b.data(), b.size()), 12);
}

TEST(DvFormat, NoAudioPackGivesMinusOne)
{
    auto f = DvFrameBuilder(Standard::Pal).noAudio().build();
    EXPECT_EQ(AudioSampleRate(f.data(), f.size()), -1);
    EXPECT_EQ(AudioQuantization(f.data(), f.size()), -1);
}

// --- Reads stay inside the buffer ---

TEST(DvBounds, SequenceOutsideTheFrameGivesNone)
{
    auto f = DvFrameBuilder(Standard::Ntsc).build();
    EXPECT_EQ(DecodeTimeCode(f.data(), f.size(), 10).Hours, 255);
    EXPECT_EQ(DecodeTimeCode(f.data(), f.size(), -1).Hours, 255);
    EXPECT_EQ(DecodeDate(f, 10).Year, -1);
    EXPECT_EQ(DecodeDate(f, -3).Year, -1);
    RecDateTime dt{2006, 1, 1, 0, 0, 0};
    EXPECT_FALSE(EncodeRecDateTime(f.data(), f.size(), dt, 10));
    EXPECT_TRUE(EncodeRecDateTime(f.data(), f.size(), dt, 9));
}

TEST(DvBounds, ShortBufferGivesNoneInsteadOfReadingPast)
{
    // Heap copies of exactly the given size, so a read past the end is caught by the sanitizer.
    const auto full = DvFrameBuilder(Standard::Pal).wide(true).build();
    auto cut = [&](size_t size) { return std::vector<uint8_t>(full.begin(), full.begin() + size); };
    // For each reader: the size that just holds its last byte reads, one byte less gives none.
    {
        auto a = cut(191), b = cut(190);
        EXPECT_EQ(DecodeTimeCode(a.data(), a.size(), 0).Hours, 1);
        EXPECT_EQ(DecodeTimeCode(b.data(), b.size(), 0).Hours, 255);
    }
    {
        auto a = cut(468), b = cut(467);
        EXPECT_EQ(DecodeDate(a).Year, 2006);
        EXPECT_EQ(DecodeDate(b).Year, -1);
        EXPECT_TRUE(EncodeRecDateTime(a.data(), a.size(), RecDateTime{2006, 1, 1, 0, 0, 0}, 0));
        EXPECT_FALSE(EncodeRecDateTime(b.data(), b.size(), RecDateTime{2006, 1, 1, 0, 0, 0}, 0));
    }
    {
        auto a = cut(4328), b = cut(4327);
        EXPECT_EQ(AudioSampleRate(a.data(), a.size()), 48000);
        EXPECT_EQ(AudioQuantization(a.data(), a.size()), 16);
        EXPECT_EQ(AudioSampleRate(b.data(), b.size()), -1);
        EXPECT_EQ(AudioQuantization(b.data(), b.size()), -1);
    }
    {
        auto a = cut(456), b = cut(455);
        EXPECT_TRUE(IsWideScreen(a.data(), a.size()));
        EXPECT_FALSE(IsWideScreen(b.data(), b.size()));
        EXPECT_TRUE(HasSourceControlPack(b.data(), b.size()));
        auto c = cut(453);
        EXPECT_FALSE(HasSourceControlPack(c.data(), c.size()));
    }
    {
        auto a = cut(4), b = cut(3);
        EXPECT_EQ(DVSystem(a.data(), a.size()), kDvSystemPal);
        EXPECT_EQ(DVSystem(b.data(), b.size()), kDvSystemUnknown);
    }
}

TEST(DvBounds, WideScreenSearchStopsAtTheEndOfAShortFrame)
{
    auto full = DvFrameBuilder(Standard::Pal).wide(true).build();
    for (int n = 0; n < 12; ++n)
        full[n * kSeq + 453] = 0xFF;
    full[2 * kSeq + 453] = 0x61;
    std::vector<uint8_t> two(full.begin(), full.begin() + 2 * kSeq);
    EXPECT_FALSE(IsWideScreen(two.data(), two.size()));
    std::vector<uint8_t> three(full.begin(), full.begin() + 2 * kSeq + 460);
    EXPECT_TRUE(IsWideScreen(three.data(), three.size()));
}

