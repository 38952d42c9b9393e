#include "platform/filters/QueuedRenderer.h"

#include <algorithm>

namespace ds {

QueuedRendererPin::QueuedRendererPin(QueuedRenderer& renderer) : RendererInputPin(renderer, "In"), queued_(renderer)
{
}

HRESULT QueuedRendererPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return queued_.QueueSample(sample);
}

HRESULT QueuedRendererPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return queued_.QueueEndOfStream();
}

HRESULT QueuedRendererPin::BeginFlush()
{
    RendererInputPin::BeginFlush();
    queued_.DropQueued();
    return S_OK;
}

QueuedRenderer::QueuedRenderer(std::string className) : BaseRenderer(std::move(className))
{
    SetInputPin(std::make_unique<QueuedRendererPin>(*this));
}

HRESULT QueuedRenderer::QueueSample(const SamplePtr& sample)
{
    HRESULT hr = Prepare(*sample);
    if (hr != S_OK)
        return FAILED(hr) ? hr : S_OK; // dropped, the stream goes on
    std::unique_lock<std::mutex> guard(renderLock_);
    const uint64_t generation = generation_;
    int32_t done = 0;
    for (;;) {
        if (abort_ || generation != generation_ || Input()->IsStopping())
            return S_FALSE;
        if (state_.load() == FilterState::Stopped)
            return VFW_E_WRONG_STATE;
        const int32_t before = done;
        const bool all = StoreSome(*sample, done);
        if ((all || done > before) && sample->HasTime() && !lastPosition_)
            // A sample that begins before the segment (sound cut at a seek) is played from its start.
            lastPosition_ = Input()->SegmentStart() + std::max<REFERENCE_TIME>(sample->StartTime(), 0);
        if ((all || done > before) && state_.load() == FilterState::Paused && !cued_) {
            cued_ = true;
            OnCued();
            changed_.notify_all();
            NotifyUnlocked(guard, true, false);
        }
        changed_.notify_all();
        if (all)
            return S_OK;
        // Full: wait for the player to take some, a flush or a stop.
        changed_.wait(guard);
    }
}

HRESULT QueuedRenderer::QueueEndOfStream()
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (abort_)
        return S_FALSE;
    endPending_ = true;
    CompleteIfPlayedOut(guard);
    changed_.notify_all();
    return S_OK;
}

void QueuedRenderer::DropQueued()
{
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        ClearStore();
        endPending_ = false;
        ++generation_;
        changed_.notify_all();
    }
    AfterDrop();
}

bool QueuedRenderer::CompleteIfPlayedOut(std::unique_lock<std::mutex>& guard)
{
    if (!endPending_ || abort_ || !PlayedOut())
        return false;
    endPending_ = false;
    endOfStream_ = true;
    bool complete = false;
    if (state_.load() == FilterState::Running && !completeSent_)
        complete = completeSent_ = true;
    changed_.notify_all();
    NotifyUnlocked(guard, true, complete);
    return true;
}

void QueuedRenderer::NotifyUnlocked(std::unique_lock<std::mutex>& guard, bool cueChanged, bool complete)
{
    ++callingOut_;
    guard.unlock();
    if (cueChanged)
        NotifyCueChanged();
    if (complete)
        NotifyEvent(EC_COMPLETE, S_OK, 0);
    guard.lock();
    --callingOut_;
    changed_.notify_all();
}

HRESULT QueuedRenderer::Stop()
{
    {
        std::unique_lock<std::mutex> guard(renderLock_);
        abort_ = true;
        ClearStore();
        endPending_ = false;
        ++generation_;
        changed_.notify_all();
        changed_.wait(guard, [this] { return callingOut_ == 0; });
    }
    AfterDrop();
    return BaseRenderer::Stop();
}

} // namespace ds
