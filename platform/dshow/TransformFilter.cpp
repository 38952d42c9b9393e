#include "platform/dshow/TransformFilter.h"

namespace ds {

TBCTransformInputPin::TBCTransformInputPin(TBCTransformFilter& filter, std::string name)
    : TransformInputPinBase(filter, std::move(name)), transform_(filter)
{
}

HRESULT TBCTransformInputPin::CheckMediaType(const MediaType& mt)
{
    HRESULT hr = transform_.CheckInputType(mt);
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    TBCTransformOutputPin* out = transform_.Output();
    if (out && out->IsConnected()) {
        hr = transform_.CheckTransform(mt, out->CurrentMediaType());
        if (hr != S_OK)
            return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    }
    return S_OK;
}

HRESULT TBCTransformInputPin::SetMediaType(const MediaType& mt)
{
    InputPin::SetMediaType(mt);
    return transform_.SetMediaType(PinDirection::Input, mt);
}

HRESULT TBCTransformInputPin::CheckConnect(Pin& peer)
{
    HRESULT hr = InputPin::CheckConnect(peer);
    return FAILED(hr) ? hr : transform_.CheckConnect(PinDirection::Input, peer);
}

HRESULT TBCTransformInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : transform_.CompleteConnect(PinDirection::Input, peer);
}

HRESULT TBCTransformInputPin::BreakConnect()
{
    transform_.BreakConnect(PinDirection::Input);
    return InputPin::BreakConnect();
}

HRESULT TBCTransformInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    std::lock_guard<std::mutex> guard(transform_.receiveLock_);
    return transform_.EndOfStream();
}

TBCTransformOutputPin::TBCTransformOutputPin(TBCTransformFilter& filter, std::string name)
    : OutputPin(filter, std::move(name)), transform_(filter)
{
}

HRESULT TBCTransformOutputPin::CheckMediaType(const MediaType& mt)
{
    TBCTransformInputPin* in = transform_.Input();
    if (!in || !in->IsConnected())
        return E_UNEXPECTED;
    HRESULT hr = transform_.CheckTransform(in->CurrentMediaType(), mt);
    if (hr != S_OK)
        return FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT TBCTransformOutputPin::GetMediaType(int position, MediaType& mt)
{
    TBCTransformInputPin* in = transform_.Input();
    if (!in || !in->IsConnected())
        return VFW_S_NO_MORE_ITEMS;
    if (position < 0)
        return E_INVALIDARG;
    return transform_.GetMediaType(position, mt);
}

HRESULT TBCTransformOutputPin::SetMediaType(const MediaType& mt)
{
    OutputPin::SetMediaType(mt);
    return transform_.SetMediaType(PinDirection::Output, mt);
}

HRESULT TBCTransformOutputPin::CheckConnect(Pin& peer)
{
    HRESULT hr = OutputPin::CheckConnect(peer);
    return FAILED(hr) ? hr : transform_.CheckConnect(PinDirection::Output, peer);
}

HRESULT TBCTransformOutputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = OutputPin::CompleteConnect(peer);
    return FAILED(hr) ? hr : transform_.CompleteConnect(PinDirection::Output, peer);
}

HRESULT TBCTransformOutputPin::BreakConnect()
{
    transform_.BreakConnect(PinDirection::Output);
    return OutputPin::BreakConnect();
}

HRESULT TBCTransformOutputPin::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    return transform_.DecideBufferSize(allocator, request);
}

TBCTransformFilter::TBCTransformFilter(std::string className) : TransformBase(std::move(className))
{
}

TBCTransformFilter::~TBCTransformFilter()
{
    if (input_)
        input_->Disconnect();
    if (output_)
        output_->Disconnect();
}

void TBCTransformFilter::MakePins()
{
    if (!input_)
        input_ = std::make_unique<TBCTransformInputPin>(*this, "In");
    if (!output_)
        output_ = std::make_unique<TBCTransformOutputPin>(*this, "Out");
}

void TBCTransformFilter::SetPins(std::unique_ptr<TBCTransformInputPin> input,
                                 std::unique_ptr<TBCTransformOutputPin> output)
{
    input_ = std::move(input);
    output_ = std::move(output);
}

Pin* TBCTransformFilter::GetPin(int index)
{
    MakePins();
    if (index == 0)
        return input_.get();
    if (index == 1)
        return output_.get();
    return nullptr;
}

TBCTransformInputPin* TBCTransformFilter::Input()
{
    MakePins();
    return input_.get();
}

TBCTransformOutputPin* TBCTransformFilter::Output()
{
    MakePins();
    return output_.get();
}

HRESULT TBCTransformFilter::Transform(MediaSample&, MediaSample&)
{
    return E_UNEXPECTED;
}

HRESULT TBCTransformFilter::InitializeOutputSample(const MediaSample& in, SamplePtr& out)
{
    HRESULT hr = Output()->GetDeliveryBuffer(out);
    if (FAILED(hr) || !out)
        return FAILED(hr) ? hr : E_FAIL;
    out->CopyPropertiesFrom(in);
    return S_OK;
}

HRESULT TBCTransformFilter::Receive(const SamplePtr& sample)
{
    // A branch left unconnected by a builder takes its samples and drops them: the rest of the
    // graph runs on without it.
    if (!Output()->IsConnected())
        return S_OK;
    SamplePtr out;
    HRESULT hr = InitializeOutputSample(*sample, out);
    if (FAILED(hr)) {
        // No buffer because the graph is stopping is not a streaming error.
        if (hr == VFW_E_NOT_COMMITTED)
            return VFW_E_WRONG_STATE;
        NotifyEvent(EC_ERRORABORT, hr);
        return hr;
    }
    return DeliverResult(Transform(*sample, *out), out);
}

} // namespace ds
