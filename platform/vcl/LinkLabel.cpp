#include "platform/vcl/LinkLabel.h"

#include <QMouseEvent>

#include "platform/shell/Shell.h"

namespace vcl {

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent), opener_(shell::OpenDocument)
{
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QPalette p = palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    setPalette(p);
}

bool LinkLabel::Click()
{
    const std::string target = Target();
    return !target.empty() && opener_ && opener_(target);
}

void LinkLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Click();
    QLabel::mousePressEvent(event);
}

std::string MailtoLabel::Target() const
{
    if (address_.empty())
        return {};
    std::string url = "mailto:" + MailtoEncode(address_, "@");
    char separator = '?';
    for (const auto& [name, value] : {std::pair{"subject=", &subject_}, std::pair{"body=", &MailBody}}) {
        if (value->empty())
            continue;
        url += separator;
        url += name + MailtoEncode(*value);
        separator = '&';
    }
    return url;
}

std::string MailtoEncode(const std::string& text, const std::string& keep)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // A line break is CR LF in a mail body, whatever the caller wrote.
        if (c == '\r' || c == '\n') {
            out += "%0D%0A";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved || (c < 0x80 && keep.find(static_cast<char>(c)) != std::string::npos)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

} // namespace vcl
