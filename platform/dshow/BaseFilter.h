#pragma once
// The base of every filter: pins by index, state (stopped, paused, running), graph membership,
// the reference clock and event notification.
//
// A filter lists its pins through GetPinCount/GetPin; the order is a contract that graph builders
// rely on, and a filter may add pins when a connection completes (callers enumerate again).
// The graph drives the state: Pause (from Stopped: pins Active, streaming starts), Run, and a stop
// in three steps: BeginStop on every filter (wake blocked streaming threads), JoinStreamingThreads,
// then Stop from the sources downstream.
// Other interfaces (seeking, file sink, file source) are found with QueryFilter (dynamic_cast).
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/GraphEvents.h"
#include "platform/dshow/Pin.h"
#include "platform/dshow/ReferenceClock.h"
#include "platform/dshow/Result.h"

namespace ds {

class FilterGraph;

enum class FilterState { Stopped, Paused, Running };

class BaseFilter {
public:
    explicit BaseFilter(std::string className);
    BaseFilter(const BaseFilter&) = delete;
    BaseFilter& operator=(const BaseFilter&) = delete;
    virtual ~BaseFilter();

    // The class's own name ("Null Renderer"); Name() is the name given in the graph.
    const std::string& ClassName() const { return className_; }

    // Pins, addressed by index.
    virtual int GetPinCount() = 0;
    virtual Pin* GetPin(int index) = 0; // borrowed; null past the end
    std::vector<Pin*> EnumPins();
    Pin* FindPin(const std::string& name);
    bool HasInputPins();
    bool HasOutputPins();

    // State.
    virtual HRESULT Stop();
    virtual HRESULT Pause();
    virtual HRESULT Run(REFERENCE_TIME start);
    // The state; renderers answer VFW_S_STATE_INTERMEDIATE while a pause has not completed.
    virtual HRESULT GetState(int timeoutMs, FilterState& state);
    FilterState State() const { return state_.load(); }
    virtual void BeginStop(); // default: BeginStop on every pin
    // Joins the threads of the filter's own (default: its output queues'), once BeginStop woke them.
    virtual void JoinStreamingThreads();

    // Roles in the graph. A renderer ends a stream (completion and pause wait for it); a source
    // produces data with no input.
    virtual bool IsRenderer() { return HasInputPins() && !HasOutputPins(); }
    virtual bool IsSource() { return !HasInputPins(); }
    // A renderer is cued when it holds a sample or its stream ended: the pause is then complete.
    virtual bool IsCued() { return true; }

    virtual HRESULT SetSyncSource(ReferenceClock* clock); // null: run unclocked
    ReferenceClock* SyncSource() const { return clock_.load(); }
    REFERENCE_TIME RunStartTime() const { return runStart_.load(); }

    // Graph membership (called by the graph).
    virtual HRESULT JoinFilterGraph(FilterGraph* graph, const std::string& name);
    FilterGraph* Graph() const { return graph_; }
    const std::string& Name() const { return name_; }

    // Raises a graph event from any thread; nothing happens outside a graph.
    void NotifyEvent(int32_t code, int64_t param1 = 0, int64_t param2 = 0);
    // Renderers call this when their cued state changes so a pending pause can complete.
    void NotifyCueChanged();

protected:
    mutable std::mutex filterLock_; // guards state changes (Stop/Pause/Run)
    std::atomic<FilterState> state_{FilterState::Stopped};
    std::atomic<ReferenceClock*> clock_{nullptr};
    std::atomic<REFERENCE_TIME> runStart_{0};

private:
    bool HasPin(PinDirection direction);

    std::string className_;
    std::string name_;
    FilterGraph* graph_ = nullptr; // set by the graph on the controlling thread
};

template <class I> I* QueryFilter(BaseFilter* filter)
{
    return dynamic_cast<I*>(filter);
}

} // namespace ds
