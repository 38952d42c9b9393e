#include "platform/dshow/FilterGraph.h"

#include <algorithm>
#include <cstdio>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/FilterRegistry.h"

namespace ds {

FilterGraph::FilterGraph() = default;

FilterGraph::~FilterGraph()
{
    Stop();
    Clear();
}

FilterRegistry& FilterGraph::Registry()
{
    return registry_ ? *registry_ : FilterRegistry::Instance();
}

HRESULT FilterGraph::AddFilter(const std::shared_ptr<BaseFilter>& filter, const std::string& name)
{
    if (!filter)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (Contains(filter.get()))
        return S_FALSE;
    if (filter->Graph() != nullptr)
        return E_INVALIDARG; // a filter lives in one graph at a time
    std::string base = name.empty() ? filter->ClassName() : name;
    std::string unique = base;
    for (int n = 1; std::find(names_.begin(), names_.end(), unique) != names_.end() && n < 10000; ++n) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, " %04d", n);
        unique = base + suffix;
    }
    filter->JoinFilterGraph(this, unique);
    filter->SetSyncSource(clock_);
    filters_.push_back(filter);
    names_.push_back(unique);
    return unique == base ? S_OK : VFW_S_DUPLICATE_NAME_ADJUSTED;
}

namespace {

// One pin at a time, the list made again after each: a filter may drop pins when one of them is
// disconnected (a splitter its outputs when its input goes).
void DisconnectPins(BaseFilter& filter)
{
    for (int round = 0, again = 1; again && round < 1000; ++round) {
        again = 0;
        for (Pin* p : filter.EnumPins())
            if (p->IsConnected()) {
                p->Disconnect();
                again = 1;
                break;
            }
    }
}

} // namespace

HRESULT FilterGraph::RemoveFilter(BaseFilter* filter)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    auto it = std::find_if(filters_.begin(), filters_.end(), [&](const auto& f) { return f.get() == filter; });
    if (it == filters_.end())
        return S_FALSE;
    std::shared_ptr<BaseFilter> keep = *it; // alive until its pins are disconnected
    if (filter->State() != FilterState::Stopped) {
        filter->BeginStop();
        filter->JoinStreamingThreads();
        filter->Stop();
    }
    DisconnectPins(*filter);
    {
        std::lock_guard<std::mutex> cue(cueLock_);
        renderers_.erase(std::remove(renderers_.begin(), renderers_.end(), filter), renderers_.end());
        completed_.erase(filter);
    }
    // The clock goes with the filter that provides it.
    if (auto* provider = dynamic_cast<ClockProvider*>(filter);
        provider && clock_ && provider->ProvidedClock() == clock_) {
        clockChosen_ = false;
        UseClock(&defaultClock_);
    }
    filter->SetSyncSource(nullptr);
    filter->JoinFilterGraph(nullptr, std::string());
    names_.erase(names_.begin() + (it - filters_.begin()));
    filters_.erase(it);
    return S_OK;
}

std::vector<std::shared_ptr<BaseFilter>> FilterGraph::Filters() const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    return filters_;
}

std::shared_ptr<BaseFilter> FilterGraph::FindFilterByName(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    for (size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name)
            return filters_[i];
    return nullptr;
}

bool FilterGraph::Contains(const BaseFilter* filter) const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    return std::any_of(filters_.begin(), filters_.end(), [&](const auto& f) { return f.get() == filter; });
}

void FilterGraph::DisconnectAll()
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    // A disconnection may take pins away (a splitter drops its outputs with its input), so the
    // pins are enumerated again after each one.
    for (const auto& f : filters_)
        DisconnectPins(*f);
}

void FilterGraph::Clear(const std::function<bool(BaseFilter*)>& keep)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    Stop();
    DisconnectAll();
    position_ = 0; // a new graph will be built: it starts at its beginning
    std::vector<std::shared_ptr<BaseFilter>> all = filters_;
    for (const auto& f : all)
        if (!keep || !keep(f.get()))
            RemoveFilter(f.get());
}

HRESULT FilterGraph::ConnectDirect(Pin* out, Pin* in, const MediaType* mt)
{
    if (!out || !in)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (out->Direction() == PinDirection::Input && in->Direction() == PinDirection::Output)
        std::swap(out, in);
    if (out->Direction() != PinDirection::Output || in->Direction() != PinDirection::Input)
        return VFW_E_INVALID_DIRECTION;
    if (!Contains(&out->Filter()) || !Contains(&in->Filter()))
        return VFW_E_NOT_IN_GRAPH;
    return out->Connect(*in, mt);
}

HRESULT FilterGraph::Disconnect(Pin* pin)
{
    if (!pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    return pin->Disconnect();
}

HRESULT FilterGraph::Reconnect(Pin* pin)
{
    if (!pin)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    Pin* peer = pin->ConnectedTo();
    if (!peer)
        return VFW_E_NOT_CONNECTED;
    if (state_ != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    Pin* out = pin->Direction() == PinDirection::Output ? pin : peer;
    Pin* in = out == pin ? peer : pin;
    MediaType previous = out->CurrentMediaType();
    out->Disconnect();
    // The type may change when a filter's other connection changed: the old one first, then any.
    if (out->Connect(*in, &previous) == S_OK)
        return S_OK;
    return out->Connect(*in, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Control

std::vector<BaseFilter*> FilterGraph::Renderers() const
{
    std::vector<BaseFilter*> out;
    for (const auto& f : filters_) {
        if (!f->IsRenderer())
            continue;
        for (Pin* p : f->EnumPins())
            if (p->Direction() == PinDirection::Input && p->IsConnected()) {
                out.push_back(f.get());
                break;
            }
    }
    return out;
}

std::vector<BaseFilter*> FilterGraph::UpstreamFirstOrder() const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    // By the filters' places in filters_: a graph holds a handful, and every pause and stop asks.
    const size_t count = filters_.size();
    auto place = [&](const BaseFilter& f) {
        size_t i = 0;
        while (i < count && filters_[i].get() != &f)
            ++i;
        return i;
    };
    std::vector<int> pending(count, 0); // connected inputs not yet ordered
    for (size_t i = 0; i < count; ++i)
        for (Pin* p : filters_[i]->EnumPins())
            if (p->Direction() == PinDirection::Input && p->IsConnected() && place(p->ConnectedTo()->Filter()) < count)
                ++pending[i];
    std::vector<size_t> ready; // in the order they became ready
    ready.reserve(count);
    for (size_t i = 0; i < count; ++i)
        if (pending[i] == 0)
            ready.push_back(i);
    std::vector<BaseFilter*> order;
    order.reserve(count);
    for (size_t next = 0; next < ready.size(); ++next) {
        BaseFilter* f = filters_[ready[next]].get();
        order.push_back(f);
        for (Pin* p : f->EnumPins()) {
            if (p->Direction() != PinDirection::Output || !p->IsConnected())
                continue;
            const size_t down = place(p->ConnectedTo()->Filter());
            if (down < count && --pending[down] == 0)
                ready.push_back(down);
        }
    }
    for (const auto& f : filters_) // a cycle cannot be built, but nothing is left out
        if (std::find(order.begin(), order.end(), f.get()) == order.end())
            order.push_back(f.get());
    return order;
}

void FilterGraph::SendDeadBranchEndOfStream()
{
    for (const auto& f : filters_) {
        if (f->IsSource())
            continue;
        bool inputConnected = false, outputConnected = false;
        for (Pin* p : f->EnumPins()) {
            if (!p->IsConnected())
                continue;
            (p->Direction() == PinDirection::Input ? inputConnected : outputConnected) = true;
        }
        if (inputConnected || !outputConnected)
            continue;
        // Nothing will ever flow out of this filter: tell the branch below it so it can complete.
        for (Pin* p : f->EnumPins())
            if (auto* out = dynamic_cast<OutputPin*>(p); out && out->IsConnected())
                out->DeliverEndOfStream();
    }
}

bool FilterGraph::AllCued()
{
    for (BaseFilter* r : renderers_)
        if (!r->IsCued())
            return false;
    return true;
}

void FilterGraph::OnCueChanged()
{
    bool post = false;
    {
        std::lock_guard<std::mutex> guard(cueLock_);
        if (pausePending_ && AllCued()) {
            pausePending_ = false;
            post = true;
        }
        cueChanged_.notify_all();
    }
    if (post)
        events_.Post(GraphEvent{EC_PAUSED, S_OK, 0});
}

void FilterGraph::OnFilterEvent(BaseFilter& sender, int32_t code, int64_t param1, int64_t param2)
{
    if (code == EC_COMPLETE) {
        bool post = false;
        {
            std::lock_guard<std::mutex> guard(cueLock_);
            if (std::find(renderers_.begin(), renderers_.end(), &sender) == renderers_.end())
                return;
            completed_.insert(&sender);
            if (!completeSent_ && completed_.size() >= renderers_.size())
                post = completeSent_ = true;
        }
        if (post)
            events_.Post(GraphEvent{EC_COMPLETE, S_OK, 0});
        return;
    }
    events_.Post(GraphEvent{code, param1, param2});
}

HRESULT FilterGraph::Pause()
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (state_ == FilterState::Paused) {
        std::lock_guard<std::mutex> cue(cueLock_);
        return pausePending_ ? S_FALSE : S_OK;
    }
    std::vector<BaseFilter*> order = UpstreamFirstOrder();
    HRESULT result = S_OK;
    if (state_ == FilterState::Stopped) {
        {
            std::lock_guard<std::mutex> cue(cueLock_);
            renderers_ = Renderers();
            completed_.clear();
            completeSent_ = false;
            pausePending_ = true;
            running_ = false;
        }
        events_.DropCompletions();
        if (!clockChosen_) {
            ReferenceClock* offered = nullptr;
            for (const auto& f : filters_)
                if (auto* provider = dynamic_cast<ClockProvider*>(f.get()); provider && !offered)
                    offered = provider->ProvidedClock();
            UseClock(offered ? offered : &defaultClock_);
        }
        ApplyStartPosition(position_);
        pausedStreamTime_ = 0;
        // Renderers first, sources last: everything downstream is ready when data starts to flow.
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            HRESULT hr = (*it)->Pause();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
        state_ = FilterState::Paused;
        if (FAILED(result)) {
            Stop();
            return result;
        }
        SendDeadBranchEndOfStream();
    } else {
        pausedStreamTime_ = clock_ ? clock_->GetTime() - runStart_ : 0;
        for (auto it = order.rbegin(); it != order.rend(); ++it)
            (*it)->Pause();
        state_ = FilterState::Paused;
        std::lock_guard<std::mutex> cue(cueLock_);
        running_ = false;
        pausePending_ = true;
    }
    OnCueChanged();
    std::lock_guard<std::mutex> cue(cueLock_);
    return pausePending_ ? S_FALSE : S_OK;
}

HRESULT FilterGraph::Run()
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (state_ == FilterState::Running)
        return S_OK;
    if (state_ == FilterState::Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr))
            return hr;
    }
    // Stream time goes on from where a pause left it (0 after a stop or a seek).
    REFERENCE_TIME start = clock_ ? clock_->GetTime() - pausedStreamTime_ : 0;
    runStart_ = start;
    bool noRenderers;
    {
        std::lock_guard<std::mutex> cue(cueLock_);
        pausePending_ = false;
        running_ = true;
        noRenderers = renderers_.empty() && !completeSent_;
        if (noRenderers)
            completeSent_ = true;
        cueChanged_.notify_all();
    }
    std::vector<BaseFilter*> order = UpstreamFirstOrder();
    HRESULT result = S_OK;
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        HRESULT hr = (*it)->Run(start);
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    state_ = FilterState::Running;
    if (noRenderers)
        events_.Post(GraphEvent{EC_COMPLETE, S_OK, 0});
    return result;
}

HRESULT FilterGraph::Stop()
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (state_ == FilterState::Stopped)
        return S_OK;
    REFERENCE_TIME position = 0;
    if (SUCCEEDED(CurrentMediaPosition(position)))
        position_ = position;
    // 1. wake every streaming thread blocked in a filter; 2. join the threads; 3. stop the filters
    // from the sources down, so a filter writing through the file writer finds it still open.
    for (const auto& f : filters_)
        f->BeginStop();
    for (const auto& f : filters_)
        f->JoinStreamingThreads();
    HRESULT result = S_OK;
    for (BaseFilter* f : UpstreamFirstOrder()) {
        HRESULT hr = f->Stop();
        if (FAILED(hr) && SUCCEEDED(result))
            result = hr;
    }
    state_ = FilterState::Stopped;
    {
        std::lock_guard<std::mutex> cue(cueLock_);
        pausePending_ = false;
        running_ = false;
        cueChanged_.notify_all();
    }
    return result;
}

HRESULT FilterGraph::GetState(int timeoutMs, FilterState& state)
{
    {
        std::lock_guard<std::recursive_mutex> guard(controlLock_);
        state = state_;
    }
    if (state != FilterState::Paused)
        return S_OK;
    std::unique_lock<std::mutex> cue(cueLock_);
    if (!cueChanged_.wait_for(cue, std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs),
                              [this] { return !pausePending_; }))
        return VFW_S_STATE_INTERMEDIATE;
    return S_OK;
}

FilterState FilterGraph::State() const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    return state_;
}

HRESULT FilterGraph::SetSyncSource(ReferenceClock* clock)
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    clockChosen_ = true;
    UseClock(clock);
    return S_OK;
}

void FilterGraph::UseClock(ReferenceClock* clock)
{
    clock_ = clock;
    for (const auto& f : filters_)
        f->SetSyncSource(clock);
}

ReferenceClock* FilterGraph::GetSyncSource() const
{
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    return clock_;
}

} // namespace ds
