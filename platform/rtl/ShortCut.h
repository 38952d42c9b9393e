#pragma once
// Keyboard shortcuts as the class library stores them: a virtual key code in the low byte and
// the modifiers above it, with their texts ("Ctrl+T", "Shift+Ctrl+Z", "F12", "Del").
#include <cstdint>
#include <string>
#include <string_view>

namespace rtl {

using TShortCut = uint16_t;

constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The key's modifiers as "Shift+", "Ctrl+", "Alt+" in that order, then its name; "" for 0 and
// for a key code without a name.
std::string ShortCutToText(TShortCut shortCut);
// Modifiers in any order, names in any case ("ALT+i" is Alt+I); 0 for an empty or unknown text.
TShortCut TextToShortCut(std::string_view text);

} // namespace rtl
