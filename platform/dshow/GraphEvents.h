#pragma once
// Graph events and the thread-safe sink that collects them.
//
// Filters raise events with BaseFilter::NotifyEvent on any thread; the graph turns renderer
// completions into one EC_COMPLETE and passes EC_ERRORABORT and EC_PAUSED on to its EventSink.
// Any thread may wait on the sink: WaitForCompletion returns on EC_COMPLETE or EC_ERRORABORT.
// A listener set with SetListener is called on the thread that raised the event (the graph
// component reposts it to the GUI thread).
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/dshow/Result.h"

namespace ds {

enum EventCode : int32_t {
    EC_NONE = 0,
    EC_COMPLETE = 0x01,
    EC_USERABORT = 0x02,
    EC_ERRORABORT = 0x03,
    EC_REPAINT = 0x05,
    EC_PAUSED = 0x0E,
    EC_STREAM_ERROR_STOPPED = 0x06,
};

struct GraphEvent {
    int32_t code = EC_NONE;
    int64_t param1 = 0; // EC_ERRORABORT: the failing HRESULT; EC_PAUSED: the HRESULT of the pause
    int64_t param2 = 0;
};

class EventSink {
public:
    using Listener = std::function<void(const GraphEvent&)>;

    void Post(const GraphEvent& event);
    // Takes the oldest event; false when none arrives within `timeoutMs` (negative: wait forever).
    bool GetEvent(GraphEvent& event, int timeoutMs);
    // Waits for EC_COMPLETE or EC_ERRORABORT (consuming events until then). Returns the event code,
    // or EC_NONE on time-out. Negative time-out: wait forever.
    int32_t WaitForCompletion(int timeoutMs, int64_t* param1 = nullptr);
    void Clear();
    // Drops the completions (EC_COMPLETE, EC_ERRORABORT, EC_USERABORT) nobody took: a new run
    // must not end a wait with the last run's.
    void DropCompletions();
    void SetListener(Listener listener);
    // Codes the graph handles itself (EC_REPAINT) are dropped until the application cancels that
    // handling (IMediaEvent::CancelDefaultHandling); then they reach the queue and the listener.
    void CancelDefaultHandling(int32_t code);
    void RestoreDefaultHandling(int32_t code);

    static constexpr size_t kMaxQueued = 1024;

private:
    std::mutex lock_; // guards everything below
    std::condition_variable arrived_;
    std::deque<GraphEvent> events_;
    Listener listener_;
    uint64_t defaultHandled_ = uint64_t{1} << EC_REPAINT; // bit per event code below 64
};

} // namespace ds
