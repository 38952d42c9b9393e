#include "platform/filters/AudioRenderer.h"

#include <algorithm>
#include <cstdlib>

#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/DeviceAudioOutput.h"
#include "platform/filters/SilentAudioOutput.h"

namespace ds {

namespace {

constexpr uint16_t kTagPcm = 1;
constexpr uint16_t kTagFloat = 3;
constexpr REFERENCE_TIME kResync = 1000000; // 100 ms: a clock this far off jumps instead of slewing

std::mutex& DefaultFactoryLock()
{
    static std::mutex lock;
    return lock;
}

AudioOutputFactory& DefaultFactory()
{
    static AudioOutputFactory factory; // guarded by DefaultFactoryLock
    return factory;
}

REFERENCE_TIME SystemTime()
{
    return ReferenceClock().GetTime();
}

} // namespace

REFERENCE_TIME AudioClock::GetTime() const
{
    const REFERENCE_TIME now = SystemTime();
    std::lock_guard<std::mutex> guard(lock_);
    last_ = std::max(last_, now + drift_);
    return last_;
}

void AudioClock::Follow(REFERENCE_TIME played)
{
    const REFERENCE_TIME target = played - SystemTime();
    std::lock_guard<std::mutex> guard(lock_);
    // The device reports in steps: slew towards it, unless it is far off (a start or a device change).
    if (std::llabs(target - drift_) > kResync)
        drift_ = target;
    else
        drift_ += (target - drift_) / 16;
}

AudioRenderer::AudioRenderer() : QueuedRenderer(kFriendlyName)
{
}

AudioRenderer::~AudioRenderer()
{
    Input()->Disconnect(); // closes the output while this renderer, its source, is whole
}

void AudioRenderer::SetDefaultOutputFactory(AudioOutputFactory factory)
{
    std::lock_guard<std::mutex> guard(DefaultFactoryLock());
    DefaultFactory() = std::move(factory);
}

bool AudioRenderer::Accepts(const MediaType& mt)
{
    if (mt.majortype != MEDIATYPE_Audio || mt.formattype != FORMAT_WaveFormatEx)
        return false;
    auto wfx = mt.GetWaveFormat();
    if (!wfx || mt.subtype != Guid::FromFourCC(wfx->wFormatTag))
        return false;
    const int bits = wfx->wBitsPerSample;
    const bool pcm = wfx->wFormatTag == kTagPcm && (bits == 8 || bits == 16 || bits == 32);
    const bool real = wfx->wFormatTag == kTagFloat && bits == 32;
    return (pcm || real) && wfx->nChannels >= 1 && wfx->nChannels <= 8 && wfx->nSamplesPerSec >= 1000 &&
           wfx->nSamplesPerSec <= 768000 && wfx->nBlockAlign == wfx->nChannels * bits / 8;
}

HRESULT AudioRenderer::CheckMediaType(const MediaType& mt)
{
    return Accepts(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AudioRenderer::SetMediaType(const MediaType& mt)
{
    if (!Accepts(mt))
        return VFW_E_TYPE_NOT_ACCEPTED;
    format_ = *mt.GetWaveFormat();
    format_.nAvgBytesPerSec = format_.nSamplesPerSec * format_.nBlockAlign; // what plays, whatever the block says
    std::lock_guard<std::mutex> guard(renderLock_);
    ring_.Reset(format_.nAvgBytesPerSec / 2, format_.nAvgBytesPerSec, format_.nBlockAlign);
    return S_OK;
}

std::unique_ptr<AudioOutput> AudioRenderer::MakeOutput(const WaveFormatEx& format)
{
    AudioOutputFactory factory = factory_;
    if (!factory) {
        std::lock_guard<std::mutex> guard(DefaultFactoryLock());
        factory = DefaultFactory();
    }
    std::unique_ptr<AudioOutput> out = factory ? factory() : DeviceAudioOutput::Create();
    if (out && out->Open(format, *this))
        return out;
    // No device, or one that will not open: play silently, paced by the clock, and say nothing.
    out = std::make_unique<SilentAudioOutput>();
    out->Open(format, *this);
    return out;
}

HRESULT AudioRenderer::CompleteConnect(Pin&)
{
    std::unique_ptr<AudioOutput> out = MakeOutput(format_);
    out->SetVolume(volume_);
    std::lock_guard<std::mutex> guard(renderLock_);
    paced_ = !out->IsDevice();
    output_ = std::move(out);
    return S_OK;
}

void AudioRenderer::BreakConnect()
{
    std::unique_ptr<AudioOutput> old;
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        old = std::move(output_);
        ClearStore();
    }
    old.reset(); // joins its thread, which may be waiting for the lock
}

HRESULT AudioRenderer::Run(REFERENCE_TIME start)
{
    HRESULT hr = QueuedRenderer::Run(start);
    if (output_ && !output_->Start()) {
        // The device failed as it started: go on silently.
        std::unique_ptr<AudioOutput> silent = std::make_unique<SilentAudioOutput>();
        silent->Open(format_, *this);
        std::unique_ptr<AudioOutput> old;
        {
            std::lock_guard<std::mutex> guard(renderLock_);
            old = std::move(output_);
            output_ = std::move(silent);
            paced_ = true;
        }
        old.reset();
        output_->Start();
    }
    return hr;
}

HRESULT AudioRenderer::Pause()
{
    if (output_ && state_.load() == FilterState::Running)
        output_->Pause();
    return QueuedRenderer::Pause();
}

HRESULT AudioRenderer::Stop()
{
    if (output_)
        output_->Pause();
    return QueuedRenderer::Stop(); // empties the ring, then the output (AfterDrop)
}

void AudioRenderer::AfterDrop()
{
    if (output_)
        output_->Flush();
}

void AudioRenderer::SetLinearVolume(int volume)
{
    volume_ = std::clamp(volume, 0, 10000) / 10000.0;
    if (output_)
        output_->SetVolume(volume_);
}

ReferenceClock* AudioRenderer::ProvidedClock()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return output_ && !paced_ ? &deviceClock_ : nullptr;
}

std::optional<REFERENCE_TIME> AudioRenderer::PlayedTime() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return played_;
}

size_t AudioRenderer::RingCapacity() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return ring_.Capacity();
}

size_t AudioRenderer::Queued() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return ring_.Size();
}

HRESULT AudioRenderer::Prepare(MediaSample& sample)
{
    return sample.GetActualDataLength() >= std::max<int32_t>(format_.nBlockAlign, 1) ? S_OK : S_FALSE;
}

bool AudioRenderer::StoreSome(MediaSample& sample, int32_t& done)
{
    // Whole blocks only: a stray byte would swap the channels from there on.
    const int32_t length = sample.GetActualDataLength();
    const int32_t total = length - length % std::max<int32_t>(format_.nBlockAlign, 1);
    if (done == 0 && sample.HasTime())
        ring_.Mark(sample.StartTime());
    const size_t n = ring_.Write(sample.GetPointer() + done, static_cast<size_t>(std::max(total - done, 0)));
    done += static_cast<int32_t>(n);
    if (n > 0 && output_)
        output_->Wake();
    return done >= total;
}

void AudioRenderer::ClearStore()
{
    ring_.Clear();
    played_.reset();
}

bool AudioRenderer::PlayedOut() const
{
    return ring_.Size() == 0 && (!output_ || output_->BufferedBytes() == 0);
}

size_t AudioRenderer::ReadAudio(uint8_t* dest, size_t max)
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (state_.load() != FilterState::Running || abort_ || !output_)
        return 0;
    size_t n = std::min(ring_.Size(), max);
    if (ReferenceClock* clock = clock_.load(); paced_ && clock)
        n = std::min(n, ring_.BytesBefore(clock->GetTime() - runStart_.load()));
    n -= n % std::max<uint32_t>(format_.nBlockAlign, 1);
    n = ring_.Read(dest, n);
    if (n > 0) {
        UpdatePlayed();
        changed_.notify_all(); // room for the sender
    }
    CompleteIfPlayedOut(guard);
    return n;
}

void AudioRenderer::Progress()
{
    std::unique_lock<std::mutex> guard(renderLock_);
    if (state_.load() == FilterState::Stopped || abort_ || !output_)
        return;
    UpdatePlayed();
    CompleteIfPlayedOut(guard);
}

void AudioRenderer::UpdatePlayed()
{
    if (ring_.ReadTotal() == 0)
        return; // nothing taken since the start or the seek
    const int64_t buffered = output_ ? output_->BufferedBytes() : 0;
    const int64_t played = std::clamp<int64_t>(ring_.ReadTotal() - buffered, 0, ring_.ReadTotal());
    const REFERENCE_TIME t = ring_.TimeAt(played);
    played_ = t;
    lastPosition_ = Input()->SegmentStart() + t;
    ring_.DropMarksBefore(played);
    if (!paced_ && played > 0 && state_.load() == FilterState::Running)
        deviceClock_.Follow(runStart_.load() + t);
}

void RegisterAudioRendererFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{AudioRenderer::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xE30629D1, 0x27E5, 0x11CE, {0x87, 0x5D, 0x00, 0x60, 0x8C, 0xB7, 0x80, 0x66}},
                                  MERIT_PREFERRED, [] { return std::make_shared<AudioRenderer>(); },
                                  [](const MediaType& mt) { return AudioRenderer::Accepts(mt); }});
}

} // namespace ds
