#include "formats/DSFunctions.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"

namespace formats {

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
constexpr int64_t kUnitsPerMs = 10000;

// The registered tags; their names are string-table texts at sWaveFormatBase + tag.
constexpr std::array<uint16_t, 64> kRegisteredTags = {
    1,   2,   3,   5,   6,   7,   16,  17,  18,  19,  20,  21,  22,   23,   24,   32,   33,   34,   35,   36,  37, 38,
    48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,   61,   64,   65,   80,   85,   96,   97,  98, 99,
    100, 101, 102, 103, 117, 128, 256, 512, 514, 515, 544, 768, 1024, 4096, 4097, 4098, 4099, 4100, 4352, 5120};

struct Split {
    int64_t hours, minutes, seconds, remainder;
};

Split SplitDuration(int64_t duration)
{
    duration = std::max<int64_t>(duration, 0);
    const int64_t total = duration / kUnitsPerSecond;
    return {total / 3600, (total / 60) % 60, total % 60, duration % kUnitsPerSecond};
}

// A whole decimal number, digits only; none for anything else.
std::optional<int> ParseNumber(std::string_view s)
{
    if (s.empty() || s.size() > 9)
        return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<std::string> DirectXVersionText(std::string_view version)
{
    // "4.09.00.0904": the second and third fields give 9.0, the last digit the letter.
    const size_t dot1 = version.find('.');
    if (dot1 == std::string_view::npos)
        return std::nullopt;
    const size_t dot2 = version.find('.', dot1 + 1);
    if (dot2 == std::string_view::npos)
        return std::nullopt;
    const size_t dot3 = version.find('.', dot2 + 1);
    if (dot3 == std::string_view::npos)
        return std::nullopt;
    const auto major = ParseNumber(version.substr(dot1 + 1, dot2 - dot1 - 1));
    const auto minor = ParseNumber(version.substr(dot2 + 1, dot3 - dot2 - 1));
    const char last = version.back();
    if (!major || !minor || last < '0' || last > '9')
        return std::nullopt;
    // Digit 1 gives a, 2 b, 3 c; 0 gives a blank, and 4 stands for c as well.
    char letter = static_cast<char>(last + 48);
    if (letter < 'a')
        letter = ' ';
    if (letter == 'd')
        letter = 'c';
    return rtl::Format("%d.%d", *major, *minor) + letter;
}

} // namespace

std::string FramesDurationToStr(int64_t duration, int64_t frameDuration)
{
    // Both durations are whole 100 ns: n frames of 1001/30000 s last a few units less than n
    // rounded frame durations, so frames are counted to the nearest, and a duration within half
    // a frame of a whole second is that second.
    duration = std::max<int64_t>(duration, 0);
    if (frameDuration > 0 && duration <= std::numeric_limits<int64_t>::max() - kUnitsPerSecond) {
        const int64_t toSecond = kUnitsPerSecond - duration % kUnitsPerSecond;
        if (toSecond < kUnitsPerSecond && 2 * toSecond <= frameDuration)
            duration += toSecond;
    }
    const Split d = SplitDuration(duration);
    const int64_t frames = frameDuration > 0 ? (d.remainder + frameDuration / 2) / frameDuration : 0;
    if (d.hours > 0)
        return rtl::Format("%dh %.2dmn %.2ds %.2dfr", d.hours, d.minutes, d.seconds, frames);
    if (d.minutes > 0)
        return rtl::Format("%dmn %.2ds %.2dfr", d.minutes, d.seconds, frames);
    if (d.seconds > 0)
        return rtl::Format("%ds %.2dfr", d.seconds, frames);
    return rtl::Format("%dfr", frames);
}

std::string MsDurationToStr(int64_t duration)
{
    const Split d = SplitDuration(duration);
    const int64_t ms = d.remainder / kUnitsPerMs;
    if (d.hours > 0)
        return rtl::Format("%dh %.2dmn %.2ds %.3dms", d.hours, d.minutes, d.seconds, ms);
    if (d.minutes > 0)
        return rtl::Format("%dmn %.2ds %.3dms", d.minutes, d.seconds, ms);
    if (d.seconds > 0)
        return rtl::Format("%ds %.3dms", d.seconds, ms);
    return rtl::Format("%dmilliseconds", ms);
}

std::string WaveFormatTagName(uint16_t tag)
{
    if (std::find(kRegisteredTags.begin(), kRegisteredTags.end(), tag) == kRegisteredTags.end())
        return rtl::LoadStr(rtl::sid::sWaveFormatUnknown);
    return rtl::LoadStr(rtl::sid::sWaveFormatBase + tag);
}

std::string GetDirectXVersion(const RegistryStringReader& localMachine)
{
    const auto version = localMachine.ReadString("\\Software\\Microsoft\\DirectX", "Version");
    if (!version)
        return "Error";
    return DirectXVersionText(*version).value_or("Error");
}

} // namespace formats
