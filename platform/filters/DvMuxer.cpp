#include "platform/filters/DvMuxer.h"

#include <algorithm>
#include <cstring>

#include "platform/dshow/FilterRegistry.h"
#include "platform/rtl/ByteOrder.h"

namespace ds {
namespace {

constexpr size_t kAudioAhead = 2 * 1944; // sound gathered ahead of the video: two frames' worth

} // namespace

DvMuxerInputPin::DvMuxerInputPin(DvMuxer& muxer, std::string name, int audioIndex)
    : InputPin(muxer, std::move(name)), muxer_(muxer), audioIndex_(audioIndex)
{
}

HRESULT DvMuxerInputPin::CheckMediaType(const MediaType& mt)
{
    return muxer_.CheckInput(*this, mt);
}

HRESULT DvMuxerInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    if (SUCCEEDED(hr))
        muxer_.OnInputConnected(*this);
    return hr;
}

void DvMuxerInputPin::StartRun(int slot)
{
    slot_ = slot;
    dvs_.Reset();
}

HRESULT DvMuxerInputPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (slot_ < 0)
        return S_FALSE;
    if (audioIndex_ < 0 && !dvs_.Whole(static_cast<size_t>(sample->GetActualDataLength()))) {
        muxer_.CountDropped();
        return S_OK;
    }
    return muxer_.Push(*this, sample);
}

HRESULT DvMuxerInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return slot_ < 0 ? S_OK : muxer_.EndOfInput(*this);
}

HRESULT DvMuxerInputPin::BeginFlush()
{
    InputPin::BeginFlush();
    muxer_.Flush(true);
    return S_OK;
}

HRESULT DvMuxerInputPin::EndFlush()
{
    muxer_.Flush(false);
    return InputPin::EndFlush();
}

// The output's frames are the video input's: so is its segment.
HRESULT DvMuxerInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    InputPin::NewSegment(start, stop, rate);
    if (audioIndex_ < 0)
        muxer_.NewVideoSegment(start, stop, rate);
    return S_OK;
}

DvMuxerOutputPin::DvMuxerOutputPin(DvMuxer& muxer) : OutputPin(muxer, "DV Out"), muxer_(muxer)
{
}

HRESULT DvMuxerOutputPin::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Interleaved && mt.subtype == MEDIASUBTYPE_dvsd ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvMuxerOutputPin::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = muxer_.OutputType();
    return S_OK;
}

HRESULT DvMuxerOutputPin::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    return allocator.Require(request, 8, static_cast<int32_t>(formats::kPalFrameSize));
}

DvMuxer::DvMuxer()
    : BaseFilter(kFriendlyName), video_(*this, "Video Input", -1), output_(*this),
      queue_([this](const std::vector<MultiInputQueue::Input>& in) { return Pick(in); },
             [this](int slot, const SamplePtr& s) { return Process(slot, s); })
{
    audio_.push_back(std::make_unique<DvMuxerInputPin>(*this, "Audio Input 1", 0));
}

DvMuxer::~DvMuxer()
{
    output_.Disconnect();
    video_.Disconnect();
    for (auto& a : audio_)
        a->Disconnect();
}

int DvMuxer::GetPinCount()
{
    return 2 + static_cast<int>(audio_.size());
}

Pin* DvMuxer::GetPin(int index)
{
    const int audios = static_cast<int>(audio_.size());
    if (index == 0)
        return &video_;
    if (index >= 1 && index <= audios)
        return audio_[static_cast<size_t>(index - 1)].get();
    return index == audios + 1 ? &output_ : nullptr;
}

bool DvMuxer::Pal() const
{
    const MediaType& mt = video_.CurrentMediaType();
    if (auto vih = mt.GetVideoInfo())
        return std::abs(vih->bmiHeader.biHeight) != 480 && vih->AvgTimePerFrame != 333667;
    if (auto info = mt.GetDvInfo())
        return info->Is625Lines();
    return true;
}

int DvMuxer::SampleRate() const
{
    if (!audio_[0]->IsConnected())
        return 0;
    auto wfx = audio_[0]->CurrentMediaType().GetWaveFormat();
    return wfx ? static_cast<int>(wfx->nSamplesPerSec) : 0;
}

int DvMuxer::Pairs() const
{
    int pairs = 0;
    for (auto& a : audio_)
        if (a->IsConnected())
            ++pairs;
    return pairs;
}

HRESULT DvMuxer::CheckInput(const DvMuxerInputPin& pin, const MediaType& mt)
{
    if (pin.AudioIndex() < 0)
        return CarriesDvFrames(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    auto wfx = mt.GetWaveFormat();
    if (mt.majortype != MEDIATYPE_Audio || !wfx || wfx->wFormatTag != 1 || wfx->nChannels != 2 ||
        wfx->wBitsPerSample != 16)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const uint32_t rate = wfx->nSamplesPerSec;
    if (rate != 48000 && rate != 44100 && rate != 32000)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // A second pair exists only as four-channel 12-bit sound at 32 kHz.
    if (pin.AudioIndex() == 1 && (rate != 32000 || SampleRate() != 32000))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

void DvMuxer::OnInputConnected(const DvMuxerInputPin& pin)
{
    if (pin.AudioIndex() == 0 && audio_.size() == 1)
        audio_.push_back(std::make_unique<DvMuxerInputPin>(*this, "Audio Input 2", 1));
}

MediaType DvMuxer::OutputType() const
{
    const bool pal = Pal();
    const int rate = SampleRate();
    const int pairs = Pairs();
    DvInfo info;
    info.dwDVAAuxSrc = info.dwDVAAuxCtl = info.dwDVAAuxSrc1 = info.dwDVAAuxCtl1 = 0xFFFFFFFFu;
    if (rate > 0) {
        const formats::DvAudioFormat format{rate, pairs == 2 ? 12 : 16, pairs, false};
        const int count = formats::DvLockedSampleCount(pal, rate, 0);
        info.dwDVAAuxSrc = rtl::GetLE32(formats::DvAudioSourcePack(pal, format, count, 0).data());
        info.dwDVAAuxCtl = rtl::GetLE32(formats::DvAudioControlPack().data());
        if (pairs == 2) {
            info.dwDVAAuxSrc1 = rtl::GetLE32(formats::DvAudioSourcePack(pal, format, count, 1).data());
            info.dwDVAAuxCtl1 = info.dwDVAAuxCtl;
        }
    }
    // VAUX source pack: the 50/60 flag is bit 5 of PC3, bit 21 of the word.
    info.dwDVVAuxSrc = 0xFF00FFFFu | (0xC0u | (pal ? 0x20u : 0u)) << 16;
    info.dwDVVAuxCtl = 0xFFFFFFFFu;
    return MediaType::Interleaved(MEDIASUBTYPE_dvsd, info);
}

HRESULT DvMuxer::Pause()
{
    if (State() == FilterState::Stopped) {
        video_.StartRun(video_.IsConnected() ? 0 : -1);
        int slots = video_.IsConnected() ? 1 : 0;
        slotPair_.assign(1, -1);
        for (auto& a : audio_) {
            a->StartRun(a->IsConnected() && slots > 0 ? slots++ : -1);
            if (a->Slot() >= 0)
                slotPair_.push_back(a->AudioIndex());
        }
        fifo_.assign(static_cast<size_t>(std::max(slots - 1, 0)), Fifo{});
        queue_.Reset(slots, 8);
        frameIndex_ = 0;
        videoGone_ = false;
        endSent_.store(false);
        dropped_.store(0);
    }
    return BaseFilter::Pause();
}

void DvMuxer::BeginStop()
{
    queue_.Unblock();
    BaseFilter::BeginStop();
}

int DvMuxer::NeededFor(const MediaSample& frame, formats::DvAudioFormat& format) const
{
    const int rate = SampleRate();
    const int pairs = static_cast<int>(fifo_.size());
    const std::span<const uint8_t> bytes(frame.GetPointer(), static_cast<size_t>(frame.GetActualDataLength()));
    const int sequences = formats::DvSequenceCount(bytes.size());
    const bool pal = sequences ? sequences == 12 : Pal();
    format = formats::DvAudioFormat{rate, pairs == 2 ? 12 : 16, std::max(pairs, 1), false};
    if (rate == 0)
        return 0;
    formats::DvAudioInfo info;
    if (sequences && formats::ReadDvAudioInfo(bytes, info) && info.format.sampleRate == rate) {
        formats::DvAudioFormat own = format;
        if (pairs < 2 && info.format.bits == 12)
            own.bits = 12;
        own.locked = info.format.locked;
        if (formats::DvSampleCountFits(pal, own, info.samples)) {
            format = own;
            return info.samples;
        }
    }
    return formats::DvLockedSampleCount(pal, rate, frameIndex_);
}

int DvMuxer::Pick(const std::vector<MultiInputQueue::Input>& inputs)
{
    if (inputs.empty())
        return -1;
    videoGone_ = inputs[0].ended && inputs[0].queue.empty();
    for (size_t s = 1; s < inputs.size(); ++s)
        if (!inputs[s].queue.empty() && (videoGone_ || fifo_[s - 1].Frames() < kAudioAhead))
            return static_cast<int>(s);
    if (inputs[0].queue.empty())
        return -1;
    formats::DvAudioFormat format;
    const size_t need = static_cast<size_t>(NeededFor(*inputs[0].queue.front(), format));
    for (size_t s = 1; s < inputs.size(); ++s)
        if (fifo_[s - 1].Frames() < need && !(inputs[s].ended && inputs[s].queue.empty()))
            return -1;
    return 0;
}

HRESULT DvMuxer::Process(int slot, const SamplePtr& sample)
{
    if (slot == 0) {
        HRESULT hr = MuxFrame(sample);
        ++frameIndex_;
        return FAILED(hr) ? hr : S_OK;
    }
    if (videoGone_)
        return S_OK;
    Fifo& f = fifo_[static_cast<size_t>(slot - 1)];
    if (f.read > 0 && f.read * 2 >= f.pcm.size()) {
        f.pcm.erase(f.pcm.begin(), f.pcm.begin() + static_cast<std::ptrdiff_t>(f.read));
        f.read = 0;
    }
    const auto* p = reinterpret_cast<const int16_t*>(sample->GetPointer());
    f.pcm.insert(f.pcm.end(), p, p + sample->GetActualDataLength() / 4 * 2);
    return S_OK;
}

HRESULT DvMuxer::MuxFrame(const SamplePtr& frame)
{
    SamplePtr out;
    HRESULT hr = output_.GetDeliveryBuffer(out);
    if (FAILED(hr) || !out)
        return FAILED(hr) ? hr : E_FAIL;
    const int32_t size = std::min(frame->GetActualDataLength(), out->GetSize());
    std::memcpy(out->GetPointer(), frame->GetPointer(), static_cast<size_t>(size));
    out->SetActualDataLength(size);
    out->CopyPropertiesFrom(*frame);
    out->SetMediaType(nullptr);
    if (!fifo_.empty() && formats::DvSequenceCount(static_cast<size_t>(size)) > 0) {
        formats::DvAudioFormat format;
        const int need = NeededFor(*frame, format);
        const int16_t* pcm[2] = {nullptr, nullptr};
        silence_.assign(static_cast<size_t>(need) * 4, 0);
        for (size_t p = 0; p < fifo_.size() && p < 2; ++p) {
            Fifo& f = fifo_[p];
            if (f.Frames() >= static_cast<size_t>(need)) {
                pcm[p] = f.pcm.data() + f.read;
                f.read += static_cast<size_t>(need) * 2;
            } else {
                // The sound ended before the pictures: what is left, then silence.
                int16_t* to = silence_.data() + p * static_cast<size_t>(need) * 2;
                std::copy(f.pcm.begin() + static_cast<std::ptrdiff_t>(f.read), f.pcm.end(), to);
                f.read = f.pcm.size();
                pcm[p] = to;
            }
        }
        formats::EncodeDvAudio(std::span<uint8_t>(out->GetPointer(), static_cast<size_t>(size)), format, need, pcm[0],
                               pcm[1]);
    }
    hr = output_.Deliver(out);
    return hr;
}

HRESULT DvMuxer::Push(DvMuxerInputPin& pin, const SamplePtr& sample)
{
    HRESULT hr = queue_.Push(pin.Slot(), sample);
    MaybeEnd();
    return hr;
}

HRESULT DvMuxer::EndOfInput(DvMuxerInputPin& pin)
{
    queue_.EndOfStream(pin.Slot());
    MaybeEnd();
    return S_OK;
}

void DvMuxer::MaybeEnd()
{
    // The video input's end, once its last frame has gone out, whichever thread sent that.
    if (video_.Slot() == 0 && queue_.InputDone(0) && !endSent_.exchange(true))
        output_.DeliverEndOfStream();
}

void DvMuxer::NewVideoSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (output_.IsConnected())
        output_.DeliverNewSegment(start, stop, rate);
}

// A flush (a seek) starts the stream again: sound gathered for frames before it is dropped.
void DvMuxer::Flush(bool begin)
{
    if (begin) {
        if (queue_.BeginFlush())
            output_.DeliverBeginFlush();
        return;
    }
    const bool last = queue_.EndFlush([this] {
        for (Fifo& f : fifo_)
            f = Fifo{};
        frameIndex_ = 0;
        videoGone_ = false;
        endSent_.store(false); // the stream starts again: it will end again
        dropped_.store(0);
    });
    if (last)
        output_.DeliverEndFlush();
}

void RegisterDvMuxerFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvMuxer::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x129D7E40, 0xC10D, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<DvMuxer>(); }, nullptr});
}

} // namespace ds
