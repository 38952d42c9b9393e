#pragma once
// "Audio Renderer": plays PCM (8, 16 or 32-bit integer, or 32-bit float; 1 to 8 channels) through
// an AudioOutput. Pins: [In].
//
// Samples go into a ring of about half a second without holding the sender; the output pulls
// from it on its own thread. Paused, the first sample cues the renderer and more are taken until
// the ring is full; a flush empties the ring and the output; EC_COMPLETE comes once the sound
// queued before the end of stream has played. The output is chosen at connection: the device
// when there is one that opens, else a silent output that consumes at the graph clock's pace,
// without a word. With a device, the renderer offers the graph a clock that follows the sound
// played and never goes back. Volume: linear 0..10000, as the graph component sets it.
#include <mutex>

#include "platform/dshow/GraphComponents.h"
#include "platform/filters/AudioOutput.h"
#include "platform/filters/AudioRing.h"
#include "platform/filters/QueuedRenderer.h"

namespace ds {

class FilterRegistry;

// Follows the sound a device has played: system time plus a drift that the played position
// pulls along. Never goes back; runs on at the system's pace while nothing plays.
class AudioClock : public ReferenceClock {
public:
    REFERENCE_TIME GetTime() const override;
    // The device has played up to clock time `played` (run start + stream time played).
    void Follow(REFERENCE_TIME played);

private:
    mutable std::mutex lock_; // guards the fields below
    REFERENCE_TIME drift_ = 0;
    mutable REFERENCE_TIME last_ = 0;
};

class AudioRenderer : public QueuedRenderer, public AudioVolume, public ClockProvider, public AudioSource {
public:
    static constexpr const char* kFriendlyName = "Audio Renderer";
    AudioRenderer();
    ~AudioRenderer() override;

    // Where outputs come from: this renderer's (before its connection), or every new renderer's.
    // The default tries the device, then falls back to the silent output.
    void SetOutputFactory(AudioOutputFactory factory) { factory_ = std::move(factory); }
    static void SetDefaultOutputFactory(AudioOutputFactory factory);

    static bool Accepts(const MediaType& mt);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT SetMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override; // opens the output
    void BreakConnect() override;                // closes it
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT Pause() override;
    HRESULT Stop() override;

    void SetLinearVolume(int volume) override; // 0..10000
    ReferenceClock* ProvidedClock() override;

    // For tests and diagnostics.
    AudioOutput* Output() const { return output_.get(); } // controlling thread
    // Stream time of the sound played since the last start or seek (none before any).
    std::optional<REFERENCE_TIME> PlayedTime() const;
    size_t RingCapacity() const;
    size_t Queued() const;

    // AudioSource (called by the output's thread).
    size_t ReadAudio(uint8_t* dest, size_t max) override;
    void Progress() override;

protected:
    HRESULT Prepare(MediaSample& sample) override;
    bool StoreSome(MediaSample& sample, int32_t& done) override;
    void ClearStore() override;
    bool PlayedOut() const override;
    void AfterDrop() override;

private:
    std::unique_ptr<AudioOutput> MakeOutput(const WaveFormatEx& format);
    void UpdatePlayed(); // renderLock_ held

    AudioOutputFactory factory_;
    std::unique_ptr<AudioOutput> output_;  // set and reset on the controlling thread, under renderLock_
    bool paced_ = true;                    // renderLock_: the output takes only what the clock says is due
    WaveFormatEx format_;                  // set while stopped
    AudioRing ring_;                       // renderLock_
    std::optional<REFERENCE_TIME> played_; // renderLock_
    double volume_ = 1.0;                  // controlling thread
    AudioClock deviceClock_;
};

void RegisterAudioRendererFilter(FilterRegistry& registry);

} // namespace ds
