// The main window's player with real keys on other files: scene steps through the ".scn" beside
// the clip (and nothing without one, or with one missing, cut or pointing past the end), minute
// steps on a minute of PAL and NTSC, steps by time on a file of sound alone, frame steps on an
// MJPEG file, and the player's keys where there is nothing to play or the file is held by a
// command.
#include <QListWidget>
#include <filesystem>
#include <gtest/gtest.h>

#include "platform/rtl/Format.h"
#include "tests/ui/PlayerKit.h"

using namespace uitest;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    // A minute and a second of one picture, without sound: cheap to make, removed with the folder.
    std::string Minute(const std::string& name, bool pal)
    {
        testkit::DvClipSpec spec;
        spec.pal = pal;
        spec.year = pal ? 2006 : 2007;
        spec.frames = pal ? 61 * 25 : 61 * 30;
        spec.sound = false;
        spec.distinctPictures = 1;
        const std::string path = p.Tape(name);
        EXPECT_TRUE(testkit::WriteDvType2(path, spec));
        return path;
    }

    PlayerWindow p;
};

} // namespace

TEST_F(PlayerTest, SceneStepsGoToTheScenesOfTheScnFileEachWithItsDate)
{
    ui::TUIForm& w = p.OpenOn({p.Clip("scenes.avi", 2006, true)});
    ASSERT_TRUE(w.CurrentFichier()->ScnExists);
    EXPECT_TRUE(w.AvanceScene->isEnabled());
    EXPECT_TRUE(w.ReculeScene->isEnabled());
    ASSERT_TRUE(p.ShowsFrame(0));
    for (int scene : {kJump1, kJump2}) {
        p.Press(Qt::Key_F9);
        ASSERT_TRUE(p.ShowsFrame(scene)) << p.Readout();
        EXPECT_EQ(p.DateShown(), DateText(JumpingDate(scene)));
        EXPECT_EQ(p.TimecodeShown(), TimecodeText(scene));
    }
    p.Press(Qt::Key_F9, Qt::ControlModifier); // after the last start: the last frame
    ASSERT_TRUE(p.ShowsFrame(kClipFrames - 1)) << p.Readout();
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(kClipFrames - 1)));
    p.Press(Qt::Key_F9);
    Pump(200);
    EXPECT_TRUE(p.ShowsFrame(kClipFrames - 1)) << "stays, paused";
    EXPECT_EQ(p.State(), ds::FilterState::Paused);

    // Back: at a scene's start the one before it; inside a scene its own start.
    p.Viewer().SeekTo(kJump2);
    ASSERT_TRUE(p.ShowsFrame(kJump2));
    p.Press(Qt::Key_F8);
    ASSERT_TRUE(p.ShowsFrame(kJump1)) << p.Readout();
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(kJump1)));
    p.Viewer().SeekTo(60);
    ASSERT_TRUE(p.ShowsFrame(60));
    p.Press(Qt::Key_F8, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(kJump1)) << p.Readout();
    p.Press(Qt::Key_F8);
    ASSERT_TRUE(p.ShowsFrame(0)) << p.Readout();
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(0)));
}

TEST_F(PlayerTest, WithoutAUsableScnFileTheSceneStepsMoveNothing)
{
    const std::string plain = p.Clip("plain.avi");
    const std::string scenes = p.Clip("scenes.avi", 2006, true);
    ui::TUIForm& w = p.OpenOn({plain, scenes});
    ASSERT_EQ(p.CurrentName(), "plain.avi");
    EXPECT_FALSE(w.AvanceScene->isEnabled());
    EXPECT_FALSE(w.ReculeScene->isEnabled());
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(1));
    p.Press(Qt::Key_F9);
    w.AvanceSceneExecute(); // even called, without a ".scn" it does nothing
    w.ReculeSceneExecute();
    Pump(200);
    EXPECT_TRUE(p.ShowsFrame(1));

    // The other file has one, which goes, is cut, or points past the clip's end.
    w.SetItemIndex(1);
    w.ShowCurrentFile();
    ASSERT_TRUE(p.Paused());
    ASSERT_TRUE(w.AvanceScene->isEnabled());
    ASSERT_TRUE(p.ShowsFrame(0));
    const std::string scn = formats::ScnFileName(scenes);
    const std::string bytes = testkit::ReadFileBytes(scn);
    std::filesystem::remove(scn);
    p.Press(Qt::Key_F9);
    Pump(200);
    EXPECT_TRUE(p.ShowsFrame(0)) << "a missing file moves nothing";
    testkit::WriteFileBytes(scn, bytes.substr(0, 30));
    p.Press(Qt::Key_F9);
    Pump(200);
    EXPECT_TRUE(p.ShowsFrame(0)) << "nor does a cut header";
    // Every start a long way past the end: the last frame, as after the last scene.
    formats::ScnFileWriter far;
    ASSERT_TRUE(far.OpenScnFile(scenes));
    formats::DVFrameInfo a, b;
    a.Frame = 5000;
    b.Frame = 9000;
    far.WriteScnScene(a, b);
    far.WriteScnScene(b, b);
    ASSERT_TRUE(far.CloseScnFile());
    p.Press(Qt::Key_F9);
    ASSERT_TRUE(p.ShowsFrame(kClipFrames - 1)) << p.Readout();
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
}

TEST_F(PlayerTest, MinuteStepsOnAMinuteOfPalAndOfNtsc)
{
    ui::TUIForm& w = p.OpenOn({Minute("pal.avi", true), Minute("ntsc.avi", false)});
    ASSERT_EQ(p.CurrentName(), "pal.avi"); // recorded first
    p.Press(Qt::Key_PageDown, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(1500)) << p.Readout();
    EXPECT_EQ(p.Readout(), "0:01:00:00");

    w.SetItemIndex(1);
    w.ShowCurrentFile();
    ASSERT_TRUE(p.Paused());
    ASSERT_EQ(p.CurrentName(), "ntsc.avi");
    const double fps = 30000.0 / 1001;
    const auto at = [&](int frame) {
        return p.Shows(static_cast<int64_t>(std::llround(frame * 10010000000.0 / 30000)), ui::PositionText(frame, fps));
    };
    ASSERT_TRUE(at(0)) << p.Readout();
    p.Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_TRUE(at(30)) << p.Readout();
    EXPECT_EQ(p.Readout(), "0:00:01:00");
    EXPECT_EQ(p.TimecodeShown(), TimecodeText(30, 30));
    p.Press(Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(at(0));
    p.Press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(at(1798)) << p.Readout();
    EXPECT_EQ(p.Readout(), "0:00:59:29");
}

TEST_F(PlayerTest, SoundAloneStepsByTimeAndReadsOutMilliseconds)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    const std::string path = p.Tape("sound.avi");
    ASSERT_TRUE(FfmpegMakes("-f lavfi -i sine=frequency=440:sample_rate=48000:duration=70 -ac 2 -c:a pcm_s16le", path));
    ui::TUIForm& w = p.OpenOn({path});
    ASSERT_EQ(w.CurrentFichier()->Fps, 0);
    const auto readsOut = [&](const std::string& text) { return PumpUntil([&] { return p.Readout() == text; }, 3000); };
    ASSERT_TRUE(readsOut("0:00:00:000")) << p.Readout();
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_TRUE(readsOut("0:00:00:040")) << p.Readout();
    p.Press(Qt::Key_Down, Qt::ControlModifier);
    EXPECT_TRUE(readsOut("0:00:01:040")) << p.Readout();
    p.Press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(readsOut("0:01:01:040")) << p.Readout();
    p.Press(Qt::Key_PageDown, Qt::ControlModifier); // past the end: 40 ms before it
    EXPECT_TRUE(readsOut("0:01:09:960")) << p.Readout();
    p.Press(Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(readsOut("0:01:08:960")) << p.Readout();
    EXPECT_EQ(p.DateShown(), "-"); // no DV frame to read a date from
}

TEST_F(PlayerTest, AnMjpegFileStepsByFramesWithoutADate)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    const std::string path = p.Tape("mjpeg.avi");
    ASSERT_TRUE(FfmpegMakes("-f lavfi -i testsrc=size=320x240:rate=25 -t 2 -c:v mjpeg -q:v 5", path));
    ui::TUIForm& w = p.OpenOn({path});
    ASSERT_EQ(w.CurrentFichier()->Fps, 25);
    ASSERT_TRUE(p.ShowsFrame(0)) << p.Readout();
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(2)) << p.Readout();
    EXPECT_EQ(p.Picture()->width, 320);
    EXPECT_EQ(p.DateShown(), "-");
    EXPECT_EQ(p.TimecodeShown(), "-");
    p.Press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_TRUE(p.ShowsFrame(49)) << p.Readout();
}

// Nothing to play, a file the viewer cannot show, the file held by a command, a window of no
// size: the keys do nothing, and nothing breaks.
TEST_F(PlayerTest, ThePlayersKeysWithNothingToPlayDoNothing)
{
    ui::TUIForm& w = p.Open();
    ASSERT_TRUE(p.Activate());
    ASSERT_FALSE(w.CurrentFichier());
    const auto everyCommand = [&] {
        for (auto command :
             {&ui::TUIForm::avPlayStopExecute, &ui::TUIForm::avanceLowExecute, &ui::TUIForm::reculeLowExecute,
              &ui::TUIForm::avanceMediumExecute, &ui::TUIForm::ReculeMediumExecute, &ui::TUIForm::avanceHighExecute,
              &ui::TUIForm::ReculeHighExecute, &ui::TUIForm::avAvanceFinExecute, &ui::TUIForm::avReculeDebutExecute,
              &ui::TUIForm::AvanceSceneExecute, &ui::TUIForm::ReculeSceneExecute})
            (w.*command)();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_End, Qt::Key_PageDown})
            p.Press(key, Qt::ControlModifier);
        p.Press(Qt::Key_Space);
        p.Press(Qt::Key_F9);
        Pump(100);
    };
    everyCommand();
    EXPECT_EQ(p.State(), ds::FilterState::Stopped);
    EXPECT_FALSE(w.avanceLow->isEnabled());

    // A file that is no AVI the viewer can show: its message, and the keys move nothing.
    const std::string broken = p.Tape("broken.avi");
    testkit::WriteFileBytes(broken, std::string("RIFF\x10\0\0\0AVI LIST", 16));
    const std::string clip = p.Clip("clip.avi", 2006, true);
    w.LoadFiles({broken, clip}, "");
    ASSERT_TRUE(p.Loaded());
    for (int i = 0; i < w.lb->count(); ++i)
        if (w.lb->item(i)->text() == QLatin1String("broken.avi"))
            w.SetItemIndex(i);
    w.ShowCurrentFile();
    ASSERT_EQ(p.CurrentName(), "broken.avi");
    everyCommand();
    EXPECT_EQ(p.State(), ds::FilterState::Stopped);
    EXPECT_FALSE(w.BaseFrame->timer1.isActive());

    // The clip, held by a command: the graph is closed and stays so.
    w.SetItemIndex(w.lb->row(w.lb->findItems(QStringLiteral("clip.avi"), Qt::MatchExactly).front()));
    w.ShowCurrentFile();
    ASSERT_TRUE(p.Paused());
    p.Viewer().CloseViewGraph();
    everyCommand();
    EXPECT_EQ(p.State(), ds::FilterState::Stopped);
    p.Viewer().EndCloseViewGraph();

    // Open again, in a video window of no size: the player still steps, and a click places nothing.
    w.ShowCurrentFile();
    ASSERT_TRUE(p.Paused());
    w.BaseFrame->vw->resize(0, 0);
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_TRUE(p.ShowsFrame(1)) << p.Readout();
    settings::IncrustSlidersVisible = true;
    const int32_t x = settings::IncrustPositionX;
    w.VideoWindow1MouseDown(vcl::MouseButton::Left, 0, 0);
    EXPECT_EQ(settings::IncrustPositionX, x);
    settings::IncrustSlidersVisible = false;
}
