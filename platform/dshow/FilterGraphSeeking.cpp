// Seeking for the whole graph: the graph asks the seeking interfaces upstream of its renderers
// and converts frames to media time with the rate of the video stream behind them.
#include <algorithm>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/FilterGraph.h"

namespace ds {

namespace {

// Rounded a * b / c without overflow for the ranges of media times.
int64_t MulDivRound(int64_t a, int64_t b, int64_t c)
{
    __int128 p = static_cast<__int128>(a) * b;
    __int128 half = c / 2;
    return static_cast<int64_t>(p >= 0 ? (p + half) / c : (p - half) / c);
}

} // namespace

std::vector<FilterGraph::Seeker> FilterGraph::EndpointSeekers() const
{
    std::vector<Seeker> seekers;
    for (BaseFilter* r : Renderers()) {
        for (Pin* in : r->EnumPins()) {
            if (in->Direction() != PinDirection::Input || !in->IsConnected())
                continue;
            Pin* up = in->ConnectedTo();
            // Walk up through filters without a seeking interface of their own (transforms).
            for (int depth = 0; up && depth < 64; ++depth) {
                if (auto* s = dynamic_cast<MediaSeeking*>(up)) {
                    seekers.push_back({s, &up->Filter()});
                    break;
                }
                if (auto* s = dynamic_cast<MediaSeeking*>(&up->Filter())) {
                    seekers.push_back({s, &up->Filter()});
                    break;
                }
                Pin* next = nullptr;
                for (Pin* p : up->Filter().EnumPins())
                    if (p->Direction() == PinDirection::Input && p->IsConnected()) {
                        next = p->ConnectedTo();
                        break;
                    }
                up = next;
            }
        }
    }
    return seekers;
}

bool FilterGraph::FrameRate(int64_t& num, int64_t& den) const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    for (BaseFilter* r : Renderers()) {
        std::vector<Pin*> pending;
        for (Pin* p : r->EnumPins())
            if (p->Direction() == PinDirection::Input && p->IsConnected())
                pending.push_back(p);
        for (size_t i = 0; i < pending.size() && i < 256; ++i) {
            const MediaType& mt = pending[i]->CurrentMediaType();
            if (mt.majortype == MEDIATYPE_Video) {
                if (auto vih = mt.GetVideoInfo(); vih && vih->AvgTimePerFrame > 0) {
                    // 29.97 frames per second is kept exact, as the splitters time it.
                    if (vih->AvgTimePerFrame == 333667 || vih->AvgTimePerFrame == 333666) {
                        num = int64_t{10010000000};
                        den = 30000;
                    } else {
                        num = vih->AvgTimePerFrame;
                        den = 1;
                    }
                    return true;
                }
            } else if (mt.majortype == MEDIATYPE_Interleaved) {
                if (auto info = mt.GetDvInfo()) {
                    num = info->Is625Lines() ? 400000 : int64_t{10010000000};
                    den = info->Is625Lines() ? 1 : 30000;
                    return true;
                }
            }
            BaseFilter& up = pending[i]->ConnectedTo()->Filter();
            for (Pin* p : up.EnumPins())
                if (p->Direction() == PinDirection::Input && p->IsConnected())
                    pending.push_back(p);
        }
    }
    return false;
}

HRESULT FilterGraph::IsFormatSupported(const Guid& format)
{
    if (format == TIME_FORMAT_MEDIA_TIME)
        return S_OK;
    int64_t num = 0, den = 0;
    if (format == TIME_FORMAT_FRAME && FrameRate(num, den))
        return S_OK;
    return S_FALSE;
}

HRESULT FilterGraph::SetTimeFormat(const Guid& format)
{
    if (IsFormatSupported(format) != S_OK)
        return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    timeFormat_ = format;
    return S_OK;
}

HRESULT FilterGraph::ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                                       const Guid* sourceFormat)
{
    const Guid to = targetFormat ? *targetFormat : timeFormat_;
    const Guid from = sourceFormat ? *sourceFormat : timeFormat_;
    if (to == from) {
        target = source;
        return S_OK;
    }
    int64_t num = 0, den = 0;
    if (!FrameRate(num, den))
        return E_INVALIDARG;
    if (from == TIME_FORMAT_FRAME && to == TIME_FORMAT_MEDIA_TIME) {
        target = MulDivRound(source, num, den);
        return S_OK;
    }
    if (from == TIME_FORMAT_MEDIA_TIME && to == TIME_FORMAT_FRAME) {
        target = MulDivRound(source, den, num);
        return S_OK;
    }
    return E_INVALIDARG;
}

HRESULT FilterGraph::ToMediaTime(int64_t value, REFERENCE_TIME& out) const
{
    if (timeFormat_ == TIME_FORMAT_MEDIA_TIME) {
        out = value;
        return S_OK;
    }
    return const_cast<FilterGraph*>(this)->ConvertTimeFormat(out, &TIME_FORMAT_MEDIA_TIME, value, &timeFormat_);
}

HRESULT FilterGraph::FromMediaTime(REFERENCE_TIME value, int64_t& out) const
{
    if (timeFormat_ == TIME_FORMAT_MEDIA_TIME) {
        out = value;
        return S_OK;
    }
    return const_cast<FilterGraph*>(this)->ConvertTimeFormat(out, &timeFormat_, value, &TIME_FORMAT_MEDIA_TIME);
}

HRESULT FilterGraph::GetDuration(int64_t& duration)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    duration = 0;
    bool any = false;
    REFERENCE_TIME longest = 0;
    for (const Seeker& s : EndpointSeekers()) {
        int64_t d = 0;
        Guid format;
        s.seeking->GetTimeFormat(format);
        if (FAILED(s.seeking->GetDuration(d)))
            continue;
        // A seeker left in frames by someone else is read back in media time.
        if (format != TIME_FORMAT_MEDIA_TIME) {
            int64_t t = 0;
            if (FAILED(s.seeking->ConvertTimeFormat(t, &TIME_FORMAT_MEDIA_TIME, d, &format)))
                continue;
            d = t;
        }
        longest = any ? std::max(longest, d) : d;
        any = true;
    }
    if (!any)
        return E_NOTIMPL;
    return FromMediaTime(longest, duration);
}

HRESULT FilterGraph::CurrentMediaPosition(REFERENCE_TIME& position)
{
    if (state_ == FilterState::Stopped) {
        position = position_;
        return S_OK;
    }
    bool any = false, reporting = false;
    REFERENCE_TIME best = 0;
    for (BaseFilter* r : Renderers()) {
        auto* renderer = dynamic_cast<BaseRenderer*>(r);
        if (!renderer || !renderer->ReportsPosition())
            continue;
        reporting = true;
        if (auto p = renderer->LastPosition()) {
            best = any ? std::max(best, *p) : *p;
            any = true;
        }
    }
    // Renderers that have taken nothing since the start or a seek stand at the position sought:
    // the sources meanwhile read ahead into the queues and workers between them.
    if (!any && !reporting) {
        for (const Seeker& s : EndpointSeekers()) {
            int64_t p = 0;
            Guid format;
            s.seeking->GetTimeFormat(format);
            if (format != TIME_FORMAT_MEDIA_TIME || FAILED(s.seeking->GetCurrentPosition(p)))
                continue;
            best = any ? std::max(best, p) : p;
            any = true;
        }
    }
    position = any ? best : position_;
    return S_OK;
}

HRESULT FilterGraph::GetCurrentPosition(int64_t& position)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    REFERENCE_TIME t = 0;
    CurrentMediaPosition(t);
    return FromMediaTime(t, position);
}

HRESULT FilterGraph::GetStopPosition(int64_t& stop)
{
    return GetDuration(stop);
}

HRESULT FilterGraph::ApplyStartPosition(REFERENCE_TIME position)
{
    std::vector<MediaSeeking*> done;
    for (const Seeker& s : EndpointSeekers()) {
        // One call per seeking interface: a filter answering for all its streams is called once.
        if (std::find(done.begin(), done.end(), s.seeking) != done.end())
            continue;
        done.push_back(s.seeking);
        int64_t p = position;
        s.seeking->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
        s.seeking->SetPositions(&p, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    }
    return S_OK;
}

HRESULT FilterGraph::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    uint32_t how = currentFlags & AM_SEEKING_PositioningBitsMask;
    if (!current || how == AM_SEEKING_NoPositioning)
        return S_OK; // stop positions are not used
    (void)stop;
    (void)stopFlags;
    REFERENCE_TIME target = 0;
    if (HRESULT hr = ToMediaTime(*current, target); FAILED(hr))
        return hr;
    if (how == AM_SEEKING_RelativePositioning || how == AM_SEEKING_IncrementalPositioning) {
        REFERENCE_TIME now = 0;
        CurrentMediaPosition(now);
        target += now;
    }
    if (target < 0)
        target = 0;
    position_ = target;
    if (state_ == FilterState::Stopped)
        return S_OK; // applied at the next pause
    {
        std::lock_guard<std::mutex> cue(cueLock_);
        completed_.clear();
        completeSent_ = false;
    }
    ApplyStartPosition(target);
    // Renderers whose stream was not restarted (a dead branch) stay at their end of stream.
    bool post = false;
    {
        std::lock_guard<std::mutex> cue(cueLock_);
        for (BaseFilter* r : renderers_)
            if (auto* renderer = dynamic_cast<BaseRenderer*>(r); renderer && renderer->ReachedEndOfStream())
                completed_.insert(r);
        if (running_ && !completeSent_ && !renderers_.empty() && completed_.size() >= renderers_.size())
            post = completeSent_ = true;
    }
    if (post)
        events_.Post(GraphEvent{EC_COMPLETE, S_OK, 0});
    // The restarted stream's times begin at zero: so does the stream time.
    pausedStreamTime_ = 0;
    if (state_ == FilterState::Running && clock_) {
        runStart_ = clock_->GetTime();
        for (const auto& f : filters_)
            f->Run(runStart_);
    }
    if (state_ == FilterState::Paused) {
        {
            std::lock_guard<std::mutex> cue(cueLock_);
            pausePending_ = true;
        }
        OnCueChanged();
    }
    return S_OK;
}

} // namespace ds
