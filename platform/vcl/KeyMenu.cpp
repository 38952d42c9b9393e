#include "platform/vcl/KeyMenu.h"

#include <QStyleOptionMenuItem>

#include "platform/vcl/ShortCutKeys.h"

namespace vcl {

void KeyMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    // Qt adds the key after a tab, unless the caption holds one of its own.
    if (!action || action->text().contains(QLatin1Char('\t')))
        return;
    const qsizetype tab = option->text.indexOf(QLatin1Char('\t'));
    const std::string key = ShortCutText(*action);
    if (tab >= 0 && !key.empty())
        option->text = option->text.left(tab + 1) + QString::fromStdString(key);
}

QString KeyMenu::ItemText(const QAction& action) const
{
    QStyleOptionMenuItem option;
    initStyleOption(&option, &action);
    return option.text;
}

} // namespace vcl
