// FloatToStr and StrToFloat: floating values to and from the user's decimal notation.
#include <charconv>
#include <cmath>

#include "platform/rtl/FloatText.h"
#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"
#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::string FloatToStr(double v, const FormatSettings& fs)
{
    return FloatToGeneralText(v, 15, fs.DecimalSeparator);
}

std::string FloatToStr(double v)
{
    return FloatToStr(v, DefaultFormatSettings());
}

bool TryStrToFloat(std::string_view s, double& out, const FormatSettings& fs)
{
    const std::string text = Trim(s);
    // Rebuilt in the C notation and checked by hand: from_chars alone would take "inf" and "nan".
    std::string plain;
    size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        plain += text[i++];
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        plain += text[i++];
        ++digits;
    }
    const std::string& sep = fs.DecimalSeparator.empty() ? std::string(".") : fs.DecimalSeparator;
    if (text.compare(i, sep.size(), sep) == 0) {
        i += sep.size();
        plain += '.';
        while (i < text.size() && IsDigit(text[i])) {
            plain += text[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += text[i++];
        if (i < text.size() && (text[i] == '-' || text[i] == '+'))
            plain += text[i++];
        size_t expDigits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            plain += text[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != text.size())
        return false;
    const char* begin = plain.c_str();
    if (*begin == '+')
        ++begin;
    double v = 0;
    const auto [end, ec] = std::from_chars(begin, plain.c_str() + plain.size(), v);
    if (ec != std::errc() || end != plain.c_str() + plain.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

double StrToFloat(std::string_view s, const FormatSettings& fs)
{
    double v = 0;
    if (!TryStrToFloat(s, v, fs))
        throw EConvertError(Message(sid::sRtlInvalidFloat, {s}));
    return v;
}

double StrToFloat(std::string_view s)
{
    return StrToFloat(s, DefaultFormatSettings());
}

} // namespace rtl
