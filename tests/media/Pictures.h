#pragma once
// Pictures for the RGB filter tests: rows from the top, three bytes (blue, green, red) a pixel,
// laid into a sample buffer bottom-up or top-down with padded rows, and read back out.
#include <cstdint>
#include <random>
#include <vector>

#include "tests/media/MediaTestKit.h"

namespace mediatest {

struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> px; // 3 w bytes per row, top row first

    Picture() = default;
    Picture(int width, int height, uint8_t fill = 0)
        : w(width), h(height), px(static_cast<size_t>(3 * width * height), fill)
    {
    }
    uint8_t* At(int x, int y) { return &px[static_cast<size_t>(3 * (y * w + x))]; }
    const uint8_t* At(int x, int y) const { return &px[static_cast<size_t>(3 * (y * w + x))]; }
    void Set(int x, int y, uint8_t b, uint8_t g, uint8_t r)
    {
        uint8_t* p = At(x, y);
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    friend bool operator==(const Picture&, const Picture&) = default;
};

constexpr uint8_t kPadByte = 0xEE; // what the row padding holds, to see it is never written

// The sample bytes of a picture in the given row order.
inline std::vector<uint8_t> ToBuffer(const Picture& p, bool topDown)
{
    const int stride = Stride(p.w);
    std::vector<uint8_t> buffer(static_cast<size_t>(stride * p.h), kPadByte);
    for (int y = 0; y < p.h; ++y) {
        const int row = topDown ? y : p.h - 1 - y;
        std::copy(p.At(0, y), p.At(0, y) + 3 * p.w, buffer.begin() + row * stride);
    }
    return buffer;
}

inline Picture FromBuffer(const std::vector<uint8_t>& buffer, int w, int h, bool topDown)
{
    Picture p(w, h);
    const int stride = Stride(w);
    for (int y = 0; y < h; ++y) {
        const int row = topDown ? y : h - 1 - y;
        std::copy(buffer.begin() + row * stride, buffer.begin() + row * stride + 3 * w, p.At(0, y));
    }
    return p;
}

// Whether every row's padding still holds kPadByte.
inline bool PaddingIntact(const std::vector<uint8_t>& buffer, int w, int h)
{
    const int stride = Stride(w);
    for (int y = 0; y < h; ++y)
        for (int i = 3 * w; i < stride; ++i)
            if (buffer[static_cast<size_t>(y * stride + i)] != kPadByte)
                return false;
    return true;
}

// A picture of noise whose odd rows are combed against their neighbours in patches.
inline Picture CombedNoise(int w, int h, unsigned seed)
{
    std::mt19937 random(seed);
    Picture p(w, h);
    for (auto& b : p.px)
        b = static_cast<uint8_t>(random() % 256);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 3 + y / 4) % 2 == 0) { // smooth patches where only the field lines stand out
                const uint8_t v = static_cast<uint8_t>(y % 2 ? 220 : 30);
                p.Set(x, y, v, v, static_cast<uint8_t>(v + 10));
            }
    return p;
}

// The deinterlacing passes as written: the result copied from the source, two whole masks,
// rows from the top.
inline Picture DeinterlaceReference(const Picture& src)
{
    Picture out = src;
    const int w = src.w, h = src.h;
    std::vector<uint8_t> first(static_cast<size_t>(w * h)), second(static_cast<size_t>(w * h));
    for (int y = 1; y < h - 1; y += 2)
        for (int x = 0; x < w; ++x) {
            const uint8_t *a = src.At(x, y - 1), *c = src.At(x, y), *b = src.At(x, y + 1);
            const int m =
                3 * (a[2] - c[2]) * (b[2] - c[2]) + 6 * (a[1] - c[1]) * (b[1] - c[1]) + (a[0] - c[0]) * (b[0] - c[0]);
            first[static_cast<size_t>(y * w + x)] = m > 3000;
        }
    for (int y = 1; y < h; y += 2)
        for (int x = 0; x < w; ++x) {
            const auto f = [&](int xx) { return xx >= 0 && xx < w && first[static_cast<size_t>(y * w + xx)]; };
            second[static_cast<size_t>(y * w + x)] = f(x) && (f(x - 1) || f(x + 1));
        }
    for (int y = 1; y < h - 1; y += 2)
        for (int x = 0; x < w; ++x)
            if (second[static_cast<size_t>(y * w + x)])
                for (int i = 0; i < 3; ++i)
                    out.At(x, y)[i] = static_cast<uint8_t>((src.At(x, y - 1)[i] + src.At(x, y + 1)[i]) >> 1);
    return out;
}

} // namespace mediatest
