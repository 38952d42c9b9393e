#include "platform/vcl/Hint.h"

#include <QAction>
#include <QWidget>

namespace vcl {

namespace {

// The hint's lines, ended by LF whatever the string table ended them with.
QString Lines(const std::string& hint)
{
    QString lines = QString::fromStdString(hint);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

QString FirstLine(const std::string& hint)
{
    return Lines(hint).section(QLatin1Char('\n'), 0, 0);
}

} // namespace

QString ToolTipText(const std::string& hint)
{
    if (hint.empty())
        return {};
    QString lines = Lines(hint).toHtmlEscaped();
    lines.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<p style=\"white-space:pre\">") + lines + QStringLiteral("</p>");
}

void SetHint(QWidget& widget, const std::string& hint)
{
    widget.setToolTip(ToolTipText(hint));
}

void SetHint(QAction& action, const std::string& hint)
{
    action.setToolTip(ToolTipText(hint));
    action.setStatusTip(FirstLine(hint));
}

void SetAccessibleHint(QWidget& widget, const std::string& hint)
{
    SetHint(widget, hint);
    widget.setAccessibleName(FirstLine(hint).trimmed());
    widget.setAccessibleDescription(Lines(hint));
}

} // namespace vcl
