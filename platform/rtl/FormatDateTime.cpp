#include "platform/rtl/FormatDateTime.h"

#include <cstdint>

#include "platform/rtl/DayAndTime.h"

namespace rtl {

namespace {

// Formats nested through ddddd, dddddd, t, tt and c go this deep at most, so a regional format
// that names itself cannot recurse forever.
constexpr int kMaxNesting = 2;

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool StartsWithNoCase(std::string_view text, size_t pos, std::string_view word)
{
    if (text.size() - pos < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (Upper(text[pos + i]) != word[i])
            return false;
    return true;
}

void AppendNumber(std::string& out, int64_t value, int digits)
{
    std::string s = std::to_string(value < 0 ? -value : value);
    if (value < 0)
        out += '-';
    if (static_cast<int>(s.size()) < digits)
        out.append(static_cast<size_t>(digits) - s.size(), '0');
    out += s;
}

struct Fields {
    int year, month, day, hour, minute, second, msec, dayOfWeek; // dayOfWeek: 0 = Sunday
};

class Formatter {
public:
    Formatter(const Fields& f, const FormatSettings& fs) : f_(f), fs_(fs) {}

    void Append(std::string_view pattern, int depth)
    {
        if (depth > kMaxNesting)
            return;
        const bool twelveHour = HasTwelveHourMarker(pattern);
        char lastToken = 0;
        size_t i = 0;
        while (i < pattern.size()) {
            const char c = pattern[i];
            if (c == '\'' || c == '"') {
                const size_t end = pattern.find(c, i + 1);
                const size_t stop = end == std::string_view::npos ? pattern.size() : end;
                out_.append(pattern.substr(i + 1, stop - i - 1));
                i = stop == pattern.size() ? stop : stop + 1;
                continue;
            }
            if (c == '/') {
                out_ += fs_.DateSeparator;
                ++i;
                continue;
            }
            if (c == ':') {
                out_ += fs_.TimeSeparator;
                ++i;
                continue;
            }
            if (!IsAsciiLetter(c)) {
                out_ += c;
                ++i;
                continue;
            }
            const char token = Upper(c);
            size_t count = 1;
            while (i + count < pattern.size() && Upper(pattern[i + count]) == token)
                ++count;
            switch (token) {
            case 'Y':
                if (count <= 2)
                    AppendNumber(out_, f_.year % 100, 2);
                else
                    AppendNumber(out_, f_.year, 4);
                i += count;
                break;
            case 'M':
                if (lastToken == 'H')
                    AppendNumber(out_, f_.minute, count == 1 ? 0 : 2);
                else if (count == 1)
                    AppendNumber(out_, f_.month, 0);
                else if (count == 2)
                    AppendNumber(out_, f_.month, 2);
                else if (count == 3)
                    out_ += fs_.ShortMonthNames[static_cast<size_t>(f_.month - 1)];
                else
                    out_ += fs_.LongMonthNames[static_cast<size_t>(f_.month - 1)];
                i += count;
                break;
            case 'D':
                if (count <= 2)
                    AppendNumber(out_, f_.day, static_cast<int>(count == 1 ? 0 : 2));
                else if (count == 3)
                    out_ += fs_.ShortDayNames[static_cast<size_t>(f_.dayOfWeek)];
                else if (count == 4)
                    out_ += fs_.LongDayNames[static_cast<size_t>(f_.dayOfWeek)];
                else if (count == 5)
                    Append(fs_.ShortDateFormat, depth + 1);
                else
                    Append(fs_.LongDateFormat, depth + 1);
                i += count;
                break;
            case 'H': {
                int hour = f_.hour;
                if (twelveHour) {
                    hour %= 12;
                    if (hour == 0)
                        hour = 12;
                }
                AppendNumber(out_, hour, count == 1 ? 0 : 2);
                i += count;
                break;
            }
            case 'N':
                AppendNumber(out_, f_.minute, count == 1 ? 0 : 2);
                i += count;
                break;
            case 'S':
                AppendNumber(out_, f_.second, count == 1 ? 0 : 2);
                i += count;
                break;
            case 'Z':
                AppendNumber(out_, f_.msec, count == 1 ? 0 : 3);
                i += count;
                break;
            case 'T':
                Append(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1);
                i += count;
                break;
            case 'C':
                AppendDateTime(depth + 1);
                i += count;
                break;
            case 'A': i += AppendMarker(pattern, i); break;
            default:
                // Letters that are no token stand for themselves.
                out_.append(pattern.substr(i, count));
                i += count;
                break;
            }
            lastToken = token;
        }
    }

    void AppendDateTime(int depth)
    {
        Append(fs_.ShortDateFormat, depth);
        if (f_.hour != 0 || f_.minute != 0 || f_.second != 0 || f_.msec != 0) {
            out_ += ' ';
            Append(fs_.LongTimeFormat, depth);
        }
    }

    std::string Take() { return std::move(out_); }

private:
    // am/pm and a/p copy the pattern's own letters, so their case follows the pattern; ampm
    // prints the regional strings. Returns the pattern characters consumed.
    size_t AppendMarker(std::string_view pattern, size_t i)
    {
        const bool pm = f_.hour >= 12;
        if (StartsWithNoCase(pattern, i, "AM/PM")) {
            out_.append(pattern.substr(pm ? i + 3 : i, 2));
            return 5;
        }
        if (StartsWithNoCase(pattern, i, "A/P")) {
            out_ += pattern[pm ? i + 2 : i];
            return 3;
        }
        if (StartsWithNoCase(pattern, i, "AMPM")) {
            out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
            return 4;
        }
        out_ += pattern[i];
        return 1;
    }

    static bool HasTwelveHourMarker(std::string_view pattern)
    {
        for (size_t i = 0; i < pattern.size(); ++i) {
            const char c = pattern[i];
            if (c == '\'' || c == '"') {
                const size_t end = pattern.find(c, i + 1);
                if (end == std::string_view::npos)
                    return false;
                i = end;
                continue;
            }
            if (Upper(c) == 'A' && (StartsWithNoCase(pattern, i, "AM/PM") || StartsWithNoCase(pattern, i, "A/P") ||
                                    StartsWithNoCase(pattern, i, "AMPM")))
                return true;
        }
        return false;
    }

    const Fields& f_;
    const FormatSettings& fs_;
    std::string out_;
};

Fields DecodeFields(TDateTime dt)
{
    Fields f{};
    DecodeDateTime(dt, f.year, f.month, f.day, f.hour, f.minute, f.second, f.msec);
    f.dayOfWeek = DayOfWeek(dt) - 1;
    return f;
}

} // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime dt, const FormatSettings& fs)
{
    const Fields fields = DecodeFields(dt);
    Formatter formatter(fields, fs);
    if (pattern.empty())
        formatter.AppendDateTime(1);
    else
        formatter.Append(pattern, 0);
    return formatter.Take();
}

std::string FormatDateTime(std::string_view pattern, TDateTime dt)
{
    return FormatDateTime(pattern, dt, DefaultFormatSettings());
}

std::string DateToStr(TDateTime dt)
{
    return FormatDateTime("ddddd", dt);
}

std::string TimeToStr(TDateTime dt)
{
    return FormatDateTime("tt", dt);
}

std::string DateTimeToStr(TDateTime dt)
{
    return FormatDateTime("", dt);
}

} // namespace rtl
