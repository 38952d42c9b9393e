#include "app/RegionalSettings.h"

#include <string>

namespace app {

namespace {

std::string Utf8(const QString& s)
{
    return s.toStdString();
}

// The first character of the pattern that is neither a pattern letter nor quoted text.
std::string SeparatorOf(const QString& pattern, const char* fallback)
{
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter() && !c.isSpace())
            return Utf8(QString(c));
    }
    return fallback;
}

// Qt's pattern letters to the formatting routines': M is the month (m there, where m after an
// hour is the minute, written n to keep it apart), H the 24-hour hour, AP/ap the am/pm marker;
// the date (time) separator becomes "/" (":"), which the routines replace by the regional one.
// Quoted text is kept; letters these routines lack (the time zone t) go.
std::string ConvertPattern(const QString& pattern, const std::string& dateSeparator, const std::string& timeSeparator)
{
    std::string out;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            quoted = !quoted;
            out += '"';
            continue;
        }
        if (quoted) {
            out += Utf8(QString(c));
            continue;
        }
        const char a = c.toLatin1();
        switch (a) {
        case 'd': out += 'd'; break;
        case 'M': out += 'm'; break;
        case 'y': out += 'y'; break;
        case 'h':
        case 'H': out += 'h'; break;
        case 'm': out += 'n'; break;
        case 's': out += 's'; break;
        case 'z': out += 'z'; break;
        case 'A':
        case 'a':
            out += "ampm";
            if (i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p'))
                ++i;
            break;
        case 't': break;
        default: {
            const std::string s = Utf8(QString(c));
            if (c.isLetter() && a != 0)
                out += '"' + s + '"'; // a letter Qt takes as text, which the routines might not
            else if (s == dateSeparator && !dateSeparator.empty())
                out += '/';
            else if (s == timeSeparator && !timeSeparator.empty())
                out += ':';
            else
                out += s;
        }
        }
    }
    // A dropped time zone leaves its blank behind.
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

} // namespace

rtl::FormatSettings RegionalSettingsOf(const QLocale& locale)
{
    rtl::FormatSettings fs;
    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString longDate = locale.dateFormat(QLocale::LongFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    const QString longTime = locale.timeFormat(QLocale::LongFormat);
    fs.DateSeparator = SeparatorOf(shortDate, "/");
    fs.TimeSeparator = SeparatorOf(longTime, ":");
    fs.DecimalSeparator = Utf8(locale.decimalPoint());
    fs.ThousandSeparator = Utf8(locale.groupSeparator());
    fs.ShortDateFormat = ConvertPattern(shortDate, fs.DateSeparator, fs.TimeSeparator);
    fs.LongDateFormat = ConvertPattern(longDate, "", "");
    fs.ShortTimeFormat = ConvertPattern(shortTime, fs.DateSeparator, fs.TimeSeparator);
    fs.LongTimeFormat = ConvertPattern(longTime, fs.DateSeparator, fs.TimeSeparator);
    fs.TimeAMString = Utf8(locale.amText());
    fs.TimePMString = Utf8(locale.pmText());
    for (int m = 1; m <= 12; ++m) {
        fs.ShortMonthNames[m - 1] = Utf8(locale.monthName(m, QLocale::ShortFormat));
        fs.LongMonthNames[m - 1] = Utf8(locale.monthName(m, QLocale::LongFormat));
    }
    // Qt counts the days from Monday (1) to Sunday (7); the routines from Sunday (0).
    for (int d = 1; d <= 7; ++d) {
        fs.ShortDayNames[d % 7] = Utf8(locale.dayName(d, QLocale::ShortFormat));
        fs.LongDayNames[d % 7] = Utf8(locale.dayName(d, QLocale::LongFormat));
    }
    return fs;
}

void LoadRegionalSettings()
{
    rtl::DefaultFormatSettings() = RegionalSettingsOf(QLocale::system());
}

} // namespace app
