#pragma once
// What the two transform base classes (TBCTransformFilter, TBCTransInPlaceFilter) share: the
// StartStreaming/StopStreaming hooks on the stopped <-> paused edges, the receive lock that keeps
// a sample from being transformed while streaming stops, what a Transform result means, and the
// stream calls that pass on through an output which may be left unconnected.
#include <mutex>
#include <string>

#include "platform/dshow/BaseFilter.h"

namespace ds {

class TransformBase;

// A transform's input pin: samples and stream calls go on to the filter.
class TransformInputPinBase : public InputPin {
public:
    TransformInputPinBase(TransformBase& filter, std::string name);
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    TransformBase& base_;
};

class TransformBase : public BaseFilter {
public:
    // Hooks.
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }
    virtual HRESULT Receive(const SamplePtr& sample) = 0;
    // Passed on downstream when the output is connected.
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    HRESULT Stop() override;
    HRESULT Pause() override;

    // The input pin's Receive: refused while flushing or stopped, else Receive under the lock.
    HRESULT ReceiveFrom(const InputPin& input, const SamplePtr& sample);

protected:
    explicit TransformBase(std::string className);
    virtual OutputPin* StreamOutput() = 0;
    // A Transform result: S_OK delivers `sample` (when the output is connected), S_FALSE drops it
    // and the stream goes on, a failure raises EC_ERRORABORT and goes back to the sender.
    HRESULT DeliverResult(HRESULT transformed, const SamplePtr& sample);

    std::mutex receiveLock_; // serialises Receive with the stop of streaming
};

} // namespace ds
