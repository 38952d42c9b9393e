// The analysis over the probe's answers, through the hook the probe module installs: a scripted
// probe stands in for the graph, so every rule from the formats to the texts and markers can be
// fed the case it is about.
#include <gtest/gtest.h>

#include <vector>

#include "actions/ProbeResult.h"
#include "actions/aviFichier.h"
#include "formats/fpsunit.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatRecords.h"
#include "settings/Preferences.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"

using namespace actions;

namespace {

// Answers from a list (the last one repeats) and remembers each call's forceDv.
class ScriptedProbe {
public:
    explicit ScriptedProbe(std::vector<ProbeResult> answers) : answers_(std::move(answers))
    {
        InstallProbe([this](const std::string& name, const ProbeOptions& options) {
            names.push_back(name);
            calls.push_back(options.forceDv);
            return answers_[std::min(calls.size(), answers_.size()) - 1];
        });
    }
    ~ScriptedProbe() { InstallProbe({}); }

    std::vector<bool> calls;
    std::vector<std::string> names;

private:
    std::vector<ProbeResult> answers_;
};

void SetVideo(ProbeResult& r, int width, int height, int64_t avgTimePerFrame, int64_t duration)
{
    rtl::BitmapInfoHeader bmi;
    bmi.biWidth = width;
    bmi.biHeight = height;
    bmi.biCompression = rtl::FourCC("dvsd");
    rtl::EncodeBitmapInfo(bmi, &r.ListVideoFormat[48]);
    rtl::PutLE64(&r.ListVideoFormat[40], static_cast<uint64_t>(avgTimePerFrame));
    rtl::PutLE32(&r.ListVideoFormat[32], 28800000);
    r.ListVideoKnown = 1;
    r.ListVideoDuration = duration;
}

void SetAudio(ProbeResult& r, uint32_t rate, uint16_t bits, uint16_t channels, int64_t duration)
{
    rtl::WaveFormatEx w;
    w.wFormatTag = 1;
    w.nChannels = channels;
    w.nSamplesPerSec = rate;
    w.nAvgBytesPerSec = rate * channels * bits / 8;
    w.wBitsPerSample = bits;
    rtl::EncodeWaveFormat(w, r.ListAudioFormat.data());
    r.ListAudioKnown = 1;
    r.ListAudioDuration = duration;
}

void SetDvInfo(ProbeResult& r, bool pal)
{
    rtl::DvInfo info;
    info.dwDVVAuxSrc = pal ? 0xFF20FFFF : 0xFF00FFFF; // bit 21: 625 lines
    rtl::EncodeDvInfo(info, r.ListDVInfo.data());
    r.ListDVInfoKnown = 1;
}

ProbeResult Type1Pal()
{
    ProbeResult r;
    r.ok = true;
    SetVideo(r, 720, 576, 400000, 10'000'000);
    SetAudio(r, 48000, 16, 2, 10'000'000);
    SetDvInfo(r, true);
    r.ListStreamCount = 1;
    return r;
}

class ProbeSeam : public ::testing::Test {
protected:
    void SetUp() override
    {
        oldPattern_ = settings::FormatPourAfficherDatecode;
        settings::FormatPourAfficherDatecode = "yyyy-mm-dd hh:nn:ss";
        testkit::AviSpec spec;
        testkit::WriteFileBytes(file_, testkit::MakeAvi(spec).build());
    }
    void TearDown() override { settings::FormatPourAfficherDatecode = oldPattern_; }

    testkit::TempDir dir_;
    const std::string file_ = dir_.file("clip.avi"); // "dvsd" in its header
    std::string oldPattern_;
};

} // namespace

TEST_F(ProbeSeam, FirstFrameDataBecomesDateTimeCodeAspectAndKey)
{
    ProbeResult r = Type1Pal();
    r.ListDateValid = 1;
    r.ListRecDate = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0);
    r.ListTimecodeValid = 1;
    r.ListTimecode = {1, 2, 3, 4};
    r.ListWideScreen = 1;
    ScriptedProbe probe({r});
    const TAfficherFichier f(file_);
    EXPECT_EQ(probe.names, std::vector<std::string>{file_});
    EXPECT_EQ(f.Datecode, "2006-12-31 23:59:58");
    EXPECT_DOUBLE_EQ(f.RecDate, r.ListRecDate);
    EXPECT_EQ(f.RecDateKey, "20061231235958");
    EXPECT_EQ(f.RecDateKey2.substr(0, 14), "20061231235958");
    EXPECT_EQ(f.Timecode, "01.02.03.04");
    EXPECT_TRUE(f.WideScreen);
    EXPECT_EQ(f.Image, "720 x 576 (Pal 16x9)");
    EXPECT_EQ(f.Height, 405);
    EXPECT_EQ(f.DVType, 1);
    EXPECT_EQ(f.VideoBitRate, 28800000u);

    r.ListTimecode.Hours = 0xFF; // hours are a signed byte
    r.ListRecDate = 1e12;        // beyond any calendar: no text, no key
    ScriptedProbe odd({r});
    const TAfficherFichier g(file_);
    EXPECT_EQ(g.Timecode, "-01.02.03.04");
    EXPECT_EQ(g.Datecode, "N/A");
    EXPECT_EQ(g.RecDateKey, "N/A");
}

TEST_F(ProbeSeam, TypeAndStandardFromTheDvFormatBlockOrTheSixtyLineRule)
{
    struct Case {
        const char* what;
        int height;
        int64_t avg;
        int streams;
        int dvinfo; // -1 none, 1 PAL, 0 NTSC
        int dvType;
        bool iavs;
        int standard;
        double fps;
        const char* image;
    };
    const Case cases[] = {
        {"interleaved NTSC, video and sound split off", 480, 333667, 2, 0, 2, true, 2, 30000.0 / 1001,
         "720 x 480 (NTSC 4x3)"},
        {"interleaved PAL in a file of one stream", 576, 400000, 1, 1, 1, false, 1, 25.0, "720 x 576 (Pal 4x3)"},
        {"type 2, 480 lines", 480, 333667, 2, -1, 2, false, 2, 29.97, "720 x 480 (NTSC 4x3)"},
        {"type 2, 576 lines", 576, 400000, 2, -1, 2, false, 1, 25.0, "720 x 576 (Pal 4x3)"},
        // The format block wins over the picture height.
        {"NTSC block, 576 lines", 576, 400000, 1, 0, 1, false, 2, 30000.0 / 1001, "720 x 576 (NTSC 4x3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProbeResult r;
        r.ok = true;
        SetVideo(r, 720, c.height, c.avg, 10'000'000);
        if (c.dvinfo >= 0)
            SetDvInfo(r, c.dvinfo == 1);
        r.ListStreamCount = c.streams;
        ScriptedProbe probe({r});
        const TAfficherFichier f(file_);
        EXPECT_EQ(f.DVType, c.dvType);
        EXPECT_EQ(f.Type2Iavs, c.iavs);
        EXPECT_EQ(f.Standard, c.standard);
        EXPECT_DOUBLE_EQ(f.Fps, c.fps);
        EXPECT_EQ(f.Image, c.image);
        EXPECT_EQ(f.Height, 540);
        EXPECT_EQ(f.Datecode, "N/A");
        EXPECT_EQ(f.Timecode, "N/A");
        EXPECT_EQ(f.RecDateKey, "N/A");
    }
}

TEST_F(ProbeSeam, SoundTexts)
{
    struct Case {
        uint32_t rate;
        uint16_t bits;
        uint16_t channels;
        const char* audio1;
    };
    const Case cases[] = {
        {48000, 16, 2, "48000赫兹 16 比特  立体声"},
        {44100, 16, 1, "44100赫兹 16 比特  单声道"},
        {32000, 16, 2, "32000赫兹 12(16) 比特  立体声"},
        {32000, 12, 2, "32000赫兹 12 比特  立体声"},
        {22050, 0, 0, "22050赫兹 没有信道"},
        {48000, 16, 6, "48000赫兹 16 比特  立体声 (6)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.audio1);
        ProbeResult r = Type1Pal();
        SetAudio(r, c.rate, c.bits, c.channels, 5'000'000);
        ScriptedProbe probe({r});
        const TAfficherFichier f(file_);
        EXPECT_EQ(f.Audio1, c.audio1);
        EXPECT_EQ(f.AudioRate, static_cast<int32_t>(c.rate));
        EXPECT_EQ(f.AudioDuree, "12fr"); // half a second at 25 frames per second
    }
}

TEST_F(ProbeSeam, NoFrameDurationGivesNoRateAndMillisecondTexts)
{
    for (int64_t avg : {int64_t{0}, int64_t{-400000}}) {
        ProbeResult r = Type1Pal();
        r.ListDVInfoKnown = 0;
        r.ListStreamCount = 2;
        SetVideo(r, 720, 576, avg, 15'000'000);
        ScriptedProbe probe({r});
        const TAfficherFichier f(file_);
        EXPECT_EQ(f.Fps, 0);
        EXPECT_EQ(f.Duree, "1s 500ms");
        EXPECT_EQ(f.AudioDuree, "1s 000ms");
    }
}

TEST_F(ProbeSeam, WhatTheProbeDoesNotKnowIsAbsent)
{
    ProbeResult soundOnly;
    soundOnly.ok = true;
    SetAudio(soundOnly, 48000, 16, 2, 10'000'000);
    ScriptedProbe probe({soundOnly});
    const TAfficherFichier f(file_);
    EXPECT_EQ(f.Image, "N/A");
    EXPECT_EQ(f.Codec, ""); // the header's "dvsd" goes with the picture
    EXPECT_FALSE(f.Valid);
    EXPECT_EQ(f.Datecode, "-");
    EXPECT_EQ(f.RecDateKey, "\xFE");

    ProbeResult nothing;
    nothing.ok = true;
    ScriptedProbe none({nothing});
    const TAfficherFichier g(file_);
    EXPECT_EQ(g.Audio1, "N/A");
    EXPECT_EQ(g.RecDateKey, "\xFF");
    EXPECT_EQ(g.Datecode, "-");
}

TEST_F(ProbeSeam, AFailedProbeIsTriedAgainAsDvInMemoryOnly)
{
    ProbeResult failed;
    const std::string divx = dir_.file("divx.avi");
    testkit::AviSpec spec;
    spec.handler = "DIVX";
    testkit::WriteFileBytes(divx, testkit::MakeAvi(spec).build());
    const std::string before = testkit::ReadFileBytes(divx);

    // Both tries fail: unreadable markers, and the file keeps its code.
    {
        ScriptedProbe probe({failed});
        const TAfficherFichier f(divx);
        EXPECT_EQ(probe.calls, (std::vector<bool>{false, true}));
        EXPECT_EQ(f.Image, "N/A"); // and so no codec either
        EXPECT_EQ(f.Datecode, "");
        EXPECT_EQ(f.Timecode, "");
        EXPECT_EQ(f.RecDateKey, "\xFF");
        EXPECT_EQ(testkit::ReadFileBytes(divx), before);
        EXPECT_EQ(formats::ReadVideoHandler(divx), rtl::FourCC("DIVX"));
    }
    // The second try succeeds: its answers count.
    {
        ScriptedProbe probe({failed, Type1Pal()});
        const TAfficherFichier f(divx);
        EXPECT_EQ(probe.calls, (std::vector<bool>{false, true}));
        EXPECT_EQ(f.Image, "720 x 576");
        EXPECT_EQ(f.Datecode, "-");
        EXPECT_EQ(testkit::ReadFileBytes(divx), before);
    }
    // A "dvsd" file is not tried again, and nothing is marked: what the probe found stays.
    {
        ProbeResult partial = Type1Pal();
        partial.ok = false;
        ScriptedProbe probe({partial});
        const TAfficherFichier f(file_);
        EXPECT_EQ(probe.calls, std::vector<bool>{false});
        EXPECT_TRUE(f.Valid);
        EXPECT_EQ(f.Datecode, "N/A");
        EXPECT_EQ(f.RecDateKey, "N/A");
    }
    // The upper-case code counts as another code.
    {
        formats::WriteVideoHandler(file_, rtl::FourCC("DVSD"));
        ScriptedProbe probe({failed});
        const TAfficherFichier f(file_);
        EXPECT_EQ(probe.calls, (std::vector<bool>{false, true}));
    }
}

TEST_F(ProbeSeam, FilesThatCannotBeOpenedAreNeverProbed)
{
    ScriptedProbe probe({Type1Pal()});
    const TAfficherFichier f(dir_.path().string());
    EXPECT_TRUE(probe.calls.empty());
    EXPECT_EQ(f.RecDateKey, "\xFF");
}
