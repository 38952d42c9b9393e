#pragma once
// The class library's shortcuts (rtl::TShortCut, "Ctrl+Num 2", "ALT+i") as Qt key sequences, and
// the check that no key is held by two actions of one window.
//
//   vcl::SetShortCuts(*amAfficherSliders, {rtl::TextToShortCut("Alt+I"), rtl::TextToShortCut("ALT+i")});
//   for (const vcl::KeyClash& c : vcl::KeysHeldTwice(window)) ...   // none in a sound window
//
// Qt fires no action for a key that two enabled shortcuts hold, even two of the same action
// (it calls the key ambiguous), so a window gives each action its keys through SetShortCuts,
// which lists every sequence once, and its tests assert KeysHeldTwice is empty.
//
// One key can reach Qt's shortcut map in several forms, and an action must hold exactly one of
// the forms of each press, or none fires. KeySequences gives them:
// - keypad keys: X11 drops the keypad from shortcut matching (Ctrl+Num 2 arrives as Ctrl+2), while
//   synthetic events keep it; so Ctrl+Num 2 is held as Ctrl+Num+2 and as Ctrl+2. The main-row
//   Ctrl+2 then fires it too, and an action holding Ctrl+2 clashes with it (as it would on X11).
// - a key typed with Shift: X11 offers Ctrl+Shift+2 and Ctrl+@, synthetic events and other
//   platforms the symbol with its Shift, Ctrl+Shift+@ (US keyboard symbols); the "+" key arrives
//   as + or Shift++. Both forms are held.
// - Enter: the main key (Return) and the keypad's (Enter).
#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "platform/rtl/ShortCut.h"

class QAction;
class QWidget;

namespace vcl {

// The key itself, keypad included (Ctrl+Num 2 is Ctrl+KeypadModifier+2); empty for 0 or a key
// without a Qt key.
QKeySequence ToKeySequence(rtl::TShortCut shortCut);
// The first key of `keys` as a TShortCut: the inverse of ToKeySequence, and a symbol typed with
// Shift gives the key it is typed on (Ctrl+Shift+@ is Shift+Ctrl+2, Shift++ is "+"). 0 when the
// key has no TShortCut.
rtl::TShortCut FromKeySequence(const QKeySequence& keys);

// Every form in which the key reaches Qt (above), ToKeySequence's first; none for 0.
QList<QKeySequence> KeySequences(rtl::TShortCut shortCut);

// Gives `action` the keys (primary first, 0 entries skipped), every sequence once: "Alt+I" and
// "ALT+i" are one key.
void SetShortCuts(QAction& action, std::span<const rtl::TShortCut> shortCuts);
void SetShortCuts(QAction& action, std::initializer_list<rtl::TShortCut> shortCuts);
// The action's primary key as the class library writes it ("Ctrl+Num 2"); "" without one.
std::string ShortCutText(const QAction& action);

// A key held by more than one action, with the actions' names (objectName, else the text).
struct KeyClash {
    QKeySequence key;
    QStringList actions;
};
// Among `actions`, the keys that two or more enabled and visible actions hold; a key an action
// holds twice counts once for it. In the order of first appearance.
std::vector<KeyClash> KeysHeldTwice(const QList<QAction*>& actions);
// The same over every action that lives in `window`: its own, its children's and those added to
// it or to its child widgets (menus, tool bars).
std::vector<KeyClash> KeysHeldTwice(const QWidget& window);

} // namespace vcl
