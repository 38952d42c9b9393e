// Number and string helpers; the file-name helpers are in SysUtilsFileNames.cpp.
#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <limits>

#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"

namespace rtl {

namespace {

// Doubles at or past 2^63 do not fit in int64_t.
constexpr double kTwoTo63 = 9223372036854775808.0;

int64_t CheckedToInt64(double x)
{
    if (!(x >= -kTwoTo63 && x < kTwoTo63))
        throw EConvertError(Message(sid::sRtlInvalidFloatOp));
    return static_cast<int64_t>(x);
}

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

char UpperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Bytes up to the blank count as white space; UTF-8 bytes are all above it.
bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

int64_t Round(double x)
{
    const double floor = std::floor(x);
    const double diff = x - floor; // exact for every double
    double r = floor;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0))
        r = floor + 1;
    return CheckedToInt64(r);
}

int64_t Trunc(double x)
{
    return CheckedToInt64(std::trunc(x));
}

std::string IntToStr(int64_t v)
{
    return std::to_string(v);
}

std::string IntToHex(int64_t v, int digits)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    // A negative value that fits in 32 bits is shown as a 32-bit Integer, as callers pass int.
    uint64_t bits = v < 0 && v >= std::numeric_limits<int32_t>::min() ? static_cast<uint32_t>(static_cast<int32_t>(v))
                                                                      : static_cast<uint64_t>(v);
    std::string s;
    do {
        s.insert(s.begin(), kDigits[bits & 15]);
        bits >>= 4;
    } while (bits != 0);
    if (digits > static_cast<int>(s.size()))
        s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
    return s;
}

bool TryStrToInt(std::string_view s, int64_t& out)
{
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= s.size())
        return false;
    uint64_t value = 0;
    if (hex) {
        // Hexadecimal may spell the full 64-bit pattern ("$FFFFFFFFFFFFFFFF" is -1).
        if (s.size() - i > 16)
            return false;
        for (; i < s.size(); ++i) {
            const int h = HexValue(s[i]);
            if (h < 0)
                return false;
            value = value << 4 | static_cast<uint64_t>(h);
        }
        out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
        return true;
    }
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        const auto digit = static_cast<uint64_t>(s[i] - '0');
        if (value > (limit - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    out = negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
    return true;
}

int64_t StrToInt(std::string_view s)
{
    int64_t v = 0;
    if (!TryStrToInt(s, v))
        throw EConvertError(Message(sid::sRtlInvalidInteger, {s}));
    return v;
}

int64_t StrToIntDef(std::string_view s, int64_t def)
{
    int64_t v = 0;
    return TryStrToInt(s, v) ? v : def;
}

std::string LowerCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

std::string UpperCase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = UpperAscii(c);
    return out;
}

bool SameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

size_t Utf8Length(std::string_view s)
{
    size_t n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string_view Utf8Prefix(std::string_view s, size_t maxBytes)
{
    if (s.size() <= maxBytes)
        return s;
    size_t cut = maxBytes;
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80)
        --cut;
    return s.substr(0, cut);
}

std::string TrimLeft(std::string_view s)
{
    size_t i = 0;
    while (i < s.size() && IsTrimmed(s[i]))
        ++i;
    return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s)
{
    size_t n = s.size();
    while (n > 0 && IsTrimmed(s[n - 1]))
        --n;
    return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s)
{
    return TrimLeft(TrimRight(s));
}

std::string FourCCToStr(uint32_t code)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<size_t>(i)] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return s;
}

uint32_t StrToFourCC(std::string_view s)
{
    uint32_t code = 0;
    for (size_t i = 0; i < 4 && i < s.size(); ++i)
        code |= static_cast<uint32_t>(static_cast<unsigned char>(s[i])) << (8 * i);
    return code;
}

} // namespace rtl
