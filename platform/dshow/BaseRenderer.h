#pragma once
// BaseRenderer: a filter with one input pin that ends a stream.
//
// While paused it holds the first sample it receives (the streaming thread waits in Receive) and
// is then "cued", which completes the graph's pause; at Run it renders the held sample and goes
// on. Running with a clock it waits until each sample's presentation time (run start + start
// time); unclocked (SetSyncSource(nullptr)) it never waits. At end of stream while running it
// raises EC_COMPLETE once (an end of stream met while paused counts as cued and completes at Run).
// Stop and flushing release a held or waiting sample at once.
//
// A derived renderer overrides CheckMediaType and DoRenderSample; OnReceiveFirstSample (a sample
// held in pause, e.g. to show a still), OnStartStreaming/OnStopStreaming are optional. A derived
// constructor may install its own input pin (derived from RendererInputPin) with SetInputPin.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/dshow/BaseFilter.h"

namespace ds {

class BaseRenderer;

class RendererInputPin : public InputPin {
public:
    RendererInputPin(BaseRenderer& renderer, std::string name);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT SetMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    void BeginStop() override;

protected:
    BaseRenderer& renderer_;
};

class BaseRenderer : public BaseFilter {
public:
    explicit BaseRenderer(std::string className);
    ~BaseRenderer() override;

    int GetPinCount() override { return 1; }
    Pin* GetPin(int index) override;
    RendererInputPin* Input();

    // Hooks.
    virtual HRESULT CheckMediaType(const MediaType& mt) = 0;
    virtual HRESULT DoRenderSample(MediaSample& sample) = 0;
    virtual HRESULT SetMediaType(const MediaType&) { return S_OK; }
    virtual HRESULT CompleteConnect(Pin&) { return S_OK; }
    virtual void BreakConnect() {}
    virtual void OnReceiveFirstSample(MediaSample&) {}
    virtual HRESULT OnStartStreaming() { return S_OK; }
    virtual HRESULT OnStopStreaming() { return S_OK; }
    virtual void OnEndOfStream() {}
    // A flush has ended and the stream starts again; called with renderLock_ held.
    virtual void OnEndFlush() {}

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(int timeoutMs, FilterState& state) override;
    bool IsRenderer() override { return true; }
    bool IsCued() override;

    // Whether the sample times it receives are media times (a file writer's are byte offsets).
    virtual bool ReportsPosition() const { return true; }
    // Whether a running renderer waits for each sample's time (a sound device paces itself).
    virtual bool WaitsForClock() const { return true; }
    // Stream position of the last sample received: segment start + its start time.
    std::optional<REFERENCE_TIME> LastPosition() const;
    bool ReachedEndOfStream() const;
    uint64_t RenderedCount() const;

    // Called by the input pin.
    HRESULT ReceiveSample(const SamplePtr& sample);
    HRESULT EndOfStreamReached();
    void BeginFlushing();
    void EndFlushing();
    void Unblock();

protected:
    void SetInputPin(std::unique_ptr<RendererInputPin> pin) { input_ = std::move(pin); }
    // With renderLock_ held in `guard`: while paused, counts as cued and waits until running
    // (true) or stopped, stopping or flushed (false). For derived renderers that hold a call in
    // pause, as the file writer holds its byte stream.
    bool WaitUntilRunning(std::unique_lock<std::mutex>& guard);

    mutable std::mutex renderLock_; // guards the fields below
    std::condition_variable changed_;
    SamplePtr held_;
    bool cued_ = false;
    bool endOfStream_ = false;
    bool completeSent_ = false;
    bool abort_ = false;
    std::optional<REFERENCE_TIME> lastPosition_;
    uint64_t rendered_ = 0;

private:
    std::unique_ptr<RendererInputPin> input_;
};

} // namespace ds
