// The main window's player and its 40 ms read-out on kit clips, with real keys: Space plays and
// the viewer waits paused at the start after the end; frame and second steps on both DV types show
// the frame asked for (ffmpeg's decoding of it is the nearest), its time code and date; the end is
// the last frame. The time code shown is always that of the picture shown, while playing too,
// though the renderer queues half a second past it. Also run under ThreadSanitizer: the GUI
// thread reads what the streaming threads publish.
#include <gtest/gtest.h>

#include "tests/ui/PlayerKit.h"

using namespace uitest;

namespace {

// While playing, the picture changes between two turns of the read-out: what one turn shows is
// that turn's picture, whose frame the position text says. The picture is that one or a newer.
::testing::AssertionResult ReadoutOfOnePicture(PlayerWindow& p)
{
    const int frame = p.ReadoutFrame();
    if (frame < 0)
        return ::testing::AssertionFailure() << "read-out " << p.Readout();
    if (p.TimecodeShown() != TimecodeText(frame))
        return ::testing::AssertionFailure() << p.TimecodeShown() << " read out with frame " << frame;
    const ds::PicturePtr picture = p.Picture();
    const int64_t shown = picture ? picture->position / 400000 : -1;
    if (shown < frame || shown > frame + 3)
        return ::testing::AssertionFailure() << "frame " << frame << " read out over the picture of " << shown;
    return ::testing::AssertionSuccess();
}

// Paused: the time code the labels show belongs to the picture on the screen.
::testing::AssertionResult TimecodeOfPictureShown(PlayerWindow& p)
{
    const ds::PicturePtr picture = p.Picture();
    if (!picture || !picture->timed)
        return ::testing::AssertionFailure() << "no picture";
    const int frame = static_cast<int>(picture->position / 400000);
    if (p.TimecodeShown() != TimecodeText(frame))
        return ::testing::AssertionFailure() << p.TimecodeShown() << " over the picture of frame " << frame;
    return ::testing::AssertionSuccess();
}

class PlayerReadout : public ::testing::TestWithParam<bool> {
protected:
    PlayerWindow p;
};

} // namespace

TEST(PlayerPlays, SpacePlaysAndAtTheEndTheViewerWaitsPausedAtTheStart)
{
    PlayerWindow p;
    testkit::DvClipSpec spec;
    spec.frames = 40;
    const std::string path = p.Tape("play.avi");
    ASSERT_TRUE(testkit::WriteDvType2(path, spec));
    ui::TUIForm& w = p.OpenOn({path});
    ASSERT_TRUE(p.ShowsFrame(0));
    // A tick before the first picture came read out its place alone: play once its texts are in.
    ASSERT_TRUE(PumpUntil([&] { return static_cast<bool>(TimecodeOfPictureShown(p)); }, 3000));
    EXPECT_EQ(w.avPlayStop->text().toStdString(), "播放");

    p.Press(Qt::Key_Space);
    EXPECT_EQ(p.State(), ds::FilterState::Running);
    EXPECT_EQ(w.avPlayStop->text().toStdString(), "暂停");
    int samples = 0;
    std::string last;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (p.Readout() != last && p.State() == ds::FilterState::Running) {
                last = p.Readout();
                ++samples;
                EXPECT_TRUE(ReadoutOfOnePicture(p)) << "while playing";
            }
            return p.ReadoutFrame() >= 30;
        },
        5000))
        << p.Readout();
    EXPECT_GT(samples, 5);

    // The end: back at the first frame, paused, the read-out at zero.
    ASSERT_TRUE(PumpUntil([&] { return p.State() == ds::FilterState::Paused && p.Readout() == "0:00:00:00"; }, 5000))
        << p.Readout();
    EXPECT_TRUE(p.ShowsFrame(0));
    EXPECT_EQ(w.avPlayStop->text().toStdString(), "播放");
    EXPECT_TRUE(TimecodeOfPictureShown(p));
    Pump(300);
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
    EXPECT_EQ(p.Readout(), "0:00:00:00");
}

TEST_P(PlayerReadout, StepsShowTheFrameAskedForWithItsTimeCodeAndDate)
{
    const bool type1 = GetParam();
    const std::string path = p.Tape(type1 ? "type1.avi" : "type2.avi");
    ASSERT_TRUE(type1 ? testkit::WriteDvType1(path, JumpingSpec()) : testkit::WriteDvType2(path, JumpingSpec()));
    p.OpenOn({path});
    ASSERT_TRUE(p.ShowsFrame(0));

    for (int i = 0; i < 3; ++i)
        p.Press(Qt::Key_Right, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(3)) << p.Readout();
    EXPECT_EQ(p.Readout(), "0:00:00:03");
    EXPECT_EQ(p.TimecodeShown(), TimecodeText(3));
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(3)));
    EXPECT_TRUE(TimecodeOfPictureShown(p));
    // The picture is frame 3's: ffmpeg's decoding of it is nearer than of its neighbours.
    if (testkit::HaveProgram("ffmpeg")) {
        const std::vector<std::string> decoded = FfmpegFrames(path, 2, 3);
        ASSERT_EQ(decoded.size(), 3u);
        const ds::PicturePtr shown = p.Picture();
        ASSERT_EQ(shown->width, 720);
        const double at2 = Psnr(*shown, decoded[0]), at3 = Psnr(*shown, decoded[1]), at4 = Psnr(*shown, decoded[2]);
        EXPECT_GT(at3, 30);
        EXPECT_GT(at3, at2 + 3);
        EXPECT_GT(at3, at4 + 3);
    }

    p.Press(Qt::Key_Down, Qt::ControlModifier); // a second on
    ASSERT_TRUE(p.ShowsFrame(28)) << p.Readout();
    EXPECT_EQ(p.Readout(), "0:00:01:03");
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(28)));
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(3) + 1.0 / 86400));
    EXPECT_TRUE(TimecodeOfPictureShown(p));

    p.Press(Qt::Key_Home, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(0));
    p.Press(Qt::Key_Left, Qt::ControlModifier); // at the start: stays
    Pump(200);
    EXPECT_TRUE(p.ShowsFrame(0));
    EXPECT_EQ(p.TimecodeShown(), TimecodeText(0));

    // The end is the last frame, shown with its date, paused: no rewind follows.
    p.Press(Qt::Key_End, Qt::ControlModifier);
    ASSERT_TRUE(p.ShowsFrame(kClipFrames - 1)) << p.Readout();
    EXPECT_EQ(p.DateShown(), DateText(JumpingDate(kClipFrames - 1)));
    EXPECT_TRUE(TimecodeOfPictureShown(p));
    p.Press(Qt::Key_Right, Qt::ControlModifier);
    Pump(300);
    EXPECT_EQ(p.State(), ds::FilterState::Paused);
    EXPECT_TRUE(p.ShowsFrame(kClipFrames - 1)) << p.Readout();
}

INSTANTIATE_TEST_SUITE_P(Types, PlayerReadout, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Type1" : "Type2"; });
