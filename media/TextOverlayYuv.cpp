// The overlay's text on planar YUV pictures: the two rendered lines turned once into weights over
// their box, then blended into the picture's planes inside that box only.
#include "media/TextOverlay.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace media {

namespace {

// BT.601 at video range, as the DV codec's pictures are coded: Y, U and V of a premultiplied RGB
// pixel (alpha `a`), each times 255, so that blending over a background v gives
// (weight + v x (255 - a)) / 255, as the RGB blend does channel by channel.
double PremultipliedY(int a, int r, int g, int b)
{
    return 16.0 * a + 65.481 * r + 128.553 * g + 24.966 * b;
}
double PremultipliedU(int a, int r, int g, int b)
{
    return 128.0 * a - 37.797 * r - 74.203 * g + 112.0 * b;
}
double PremultipliedV(int a, int r, int g, int b)
{
    return 128.0 * a + 112.0 * r - 93.786 * g - 18.214 * b;
}

uint8_t Over(int32_t weight, int alpha, int scale, uint8_t v)
{
    // weight and alpha are for `scale` pixels at once (a chroma sample's), each up to 255.
    const int full = 255 * scale;
    return static_cast<uint8_t>(std::clamp((weight + v * (full - alpha) + full / 2) / full, 0, 255));
}

// The columns [first, end) of a row whose alpha is not 0.
std::pair<int, int> Inked(const uint16_t* alpha, int width)
{
    int first = 0, end = width;
    while (first < end && alpha[first] == 0)
        ++first;
    while (end > first && alpha[end - 1] == 0)
        --end;
    return {first, end};
}

} // namespace

void TextOverlay::MakeYuvBox(int width, int height, int shiftX, int shiftY, const int (&x)[kLines],
                             const int (&y)[kLines])
{
    YuvBox& b = yuv_;
    b.generation = generation_;
    std::copy(std::begin(x), std::end(x), b.x);
    std::copy(std::begin(y), std::end(y), b.y);
    b.width = width;
    b.height = height;
    b.shiftX = shiftX;
    b.shiftY = shiftY;

    // The lines' images together, within the picture, widened to whole chroma samples.
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int i = 0; i < kLines; ++i) {
        const Line& l = lines_[i];
        if (l.image.isNull())
            continue;
        left = std::min(left, x[i] - l.pad);
        right = std::max(right, x[i] - l.pad + l.image.width());
        top = std::min(top, y[i]);
        bottom = std::max(bottom, y[i] + l.image.height());
    }
    const int across = 1 << shiftX, down = 1 << shiftY;
    left = std::max(left, 0) & ~(across - 1);
    top = std::max(top, 0) & ~(down - 1);
    right = std::min((std::min(right, width) + across - 1) & ~(across - 1), width);
    bottom = std::min((std::min(bottom, height) + down - 1) & ~(down - 1), height);
    if (left >= right || top >= bottom) {
        b.left = b.right = b.top = b.bottom = 0;
        return;
    }
    b.left = left;
    b.top = top;
    b.right = right;
    b.bottom = bottom;
    const int w = right - left, h = bottom - top;

    // Line 1, then line 2 over it, as they are blended on RGB.
    std::vector<QRgb> box(static_cast<size_t>(w) * h, 0);
    for (int i = 0; i < kLines; ++i) {
        const Line& l = lines_[i];
        if (l.image.isNull())
            continue;
        const int lineLeft = x[i] - l.pad;
        for (int py = std::max(top, y[i]); py < std::min(bottom, y[i] + l.image.height()); ++py) {
            const auto [first, end] = l.inked[static_cast<size_t>(py - y[i])];
            const auto* src = reinterpret_cast<const QRgb*>(l.image.constScanLine(py - y[i]));
            QRgb* dst = box.data() + static_cast<size_t>(py - top) * w;
            for (int px = std::max(left, lineLeft + first); px < std::min(right, lineLeft + end); ++px) {
                const QRgb s = src[px - lineLeft];
                const int keep = 255 - qAlpha(s);
                const QRgb d = dst[px - left];
                const auto over = [keep](int sc, int dc) { return sc + (dc * keep + 127) / 255; };
                dst[px - left] = qRgba(over(qRed(s), qRed(d)), over(qGreen(s), qGreen(d)), over(qBlue(s), qBlue(d)),
                                       over(qAlpha(s), qAlpha(d)));
            }
        }
    }

    b.alpha.assign(box.size(), 0);
    b.luma.assign(box.size(), 0);
    b.inked.resize(static_cast<size_t>(h));
    for (size_t i = 0; i < box.size(); ++i) {
        const QRgb p = box[i];
        b.alpha[i] = static_cast<uint16_t>(qAlpha(p));
        b.luma[i] = static_cast<int32_t>(std::lround(PremultipliedY(qAlpha(p), qRed(p), qGreen(p), qBlue(p))));
    }
    for (int r = 0; r < h; ++r)
        b.inked[static_cast<size_t>(r)] = Inked(&b.alpha[static_cast<size_t>(r) * w], w);

    // Each chroma sample takes the sums over its pixels.
    const int cw = w >> shiftX, ch = h >> shiftY;
    b.chromaAlpha.assign(static_cast<size_t>(cw) * ch, 0);
    b.blue.assign(b.chromaAlpha.size(), 0);
    b.red.assign(b.chromaAlpha.size(), 0);
    b.cinked.resize(static_cast<size_t>(ch));
    for (int cy = 0; cy < ch; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            int alpha = 0;
            double u = 0, v = 0;
            for (int dy = 0; dy < down; ++dy)
                for (int dx = 0; dx < across; ++dx) {
                    const QRgb p = box[static_cast<size_t>((cy << shiftY) + dy) * w + (cx << shiftX) + dx];
                    alpha += qAlpha(p);
                    u += PremultipliedU(qAlpha(p), qRed(p), qGreen(p), qBlue(p));
                    v += PremultipliedV(qAlpha(p), qRed(p), qGreen(p), qBlue(p));
                }
            const size_t at = static_cast<size_t>(cy) * cw + cx;
            b.chromaAlpha[at] = static_cast<uint16_t>(alpha);
            b.blue[at] = static_cast<int32_t>(std::lround(u));
            b.red[at] = static_cast<int32_t>(std::lround(v));
        }
        b.cinked[static_cast<size_t>(cy)] = Inked(&b.chromaAlpha[static_cast<size_t>(cy) * cw], cw);
    }
}

void TextOverlay::BlendYuv(const ds::PicturePlanes& picture, int shiftX, int shiftY, const int (&x)[kLines],
                           const int (&y)[kLines])
{
    const YuvBox& b = yuv_;
    if (b.generation != generation_ || !std::equal(std::begin(x), std::end(x), b.x) ||
        !std::equal(std::begin(y), std::end(y), b.y) || b.width != picture.width || b.height != picture.height ||
        b.shiftX != shiftX || b.shiftY != shiftY)
        MakeYuvBox(picture.width, picture.height, shiftX, shiftY, x, y);
    if (b.left >= b.right)
        return;
    const int w = b.right - b.left, h = b.bottom - b.top;
    for (int r = 0; r < h; ++r) {
        const auto [first, end] = b.inked[static_cast<size_t>(r)];
        uint8_t* dst = picture.data[0] + static_cast<ptrdiff_t>(b.top + r) * picture.linesize[0] + b.left;
        const size_t row = static_cast<size_t>(r) * w;
        for (int c = first; c < end; ++c)
            if (const int a = b.alpha[row + c])
                dst[c] = Over(b.luma[row + c], a, 1, dst[c]);
    }
    const int cw = w >> shiftX, ch = h >> shiftY, scale = 1 << (shiftX + shiftY);
    for (int plane = 1; plane <= 2; ++plane) {
        const std::vector<int32_t>& weights = plane == 1 ? b.blue : b.red;
        for (int r = 0; r < ch; ++r) {
            const auto [first, end] = b.cinked[static_cast<size_t>(r)];
            uint8_t* dst = picture.data[plane] +
                           static_cast<ptrdiff_t>((b.top >> shiftY) + r) * picture.linesize[plane] + (b.left >> shiftX);
            const size_t row = static_cast<size_t>(r) * cw;
            for (int c = first; c < end; ++c)
                if (const int a = b.chromaAlpha[row + c])
                    dst[c] = Over(weights[row + c], a, scale, dst[c]);
        }
    }
}

} // namespace media
