#include "media/TextOverlay.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace media {

QFont TextOverlay::MakeFont(const OverlayFont& font)
{
    QFont f(QString::fromStdString(font.Name));
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    f.setStrikeOut(font.StrikeOut);
    const int size = font.Size == 0 ? 1 : font.Size;
    if (size > 0) {
        f.setPixelSize(std::max(1, static_cast<int>(std::lround(size * 96.0 / 72.0))));
        return f;
    }
    // A cell height: the pixel (em) size whose ascent + descent comes closest to it from below.
    const int cell = -size;
    f.setPixelSize(cell);
    const int measured = QFontMetrics(f).height();
    if (measured > cell) {
        int px = std::max(1, cell * cell / measured);
        f.setPixelSize(px);
        while (px > 1 && QFontMetrics(f).height() > cell)
            f.setPixelSize(--px);
    }
    return f;
}

bool TextOverlay::Prepare(const OverlayFont& font, const std::string& line1, const std::string& line2)
{
    if (QGuiApplication::instance() == nullptr)
        return false;
    if (!haveFont_ || !(font == font_)) {
        font_ = font;
        qfont_ = MakeFont(font);
        const QFontMetrics metrics(qfont_);
        cellHeight_ = metrics.height();
        ascent_ = metrics.ascent();
        haveFont_ = true;
        for (Line& line : lines_)
            Render(line, line.text);
    }
    const std::string* texts[kLines] = {&line1, &line2};
    for (int i = 0; i < kLines; ++i)
        if (lines_[i].text != *texts[i])
            Render(lines_[i], *texts[i]);
    return true;
}

void TextOverlay::Render(Line& line, const std::string& text)
{
    ++generation_;
    line.text = text;
    line.image = QImage();
    line.advance = 0;
    if (text.empty())
        return;
    const QString qtext = QString::fromStdString(text);
    const QFontMetrics metrics(qfont_);
    line.advance = metrics.horizontalAdvance(qtext);
    line.pad = cellHeight_ / 2 + 1;
    line.image = QImage(line.advance + 2 * line.pad, cellHeight_, QImage::Format_ARGB32_Premultiplied);
    line.image.fill(Qt::transparent);
    QPainter painter(&line.image);
    painter.setFont(qfont_);
    const uint32_t c = font_.Color;
    painter.setPen(
        QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF)));
    painter.drawText(line.pad, ascent_, qtext); // QPainter places text by its baseline
    painter.end();
    line.inked.assign(static_cast<size_t>(line.image.height()), {0, 0});
    for (int y = 0; y < line.image.height(); ++y) {
        const auto* px = reinterpret_cast<const QRgb*>(line.image.constScanLine(y));
        int first = 0, end = line.image.width();
        while (first < end && qAlpha(px[first]) == 0)
            ++first;
        while (end > first && qAlpha(px[end - 1]) == 0)
            --end;
        line.inked[static_cast<size_t>(y)] = {first, end};
    }
}

void TextOverlay::Blend(int line, uint8_t* topRow, ptrdiff_t rowStep, int width, int height, int x, int y) const
{
    const Line& l = lines_[line];
    if (l.image.isNull())
        return;
    const int left = x - l.pad;
    const int y0 = std::max(0, y), y1 = std::min(height, y + l.image.height());
    for (int py = y0; py < y1; ++py) {
        const auto [first, end] = l.inked[static_cast<size_t>(py - y)];
        const int x0 = std::max(0, left + first), x1 = std::min(width, left + end);
        const auto* src = reinterpret_cast<const QRgb*>(l.image.constScanLine(py - y));
        uint8_t* dst = topRow + py * rowStep;
        for (int px = x0; px < x1; ++px) {
            const QRgb s = src[px - left];
            const int a = qAlpha(s);
            if (a == 0)
                continue;
            uint8_t* d = dst + 3 * px; // blue, green, red
            const int keep = 255 - a;
            d[0] = static_cast<uint8_t>(qBlue(s) + (d[0] * keep + 127) / 255);
            d[1] = static_cast<uint8_t>(qGreen(s) + (d[1] * keep + 127) / 255);
            d[2] = static_cast<uint8_t>(qRed(s) + (d[2] * keep + 127) / 255);
        }
    }
}

} // namespace media
