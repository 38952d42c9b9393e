#include "platform/filters/ParallelTransformFilter.h"

namespace ds {

HRESULT ParallelTransformFilter::EndOfStream()
{
    // The frames still in the workers' hands go out before the end of the stream.
    workers_.Drain();
    return TBCTransformFilter::EndOfStream();
}

HRESULT ParallelTransformFilter::BeginFlush()
{
    workers_.BeginFlush();
    return TBCTransformFilter::BeginFlush();
}

HRESULT ParallelTransformFilter::EndFlush()
{
    workers_.EndFlush();
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart();
    }
    return TBCTransformFilter::EndFlush();
}

HRESULT ParallelTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        workers_.Drain(); // the frames of the segment before go out first
        workers_.Restart();
        Restart();
    }
    return TBCTransformFilter::NewSegment(start, stop, rate);
}

void ParallelTransformFilter::BeginStop()
{
    workers_.BeginStop();
    TBCTransformFilter::BeginStop();
}

void ParallelTransformFilter::JoinStreamingThreads()
{
    workers_.WaitIdle();
    TBCTransformFilter::JoinStreamingThreads();
}

} // namespace ds
