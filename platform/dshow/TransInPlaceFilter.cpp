#include "platform/dshow/TransInPlaceFilter.h"

namespace ds {

TBCTransInPlaceInputPin::TBCTransInPlaceInputPin(TBCTransInPlaceFilter& filter, std::string name)
    : InputPin(filter, std::move(name)), filter_(filter) {}

HRESULT TBCTransInPlaceInputPin::CheckMediaType(const MediaType& mt) {
    HRESULT hr = filter_.CheckInputType(mt);
    if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    // The same type goes out: the downstream pin, when there is one, must take it too.
    if (Pin* down = filter_.Output()->ConnectedTo()) {
        if (down->CheckMediaType(mt) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT TBCTransInPlaceInputPin::CompleteConnect(Pin& peer) {
    HRESULT hr = InputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : filter_.CompleteConnect(PinDirection::Input, peer);
}

HRESULT TBCTransInPlaceInputPin::Receive(const SamplePtr& sample) {
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    std::lock_guard<std::mutex> guard(filter_.receiveLock_);
    return filter_.Receive(sample);
}

HRESULT TBCTransInPlaceInputPin::EndOfStream() {
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK) return hr;
    TBCTransInPlaceOutputPin* out = filter_.Output();
    return out->IsConnected() ? out->DeliverEndOfStream() : S_OK;
}

HRESULT TBCTransInPlaceInputPin::BeginFlush() {
    InputPin::BeginFlush();
    TBCTransInPlaceOutputPin* out = filter_.Output();
    return out->IsConnected() ? out->DeliverBeginFlush() : S_OK;
}

HRESULT TBCTransInPlaceInputPin::EndFlush() {
    InputPin::EndFlush();
    TBCTransInPlaceOutputPin* out = filter_.Output();
    return out->IsConnected() ? out->DeliverEndFlush() : S_OK;
}

HRESULT TBCTransInPlaceInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    InputPin::NewSegment(start, stop, rate);
    TBCTransInPlaceOutputPin* out = filter_.Output();
    return out->IsConnected() ? out->DeliverNewSegment(start, stop, rate) : S_OK;
}

TBCTransInPlaceOutputPin::TBCTransInPlaceOutputPin(TBCTransInPlaceFilter& filter, std::string name)
    : OutputPin(filter, std::move(name)), filter_(filter) {}

HRESULT TBCTransInPlaceOutputPin::CheckMediaType(const MediaType& mt) {
    TBCTransInPlaceInputPin* in = filter_.Input();
    if (in->IsConnected()) return mt == in->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = filter_.CheckInputType(mt);
    return hr == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TBCTransInPlaceOutputPin::GetMediaType(int position, MediaType& mt) {
    TBCTransInPlaceInputPin* in = filter_.Input();
    if (position < 0) return E_INVALIDARG;
    if (!in->IsConnected() || position > 0) return VFW_S_NO_MORE_ITEMS;
    mt = in->CurrentMediaType();
    return S_OK;
}

HRESULT TBCTransInPlaceOutputPin::CompleteConnect(Pin& peer) {
    HRESULT hr = OutputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : filter_.CompleteConnect(PinDirection::Output, peer);
}

// Samples pass through untouched in count and size, so the downstream pin shares the upstream
// allocator when there is one.
HRESULT TBCTransInPlaceOutputPin::DecideAllocator(InputPin& input) {
    AllocatorPtr upstream = filter_.Input()->Allocator();
    if (!upstream) return OutputPin::DecideAllocator(input);
    HRESULT hr = input.NotifyAllocator(upstream, false);
    if (FAILED(hr)) return hr;
    allocator_ = upstream;
    return S_OK;
}

TBCTransInPlaceFilter::TBCTransInPlaceFilter(std::string className)
    : BaseFilter(std::move(className)), input_(*this, "Input"), output_(*this, "Output") {}

TBCTransInPlaceFilter::~TBCTransInPlaceFilter() {
    input_.Disconnect();
    output_.Disconnect();
}

Pin* TBCTransInPlaceFilter::GetPin(int index) {
    if (index == 0) return &input_;
    if (index == 1) return &output_;
    return nullptr;
}

HRESULT TBCTransInPlaceFilter::Receive(const SamplePtr& sample) {
    HRESULT hr = Transform(*sample);
    if (hr == S_OK) return output_.IsConnected() ? output_.Deliver(sample) : S_OK;
    if (hr == S_FALSE) return S_OK;  // dropped; the stream goes on
    NotifyEvent(EC_ERRORABORT, hr);
    return hr;
}

HRESULT TBCTransInPlaceFilter::Pause() {
    if (state_.load() == FilterState::Stopped) {
        std::lock_guard<std::mutex> guard(receiveLock_);
        HRESULT hr = StartStreaming();
        if (FAILED(hr)) return hr;
    }
    return BaseFilter::Pause();
}

HRESULT TBCTransInPlaceFilter::Stop() {
    bool wasStreaming = state_.load() != FilterState::Stopped;
    HRESULT hr = BaseFilter::Stop();
    if (wasStreaming) {
        std::lock_guard<std::mutex> guard(receiveLock_);
        HRESULT stopHr = StopStreaming();
        if (FAILED(stopHr)) hr = stopHr;
    }
    return hr;
}

} // namespace ds
