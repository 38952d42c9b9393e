// Intelligent connect: Render and RenderStream. Every helper leaves the graph as it found it when
// it fails, so a failed attempt needs no clean-up by its caller.
#include <algorithm>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterRegistry.h"

namespace ds {

namespace {

constexpr int kMaxDepth = 6; // filters inserted in a row before giving up

std::vector<Pin*> FreePins(BaseFilter& f, PinDirection direction)
{
    std::vector<Pin*> out;
    for (Pin* p : f.EnumPins())
        if (p->Direction() == direction && !p->IsConnected())
            out.push_back(p);
    return out;
}

bool HasPins(BaseFilter& f, PinDirection direction)
{
    for (Pin* p : f.EnumPins())
        if (p->Direction() == direction)
            return true;
    return false;
}

bool HasConnections(BaseFilter& f)
{
    for (Pin* p : f.EnumPins())
        if (p->IsConnected())
            return true;
    return false;
}

} // namespace

HRESULT FilterGraph::ConnectToFilter(Pin* out, BaseFilter* target)
{
    if (&out->Filter() == target)
        return VFW_E_CANNOT_CONNECT;
    for (Pin* in : FreePins(*target, PinDirection::Input))
        if (out->Connect(*in, nullptr) == S_OK)
            return S_OK;
    return VFW_E_CANNOT_CONNECT;
}

// Connects `out` into `target` and renders whatever the target now offers downstream.
HRESULT FilterGraph::ConnectVia(Pin* out, BaseFilter* target, int depth,
                                std::vector<std::shared_ptr<BaseFilter>>& added)
{
    if (FAILED(ConnectToFilter(out, target)))
        return VFW_E_CANNOT_CONNECT;
    if (!HasPins(*target, PinDirection::Output))
        return S_OK; // a renderer
    std::vector<Pin*> outs = FreePins(*target, PinDirection::Output);
    size_t total = 0;
    for (Pin* p : target->EnumPins())
        if (p->Direction() == PinDirection::Output)
            ++total;
    // Outputs connected already (a muxer feeding a writer): the stream has joined a path.
    if (outs.empty() || outs.size() < total)
        return S_OK;
    size_t mark = added.size();
    bool any = false;
    // Only the outputs there now: a filter that adds a pin per connection (a tee) is not followed.
    for (Pin* o : outs)
        if (SUCCEEDED(RenderPin(o, depth + 1, added)))
            any = true;
    if (any)
        return S_OK;
    out->Disconnect();
    while (added.size() > mark) {
        RemoveFilter(added.back().get());
        added.pop_back();
    }
    return VFW_E_CANNOT_RENDER;
}

HRESULT FilterGraph::RenderPin(Pin* out, int depth, std::vector<std::shared_ptr<BaseFilter>>& added)
{
    if (depth > kMaxDepth)
        return VFW_E_CANNOT_RENDER;
    for (const auto& f : Filters()) {
        if (f.get() == &out->Filter() || FreePins(*f, PinDirection::Input).empty())
            continue;
        if (SUCCEEDED(ConnectVia(out, f.get(), depth, added)))
            return S_OK;
    }
    const bool rendered = TryRegistryFilters(out, [&](const std::shared_ptr<BaseFilter>& f) {
        added.push_back(f);
        if (SUCCEEDED(ConnectVia(out, f.get(), depth, added)))
            return true;
        added.erase(std::find(added.begin(), added.end(), f));
        return false;
    });
    return rendered ? S_OK : VFW_E_CANNOT_RENDER;
}

bool FilterGraph::TryRegistryFilters(Pin* out, const std::function<bool(const std::shared_ptr<BaseFilter>&)>& attempt)
{
    std::vector<FilterEntryPtr> tried;
    for (const MediaType& mt : out->EnumMediaTypes()) {
        for (const FilterEntryPtr& entry : Registry().CandidatesFor(mt)) {
            if (std::find(tried.begin(), tried.end(), entry) != tried.end())
                continue;
            tried.push_back(entry);
            std::shared_ptr<BaseFilter> f = entry->create();
            if (!f || FAILED(AddFilter(f, entry->friendlyName)))
                continue;
            if (attempt(f))
                return true;
            RemoveFilter(f.get());
        }
    }
    return false;
}

HRESULT FilterGraph::Render(Pin* out)
{
    if (!out)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (out->Direction() != PinDirection::Output)
        return VFW_E_INVALID_DIRECTION;
    if (out->IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!Contains(&out->Filter()))
        return VFW_E_NOT_IN_GRAPH;
    if (state_ != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    std::vector<std::shared_ptr<BaseFilter>> added;
    return RenderPin(out, 0, added);
}

void FilterGraph::RollBack(std::vector<std::shared_ptr<BaseFilter>>& added,
                           const std::vector<std::pair<Pin*, Pin*>>& before)
{
    for (auto it = added.rbegin(); it != added.rend(); ++it)
        RemoveFilter(it->get());
    added.clear();
    // Connections made between filters that were already there.
    for (const auto& f : Filters())
        for (Pin* p : f->EnumPins()) {
            if (p->Direction() != PinDirection::Output || !p->IsConnected())
                continue;
            std::pair<Pin*, Pin*> link{p, p->ConnectedTo()};
            if (std::find(before.begin(), before.end(), link) == before.end())
                p->Disconnect();
        }
}

HRESULT FilterGraph::RenderStream(const Guid*, const Guid* majorType, Pin* source, BaseFilter* intermediate,
                                  BaseFilter* sink)
{
    if (!source)
        return E_POINTER;
    std::lock_guard<std::recursive_mutex> guard(controlLock_);
    if (source->Direction() != PinDirection::Output)
        return VFW_E_INVALID_DIRECTION;
    if (source->IsConnected())
        return VFW_E_ALREADY_CONNECTED;
    if (!Contains(&source->Filter()))
        return VFW_E_NOT_IN_GRAPH;
    if ((intermediate && !Contains(intermediate)) || (sink && !Contains(sink)))
        return VFW_E_NOT_IN_GRAPH;
    if (state_ != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    if (majorType && !majorType->IsNull()) {
        std::vector<MediaType> types = source->EnumMediaTypes();
        bool offered =
            std::any_of(types.begin(), types.end(), [&](const MediaType& mt) { return mt.majortype == *majorType; });
        if (!offered)
            return VFW_E_CANNOT_CONNECT;
    }

    std::vector<std::pair<Pin*, Pin*>> before;
    for (const auto& f : Filters())
        for (Pin* p : f->EnumPins())
            if (p->Direction() == PinDirection::Output && p->IsConnected())
                before.emplace_back(p, p->ConnectedTo());
    std::vector<std::shared_ptr<BaseFilter>> added;

    // Connects `out` to `target`, directly or through filters standing free in the graph, then
    // through registry filters.
    std::function<HRESULT(Pin*, BaseFilter*, int)> reach = [&](Pin* out, BaseFilter* target, int depth) -> HRESULT {
        if (SUCCEEDED(ConnectToFilter(out, target)))
            return S_OK;
        if (depth >= kMaxDepth)
            return VFW_E_CANNOT_CONNECT;
        auto through = [&](BaseFilter* f) -> HRESULT {
            if (FAILED(ConnectToFilter(out, f)))
                return VFW_E_CANNOT_CONNECT;
            for (Pin* o : FreePins(*f, PinDirection::Output))
                if (SUCCEEDED(reach(o, target, depth + 1)))
                    return S_OK;
            out->Disconnect();
            return VFW_E_CANNOT_CONNECT;
        };
        for (const auto& f : Filters()) {
            // Only filters nothing else uses yet may be borrowed as converters.
            if (f.get() == target || f.get() == &out->Filter() || HasConnections(*f) ||
                !HasPins(*f, PinDirection::Output))
                continue;
            if (SUCCEEDED(through(f.get())))
                return S_OK;
        }
        const bool reached = TryRegistryFilters(out, [&](const std::shared_ptr<BaseFilter>& f) {
            if (FAILED(through(f.get())))
                return false;
            added.push_back(f);
            return true;
        });
        return reached ? S_OK : VFW_E_CANNOT_CONNECT;
    };

    HRESULT hr = S_OK;
    if (intermediate) {
        hr = reach(source, intermediate, 0);
        if (SUCCEEDED(hr)) {
            std::vector<Pin*> outs = FreePins(*intermediate, PinDirection::Output);
            hr = outs.empty() ? VFW_E_CANNOT_CONNECT
                              : (sink ? reach(outs.front(), sink, 0) : RenderPin(outs.front(), 0, added));
        }
    } else if (sink) {
        hr = reach(source, sink, 0);
    } else {
        hr = RenderPin(source, 0, added);
    }
    if (FAILED(hr))
        RollBack(added, before);
    return FAILED(hr) ? hr : S_OK;
}

} // namespace ds
