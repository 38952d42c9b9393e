// The video window on the offscreen platform: what it paints (the picture fitted at the display
// aspect, black around, also full screen), clicks, the cursor, its one renderer reused across
// graphs, and stopping a playing graph from the GUI thread.
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "platform/dshow/FilterGraph.h"
#include "platform/vcl/VideoWindow.h"
#include "tests/filters/RendererTestKit.h"

using namespace rendertest;
using vcl::MouseButton;
using vcl::VideoWindow;

namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// A picture of one colour, or of four quadrants of the given colours.
PicturePtr Picture(int w, int h, std::array<uint32_t, 4> quadrants)
{
    auto p = std::make_shared<VideoPicture>();
    p->width = w;
    p->height = h;
    p->pixels.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p->pixels[static_cast<size_t>(y * w + x)] = quadrants[static_cast<size_t>((y >= h / 2) * 2 + (x >= w / 2))];
    return p;
}

PicturePtr Picture(int w, int h, uint32_t color)
{
    return Picture(w, h, {color, color, color, color});
}

// What the window paints, over white: a pixel it leaves unpainted stays white.
QImage Grab(QWidget& w)
{
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

uint32_t At(const QImage& image, int x, int y)
{
    return image.pixel(x, y);
}

TEST(VideoWindowPaint, TheGrabShowsThePictureFittedToTheWindow)
{
    VideoWindow w;
    w.resize(320, 240);
    w.show();
    const std::array<uint32_t, 4> q = {FrameColor(1), FrameColor(2), FrameColor(3), FrameColor(4)};
    w.ShowPicture(Picture(64, 48, q));
    const QImage image = Grab(w);
    EXPECT_EQ(w.PictureRect(), QRect(0, 0, 320, 240));
    EXPECT_EQ(At(image, 80, 60), q[0]);
    EXPECT_EQ(At(image, 240, 60), q[1]);
    EXPECT_EQ(At(image, 80, 180), q[2]);
    EXPECT_EQ(At(image, 240, 180), q[3]);
}

TEST(VideoWindowPaint, KeepsTheDisplayAspectWithBlackBands)
{
    // A 720 x 576 DV picture: shown 16:9 in a 4:3 window, then at its own shape in a wide one.
    VideoWindow w;
    w.show();
    w.ShowPicture(Picture(720, 576, FrameColor(7)));
    w.resize(320, 240);
    w.SetDisplayAspect(720, 405);
    EXPECT_EQ(w.PictureRect(), QRect(0, 30, 320, 180));
    QImage image = Grab(w);
    EXPECT_EQ(At(image, 160, 10), kBlack);
    EXPECT_EQ(At(image, 160, 120), FrameColor(7));
    EXPECT_EQ(At(image, 160, 230), kBlack);
    w.resize(400, 200);
    w.SetDisplayAspect(0, 0);
    EXPECT_EQ(w.PictureRect(), QRect(75, 0, 250, 200));
    image = Grab(w);
    EXPECT_EQ(At(image, 10, 100), kBlack);
    EXPECT_EQ(At(image, 200, 100), FrameColor(7));
    EXPECT_EQ(At(image, 390, 100), kBlack);
    // Without a picture, or once it is cleared, the window is black.
    w.ClearPicture();
    image = Grab(w);
    EXPECT_EQ(At(image, 200, 100), kBlack);
}

TEST(VideoWindowFullScreen, FillsTheScreenLetterboxedAndGoesBackInItsPlace)
{
    QWidget frame;
    frame.resize(400, 300);
    auto* w = new VideoWindow(&frame);
    w->setGeometry(10, 20, 240, 180);
    frame.show();
    w->SetDisplayAspect(720, 405); // 16:9, unlike the screen
    w->ShowPicture(Picture(720, 576, FrameColor(9)));
    w->SetFullScreen(true);
    EXPECT_TRUE(w->FullScreen());
    EXPECT_TRUE(w->isWindow());
    const QSize screen = w->screen()->geometry().size();
    // At once: a window manager may never size it (an X server without one).
    EXPECT_EQ(w->size(), screen);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->size() == screen; }, 5000));
    // Black bands beside or above and below the picture, whichever the screen's shape asks for.
    const QRect r = w->PictureRect();
    EXPECT_TRUE(r.width() == screen.width() || r.height() == screen.height());
    EXPECT_NEAR(double(r.width()) / r.height(), 16.0 / 9.0, 0.01);
    EXPECT_TRUE(r.left() > 1 || r.top() > 1);
    const QImage image = Grab(*w);
    EXPECT_EQ(At(image, r.center().x(), r.center().y()), FrameColor(9));
    if (r.left() > 1)
        EXPECT_EQ(At(image, r.left() / 2, r.center().y()), kBlack);
    if (r.top() > 1)
        EXPECT_EQ(At(image, r.center().x(), r.top() / 2), kBlack);
    w->SetFullScreen(false);
    EXPECT_FALSE(w->FullScreen());
    EXPECT_EQ(w->parentWidget(), &frame);
    EXPECT_EQ(w->geometry(), QRect(10, 20, 240, 180));
}

TEST(VideoWindowFullScreen, ComesBackUnderTheSiblingsItLayUnder)
{
    QWidget frame;
    frame.resize(400, 300);
    auto* below = new QWidget(&frame);
    auto* w = new VideoWindow(&frame);
    auto* corner = new QWidget(&frame); // a click target drawn over the video
    auto* message = new QWidget(&frame);
    frame.show();
    w->SetFullScreen(true);
    w->SetFullScreen(false);
    const QObjectList order = frame.children(); // bottom to top
    EXPECT_LT(order.indexOf(below), order.indexOf(w));
    EXPECT_LT(order.indexOf(w), order.indexOf(corner));
    EXPECT_LT(order.indexOf(corner), order.indexOf(message));
    // On top it was, on top it comes back.
    w->raise();
    w->SetFullScreen(true);
    w->SetFullScreen(false);
    EXPECT_EQ(frame.children().indexOf(w), frame.children().size() - 1);
}

TEST(VideoWindowInput, MousePressesGiveTheButtonAndThePixelAndTheCursorHides)
{
    VideoWindow w;
    w.resize(720, 576);
    w.show();
    struct Press {
        MouseButton button;
        int x, y;
    };
    std::vector<Press> presses;
    w.SetOnMouseDown([&](MouseButton b, int x, int y) { presses.push_back({b, x, y}); });
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(360, 288));
    QTest::mouseClick(&w, Qt::RightButton, {}, QPoint(719, 575));
    QTest::mouseClick(&w, Qt::MiddleButton, {}, QPoint(1, 0));
    ASSERT_EQ(presses.size(), 3u);
    EXPECT_TRUE(presses[0].button == MouseButton::Left && presses[0].x == 360 && presses[0].y == 288);
    EXPECT_TRUE(presses[1].button == MouseButton::Right && presses[1].x == 719 && presses[1].y == 575);
    EXPECT_TRUE(presses[2].button == MouseButton::Middle && presses[2].x == 1 && presses[2].y == 0);
    w.HideCursor(true);
    EXPECT_EQ(w.cursor().shape(), Qt::BlankCursor);
    w.HideCursor(false);
    EXPECT_EQ(w.cursor().shape(), Qt::ArrowCursor);
}

// A source of coloured frames with sound into the window's renderer and an audio renderer.
struct PlayGraph {
    FilterGraph graph;
    std::shared_ptr<PictureSource> source;
    PlayGraph(VideoWindow& w, int64_t frames) : source(std::make_shared<PictureSource>(64, 48, frames, true))
    {
        graph.AddFilter(source, "source");
        graph.AddFilter(w.Renderer(), "video");
        EXPECT_EQ(graph.ConnectDirect(source->GetPin(0), w.Renderer()->GetPin(0)), S_OK);
        EXPECT_EQ(graph.Render(source->GetPin(1)), S_OK);
    }
};

TEST(VideoWindowRenderer, OneRendererServesOneGraphAfterAnother)
{
    VideoWindow w;
    w.resize(64, 48);
    w.show();
    const std::shared_ptr<VideoRenderer> renderer = w.Renderer();
    for (int round = 0; round < 2; ++round) {
        {
            PlayGraph g(w, 3 + round);
            g.graph.SetSyncSource(nullptr);
            g.graph.Run();
            ASSERT_EQ(g.graph.WaitForCompletion(10000), EC_COMPLETE);
            g.graph.Stop();
            // Stopped, the window keeps the last picture.
            ASSERT_TRUE(w.LastPicture());
            EXPECT_EQ(w.LastPicture()->Pixel(5, 5), FrameColor(2 + round));
        }
        // The graph is gone and the renderer with it disconnected: the picture goes too.
        EXPECT_EQ(w.Renderer(), renderer);
        EXPECT_FALSE(renderer->GetPin(0)->IsConnected());
        EXPECT_FALSE(w.LastPicture());
    }
}

// Stop on the GUI thread while the renderer hands pictures to the window from its own thread:
// the window never makes the renderer wait for the GUI thread, so no stop can deadlock.
TEST(VideoWindowRenderer, StoppingAPlayingGraphFromTheGuiThreadNeverDeadlocks)
{
    VideoWindow w;
    w.resize(320, 240);
    w.show();
    PlayGraph g(w, 100000);
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(g.graph.Run(), S_OK);
        const REFERENCE_TIME before = w.LastPicture() ? w.LastPicture()->position : -1;
        ASSERT_TRUE(QTest::qWaitFor([&] { return w.LastPicture() && w.LastPicture()->position > before; }, 10000))
            << round;
        QTest::qWait(round % 4 * 10);
        ASSERT_EQ(g.graph.Stop(), S_OK);
        EXPECT_TRUE(w.LastPicture()); // the stop keeps the picture
    }
}

} // namespace
