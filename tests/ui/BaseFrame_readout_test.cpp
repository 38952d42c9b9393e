// The information frame's read-out while a dated type-2 PAL clip of the media kit plays in the
// viewing graph, with the frame as its display and the sound on the silent output: the date and
// time code shown follow the position, slider and position text only move forward, a pause
// freezes them, a frame step moves the position by one, and the position slider seeks only for
// the user. Also run under ThreadSanitizer: the GUI thread reads what the streaming thread
// publishes.
#include <QCoreApplication>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "actions/aviFichier.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/ui/FakeHost.h"
#include "tests/ui/Pump.h"
#include "ui/BaseFrame.h"

using namespace ui;
using uitest::Pump;
using uitest::PumpUntil;

namespace {

constexpr int kFps = 25;
constexpr int kHalfSecond = kFps / 2;

struct Tick {
    std::string date, timecode, position;
    int slider = 0;
    int64_t frame = 0;
};

// The kit's first-frame date, one second on every 25 frames.
std::string KitDateText(int64_t frame)
{
    const rtl::TDateTime start = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 50, 0);
    return rtl::FormatDateTime(settings::FormatPourAfficherDatecode, start + static_cast<double>(frame / kFps) / 86400);
}

// "hh.mm.ss.ff" as a frame count; -1 when it is no time code.
int64_t TimecodeFrames(const std::string& text)
{
    int h = 0, m = 0, s = 0, f = 0;
    if (std::sscanf(text.c_str(), "%d.%d.%d.%d", &h, &m, &s, &f) != 4)
        return -1;
    return ((h * 60 + m) * 60 + s) * kFps + f;
}

class Readout : public testing::Test, protected uitest::FrameParts {
protected:
    void SetUp() override
    {
        settings::PrevisualiserDVEnDemiFormat = false;
        testkit::DvClipSpec spec;
        spec.frames = 150;
        spec.distinctPictures = 2;
        const std::string path = dir.file("plage.avi");
        ASSERT_TRUE(testkit::WriteDvType2(path, testkit::MakeDvClip(spec)));
        frame.Localise();
        frame.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
        ASSERT_TRUE(frame.CurrentFichier->Valid);
        frame.ShowFileProperties(frame.CurrentFichier.get());
        frame.OnTick = [this] {
            frame.TimerProc();
            ticks.push_back({frame.labDatecode->text().toStdString(), frame.LabTimecode->text().toStdString(),
                             frame.labTimeStamp->text().toStdString(), frame.tb->value(), frame.ViewPosition});
        };
        frame.show();
        ASSERT_TRUE(view.OpenViewGraph(ToViewFile(*frame.CurrentFichier), frame.vw->Renderer()));
        // Paused on the first picture, rewound once.
        ASSERT_TRUE(PumpUntil(
            [&] {
                return view.Graph().State(0) == ds::FilterState::Paused && frame.tb->value() == 0 &&
                       frame.vw->LastPicture();
            },
            5000));
    }
    void TearDown() override
    {
        frame.timer1.stop();
        view.ResetViewGraph();
        Pump(20);
    }

    std::vector<Tick> ticks;
};

} // namespace

TEST_F(Readout, PlayingShowsTheDateAndTimeCodeOfThePositionAndOnlyMovesForward)
{
    EXPECT_TRUE(frame.timer1.isActive()); // the video shows: the read-out runs
    ASSERT_EQ(view.Graph().Run(), ds::S_OK);
    // The first frames have nothing handled before them yet: the ticks after them are checked. It
    // plays until six were read out and the read-out passed a second (the steps below go a
    // second back), however slowly a loaded machine decodes.
    const auto checkable = [](const Tick& t) { return t.frame >= kHalfSecond; };
    ASSERT_TRUE(PumpUntil(
        [&] {
            return ticks.size() > 3 && std::count_if(ticks.begin() + 3, ticks.end(), checkable) > 5 &&
                   ticks.back().frame > kFps;
        },
        20000))
        << ticks.size() << " ticks, the last at frame " << (ticks.empty() ? -1 : ticks.back().frame);
    ASSERT_GE(ticks.size(), 10u);
    int checked = 0;
    for (size_t k = 3; k < ticks.size(); ++k) {
        const Tick& t = ticks[k];
        if (!checkable(t))
            continue;
        SCOPED_TRACE("tick " + std::to_string(k) + " at frame " + std::to_string(t.frame));
        const int64_t tc = TimecodeFrames(t.timecode);
        EXPECT_LE(std::abs(tc - t.frame), kHalfSecond) << t.timecode;
        bool dateNear = false;
        for (int64_t f = t.frame - kHalfSecond; f <= t.frame + kHalfSecond; ++f)
            dateNear = dateNear || (f >= 0 && t.date == KitDateText(f));
        EXPECT_TRUE(dateNear) << t.date;
        EXPECT_EQ(t.position, PositionText(t.frame, kFps));
        ++checked;
    }
    EXPECT_GT(checked, 5);
    for (size_t k = 1; k < ticks.size(); ++k) {
        EXPECT_GE(ticks[k].slider, ticks[k - 1].slider) << k;
        EXPECT_GE(ticks[k].frame, ticks[k - 1].frame) << k;
    }
    EXPECT_GT(ticks.back().slider, 0);

    // A pause freezes the read-out.
    view.PauseView();
    ASSERT_TRUE(PumpUntil([&] { return view.Graph().State(0) == ds::FilterState::Paused; }, 3000));
    // The pictures under way when the pause came arrive; then nothing moves.
    ASSERT_TRUE(
        PumpUntil([&] { return ticks.size() > 5 && ticks.back().frame == ticks[ticks.size() - 5].frame; }, 2000));
    const Tick paused = ticks.back();
    Pump(400);
    EXPECT_EQ(ticks.back().frame, paused.frame);
    EXPECT_EQ(ticks.back().date, paused.date);
    EXPECT_EQ(ticks.back().timecode, paused.timecode);
    EXPECT_EQ(ticks.back().position, paused.position);

    // A frame step moves the position by one. Stopped, the graph answers the position asked for;
    // paused, the last sound a renderer took may lie a frame past the picture shown.
    view.Graph().Stop();
    frame.Timer1Timer();
    const int64_t at = frame.ViewPosition;
    frame.aeAvanceLow();
    EXPECT_EQ(frame.ViewPosition, at + 1);
    frame.aeReculeMedium();
    EXPECT_EQ(frame.ViewPosition, at + 1 - kFps);
    frame.aeAvanceHigh(); // a minute on: the last frame of the clip
    EXPECT_EQ(frame.ViewPosition, 149);
    frame.aeReculeStart();
    EXPECT_EQ(frame.ViewPosition, 0);
    frame.aeReculeLow();
    EXPECT_EQ(frame.ViewPosition, 0);
}

TEST_F(Readout, ThePositionSliderSeeksOnlyForTheUser)
{
    const auto position = [&] {
        int64_t p = -1;
        view.ViewSeeking->GetCurrentPosition(p);
        return p;
    };
    EXPECT_EQ(position(), 0);
    frame.tb->setValue(900); // as the read-out sets it: no seek
    Pump(100);
    EXPECT_EQ(position(), 0);

    // A drag: the press holds the read-out, the moves seek, the release lets it run again.
    frame.tb->setValue(0);
    const int y = frame.tb->height() / 2;
    QTest::mousePress(frame.tb, Qt::LeftButton, {}, QPoint(5, y));
    EXPECT_FALSE(frame.timer1.isActive());
    ASSERT_TRUE(frame.tb->isSliderDown());
    QTest::mouseMove(frame.tb, QPoint(frame.tb->width() / 2, y));
    EXPECT_FALSE(frame.timer1.isActive());
    QTest::mouseRelease(frame.tb, Qt::LeftButton, {}, QPoint(frame.tb->width() / 2, y));
    EXPECT_TRUE(frame.timer1.isActive());
    const int64_t target = 150 * frame.tb->value() / 1000;
    EXPECT_GT(target, 40);
    EXPECT_TRUE(PumpUntil([&] { return position() == target; }, 1000)) << position() << " for " << target;
    const int64_t dragged = position();

    // A key: one page on, seeked at once.
    frame.tb->setFocus();
    QTest::keyClick(frame.tb, Qt::Key_PageUp);
    const int64_t paged = 150 * frame.tb->value() / 1000;
    EXPECT_GT(paged, dragged);
    EXPECT_TRUE(PumpUntil([&] { return position() == paged; }, 1000)) << position() << " for " << paged;
}
