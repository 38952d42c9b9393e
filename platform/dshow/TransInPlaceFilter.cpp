#include "platform/dshow/TransInPlaceFilter.h"

namespace ds {

TBCTransInPlaceInputPin::TBCTransInPlaceInputPin(TBCTransInPlaceFilter& filter, std::string name)
    : TransformInputPinBase(filter, std::move(name)), filter_(filter)
{
}

HRESULT TBCTransInPlaceInputPin::CheckMediaType(const MediaType& mt)
{
    HRESULT hr = filter_.CheckInputType(mt);
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    // The same type goes out: the downstream pin, when there is one, must take it too.
    if (Pin* down = filter_.Output()->ConnectedTo()) {
        if (down->CheckMediaType(mt) != S_OK)
            return VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT TBCTransInPlaceInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : filter_.CompleteConnect(PinDirection::Input, peer);
}

// Samples pass through untouched in count and size, so the downstream pin shares the upstream
// allocator when there is one.
TBCTransInPlaceOutputPin::TBCTransInPlaceOutputPin(TBCTransInPlaceFilter& filter, std::string name)
    : PassThroughOutputPin(filter, std::move(name), *filter.Input(), false), filter_(filter)
{
}

HRESULT TBCTransInPlaceOutputPin::CheckMediaType(const MediaType& mt)
{
    TBCTransInPlaceInputPin* in = filter_.Input();
    if (in->IsConnected())
        return mt == in->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = filter_.CheckInputType(mt);
    return hr == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT TBCTransInPlaceOutputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = OutputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : filter_.CompleteConnect(PinDirection::Output, peer);
}

TBCTransInPlaceFilter::TBCTransInPlaceFilter(std::string className)
    : TransformBase(std::move(className)), input_(*this, "Input"), output_(*this, "Output")
{
}

TBCTransInPlaceFilter::~TBCTransInPlaceFilter()
{
    input_.Disconnect();
    output_.Disconnect();
}

Pin* TBCTransInPlaceFilter::GetPin(int index)
{
    if (index == 0)
        return &input_;
    if (index == 1)
        return &output_;
    return nullptr;
}

HRESULT TBCTransInPlaceFilter::Receive(const SamplePtr& sample)
{
    return DeliverResult(Transform(*sample), sample);
}

} // namespace ds
