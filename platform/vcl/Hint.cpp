#include "platform/vcl/Hint.h"

#include <QAction>
#include <QWidget>

namespace vcl {

QString ToolTipText(const std::string& hint)
{
    if (hint.empty())
        return {};
    QString lines = QString::fromStdString(hint);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines = lines.toHtmlEscaped();
    lines.replace(QLatin1Char('\n'), QLatin1String("<br>"));
    return QStringLiteral("<p style=\"white-space:pre\">") + lines + QStringLiteral("</p>");
}

namespace {

QString FirstLine(const std::string& hint)
{
    return QString::fromStdString(hint).section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
}

} // namespace

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
    QString lines = QString::fromStdString(hint);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    widget.setAccessibleDescription(lines);
}

} // namespace vcl
