#pragma once
// ParallelTransformFilter: a transform filter whose samples may be worked on side by side by
// threads of its own (OrderedWorkers) and handed on in their order. What the stream's events do
// to the frames in the workers' hands: the end of the stream and a new segment wait until every
// one is out, then go on; a flush drops them and starts a new stream (Restart); a stop wakes the
// workers and waits until they let go. A derived filter starts `workers_` in StartStreaming,
// stops it in StopStreaming and drops its jobs' data there and in Restart.
#include "platform/dshow/TransformFilter.h"
#include "platform/filters/OrderedWorkers.h"

namespace ds {

class ParallelTransformFilter : public TBCTransformFilter {
public:
    using TBCTransformFilter::TBCTransformFilter;

    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    void BeginStop() override;
    void JoinStreamingThreads() override;

protected:
    // A new stream (after a flush, at a new segment): called under the receive lock with no job
    // in the workers' hands.
    virtual void Restart() = 0;

    OrderedWorkers workers_;
};

} // namespace ds
