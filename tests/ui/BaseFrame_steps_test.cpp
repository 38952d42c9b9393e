// The player's steps on the viewing graph: scene steps through the ".scn" file beside the clip
// (strict previous, next after the last start to the end, no file or a garbage one moves nothing,
// a file shorter than its count), and steps by time for a file without a frame rate.
#include <QCoreApplication>
#include <QSlider>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "actions/aviFichier.h"
#include "formats/scenes.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/media/ProbeFixtures.h"
#include "tests/ui/FakeHost.h"
#include "tests/ui/Pump.h"
#include "ui/BaseFrame.h"

using namespace ui;
using uitest::Pump;
using uitest::PumpUntil;

namespace {

formats::DVFrameInfo At(uint32_t frame)
{
    formats::DVFrameInfo f;
    f.Frame = frame;
    return f;
}

class PlayerSteps : public testing::Test, protected uitest::FrameParts {
protected:
    void SetUp() override { settings::PrevisualiserDVEnDemiFormat = false; }
    void TearDown() override
    {
        frame.timer1.stop();
        view.ResetViewGraph();
        PumpUntil([] { return false; }, 20);
    }
    // Opens `path` in the frame, paused on its first picture.
    void Open(const std::string& path)
    {
        frame.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
        frame.ShowFileProperties(frame.CurrentFichier.get());
        ASSERT_TRUE(view.OpenViewGraph(ToViewFile(*frame.CurrentFichier), frame.vw->Renderer()));
        ASSERT_TRUE(PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused; }, 5000));
        ASSERT_TRUE(Settles(0));
    }
    // The position the frame reads comes to `want` within a second (a seek's picture arrives
    // when the paused graph has decoded it), give or take the frame the sound renderer may hold
    // past the picture.
    bool Settles(int64_t want)
    {
        return PumpUntil(
            [&] {
                frame.Timer1Timer();
                return std::abs(frame.ViewPosition - want) <= 1;
            },
            1000);
    }
    std::string Clip(int frames)
    {
        testkit::DvClipSpec spec;
        spec.frames = frames;
        spec.distinctPictures = 2;
        const std::string path = dir.file("scenes.avi");
        EXPECT_TRUE(testkit::WriteDvType2(path, testkit::MakeDvClip(spec)));
        return path;
    }
};

} // namespace

TEST_F(PlayerSteps, ScenesFromTheScnFileBesideTheClip)
{
    const std::string path = Clip(150);
    formats::ScnFileWriter w;
    ASSERT_TRUE(w.OpenScnFile(path));
    w.WriteScnScene(At(0), At(50));
    w.WriteScnScene(At(50), At(100));
    w.WriteScnScene(At(100), At(150));
    ASSERT_TRUE(w.CloseScnFile());
    Open(path);
    ASSERT_TRUE(frame.CurrentFichier->ScnExists);
    for (int64_t want : {50, 100, 149}) { // after the last start: the last frame
        frame.aeAvanceScene();
        EXPECT_TRUE(Settles(want)) << frame.ViewPosition << " for " << want;
    }
    frame.aeAvanceScene(); // at the end: stays there
    EXPECT_TRUE(Settles(149));
    // Previous: the last start before the position (at a start itself: the one before, which the
    // scene-target test holds exactly; here the positions stay clear of the starts).
    for (const auto& [from, want] : {std::pair{120, 100}, std::pair{75, 50}, std::pair{30, 0}}) {
        view.SeekTo(from);
        ASSERT_TRUE(Settles(from));
        frame.aeReculeScene();
        EXPECT_TRUE(Settles(want)) << frame.ViewPosition << " from " << from;
    }
    // The read-out moves the slider: a tick between the seek and the arrival of its picture read
    // out the place before, the next one the place sought.
    EXPECT_TRUE(PumpUntil([&] { return frame.tb->value() <= 10; }, 1000)) << frame.tb->value();
    // Cut after the second entry's start: the file is shorter than its count says.
    const std::string scn = formats::ScnFileName(path);
    const std::string bytes = testkit::ReadFileBytes(scn);
    testkit::WriteFileBytes(scn, bytes.substr(0, bytes.size() - 35 - 22));
    view.SeekTo(10);
    ASSERT_TRUE(Settles(10));
    frame.aeAvanceScene();
    EXPECT_TRUE(Settles(50));
    frame.aeAvanceScene();
    EXPECT_TRUE(Settles(149)) << "no start after 50 was read: the end";

    for (const std::string& garbage : {std::string("SourceTape"), std::string()}) {
        testkit::WriteFileBytes(scn, garbage);
        frame.aeReculeScene();
        EXPECT_TRUE(Settles(149)) << "nothing moves";
    }
    std::filesystem::remove(scn);
    frame.aeReculeScene();
    frame.aeAvanceScene();
    EXPECT_TRUE(Settles(149)) << "nothing moves";
}

TEST_F(PlayerSteps, FramesAtTheRateAndToBothEnds)
{
    Open(Clip(100));
    // Stopped, the graph answers the position asked for: each step is exact.
    view.Graph().Stop();
    const auto at = [&] {
        frame.Timer1Timer();
        return frame.ViewPosition;
    };
    frame.aeAvanceMedium();
    EXPECT_EQ(at(), 25);
    frame.aeAvanceLow();
    EXPECT_EQ(at(), 26);
    frame.aeReculeLow();
    frame.aeReculeLow();
    EXPECT_EQ(at(), 24);
    frame.aeAvanceHigh(); // 1500 frames: clamped to the last frame
    EXPECT_EQ(at(), 99);
    frame.aeReculeMedium();
    EXPECT_EQ(at(), 74);
    frame.aeReculeStart();
    EXPECT_EQ(at(), 0);
    frame.aeReculeHigh();
    EXPECT_EQ(at(), 0);
    frame.aeAvanceEnd();
    EXPECT_EQ(at(), 99);
    EXPECT_EQ(frame.tb->value(), 990);
}

TEST_F(PlayerSteps, WithoutAFrameRateStepsGoByTime)
{
    const std::string path = dir.file("sound.avi");
    ASSERT_TRUE(probetest::WriteStreams(path, probetest::Clip(150), "a")); // 6 s of sound, no video
    frame.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
    ASSERT_EQ(frame.CurrentFichier->Fps, 0);
    frame.ShowFileProperties(frame.CurrentFichier.get());
    ASSERT_TRUE(view.OpenViewGraph(ToViewFile(*frame.CurrentFichier), frame.vw->Renderer()));
    ASSERT_TRUE(PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused; }, 5000));
    PumpUntil([] { return false; }, 300); // the first pause's rewind
    // Stopped, the graph answers the position asked for: each step is exact.
    view.Graph().Stop();
    auto position = [&] {
        int64_t p = -1;
        view.Graph().Graph()->SetTimeFormat(ds::TIME_FORMAT_MEDIA_TIME);
        view.Graph().Graph()->GetCurrentPosition(p);
        return p;
    };
    frame.aeReculeStart();
    EXPECT_EQ(position(), 0);
    frame.aeAvanceMedium();
    EXPECT_EQ(position(), 10000000);
    frame.aeAvanceLow();
    EXPECT_EQ(position(), 10400000);
    frame.aeReculeLow();
    frame.aeReculeLow();
    EXPECT_EQ(position(), 9600000);
    frame.aeAvanceHigh(); // a minute: 40 ms before the end, the last step of the read-out
    EXPECT_EQ(position(), 59600000);
    frame.aeReculeHigh();
    EXPECT_EQ(position(), 0);
}
