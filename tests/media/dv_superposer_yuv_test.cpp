// The overlay on the DV decoder's own planar pictures, PAL 4:2:0 (I420) and NTSC 4:1:1 (Y41B),
// against the same text drawn on RGB: the same place, luma and chroma as the RGB result converts
// to, nothing touched outside the text's box, edges and clipping, and the box made again when the
// text or a setting changes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "media/dv_superposer.h"
#include "platform/filters/InfTee.h"
#include "platform/filters/PictureConverter.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/media/Pictures.h"

using namespace mediatest;
using media::Tdv_sceneDetect;
using media::Tdv_Superposer;
using testkit::DvFrameBuilder;
using testkit::Standard;

namespace {

constexpr REFERENCE_TIME kT = 400000;

// BT.601 at video range, as the DV codec codes its pictures.
double LumaOf(const uint8_t* bgr)
{
    return 16 + (65.481 * bgr[2] + 128.553 * bgr[1] + 24.966 * bgr[0]) / 255;
}
double BlueOf(const uint8_t* bgr)
{
    return 128 + (-37.797 * bgr[2] - 74.203 * bgr[1] + 112.0 * bgr[0]) / 255;
}
double RedOf(const uint8_t* bgr)
{
    return 128 + (112.0 * bgr[2] - 93.786 * bgr[1] - 18.214 * bgr[0]) / 255;
}

// A planar picture: Y, then U and V, each sample of those covering 1 << sx by 1 << sy pixels.
struct Planar {
    int w = 0, h = 0, sx = 0, sy = 0;
    std::vector<uint8_t> bytes;
    int cw() const { return w >> sx; }
    int ch() const { return h >> sy; }
    uint8_t& Y(int x, int y) { return bytes[static_cast<size_t>(y) * w + x]; }
    uint8_t& C(int plane, int cx, int cy) // plane 1 U, 2 V
    {
        return bytes[static_cast<size_t>(w) * h + static_cast<size_t>(plane - 1) * cw() * ch() +
                     static_cast<size_t>(cy) * cw() + cx];
    }
};

// The flat backdrop of both pictures: one colour in RGB, the colour it converts to in YUV.
const uint8_t kBackdrop[3] = {60, 120, 200}; // blue, green, red

Picture RgbBackdrop(int w, int h)
{
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.Set(x, y, kBackdrop[0], kBackdrop[1], kBackdrop[2]);
    return p;
}

Planar YuvBackdrop(int w, int h, int sx, int sy)
{
    Planar p{w, h, sx, sy, {}};
    p.bytes.resize(static_cast<size_t>(w) * h + 2 * static_cast<size_t>(p.cw()) * p.ch());
    std::fill(p.bytes.begin(), p.bytes.begin() + static_cast<ptrdiff_t>(w) * h,
              static_cast<uint8_t>(std::lround(LumaOf(kBackdrop))));
    for (int cy = 0; cy < p.ch(); ++cy)
        for (int cx = 0; cx < p.cw(); ++cx) {
            p.C(1, cx, cy) = static_cast<uint8_t>(std::lround(BlueOf(kBackdrop)));
            p.C(2, cx, cy) = static_cast<uint8_t>(std::lround(RedOf(kBackdrop)));
        }
    return p;
}

struct Standardised {
    const char* name;
    const ds::Guid* subtype; // the subtypes are made at start-up, in another unit
    int w, h, sx, sy;
};
const Standardised kPal{"PAL I420", &ds::MEDIASUBTYPE_I420, 720, 576, 1, 1};
const Standardised kNtsc{"NTSC Y41B", &ds::MEDIASUBTYPE_Y41B, 720, 480, 2, 0};

using Configure = std::function<void(Tdv_Superposer&)>;

// One detector fed the dated DV frame and overlays on both kinds of picture, drawing the frame
// of the same time.
struct Pair {
    std::shared_ptr<Tdv_sceneDetect> detector = std::make_shared<Tdv_sceneDetect>();
    Chain dv{testds::VideoType(), 144000, {detector}, false};
    Standardised s;

    explicit Pair(const Standardised& standard) : s(standard)
    {
        EXPECT_TRUE(dv.connected);
        EXPECT_EQ(dv.graph.Run(), S_OK);
    }
    ~Pair() { dv.graph.Stop(); }
    void Feed(int index, int second)
    {
        const auto frame = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 59, second).build();
        EXPECT_EQ(dv.pusher->Push(frame, index * kT, (index + 1) * kT), S_OK);
    }
    std::shared_ptr<Tdv_Superposer> Overlay(const Configure& setup) const
    {
        auto overlay = std::make_shared<Tdv_Superposer>(detector.get());
        overlay->SetAutoIncrust(0);
        setup(*overlay);
        return overlay;
    }
    // What an overlay set up so draws on either picture at time `index`.
    Picture Rgb(const Configure& setup, int index) const
    {
        Chain chain(Rgb24Type(s.w, -s.h), Stride(s.w) * s.h, {Overlay(setup)});
        EXPECT_TRUE(chain.connected);
        EXPECT_EQ(chain.graph.Run(), S_OK);
        EXPECT_EQ(chain.pusher->Push(ToBuffer(RgbBackdrop(s.w, s.h), true), index * kT, (index + 1) * kT), S_OK);
        const auto seen = chain.sink->SeenSamples();
        chain.graph.Stop();
        return seen.size() == 1 ? FromBuffer({seen[0].bytes.begin(), seen[0].bytes.end()}, s.w, s.h, true) : Picture();
    }
    Planar Yuv(Chain& chain, int index) const
    {
        Planar in = YuvBackdrop(s.w, s.h, s.sx, s.sy);
        chain.sink->ClearSeen();
        EXPECT_EQ(chain.pusher->Push(in.bytes, index * kT, (index + 1) * kT), S_OK);
        const auto seen = chain.sink->SeenSamples();
        if (seen.size() != 1)
            return Planar();
        in.bytes.assign(seen[0].bytes.begin(), seen[0].bytes.end());
        return in;
    }
    std::unique_ptr<Chain> YuvChain(const std::shared_ptr<Tdv_Superposer>& overlay) const
    {
        auto chain =
            std::make_unique<Chain>(ds::PictureType(*s.subtype, s.w, s.h, kT), static_cast<int32_t>(s.w * s.h * 3 / 2),
                                    std::vector<std::shared_ptr<BaseFilter>>{overlay});
        EXPECT_TRUE(chain->connected);
        EXPECT_EQ(chain->graph.Run(), S_OK);
        return chain;
    }
    Planar Yuv(const Configure& setup, int index) const
    {
        auto overlay = Overlay(setup);
        auto chain = YuvChain(overlay);
        Planar out = Yuv(*chain, index);
        chain->graph.Stop();
        return out;
    }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // exclusive right and bottom
    bool Empty() const { return right <= left; }
};

// Compares the YUV result with the RGB one converted: luma within `tolerance` per pixel, chroma
// per sample within `tolerance` of the RGB result's average over its pixels, and every byte
// outside the RGB text's box, widened to whole chroma samples, as it came. The RGB text's box.
Box ExpectSameText(const Picture& rgb, Planar yuv, const Standardised& s, const std::string& what, double tolerance = 2)
{
    const Picture rgbIn = RgbBackdrop(s.w, s.h);
    Planar yuvIn = YuvBackdrop(s.w, s.h, s.sx, s.sy);
    Box box;
    double worstLuma = 0, worstChroma = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            worstLuma = std::max(worstLuma, std::fabs(LumaOf(rgb.At(x, y)) - yuv.Y(x, y)));
            if (!std::equal(rgb.At(x, y), rgb.At(x, y) + 3, rgbIn.At(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
        }
    for (int cy = 0; cy < yuv.ch(); ++cy)
        for (int cx = 0; cx < yuv.cw(); ++cx) {
            double u = 0, v = 0;
            const int n = 1 << (s.sx + s.sy);
            for (int dy = 0; dy < 1 << s.sy; ++dy)
                for (int dx = 0; dx < 1 << s.sx; ++dx) {
                    const uint8_t* p = rgb.At((cx << s.sx) + dx, (cy << s.sy) + dy);
                    u += BlueOf(p) / n;
                    v += RedOf(p) / n;
                }
            worstChroma = std::max({worstChroma, std::fabs(u - yuv.C(1, cx, cy)), std::fabs(v - yuv.C(2, cx, cy))});
        }
    EXPECT_LE(worstLuma, tolerance) << what;
    EXPECT_LE(worstChroma, tolerance) << what;

    // A pixel the text barely touches may round to no change on RGB and to one on YUV: two pixels
    // of margin, then whole chroma samples.
    const int across = 1 << s.sx, down = 1 << s.sy;
    const int left = std::max(0, box.left - 2) / across * across, top = std::max(0, box.top - 2) / down * down;
    const int right = box.Empty() ? 0 : (box.right + 2 + across - 1) / across * across;
    const int bottom = box.Empty() ? 0 : (box.bottom + 2 + down - 1) / down * down;
    auto inside = [&](int x, int y) { return x >= left && x < right && y >= top && y < bottom; };
    int outside = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
            if (inside(x, y))
                continue;
            outside += yuv.Y(x, y) != yuvIn.Y(x, y);
            if (x % across == 0 && y % down == 0)
                for (int plane : {1, 2})
                    outside += yuv.C(plane, x >> s.sx, y >> s.sy) != yuvIn.C(plane, x >> s.sx, y >> s.sy);
        }
    EXPECT_EQ(outside, 0) << what << ": samples changed outside the text's box";
    return box;
}

class YuvOverlay : public ::testing::Test {
protected:
    void SetUp() override { EnsureGui(); }
};

TEST_F(YuvOverlay, TakesPlanarPicturesOnlyWithTheSameTypeOnBothSides)
{
    Tdv_Superposer overlay(nullptr);
    for (const ds::Guid* planar : {&ds::MEDIASUBTYPE_I420, &ds::MEDIASUBTYPE_YV12, &ds::MEDIASUBTYPE_Y41B})
        EXPECT_EQ(overlay.CheckInputType(ds::PictureType(*planar, 720, 480, kT)), S_OK);
    EXPECT_EQ(overlay.CheckInputType(ds::PictureType(ds::MEDIASUBTYPE_YUY2, 720, 480, kT)), VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(overlay.CheckInputType(ds::PictureType(ds::MEDIASUBTYPE_RGB32, 720, 480, kT)), VFW_E_TYPE_NOT_ACCEPTED);
    const MediaType pal = ds::PictureType(ds::MEDIASUBTYPE_I420, 720, 576, kT);
    EXPECT_EQ(overlay.CheckTransform(pal, pal), S_OK);
    EXPECT_EQ(overlay.CheckTransform(pal, ds::PictureType(ds::MEDIASUBTYPE_YV12, 720, 576, kT)),
              VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(overlay.CheckTransform(pal, ds::PictureType(ds::MEDIASUBTYPE_I420, 720, 480, kT)),
              VFW_E_TYPE_NOT_ACCEPTED);
    EXPECT_EQ(overlay.CheckTransform(pal, Rgb24Type(720, 576)), VFW_E_TYPE_NOT_ACCEPTED);

    Chain chain(ds::PictureType(ds::MEDIASUBTYPE_Y41B, 720, 480, kT), 720 * 480 * 3 / 2,
                {std::make_shared<Tdv_Superposer>(nullptr)});
    ASSERT_TRUE(chain.connected);
    MediaType out;
    chain.sink->GetPin(0)->ConnectionMediaType(out);
    EXPECT_EQ(out.subtype, ds::MEDIASUBTYPE_Y41B);
    EXPECT_EQ(out.GetVideoInfo()->bmiHeader.biSizeImage, 720u * 480 * 3 / 2);
}

// Every placement rule on both subsamplings: the three alignments at the anchor and at the
// edges, text clipped by the left, right and top edges or wholly outside, in white and in a
// colour with every style bit.
TEST_F(YuvOverlay, DrawsTheTextTheRgbOverlayDrawsInEveryPlacement)
{
    struct Place {
        int32_t x, y;
        uint8_t alignment;
        const char* name;
        bool visible = true;
    } places[] = {
        {900, 900, 2, "anchor, right-aligned"},        {500, 500, 1, "centred"},
        {333, 700, 0, "left-aligned, odd pixel"},      {0, 1000, 0, "bottom-left corner"},
        {1000, 1000, 2, "bottom-right corner"},        {0, 600, 1, "clipped by the left edge"},
        {1000, 600, 1, "clipped by the right edge"},   {500, 40, 1, "clipped by the top edge"},
        {1000, 600, 0, "right of the picture", false}, {500, 0, 1, "above the picture", false},
    };
    for (const Standardised& s : {kPal, kNtsc}) {
        Pair pair(s);
        pair.Feed(0, 58);
        for (const Place& p : places)
            for (bool coloured : {false, true}) {
                const std::string what = std::string(s.name) + ", " + p.name + (coloured ? ", coloured" : "");
                const Configure setup = [&](Tdv_Superposer& o) {
                    o.SetPosition(p.x, p.y, p.alignment);
                    if (coloured) {
                        o.SetFontColor(0x2080F0); // orange: every chroma moves
                        o.SetItalic(true);
                        o.SetUnderline(true);
                        o.SetStrikeOut(true);
                    }
                };
                const Box box = ExpectSameText(pair.Rgb(setup, 0), pair.Yuv(setup, 0), s, what);
                if (!coloured) { // italic glyphs may lean a pixel into the picture
                    EXPECT_EQ(!box.Empty(), p.visible) << what;
                }
                if (p.visible && std::string(p.name).find("clipped") != std::string::npos) {
                    EXPECT_TRUE(box.left == 0 || box.right == s.w || box.top == 0) << what;
                }
            }
    }
}

// Passes each picture on and keeps where its bytes lie, to look at once the push is back.
class Keeper : public ds::TBCTransInPlaceFilter {
public:
    Keeper() : TBCTransInPlaceFilter("Keeper") {}
    HRESULT CheckInputType(const MediaType&) override { return S_OK; }
    HRESULT Transform(ds::MediaSample& s) override
    {
        last = s.GetPointer();
        return S_OK;
    }
    const uint8_t* last = nullptr;
};

// Drawing in place writes the picture a copy would get onto upstream's own sample; a picture
// a tee also sends elsewhere (read-only, through any filter that passes samples on) is copied
// first, so no other branch sees the text.
TEST_F(YuvOverlay, DrawsInPlaceOnlyOnPicturesNoOtherFilterReads)
{
    Pair pair(kPal);
    pair.Feed(0, 58);
    const Configure setup = [](Tdv_Superposer& o) { o.SetPosition(500, 500, 1); };
    const Planar copied = pair.Yuv(setup, 0);
    const Planar backdrop = YuvBackdrop(kPal.w, kPal.h, kPal.sx, kPal.sy);
    ASSERT_NE(copied.bytes, backdrop.bytes);
    for (bool teed : {false, true}) {
        auto keeper = std::make_shared<Keeper>();
        auto overlay = pair.Overlay(setup);
        overlay->SetDrawInPlace(true);
        std::vector<std::shared_ptr<BaseFilter>> filters{keeper, overlay};
        if (teed)
            filters.insert(filters.begin(), std::make_shared<ds::InfTee>());
        Chain chain(ds::PictureType(ds::MEDIASUBTYPE_I420, kPal.w, kPal.h, kT),
                    static_cast<int32_t>(backdrop.bytes.size()), filters);
        ASSERT_TRUE(chain.connected);
        ASSERT_EQ(chain.graph.Run(), S_OK);
        ASSERT_EQ(chain.pusher->Push(backdrop.bytes, 0, kT), S_OK);
        const auto seen = chain.sink->SeenSamples();
        ASSERT_EQ(seen.size(), 1u);
        ASSERT_EQ(seen[0].bytes.size(), copied.bytes.size());
        EXPECT_EQ(std::memcmp(seen[0].bytes.data(), copied.bytes.data(), copied.bytes.size()), 0) << teed;
        ASSERT_NE(keeper->last, nullptr);
        const uint8_t* upstream = keeper->last;
        EXPECT_EQ(std::memcmp(upstream, copied.bytes.data(), copied.bytes.size()) == 0, !teed) << teed;
        EXPECT_EQ(std::memcmp(upstream, backdrop.bytes.data(), backdrop.bytes.size()) == 0, teed) << teed;
        chain.graph.Stop();
    }
}

// Where the text is white, the luma goes up to the white of video range.
TEST_F(YuvOverlay, WhiteTextLiftsTheLumaToWhite)
{
    for (const Standardised& s : {kPal, kNtsc}) {
        Pair pair(s);
        pair.Feed(0, 58);
        Planar out = pair.Yuv([](Tdv_Superposer&) {}, 0);
        int white = 0;
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                white += out.Y(x, y) >= 230;
        EXPECT_GT(white, 300) << s.name;
    }
}

// One overlay streaming frames keeps its text box while nothing changes, and makes it again on
// every change: each picture equals what a new overlay with the same settings draws.
TEST_F(YuvOverlay, TheTextBoxIsMadeAgainWhenTheTextOrASettingChanges)
{
    for (const Standardised& s : {kPal, kNtsc}) {
        Pair pair(s);
        struct Step {
            const char* name;
            int second;
            Configure change;
        } steps[] = {
            {"first", 50, [](Tdv_Superposer&) {}},
            {"same text", 50, [](Tdv_Superposer&) {}},
            {"next second", 51, [](Tdv_Superposer&) {}},
            {"colour", 51, [](Tdv_Superposer& o) { o.SetFontColor(0x0000FF); }},
            {"position", 51, [](Tdv_Superposer& o) { o.SetPosition(400, 700, 2); }},
            {"alignment", 51, [](Tdv_Superposer& o) { o.SetAlignment(0); }},
            {"style", 51, [](Tdv_Superposer& o) { o.SetBold(false); }},
            {"font", 51, [](Tdv_Superposer& o) { o.SetFontName("Courier New"); }},
            {"format", 51, [](Tdv_Superposer& o) { o.SetIncrustFormats("\"日期\"", "hh:nn"); }},
        };
        std::vector<Configure> applied;
        const Configure all = [&](Tdv_Superposer& o) {
            for (const Configure& f : applied)
                f(o);
        };
        auto streaming = pair.Overlay([](Tdv_Superposer&) {});
        auto chain = pair.YuvChain(streaming);
        Planar before;
        for (int i = 0; i < static_cast<int>(std::size(steps)); ++i) {
            const Step& step = steps[i];
            pair.Feed(i, step.second);
            step.change(*streaming);
            applied.push_back(step.change);
            const Planar drawn = pair.Yuv(*chain, i);
            EXPECT_EQ(drawn.bytes, pair.Yuv(all, i).bytes) << s.name << ", " << step.name;
            if (i > 0) {
                EXPECT_EQ(drawn.bytes == before.bytes, std::string(step.name) == "same text")
                    << s.name << ", " << step.name;
            }
            before = drawn;
        }
        chain->graph.Stop();
    }
}

} // namespace
