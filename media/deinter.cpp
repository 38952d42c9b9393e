#include "media/deinter.h"

namespace media {

namespace {

constexpr int kCombThreshold = 3000;

// Marks the pixels of row c that stand out from both rows a and b (0 or 1 each).
void MarkCombing(const uint8_t* a, const uint8_t* c, const uint8_t* b, int width, uint8_t* marks)
{
    for (int x = 0; x < width; ++x) {
        const int p = 3 * x;
        const int m = 3 * (a[p + 2] - c[p + 2]) * (b[p + 2] - c[p + 2]) +
                      6 * (a[p + 1] - c[p + 1]) * (b[p + 1] - c[p + 1]) + (a[p] - c[p]) * (b[p] - c[p]);
        marks[x] = m > kCombThreshold ? 1 : 0;
    }
}

} // namespace

void DeinterlaceBitmap(uint8_t* topRow, ptrdiff_t rowStep, int width, int height, std::vector<uint8_t>& scratch)
{
    if (topRow == nullptr || width < 2 || height < 3)
        return; // one column has no neighbour to confirm a mark; two rows have no inner odd row
    if (scratch.size() < static_cast<size_t>(width))
        scratch.resize(static_cast<size_t>(width));
    uint8_t* marks = scratch.data();
    // Odd rows only read their even neighbours, which never change, so the passes can work on
    // the picture itself.
    for (int y = 1; y < height - 1; y += 2) {
        const uint8_t* above = topRow + (y - 1) * rowStep;
        uint8_t* row = topRow + y * rowStep;
        const uint8_t* below = topRow + (y + 1) * rowStep;
        MarkCombing(above, row, below, width, marks);
        for (int x = 0; x < width; ++x) {
            if (!marks[x])
                continue;
            const bool left = x > 0 && marks[x - 1];
            const bool right = x + 1 < width && marks[x + 1];
            if (!left && !right)
                continue; // a lone mark is noise, not combing
            const int p = 3 * x;
            row[p] = static_cast<uint8_t>((above[p] + below[p]) >> 1);
            row[p + 1] = static_cast<uint8_t>((above[p + 1] + below[p + 1]) >> 1);
            row[p + 2] = static_cast<uint8_t>((above[p + 2] + below[p + 2]) >> 1);
        }
    }
}

} // namespace media
