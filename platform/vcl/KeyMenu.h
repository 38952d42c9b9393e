#pragma once
// A menu that names its commands' keys as the program does everywhere else (ShortCutText: "Num +",
// "Shift+Ctrl+Z", "Ctrl+PgDn"), where Qt would write its own ("Num++", "Ctrl+Shift+Z").
//
//   auto* video = new vcl::KeyMenu(window);   // in place of new QMenu(window)
#include <QMenu>

namespace vcl {

class KeyMenu : public QMenu {
public:
    using QMenu::QMenu;

    // What the menu draws for `action`: its caption and, after a tab, its key.
    QString ItemText(const QAction& action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

} // namespace vcl
