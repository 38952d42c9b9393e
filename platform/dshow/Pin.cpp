#include "platform/dshow/Pin.h"

#include <algorithm>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/OutputQueue.h"

namespace ds {

Pin::Pin(BaseFilter& filter, std::string name, PinDirection direction)
    : filter_(filter), name_(std::move(name)), direction_(direction)
{
}

// A pin going away must not leave its peer pointing at it.
Pin::~Pin()
{
    if (peer_) {
        Pin* peer = peer_;
        peer_ = nullptr;
        peer->peer_ = nullptr;
        peer->mt_ = MediaType();
    }
}

HRESULT Pin::ConnectionMediaType(MediaType& mt) const
{
    if (!peer_) {
        mt = MediaType();
        return VFW_E_NOT_CONNECTED;
    }
    mt = mt_;
    return S_OK;
}

HRESULT Pin::GetMediaType(int, MediaType&)
{
    return VFW_S_NO_MORE_ITEMS;
}

std::vector<MediaType> Pin::EnumMediaTypes()
{
    std::vector<MediaType> types;
    for (int i = 0; i < 256; ++i) { // bounded: a pin offers a handful of types
        MediaType mt;
        if (GetMediaType(i, mt) != S_OK)
            break;
        types.push_back(std::move(mt));
    }
    return types;
}

HRESULT Pin::SetMediaType(const MediaType& mt)
{
    mt_ = mt;
    return S_OK;
}

HRESULT Pin::CheckConnect(Pin& peer)
{
    if (peer.Direction() == direction_)
        return VFW_E_INVALID_DIRECTION;
    if (filter_.State() != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    return S_OK;
}

HRESULT Pin::CompleteConnect(Pin&)
{
    return S_OK;
}

HRESULT Pin::BreakConnect()
{
    return S_OK;
}

void Pin::SetPeer(Pin* peer, const MediaType& mt)
{
    peer_ = peer;
    mt_ = mt;
}

void Pin::ClearPeer()
{
    peer_ = nullptr;
    mt_ = MediaType();
}

HRESULT Pin::Connect(Pin& receivePin, const MediaType* partial)
{
    if (direction_ != PinDirection::Output)
        return E_UNEXPECTED;
    if (peer_ || receivePin.IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (&receivePin.Filter() == &filter_)
        return VFW_E_CANNOT_CONNECT;
    if (HRESULT hr = CheckConnect(receivePin); FAILED(hr))
        return hr;
    if (receivePin.Filter().State() != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;

    // A fully given type is tried as it stands first; then this pin's types, then the peer's,
    // each only when it matches the partial type.
    if (partial && partial->IsFullySpecified() && TryMediaType(receivePin, *partial) == S_OK)
        return S_OK;
    for (const MediaType& mt : EnumMediaTypes()) {
        if (partial && !mt.MatchesPartial(*partial))
            continue;
        if (TryMediaType(receivePin, mt) == S_OK)
            return S_OK;
    }
    for (const MediaType& mt : receivePin.EnumMediaTypes()) {
        if (partial && !mt.MatchesPartial(*partial))
            continue;
        if (TryMediaType(receivePin, mt) == S_OK)
            return S_OK;
    }
    return VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT Pin::TryMediaType(Pin& receivePin, const MediaType& mt)
{
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    SetPeer(&receivePin, mt);
    HRESULT hr = receivePin.ReceiveConnection(*this, mt);
    if (FAILED(hr)) {
        ClearPeer();
        return hr;
    }
    if (hr = SetMediaType(mt); SUCCEEDED(hr))
        hr = CompleteConnect(receivePin);
    if (FAILED(hr)) {
        Disconnect();
        return hr;
    }
    return S_OK;
}

HRESULT Pin::ReceiveConnection(Pin& connector, const MediaType& mt)
{
    if (direction_ != PinDirection::Input)
        return E_UNEXPECTED;
    if (peer_)
        return VFW_E_ALREADY_CONNECTED;
    if (HRESULT hr = CheckConnect(connector); FAILED(hr))
        return hr;
    if (CheckMediaType(mt) != S_OK)
        return VFW_E_TYPE_NOT_ACCEPTED;
    SetPeer(&connector, mt);
    HRESULT hr = SetMediaType(mt);
    if (SUCCEEDED(hr))
        hr = CompleteConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        ClearPeer();
        return hr;
    }
    return S_OK;
}

HRESULT Pin::Disconnect()
{
    if (!peer_)
        return S_FALSE;
    Pin* peer = peer_;
    BreakConnect();
    ClearPeer();
    if (peer->peer_ == this) {
        peer->BreakConnect();
        peer->ClearPeer();
    }
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

InputPin::InputPin(BaseFilter& filter, std::string name) : Pin(filter, std::move(name), PinDirection::Input)
{
}

InputPin::~InputPin() = default;

HRESULT InputPin::CheckStreaming() const
{
    if (stopping_.load() || Filter().State() == FilterState::Stopped)
        return VFW_E_WRONG_STATE;
    if (flushing_.load())
        return S_FALSE;
    if (endOfStream_.load())
        return VFW_E_SAMPLE_REJECTED;
    return S_OK;
}

HRESULT InputPin::Receive(const SamplePtr&)
{
    return CheckStreaming();
}

HRESULT InputPin::EndOfStream()
{
    if (stopping_.load() || Filter().State() == FilterState::Stopped)
        return VFW_E_WRONG_STATE;
    if (flushing_.load())
        return S_FALSE;
    endOfStream_.store(true);
    return S_OK;
}

HRESULT InputPin::BeginFlush()
{
    flushing_.store(true);
    return S_OK;
}

HRESULT InputPin::EndFlush()
{
    endOfStream_.store(false);
    flushing_.store(false);
    return S_OK;
}

HRESULT InputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double)
{
    segmentStart_.store(start);
    return S_OK;
}

AllocatorPtr InputPin::GetAllocator()
{
    if (!allocator_)
        allocator_ = std::make_shared<MemAllocator>();
    return allocator_;
}

HRESULT InputPin::NotifyAllocator(const AllocatorPtr& allocator, bool readOnly)
{
    allocator_ = allocator;
    readOnly_ = readOnly;
    return S_OK;
}

HRESULT InputPin::GetAllocatorRequirements(AllocatorProperties&)
{
    return E_NOTIMPL;
}

HRESULT InputPin::Active()
{
    stopping_.store(false);
    flushing_.store(false);
    endOfStream_.store(false);
    return S_OK;
}

HRESULT InputPin::Inactive()
{
    stopping_.store(false);
    flushing_.store(false);
    endOfStream_.store(false);
    return S_OK;
}

HRESULT InputPin::BreakConnect()
{
    allocator_.reset();
    readOnly_ = false;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------

OutputPin::OutputPin(BaseFilter& filter, std::string name) : Pin(filter, std::move(name), PinDirection::Output)
{
}

OutputPin::~OutputPin() = default;

void OutputPin::SetOutputQueue(int depth)
{
    depth = std::max(depth, 0);
    if (IsConnected() && depth > queueDepth_)
        AddBuffers(depth - queueDepth_);
    queueDepth_ = depth;
    if (!queue_ || queue_->Depth() != depth)
        queue_.reset();
}

void OutputPin::AddBuffers(int count)
{
    if (!allocator_ || count <= 0)
        return;
    AllocatorProperties props;
    allocator_->GetProperties(props);
    props.cBuffers += count;
    AllocatorProperties actual;
    allocator_->SetProperties(props, actual);
}

size_t OutputPin::QueuedSamples() const
{
    return queue_ ? queue_->Queued() : 0;
}

void OutputPin::JoinQueue()
{
    if (queue_)
        queue_->Join();
}

InputPin* OutputPin::ConnectedInput() const
{
    return static_cast<InputPin*>(ConnectedTo());
}

HRESULT OutputPin::CompleteConnect(Pin& peer)
{
    auto* input = dynamic_cast<InputPin*>(&peer);
    if (!input)
        return VFW_E_NO_ALLOCATOR;
    HRESULT hr = DecideAllocator(*input);
    if (SUCCEEDED(hr))
        AddBuffers(queueDepth_);
    return hr;
}

HRESULT OutputPin::DecideAllocator(InputPin& input)
{
    AllocatorPtr allocator = input.GetAllocator();
    if (!allocator)
        allocator = std::make_shared<MemAllocator>();
    AllocatorProperties request;
    input.GetAllocatorRequirements(request);
    HRESULT hr = DecideBufferSize(*allocator, request);
    if (FAILED(hr))
        return hr;
    hr = input.NotifyAllocator(allocator, false);
    if (FAILED(hr))
        return hr;
    allocator_ = allocator;
    return S_OK;
}

HRESULT OutputPin::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    if (request.cBuffers < 1)
        request.cBuffers = 1;
    if (request.cbBuffer < 1)
        request.cbBuffer = 1;
    AllocatorProperties actual;
    return allocator.SetProperties(request, actual);
}

HRESULT OutputPin::BreakConnect()
{
    if (allocator_)
        allocator_->Decommit();
    allocator_.reset();
    queue_.reset(); // never running: connections change only while stopped
    return S_OK;
}

HRESULT OutputPin::Active()
{
    stopping_.store(false);
    HRESULT hr = allocator_ ? allocator_->Commit() : S_OK;
    if (FAILED(hr))
        return hr;
    if (queueDepth_ > 0 && ConnectedInput()) {
        if (!queue_)
            queue_ = std::make_unique<OutputQueue>(queueDepth_);
        queue_->Start(*ConnectedInput());
        running_ = queue_.get();
    }
    return S_OK;
}

HRESULT OutputPin::Inactive()
{
    stopping_.store(false);
    if (running_) {
        running_->BeginStop();
        running_->Join();
        running_ = nullptr;
    }
    return allocator_ ? allocator_->Decommit() : S_OK;
}

void OutputPin::BeginStop()
{
    Pin::BeginStop();
    if (allocator_)
        allocator_->Decommit();
    if (queue_)
        queue_->BeginStop();
}

HRESULT OutputPin::GetDeliveryBuffer(SamplePtr& sample)
{
    if (!allocator_)
        return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, true);
}

HRESULT OutputPin::Deliver(const SamplePtr& sample)
{
    InputPin* input = ConnectedInput();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return running_ ? running_->Receive(sample) : input->Receive(sample);
}

HRESULT OutputPin::DeliverEndOfStream()
{
    InputPin* input = ConnectedInput();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return running_ ? running_->EndOfStream() : input->EndOfStream();
}

HRESULT OutputPin::DeliverBeginFlush()
{
    InputPin* input = ConnectedInput();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return running_ ? running_->BeginFlush() : input->BeginFlush();
}

HRESULT OutputPin::DeliverEndFlush()
{
    InputPin* input = ConnectedInput();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return running_ ? running_->EndFlush() : input->EndFlush();
}

HRESULT OutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    InputPin* input = ConnectedInput();
    if (!input)
        return VFW_E_NOT_CONNECTED;
    return running_ ? running_->NewSegment(start, stop, rate) : input->NewSegment(start, stop, rate);
}

PassThroughOutputPin::PassThroughOutputPin(BaseFilter& filter, std::string name, const InputPin& filterInput,
                                           bool readOnly)
    : OutputPin(filter, std::move(name)), filterInput_(filterInput), readOnly_(readOnly)
{
}

HRESULT PassThroughOutputPin::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (!filterInput_.IsConnected() || position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = filterInput_.CurrentMediaType();
    return S_OK;
}

HRESULT PassThroughOutputPin::DecideAllocator(InputPin& input)
{
    AllocatorPtr upstream = filterInput_.Allocator();
    if (!upstream)
        return OutputPin::DecideAllocator(input);
    // Samples that were only to be read stay so past this filter.
    HRESULT hr = input.NotifyAllocator(upstream, readOnly_ || filterInput_.ReadOnlySamples());
    if (FAILED(hr))
        return hr;
    allocator_ = upstream;
    return S_OK;
}

} // namespace ds
