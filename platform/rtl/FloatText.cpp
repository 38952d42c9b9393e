#include "platform/rtl/FloatText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rtl {

namespace {

// A decimal value 0.d1 d2 d3 ... times 10^(exp + 1): d1 is the digit of 10^exp. An empty digit
// string is zero.
struct Decimal {
    std::string digits;
    int exp = 0;
};

Decimal ToDecimal(double magnitude)
{
    Decimal d;
    if (magnitude == 0)
        return d;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.16e", magnitude);
    const std::string text = buf;
    const size_t e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exp = std::atoi(text.c_str() + e + 1);
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `keep` significant digits, rounding half away from zero.
void RoundDigits(Decimal& d, int keep)
{
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    if (static_cast<size_t>(keep) >= d.digits.size())
        return;
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9')
            d.digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

// The digit of 10^power.
char DigitAt(const Decimal& d, int power)
{
    const long index = static_cast<long>(d.exp) - power;
    if (index < 0 || index >= static_cast<long>(d.digits.size()))
        return '0';
    return d.digits[static_cast<size_t>(index)];
}

const char* NonFinite(double v)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    return nullptr;
}

std::string ExponentText(int exp, bool forceSign, int minDigits)
{
    std::string digits = std::to_string(std::abs(exp));
    if (static_cast<int>(digits.size()) < minDigits)
        digits.insert(0, static_cast<size_t>(minDigits) - digits.size(), '0');
    if (exp < 0)
        return "E-" + digits;
    return (forceSign ? "E+" : "E") + digits;
}

} // namespace

std::string FloatToFixedText(double v, int decimals, const std::string& decimalSep, const std::string& thousands)
{
    if (const char* s = NonFinite(v))
        return s;
    if (decimals < 0)
        decimals = 0;
    Decimal d = ToDecimal(std::fabs(v));
    if (!d.digits.empty())
        RoundDigits(d, d.exp + 1 + decimals);
    std::string out;
    if (v < 0 && !d.digits.empty())
        out += '-';
    const int top = d.digits.empty() || d.exp < 0 ? 0 : d.exp;
    for (int p = top; p >= 0; --p) {
        out += DigitAt(d, p);
        if (p > 0 && p % 3 == 0)
            out += thousands;
    }
    if (decimals > 0) {
        out += decimalSep;
        for (int p = -1; p >= -decimals; --p)
            out += DigitAt(d, p);
    }
    return out;
}

std::string FloatToExponentText(double v, int precision, const std::string& decimalSep)
{
    if (const char* s = NonFinite(v))
        return s;
    if (precision < 1)
        precision = 1;
    Decimal d = ToDecimal(std::fabs(v));
    RoundDigits(d, precision);
    std::string out;
    if (v < 0 && !d.digits.empty())
        out += '-';
    out += DigitAt(d, d.exp);
    if (precision > 1) {
        out += decimalSep;
        for (int i = 1; i < precision; ++i)
            out += DigitAt(d, d.exp - i);
    }
    out += ExponentText(d.digits.empty() ? 0 : d.exp, true, 3);
    return out;
}

std::string FloatToGeneralText(double v, int precision, const std::string& decimalSep)
{
    if (const char* s = NonFinite(v))
        return s;
    if (precision < 1)
        precision = 1;
    Decimal d = ToDecimal(std::fabs(v));
    RoundDigits(d, precision);
    if (d.digits.empty())
        return "0";
    std::string out = v < 0 ? "-" : "";
    const int count = static_cast<int>(d.digits.size());
    if (d.exp < precision && d.exp >= -5) {
        for (int p = d.exp < 0 ? 0 : d.exp; p >= 0; --p)
            out += DigitAt(d, p);
        const int lowest = d.exp - count + 1;
        if (lowest < 0) {
            out += decimalSep;
            for (int p = -1; p >= lowest; --p)
                out += DigitAt(d, p);
        }
        return out;
    }
    out += d.digits[0];
    if (count > 1) {
        out += decimalSep;
        out.append(d.digits, 1);
    }
    out += ExponentText(d.exp, false, 0);
    return out;
}

} // namespace rtl
