#pragma once
// Fonts and colours as the class library gives them (rtl::FontSpec, 0x00BBGGRR colours), as Qt
// draws them.
//
//   ListBox1->setFont(vcl::ToQFont("Courier New", -11));                  // 11 pixels high
//   vcl::ApplyFont(*labTimeStamp, {"Times New Roman", 8, 0x00800000, 0}); // navy, 8 points
//
// A FontSpec left at its defaults is the overlay's (bold, 48 points, white): give window fonts
// every field, or use the face-and-size form.
//
// The Windows faces the program names are drawn with the metric-compatible Liberation faces:
// Arial and MS Sans Serif with Liberation Sans, Arial Narrow with Liberation Sans Narrow, Times
// New Roman with Liberation Serif, Courier New with Liberation Mono; other names are kept. Every
// font falls back to Noto Sans CJK SC for the Chinese texts, so they get the simplified forms.
#include <QColor>
#include <QFont>
#include <string>

#include "platform/rtl/FontSpec.h"

class QWidget;

namespace vcl {

inline constexpr const char* kChineseFallbackFace = "Noto Sans CJK SC";

// The face Qt is asked for in place of `name`.
std::string QtFace(const std::string& name);

// Face (mapped, with the Chinese fallback), size (points, or the pixel height when negative)
// and style bits. The colour is not part of a QFont: see ToQColor.
QFont ToQFont(const std::string& face, int32_t size, uint8_t style = 0);
QFont ToQFont(const rtl::FontSpec& spec);
// The face Qt resolved `font` to, its size in points (its pixel height, negated, for a font sized
// in pixels), style bits and `color`.
rtl::FontSpec FromQFont(const QFont& font, const QColor& color);

// 0x00BBGGRR; a colour with a high byte (a system colour) becomes the palette's text colour.
QColor ToQColor(uint32_t color);
uint32_t FromQColor(const QColor& color);

// Sets `widget`'s font and its text colour.
void ApplyFont(QWidget& widget, const rtl::FontSpec& spec);

} // namespace vcl
