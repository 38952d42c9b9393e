#pragma once
// Renders the overlay's text lines with Qt and blends them onto 24-bit RGB or planar YUV pictures.
// A rendering is kept while its line and the font stay the same, so a picture whose text did not
// change costs only the blend of the text's own rectangle. On YUV the two lines become one box of
// luma and chroma weights, kept until a line, the font or the placement changes, and blended into
// the Y plane and the subsampled chroma planes inside that box only. Text needs a QGuiApplication
// (fonts come from its font database); without one Prepare says no and nothing is drawn. Not
// thread-safe: one streaming thread uses it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <QFont>
#include <QImage>

#include "platform/filters/PictureConverter.h"

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
    // Blends both lines, each cell's top-left at (x[i], y[i]), into a planar YUV picture (BT.601,
    // video range) whose chroma samples cover 1 << shiftX by 1 << shiftY pixels, as the same text
    // blended on RGB would come out, its chroma averaged over each sample's pixels.
    void BlendYuv(const ds::PicturePlanes& picture, int shiftX, int shiftY, const int (&x)[kLines],
                  const int (&y)[kLines]);

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
    // The two lines as weights over their box in the picture, for YUV: per pixel (and per chroma
    // sample, summed over its pixels) the text's alpha and its premultiplied Y, U, V times 255.
    struct YuvBox {
        // What it was made for.
        uint64_t generation = ~uint64_t{0};
        int x[kLines] = {}, y[kLines] = {};
        int width = 0, height = 0, shiftX = 0, shiftY = 0;
        // The box, in whole chroma samples within the picture: [left, right) x [top, bottom).
        int left = 0, top = 0, right = 0, bottom = 0;
        std::vector<uint16_t> alpha;             // luma, (right - left) per row
        std::vector<int32_t> luma;               // premultiplied Y x 255
        std::vector<uint16_t> chromaAlpha;       // summed over a sample's pixels
        std::vector<int32_t> blue, red;          // premultiplied U, V x 255, summed
        std::vector<std::pair<int, int>> inked;  // per luma row, columns with ink (relative)
        std::vector<std::pair<int, int>> cinked; // per chroma row
    };
    void Render(Line& line, const std::string& text);
    void MakeYuvBox(int width, int height, int shiftX, int shiftY, const int (&x)[kLines], const int (&y)[kLines]);

    OverlayFont font_;
    bool haveFont_ = false;
    QFont qfont_;
    int cellHeight_ = 0;
    int ascent_ = 0;
    Line lines_[kLines];
    uint64_t generation_ = 0; // counts renderings, so the YUV box knows when a line changed
    YuvBox yuv_;
};

} // namespace media
