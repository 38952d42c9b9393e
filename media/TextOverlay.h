#pragma once
// Renders the overlay's text lines with Qt and blends them onto 24-bit pictures. A rendering is
// kept while its line and the font stay the same, so a picture whose text did not change costs
// only the blend of the text's own rectangle. Text needs a QGuiApplication (fonts come from its
// font database); without one Prepare says no and nothing is drawn. Not thread-safe: one
// streaming thread uses it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QFont>
#include <QImage>

namespace media {

struct OverlayFont {
    std::string Name = "Arial"; // fontconfig stands Liberation Sans in for it
    int32_t Size = 21;          // > 0: points at 96 dpi; < 0: a cell height in pixels; 0 as 1
    uint32_t Color = 0xFFFFFF;  // the class library's colour: 0x00BBGGRR
    bool Bold = true;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    friend bool operator==(const OverlayFont&, const OverlayFont&) = default;
};

class TextOverlay {
public:
    static constexpr int kLines = 2;

    // Renders the lines that differ from the last rendering. False (nothing to draw) without a
    // QGuiApplication.
    bool Prepare(const OverlayFont& font, const std::string& line1, const std::string& line2);
    // The cell height of a line (ascent + descent) and a line's advance width, in pixels.
    int CellHeight() const { return cellHeight_; }
    int Advance(int line) const { return lines_[line].advance; }
    // Blends line `line` with its cell's top-left at (x, y), in pixels from the picture's top-left;
    // what falls outside the picture is left out.
    void Blend(int line, uint8_t* topRow, ptrdiff_t rowStep, int width, int height, int x, int y) const;

    // The font an OverlayFont selects (Size resolved to a pixel size).
    static QFont MakeFont(const OverlayFont& font);

private:
    struct Line {
        std::string text;
        int advance = 0;
        int pad = 0;  // room left of the cell for overhanging glyphs
        QImage image; // premultiplied ARGB; null for an empty line
        // Per image row, the first and one past the last column drawn on (first == end: none),
        // so a blend touches only the glyphs' own pixels.
        std::vector<std::pair<int, int>> inked;
    };
    void Render(Line& line, const std::string& text) const;

    OverlayFont font_;
    bool haveFont_ = false;
    QFont qfont_;
    int cellHeight_ = 0;
    int ascent_ = 0;
    Line lines_[kLines];
};

} // namespace media
