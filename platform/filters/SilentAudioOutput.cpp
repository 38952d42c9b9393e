#include "platform/filters/SilentAudioOutput.h"

#include <chrono>

namespace ds {

SilentAudioOutput::~SilentAudioOutput()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        quit_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

bool SilentAudioOutput::Open(const WaveFormatEx&, AudioSource& source)
{
    if (thread_.joinable())
        return false;
    source_ = &source;
    thread_ = std::thread([this] { Loop(); });
    return true;
}

bool SilentAudioOutput::Start()
{
    std::lock_guard<std::mutex> guard(lock_);
    playing_ = true;
    wake_.notify_all();
    return true;
}

void SilentAudioOutput::Pause()
{
    std::lock_guard<std::mutex> guard(lock_);
    playing_ = false;
}

void SilentAudioOutput::Wake()
{
    std::lock_guard<std::mutex> guard(lock_);
    woken_ = true;
    wake_.notify_all();
}

void SilentAudioOutput::Loop()
{
    std::unique_lock<std::mutex> guard(lock_);
    while (!quit_) {
        if (!playing_) {
            wake_.wait(guard);
            continue;
        }
        woken_ = false;
        guard.unlock();
        // The source says what is due; the lock is not held, so the renderer may call in meanwhile.
        while (source_->ReadAudio(nullptr, size_t{1} << 20) > 0) {
        }
        source_->Progress();
        guard.lock();
        // The clock moves on by itself: look again shortly, or as soon as new sound comes.
        if (!woken_ && !quit_)
            wake_.wait_for(guard, std::chrono::milliseconds(10));
    }
}

} // namespace ds
