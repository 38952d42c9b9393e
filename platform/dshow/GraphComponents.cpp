#include "platform/dshow/GraphComponents.h"

#include <algorithm>

#include "platform/threads/GuiCall.h"

namespace ds {

GraphComponent::GraphComponent() : handlers_(std::make_shared<Handlers>())
{
}

GraphComponent::~GraphComponent()
{
    Deactivate();
    for (FilterComponent* c : std::vector<FilterComponent*>(linked_))
        c->SetFilterGraph(nullptr);
}

void GraphComponent::Activate()
{
    if (graph_)
        Deactivate();
    graph_ = std::make_unique<FilterGraph>();
    InstallListener();
    for (FilterComponent* c : linked_)
        c->OnGraphCreated();
    ApplyVolume();
}

void GraphComponent::Deactivate()
{
    if (!graph_)
        return;
    graph_->Stop();
    graph_->Events().SetListener(nullptr);
    for (FilterComponent* c : linked_)
        c->OnGraphDestroyed();
    graph_.reset();
}

void GraphComponent::InstallListener()
{
    std::weak_ptr<Handlers> weak = handlers_;
    graph_->Events().SetListener([weak](const GraphEvent& e) {
        // Raised on a streaming or control thread; handled on the GUI thread. An event no handler
        // takes is not sent there: the probe's graph pauses at every stream of every listed file.
        if (std::shared_ptr<Handlers> h = weak.lock(); !h || !h->Takes(e.code))
            return;
        threads::PostToGui([weak, e] {
            std::shared_ptr<Handlers> h = weak.lock();
            if (!h)
                return;
            std::function<void()> specific;
            std::function<void(const GraphEvent&)> any;
            {
                std::lock_guard<std::mutex> guard(h->lock);
                if (e.code == EC_PAUSED)
                    specific = h->paused;
                if (e.code == EC_COMPLETE)
                    specific = h->complete;
                any = h->any;
            }
            if (specific)
                specific();
            if (any)
                any(e);
        });
    });
}

HRESULT GraphComponent::Run()
{
    return graph_ ? graph_->Run() : E_UNEXPECTED;
}
HRESULT GraphComponent::Pause()
{
    return graph_ ? graph_->Pause() : E_UNEXPECTED;
}
HRESULT GraphComponent::Stop()
{
    return graph_ ? graph_->Stop() : S_OK;
}

FilterState GraphComponent::State(int timeoutMs) const
{
    if (!graph_)
        return FilterState::Stopped;
    FilterState state = FilterState::Stopped;
    graph_->GetState(timeoutMs, state);
    return state;
}

void GraphComponent::ClearGraph()
{
    if (!graph_)
        return;
    graph_->Clear([this](BaseFilter* f) { return Holds(f); });
}

void GraphComponent::SetLinearVolume(int volume)
{
    volume_ = std::clamp(volume, 0, 10000);
    ApplyVolume();
}

void GraphComponent::ApplyVolume()
{
    if (!graph_)
        return;
    for (const auto& f : graph_->Filters())
        if (auto* v = QueryFilter<AudioVolume>(f.get()))
            v->SetLinearVolume(volume_);
}

bool GraphComponent::Handlers::Takes(int32_t code)
{
    std::lock_guard<std::mutex> guard(lock);
    return any || (code == EC_PAUSED && paused) || (code == EC_COMPLETE && complete);
}

void GraphComponent::SetOnGraphPaused(std::function<void()> handler)
{
    std::lock_guard<std::mutex> guard(handlers_->lock);
    handlers_->paused = std::move(handler);
}

void GraphComponent::SetOnGraphComplete(std::function<void()> handler)
{
    std::lock_guard<std::mutex> guard(handlers_->lock);
    handlers_->complete = std::move(handler);
}

void GraphComponent::SetOnGraphEvent(std::function<void(const GraphEvent&)> handler)
{
    std::lock_guard<std::mutex> guard(handlers_->lock);
    handlers_->any = std::move(handler);
}

void GraphComponent::Link(FilterComponent* component)
{
    if (std::find(linked_.begin(), linked_.end(), component) == linked_.end())
        linked_.push_back(component);
}

void GraphComponent::Unlink(FilterComponent* component)
{
    linked_.erase(std::remove(linked_.begin(), linked_.end(), component), linked_.end());
}

bool GraphComponent::Holds(const BaseFilter* filter) const
{
    return std::any_of(linked_.begin(), linked_.end(), [&](FilterComponent* c) { return c->Filter().get() == filter; });
}

FilterComponent::~FilterComponent()
{
    SetFilterGraph(nullptr);
}

HRESULT FilterComponent::SetFilterGraph(GraphComponent* graph)
{
    if (graph_ && graph_ != graph) {
        OnGraphDestroyed();
        graph_->Unlink(this);
        graph_ = nullptr;
    }
    if (!graph)
        return S_OK;
    graph_ = graph;
    graph->Link(this);
    OnGraphCreated();
    return filter_ || !graph->Active() ? S_OK : E_FAIL;
}

void FilterComponent::OnGraphCreated()
{
    if (!graph_ || !graph_->Active() || !entry_ || !entry_->create)
        return;
    if (filter_ && graph_->Graph()->Contains(filter_.get()))
        return;
    OnGraphDestroyed();
    std::shared_ptr<BaseFilter> filter = entry_->create();
    if (!filter || FAILED(graph_->Graph()->AddFilter(filter, entry_->friendlyName)))
        return;
    filter_ = std::move(filter);
}

void FilterComponent::OnGraphDestroyed()
{
    if (!filter_)
        return;
    if (graph_ && graph_->Graph())
        graph_->Graph()->RemoveFilter(filter_.get());
    filter_.reset();
}

bool SelectDeviceByName(const std::string& friendlyName, FilterComponent& component)
{
    FilterEntryPtr entry = FilterRegistry::Instance().Find(friendlyName, CLSID_LegacyAmFilterCategory);
    if (!entry)
        return false;
    component.SetEntry(entry);
    return true;
}

bool SelectCategoryDevice(const Guid& category, const std::string& friendlyName, FilterComponent& component)
{
    component.SetFilterGraph(nullptr);
    FilterEntryPtr entry = FilterRegistry::Instance().Find(friendlyName, category);
    if (!entry)
        return false;
    component.SetEntry(entry);
    return true;
}

} // namespace ds
