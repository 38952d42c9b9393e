// The deinterlacing filter: what it connects to, and pictures through it in both row orders and
// both height parities, against the passes done from the top.
#include <gtest/gtest.h>

#include "media/dv_deinter.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/media/Pictures.h"

using namespace mediatest;
using media::Tdv_deinter;

namespace {

TEST(DeinterlaceFilter, TakesOnlyUncompressed24BitPicturesOfASaneSize)
{
    Tdv_deinter filter;
    auto with = [](auto change) {
        MediaType mt = Rgb24Type(720, 576);
        auto vih = *mt.GetVideoInfo();
        change(mt, vih);
        if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat() == VideoInfoHeader::kSize)
            mt.SetVideoInfo(vih);
        return mt;
    };
    EXPECT_EQ(filter.CheckInputType(Rgb24Type(720, 576)), S_OK);
    EXPECT_EQ(filter.CheckInputType(Rgb24Type(1, -8192)), S_OK);
    const MediaType refused[] = {
        with([](MediaType& mt, VideoInfoHeader&) { mt.subtype = MEDIASUBTYPE_RGB32; }),
        with([](MediaType& mt, VideoInfoHeader&) { mt.majortype = MEDIATYPE_Interleaved; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biBitCount = 32; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biCompression = rtl::FourCC("dvsd"); }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biWidth = 0; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biWidth = -720; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biHeight = 0; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biWidth = 8193; }),
        with([](MediaType&, VideoInfoHeader& v) { v.bmiHeader.biHeight = -8193; }),
        with([](MediaType& mt, VideoInfoHeader&) { mt.format.resize(60); }), // a block cut short
        with([](MediaType& mt, VideoInfoHeader&) { mt.formattype = FORMAT_None; }),
    };
    for (size_t i = 0; i < std::size(refused); ++i)
        EXPECT_EQ(filter.CheckInputType(refused[i]), VFW_E_TYPE_NOT_ACCEPTED) << i;
}

TEST(DeinterlaceFilter, WorksFromThePicturesTopInEitherRowOrderAndParity)
{
    for (int h : {6, 7, 575, 576})
        for (bool topDown : {true, false}) {
            const int w = 37;
            Chain c(Rgb24Type(w, topDown ? -h : h), Stride(w) * h, {std::make_shared<Tdv_deinter>()});
            ASSERT_TRUE(c.connected);
            ASSERT_EQ(c.graph.Run(), S_OK);
            const Picture p = CombedNoise(w, h, static_cast<unsigned>(h));
            ASSERT_EQ(c.pusher->Push(ToBuffer(p, topDown), 0, 400000), S_OK);
            c.graph.Stop();
            const auto seen = c.sink->SeenSamples();
            ASSERT_EQ(seen.size(), 1u);
            const std::vector<uint8_t> out(seen[0].bytes.begin(), seen[0].bytes.end());
            EXPECT_TRUE(PaddingIntact(out, w, h));
            EXPECT_EQ(FromBuffer(out, w, h, topDown), DeinterlaceReference(p)) << h << (topDown ? " top-down" : "");
        }
}

TEST(DeinterlaceFilter, AShortSampleFailsAndStaysAsItCame)
{
    Chain c(Rgb24Type(16, 8), Stride(16) * 8, {std::make_shared<Tdv_deinter>()});
    ASSERT_EQ(c.graph.Run(), S_OK);
    std::vector<uint8_t> bytes = ToBuffer(CombedNoise(16, 8, 3), false);
    bytes.pop_back();
    EXPECT_EQ(c.pusher->Push(bytes, 0, 400000), E_FAIL);
    const MediaSample& s = *c.pusher->Last();
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), s.GetPointer()));
    c.graph.Stop();
    EXPECT_TRUE(c.sink->SeenSamples().empty());
}

} // namespace
