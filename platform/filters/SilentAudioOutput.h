#pragma once
// The output of an audio renderer without a sound device: a thread that takes from the source
// whatever is due (the source hands out sound only as the graph's clock reaches it) and drops it.
// So a graph with sound plays, pauses and completes the same with or without a device.
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/filters/AudioOutput.h"

namespace ds {

class SilentAudioOutput : public AudioOutput {
public:
    SilentAudioOutput() = default;
    ~SilentAudioOutput() override;

    bool Open(const WaveFormatEx& format, AudioSource& source) override;
    bool IsDevice() const override { return false; }
    bool Start() override;
    void Pause() override;
    void Flush() override {}
    void SetVolume(double) override {}
    int64_t BufferedBytes() const override { return 0; }
    void Wake() override;

private:
    void Loop();

    AudioSource* source_ = nullptr; // set by Open, before the thread starts
    std::mutex lock_;               // guards the fields below
    std::condition_variable wake_;
    bool playing_ = false;
    bool woken_ = false;
    bool quit_ = false;
    std::thread thread_;
};

} // namespace ds
