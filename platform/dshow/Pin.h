#pragma once
// Pins: the connection points of filters.
//
// An output pin connects to an input pin (Connect, called on the output): the two agree on a
// media type (the output's types first, then the input's, each filtered by an optional partial
// type), the input records the connection (ReceiveConnection), the output decides the allocator,
// and both run CompleteConnect, where a filter may create new pins. Disconnect on either side
// breaks both sides and is idempotent (S_FALSE when there is nothing to break).
//
// Streaming: an output pin Delivers samples to the connected input pin's Receive on the calling
// thread; EndOfStream, BeginFlush/EndFlush and NewSegment travel the same way. An output pin may
// instead deliver through an OutputQueue (SetOutputQueue): the same calls, in the same order, on
// a thread of the queue's own.
// Connections change only while the filters are stopped, on the controlling thread; the streaming
// threads read the peer pointer without a lock.
//
// A derived class overrides CheckMediaType, GetMediaType (its preferred types by position) and, on
// input pins, Receive; a filter answers other interfaces of a pin through dynamic_cast (QueryPin).
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/MediaSample.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/Result.h"

namespace ds {

class BaseFilter;
class OutputQueue;

enum class PinDirection { Input, Output };

class Pin {
public:
    Pin(BaseFilter& filter, std::string name, PinDirection direction);
    Pin(const Pin&) = delete;
    Pin& operator=(const Pin&) = delete;
    virtual ~Pin();

    const std::string& Name() const { return name_; }
    PinDirection Direction() const { return direction_; }
    BaseFilter& Filter() const { return filter_; }

    Pin* ConnectedTo() const { return peer_; } // borrowed; null when not connected
    bool IsConnected() const { return peer_ != nullptr; }
    HRESULT ConnectionMediaType(MediaType& mt) const; // VFW_E_NOT_CONNECTED when not connected
    const MediaType& CurrentMediaType() const { return mt_; }

    // Type negotiation hooks.
    virtual HRESULT CheckMediaType(const MediaType& mt) = 0;
    virtual HRESULT GetMediaType(int position, MediaType& mt); // VFW_S_NO_MORE_ITEMS past the end
    std::vector<MediaType> EnumMediaTypes();
    virtual HRESULT SetMediaType(const MediaType& mt);
    virtual HRESULT CheckConnect(Pin& peer);    // direction and filter state
    virtual HRESULT CompleteConnect(Pin& peer); // both sides agreed; the filter may add pins here
    virtual HRESULT BreakConnect();             // the connection is going

    // Connects this output pin to `receivePin` (IPin::Connect). Input pins answer E_UNEXPECTED.
    virtual HRESULT Connect(Pin& receivePin, const MediaType* partial);
    // The input side of a connection (IPin::ReceiveConnection).
    virtual HRESULT ReceiveConnection(Pin& connector, const MediaType& mt);
    // Breaks the connection on both sides.
    HRESULT Disconnect();

    // Streaming state changes, called by the owning filter.
    virtual HRESULT Active() { return S_OK; }
    virtual HRESULT Inactive() { return S_OK; }
    // First step of a graph stop: wake a streaming thread blocked in this pin; calls that follow fail.
    virtual void BeginStop() { stopping_.store(true); }
    bool IsStopping() const { return stopping_.load(); }

protected:
    void SetPeer(Pin* peer, const MediaType& mt);
    void ClearPeer();
    std::atomic<bool> stopping_{false}; // set by BeginStop, cleared by Inactive/Active

private:
    HRESULT TryMediaType(Pin& receivePin, const MediaType& mt);

    BaseFilter& filter_;
    std::string name_;
    PinDirection direction_;
    Pin* peer_ = nullptr; // changed only while stopped, on the controlling thread
    MediaType mt_;
};

class InputPin : public Pin {
public:
    InputPin(BaseFilter& filter, std::string name);
    ~InputPin() override;

    // Streaming calls, on the upstream filter's thread.
    virtual HRESULT Receive(const SamplePtr& sample); // default: CheckStreaming only
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    // The allocator this pin offers upstream (made on first request) and the one finally chosen.
    virtual AllocatorPtr GetAllocator();
    virtual HRESULT NotifyAllocator(const AllocatorPtr& allocator, bool readOnly);
    virtual HRESULT GetAllocatorRequirements(AllocatorProperties& props); // E_NOTIMPL: none
    const AllocatorPtr& Allocator() const { return allocator_; }
    // Whether upstream said its samples may only be read (they go to other receivers too).
    bool ReadOnlySamples() const { return readOnly_; }

    // S_OK when a sample may be processed now; S_FALSE while flushing; VFW_E_WRONG_STATE when stopped.
    HRESULT CheckStreaming() const;
    bool IsFlushing() const { return flushing_.load(); }
    bool IsEndOfStream() const { return endOfStream_.load(); }
    REFERENCE_TIME SegmentStart() const { return segmentStart_.load(); }

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT BreakConnect() override;

protected:
    std::atomic<bool> flushing_{false};
    std::atomic<bool> endOfStream_{false};
    std::atomic<REFERENCE_TIME> segmentStart_{0};
    AllocatorPtr allocator_; // set at connection, on the controlling thread
    bool readOnly_ = false;  // likewise
};

class OutputPin : public Pin {
public:
    OutputPin(BaseFilter& filter, std::string name);
    ~OutputPin() override; // joins the queue's thread

    HRESULT CompleteConnect(Pin& peer) override; // decides the allocator
    HRESULT BreakConnect() override;
    HRESULT Active() override;   // commits the allocator
    HRESULT Inactive() override; // decommits it
    void BeginStop() override;   // decommits it, so a thread waiting for a buffer wakes

    // Sizes the allocator for this connection; the filter's DecideBufferSize in derived pins.
    virtual HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request);
    virtual HRESULT DecideAllocator(InputPin& input);

    HRESULT GetDeliveryBuffer(SamplePtr& sample);
    InputPin* ConnectedInput() const; // borrowed

    HRESULT Deliver(const SamplePtr& sample); // VFW_E_NOT_CONNECTED when not connected
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    const AllocatorPtr& Allocator() const { return allocator_; }

    // From the next pause, deliveries go through a queue of `depth` items served by a thread of
    // the pin's own; 0 (the default): on the caller's thread. Set while stopped. The allocator
    // gets `depth` more buffers, which the queue holds.
    void SetOutputQueue(int depth);
    int OutputQueueDepth() const { return queueDepth_; }
    size_t QueuedSamples() const; // items waiting in the queue now, for tests
    void JoinQueue();             // graph stop: the queue's thread, once BeginStop woke it

protected:
    AllocatorPtr allocator_; // set at connection, on the controlling thread

private:
    void AddBuffers(int count);
    int queueDepth_ = 0;
    std::unique_ptr<OutputQueue> queue_;
    OutputQueue* running_ = nullptr; // queue_ from Active to Inactive: read by streaming threads
};

// An output that passes its filter's input samples on as they are: it offers exactly the input's
// connection type, and lends the input's allocator (when it has one) downstream.
class PassThroughOutputPin : public OutputPin {
public:
    PassThroughOutputPin(BaseFilter& filter, std::string name, const InputPin& filterInput, bool readOnly);
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideAllocator(InputPin& input) override;

private:
    const InputPin& filterInput_;
    bool readOnly_; // whether the receivers may only read the samples
};

// Another interface of a pin (the byte-stream service, seeking): null when the pin has none.
template <class I> I* QueryPin(Pin* pin)
{
    return dynamic_cast<I*>(pin);
}

} // namespace ds
