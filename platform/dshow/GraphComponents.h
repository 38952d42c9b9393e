#pragma once
// Stand-ins for the component set around the graph manager.
//
// GraphComponent: Activate makes a new, empty graph (and puts into it the filter of every linked
// FilterComponent), Deactivate destroys it. Run, Pause, Stop, State, ClearGraph (every connection
// broken, every filter no FilterComponent holds removed), a linear volume 0..10000, and the
// graph's Paused and Complete notifications delivered on the GUI thread (threads::PostToGui).
//
// FilterComponent: holds a registry entry (the "moniker"); given a graph component it creates a
// fresh instance of its filter and adds it to the active graph; given none it takes it out.
//
// SelectDeviceByName / SelectCategoryDevice bind a FilterComponent to a registry entry by its
// friendly name, as the device enumerator did.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterRegistry.h"

namespace ds {

class FilterComponent;

// The audio renderer's volume, on the linear scale of the component (0 silence, 10000 full).
class AudioVolume {
public:
    virtual ~AudioVolume() = default;
    virtual void SetLinearVolume(int volume) = 0;
};

class GraphComponent {
public:
    GraphComponent();
    GraphComponent(const GraphComponent&) = delete;
    GraphComponent& operator=(const GraphComponent&) = delete;
    ~GraphComponent();

    void Activate();   // a new graph (the old one, if any, is destroyed first)
    void Deactivate(); // stops and destroys the graph
    bool Active() const { return graph_ != nullptr; }
    FilterGraph* Graph() const { return graph_.get(); } // borrowed; null when inactive

    HRESULT Run();
    HRESULT Pause();
    HRESULT Stop();
    FilterState State(int timeoutMs = 0) const;
    void ClearGraph();
    void SetLinearVolume(int volume); // 0..10000, clamped; applied at once and to later graphs
    int LinearVolume() const { return volume_; }

    // Notifications on the GUI thread. They survive Activate/Deactivate.
    void SetOnGraphPaused(std::function<void()> handler);
    void SetOnGraphComplete(std::function<void()> handler);
    void SetOnGraphEvent(std::function<void(const GraphEvent&)> handler); // every event

    // Called by FilterComponent.
    void Link(FilterComponent* component);
    void Unlink(FilterComponent* component);
    bool Holds(const BaseFilter* filter) const;

private:
    void InstallListener();
    void ApplyVolume();

    std::unique_ptr<FilterGraph> graph_;
    std::vector<FilterComponent*> linked_; // borrowed; a component unlinks itself when destroyed
    int volume_ = 10000;
    // Handlers are shared with queued GUI calls, which may run after a Deactivate.
    struct Handlers {
        std::mutex lock; // guards the three handlers
        std::function<void()> paused;
        std::function<void()> complete;
        std::function<void(const GraphEvent&)> any;
        bool Takes(int32_t code); // a handler is set for events of this code
    };
    std::shared_ptr<Handlers> handlers_;
};

class FilterComponent {
public:
    FilterComponent() = default;
    explicit FilterComponent(FilterEntryPtr entry) : entry_(std::move(entry)) {}
    FilterComponent(const FilterComponent&) = delete;
    FilterComponent& operator=(const FilterComponent&) = delete;
    ~FilterComponent();

    // The moniker: which registry entry the component makes its filter from.
    void SetEntry(FilterEntryPtr entry) { entry_ = std::move(entry); }
    const FilterEntryPtr& Entry() const { return entry_; }

    // Given a graph component: a fresh filter is created and added to its graph (when active).
    // Given null: the filter is taken out of the graph and dropped.
    HRESULT SetFilterGraph(GraphComponent* graph);
    GraphComponent* FilterGraphComponent() const { return graph_; }
    std::shared_ptr<BaseFilter> Filter() const { return filter_; }
    Pin* GetPin(int index) const { return filter_ ? filter_->GetPin(index) : nullptr; }
    std::vector<Pin*> Pins() const { return filter_ ? filter_->EnumPins() : std::vector<Pin*>(); }

    // Called by GraphComponent when its graph is made or destroyed.
    void OnGraphCreated();
    void OnGraphDestroyed();

private:
    FilterEntryPtr entry_;
    GraphComponent* graph_ = nullptr; // borrowed
    std::shared_ptr<BaseFilter> filter_;
};

// Binds `component` to the filter of that friendly name in the legacy filter category.
bool SelectDeviceByName(const std::string& friendlyName, FilterComponent& component);
// Takes `component` out of its graph, then binds it to the filter of that name in `category`
// (CLSID_LegacyAmFilterCategory, CLSID_VideoCompressorCategory). False and no change when absent.
bool SelectCategoryDevice(const Guid& category, const std::string& friendlyName, FilterComponent& component);

} // namespace ds
