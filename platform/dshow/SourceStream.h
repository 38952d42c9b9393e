#pragma once
// Push sources: BaseSource is a filter whose output pins (SourceStream) each run a streaming
// thread from pause until stop, filling samples and delivering them downstream.
//
// A derived stream overrides CheckMediaType, GetMediaType, DecideBufferSize and FillBuffer:
// S_OK delivers the sample, S_FALSE ends the stream (end of stream is delivered), a failure code
// raises EC_ERRORABORT and ends the stream. Sample times start from zero at every start or seek;
// StreamStart() is the media time the stream was started at.
//
// Seeking: a stream answers MediaSeeking in media time through Duration(); SetPositions while
// streaming restarts every stream of the filter at the new start together: all are flushed
// downstream, all threads stop, each gets OnSeek(start), and all start again with a NewSegment.
// So a muxer fed by several streams sees one flush of all its inputs, never one input restarted
// while another still delivers the old position. The graph calls every seeking interface it finds
// upstream of its renderers once: per stream here (each call restarts them all again).
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaSeeking.h"
#include "platform/threads/PooledThread.h"

namespace ds {

class BaseSource;

class SourceStream : public OutputPin, public MediaSeeking {
public:
    SourceStream(BaseSource& filter, std::string name);
    ~SourceStream() override;

    // Hooks.
    HRESULT CheckMediaType(const MediaType& mt) override = 0;
    HRESULT GetMediaType(int position, MediaType& mt) override = 0;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override = 0;
    virtual HRESULT FillBuffer(MediaSample& sample) = 0;
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    virtual void OnSeek(REFERENCE_TIME) {}
    // Stream length in media time; E_NOTIMPL when unknown.
    virtual HRESULT Duration(REFERENCE_TIME&) { return E_NOTIMPL; }

    HRESULT Active() override;   // starts the thread
    HRESULT Inactive() override; // stops and joins it
    void BeginStop() override;
    void JoinThread();

    // MediaSeeking (media time).
    HRESULT GetDuration(int64_t& duration) override;
    HRESULT GetCurrentPosition(int64_t& position) override;
    HRESULT GetStopPosition(int64_t& stop) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) override;

    REFERENCE_TIME StreamStart() const { return start_.load(); }
    REFERENCE_TIME StreamStop() const { return stop_.load(); } // max when not set
    bool IsRunning() const { return thread_.joinable(); }

protected:
    // Position of the last delivered sample (segment start + its start time), for progress.
    std::atomic<REFERENCE_TIME> current_{0};
    std::atomic<bool> stopRequested_{false};

private:
    friend class BaseSource;
    void ThreadProc();
    void StartThread();
    void StopThread();
    bool Streaming();
    void MoveTo(REFERENCE_TIME start); // start_, current_ and OnSeek

    std::atomic<REFERENCE_TIME> start_{0};
    std::atomic<REFERENCE_TIME> stop_{INT64_MAX};
    std::mutex threadLock_; // guards thread_ start/stop
    threads::PooledThread thread_;
};

class BaseSource : public BaseFilter {
public:
    explicit BaseSource(std::string className);
    ~BaseSource() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;
    void JoinStreamingThreads() override;
    bool IsSource() override { return true; }

protected:
    // Streams are added by the derived filter (constructor or when its input connects).
    SourceStream* AddStream(std::unique_ptr<SourceStream> stream);
    void RemoveStreams();
    // While streaming: every stream starts again at media time `start` (see SourceStream).
    void RestartStreams(REFERENCE_TIME start);
    friend class SourceStream;
    std::vector<std::unique_ptr<SourceStream>> streams_; // changed only while stopped
};

} // namespace ds
