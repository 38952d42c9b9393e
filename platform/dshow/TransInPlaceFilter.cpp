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

HRESULT TBCTransInPlaceInputPin::Receive(const SamplePtr& sample) { return filter_.ReceiveFrom(*this, sample); }

HRESULT TBCTransInPlaceInputPin::EndOfStream() {
    HRESULT hr = InputPin::EndOfStream();
    return hr != S_OK ? hr : filter_.EndOfStream();
}

HRESULT TBCTransInPlaceInputPin::BeginFlush() {
    InputPin::BeginFlush();
    return filter_.BeginFlush();
}

HRESULT TBCTransInPlaceInputPin::EndFlush() {
    InputPin::EndFlush();
    return filter_.EndFlush();
}

HRESULT TBCTransInPlaceInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    InputPin::NewSegment(start, stop, rate);
    return filter_.NewSegment(start, stop, rate);
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
    return OfferInputType(*filter_.Input(), position, mt);
}

HRESULT TBCTransInPlaceOutputPin::CompleteConnect(Pin& peer) {
    HRESULT hr = OutputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : filter_.CompleteConnect(PinDirection::Output, peer);
}

// Samples pass through untouched in count and size, so the downstream pin shares the upstream
// allocator when there is one.
HRESULT TBCTransInPlaceOutputPin::DecideAllocator(InputPin& input) {
    return ShareInputAllocator(*filter_.Input(), input, false);
}

TBCTransInPlaceFilter::TBCTransInPlaceFilter(std::string className)
    : TransformBase(std::move(className)), input_(*this, "Input"), output_(*this, "Output") {}

TBCTransInPlaceFilter::~TBCTransInPlaceFilter() {
    input_.Disconnect();
    output_.Disconnect();
}

Pin* TBCTransInPlaceFilter::GetPin(int index) {
    if (index == 0) return &input_;
    if (index == 1) return &output_;
    return nullptr;
}

HRESULT TBCTransInPlaceFilter::Receive(const SamplePtr& sample) { return DeliverResult(Transform(*sample), sample); }

} // namespace ds
