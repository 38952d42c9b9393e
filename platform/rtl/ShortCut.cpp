#include "platform/rtl/ShortCut.h"

#include <array>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

struct KeyName {
    uint8_t code;
    const char* name;
};

// The named keys that are not a letter, a digit or a function key (Windows virtual key codes).
constexpr std::array<KeyName, 31> kKeyNames = {{
    {0x08, "BkSp"},  {0x09, "Tab"},   {0x0D, "Enter"}, {0x1B, "Esc"},   {0x20, "Space"},   {0x21, "PgUp"},
    {0x22, "PgDn"},  {0x23, "End"},   {0x24, "Home"},  {0x25, "Left"},  {0x26, "Up"},      {0x27, "Right"},
    {0x28, "Down"},  {0x2D, "Ins"},   {0x2E, "Del"},   {0x60, "Num 0"}, {0x61, "Num 1"},   {0x62, "Num 2"},
    {0x63, "Num 3"}, {0x64, "Num 4"}, {0x65, "Num 5"}, {0x66, "Num 6"}, {0x67, "Num 7"},   {0x68, "Num 8"},
    {0x69, "Num 9"}, {0x6A, "Num *"}, {0x6B, "Num +"}, {0x6D, "Num -"}, {0x6E, "Num Del"}, {0x6F, "Num /"},
    {0xBB, "+"},
}};

constexpr uint8_t kF1 = 0x70;
constexpr int kFunctionKeys = 24;

std::string KeyText(uint8_t code)
{
    if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'))
        return std::string(1, static_cast<char>(code));
    if (code >= kF1 && code < kF1 + kFunctionKeys)
        return "F" + std::to_string(code - kF1 + 1);
    for (const KeyName& k : kKeyNames)
        if (k.code == code)
            return k.name;
    return {};
}

// Takes `prefix` off the front of `text` when it is there, whatever its case.
bool TakePrefix(std::string_view& text, std::string_view prefix)
{
    if (text.size() < prefix.size() || !SameText(text.substr(0, prefix.size()), prefix))
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

} // namespace

std::string ShortCutToText(TShortCut shortCut)
{
    const std::string key = KeyText(static_cast<uint8_t>(shortCut & 0xFF));
    if (key.empty())
        return {};
    std::string text;
    if (shortCut & scShift)
        text += "Shift+";
    if (shortCut & scCtrl)
        text += "Ctrl+";
    if (shortCut & scAlt)
        text += "Alt+";
    return text + key;
}

TShortCut TextToShortCut(std::string_view text)
{
    TShortCut modifiers = 0;
    for (;;) {
        if (TakePrefix(text, "Shift+"))
            modifiers |= scShift;
        else if (TakePrefix(text, "Ctrl+"))
            modifiers |= scCtrl;
        else if (TakePrefix(text, "Alt+"))
            modifiers |= scAlt;
        else
            break;
    }
    if (text.empty())
        return 0;
    for (int code = 1; code < 256; ++code)
        if (const std::string key = KeyText(static_cast<uint8_t>(code)); !key.empty() && SameText(key, text))
            return static_cast<TShortCut>(modifiers | code);
    return 0;
}

} // namespace rtl
