#include "platform/filters/InfTee.h"

#include <string>

namespace ds {

InfTeeInputPin::InfTeeInputPin(InfTee& tee) : InputPin(tee, "Input"), tee_(tee)
{
}

HRESULT InfTeeInputPin::CheckMediaType(const MediaType& mt)
{
    // Connected outputs already carry a type: the input must keep to it.
    HRESULT hr = S_OK;
    tee_.ForEachConnectedOutput([&](OutputPin& o) {
        if (o.CurrentMediaType() != mt)
            hr = VFW_E_TYPE_NOT_ACCEPTED;
    });
    return hr;
}

HRESULT InfTeeInputPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return tee_.DeliverToAll(sample);
}

HRESULT InfTeeInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    tee_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverEndOfStream(); });
    return S_OK;
}

HRESULT InfTeeInputPin::BeginFlush()
{
    InputPin::BeginFlush();
    tee_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverBeginFlush(); });
    return S_OK;
}

HRESULT InfTeeInputPin::EndFlush()
{
    tee_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverEndFlush(); });
    return InputPin::EndFlush();
}

HRESULT InfTeeInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    InputPin::NewSegment(start, stop, rate);
    tee_.ForEachConnectedOutput([&](OutputPin& o) { o.DeliverNewSegment(start, stop, rate); });
    return S_OK;
}

// The samples are the input's own, read-only for the receivers: the outputs lend no buffers of their own.
InfTeeOutputPin::InfTeeOutputPin(InfTee& tee, std::string name)
    : PassThroughOutputPin(tee, std::move(name), *tee.Input(), true), tee_(tee)
{
}

HRESULT InfTeeOutputPin::CheckMediaType(const MediaType& mt)
{
    InputPin* in = tee_.Input();
    if (!in->IsConnected())
        return VFW_E_NOT_CONNECTED;
    return mt == in->CurrentMediaType() ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT InfTeeOutputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = OutputPin::CompleteConnect(peer);
    if (SUCCEEDED(hr))
        tee_.OnOutputConnected();
    return hr;
}

InfTee::InfTee() : BaseFilter(kFriendlyName), input_(*this)
{
    outputs_.push_back(std::make_unique<InfTeeOutputPin>(*this, "Output" + std::to_string(nextNumber_++)));
}

InfTee::~InfTee()
{
    input_.Disconnect();
    for (auto& o : outputs_)
        o->Disconnect();
}

int InfTee::GetPinCount()
{
    return 1 + static_cast<int>(outputs_.size());
}

Pin* InfTee::GetPin(int index)
{
    if (index == 0)
        return &input_;
    if (index < 1 || index > static_cast<int>(outputs_.size()))
        return nullptr;
    return outputs_[static_cast<size_t>(index - 1)].get();
}

void InfTee::OnOutputConnected()
{
    for (auto& o : outputs_)
        if (!o->IsConnected())
            return; // a free one is there already
    outputs_.push_back(std::make_unique<InfTeeOutputPin>(*this, "Output" + std::to_string(nextNumber_++)));
}

HRESULT InfTee::DeliverToAll(const SamplePtr& sample)
{
    HRESULT result = S_OK;
    int delivered = 0, refused = 0;
    for (auto& o : outputs_) {
        if (!o->IsConnected())
            continue;
        HRESULT hr = o->Deliver(sample);
        if (hr == S_OK)
            ++delivered;
        else {
            ++refused;
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    // One branch that ended or failed does not stop the others.
    if (delivered > 0)
        return S_OK;
    return refused > 0 && SUCCEEDED(result) ? S_FALSE : result;
}

} // namespace ds
