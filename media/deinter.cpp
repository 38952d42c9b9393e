#include "media/deinter.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace media {

namespace {

constexpr int kCombThreshold = 3000;
constexpr int kRun = 240; // pixels whose byte products are worked out together

// The weight of each byte of a run of pixels: blue 1, green 6, red 3.
struct ByteWeights {
    std::array<int32_t, 3 * kRun> w;
    ByteWeights()
    {
        for (int i = 0; i < 3 * kRun; ++i)
            w[static_cast<size_t>(i)] = i % 3 == 0 ? 1 : i % 3 == 1 ? 6 : 3;
    }
};
const ByteWeights kWeights;

// Marks the pixels of row c that stand out from both rows a and b (0 or 1 each); true when any
// does. The weighted products are made byte by byte, in a loop the compiler vectorises, then
// summed per pixel; an AVX2 build of it is chosen at run time where the processor has it. The
// choice is made by a resolver that runs before ThreadSanitizer's runtime is up, so TSan builds
// keep the plain one.
#if defined(__SANITIZE_THREAD__)
#define MORVEL_AVX2_CLONES
#else
#define MORVEL_AVX2_CLONES __attribute__((target_clones("avx2", "default")))
#endif
MORVEL_AVX2_CLONES bool MarkCombing(const uint8_t* a, const uint8_t* c, const uint8_t* b, int width, uint8_t* marks)
{
    int32_t d[3 * kRun];
    int any = 0;
    for (int x0 = 0; x0 < width; x0 += kRun) {
        const int n = std::min(kRun, width - x0);
        const uint8_t *pa = a + 3 * x0, *pc = c + 3 * x0, *pb = b + 3 * x0;
        for (int i = 0; i < 3 * n; ++i)
            d[i] = kWeights.w[static_cast<size_t>(i)] * (int32_t{pa[i]} - pc[i]) * (int32_t{pb[i]} - pc[i]);
        for (int x = 0; x < n; ++x) {
            const uint8_t mark = d[3 * x] + d[3 * x + 1] + d[3 * x + 2] > kCombThreshold;
            marks[x0 + x] = mark;
            any |= mark;
        }
    }
    return any != 0;
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
        if (!MarkCombing(above, row, below, width, marks))
            continue;
        for (int x = 0; x < width; ++x) {
            if (x + 8 <= width) { // eight unmarked pixels at once
                uint64_t eight;
                std::memcpy(&eight, marks + x, sizeof eight);
                if (eight == 0) {
                    x += 7;
                    continue;
                }
            }
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
