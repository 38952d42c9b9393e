// Fonts as the windows name them: each Windows face is drawn from its Liberation file, every
// Chinese text of the string table finds its glyphs, sizes and styles carry over, colours keep
// their byte order.
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QLabel>
#include <QRawFont>
#include <QTextLayout>
#include <filesystem>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/rtl/StringTable.h"
#include "platform/vcl/FontMap.h"

using namespace vcl;

namespace {

// The file fontconfig opens for `family` (regular style).
std::string FontFile(const QString& family)
{
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    std::string file;
    FcChar8* path = nullptr;
    if (match && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch)
        file = reinterpret_cast<const char*>(path);
    if (match)
        FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

bool IsChinese(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

} // namespace

TEST(FontMap, EachWindowsFaceIsDrawnFromItsLiberationFile)
{
    struct Face {
        const char* windows;
        const char* family;
        const char* file;
    };
    const Face faces[] = {
        {"Arial", "Liberation Sans", "LiberationSans-Regular.ttf"},
        {"MS Sans Serif", "Liberation Sans", "LiberationSans-Regular.ttf"},
        {"Arial Narrow", "Liberation Sans Narrow", "LiberationSansNarrow-Regular.ttf"},
        {"Times New Roman", "Liberation Serif", "LiberationSerif-Regular.ttf"},
        {"Courier New", "Liberation Mono", "LiberationMono-Regular.ttf"},
        {"courier new", "Liberation Mono", "LiberationMono-Regular.ttf"},
    };
    for (const Face& f : faces) {
        SCOPED_TRACE(f.windows);
        const QString drawn = QFontInfo(ToQFont(f.windows, 10)).family();
        EXPECT_EQ(drawn.toStdString(), f.family);
        EXPECT_EQ(std::filesystem::path(FontFile(drawn)).filename(), f.file);
    }
    EXPECT_EQ(QtFace("DejaVu Sans"), "DejaVu Sans"); // other faces as they are
}

TEST(FontMap, EveryChineseTextOfTheStringTableFindsItsGlyphs)
{
    const QFont font = ToQFont("MS Sans Serif", 8);
    int checked = 0;
    for (const auto part : rtl::StringTableParts())
        for (const rtl::StringEntry& entry : part) {
            const QString text = QString::fromUtf8(entry.text);
            for (char32_t c : text.toUcs4()) {
                if (!IsChinese(c))
                    continue;
                SCOPED_TRACE("entry " + std::to_string(entry.id) + ", U+" + QString::number(c, 16).toStdString());
                QTextLayout layout(QString::fromUcs4(&c, 1), font);
                layout.beginLayout();
                layout.createLine();
                layout.endLayout();
                const QList<QGlyphRun> runs = layout.glyphRuns();
                ASSERT_EQ(runs.size(), 1);
                for (quint32 glyph : runs[0].glyphIndexes())
                    EXPECT_NE(glyph, 0u); // 0 is the missing-glyph box
                EXPECT_EQ(runs[0].rawFont().familyName(), kChineseFallbackFace);
                ++checked;
            }
        }
    EXPECT_GT(checked, 20);
}

TEST(FontMap, SizesAndStylesCarryOver)
{
    const QFont points = ToQFont({"Arial", 12, 0, rtl::fsBold | rtl::fsUnderline});
    EXPECT_EQ(points.pointSize(), 12);
    EXPECT_TRUE(points.bold());
    EXPECT_FALSE(points.italic());
    EXPECT_TRUE(points.underline());
    EXPECT_FALSE(points.strikeOut());
    const QFont pixels = ToQFont({"Courier New", -11, 0, rtl::fsItalic | rtl::fsStrikeOut});
    EXPECT_EQ(pixels.pixelSize(), 11);
    EXPECT_TRUE(pixels.italic());
    EXPECT_TRUE(pixels.strikeOut());
    EXPECT_FALSE(pixels.bold());

    const rtl::FontSpec back = FromQFont(points, QColor(0x40, 0x80, 0xFF));
    EXPECT_EQ(back.Name, "Liberation Sans"); // the face drawn
    EXPECT_EQ(back.Size, 12);
    EXPECT_EQ(back.Color, 0x00FF8040u);
    EXPECT_EQ(back.Style, rtl::fsBold | rtl::fsUnderline);
    EXPECT_EQ(FromQFont(pixels, Qt::black).Size, -11);
    EXPECT_EQ(FromQFont(pixels, Qt::black).Style, rtl::fsItalic | rtl::fsStrikeOut);
}

TEST(FontMap, ColoursAreBlueGreenRedFromTheHighByteDown)
{
    EXPECT_EQ(ToQColor(0x00FF8040), QColor(0x40, 0x80, 0xFF));
    EXPECT_EQ(ToQColor(0x00000080), QColor(0x80, 0, 0)); // maroon
    EXPECT_EQ(ToQColor(0x00800000), QColor(0, 0, 0x80)); // navy
    EXPECT_EQ(FromQColor(QColor(0x12, 0x34, 0x56)), 0x00563412u);
    EXPECT_EQ(ToQColor(0x80000008), QGuiApplication::palette().color(QPalette::WindowText)); // a system colour

    // A label drawn red in the colour the class library calls 0x000000FF.
    QLabel label(QString::fromUtf8("\u2588\u2588\u2588"));
    ApplyFont(label, {"Arial", 24, 0x000000FF, 0});
    label.adjustSize();
    QImage image(label.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    label.render(&image);
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            red += image.pixel(x, y) == qRgb(0xFF, 0, 0);
    EXPECT_GT(red, 50);
}
