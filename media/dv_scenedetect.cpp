#include "media/dv_scenedetect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "formats/dvcodes.h"
#include "platform/rtl/FormatDateTime.h"

namespace media {

using namespace ds;
using formats::DVFrameInfo;

namespace {

constexpr double kTwoSeconds = 2.0 / 86400;

// The frame's date made into a date-time, or false when it has none or it is no valid date.
bool FrameDate(const uint8_t* frame, size_t size, int sequences, rtl::TDateTime& date)
{
    for (int i = 0; i < sequences; ++i) {
        formats::RecDateTime dt;
        formats::DecodeRecDateTime(frame, size, i, dt);
        if (dt.Year >= 0)
            return rtl::TryEncodeDateTime(dt.Year, dt.Month, dt.Day, dt.Hour, dt.Minute, dt.Second, 0, date);
    }
    return false;
}

int DayOfMonth(rtl::TDateTime date)
{
    int y = 0, m = 0, d = 0;
    try {
        rtl::DecodeDate(date, y, m, d);
    } catch (const rtl::EConvertError&) {
        return 0;
    }
    return d;
}

std::string TimecodeText(const formats::DVTimeCode& tc)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d:%.2d:%.2d:%.2d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
    return text;
}

std::string StoredFormat(const std::string& format)
{
    return format.empty() ? "\" \"" : format;
}

} // namespace

Tdv_sceneDetect::Tdv_sceneDetect() : TBCTransInPlaceFilter(kFilterName)
{
}

void Tdv_sceneDetect::SetOnScene(SceneProc proc)
{
    std::lock_guard<std::mutex> guard(receiveLock_);
    onScene_ = std::move(proc);
}

void Tdv_sceneDetect::SetOnEnd(EndProc proc)
{
    std::lock_guard<std::mutex> guard(receiveLock_);
    onEnd_ = std::move(proc);
}

void Tdv_sceneDetect::SetOnDatecodeText(TextProc proc)
{
    std::lock_guard<std::mutex> guard(receiveLock_);
    onText_ = std::move(proc);
}

void Tdv_sceneDetect::SetWhatIncrust(uint8_t what)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.What = what;
    ++displayVersion_;
}

void Tdv_sceneDetect::SetIncrustDuration(int32_t frames)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.Duration = frames;
    countdown_ = frames - 1;
    ++displayVersion_;
}

void Tdv_sceneDetect::SetWhenIncrust(uint8_t when)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.When = when;
    countdown_ = display_.Duration - 1;
    ++displayVersion_;
}

void Tdv_sceneDetect::SetAutoIncrust(uint8_t on)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.Auto = on;
    ++displayVersion_;
}

void Tdv_sceneDetect::SetIncrustFormats(const std::string& format1, const std::string& format2)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.Format1 = StoredFormat(format1);
    display_.Format2 = StoredFormat(format2);
    ++displayVersion_;
}

void Tdv_sceneDetect::SetTimeOffset(double days)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    display_.TimeOffset = days;
    ++displayVersion_;
}

DVFrameInfo Tdv_sceneDetect::CurrentInfo() const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    return published_;
}

DVFrameInfo Tdv_sceneDetect::PreviousInfo() const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    return publishedPrevious_;
}

int32_t Tdv_sceneDetect::FrameDuration() const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    return publishedDuration_;
}

uint32_t Tdv_sceneDetect::FramesProcessed() const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    return framesProcessed_;
}

bool Tdv_sceneDetect::FindFrame(REFERENCE_TIME start, DVFrameInfo& record, SavedHeaders* headers, Lookup lookup) const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    const RingEntry* entry =
        ring_.Newest([start](const RingEntry& e) { return e.Headers.Start <= start; }, lookup == Lookup::OrOldest);
    if (!entry)
        return false;
    record = entry->Info;
    if (headers)
        *headers = entry->Headers;
    return true;
}

bool Tdv_sceneDetect::FindViewerFrame(REFERENCE_TIME position, DVFrameInfo& record) const
{
    std::lock_guard<std::mutex> guard(publishLock_);
    const ViewerRecord* r = viewer_.Newest([position](const ViewerRecord& v) { return v.Position <= position; });
    if (!r)
        return false;
    record = r->Info;
    return true;
}

void Tdv_sceneDetect::ForgetViewerRecords()
{
    std::lock_guard<std::mutex> guard(publishLock_);
    viewer_.Clear();
}

HRESULT Tdv_sceneDetect::BeginFlush()
{
    ForgetViewerRecords();
    return TBCTransInPlaceFilter::BeginFlush();
}

HRESULT Tdv_sceneDetect::EndFlush()
{
    // A frame that was being handled when the flush began is published after it: by now the
    // source's threads have stopped.
    ForgetViewerRecords();
    return TBCTransInPlaceFilter::EndFlush();
}

HRESULT Tdv_sceneDetect::CheckInputType(const MediaType& mt)
{
    if (mt.majortype == MEDIATYPE_Interleaved)
        return S_OK;
    if (mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_dvsd)
        return S_OK;
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_sceneDetect::StartStreaming()
{
    {
        std::lock_guard<std::mutex> guard(settingsLock_);
        if (display_.Auto == 1)
            countdown_ = display_.Duration - 1;
    }
    {
        std::lock_guard<std::mutex> guard(publishLock_);
        published_ = publishedPrevious_ = DVFrameInfo();
        publishedDuration_ = 0;
        framesProcessed_ = 0;
        viewer_.Clear();
    }
    run_.SentLine1.clear(); // the first frame's text is always sent
    run_.SentLine2.clear();
    running_ = true;
    return S_OK;
}

HRESULT Tdv_sceneDetect::StopStreaming()
{
    // The base calls this once the input refuses samples, under the receive lock; running_ keeps
    // a second stop of the same run from closing it again.
    if (!running_)
        return S_OK;
    running_ = false;
    if (onScene_)
        onScene_(run_.LastScene, run_.Current);
    if (onText_ && (!run_.SentLine1.empty() || !run_.SentLine2.empty()))
        onText_(run_.Current, std::string(), std::string()); // closes the last subtitle
    if (onEnd_)
        onEnd_();
    ResetRun();
    return S_OK;
}

void Tdv_sceneDetect::ResetRun()
{
    run_ = RunState();
    onText_ = nullptr;
    {
        std::lock_guard<std::mutex> guard(settingsLock_);
        const double offset = display_.TimeOffset; // the offset outlives the run
        display_ = Display();
        display_.TimeOffset = offset;
        countdown_ = 0;
        ++displayVersion_;
    }
    std::lock_guard<std::mutex> guard(publishLock_);
    ring_.Clear();
}

void Tdv_sceneDetect::DecodeFrame(const uint8_t* frame, size_t size, int sequences)
{
    DVFrameInfo& cur = run_.Current;
    rtl::TDateTime date = 0;
    cur.DateValid = FrameDate(frame, size, sequences, date) ? 1 : 0;
    cur.RecDate = cur.DateValid ? date : 0;
    cur.TimecodeValid = 0;
    for (int i = 0; i < sequences; ++i) {
        const formats::DVTimeCode tc = formats::DecodeTimeCode(frame, size, i);
        if (tc.Hours < 128) { // 255, and every value read as a negative byte, mean none
            cur.Timecode = tc;
            cur.TimecodeValid = 1;
            break;
        }
    }
    cur.AudioRate = formats::AudioSampleRate(frame, size);
    cur.AudioBits = formats::AudioQuantization(frame, size);
    cur.WideScreen = formats::IsWideScreen(frame, size) ? 1 : 0;
    cur.Standard = formats::DVSystem(frame, size);
    cur.FormatValid = cur.TimecodeValid && formats::HasSourceControlPack(frame, size) && cur.AudioRate != -1;
}

void Tdv_sceneDetect::UpdateText(const Display& display, int32_t countdown)
{
    const DVFrameInfo& cur = run_.Current;
    std::string line1, line2;
    if (!(display.Auto == 1 && countdown < 1)) {
        if (display.What == 0) {
            if (cur.DateValid) {
                try {
                    line1 = rtl::FormatDateTime(display.Format1, cur.RecDate + display.TimeOffset);
                    line2 = rtl::FormatDateTime(display.Format2, cur.RecDate + display.TimeOffset);
                } catch (const rtl::EConvertError&) { // shifted out of the calendar: no text
                    line1.clear();
                    line2.clear();
                }
            }
        } else if (cur.TimecodeValid) {
            line2 = TimecodeText(cur.Timecode);
        }
    }
    if (line1 == run_.SentLine1 && line2 == run_.SentLine2)
        return;
    onText_(cur, line1, line2);
    run_.SentLine1 = std::move(line1);
    run_.SentLine2 = std::move(line2);
}

void Tdv_sceneDetect::SceneChange(bool& fired)
{
    if (!fired && onScene_)
        onScene_(run_.LastScene, run_.Current);
    fired = true;
    run_.SceneStartFrame = run_.Current.Frame;
    run_.LastScene = run_.Current;
}

void Tdv_sceneDetect::Publish(const uint8_t* frame, int sequences, REFERENCE_TIME start, const MediaSample& sample)
{
    // The stream position the renderers give the picture: segment start + start time.
    const REFERENCE_TIME position = Input()->SegmentStart() + start;
    std::lock_guard<std::mutex> guard(publishLock_);
    if (sample.HasTime())
        viewer_.Push() = ViewerRecord{position, run_.Current};
    RingEntry& entry = ring_.Push();
    entry.Info = run_.Current;
    entry.Headers.Sequences = sequences;
    entry.Headers.Start = start;
    for (int i = 0; i < sequences; ++i)
        std::memcpy(entry.Headers.Runs[static_cast<size_t>(i)].data(), frame + i * formats::kDifSequenceSize,
                    kSavedRunSize);
    published_ = run_.Current;
    publishedPrevious_ = run_.Previous;
    publishedDuration_ = run_.FrameDuration;
    ++framesProcessed_;
}

HRESULT Tdv_sceneDetect::Transform(MediaSample& sample)
{
    const size_t size = static_cast<size_t>(sample.GetActualDataLength());
    int sequences = 0;
    if (size == formats::kNtscFrameSize) {
        sequences = 10;
        run_.FrameDuration = 333667;
    } else if (size == formats::kPalFrameSize) {
        sequences = 12;
        run_.FrameDuration = 400000;
    } else {
        return S_FALSE; // not a whole DV frame: dropped, nothing counted
    }
    const uint8_t* frame = sample.GetPointer();
    REFERENCE_TIME start = 0, stop = 0;
    sample.GetTime(&start, &stop);
    if (!sample.HasTime())
        start = stop = 0;

    DVFrameInfo& cur = run_.Current;
    run_.Previous = cur;
    cur.PeriodMark = 1;
    DecodeFrame(frame, size, sequences);

    // Display countdown, with this frame's settings.
    int32_t countdown = 0;
    {
        std::lock_guard<std::mutex> guard(settingsLock_);
        if (snapshotVersion_ != displayVersion_) {
            displaySnapshot_ = display_;
            snapshotVersion_ = displayVersion_;
        }
        if (display_.Auto == 1) {
            if (countdown_ > 0)
                --countdown_;
            const double last = run_.IncrustLastDate;
            if (cur.DateValid && display_.When == 1 && (cur.RecDate - last > kTwoSeconds || cur.RecDate < last))
                countdown_ = display_.Duration;
            if (cur.DateValid && display_.When == 2 &&
                (DayOfMonth(cur.RecDate) != DayOfMonth(last) || std::fabs(cur.RecDate - last) > 1.0))
                countdown_ = display_.Duration;
            run_.IncrustLastDate = cur.RecDate;
        }
        countdown = countdown_;
    }
    if (onText_)
        UpdateText(displaySnapshot_, countdown);

    bool fired = false;
    // A gap in the stream.
    if (run_.PrevStopTime > 0 && start > run_.FrameDuration && std::llabs(start - run_.PrevStopTime) > kGapThreshold) {
        SceneChange(fired);
        run_.DateCompareArmed = false;
        run_.Previous.FormatValid = 0;
        sample.SetDiscontinuity(true);
        sample.SetSyncPoint(true);
    }
    // A change of format between two frames that both describe theirs.
    const DVFrameInfo& last = run_.LastScene;
    if (last.FormatValid && cur.FormatValid &&
        (last.WideScreen != cur.WideScreen || last.Standard != cur.Standard || last.AudioRate != cur.AudioRate ||
         last.AudioBits != cur.AudioBits)) {
        SceneChange(fired);
        run_.DateCompareArmed = false;
    }
    // The date: lost, back, or jumping.
    const DVFrameInfo& prev = run_.Previous;
    if (prev.DateValid && !cur.DateValid && cur.Frame != 0) {
        SceneChange(fired);
    } else if (!prev.DateValid && cur.DateValid) {
        if (std::llabs(int64_t{cur.Frame} - int64_t{run_.LastScene.Frame}) > kMinSceneFrames)
            SceneChange(fired);
        run_.LastDate = cur.RecDate;
    } else if (prev.DateValid && cur.DateValid) {
        if (run_.DateCompareArmed && std::fabs(cur.RecDate - run_.LastDate) > kDateJumpThreshold)
            SceneChange(fired);
        run_.LastDate = cur.RecDate;
        run_.DateCompareArmed = true;
    }
    // The periodic mark starts no scene.
    const uint32_t limit = sequences == 12 ? kPeriodSeconds * 25 : kPeriodSeconds * 30000 / 1001;
    if (cur.Frame - run_.SceneStartFrame >= limit) {
        cur.PeriodMark = 0;
        run_.SceneStartFrame = cur.Frame;
    }
    if (run_.FirstFramePending) {
        run_.LastScene = cur;
        run_.FirstFramePending = false;
    }
    Publish(frame, sequences, start, sample);
    run_.PrevStopTime = stop;
    ++cur.Frame;
    return S_OK;
}

} // namespace media
