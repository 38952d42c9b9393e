// Interoperability: a DV file made by the ffmpeg tool, dated by its creation time and wrapped as
// a type-2 AVI by the media kit, shows in the information frame the recording date mediainfo
// reads from the same frames.
#include <QLabel>
#include <gtest/gtest.h>

#include "actions/aviFichier.h"
#include "media/viewgraph.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/ui/Pump.h"
#include "ui/BaseFrame.h"

using namespace ui;
using uitest::PumpUntil;

TEST(FrameInterop, TheDateOfAnFfmpegDvFileIsTheOneMediainfoReads)
{
    if (!testkit::HaveProgram("ffmpeg") || !testkit::HaveProgram("mediainfo"))
        GTEST_SKIP() << "ffmpeg or mediainfo not installed";
    testkit::TempDir dir;
    const std::string raw = dir.file("camera.dv");
    ASSERT_EQ(testkit::RunCommand("TZ=UTC ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                                  "testsrc=size=720x576:rate=25 -t 1 -pix_fmt yuv420p -metadata "
                                  "creation_time=2011-02-03T04:05:06Z -f dv '" +
                                  raw + "'"),
              0);
    std::string recorded;
    ASSERT_EQ(testkit::RunCommand("mediainfo --Inform='General;%Recorded_Date%' '" + raw + "'", &recorded), 0);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    ASSERT_EQ(std::sscanf(recorded.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6) << recorded;

    testkit::DvClip clip;
    clip.pal = true;
    clip.sound = false;
    const std::string bytes = testkit::ReadFileBytes(raw);
    for (size_t at = 0; at + clip.FrameSize() <= bytes.size(); at += clip.FrameSize())
        clip.frames.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                 bytes.begin() + static_cast<std::ptrdiff_t>(at + clip.FrameSize()));
    ASSERT_EQ(clip.frames.size(), 25u);
    const std::string path = dir.file("camera.avi");
    ASSERT_TRUE(testkit::WriteDvType2(path, clip));

    settings::FormatPourAfficherDatecode = "yyyy-mm-dd hh:nn:ss";
    settings::PrevisualiserDVEnDemiFormat = false;
    vcl::ScriptedDialogs dialogs;
    media::Tviewdm view;
    TBaseFrame frame(dialogs, view);
    frame.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
    frame.ShowFileProperties(frame.CurrentFichier.get());
    const std::string expected = rtl::FormatDateTime("yyyy-mm-dd hh:nn:ss", rtl::EncodeDateTime(y, mo, d, h, mi, s, 0));
    EXPECT_EQ(frame.labDatecode->text().toStdString(), expected); // from the analysis of the first frame
    ASSERT_TRUE(view.OpenViewGraph(ToViewFile(*frame.CurrentFichier), frame.vw->Renderer()));
    ASSERT_TRUE(PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused; }, 5000));
    frame.aeAvanceLow();
    frame.aeAvanceLow();
    // The frames of the first second all carry the date mediainfo reads.
    EXPECT_TRUE(PumpUntil([&] { return frame.Timer1Timer().DatecodeText == expected; }, 2000))
        << frame.Timer1Timer().DatecodeText << " for " << recorded;
    frame.timer1.stop();
    view.ResetViewGraph();
}
