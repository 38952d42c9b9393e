#include "platform/dshow/TransformBase.h"

namespace ds {

TransformInputPinBase::TransformInputPinBase(TransformBase& filter, std::string name)
    : InputPin(filter, std::move(name)), base_(filter)
{
}

HRESULT TransformInputPinBase::Receive(const SamplePtr& sample)
{
    return base_.ReceiveFrom(*this, sample);
}

HRESULT TransformInputPinBase::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    return hr != S_OK ? hr : base_.EndOfStream();
}

HRESULT TransformInputPinBase::BeginFlush()
{
    InputPin::BeginFlush();
    return base_.BeginFlush();
}

HRESULT TransformInputPinBase::EndFlush()
{
    InputPin::EndFlush();
    return base_.EndFlush();
}

HRESULT TransformInputPinBase::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    InputPin::NewSegment(start, stop, rate);
    return base_.NewSegment(start, stop, rate);
}

TransformBase::TransformBase(std::string className) : BaseFilter(std::move(className))
{
}

HRESULT TransformBase::EndOfStream()
{
    OutputPin* out = StreamOutput();
    return out->IsConnected() ? out->DeliverEndOfStream() : S_OK;
}

HRESULT TransformBase::BeginFlush()
{
    OutputPin* out = StreamOutput();
    return out->IsConnected() ? out->DeliverBeginFlush() : S_OK;
}

HRESULT TransformBase::EndFlush()
{
    OutputPin* out = StreamOutput();
    return out->IsConnected() ? out->DeliverEndFlush() : S_OK;
}

HRESULT TransformBase::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    OutputPin* out = StreamOutput();
    return out->IsConnected() ? out->DeliverNewSegment(start, stop, rate) : S_OK;
}

HRESULT TransformBase::ReceiveFrom(const InputPin& input, const SamplePtr& sample)
{
    HRESULT hr = input.CheckStreaming();
    if (hr != S_OK)
        return hr;
    std::lock_guard<std::mutex> guard(receiveLock_);
    return Receive(sample);
}

HRESULT TransformBase::DeliverResult(HRESULT transformed, const SamplePtr& sample)
{
    if (transformed == S_OK) {
        OutputPin* out = StreamOutput();
        return out->IsConnected() ? out->Deliver(sample) : S_OK;
    }
    if (transformed == S_FALSE)
        return S_OK; // dropped; the stream goes on
    NotifyEvent(EC_ERRORABORT, transformed);
    return transformed;
}

HRESULT TransformBase::Pause()
{
    if (state_.load() == FilterState::Stopped) {
        std::lock_guard<std::mutex> guard(receiveLock_);
        HRESULT hr = StartStreaming();
        if (FAILED(hr))
            return hr;
    }
    return BaseFilter::Pause();
}

HRESULT TransformBase::Stop()
{
    bool wasStreaming = state_.load() != FilterState::Stopped;
    HRESULT hr = BaseFilter::Stop();
    if (wasStreaming) {
        std::lock_guard<std::mutex> guard(receiveLock_);
        HRESULT stopHr = StopStreaming();
        if (FAILED(stopHr))
            hr = stopHr;
    }
    return hr;
}

} // namespace ds
