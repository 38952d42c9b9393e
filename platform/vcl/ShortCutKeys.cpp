#include "platform/vcl/ShortCutKeys.h"

#include <QAction>
#include <QHash>
#include <QSet>
#include <QWidget>
#include <array>

namespace vcl {

namespace {

using rtl::TShortCut;

constexpr uint8_t kReturn = 0x0D;
constexpr uint8_t kNumpad0 = 0x60;
constexpr uint8_t kF1 = 0x70;
constexpr int kFunctionKeys = 24;
constexpr uint8_t kPlusKey = 0xBB; // the "+" key of the main block

struct KeyPair {
    uint8_t code;
    Qt::Key key;
};

// Named keys of the main block and the cursor block (Windows virtual key codes).
constexpr std::array<KeyPair, 16> kNamedKeys = {{
    {0x08, Qt::Key_Backspace},
    {0x09, Qt::Key_Tab},
    {kReturn, Qt::Key_Return},
    {0x1B, Qt::Key_Escape},
    {0x20, Qt::Key_Space},
    {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},
    {0x23, Qt::Key_End},
    {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},
    {0x26, Qt::Key_Up},
    {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},
    {0x2D, Qt::Key_Insert},
    {0x2E, Qt::Key_Delete},
    {kPlusKey, Qt::Key_Plus},
}};

// Keypad keys other than the digits; Qt adds KeypadModifier to them.
constexpr std::array<KeyPair, 5> kKeypadKeys = {{
    {0x6A, Qt::Key_Asterisk},
    {0x6B, Qt::Key_Plus},
    {0x6D, Qt::Key_Minus},
    {0x6E, Qt::Key_Period},
    {0x6F, Qt::Key_Slash},
}};

// The symbols Shift gives the digit keys 0 to 9 on a US keyboard.
constexpr std::array<Qt::Key, 10> kShiftedDigits = {
    Qt::Key_ParenRight, Qt::Key_Exclam,      Qt::Key_At,        Qt::Key_NumberSign, Qt::Key_Dollar,
    Qt::Key_Percent,    Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,   Qt::Key_ParenLeft,
};

Qt::KeyboardModifiers ToModifiers(TShortCut shortCut)
{
    Qt::KeyboardModifiers m;
    if (shortCut & rtl::scShift)
        m |= Qt::ShiftModifier;
    if (shortCut & rtl::scCtrl)
        m |= Qt::ControlModifier;
    if (shortCut & rtl::scAlt)
        m |= Qt::AltModifier;
    return m;
}

TShortCut FromModifiers(Qt::KeyboardModifiers m)
{
    TShortCut s = 0;
    if (m & Qt::ShiftModifier)
        s |= rtl::scShift;
    if (m & Qt::ControlModifier)
        s |= rtl::scCtrl;
    if (m & Qt::AltModifier)
        s |= rtl::scAlt;
    return s;
}

// The Qt key of a virtual key code, KeypadModifier set for the keypad; Key_unknown for none.
QKeyCombination QtKey(uint8_t code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return Qt::Key(code); // Qt's letter and digit keys are their ASCII codes
    if (code >= kF1 && code < kF1 + kFunctionKeys)
        return Qt::Key(Qt::Key_F1 + (code - kF1));
    if (code >= kNumpad0 && code <= kNumpad0 + 9)
        return QKeyCombination(Qt::KeypadModifier, Qt::Key(Qt::Key_0 + (code - kNumpad0)));
    for (const KeyPair& k : kKeypadKeys)
        if (k.code == code)
            return QKeyCombination(Qt::KeypadModifier, k.key);
    for (const KeyPair& k : kNamedKeys)
        if (k.code == code)
            return k.key;
    return Qt::Key_unknown;
}

// The virtual key code and the Shift a Qt key stands for; 0 for none.
TShortCut CodeOf(Qt::Key key, bool keypad)
{
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9)
            return static_cast<TShortCut>(kNumpad0 + (key - Qt::Key_0));
        for (const KeyPair& k : kKeypadKeys)
            if (k.key == key)
                return k.code;
        if (key == Qt::Key_Enter)
            return kReturn;
        // Without NumLock the keypad reports the cursor keys: they are those keys.
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<TShortCut>(key);
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + kFunctionKeys)
        return static_cast<TShortCut>(kF1 + (key - Qt::Key_F1));
    if (key == Qt::Key_Enter)
        return kReturn;
    for (const KeyPair& k : kNamedKeys)
        if (k.key == key)
            return k.code;
    for (size_t digit = 0; digit < kShiftedDigits.size(); ++digit)
        if (kShiftedDigits[digit] == key)
            return static_cast<TShortCut>(rtl::scShift | ('0' + digit));
    return 0;
}

QString ActionName(const QAction& a)
{
    return a.objectName().isEmpty() ? a.text() : a.objectName();
}

} // namespace

QKeySequence ToKeySequence(TShortCut shortCut)
{
    const QKeyCombination key = QtKey(static_cast<uint8_t>(shortCut & 0xFF));
    if (key.key() == Qt::Key_unknown)
        return {};
    return QKeySequence(QKeyCombination(key.keyboardModifiers() | ToModifiers(shortCut), key.key()));
}

TShortCut FromKeySequence(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return 0;
    const QKeyCombination first = keys[0];
    const TShortCut code = CodeOf(first.key(), first.keyboardModifiers() & Qt::KeypadModifier);
    if (code == 0)
        return 0;
    TShortCut modifiers = FromModifiers(first.keyboardModifiers());
    if (code == kPlusKey)
        modifiers &= static_cast<TShortCut>(~rtl::scShift); // "+" is typed with Shift on most keyboards
    return static_cast<TShortCut>(code | modifiers);
}

QList<QKeySequence> KeySequences(TShortCut shortCut)
{
    const QKeySequence own = ToKeySequence(shortCut);
    if (own.isEmpty())
        return {};
    QList<QKeySequence> forms{own};
    const QKeyCombination k = own[0];
    const Qt::KeyboardModifiers mods = k.keyboardModifiers() & ~Qt::KeypadModifier;
    const uint8_t code = static_cast<uint8_t>(shortCut & 0xFF);
    if (k.keyboardModifiers() & Qt::KeypadModifier)
        forms.append(QKeySequence(QKeyCombination(mods, k.key())));
    if (code == kReturn)
        forms.append(QKeySequence(QKeyCombination(mods, Qt::Key_Enter)));
    if ((mods & Qt::ShiftModifier) && code >= '0' && code <= '9')
        forms.append(QKeySequence(QKeyCombination(mods, kShiftedDigits[code - '0'])));
    if (code == kPlusKey && !(mods & Qt::ShiftModifier))
        forms.append(QKeySequence(QKeyCombination(mods | Qt::ShiftModifier, Qt::Key_Plus)));
    return forms;
}

void SetShortCuts(QAction& action, std::span<const TShortCut> shortCuts)
{
    QList<QKeySequence> keys;
    for (TShortCut s : shortCuts)
        for (const QKeySequence& k : KeySequences(s))
            if (!keys.contains(k))
                keys.append(k);
    action.setShortcuts(keys);
}

void SetShortCuts(QAction& action, std::initializer_list<TShortCut> shortCuts)
{
    SetShortCuts(action, std::span<const TShortCut>(shortCuts.begin(), shortCuts.size()));
}

std::string ShortCutText(const QAction& action)
{
    return rtl::ShortCutToText(FromKeySequence(action.shortcut()));
}

std::vector<KeyClash> KeysHeldTwice(const QList<QAction*>& actions)
{
    std::vector<KeyClash> held; // every key met, with its holders
    QHash<QKeySequence, size_t> index;
    QSet<const QAction*> seen;
    for (const QAction* a : actions) {
        if (!a || !a->isEnabled() || !a->isVisible() || seen.contains(a))
            continue;
        seen.insert(a);
        QList<QKeySequence> own;
        for (const QKeySequence& k : a->shortcuts())
            if (!k.isEmpty() && !own.contains(k))
                own.append(k);
        for (const QKeySequence& k : own) {
            const auto it = index.constFind(k);
            if (it == index.cend()) {
                index.insert(k, held.size());
                held.push_back({k, {ActionName(*a)}});
            } else {
                held[*it].actions.append(ActionName(*a));
            }
        }
    }
    std::vector<KeyClash> clashes;
    for (KeyClash& k : held)
        if (k.actions.size() > 1)
            clashes.push_back(std::move(k));
    return clashes;
}

std::vector<KeyClash> KeysHeldTwice(const QWidget& window)
{
    QList<QAction*> all = window.actions();
    all += window.findChildren<QAction*>();
    for (const QWidget* w : window.findChildren<QWidget*>())
        all += w->actions();
    return KeysHeldTwice(all);
}

} // namespace vcl
