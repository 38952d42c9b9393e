#include "platform/vcl/FontMap.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>
#include <array>
#include <utility>

#include "platform/rtl/SysUtils.h"

namespace vcl {

namespace {

// Windows faces and the Liberation faces drawn in their place (same metrics).
constexpr std::array<std::pair<const char*, const char*>, 5> kFaces = {{
    {"Arial", "Liberation Sans"},
    {"MS Sans Serif", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
}};

} // namespace

std::string QtFace(const std::string& name)
{
    for (const auto& [windows, liberation] : kFaces)
        if (rtl::SameText(name, windows))
            return liberation;
    return name;
}

QFont ToQFont(const std::string& face, int32_t size, uint8_t style)
{
    QFont font;
    font.setFamilies({QString::fromStdString(QtFace(face)), QString::fromLatin1(kChineseFallbackFace)});
    if (size > 0)
        font.setPointSize(size);
    else if (size < 0)
        font.setPixelSize(-size);
    font.setBold(style & rtl::fsBold);
    font.setItalic(style & rtl::fsItalic);
    font.setUnderline(style & rtl::fsUnderline);
    font.setStrikeOut(style & rtl::fsStrikeOut);
    return font;
}

QFont ToQFont(const rtl::FontSpec& spec)
{
    return ToQFont(spec.Name, spec.Size, spec.Style);
}

rtl::FontSpec FromQFont(const QFont& font, const QColor& color)
{
    rtl::FontSpec spec;
    spec.Name = QFontInfo(font).family().toStdString();
    spec.Size = font.pointSize() > 0 ? font.pointSize() : -font.pixelSize();
    spec.Color = FromQColor(color);
    spec.Style =
        static_cast<uint8_t>((font.bold() ? rtl::fsBold : 0) | (font.italic() ? rtl::fsItalic : 0) |
                             (font.underline() ? rtl::fsUnderline : 0) | (font.strikeOut() ? rtl::fsStrikeOut : 0));
    return spec;
}

QColor ToQColor(uint32_t color)
{
    if (color >> 24 != 0)
        return QGuiApplication::palette().color(QPalette::WindowText);
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}

uint32_t FromQColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}

void ApplyFont(QWidget& widget, const rtl::FontSpec& spec)
{
    widget.setFont(ToQFont(spec));
    QPalette palette = widget.palette();
    const QColor color = ToQColor(spec.Color);
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget.setPalette(palette);
}

} // namespace vcl
