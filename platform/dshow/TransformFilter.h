#pragma once
// TBCTransformFilter: a filter with one input and one output pin [In, Out] that turns each input
// sample into a separate output sample.
//
// A derived filter overrides the type checks (CheckInputType, CheckTransform), the output types
// by position (GetMediaType), the buffer sizing (DecideBufferSize) and Transform; StartStreaming
// and StopStreaming (stopped <-> paused), CompleteConnect and Receive are optional.
// Transform results: S_OK delivers the output sample, S_FALSE drops it and the stream goes on,
// a failure code is a streaming error: the filter raises EC_ERRORABORT and the failure travels
// back to the sender. With its output unconnected the filter takes samples and drops them.
// A derived constructor may install its own pins with SetPins.
#include <memory>
#include <mutex>

#include "platform/dshow/TransformBase.h"

namespace ds {

class TBCTransformFilter;

class TBCTransformInputPin : public TransformInputPinBase {
public:
    TBCTransformInputPin(TBCTransformFilter& filter, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT SetMediaType(const MediaType& mt) override;
    HRESULT CheckConnect(Pin& peer) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT BreakConnect() override;
    HRESULT EndOfStream() override; // under the receive lock

protected:
    TBCTransformFilter& transform_;
};

class TBCTransformOutputPin : public OutputPin {
public:
    TBCTransformOutputPin(TBCTransformFilter& filter, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT SetMediaType(const MediaType& mt) override;
    HRESULT CheckConnect(Pin& peer) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT BreakConnect() override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;

protected:
    TBCTransformFilter& transform_;
};

class TBCTransformFilter : public TransformBase {
public:
    explicit TBCTransformFilter(std::string className);
    ~TBCTransformFilter() override;

    int GetPinCount() override { return 2; }
    Pin* GetPin(int index) override;
    TBCTransformInputPin* Input();
    TBCTransformOutputPin* Output();

    // Hooks.
    virtual HRESULT CheckInputType(const MediaType& mt) = 0;
    virtual HRESULT CheckTransform(const MediaType& in, const MediaType& out) = 0;
    virtual HRESULT GetMediaType(int position, MediaType& mt) = 0; // output types; VFW_S_NO_MORE_ITEMS past the end
    virtual HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) = 0;
    virtual HRESULT Transform(MediaSample& in, MediaSample& out);
    virtual HRESULT SetMediaType(PinDirection, const MediaType&) { return S_OK; }
    virtual HRESULT CheckConnect(PinDirection, Pin&) { return S_OK; }
    virtual HRESULT BreakConnect(PinDirection) { return S_OK; }
    virtual HRESULT CompleteConnect(PinDirection, Pin&) { return S_OK; }
    // Takes an output buffer, copies the input's properties, calls Transform and delivers.
    HRESULT Receive(const SamplePtr& sample) override;

protected:
    // Gets an output sample carrying the input's times, media times and flags.
    HRESULT InitializeOutputSample(const MediaSample& in, SamplePtr& out);
    void SetPins(std::unique_ptr<TBCTransformInputPin> input, std::unique_ptr<TBCTransformOutputPin> output);
    OutputPin* StreamOutput() override { return Output(); }

private:
    friend class TBCTransformInputPin;
    void MakePins();
    std::unique_ptr<TBCTransformInputPin> input_;
    std::unique_ptr<TBCTransformOutputPin> output_;
};

} // namespace ds
