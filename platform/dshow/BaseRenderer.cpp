#include "platform/dshow/BaseRenderer.h"

#include <algorithm>

#include <chrono>

namespace ds {

RendererInputPin::RendererInputPin(BaseRenderer& renderer, std::string name)
    : InputPin(renderer, std::move(name)), renderer_(renderer)
{
}

HRESULT RendererInputPin::CheckMediaType(const MediaType& mt)
{
    HRESULT hr = renderer_.CheckMediaType(mt);
    return hr == S_OK ? S_OK : (FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED);
}

HRESULT RendererInputPin::SetMediaType(const MediaType& mt)
{
    InputPin::SetMediaType(mt);
    return renderer_.SetMediaType(mt);
}

HRESULT RendererInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : renderer_.CompleteConnect(peer);
}

HRESULT RendererInputPin::BreakConnect()
{
    renderer_.BreakConnect();
    return InputPin::BreakConnect();
}

HRESULT RendererInputPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return renderer_.ReceiveSample(sample);
}

HRESULT RendererInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return renderer_.EndOfStreamReached();
}

HRESULT RendererInputPin::BeginFlush()
{
    InputPin::BeginFlush();
    renderer_.BeginFlushing();
    return S_OK;
}

HRESULT RendererInputPin::EndFlush()
{
    renderer_.EndFlushing();
    return InputPin::EndFlush();
}

void RendererInputPin::BeginStop()
{
    InputPin::BeginStop();
    renderer_.Unblock();
}

BaseRenderer::BaseRenderer(std::string className) : BaseFilter(std::move(className))
{
}

BaseRenderer::~BaseRenderer()
{
    if (input_)
        input_->Disconnect();
}

Pin* BaseRenderer::GetPin(int index)
{
    return index == 0 ? Input() : nullptr;
}

RendererInputPin* BaseRenderer::Input()
{
    if (!input_)
        input_ = std::make_unique<RendererInputPin>(*this, "In");
    return input_.get();
}

HRESULT BaseRenderer::ReceiveSample(const SamplePtr& sample)
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (abort_)
        return S_FALSE;
    if (sample->HasTime())
        // A sample that begins before the segment (sound cut at a seek) is played from its start.
        lastPosition_ = Input()->SegmentStart() + std::max<REFERENCE_TIME>(sample->StartTime(), 0);
    bool notifiedCue = false;
    for (;;) {
        if (abort_) {
            held_.reset();
            return S_FALSE;
        }
        FilterState state = state_.load();
        if (state == FilterState::Stopped) {
            held_.reset();
            return VFW_E_WRONG_STATE;
        }
        if (state == FilterState::Paused) {
            // Hold the sample: the pause is complete once one is here.
            if (!held_) {
                held_ = sample;
                cued_ = true;
                changed_.notify_all();
                if (!notifiedCue) {
                    notifiedCue = true;
                    guard.unlock();
                    OnReceiveFirstSample(*sample);
                    NotifyCueChanged();
                    guard.lock();
                    continue; // the state may have moved on while unlocked
                }
            }
            changed_.wait(guard);
            continue;
        }
        ReferenceClock* clock = clock_.load();
        if (clock && sample->HasTime() && WaitsForClock()) {
            REFERENCE_TIME due = runStart_.load() + sample->StartTime();
            REFERENCE_TIME wait = due - clock->GetTime();
            if (wait > 0) {
                // In slices, so a clock that is re-based or replaced is followed promptly.
                constexpr REFERENCE_TIME kSlice = 200000; // 20 ms
                changed_.wait_for(guard, std::chrono::microseconds((wait < kSlice ? wait : kSlice) / 10 + 1));
                continue;
            }
        }
        break;
    }
    held_.reset();
    ++rendered_;
    guard.unlock();
    return DoRenderSample(*sample);
}

HRESULT BaseRenderer::EndOfStreamReached()
{
    bool sendComplete = false;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (abort_)
            return S_FALSE;
        endOfStream_ = true;
        if (state_.load() == FilterState::Running && !completeSent_)
            sendComplete = completeSent_ = true;
    }
    OnEndOfStream();
    NotifyCueChanged();
    if (sendComplete)
        NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

void BaseRenderer::BeginFlushing()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    abort_ = true;
    held_.reset();
    cued_ = false;
    changed_.notify_all();
}

void BaseRenderer::EndFlushing()
{
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        abort_ = false;
        endOfStream_ = false;
        completeSent_ = false;
        cued_ = false;
        lastPosition_.reset();
        OnEndFlush();
    }
    NotifyCueChanged();
}

void BaseRenderer::Unblock()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    abort_ = true;
    held_.reset();
    changed_.notify_all();
}

bool BaseRenderer::WaitUntilRunning(std::unique_lock<std::mutex>& guard)
{
    bool notified = false;
    for (;;) {
        if (abort_ || Input()->IsStopping())
            return false;
        FilterState state = state_.load();
        if (state == FilterState::Running)
            return true;
        if (state == FilterState::Stopped)
            return false;
        if (!notified) {
            notified = true;
            cued_ = true;
            changed_.notify_all();
            guard.unlock();
            NotifyCueChanged();
            guard.lock();
            continue;
        }
        changed_.wait(guard);
    }
}

HRESULT BaseRenderer::Stop()
{
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        abort_ = true;
        held_.reset();
        changed_.notify_all();
    }
    bool wasStreaming = state_.load() != FilterState::Stopped;
    HRESULT hr = BaseFilter::Stop();
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        cued_ = false;
        changed_.notify_all();
    }
    if (wasStreaming) {
        HRESULT stopHr = OnStopStreaming();
        if (FAILED(stopHr))
            hr = stopHr;
    }
    return hr;
}

HRESULT BaseRenderer::Pause()
{
    FilterState before = state_.load();
    if (before == FilterState::Stopped) {
        HRESULT hr = OnStartStreaming();
        if (FAILED(hr))
            return hr;
        std::lock_guard<std::mutex> guard(renderLock_);
        abort_ = false;
        cued_ = false;
        endOfStream_ = false;
        completeSent_ = false;
        lastPosition_.reset();
        rendered_ = 0;
    }
    HRESULT hr = BaseFilter::Pause();
    std::lock_guard<std::mutex> guard(renderLock_);
    // Paused from running: the picture last shown stands for the cue.
    if (before == FilterState::Running)
        cued_ = true;
    changed_.notify_all();
    return hr;
}

HRESULT BaseRenderer::Run(REFERENCE_TIME start)
{
    HRESULT hr = BaseFilter::Run(start);
    bool sendComplete = false;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        if (endOfStream_ && !completeSent_)
            sendComplete = completeSent_ = true;
        changed_.notify_all();
    }
    if (sendComplete)
        NotifyEvent(EC_COMPLETE, S_OK, 0);
    return hr;
}

bool BaseRenderer::IsCued()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    if (state_.load() != FilterState::Paused)
        return true;
    return cued_ || endOfStream_ || !Input()->IsConnected();
}

HRESULT BaseRenderer::GetState(int timeoutMs, FilterState& state)
{
    state = state_.load();
    if (state != FilterState::Paused)
        return S_OK;
    std::unique_lock<std::mutex> guard(renderLock_);
    auto cued = [this] {
        return cued_ || endOfStream_ || state_.load() != FilterState::Paused || !Input()->IsConnected();
    };
    if (changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs), cued)) {
        state = state_.load();
        return S_OK;
    }
    return VFW_S_STATE_INTERMEDIATE;
}

std::optional<REFERENCE_TIME> BaseRenderer::LastPosition() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return lastPosition_;
}

bool BaseRenderer::ReachedEndOfStream() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return endOfStream_;
}

uint64_t BaseRenderer::RenderedCount() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return rendered_;
}

} // namespace ds
