#pragma once
// TBCTransInPlaceFilter: a filter with pins [In, Out] that changes each sample where it lies and
// passes the same sample on.
//
// A derived filter overrides CheckInputType and Transform(sample); StartStreaming/StopStreaming are
// optional. Transform results: S_OK delivers the sample, S_FALSE drops it and the stream goes on,
// a failure code raises EC_ERRORABORT and goes back to the sender. The output offers exactly the
// input's connection type, so the filter is transparent to type negotiation.
#include <memory>

#include "platform/dshow/TransformBase.h"

namespace ds {

class TBCTransInPlaceFilter;

class TBCTransInPlaceInputPin : public TransformInputPinBase {
public:
    TBCTransInPlaceInputPin(TBCTransInPlaceFilter& filter, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;

private:
    TBCTransInPlaceFilter& filter_;
};

class TBCTransInPlaceOutputPin : public PassThroughOutputPin {
public:
    TBCTransInPlaceOutputPin(TBCTransInPlaceFilter& filter, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;

private:
    TBCTransInPlaceFilter& filter_;
};

class TBCTransInPlaceFilter : public TransformBase {
public:
    explicit TBCTransInPlaceFilter(std::string className);
    ~TBCTransInPlaceFilter() override;

    int GetPinCount() override { return 2; }
    Pin* GetPin(int index) override;
    TBCTransInPlaceInputPin* Input() { return &input_; }
    TBCTransInPlaceOutputPin* Output() { return &output_; }

    // Hooks.
    virtual HRESULT CheckInputType(const MediaType& mt) = 0;
    virtual HRESULT Transform(MediaSample& sample) = 0;
    virtual HRESULT CheckTransform(const MediaType&, const MediaType&) { return S_OK; }
    virtual HRESULT CompleteConnect(PinDirection, Pin&) { return S_OK; }
    HRESULT Receive(const SamplePtr& sample) override;

protected:
    OutputPin* StreamOutput() override { return &output_; }

private:
    TBCTransInPlaceInputPin input_;
    TBCTransInPlaceOutputPin output_;
};

} // namespace ds
