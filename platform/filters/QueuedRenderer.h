#pragma once
// QueuedRenderer: a renderer that takes samples into a bounded store of its own (about half a
// second) instead of holding the sender until each sample's time, and plays the store from a
// thread of its own (a presenter, a sound output).
//
// So one streaming thread that delivers a frame's picture and then its sound (a type-1 DV stream
// through the DV Splitter) runs ahead of both renderers: the sender waits only while a store is
// full. Paused, the first sample stored cues the renderer and more are taken until the store is
// full. An end of stream is played out before it counts: EC_COMPLETE once the store is empty.
// Flushing and stopping empty the store.
//
// A derived renderer stores samples (StoreSome), plays them on its own thread, and calls
// CompleteIfPlayedOut when it took the last of them.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/dshow/BaseRenderer.h"

namespace ds {

class QueuedRenderer;

class QueuedRendererPin : public RendererInputPin {
public:
    explicit QueuedRendererPin(QueuedRenderer& renderer);
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;

private:
    QueuedRenderer& queued_;
};

class QueuedRenderer : public BaseRenderer {
public:
    HRESULT DoRenderSample(MediaSample&) override { return S_OK; } // samples go to the store instead
    HRESULT Stop() override;

    // Called by the input pin on the streaming thread.
    HRESULT QueueSample(const SamplePtr& sample);
    HRESULT QueueEndOfStream();
    void DropQueued(); // a flush begins

protected:
    explicit QueuedRenderer(std::string className);

    // Hooks. Prepare runs on the streaming thread without the lock; S_FALSE drops the sample.
    virtual HRESULT Prepare(MediaSample&) { return S_OK; }
    // With renderLock_ held. StoreSome stores what fits of `sample` from byte `done` on, advances
    // `done`, and says whether the whole sample is stored.
    virtual bool StoreSome(MediaSample& sample, int32_t& done) = 0;
    virtual void ClearStore() = 0;
    // Whether everything stored has been played (a sound device may still hold some).
    virtual bool PlayedOut() const = 0;
    // The first sample of a pause is stored (a video renderer shows it now).
    virtual void OnCued() {}
    // Without the lock, after a flush or a stop emptied the store (a sound output drops its own).
    virtual void AfterDrop() {}

    // With renderLock_ held in `guard`: when an end of stream was received and everything before
    // it has played, the stream has ended (EC_COMPLETE when running). Returns whether it ended;
    // the lock is let go for the notifications meanwhile.
    bool CompleteIfPlayedOut(std::unique_lock<std::mutex>& guard);
    // Lets go of the lock in `guard` to tell the graph (cue changed, EC_COMPLETE); Stop waits for
    // such calls to end, so no notification outlives the filter's stop.
    void NotifyUnlocked(std::unique_lock<std::mutex>& guard, bool cueChanged, bool complete);

    bool endPending_ = false; // renderLock_: an end of stream waits behind stored samples
    uint64_t generation_ = 0; // renderLock_: counts flushes and stops, so a sender notices one

private:
    int callingOut_ = 0; // renderLock_: notifications under way without the lock
};

} // namespace ds
