#include "platform/shell/DesktopEntry.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"

namespace shell {

namespace {

// A list value ends each item with ';'; a ';' inside an item is escaped.
std::string ListValue(const std::vector<std::string>& items)
{
    std::string s;
    for (const auto& item : items) {
        for (char c : item) {
            if (c == ';')
                s += "\\;";
            else
                s += c;
        }
        s += ';';
    }
    return EscapeStringValue(s);
}

} // namespace

std::string QuoteExecArgument(std::string_view arg)
{
    std::string s = "\"";
    for (char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            s += '\\';
        if (c == '%')
            s += '%';
        s += c;
    }
    s += '"';
    return s;
}

std::string EscapeStringValue(std::string_view value)
{
    std::string s;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\t': s += "\\t"; break;
        case '\r': s += "\\r"; break;
        case ' ': s += i == 0 ? "\\s" : " "; break;
        default: s += c;
        }
    }
    return s;
}

std::string DesktopEntryText(const DesktopEntry& entry)
{
    std::string exec = QuoteExecArgument(entry.program);
    for (const auto& a : entry.arguments)
        exec += ' ' + QuoteExecArgument(a);
    if (!entry.fieldCode.empty())
        exec += ' ' + entry.fieldCode;

    std::string t = "[Desktop Entry]\nType=Application\nVersion=1.0\n";
    t += "Name=" + EscapeStringValue(entry.name) + "\n";
    if (!entry.comment.empty())
        t += "Comment=" + EscapeStringValue(entry.comment) + "\n";
    t += "Exec=" + EscapeStringValue(exec) + "\n";
    if (!entry.workingFolder.empty())
        t += "Path=" + EscapeStringValue(entry.workingFolder) + "\n";
    if (!entry.mimeTypes.empty())
        t += "MimeType=" + ListValue(entry.mimeTypes) + "\n";
    t += "Terminal=false\n";
    return t;
}

bool WriteDesktopEntry(const std::string& path, const DesktopEntry& entry)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return false;
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    if (!rtl::MakeFolders(folder, 0755))
        return false;
    // Launchers outside the menu folders are only run when executable.
    return rtl::ReplaceFile(path, DesktopEntryText(entry), rtl::Replace::Allowed, 0755) == 0;
}

} // namespace shell
