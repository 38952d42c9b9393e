#pragma once
// Format: the class library's printf-like formatter. Directives "%" [index ":"] ["-"] [width]
// ["." precision] type, with width and precision also given as "*"; types d u e f g n m p s x X
// and "%%". %d with a precision pads with zeros ("%.2d" of 5 is "05"); %n groups thousands with
// the regional separator; %x/%X print hexadecimal (upper case either way, as the class library
// does). A directive that does not match its argument raises EConvertError. The floating
// directives (e f g n m) also take integers. A negative integer that fits in 32 bits prints as
// its 32-bit pattern under %u and %x, as the class library's Integer does ("%x" of -1: FFFFFFFF).
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"

namespace rtl {

class FormatArg {
public:
    using Value = std::variant<int64_t, uint64_t, double, std::string>;
    template <class T>
    requires std::is_integral_v<T> && std::is_signed_v<T> FormatArg(T v) : value_(static_cast<int64_t>(v)) {}
    template <class T>
    requires std::is_integral_v<T> && std::is_unsigned_v<T> &&(!std::is_same_v<T, bool>)FormatArg(T v)
        : value_(static_cast<uint64_t>(v))
    {
    }
    FormatArg(bool v) : value_(static_cast<int64_t>(v)) {}
    FormatArg(double v) : value_(v) {}
    FormatArg(float v) : value_(static_cast<double>(v)) {}
    FormatArg(const char* v) : value_(v ? std::string(v) : std::string()) {}
    FormatArg(std::string_view v) : value_(std::string(v)) {}
    FormatArg(const std::string& v) : value_(v) {}
    const Value& value() const { return value_; }

private:
    Value value_;
};

std::string FormatV(std::string_view fmt, const std::vector<FormatArg>& args);
// The same with explicit regional separators (decimal and thousands) instead of the process-wide ones.
std::string FormatV(std::string_view fmt, const std::vector<FormatArg>& args, const FormatSettings& fs);

template <class... Args> std::string Format(std::string_view fmt, const Args&... args)
{
    return FormatV(fmt, std::vector<FormatArg>{FormatArg(args)...});
}

} // namespace rtl
