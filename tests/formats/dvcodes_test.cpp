// Decoding and encoding of the DV packs, on frames built in code.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "formats/dvcodes.h"
#include "tests/kit/DvFrameBuilder.h"

using namespace formats;
using testkit::DvFrameBuilder;
using testkit::Standard;
using Frame = std::vector<uint8_t>;
using Fields = std::array<int, 6>;

namespace {

Fields Date(const Frame& f, int n = 0)
{
    RecDateTime dt;
    DecodeRecDateTime(f.data(), f.size(), n, dt);
    return {dt.Year, dt.Month, dt.Day, dt.Hour, dt.Minute, dt.Second};
}

std::array<int, 4> Tc(const Frame& f, int n = 0)
{
    const DVTimeCode t = DecodeTimeCode(f.data(), f.size(), n);
    return {t.Hours, t.Minutes, t.Seconds, t.Frames};
}

bool Wide(const Frame& f)
{
    return IsWideScreen(f.data(), f.size());
}

} // namespace

TEST(DvBcd, DecodesEverySequenceWithOrWithoutTheCameraFlagBits)
{
    const auto pal = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58).timecode(1, 2, 3, 4).build();
    const auto ntsc =
        DvFrameBuilder(Standard::Ntsc).cameraFlags().recDate(1999, 10, 29, 19, 49, 39).timecode(23, 59, 59, 29).build();
    const auto flagged = DvFrameBuilder(Standard::Pal).cameraFlags().build();
    for (int n = 0; n < 12; ++n) {
        EXPECT_EQ(Date(pal, n), (Fields{2006, 12, 31, 23, 59, 58}));
        EXPECT_EQ(Date(flagged, n), (Fields{2006, 12, 31, 23, 59, 58}));
        EXPECT_EQ(Tc(pal, n), (std::array<int, 4>{1, 2, 3, 4}));
        EXPECT_EQ(Tc(flagged, n), (std::array<int, 4>{1, 2, 3, 4}));
    }
    EXPECT_EQ(Date(ntsc, 9), (Fields{1999, 10, 29, 19, 49, 39}));
    EXPECT_EQ(Tc(ntsc, 9), (std::array<int, 4>{23, 59, 59, 29}));
}

TEST(DvBcd, CenturyRuleSplitsAtFortyAndDigitsAreNotRangeChecked)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    // 0xAB: tens 10, units 11 give 111, past 40 so 1900 + 111; the whole tens nibble counts.
    const struct {
        uint8_t byte;
        int year;
    } cases[] = {{0x39, 2039}, {0x40, 1940}, {0x99, 1999}, {0x00, 2000}, {0xAB, 2011}, {0xFF, 2065}};
    for (const auto& c : cases) {
        f[462] = c.byte;
        EXPECT_EQ(Date(f)[0], c.year) << int(c.byte);
    }
    f[461] = 0x1F; // month tens 1, units 15
    EXPECT_EQ(Date(f)[1], 25);
}

TEST(DvBcd, TimeCodeNeedsThePackInBothSubcodeBlocks)
{
    auto f = DvFrameBuilder(Standard::Pal).timecode(1, 2, 3, 4).build();
    f[190] = 0xFF;
    EXPECT_EQ(Tc(f, 0)[0], 255);
    EXPECT_EQ(Tc(f, 1)[0], 1);
    EXPECT_EQ(Tc(DvFrameBuilder(Standard::Pal).noTimecode().build())[0], 255);
}

TEST(DvDatePacks, ZeroPackIdsCountAndAnyOtherIdMeansNoDate)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    for (size_t i = 458; i < 468; ++i)
        f[i] = 0;
    EXPECT_EQ(Date(f), (Fields{2000, 0, 0, 0, 0, 0}));
    f = DvFrameBuilder(Standard::Pal).build();
    f[463] = 0x13;
    EXPECT_EQ(Date(f)[0], -1);
    EXPECT_EQ(Date(DvFrameBuilder(Standard::Ntsc).noRecDate().build())[0], -1);
}

TEST(DvEncode, RoundTripsAtTheLimitsAndKeepsTwoYearDigits)
{
    auto f = DvFrameBuilder(Standard::Pal).cameraFlags().recDate(2001, 1, 1, 0, 0, 0).build();
    ASSERT_TRUE(EncodeRecDateTime(f.data(), f.size(), RecDateTime{2006, 12, 31, 23, 59, 59}, 3));
    EXPECT_EQ(Date(f, 3), (Fields{2006, 12, 31, 23, 59, 59}));
    EXPECT_EQ(Date(f, 2), (Fields{2001, 1, 1, 0, 0, 0})); // other sequences untouched
    ASSERT_TRUE(EncodeRecDateTime(f.data(), f.size(), RecDateTime{2045, 6, 15, 12, 30, 45}, 0));
    EXPECT_EQ(Date(f), (Fields{1945, 6, 15, 12, 30, 45}));
    // The builder's own bytes and the encoder's agree.
    EXPECT_EQ(DvFrameBuilder(Standard::Ntsc).recDate(2008, 2, 29, 13, 14, 15).build(),
              DvFrameBuilder(Standard::Ntsc).recDate(2008, 2, 29, 13, 14, 15).recDateThroughEncoder().build());
}

TEST(DvEncode, KeepsTheBitsTheFieldsDoNotOwn)
{
    auto f = DvFrameBuilder(Standard::Pal).cameraFlags().build();
    f[459] = 0x5A;
    f[464] = 0xA5;
    EncodeRecDateTime(f.data(), f.size(), RecDateTime{2010, 2, 3, 4, 5, 6}, 0);
    // pc1 of both packs, bi-phase bits, two reserved bits, day-of-week bits.
    EXPECT_EQ(Frame(f.begin() + 459, f.begin() + 468), (Frame{0x5A, 0xC3, 0xE2, 0x10, 0x63, 0xA5, 0x86, 0x85, 0xC4}));
}

TEST(DvFormat, SystemByteComparedExactly)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemPal);
    f[3] = 0x3F;
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemNtsc);
    f[3] = 0x3E;
    EXPECT_EQ(DVSystem(f.data(), f.size()), kDvSystemUnknown);
}

TEST(DvFormat, WideScreenByDisplayModeAndAp3)
{
    for (Standard s : {Standard::Pal, Standard::Ntsc}) {
        EXPECT_TRUE(Wide(DvFrameBuilder(s).cameraFlags().wide(true).build()));
        EXPECT_FALSE(Wide(DvFrameBuilder(s).cameraFlags().wide(false).build()));
    }
    EXPECT_FALSE(Wide(DvFrameBuilder(Standard::Pal).displayMode(1).build()));
    EXPECT_TRUE(Wide(DvFrameBuilder(Standard::Pal).displayMode(7).build()));
    EXPECT_FALSE(Wide(DvFrameBuilder(Standard::Pal).displayMode(7).ap3(1).build()));
    EXPECT_TRUE(Wide(DvFrameBuilder(Standard::Pal).displayMode(2).ap3(1).build()));
    EXPECT_FALSE(Wide(DvFrameBuilder(Standard::Pal).noSourceControl().build()));
}

TEST(DvFormat, FirstOfTheFirstTenSequencesWithSourceControlDecides)
{
    auto f = DvFrameBuilder(Standard::Pal).wide(true).build();
    f[453] = 0xFF; // sequence 0 has none: sequence 1 (wide) decides
    EXPECT_TRUE(Wide(f));
    EXPECT_FALSE(HasSourceControlPack(f.data(), f.size()));
    f[kDifSequenceSize + 455] = 0xC8; // sequence 1 says 4:3
    EXPECT_FALSE(Wide(f));
    f = DvFrameBuilder(Standard::Pal).wide(true).build();
    for (int n = 0; n < 10; ++n)
        f[n * kDifSequenceSize + 453] = 0xFF;
    EXPECT_FALSE(Wide(f)); // sequences 10 and 11 are not searched
}

TEST(DvFormat, AudioRateAndQuantizationFromSourcePack)
{
    auto f = DvFrameBuilder(Standard::Pal).build();
    const struct {
        uint8_t pc4;
        int rate, bits;
    } cases[] = {{0x00, 48000, 16}, {0x08, 44100, 16}, {0x11, 32000, 12}, {0x1A, 0, 0}, {0xC0, 48000, 16}};
    for (const auto& c : cases) {
        f[4327] = c.pc4;
        EXPECT_EQ(AudioSampleRate(f.data(), f.size()), c.rate) << int(c.pc4);
        EXPECT_EQ(AudioQuantization(f.data(), f.size()), c.bits) << int(c.pc4);
    }
    auto none = DvFrameBuilder(Standard::Pal).noAudio().build();
    EXPECT_EQ(AudioSampleRate(none.data(), none.size()), -1);
    EXPECT_EQ(AudioQuantization(none.data(), none.size()), -1);
}

TEST(DvBounds, SequenceOutsideTheFrameGivesNone)
{
    auto f = DvFrameBuilder(Standard::Ntsc).build();
    EXPECT_EQ(Tc(f, 10)[0], 255);
    EXPECT_EQ(Tc(f, -1)[0], 255);
    EXPECT_EQ(Date(f, 10)[0], -1);
    EXPECT_EQ(Date(f, -3)[0], -1);
    EXPECT_FALSE(EncodeRecDateTime(f.data(), f.size(), RecDateTime{2006, 1, 1, 0, 0, 0}, 10));
    EXPECT_TRUE(EncodeRecDateTime(f.data(), f.size(), RecDateTime{2006, 1, 1, 0, 0, 0}, 9));
}

TEST(DvBounds, ShortBufferGivesNoneInsteadOfReadingPast)
{
    // Heap copies of exactly the given size, so a read past the end is caught by the sanitizer.
    const auto full = DvFrameBuilder(Standard::Pal).wide(true).build();
    using Reader = std::function<int(Frame&)>;
    const struct {
        const char* name;
        size_t holds;
        Reader read;
        int value, none;
    } readers[] = {
        {"time code", 191, [](Frame& f) { return Tc(f)[0]; }, 1, 255},
        {"date", 468, [](Frame& f) { return Date(f)[0]; }, 2006, -1},
        {"encode", 468, [](Frame& f) { return int(EncodeRecDateTime(f.data(), f.size(), {2006}, 0)); }, 1, 0},
        {"rate", 4328, [](Frame& f) { return AudioSampleRate(f.data(), f.size()); }, 48000, -1},
        {"bits", 4328, [](Frame& f) { return AudioQuantization(f.data(), f.size()); }, 16, -1},
        {"wide", 456, [](Frame& f) { return int(Wide(f)); }, 1, 0},
        {"source control", 454, [](Frame& f) { return int(HasSourceControlPack(f.data(), f.size())); }, 1, 0},
        {"system", 4, [](Frame& f) { return int(DVSystem(f.data(), f.size())); }, kDvSystemPal, kDvSystemUnknown},
    };
    for (const auto& r : readers) {
        Frame holds(full.begin(), full.begin() + static_cast<long>(r.holds));
        Frame shorter(full.begin(), full.begin() + static_cast<long>(r.holds) - 1);
        EXPECT_EQ(r.read(holds), r.value) << r.name;
        EXPECT_EQ(r.read(shorter), r.none) << r.name;
    }
}

TEST(DvBounds, WideScreenSearchStopsAtTheEndOfAShortFrame)
{
    auto full = DvFrameBuilder(Standard::Pal).wide(true).build();
    for (int n = 0; n < 12; ++n)
        full[n * kDifSequenceSize + 453] = 0xFF;
    full[2 * kDifSequenceSize + 453] = 0x61;
    EXPECT_FALSE(Wide(Frame(full.begin(), full.begin() + 2 * kDifSequenceSize)));
    EXPECT_TRUE(Wide(Frame(full.begin(), full.begin() + 2 * kDifSequenceSize + 460)));
}

TEST(DvPackWalker, PacksLieWhereTheBlocksPutThem)
{
    EXPECT_EQ(DvPackOffset(0), 86u);   // subcode block 1, sync block 0
    EXPECT_EQ(DvPackOffset(3), 110u);  // the time code the decoder reads
    EXPECT_EQ(DvPackOffset(6), 166u);  // subcode block 2, sync block 0
    EXPECT_EQ(DvPackOffset(12), 243u); // VAUX block 3, pack 0
    EXPECT_EQ(DvPackOffset(12 + 30 + 11), 458u);
    EXPECT_EQ(DvPackOffset(kSequencePackCount - 1), 400u + 3 + 14 * 5);
}

TEST(DvPackWalker, FindsEveryDateAndTimePairOfASequenceAndNoOther)
{
    Frame f = DvFrameBuilder(Standard::Ntsc).recDate(2006, 12, 31, 23, 59, 58).build();
    std::vector<std::pair<size_t, size_t>> pairs;
    auto collect = [&](uint8_t* date, uint8_t* time) {
        pairs.emplace_back(date - f.data() - 3 * kDifSequenceSize, time - f.data() - 3 * kDifSequenceSize);
        EXPECT_EQ(DecodeRecDatePacks(date, time).Year, 2006);
    };
    // Two in the subcode (sync blocks 4-5 of each block), two in each VAUX block.
    EXPECT_EQ(ForEachRecDatePair(f.data(), f.size(), 3, collect), 8);
    EXPECT_EQ(pairs.front(), std::make_pair(size_t{118}, size_t{126}));
    EXPECT_EQ(pairs.back(), std::make_pair(size_t{458}, size_t{463}));
    // A date pack whose time pack is missing, or stands in the other area, makes no pair.
    uint8_t* seq = f.data();
    seq[DvPackOffset(5)] = 0xFF;            // subcode block 1's time pack
    seq[DvPackOffset(10)] = 0xFF;           // subcode block 2's date pack moves
    seq[DvPackOffset(11)] = kRecDatePackId; // to the last subcode pack, before
    seq[DvPackOffset(12)] = kRecTimePackId; // a time pack first in the VAUX
    pairs.clear();
    EXPECT_EQ(ForEachRecDatePair(f.data(), f.size(), 0, collect), 6);
    EXPECT_EQ(ForEachRecDatePair(f.data(), f.size(), 10, collect), 0); // past the frame
    EXPECT_EQ(ForEachRecDatePair(f.data(), 5 * kDifSequenceSize, 5, collect), 0);
}

TEST(DvPackWalker, PackRoutinesAreTheSequenceRoutinesAtAnyPlace)
{
    Frame f = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58).cameraFlags().build();
    const Frame before = f;
    uint8_t* seq = f.data() + 2 * kDifSequenceSize;
    RecDateTime dt;
    dt.Year = 2007;
    dt.Month = 1;
    dt.Day = 2;
    dt.Hour = 3;
    dt.Minute = 4;
    dt.Second = 5;
    EncodeRecDatePacks(seq + DvPackOffset(4), seq + DvPackOffset(5), dt);
    const RecDateTime back = DecodeRecDatePacks(seq + DvPackOffset(4), seq + DvPackOffset(5));
    EXPECT_EQ((Fields{back.Year, back.Month, back.Day, back.Hour, back.Minute, back.Second}),
              (Fields{2007, 1, 2, 3, 4, 5}));
    // The flag bits beside the digits and the packs' first data bytes stay.
    EXPECT_EQ(seq[DvPackOffset(4) + 1], before[2 * kDifSequenceSize + DvPackOffset(4) + 1]);
    EXPECT_EQ(seq[DvPackOffset(4) + 2] & 0xC0, 0xC0);
    EXPECT_EQ(seq[DvPackOffset(5) + 4] & 0xC0, 0xC0);
    EXPECT_EQ(Date(f, 2), (Fields{2006, 12, 31, 23, 59, 58})); // the VAUX pair is another copy
}
