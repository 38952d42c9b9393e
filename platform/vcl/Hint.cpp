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

void SetHint(QWidget& widget, const std::string& hint)
{
    widget.setToolTip(ToolTipText(hint));
}

void SetHint(QAction& action, const std::string& hint)
{
    action.setToolTip(ToolTipText(hint));
    const QString first =
        QString::fromStdString(hint).section(QLatin1Char('\r'), 0, 0).section(QLatin1Char('\n'), 0, 0);
    action.setStatusTip(first);
}

} // namespace vcl
