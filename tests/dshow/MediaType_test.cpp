#include <gtest/gtest.h>

#include "platform/dshow/MediaType.h"
#include "platform/rtl/ByteOrder.h"

using namespace ds;

TEST(FormatBlocks, KeepTheWindowsLayouts)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biCompression = rtl::FourCC("dvsd");
    std::vector<uint8_t> b = vih.Bytes();
    ASSERT_EQ(b.size(), 88u);
    EXPECT_EQ(rtl::GetLE64(&b[40]), 400000u);
    EXPECT_EQ(rtl::GetLE32(&b[48]), 40u); // biSize
    EXPECT_EQ(rtl::GetLE32(&b[52]), 720u);
    EXPECT_EQ(rtl::GetLE32(&b[64]), rtl::FourCC("dvsd"));

    WaveFormatEx w = WaveFormatEx::Pcm(48000, 2, 16);
    w.extra = {1, 2};
    std::vector<uint8_t> wb = w.Bytes();
    ASSERT_EQ(wb.size(), 20u);
    EXPECT_EQ(rtl::GetLE32(&wb[8]), 192000u); // nAvgBytesPerSec
    EXPECT_EQ(rtl::GetLE16(&wb[12]), 4u);     // nBlockAlign
    EXPECT_EQ(rtl::GetLE16(&wb[16]), 2u);     // cbSize follows the extra bytes

    DvInfo info;
    info.dwDVVAuxSrc = 1u << 21;
    EXPECT_EQ(info.Bytes().size(), 32u);
    EXPECT_TRUE(info.Is625Lines());
}

TEST(FormatBlocks, ParseBackWhatWasWrittenAndRefuseShortBlocks)
{
    VideoInfoHeader vih;
    vih.rcSource = {1, 2, 3, 4};
    vih.bmiHeader.biHeight = -480;
    VideoInfoHeader back;
    std::vector<uint8_t> b = vih.Bytes();
    ASSERT_TRUE(VideoInfoHeader::Parse(b.data(), b.size(), back));
    EXPECT_EQ(back, vih);
    EXPECT_FALSE(VideoInfoHeader::Parse(b.data(), 87, back));

    // A 16-byte block (no cbSize) reads with cbSize 0; cbSize past the block is not believed.
    std::vector<uint8_t> w = WaveFormatEx::Pcm(32000, 2, 12).Bytes();
    WaveFormatEx wf;
    ASSERT_TRUE(WaveFormatEx::Parse(w.data(), 16, wf));
    EXPECT_EQ(wf.cbSize, 0);
    w[16] = 200;
    ASSERT_TRUE(WaveFormatEx::Parse(w.data(), w.size(), wf));
    EXPECT_TRUE(wf.extra.empty());
    DvInfo d;
    EXPECT_FALSE(DvInfo::Parse(w.data(), 18, d));
    MediaType shortDv(MEDIATYPE_Interleaved, MEDIASUBTYPE_dvsd, FORMAT_DvInfo);
    shortDv.format.assign(20, 0);
    EXPECT_FALSE(shortDv.GetDvInfo());
}

TEST(MediaTypes, PartialTypesTreatZeroFieldsAsWildcards)
{
    MediaType video = MediaType::Video(MEDIASUBTYPE_dvsd, VideoInfoHeader());
    EXPECT_TRUE(video.MatchesPartial(MediaType()));
    EXPECT_TRUE(video.MatchesPartial(MediaType(MEDIATYPE_Video, GUID_NULL)));
    EXPECT_FALSE(video.MatchesPartial(MediaType(MEDIATYPE_Audio, GUID_NULL)));
    EXPECT_TRUE(video.MatchesPartial(MediaType(GUID_NULL, MEDIASUBTYPE_dvsd)));
    EXPECT_FALSE(video.MatchesPartial(MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24)));
    MediaType withFormat(GUID_NULL, GUID_NULL, FORMAT_VideoInfo);
    EXPECT_TRUE(video.MatchesPartial(withFormat));
    withFormat.format.assign(88, 1);
    EXPECT_FALSE(video.MatchesPartial(withFormat));
    EXPECT_FALSE(MediaType(MEDIATYPE_Video, GUID_NULL).IsFullySpecified());
}

TEST(MediaTypes, SubtypesMapFromFourCCs)
{
    EXPECT_EQ(Guid::FromFourCC(rtl::FourCC("dvsd")), MEDIASUBTYPE_dvsd);
}
