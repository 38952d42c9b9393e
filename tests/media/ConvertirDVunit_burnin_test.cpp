// The burn-in on the DV decoder's own planes (PAL I420, NTSC Y41B) against the RGB chain: the
// chain carries the planes where every filter takes them and falls back to RGB where one does
// not; the output has the RGB chain's frames, dates and time codes, the picture outside the text
// is the plain re-encode's, and the text shows.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "tests/media/AviFileStreams.h"
#include "tests/media/MediaFiles.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using media::ConversionOutcome;
using media::TCdm;

namespace {

// Stand-ins that take RGB only, as another encoder or an older overlay would.
class RgbOnlyEncoder : public ds::DvVideoEncoder {
public:
    ds::HRESULT CheckInputType(const ds::MediaType& mt) override
    {
        return mt.subtype == ds::MEDIASUBTYPE_RGB24 ? DvVideoEncoder::CheckInputType(mt) : ds::VFW_E_TYPE_NOT_ACCEPTED;
    }
};
class RefusingEncoder : public DvVideoEncoder {
public:
    ds::HRESULT CheckInputType(const ds::MediaType&) override { return ds::VFW_E_TYPE_NOT_ACCEPTED; }
};
class RgbOnlyOverlay : public media::Tdv_Superposer {
public:
    using Tdv_Superposer::Tdv_Superposer;
    ds::HRESULT CheckInputType(const ds::MediaType& mt) override
    {
        return mt.subtype == ds::MEDIASUBTYPE_RGB24 ? Tdv_Superposer::CheckInputType(mt) : ds::VFW_E_TYPE_NOT_ACCEPTED;
    }
};

enum class Refuser { None, Encoder, Overlay, EveryPicture };

bool Build(TCdm& cdm, const std::string& in, const std::string& out, int type, Refuser refuser, bool text = true)
{
    ds::FilterEntry rgbOnly =
        *ds::FilterRegistry::Instance().Find("DV Video Encoder", ds::CLSID_VideoCompressorCategory);
    rgbOnly.create = [refuser]() -> std::shared_ptr<ds::BaseFilter> {
        if (refuser == Refuser::EveryPicture)
            return std::make_shared<RefusingEncoder>();
        return std::make_shared<RgbOnlyEncoder>();
    };
    cdm.DVenc.SetEntry(
        refuser == Refuser::Encoder || refuser == Refuser::EveryPicture
            ? std::make_shared<const ds::FilterEntry>(rgbOnly)
            : ds::FilterRegistry::Instance().Find("DV Video Encoder", ds::CLSID_VideoCompressorCategory));
    if (refuser == Refuser::Overlay)
        cdm.CdmSuperposer = std::make_shared<RgbOnlyOverlay>(cdm.CdmSceneDetect.get());
    else if (dynamic_cast<RgbOnlyOverlay*>(cdm.CdmSuperposer.get()))
        cdm.CdmSuperposer = std::make_shared<media::Tdv_Superposer>(cdm.CdmSceneDetect.get());
    return BuildBurnIn(cdm, type, in, out, text);
}

// The subtype of the picture the decoder hands the overlay and the overlay the encoder.
std::pair<ds::Guid, ds::Guid> ChainTypes(TCdm& cdm)
{
    ds::MediaType decoded, drawn;
    cdm.DVdecoder.GetPin(1)->ConnectionMediaType(decoded);
    cdm.CdmSuperposer->GetPin(1)->ConnectionMediaType(drawn);
    return {decoded.subtype, drawn.subtype};
}

// The luma plane of frame n as ffmpeg decodes it.
std::string Luma(const std::string& path, int n)
{
    return ToolOutput("ffmpeg -v error -i " + Quoted(path) + " -vf 'select=eq(n\\," + std::to_string(n) +
                      ")' -frames:v 1 -f rawvideo -pix_fmt gray -");
}

struct Region {
    int left, top, right, bottom;
    bool Holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// PSNR of two luma planes over the pixels `keep` says, in dB (99 when equal).
template <class F> double Psnr(const std::string& a, const std::string& b, int width, F keep)
{
    double sum = 0;
    size_t count = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
        if (!keep(x, y))
            continue;
        const double d = double(uint8_t(a[i])) - uint8_t(b[i]);
        sum += d * d;
        ++count;
    }
    return sum == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * count / sum);
}

double MeanDifference(const std::string& a, const std::string& b, int width, const Region& r)
{
    double sum = 0;
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const size_t at = static_cast<size_t>(y) * width + x;
            sum += std::abs(int(uint8_t(a[at])) - int(uint8_t(b[at])));
            ++count;
        }
    return count ? sum / count : 0;
}

class BurnInYuv : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("ffprobe") || !HaveCodecFilters())
            GTEST_SKIP() << "ffmpeg tools or the codec filters missing";
    }
    testkit::TempDir dir;
};

TEST_F(BurnInYuv, TheChainCarriesTheDecodersPlanesAndFallsBackToRgbWhereAFilterRefusesThem)
{
    TCdm cdm;
    struct Case {
        bool pal;
        int type;
        Refuser refuser;
        ds::Guid expected;
        const char* name;
    } cases[] = {
        {true, 2, Refuser::None, ds::MEDIASUBTYPE_I420, "PAL type 2"},
        {false, 1, Refuser::None, ds::MEDIASUBTYPE_Y41B, "NTSC type 1"},
        {true, 1, Refuser::Encoder, ds::MEDIASUBTYPE_RGB24, "an encoder taking RGB only"},
        {false, 2, Refuser::Overlay, ds::MEDIASUBTYPE_RGB24, "an overlay taking RGB only"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = dir.file("in" + std::to_string(n) + ".avi"),
                          out = dir.file("out" + std::to_string(n++) + ".avi");
        const testkit::DvClip clip = DatedClip(c.pal, 10, 2);
        ASSERT_TRUE(c.type == 2 ? testkit::WriteDvType2(in, clip) : testkit::WriteDvType1(in, clip));
        ASSERT_TRUE(Build(cdm, in, out, c.type, c.refuser));
        ASSERT_EQ(ChainTypes(cdm), std::make_pair(c.expected, c.expected)); // else the run would wait for ever
        ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed);
        EXPECT_EQ(ProbedFrames(out), 10);
    }
    // No picture the encoder takes: the build fails, never a graph that would wait for frames.
    EXPECT_FALSE(Build(cdm, dir.file("in0.avi"), dir.file("none.avi"), 2, Refuser::EveryPicture));
    EXPECT_FALSE(Build(cdm, dir.file("in1.avi"), dir.file("none.avi"), 1, Refuser::EveryPicture));
    Build(cdm, dir.file("in0.avi"), dir.file("again.avi"), 2, Refuser::None); // the module as it was
}

// Burn-in, the same on RGB, and the plain re-encode (no text) of each source: every frame keeps
// its date and time code; outside the text the picture is the plain re-encode's (only the DV
// segments that share blocks with the text are coded again), where the RGB chain's colour
// round trip shows; inside the box the white text lifts the luma.
TEST_F(BurnInYuv, KeepsEveryDateAndTheDecodedPictureOutsideTheText)
{
    TCdm cdm;
    for (bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL type 2" : "NTSC type 1");
        const int type = pal ? 2 : 1, height = pal ? 576 : 480, frames = 30;
        const testkit::DvClip clip = DatedClip(pal, frames, 3);
        const std::string in = dir.file(pal ? "pal.avi" : "ntsc.avi");
        ASSERT_TRUE(type == 2 ? testkit::WriteDvType2(in, clip) : testkit::WriteDvType1(in, clip));
        const std::string yuv = in + ".yuv.avi", rgb = in + ".rgb.avi", plain = in + ".plain.avi";
        const std::vector<std::tuple<std::string, Refuser, bool>> runs = {
            {yuv, Refuser::None, true}, {rgb, Refuser::Encoder, true}, {plain, Refuser::None, false}};
        for (const auto& [out, refuser, text] : runs) {
            ASSERT_TRUE(Build(cdm, in, out, type, refuser, text)) << out;
            ASSERT_EQ(RunToEnd(cdm).kind, ConversionOutcome::Completed) << out;
        }
        EXPECT_EQ(ProbedFrames(yuv), frames);
        EXPECT_EQ(ProbedFrames(rgb), frames);
        const auto ours = VideoFrames(yuv), theirs = VideoFrames(rgb);
        ASSERT_EQ(ours.size(), static_cast<size_t>(frames));
        ASSERT_EQ(theirs.size(), ours.size());
        for (size_t k = 0; k < ours.size(); ++k) {
            EXPECT_EQ(TimeCode(ours[k]), TimeCode(theirs[k])) << "frame " << k;
            EXPECT_EQ(TimeCode(ours[k]), TimeCode(clip.frames[k])) << "frame " << k;
            EXPECT_EQ(AllRecDates(ours[k]), AllRecDates(theirs[k])) << "frame " << k;
        }

        // The text: rows ya - 2h .. ya from x = 72 on (anchor 100, 900 thousandths).
        const int ya = height * 900 / 1000;
        const Region box{72, ya - 50, 330, ya};
        for (int n : {3, 17}) {
            const std::string drawn = Luma(yuv, n), onRgb = Luma(rgb, n), bare = Luma(plain, n);
            ASSERT_EQ(drawn.size(), size_t{720} * height);
            ASSERT_EQ(bare.size(), drawn.size());
            auto outside = [&](int x, int y) {
                return !Region{box.left - 16, box.top - 16, box.right + 16, height}.Holds(x, y);
            };
            const double yuvDb = Psnr(drawn, bare, 720, outside), rgbDb = Psnr(onRgb, bare, 720, outside);
            EXPECT_GE(yuvDb, 48.0) << "frame " << n;
            EXPECT_GT(yuvDb, rgbDb + 3) << "frame " << n;
            size_t same = 0, total = 0;
            for (size_t i = 0; i < drawn.size(); ++i)
                if (outside(static_cast<int>(i % 720), static_cast<int>(i / 720))) {
                    same += drawn[i] == bare[i];
                    ++total;
                }
            EXPECT_GT(same, total * 9 / 10) << "frame " << n << ": most of the picture is the plain re-encode's";
            // The text's white: strokes of video-range white where the picture was darker.
            int white = 0;
            for (int y = box.top; y < box.bottom; ++y)
                for (int x = box.left; x < box.right; ++x) {
                    const size_t at = static_cast<size_t>(y) * 720 + x;
                    white += uint8_t(drawn[at]) >= 225 && uint8_t(bare[at]) < 200;
                }
            EXPECT_GT(white, 400) << "frame " << n;
            EXPECT_GT(MeanDifference(drawn, bare, 720, box), 8.0) << "frame " << n;
        }
    }
}

} // namespace
