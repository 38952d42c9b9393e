// The date overlay, judged by its pixels: where the text lands in either row order, what leaves
// pictures alone, font sizes, other scripts, and setters called while pictures stream.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>

#include <atomic>
#include <thread>

#include "media/dv_superposer.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/media/Pictures.h"

using namespace mediatest;
using formats::DVFrameInfo;
using media::Tdv_sceneDetect;
using media::Tdv_Superposer;
using testkit::DvFrameBuilder;
using testkit::Standard;

namespace {

constexpr REFERENCE_TIME kT = 400000;

// A detector fed DV frames and an overlay fed pictures of the same times.
struct Overlaying {
    std::shared_ptr<Tdv_sceneDetect> detector = std::make_shared<Tdv_sceneDetect>();
    std::shared_ptr<Tdv_Superposer> overlay;
    Chain dv{testds::VideoType(), 144000, {detector}, false};
    std::unique_ptr<Chain> rgb;
    int w, h;
    bool topDown;

    Overlaying(int width, int height, bool top, bool withDetector = true)
        : overlay(std::make_shared<Tdv_Superposer>(withDetector ? detector.get() : nullptr)), w(width), h(height),
          topDown(top)
    {
        rgb = std::make_unique<Chain>(Rgb24Type(w, topDown ? -h : h), Stride(w) * h,
                                      std::vector<std::shared_ptr<BaseFilter>>{overlay});
        EXPECT_TRUE(dv.connected && rgb->connected);
    }
    ~Overlaying() { Stop(); }
    void Run()
    {
        EXPECT_EQ(dv.graph.Run(), S_OK);
        EXPECT_EQ(rgb->graph.Run(), S_OK);
    }
    void Stop()
    {
        rgb->graph.Stop();
        dv.graph.Stop();
    }
    // The DV frame of time `index`, then the picture of the same time through the overlay.
    Picture Show(const std::vector<uint8_t>& frame, const Picture& p, int index = 0)
    {
        EXPECT_EQ(dv.pusher->Push(frame, index * kT, (index + 1) * kT), S_OK);
        return Draw(p, index);
    }
    Picture Draw(const Picture& p, int index)
    {
        rgb->sink->ClearSeen();
        EXPECT_EQ(rgb->pusher->Push(ToBuffer(p, topDown), index * kT, (index + 1) * kT), S_OK);
        const auto seen = rgb->sink->SeenSamples();
        if (seen.size() != 1)
            return Picture();
        const std::vector<uint8_t> out(seen[0].bytes.begin(), seen[0].bytes.end());
        EXPECT_TRUE(PaddingIntact(out, w, h));
        return FromBuffer(out, w, h, topDown);
    }
};

std::vector<uint8_t> Dated()
{
    return DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 58).timecode(1, 2, 3, 4).build();
}

// A grey picture with a gentle gradient, so any drawing shows.
Picture Backdrop(int w, int h)
{
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Set(x, y, static_cast<uint8_t>(40 + y % 7), static_cast<uint8_t>(60 + x % 5), 50);
    return p;
}

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive; empty when right < left
    bool Empty() const { return right < left; }
};

// The bounding box of the pixels that differ between two pictures, within rows [y0, y1).
Box Changed(const Picture& a, const Picture& b, int y0 = 0, int y1 = 1 << 30)
{
    Box box;
    for (int y = std::max(0, y0); y < std::min(a.h, y1); ++y)
        for (int x = 0; x < a.w; ++x)
            if (!std::equal(a.At(x, y), a.At(x, y) + 3, b.At(x, y))) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

class Overlay : public ::testing::Test {
protected:
    void SetUp() override { EnsureGui(); }
};

TEST_F(Overlay, OffOrHiddenLeavesThePictureAsItCame)
{
    for (bool topDown : {true, false}) {
        const Picture in = Backdrop(64, 48);
        {
            Overlaying o(64, 48, topDown);
            o.overlay->SetIncrustOn(false);
            o.Run();
            EXPECT_EQ(o.Show(Dated(), in), in);
        }
        {
            Overlaying o(64, 48, topDown);
            o.overlay->SetIncrustDuration(0); // shown for no frame after the restart
            o.Run();
            EXPECT_EQ(o.Show(Dated(), in), in);
        }
        {
            Overlaying o(64, 48, topDown, false); // no detector: nothing to show
            o.Run();
            EXPECT_EQ(o.Draw(in, 0), in);
        }
    }
}

TEST_F(Overlay, TwoLinesLandInTheBlockTheFontPredictsInEitherRowOrder)
{
    for (int w : {720, 721}) {
        Picture drawn[2];
        for (bool topDown : {true, false}) {
            const int h = 576;
            Overlaying o(w, h, topDown);
            o.Run();
            const Picture in = Backdrop(w, h);
            const Picture out = o.Show(Dated(), in);
            drawn[topDown] = out;
            media::OverlayFont font;
            font.Size = o.overlay->RunFontSize();
            EXPECT_EQ(font.Size, 21);
            const QFontMetrics metrics(media::TextOverlay::MakeFont(font));
            const int cell = metrics.height();
            const int xa = w * 900 / 1000, ya = h * 900 / 1000;
            const int lines[2] = {metrics.horizontalAdvance("31/12/2006"), metrics.horizontalAdvance("23:59:58")};
            const Box all = Changed(in, out);
            ASSERT_FALSE(all.Empty());
            EXPECT_GE(all.top, ya - 2 * cell);
            EXPECT_LT(all.bottom, ya);
            for (int i = 0; i < 2; ++i) {
                const Box line = Changed(in, out, ya - (2 - i) * cell, ya - (1 - i) * cell);
                ASSERT_FALSE(line.Empty()) << "line " << i;
                EXPECT_NEAR(line.right, xa, 2) << "right-aligned at the anchor, line " << i;
                EXPECT_NEAR(line.left, xa - lines[i], 2) << "line " << i;
            }
        }
        EXPECT_EQ(drawn[0], drawn[1]) << "width " << w;
    }
}

TEST_F(Overlay, TextIsUprightInBothRowOrders)
{
    for (bool topDown : {true, false}) {
        Overlaying o(720, 200, topDown);
        o.overlay->SetIncrustFormats("\"T\"", "");
        o.overlay->SetPosition(500, 800, 1);
        o.overlay->SetAutoFontSize(false);
        o.overlay->SetFontSize(60);
        o.Run();
        const Picture in = Backdrop(720, 200);
        const Picture out = o.Show(Dated(), in);
        const Box t = Changed(in, out);
        ASSERT_FALSE(t.Empty());
        const auto width = [&](int y) { return Changed(in, out, y, y + 1).right - Changed(in, out, y, y + 1).left; };
        const int top = t.top + 1, low = t.bottom - 2;
        EXPECT_GT(width(top), 3 * width(low)) << (topDown ? "top-down" : "bottom-up");
    }
}

TEST_F(Overlay, PlacementSettingsAreClampedAndTextOffThePictureIsLeftOut)
{
    const Picture in = Backdrop(160, 120);
    auto shown = [&](auto configure) {
        Overlaying o(160, 120, false);
        configure(*o.overlay);
        o.Run();
        return o.Show(Dated(), in);
    };
    EXPECT_EQ(shown([](Tdv_Superposer& s) { s.SetPosition(500, 0, 1); }), in); // above the top edge
    EXPECT_EQ(shown([](Tdv_Superposer& s) { s.SetPosition(1200, 1200, 2); }),
              shown([](Tdv_Superposer& s) { s.SetPosition(1000, 1000, 2); }));
    EXPECT_EQ(shown([](Tdv_Superposer& s) { s.SetPosition(300, 500, 7); }),
              shown([](Tdv_Superposer& s) { s.SetPosition(300, 500, 2); }));
    // Left of the left edge, clipped: only what lies inside is drawn, nothing wraps.
    const Picture clipped = shown([](Tdv_Superposer& s) { s.SetPosition(-5, 500, 1); });
    const Box box = Changed(in, clipped);
    ASSERT_FALSE(box.Empty());
    EXPECT_EQ(box.left, 0);
    EXPECT_LT(box.right, 80);
}

TEST_F(Overlay, AnEmptyFormatDrawsABlankFirstLineAndKeepsTheSecondInPlace)
{
    Overlaying o(320, 240, true);
    std::vector<std::string> texts;
    o.overlay->SetOnText([&](const DVFrameInfo&, const std::string& a, const std::string& b) {
        texts.push_back("[" + a + "|" + b + "]");
    });
    o.overlay->SetIncrustFormats("", "hh:nn");
    o.overlay->SetIncrustDuration(2);
    o.Run();
    const Picture in = Backdrop(320, 240);
    const Picture out = o.Show(Dated(), in, 0);
    o.Show(Dated(), in, 1);
    o.Show(Dated(), in, 2); // the display ran out
    EXPECT_EQ(texts, (std::vector<std::string>{"[ |23:59]", "[|]"}));
    media::OverlayFont font;
    font.Size = o.overlay->RunFontSize();
    const int cell = QFontMetrics(media::TextOverlay::MakeFont(font)).height();
    const int ya = 240 * 900 / 1000;
    EXPECT_TRUE(Changed(in, out, 0, ya - cell).Empty());
    EXPECT_FALSE(Changed(in, out, ya - cell, ya).Empty());
}

TEST_F(Overlay, EachPictureShowsTheFrameOfItsOwnStartTime)
{
    Overlaying o(64, 48, true);
    std::vector<std::string> texts;
    o.overlay->SetOnText([&](const DVFrameInfo& r, const std::string&, const std::string& b) {
        texts.push_back(std::to_string(r.Frame) + " " + b);
    });
    o.overlay->SetWhatIncrust(1);
    o.overlay->SetAutoIncrust(0);
    o.Run();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(o.dv.pusher->Push(DvFrameBuilder(Standard::Pal).timecode(0, 0, 0, i).build(), i * kT, (i + 1) * kT),
                  S_OK);
    const Picture in = Backdrop(64, 48);
    o.Draw(in, 1);
    o.Draw(in, 7);
    EXPECT_EQ(texts, (std::vector<std::string>{"1 0:00:00:01", "2 0:00:00:02"}));
}

// A picture older than every frame the detector keeps is dated with the oldest one's record,
// not drawn as an undated frame.
TEST_F(Overlay, APictureOlderThanTheRingShowsTheOldestFramesDate)
{
    Overlaying o(320, 240, true);
    std::vector<std::string> texts;
    o.overlay->SetOnText([&](const DVFrameInfo& r, const std::string& a, const std::string& b) {
        texts.push_back(std::to_string(r.Frame) + " [" + a + "|" + b + "]");
    });
    o.overlay->SetIncrustFormats("", "hh:nn:ss");
    o.overlay->SetAutoIncrust(0);
    o.Run();
    for (int i = 5; i < 8; ++i)
        ASSERT_EQ(o.dv.pusher->Push(DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, 50 + i).build(), i * kT,
                                    (i + 1) * kT),
                  S_OK);
    const Picture in = Backdrop(320, 240);
    const Picture out = o.Draw(in, 0);
    EXPECT_EQ(texts, (std::vector<std::string>{"0 [ |23:59:55]"}));
    EXPECT_FALSE(Changed(in, out).Empty());
}

// The time offset moves the date as well as the time: five seconds after 23:59:58 on the last
// day of 2006 is the first day of 2007.
TEST_F(Overlay, ATimeOffsetShiftsBothLinesAcrossMidnight)
{
    Overlaying o(320, 240, true);
    std::vector<std::string> texts;
    o.overlay->SetOnText([&](const DVFrameInfo&, const std::string& a, const std::string& b) {
        texts.push_back("[" + a + "|" + b + "]");
    });
    o.overlay->SetIncrustFormats("dd/mm/yyyy", "hh:nn:ss");
    o.overlay->SetTimeOffset(5.0 / 86400);
    o.overlay->SetAutoIncrust(0);
    o.Run();
    o.Show(Dated(), Backdrop(320, 240));
    o.overlay->SetTimeOffset(-1.0);
    o.Show(Dated(), Backdrop(320, 240), 1);
    EXPECT_EQ(texts, (std::vector<std::string>{"[01/01/2007|00:00:03]", "[30/12/2006|23:59:58]"}));
}

TEST_F(Overlay, AChineseLiteralIsDrawnWithAFontThatHasItsGlyphs)
{
    auto drawn = [](const std::string& format) {
        Overlaying o(320, 240, true);
        o.overlay->SetIncrustFormats(format, "");
        o.overlay->SetPosition(500, 500, 1);
        o.Run();
        const Picture in = Backdrop(320, 240);
        Picture out = o.Show(Dated(), in);
        EXPECT_FALSE(Changed(in, out).Empty()) << format;
        return out;
    };
    // Missing glyphs would all be drawn as the same box.
    EXPECT_NE(drawn("\"日\""), drawn("\"期\""));
    media::OverlayFont font;
    const QFontMetrics metrics(media::TextOverlay::MakeFont(font));
    EXPECT_GT(metrics.horizontalAdvance(QString::fromUtf8("日期")), 0);
}

TEST_F(Overlay, TheFontSizeFollowsThePictureWidthAndNeverReachesZero)
{
    struct Case {
        int width;
        bool automatic;
        int32_t chosen, size;
    };
    for (const Case& c : {Case{720, true, 0, 21}, Case{360, true, 0, 10}, Case{20, true, 0, 1},
                          Case{720, false, 30, -30}, Case{20, false, 30, -1}}) {
        Overlaying o(c.width, 16, false);
        o.overlay->SetAutoFontSize(c.automatic);
        o.overlay->SetFontSize(c.chosen);
        o.Run();
        EXPECT_EQ(o.overlay->RunFontSize(), c.size) << c.width;
        EXPECT_EQ(o.Show(Dated(), Backdrop(c.width, 16)).w, c.width); // drawn without trouble
    }
    // A negative size is a cell height in pixels.
    media::OverlayFont font;
    font.Size = -30;
    EXPECT_LE(QFontMetrics(media::TextOverlay::MakeFont(font)).height(), 30);
    EXPECT_GE(QFontMetrics(media::TextOverlay::MakeFont(font)).height(), 27);
}

TEST_F(Overlay, TheOutputTypeDescribesPaddedRowsInTheInputsOrder)
{
    Overlaying o(721, 3, true);
    MediaType out;
    ASSERT_EQ(o.overlay->GetPin(1)->ConnectionMediaType(out), S_OK);
    EXPECT_EQ(out.GetVideoInfo()->bmiHeader.biSizeImage, 2164u * 3);
    EXPECT_EQ(out.GetVideoInfo()->bmiHeader.biHeight, -3);
    EXPECT_EQ(o.overlay->CheckTransform(Rgb24Type(721, -3), Rgb24Type(721, 3)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(o.overlay->CheckTransform(Rgb24Type(721, -3), Rgb24Type(720, -3)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(o.overlay->CheckInputType(Rgb24Type(8193, 3)), VFW_E_TYPE_NOT_ACCEPTED);
}

TEST_F(Overlay, AShortPictureIsPassedOnWithoutText)
{
    Overlaying o(64, 48, false);
    o.Run();
    ASSERT_EQ(o.dv.pusher->Push(Dated(), 0, kT), S_OK);
    std::vector<uint8_t> bytes = ToBuffer(Backdrop(64, 48), false);
    bytes.resize(bytes.size() - 100);
    ASSERT_EQ(o.rgb->pusher->Push(bytes, 0, kT), S_OK);
    const auto seen = o.rgb->sink->SeenSamples();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, std::string(bytes.begin(), bytes.end()));
}

// Every setter called from another thread while 500 pictures go through. (Run under
// ThreadSanitizer too.)
TEST_F(Overlay, SettersFromAnotherThreadWhilePicturesStream)
{
    Overlaying o(180, 144, true);
    o.Run();
    std::atomic<bool> done{false};
    std::thread storm([&] {
        for (int i = 0; !done; ++i) {
            Tdv_Superposer& s = *o.overlay;
            s.SetIncrustFormats(i % 2 ? "" : "dddd d mmmm yyyy", i % 3 ? "hh:nn:ss" : "\"日期\" zzz");
            s.SetFontName(i % 2 ? "Arial" : "Courier New");
            s.SetFontColor(static_cast<uint32_t>(i % 256) * 0x10101);
            s.SetPosition(i % 1100 - 50, i % 1000 * 7 % 1000, static_cast<uint8_t>(i % 4));
            s.SetBold(i % 2);
            s.SetItalic(i % 3 == 0);
            s.SetUnderline(i % 5 == 0);
            s.SetStrikeOut(i % 7 == 0);
            s.SetWhatIncrust(static_cast<uint8_t>(i % 2));
            s.SetWhenIncrust(static_cast<uint8_t>(1 + i % 2));
            s.SetAutoIncrust(static_cast<uint8_t>(i % 2));
            s.SetIncrustDuration(i % 50);
            s.SetTimeOffset(i % 2 ? 1e7 : 0.5); // far out of the calendar, or half a day
            s.SetIncrustOn(i % 9 != 0);
        }
    });
    const Picture in = Backdrop(180, 144);
    for (int i = 0; i < 500; ++i) {
        const auto frame = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, i % 60).build();
        ASSERT_EQ(o.Show(frame, in, i).w, 180) << i;
    }
    done = true;
    storm.join();
}

TEST(OverlayWithoutGui, PicturesPassWithoutText)
{
    if (QGuiApplication::instance() != nullptr)
        GTEST_SKIP() << "a QGuiApplication exists in this process";
    Overlaying o(64, 48, true);
    o.Run();
    const Picture in = Backdrop(64, 48);
    EXPECT_EQ(o.Show(Dated(), in), in);
}

} // namespace
