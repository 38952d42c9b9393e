#include "platform/dshow/SourceStream.h"

namespace ds {

SourceStream::SourceStream(BaseSource& filter, std::string name) : OutputPin(filter, std::move(name))
{
}

SourceStream::~SourceStream()
{
    StopThread();
}

HRESULT SourceStream::Active()
{
    HRESULT hr = OutputPin::Active();
    if (FAILED(hr))
        return hr;
    StartThread();
    return S_OK;
}

HRESULT SourceStream::Inactive()
{
    StopThread();
    return OutputPin::Inactive();
}

void SourceStream::BeginStop()
{
    stopRequested_.store(true);
    OutputPin::BeginStop();
}

void SourceStream::JoinThread()
{
    StopThread();
}

void SourceStream::StartThread()
{
    std::lock_guard<std::mutex> guard(threadLock_);
    if (thread_.joinable() || !IsConnected())
        return;
    stopRequested_.store(false);
    thread_ = threads::PooledThread([this] { ThreadProc(); });
}

void SourceStream::StopThread()
{
    std::lock_guard<std::mutex> guard(threadLock_);
    if (!thread_.joinable())
        return;
    stopRequested_.store(true);
    if (allocator_)
        allocator_->Decommit(); // a thread waiting for a buffer wakes
    thread_.join();
}

void SourceStream::ThreadProc()
{
    if (FAILED(OnThreadStartPlay()))
        return;
    DeliverNewSegment(start_.load(), stop_.load(), 1.0);
    while (!stopRequested_.load()) {
        SamplePtr sample;
        HRESULT hr = GetDeliveryBuffer(sample);
        if (FAILED(hr) || !sample) {
            // Decommitted: the graph is stopping or seeking. A buffer that could not be made is
            // a streaming error, which ends the stream as a failed read does.
            if (hr != VFW_E_NOT_COMMITTED && !stopRequested_.load()) {
                Filter().NotifyEvent(EC_ERRORABORT, FAILED(hr) ? hr : E_FAIL);
                DeliverEndOfStream();
            }
            break;
        }
        hr = FillBuffer(*sample);
        if (hr == S_FALSE) {
            // A stream cut short by a stop has not ended: downstream must not take it for whole
            // (a writer would keep the file).
            if (!stopRequested_.load())
                DeliverEndOfStream();
            break;
        }
        if (FAILED(hr)) {
            if (!stopRequested_.load()) {
                Filter().NotifyEvent(EC_ERRORABORT, hr);
                DeliverEndOfStream();
            }
            break;
        }
        if (sample->HasTime())
            current_.store(start_.load() + sample->StartTime());
        hr = Deliver(sample);
        // Downstream refused (stopping, flushing or a streaming error it has reported itself).
        if (hr != S_OK)
            break;
    }
}

HRESULT SourceStream::GetDuration(int64_t& duration)
{
    REFERENCE_TIME d = 0;
    HRESULT hr = Duration(d);
    if (FAILED(hr))
        return hr;
    duration = d;
    return S_OK;
}

HRESULT SourceStream::GetCurrentPosition(int64_t& position)
{
    position = current_.load();
    return S_OK;
}

HRESULT SourceStream::GetStopPosition(int64_t& stop)
{
    REFERENCE_TIME s = stop_.load();
    if (s == INT64_MAX)
        return GetDuration(stop);
    stop = s;
    return S_OK;
}

HRESULT SourceStream::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags)
{
    REFERENCE_TIME newStart = start_.load();
    REFERENCE_TIME newStop = stop_.load();
    uint32_t how = currentFlags & AM_SEEKING_PositioningBitsMask;
    if (current && how == AM_SEEKING_AbsolutePositioning)
        newStart = *current;
    if (current && how == AM_SEEKING_RelativePositioning)
        newStart = current_.load() + *current;
    uint32_t stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if (stop && stopHow == AM_SEEKING_AbsolutePositioning)
        newStop = *stop;
    if (stop && stopHow == AM_SEEKING_RelativePositioning)
        newStop = newStart + *stop;
    if (newStart < 0)
        newStart = 0;
    bool changeStart = current && how != AM_SEEKING_NoPositioning;

    stop_.store(newStop);
    if (!changeStart)
        return S_OK;
    if (!Streaming()) {
        MoveTo(newStart);
        return S_OK;
    }
    static_cast<BaseSource&>(Filter()).RestartStreams(newStart);
    return S_OK;
}

bool SourceStream::Streaming()
{
    std::lock_guard<std::mutex> guard(threadLock_);
    return thread_.joinable();
}

void SourceStream::MoveTo(REFERENCE_TIME start)
{
    start_.store(start);
    current_.store(start);
    OnSeek(start);
}

void BaseSource::RestartStreams(REFERENCE_TIME start)
{
    std::vector<SourceStream*> live;
    for (auto& s : streams_)
        if (s->Streaming())
            live.push_back(s.get());
    // Flush downstream first so blocked renderers and muxers let go, then stop every thread.
    for (SourceStream* s : live)
        s->DeliverBeginFlush();
    for (SourceStream* s : live)
        s->StopThread();
    for (SourceStream* s : live)
        s->DeliverEndFlush();
    for (auto& s : streams_)
        s->MoveTo(start);
    if (State() == FilterState::Stopped)
        return;
    for (SourceStream* s : live) {
        if (s->Allocator())
            s->Allocator()->Commit();
        s->StartThread();
    }
}

BaseSource::BaseSource(std::string className) : BaseFilter(std::move(className))
{
}

BaseSource::~BaseSource()
{
    for (auto& s : streams_) {
        s->JoinThread();
        s->Disconnect();
    }
}

int BaseSource::GetPinCount()
{
    return static_cast<int>(streams_.size());
}

Pin* BaseSource::GetPin(int index)
{
    if (index < 0 || index >= static_cast<int>(streams_.size()))
        return nullptr;
    return streams_[static_cast<size_t>(index)].get();
}

void BaseSource::JoinStreamingThreads()
{
    for (auto& s : streams_)
        s->JoinThread();
    BaseFilter::JoinStreamingThreads();
}

SourceStream* BaseSource::AddStream(std::unique_ptr<SourceStream> stream)
{
    streams_.push_back(std::move(stream));
    return streams_.back().get();
}

void BaseSource::RemoveStreams()
{
    for (auto& s : streams_) {
        s->JoinThread();
        s->Disconnect();
    }
    streams_.clear();
}

} // namespace ds
