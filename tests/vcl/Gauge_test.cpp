// The gauges: progress clamped to the range, the percentage, and what is drawn: the bar filled
// from the left in proportion, the needle lying left, upright and right.
#include <QImage>
#include <gtest/gtest.h>

#include "platform/vcl/Gauge.h"

namespace {

QImage Render(vcl::Gauge& g)
{
    QImage image(g.size(), QImage::Format_RGB32);
    g.render(&image);
    return image;
}

bool Navy(QRgb c)
{
    return qBlue(c) > 100 && qRed(c) < 60 && qGreen(c) < 60;
}

} // namespace

TEST(Gauge, ProgressIsClampedAndGivesThePercentage)
{
    vcl::Gauge g;
    g.SetProgress(42);
    EXPECT_EQ(g.PercentDone(), 42);
    g.SetProgress(250);
    EXPECT_EQ(g.Progress(), 100);
    g.SetProgress(-5);
    EXPECT_EQ(g.Progress(), 0);
    g.SetRange(0, 10000);
    g.SetProgress(9999);
    EXPECT_EQ(g.PercentDone(), 99);
    g.SetRange(5, 5); // empty range
    EXPECT_EQ(g.Progress(), 5);
    EXPECT_EQ(g.PercentDone(), 0);
    g.SetRange(10, 0);
    EXPECT_EQ(g.MaxValue(), 10);
}

TEST(Gauge, TheBarFillsFromTheLeftInProportion)
{
    vcl::Gauge g(vcl::Gauge::Kind::HorizontalBar);
    g.SetShowText(false);
    g.resize(202, 20);
    g.SetProgress(25);
    const QImage quarter = Render(g);
    EXPECT_TRUE(Navy(quarter.pixel(10, 10)));
    EXPECT_TRUE(Navy(quarter.pixel(49, 10)));
    EXPECT_FALSE(Navy(quarter.pixel(52, 10)));
    EXPECT_FALSE(Navy(quarter.pixel(190, 10)));
    g.SetProgress(0);
    EXPECT_FALSE(Navy(Render(g).pixel(3, 10)));
    g.SetProgress(100);
    EXPECT_TRUE(Navy(Render(g).pixel(199, 10)));
}

TEST(Gauge, TheNeedleLiesLeftUprightAndRight)
{
    vcl::Gauge g(vcl::Gauge::Kind::Needle);
    g.resize(82, 44);
    // Centre (40.5, 41), radius 38, a needle 2 pixels wide: points 19 pixels from the centre.
    const struct {
        int progress;
        QPoint onNeedle;
    } cases[] = {{0, {21, 40}}, {50, {40, 22}}, {100, {59, 40}}};
    for (const auto& c : cases) {
        g.SetProgress(c.progress);
        const QImage image = Render(g);
        EXPECT_TRUE(Navy(image.pixel(c.onNeedle))) << c.progress;
        for (const auto& other : cases) {
            if (other.progress != c.progress)
                EXPECT_FALSE(Navy(image.pixel(other.onNeedle))) << c.progress << " at " << other.progress;
        }
    }
}
