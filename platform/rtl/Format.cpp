#include "platform/rtl/Format.h"

#include <limits>

#include "platform/rtl/FloatText.h"
#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"

namespace rtl {

namespace {

// Widths and precisions beyond this are a broken format, not a request for megabytes of blanks.
constexpr int kMaxWidth = 1 << 16;

struct Directive {
    bool leftJustify = false;
    int width = -1;
    int precision = -1;
    char type = 0; // upper case
};

size_t Utf8Length(std::string_view s)
{
    size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

// The first `count` characters of a UTF-8 text, never cutting one in two.
std::string_view Utf8Prefix(std::string_view s, size_t count)
{
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (chars == count)
                return s.substr(0, i);
            ++chars;
        }
    }
    return s;
}

// A negative value that fits in 32 bits is taken as a 32-bit Integer, as most callers pass int.
uint64_t UnsignedBits(int64_t v)
{
    if (v < 0 && v >= std::numeric_limits<int32_t>::min())
        return static_cast<uint32_t>(static_cast<int32_t>(v));
    return static_cast<uint64_t>(v);
}

std::string ToHex(uint64_t v)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[v & 15]);
        v >>= 4;
    } while (v != 0);
    return s;
}

void PadDigits(std::string& digits, int precision)
{
    if (precision > static_cast<int>(digits.size()))
        digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
}

class FormatRun {
public:
    FormatRun(std::string_view fmt, const std::vector<FormatArg>& args, const FormatSettings& fs)
        : fmt_(fmt), args_(args), fs_(fs)
    {
    }

    std::string Run()
    {
        size_t i = 0;
        while (i < fmt_.size()) {
            const size_t pct = fmt_.find('%', i);
            if (pct == std::string_view::npos) {
                out_.append(fmt_.substr(i));
                break;
            }
            out_.append(fmt_.substr(i, pct - i));
            i = pct + 1;
            if (i < fmt_.size() && fmt_[i] == '%') {
                out_ += '%';
                ++i;
                continue;
            }
            const Directive d = Parse(i);
            Emit(d, Convert(d));
        }
        return std::move(out_);
    }

private:
    [[noreturn]] void Invalid() const { throw EConvertError(Message(sid::sRtlInvalidFormat, {fmt_})); }

    const FormatArg::Value& NextArg()
    {
        if (next_ >= args_.size())
            throw EConvertError(Message(sid::sRtlNoArgument, {fmt_}));
        return args_[next_++].value();
    }

    int IntArg()
    {
        const FormatArg::Value& v = NextArg();
        if (const auto* i = std::get_if<int64_t>(&v)) {
            if (*i > kMaxWidth || *i < -kMaxWidth)
                Invalid();
            return static_cast<int>(*i);
        }
        if (const auto* u = std::get_if<uint64_t>(&v)) {
            if (*u > static_cast<uint64_t>(kMaxWidth))
                Invalid();
            return static_cast<int>(*u);
        }
        Invalid();
    }

    // A number or "*"; -1 when neither is there.
    int Number(size_t& i)
    {
        if (i < fmt_.size() && fmt_[i] == '*') {
            ++i;
            return IntArg();
        }
        if (i >= fmt_.size() || fmt_[i] < '0' || fmt_[i] > '9')
            return -1;
        int n = 0;
        while (i < fmt_.size() && fmt_[i] >= '0' && fmt_[i] <= '9') {
            n = n * 10 + (fmt_[i] - '0');
            if (n > kMaxWidth)
                Invalid();
            ++i;
        }
        return n;
    }

    Directive Parse(size_t& i)
    {
        Directive d;
        // An index is a number (or "*") followed by ':'; without the ':' the number is the width.
        const size_t start = i;
        if (i < fmt_.size() && fmt_[i] != '-') {
            const bool star = fmt_[i] == '*';
            size_t j = i;
            if (star) {
                ++j;
            } else {
                while (j < fmt_.size() && fmt_[j] >= '0' && fmt_[j] <= '9')
                    ++j;
            }
            if (j > i && j < fmt_.size() && fmt_[j] == ':') {
                const int index = Number(i);
                if (index < 0)
                    Invalid();
                next_ = static_cast<size_t>(index);
                ++i; // ':'
            } else {
                i = start;
            }
        }
        if (i < fmt_.size() && fmt_[i] == '-') {
            d.leftJustify = true;
            ++i;
        }
        const bool starWidth = i < fmt_.size() && fmt_[i] == '*';
        d.width = Number(i);
        if (starWidth && d.width < 0) {
            // A negative width given by "*" left-justifies, as in C.
            d.leftJustify = true;
            d.width = -d.width;
        }
        if (i < fmt_.size() && fmt_[i] == '.') {
            ++i;
            d.precision = Number(i);
            if (d.precision < 0)
                d.precision = -1;
        }
        if (i >= fmt_.size())
            Invalid();
        char t = fmt_[i++];
        if (t >= 'a' && t <= 'z')
            t = static_cast<char>(t - 'a' + 'A');
        d.type = t;
        return d;
    }

    std::string Convert(const Directive& d)
    {
        switch (d.type) {
        case 'D':
        case 'U':
        case 'X':
        case 'P': return ConvertInteger(d, NextArg());
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M': return ConvertFloat(d, NextArg());
        case 'S': {
            const auto* s = std::get_if<std::string>(&NextArg());
            if (!s)
                Invalid();
            return std::string(d.precision >= 0 ? Utf8Prefix(*s, static_cast<size_t>(d.precision)) : *s);
        }
        default: Invalid();
        }
    }

    std::string ConvertInteger(const Directive& d, const FormatArg::Value& v)
    {
        bool negative = false;
        uint64_t magnitude = 0; // for D
        uint64_t bits = 0;      // for U X P
        if (const auto* i = std::get_if<int64_t>(&v)) {
            negative = *i < 0;
            magnitude = negative ? 0 - static_cast<uint64_t>(*i) : static_cast<uint64_t>(*i);
            bits = UnsignedBits(*i);
        } else if (const auto* u = std::get_if<uint64_t>(&v)) {
            magnitude = bits = *u;
        } else {
            Invalid();
        }
        std::string digits;
        switch (d.type) {
        case 'D':
            digits = std::to_string(magnitude);
            PadDigits(digits, d.precision);
            return negative ? "-" + digits : digits;
        case 'U': digits = std::to_string(bits); break;
        case 'X': digits = ToHex(bits); break;
        default: // 'P'
            digits = ToHex(bits);
            PadDigits(digits, 16);
            return digits;
        }
        PadDigits(digits, d.precision);
        return digits;
    }

    std::string ConvertFloat(const Directive& d, const FormatArg::Value& v)
    {
        double x = 0;
        if (const auto* f = std::get_if<double>(&v))
            x = *f;
        else if (const auto* i = std::get_if<int64_t>(&v))
            x = static_cast<double>(*i);
        else if (const auto* u = std::get_if<uint64_t>(&v))
            x = static_cast<double>(*u);
        else
            Invalid();
        switch (d.type) {
        case 'E': return FloatToExponentText(x, d.precision < 0 ? 15 : d.precision, fs_.DecimalSeparator);
        case 'F': return FloatToFixedText(x, d.precision < 0 ? 2 : d.precision, fs_.DecimalSeparator, {});
        case 'G': return FloatToGeneralText(x, d.precision < 0 ? 15 : d.precision, fs_.DecimalSeparator);
        default: // 'N' and 'M'
            return FloatToFixedText(x, d.precision < 0 ? 2 : d.precision, fs_.DecimalSeparator, fs_.ThousandSeparator);
        }
    }

    void Emit(const Directive& d, const std::string& text)
    {
        const size_t length = Utf8Length(text);
        const size_t pad =
            d.width > 0 && length < static_cast<size_t>(d.width) ? static_cast<size_t>(d.width) - length : 0;
        if (!d.leftJustify)
            out_.append(pad, ' ');
        out_ += text;
        if (d.leftJustify)
            out_.append(pad, ' ');
    }

    std::string_view fmt_;
    const std::vector<FormatArg>& args_;
    const FormatSettings& fs_;
    size_t next_ = 0;
    std::string out_;
};

} // namespace

std::string FormatV(std::string_view fmt, const std::vector<FormatArg>& args, const FormatSettings& fs)
{
    return FormatRun(fmt, args, fs).Run();
}

std::string FormatV(std::string_view fmt, const std::vector<FormatArg>& args)
{
    return FormatV(fmt, args, DefaultFormatSettings());
}

} // namespace rtl
