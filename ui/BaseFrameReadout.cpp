// The information frame: the 40 ms read-out, the position slider's seek, and the player's steps
// by frames, seconds, minutes and scenes.
#include <QLabel>
#include <QSlider>
#include <cmath>

#include "formats/ScnFileReader.h"
#include "formats/scenes.h"
#include "media/dv_scenedetect.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"
#include "ui/BaseFrame.h"

namespace ui {

namespace {

constexpr int64_t kUnitsPerSecond = 10000000;
const char* const kNA = "N/A";

} // namespace

std::string PositionText(int64_t position, double fps)
{
    if (fps == 0) {
        const int64_t seconds = position / kUnitsPerSecond;
        const int64_t ms = (position % kUnitsPerSecond) / 10000;
        return rtl::Format("%d:%.2d:%.2d:%.3d", seconds / 3600, (seconds / 60) % 60, seconds % 60, ms);
    }
    const int64_t seconds = rtl::Trunc(static_cast<double>(position) / fps);
    const int64_t frame = rtl::Trunc(static_cast<double>(position) - static_cast<double>(seconds) * fps);
    return rtl::Format("%d:%.2d:%.2d:%.2d", seconds / 3600, (seconds / 60) % 60, seconds % 60, frame);
}

int64_t NextSceneTarget(const std::vector<int32_t>& starts, int64_t current, int64_t end)
{
    for (int32_t start : starts)
        if (start > current)
            return start;
    return end;
}

int64_t PreviousSceneTarget(const std::vector<int32_t>& starts, int64_t current)
{
    int64_t target = 0;
    for (int32_t start : starts) {
        if (start >= current)
            break;
        target = start;
    }
    return target;
}

ds::MediaSeeking* TBaseFrame::Seeking() const
{
    // While a command holds the file the graph is empty: nothing to read or to move.
    return view_.Graph().Active() && !view_.ViewClosing.load() ? view_.ViewSeeking : nullptr;
}

TPositionInfo TBaseFrame::Timer1Timer()
{
    TPositionInfo& info = positionInfo_;
    media::Tdv_sceneDetect& detector = view_.SceneDetect();
    // The picture on the screen, which the whole read-out describes: the renderer queues a dozen
    // frames past it, paused after a seek too, and the graph's position is the furthest any of
    // its renderers got. A stopped graph answers the position asked for.
    ds::PicturePtr shown = vw->LastPicture();
    if (shown && (!shown->timed || view_.Graph().State() == ds::FilterState::Stopped))
        shown.reset();
    if (detector.State() == ds::FilterState::Stopped) {
        info.DatecodeText = "-";
        info.TimecodeText = "-";
    } else {
        // Without the picture's record, the frame the detector handled before its last.
        formats::DVFrameInfo frame;
        if (!shown || !detector.FindViewerFrame(shown->position, frame))
            frame = detector.PreviousInfo();
        info.DatecodeText = frame.DateValid ? ShownDate(frame.RecDate, kNA) : kNA;
        const formats::DVTimeCode& tc = frame.Timecode;
        info.TimecodeText = frame.TimecodeValid ? rtl::Format("%.2d.%.2d.%.2d.%.2d", static_cast<int8_t>(tc.Hours),
                                                              tc.Minutes, tc.Seconds, tc.Frames)
                                                : kNA;
    }
    ds::MediaSeeking* seeking = Seeking();
    if (!seeking)
        return info;
    // A file's duration stays while its graph is open: it is asked for again only when the time
    // format changed or a new graph was shown, which saves a walk of the graph at every tick.
    ds::Guid format;
    seeking->GetTimeFormat(format);
    if (ViewDuration <= 0 || format != durationFormat_) {
        int64_t duration = 0;
        if (ds::FAILED(seeking->GetDuration(duration)))
            return info;
        ViewDuration = duration;
        durationFormat_ = format;
    }
    int64_t position = 0;
    if (!(shown &&
          ds::SUCCEEDED(seeking->ConvertTimeFormat(position, &format, shown->position, &ds::TIME_FORMAT_MEDIA_TIME))) &&
        ds::FAILED(seeking->GetCurrentPosition(position)))
        return info;
    ViewPosition = position;
    if (ViewDuration > 0)
        info.SliderPos = static_cast<int32_t>(position * tb->maximum() / ViewDuration);
    return info;
}

void TBaseFrame::ShowPositionInfo(const TPositionInfo& info)
{
    labDatecode->setText(QString::fromStdString(info.DatecodeText));
    LabTimecode->setText(QString::fromStdString(info.TimecodeText));
    tb->setValue(info.SliderPos);
    labTimeStamp->setText(QString::fromStdString(info.PositionText));
}

void TBaseFrame::TimerProc()
{
    TPositionInfo info = Timer1Timer();
    info.PositionText = PositionText(ViewPosition, view_.ViewFps);
    ShowPositionInfo(info);
}

void TBaseFrame::tbChanged()
{
    int64_t duration = 0;
    if (ds::MediaSeeking* seeking = Seeking(); seeking && ds::SUCCEEDED(seeking->GetDuration(duration))) {
        int64_t position = tb->sliderPosition() * duration / tb->maximum();
        seeking->SetPositions(&position, ds::AM_SEEKING_AbsolutePositioning, nullptr, ds::AM_SEEKING_NoPositioning);
    }
    // While the handle is dragged the read-out would pull it back: it runs again on the release.
    if (!tb->isSliderDown())
        timer1.start();
}

int32_t TBaseFrame::StepFrameCount(int level, double viewFps)
{
    switch (level) {
    case 0: return 1;
    case 1: return static_cast<int32_t>(rtl::Round(viewFps));
    default: return static_cast<int32_t>(rtl::Round(viewFps * 60));
    }
}

int64_t TBaseFrame::StepTime(int level)
{
    switch (level) {
    case 0: return 400000; // 40 ms
    case 1: return kUnitsPerSecond;
    default: return 60 * kUnitsPerSecond;
    }
}

void TBaseFrame::Step(int level, int direction)
{
    if (!CurrentFichier || !view_.Graph().Active())
        return;
    if (CurrentFichier->Fps != 0)
        view_.StepFrames(direction * StepFrameCount(level, view_.ViewFps));
    else
        view_.SeekByTime(direction * StepTime(level));
    Timer1Timer();
}

void TBaseFrame::aeAvanceLow()
{
    Step(0, 1);
}
void TBaseFrame::aeReculeLow()
{
    Step(0, -1);
}
void TBaseFrame::aeAvanceMedium()
{
    Step(1, 1);
}
void TBaseFrame::aeReculeMedium()
{
    Step(1, -1);
}
void TBaseFrame::aeAvanceHigh()
{
    Step(2, 1);
}
void TBaseFrame::aeReculeHigh()
{
    Step(2, -1);
}

void TBaseFrame::aeAvanceEnd()
{
    int64_t duration = 0;
    if (!CurrentFichier || !Seeking() || ds::FAILED(Seeking()->GetDuration(duration)))
        return;
    view_.SeekTo(duration);
    Timer1Timer();
}

void TBaseFrame::aeReculeStart()
{
    if (!CurrentFichier || !Seeking())
        return;
    view_.SeekTo(0);
    Timer1Timer();
}

void TBaseFrame::StepScene(bool forward)
{
    ds::MediaSeeking* seeking = Seeking();
    if (!CurrentFichier || !seeking)
        return;
    view_.PauseView();
    seeking->SetTimeFormat(ds::TIME_FORMAT_FRAME);
    int64_t current = 0;
    seeking->GetCurrentPosition(current);
    const std::optional<std::vector<int32_t>> starts =
        formats::ScnFileReader::SceneStarts(formats::ScnFileName(CurrentFichier->FullName));
    if (!starts)
        return;
    int64_t target = 0;
    if (forward) {
        int64_t end = 0;
        seeking->GetDuration(end);
        target = NextSceneTarget(*starts, current, end);
    } else {
        target = PreviousSceneTarget(*starts, current);
    }
    view_.SeekTo(target);
}

void TBaseFrame::aeAvanceScene()
{
    StepScene(true);
}

void TBaseFrame::aeReculeScene()
{
    StepScene(false);
}

} // namespace ui
