// DeinterlaceBitmap on pictures built in code: the edge cases of the comb test, the isolation
// filter and the repair, and random pictures against a plain top-down reference, in both row
// orders.
#include <gtest/gtest.h>

#include "media/deinter.h"
#include "tests/media/Pictures.h"

using namespace mediatest;

namespace {

// Runs the routine on the picture laid out in `topDown` order; returns it read back.
Picture Deinterlaced(const Picture& p, bool topDown)
{
    std::vector<uint8_t> buffer = ToBuffer(p, topDown);
    const ptrdiff_t stride = Stride(p.w);
    uint8_t* top = topDown ? buffer.data() : buffer.data() + (p.h - 1) * stride;
    std::vector<uint8_t> scratch;
    media::DeinterlaceBitmap(top, topDown ? stride : -stride, p.w, p.h, scratch);
    EXPECT_TRUE(PaddingIntact(buffer, p.w, p.h));
    return FromBuffer(buffer, p.w, p.h, topDown);
}

// A grey picture with row 1 of columns [from, to) standing out (blue = 200 against 0).
Picture Marked(int w, int h, int from, int to)
{
    Picture p(w, h, 0);
    for (int x = from; x < to; ++x)
        p.At(x, 1)[0] = 200;
    return p;
}

TEST(Deinterlace, StillPicturesPassUnchanged)
{
    Picture flat(16, 9, 77), ramp(16, 10);
    for (int y = 0; y < ramp.h; ++y)
        for (int x = 0; x < ramp.w; ++x)
            ramp.Set(x, y, static_cast<uint8_t>(10 * y), static_cast<uint8_t>(20 * y), static_cast<uint8_t>(5 * y + x));
    for (bool topDown : {true, false}) {
        EXPECT_EQ(Deinterlaced(flat, topDown), flat);
        EXPECT_EQ(Deinterlaced(ramp, topDown), ramp); // odd rows the mean of their neighbours
    }
}

TEST(Deinterlace, OnlyMarksWithAMarkedNeighbourAreRepaired)
{
    for (bool topDown : {true, false}) {
        const Picture lone = Marked(8, 4, 3, 4);
        EXPECT_EQ(Deinterlaced(lone, topDown), lone);
        const Picture pair = Marked(8, 4, 3, 5);
        Picture want = pair;
        want.At(3, 1)[0] = want.At(4, 1)[0] = 0;
        EXPECT_EQ(Deinterlaced(pair, topDown), want);
        // Row 0's neighbours differ: the mean is truncated.
        Picture means = pair;
        means.At(3, 2)[0] = 1;
        means.At(4, 2)[0] = 1;
        Picture meansWant = means;
        meansWant.At(3, 1)[0] = meansWant.At(4, 1)[0] = 0;
        EXPECT_EQ(Deinterlaced(means, topDown), meansWant);
    }
}

TEST(Deinterlace, NarrowAndShortPicturesAreLeftAlone)
{
    for (bool topDown : {true, false}) {
        const Picture narrow = Marked(1, 5, 0, 1), twoRows = Marked(8, 2, 0, 8);
        EXPECT_EQ(Deinterlaced(narrow, topDown), narrow);
        EXPECT_EQ(Deinterlaced(twoRows, topDown), twoRows);
    }
}

TEST(Deinterlace, TheThresholdIsExclusive)
{
    // m = (a.b - c.b)(b.b - c.b) = 50 x 60 = 3000: not combing.
    Picture at(4, 3, 0);
    for (int x = 0; x < 4; ++x) {
        at.At(x, 0)[0] = 50;
        at.At(x, 2)[0] = 60;
    }
    EXPECT_EQ(Deinterlaced(at, true), at);
    // m = 6 x 20 x 25 + 1 x 1 = 3001 (green weighs 6): combing.
    Picture above(4, 3, 0);
    for (int x = 0; x < 4; ++x) {
        above.Set(x, 0, 1, 20, 0);
        above.Set(x, 2, 1, 25, 0);
    }
    Picture want = above;
    for (int x = 0; x < 4; ++x)
        want.Set(x, 1, 1, 22, 0);
    EXPECT_EQ(Deinterlaced(above, false), want);
    // Red weighs 3: 3 x 1000 = 3000 is not combing either.
    Picture red(4, 3, 0);
    for (int x = 0; x < 4; ++x) {
        red.At(x, 0)[2] = 40;
        red.At(x, 2)[2] = 25;
    }
    EXPECT_EQ(Deinterlaced(red, true), red);
}

// Still runs of eight pixels and more are skipped eight at a time: combing that starts right
// after one (x = 8, 16, ...) or just around it is repaired as the plain passes repair it.
TEST(Deinterlace, CombingRightAfterLongStillRunsMatchesThePlainPasses)
{
    for (int start : {7, 8, 9, 15, 16, 17, 24, 32})
        for (int length : {1, 2, 3, 8, 9})
            for (bool topDown : {true, false}) {
                Picture p(48, 7, 40);
                for (int y = 1; y < p.h; y += 2)
                    for (int x = start; x < std::min(start + length, p.w); ++x)
                        p.Set(x, y, 200, static_cast<uint8_t>(100 + x), 250);
                EXPECT_EQ(Deinterlaced(p, topDown), DeinterlaceReference(p))
                    << "combing at " << start << " for " << length << (topDown ? " top-down" : " bottom-up");
            }
}

TEST(Deinterlace, RandomPicturesMatchThePassesAsWrittenInBothRowOrders)
{
    const std::pair<int, int> sizes[] = {{720, 576}, {33, 17}, {5, 8}, {2, 3}, {64, 1}};
    unsigned seed = 1;
    for (const auto& [w, h] : sizes)
        for (bool topDown : {true, false}) {
            const Picture p = CombedNoise(w, h, seed++);
            EXPECT_EQ(Deinterlaced(p, topDown), DeinterlaceReference(p))
                << w << "x" << h << (topDown ? " top-down" : " bottom-up");
        }
}

} // namespace
