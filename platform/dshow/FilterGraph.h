#pragma once
// The filter graph manager: holds filters under names, connects their pins, drives their state,
// answers seeking for the whole graph and collects events.
//
//   FilterGraph g;
//   g.AddFilter(source, "source"); g.AddFilter(renderer, "render");
//   g.ConnectDirect(source->GetPin(0), renderer->GetPin(0));
//   g.SetSyncSource(nullptr);                      // unclocked: as fast as the filters go
//   g.Run(); int32_t ev = g.WaitForCompletion(-1);  // EC_COMPLETE or EC_ERRORABORT
//   g.Stop();
//
// State: Pause (from Stopped) pauses the filters renderers first and completes when every renderer
// is cued or at end of stream (then EC_PAUSED); GetState answers VFW_S_STATE_INTERMEDIATE until
// then. Run goes through Pause. Stop wakes every blocked streaming thread, joins the threads and
// stops the filters from the sources downstream, so a filter upstream of the file writer can
// still write through it while it stops; the writer closes last. At a start from Stopped, a filter
// that is not a source, with connected outputs but no connected input, sends end of stream down
// its outputs: a dead branch never stalls completion. EC_COMPLETE comes once every renderer has
// reached its end of stream.
// Control calls come from one thread at a time (any thread); events come from streaming threads.
// Filters are shared: a module may keep its own filter and add it to successive graphs.
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/GraphEvents.h"
#include "platform/dshow/MediaSeeking.h"
#include "platform/dshow/ReferenceClock.h"

namespace ds {

class FilterRegistry;

class FilterGraph : public MediaSeeking {
public:
    FilterGraph();
    FilterGraph(const FilterGraph&) = delete;
    FilterGraph& operator=(const FilterGraph&) = delete;
    ~FilterGraph() override; // stops, disconnects and removes every filter

    // Membership. A name already used gets " 0001", " 0002"... appended.
    HRESULT AddFilter(const std::shared_ptr<BaseFilter>& filter, const std::string& name);
    HRESULT RemoveFilter(BaseFilter* filter); // disconnects its pins first; S_FALSE when not in the graph
    std::vector<std::shared_ptr<BaseFilter>> Filters() const; // in the order added
    std::shared_ptr<BaseFilter> FindFilterByName(const std::string& name) const;
    bool Contains(const BaseFilter* filter) const;
    // Breaks every connection and removes every filter for which `keep` is false (all when null).
    void Clear(const std::function<bool(BaseFilter*)>& keep = nullptr);

    // Connections. ConnectDirect and Connect both join exactly these two pins (output, input; the
    // order is corrected when swapped) with an optional partial type; no filter is inserted.
    HRESULT ConnectDirect(Pin* out, Pin* in, const MediaType* mt = nullptr);
    HRESULT Connect(Pin* out, Pin* in, const MediaType* partial = nullptr) { return ConnectDirect(out, in, partial); }
    HRESULT Disconnect(Pin* pin); // both sides; S_FALSE when not connected
    HRESULT Reconnect(Pin* pin);  // breaks the pin's connection and makes it again
    void DisconnectAll();

    // Intelligent connect. Render takes an unconnected output to a renderer through filters already
    // in the graph first, then registry filters, recursively; whatever it added is taken out again
    // when it fails. RenderStream connects `source` (a pin, optionally matched on a major type) to
    // `sink` through `intermediate` when given, inserting filters as needed.
    HRESULT Render(Pin* out);
    HRESULT RenderStream(const Guid* category, const Guid* majorType, Pin* source, BaseFilter* intermediate,
                         BaseFilter* sink);
    void SetRegistry(FilterRegistry* registry) { registry_ = registry; } // default: FilterRegistry::Instance()

    // Control.
    HRESULT Run();
    HRESULT Pause(); // S_FALSE while the pause has not completed
    HRESULT Stop();
    HRESULT GetState(int timeoutMs, FilterState& state);
    FilterState State() const;

    // Clock: unless one was set here, a pause from stopped takes the clock a filter offers
    // (ClockProvider), else the graph's own. Null runs the graph unclocked.
    HRESULT SetSyncSource(ReferenceClock* clock);
    ReferenceClock* GetSyncSource() const;
    ReferenceClock& DefaultClock() { return defaultClock_; }

    // Seeking for the whole graph: the answers come from the seeking interfaces found upstream of
    // every renderer (the first pin or filter that has one); the duration is the longest.
    // SetPositions is passed to each of them once, also at every start (with the position
    // remembered at the last stop or seek).
    HRESULT IsFormatSupported(const Guid& format) override;
    HRESULT SetTimeFormat(const Guid& format) override;
    HRESULT GetDuration(int64_t& duration) override;
    HRESULT GetCurrentPosition(int64_t& position) override;
    HRESULT GetStopPosition(int64_t& stop) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) override;
    HRESULT ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                              const Guid* sourceFormat) override;
    // Frame length of the video or interleaved stream upstream of the renderers (0 when none known),
    // as a fraction of 100 ns units: frames = time * den / num.
    bool FrameRate(int64_t& num, int64_t& den) const;

    // Events.
    EventSink& Events() { return events_; }
    int32_t WaitForCompletion(int timeoutMs, int64_t* param1 = nullptr)
    {
        return events_.WaitForCompletion(timeoutMs, param1);
    }

    // Called by filters (any thread).
    void OnFilterEvent(BaseFilter& sender, int32_t code, int64_t param1, int64_t param2);
    void OnCueChanged();

    // Filters in upstream-first order (sources first), for stopping.
    std::vector<BaseFilter*> UpstreamFirstOrder() const;

private:
    struct Seeker {
        MediaSeeking* seeking;
        BaseFilter* owner;
    };
    std::vector<Seeker> EndpointSeekers() const;
    std::vector<BaseFilter*> Renderers() const;
    void SendDeadBranchEndOfStream();
    void ArmPause();
    bool AllCued();
    HRESULT ApplyStartPosition(REFERENCE_TIME position);
    HRESULT CurrentMediaPosition(REFERENCE_TIME& position);
    void UseClock(ReferenceClock* clock);
    HRESULT ToMediaTime(int64_t value, REFERENCE_TIME& out) const;
    HRESULT FromMediaTime(REFERENCE_TIME value, int64_t& out) const;
    // Intelligent connect helpers (FilterGraphRender.cpp).
    HRESULT RenderPin(Pin* out, int depth, std::vector<std::shared_ptr<BaseFilter>>& added);
    HRESULT ConnectVia(Pin* out, BaseFilter* target, int depth, std::vector<std::shared_ptr<BaseFilter>>& added);
    HRESULT ConnectToFilter(Pin* out, BaseFilter* target);
    void RollBack(std::vector<std::shared_ptr<BaseFilter>>& added, const std::vector<std::pair<Pin*, Pin*>>& before);
    // Each registry filter that may take a type `out` offers, tried once: added to the graph, kept
    // when `attempt` succeeds (true), else removed again.
    bool TryRegistryFilters(Pin* out, const std::function<bool(const std::shared_ptr<BaseFilter>&)>& attempt);
    FilterRegistry& Registry();

    mutable std::recursive_mutex controlLock_; // guards filters_, names_, state_, position_, clock_, clockChosen_
    std::vector<std::shared_ptr<BaseFilter>> filters_;
    std::vector<std::string> names_;
    FilterState state_ = FilterState::Stopped;
    REFERENCE_TIME position_ = 0;         // remembered at Stop and by a seek while stopped (media time)
    REFERENCE_TIME runStart_ = 0;         // clock time of stream time 0 while running
    REFERENCE_TIME pausedStreamTime_ = 0; // stream time reached when the run was paused
    ReferenceClock defaultClock_;
    ReferenceClock* clock_ = &defaultClock_;
    bool clockChosen_ = false; // SetSyncSource was called: no filter's clock replaces it
    FilterRegistry* registry_ = nullptr;

    std::mutex cueLock_; // guards the fields below; taken by streaming threads
    std::condition_variable cueChanged_;
    std::vector<BaseFilter*> renderers_;    // snapshot taken at Pause from Stopped
    std::set<const BaseFilter*> completed_; // renderers that raised EC_COMPLETE this run
    bool pausePending_ = false;
    bool completeSent_ = false;
    bool running_ = false;

    EventSink events_;
};

} // namespace ds
