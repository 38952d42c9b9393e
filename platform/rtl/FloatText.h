#pragma once
// Internal to the runtime: decimal texts of floating values as the class library writes them.
// Digits come from the 17 significant digits that identify a double, rounded half away from
// zero, so 0.125 with two decimals is "0.13" as the class library prints it.
#include <string>

namespace rtl {

// Fixed notation with `decimals` digits after the separator; `thousands` (may be empty) groups
// the integer digits by three. Infinity and NaN give "INF", "-INF" and "NAN".
std::string FloatToFixedText(double v, int decimals, const std::string& decimalSep, const std::string& thousands);

// Scientific notation with `precision` significant digits: "1.2345E+003".
std::string FloatToExponentText(double v, int precision, const std::string& decimalSep);

// The shorter of fixed and scientific with at most `precision` significant digits, trailing
// zeros dropped: "1234.5", "1E20", "1.5E-7".
std::string FloatToGeneralText(double v, int precision, const std::string& decimalSep);

} // namespace rtl
