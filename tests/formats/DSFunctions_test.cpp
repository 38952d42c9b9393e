// Duration texts, WAVE format names and the DirectX version text.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "formats/DSFunctions.h"

using namespace formats;

namespace {

constexpr int64_t kSecond = 10000000;
constexpr int64_t kPal = 400000;
constexpr int64_t kNtsc = 333667;

class FakeRegistry : public RegistryStringReader {
public:
    std::map<std::pair<std::string, std::string>, std::string> values;
    std::optional<std::string> ReadString(std::string_view key, std::string_view value) const override
    {
        auto it = values.find({std::string(key), std::string(value)});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }
};

std::string DirectX(const std::string& version)
{
    FakeRegistry reg;
    reg.values[{"\\Software\\Microsoft\\DirectX", "Version"}] = version;
    return GetDirectXVersion(reg);
}

} // namespace

TEST(Durations, LargestNonZeroUnitChoosesTheLayout)
{
    const struct {
        int64_t duration, frame;
        const char* want;
    } frames[] = {{3723 * kSecond + 4 * kPal, kPal, "1h 02mn 03s 04fr"},
                  {60 * kSecond, kPal, "1mn 00s 00fr"},
                  {2 * kSecond + 29 * kNtsc, kNtsc, "2s 29fr"},
                  // Frames count to the nearest: below half a frame is none.
                  {kPal / 2 - 1, kPal, "0fr"},
                  {kPal - 1, kPal, "1fr"},
                  // Within half a frame of a whole second, that second.
                  {2 * kSecond - kPal / 2, kPal, "2s 00fr"},
                  {2 * kSecond - kPal / 2 - 1, kPal, "1s 24fr"},
                  {100 * 3600 * kSecond, kPal, "100h 00mn 00s 00fr"},
                  // No frame duration, or a negative one, counts no frames; a negative duration is zero.
                  {5 * kSecond + 12345, 0, "5s 00fr"},
                  {12345, -400000, "0fr"},
                  {-3 * kSecond, kPal, "0fr"}};
    for (const auto& c : frames)
        EXPECT_EQ(FramesDurationToStr(c.duration, c.frame), c.want) << c.duration << " " << c.frame;
    EXPECT_EQ(MsDurationToStr(3723 * kSecond + 250 * 10000), "1h 02mn 03s 250ms");
    EXPECT_EQ(MsDurationToStr(61 * kSecond + 5 * 10000), "1mn 01s 005ms");
    EXPECT_EQ(MsDurationToStr(7 * kSecond), "7s 000ms");
    EXPECT_EQ(MsDurationToStr(250 * 10000 + 9999), "250milliseconds");
    EXPECT_EQ(MsDurationToStr(-1), "0milliseconds");
}

TEST(WaveFormatTags, AnUnregisteredTagIsUnknown)
{
    EXPECT_EQ(WaveFormatTagName(117), "VOXWARE");
    EXPECT_EQ(WaveFormatTagName(118), "Unknown");
}

TEST(DirectXVersion, MajorMinorAndLetterOrErrorForAMissingOrMalformedValue)
{
    EXPECT_EQ(DirectX("4.09.00.0904"), "9.0c");
    EXPECT_EQ(DirectX("4.08.01.0881"), "8.1a");
    EXPECT_EQ(DirectX("4.09.00.0902"), "9.0b");
    EXPECT_EQ(DirectX("4.09.00.0900"), "9.0 ");
    FakeRegistry empty;
    EXPECT_EQ(GetDirectXVersion(empty), "Error");
    for (const char* v :
         {"", "4", "4.09.00", "4.x.00.0904", "4.09..0904", "4.09.00.090a", "4.-9.00.0904", "4.09.00.0904\xC3"})
        EXPECT_EQ(DirectX(v), "Error") << v;
}
