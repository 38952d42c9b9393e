#include "platform/dshow/BaseFilter.h"

#include <algorithm>

#include "platform/dshow/FilterGraph.h"

namespace ds {

BaseFilter::BaseFilter(std::string className) : className_(std::move(className)), name_(className_)
{
}

BaseFilter::~BaseFilter() = default;

std::vector<Pin*> BaseFilter::EnumPins()
{
    std::vector<Pin*> pins;
    const int n = GetPinCount();
    pins.reserve(static_cast<size_t>(std::max(n, 0)));
    for (int i = 0; i < n; ++i)
        if (Pin* p = GetPin(i))
            pins.push_back(p);
    return pins;
}

Pin* BaseFilter::FindPin(const std::string& name)
{
    for (Pin* p : EnumPins())
        if (p->Name() == name)
            return p;
    return nullptr;
}

// The graph asks every filter its role at each pause and stop: no list is made for it.
bool BaseFilter::HasPin(PinDirection direction)
{
    const int n = GetPinCount();
    for (int i = 0; i < n; ++i)
        if (Pin* p = GetPin(i); p && p->Direction() == direction)
            return true;
    return false;
}

bool BaseFilter::HasInputPins()
{
    return HasPin(PinDirection::Input);
}

bool BaseFilter::HasOutputPins()
{
    return HasPin(PinDirection::Output);
}

HRESULT BaseFilter::Stop()
{
    std::lock_guard<std::mutex> guard(filterLock_);
    HRESULT result = S_OK;
    if (state_.load() != FilterState::Stopped) {
        for (Pin* p : EnumPins()) {
            HRESULT hr = p->Inactive();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    state_.store(FilterState::Stopped);
    return result;
}

HRESULT BaseFilter::Pause()
{
    std::lock_guard<std::mutex> guard(filterLock_);
    HRESULT result = S_OK;
    if (state_.load() == FilterState::Stopped) {
        for (Pin* p : EnumPins()) {
            if (!p->IsConnected())
                continue;
            HRESULT hr = p->Active();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    state_.store(FilterState::Paused);
    return result;
}

HRESULT BaseFilter::Run(REFERENCE_TIME start)
{
    HRESULT hr = S_OK;
    if (state_.load() == FilterState::Stopped)
        hr = Pause();
    runStart_.store(start);
    state_.store(FilterState::Running);
    return hr;
}

HRESULT BaseFilter::GetState(int, FilterState& state)
{
    state = state_.load();
    return S_OK;
}

void BaseFilter::BeginStop()
{
    for (Pin* p : EnumPins())
        p->BeginStop();
}

void BaseFilter::JoinStreamingThreads()
{
    for (Pin* p : EnumPins())
        if (p->Direction() == PinDirection::Output)
            static_cast<OutputPin*>(p)->JoinQueue();
}

HRESULT BaseFilter::SetSyncSource(ReferenceClock* clock)
{
    clock_.store(clock);
    return S_OK;
}

HRESULT BaseFilter::JoinFilterGraph(FilterGraph* graph, const std::string& name)
{
    graph_ = graph;
    name_ = graph ? name : className_;
    return S_OK;
}

void BaseFilter::NotifyEvent(int32_t code, int64_t param1, int64_t param2)
{
    if (graph_)
        graph_->OnFilterEvent(*this, code, param1, param2);
}

void BaseFilter::NotifyCueChanged()
{
    if (graph_)
        graph_->OnCueChanged();
}

} // namespace ds
