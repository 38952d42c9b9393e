#pragma once
// The sound device as an audio output: a QAudioSink in pull mode, living on a thread of its own
// with an event loop, reading the renderer's ring through a QIODevice. Made only where there is
// an application object (the sink needs an event loop) and a default output device.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/filters/AudioOutput.h"

class QAudioSink;
class QIODevice;
class QObject;
class QThread;
class QTimer;

namespace ds {

class DeviceAudioOutput : public AudioOutput {
public:
    // Null when there is no application object or no output device.
    static std::unique_ptr<AudioOutput> Create();
    ~DeviceAudioOutput() override;

    bool Open(const WaveFormatEx& format, AudioSource& source) override;
    bool IsDevice() const override { return true; }
    bool Start() override;
    void Pause() override;
    void Flush() override;
    void SetVolume(double volume) override;
    int64_t BufferedBytes() const override { return buffered_.load(); }

private:
    DeviceAudioOutput();
    void OnDeviceThread(std::function<void()> command); // runs it there and waits for it
    void RunCommands();                                 // device thread
    void Tick();                                        // device thread: what the device has played

    std::unique_ptr<QThread> thread_;
    QObject* context_ = nullptr; // lives on thread_; owns the sink, the reader and the timers
    QTimer* wake_ = nullptr;     // started from any thread (by name) to run the commands
    std::mutex commandLock_;     // guards the two fields below
    std::condition_variable commandsDone_;
    std::deque<std::function<void()>> commands_;
    uint64_t done_ = 0, posted_ = 0;
    QAudioSink* sink_ = nullptr; // device thread
    QIODevice* reader_ = nullptr;
    QTimer* tick_ = nullptr;
    AudioSource* source_ = nullptr;
    uint32_t bytesPerSecond_ = 1;
    uint32_t blockAlign_ = 1;
    bool started_ = false;             // device thread: the sink was started since the last flush
    std::atomic<int64_t> pulled_{0};   // bytes the sink took since it was last started
    std::atomic<int64_t> buffered_{0}; // of those, not yet played
};

} // namespace ds
