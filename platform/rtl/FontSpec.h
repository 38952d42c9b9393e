#pragma once
// A font as the class library describes one: face name, size, colour, style bits and character
// set. Stored with the preferences (the overlay font); platform/vcl turns it into a QFont.
#include <cstdint>
#include <string>

namespace rtl {

// Style bits: bold 0, italic 1, underline 2, strike-out 3.
inline constexpr uint8_t fsBold = 1u << 0;
inline constexpr uint8_t fsItalic = 1u << 1;
inline constexpr uint8_t fsUnderline = 1u << 2;
inline constexpr uint8_t fsStrikeOut = 1u << 3;

struct FontSpec {
    std::string Name = "Arial";
    int32_t Size = 48;         // > 0 points; < 0 the character height in pixels
    uint32_t Color = 0xFFFFFF; // 0x00BBGGRR
    uint8_t Style = fsBold;
    uint8_t Charset = 1; // the default character set
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

} // namespace rtl
