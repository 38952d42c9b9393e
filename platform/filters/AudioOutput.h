#pragma once
// Where the "Audio Renderer" sends its sound: a device (Qt Multimedia), a silent output that
// consumes at the graph clock's pace, or a test double. An output pulls from an AudioSource (the
// renderer's ring) on a thread of its own; the renderer drives it from the controlling thread,
// never holding its own lock while it does.
#include <functional>
#include <memory>

#include "platform/dshow/FormatBlocks.h"

namespace ds {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Takes up to `max` bytes (whole blocks) of what may play now; null `dest` discards them.
    // Never blocks; 0 when nothing is due.
    virtual size_t ReadAudio(uint8_t* dest, size_t max) = 0;
    // The output played some of what it took: position, clock and end of stream follow.
    virtual void Progress() = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default; // stops pulling and lets go of the device
    // Ready to play this PCM format from `source`; false when it cannot (no device, refused format).
    virtual bool Open(const WaveFormatEx& format, AudioSource& source) = 0;
    // A device plays at its own pace and can be the graph's clock; any other output is paced by
    // the source, which hands it only what is due by the clock.
    virtual bool IsDevice() const = 0;
    virtual bool Start() = 0;                  // play: pull from the source (false: the device failed)
    virtual void Pause() = 0;                  // stop pulling, keep what is held
    virtual void Flush() = 0;                  // drop what is held
    virtual void SetVolume(double volume) = 0; // linear, 0 silence .. 1 full
    // Bytes taken from the source and not yet played. Called with the renderer's lock held.
    virtual int64_t BufferedBytes() const = 0;
    // The source has new sound; called with the renderer's lock held, so it must not wait.
    virtual void Wake() {}
};

using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

} // namespace ds
