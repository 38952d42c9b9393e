#include "platform/filters/AviMux.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "formats/AviRecords.h"
#include "platform/dshow/ByteStream.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/rtl/ByteOrder.h"

namespace ds {
namespace {

// The writer core's positional writes, as seeks and writes on the downstream byte stream.
class PinByteStream : public formats::AviByteStream {
public:
    explicit PinByteStream(ByteStream& out) : out_(out) {}
    bool WriteAt(int64_t offset, const void* data, size_t size) override
    {
        if (FAILED(out_.Seek(offset, SeekOrigin::Set, nullptr)))
            return false;
        const auto* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            const uint32_t n = static_cast<uint32_t>(std::min<size_t>(size, 1u << 30));
            uint32_t written = 0;
            if (FAILED(out_.Write(p, n, &written)) || written != n)
                return false;
            p += n;
            size -= n;
        }
        return true;
    }

private:
    ByteStream& out_;
};

// Frame duration in 100 ns as strh scale/rate; the NTSC rates as their exact fractions.
void FrameRate(int64_t avgTimePerFrame, uint32_t& scale, uint32_t& rate)
{
    if (std::abs(avgTimePerFrame * 3 - 1001000) <= 3) {
        scale = 1001;
        rate = 30000;
        return;
    }
    if (std::abs(avgTimePerFrame * 12 - 5005000) <= 12) {
        scale = 1001;
        rate = 24000;
        return;
    }
    if (avgTimePerFrame <= 0) {
        scale = 1;
        rate = 25;
        return;
    }
    const int64_t g = std::gcd<int64_t>(avgTimePerFrame, 10'000'000);
    scale = static_cast<uint32_t>(avgTimePerFrame / g);
    rate = static_cast<uint32_t>(10'000'000 / g);
}

// The seeking interface that answers for what reaches `input`: the first pin or filter upstream
// that has one (a DV Splitter between has none: its own input is followed).
MediaSeeking* UpstreamSeeking(Pin* input, int depth)
{
    Pin* peer = input->ConnectedTo();
    if (!peer || depth > 8)
        return nullptr;
    if (auto* s = QueryPin<MediaSeeking>(peer))
        return s;
    if (auto* s = QueryFilter<MediaSeeking>(&peer->Filter()))
        return s;
    for (Pin* p : peer->Filter().EnumPins())
        if (p->Direction() == PinDirection::Input)
            if (MediaSeeking* s = UpstreamSeeking(p, depth + 1))
                return s;
    return nullptr;
}

} // namespace

bool AviStreamSpecFor(const MediaType& mt, formats::AviStreamSpec& spec)
{
    spec = formats::AviStreamSpec{};
    if (mt.majortype == MEDIATYPE_Video) {
        auto vih = mt.GetVideoInfo();
        if (!vih)
            return false;
        spec.kind = formats::AviStreamKind::Video;
        spec.handler = vih->bmiHeader.biCompression;
        FrameRate(vih->AvgTimePerFrame, spec.scale, spec.rate);
        // strf is the bitmap header and what follows the 88 bytes of the video header.
        spec.format.assign(mt.format.begin() + 48, mt.format.begin() + 88);
        spec.format.insert(spec.format.end(), mt.format.begin() + 88, mt.format.end());
        spec.width = static_cast<int16_t>(vih->bmiHeader.biWidth);
        spec.height = static_cast<int16_t>(std::abs(vih->bmiHeader.biHeight));
        return true;
    }
    if (mt.majortype == MEDIATYPE_Audio) {
        auto wfx = mt.GetWaveFormat();
        if (!wfx || wfx->nBlockAlign == 0 || wfx->nAvgBytesPerSec == 0)
            return false;
        spec.kind = formats::AviStreamKind::Audio;
        spec.scale = wfx->nBlockAlign;
        spec.rate = wfx->nAvgBytesPerSec;
        spec.sampleSize = wfx->nBlockAlign;
        spec.format = mt.format;
        return true;
    }
    if (mt.majortype == MEDIATYPE_Interleaved) {
        spec.kind = formats::AviStreamKind::Interleaved;
        spec.handler = mt.subtype.IsFourCC() ? mt.subtype.data1 : rtl::FourCC("dvsd");
        const bool pal = mt.format.size() < 32 || (mt.format[18] & 0x20) != 0;
        spec.scale = pal ? 1 : 1001;
        spec.rate = pal ? 25 : 30000;
        spec.format = mt.format;
        spec.width = 720;
        spec.height = pal ? 576 : 480;
        return true;
    }
    return false;
}

AviMuxInputPin::AviMuxInputPin(AviMux& mux, int number)
    : InputPin(mux, formats::StreamPinName("Input", number)), mux_(mux)
{
}

HRESULT AviMuxInputPin::CheckMediaType(const MediaType& mt)
{
    formats::AviStreamSpec spec;
    return AviStreamSpecFor(mt, spec) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviMuxInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    if (SUCCEEDED(hr))
        mux_.OnInputConnected();
    return hr;
}

void AviMuxInputPin::StartRun(int slot)
{
    slot_ = slot;
    dv_ = CarriesDvFrames(CurrentMediaType());
    dvs_.Reset();
}

HRESULT AviMuxInputPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    if (slot_ < 0)
        return S_FALSE;
    if (dv_ && !dvs_.Whole(static_cast<size_t>(sample->GetActualDataLength()))) {
        mux_.CountDropped();
        return S_OK;
    }
    return mux_.Push(slot_, sample);
}

HRESULT AviMuxInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    return slot_ < 0 ? S_OK : mux_.EndOfInput(slot_);
}

HRESULT AviMuxInputPin::BeginFlush()
{
    InputPin::BeginFlush();
    mux_.Flush(true);
    return S_OK;
}

HRESULT AviMuxInputPin::EndFlush()
{
    mux_.Flush(false);
    return InputPin::EndFlush();
}

AviMuxOutputPin::AviMuxOutputPin(AviMux& mux) : OutputPin(mux, "AVI Out")
{
}

HRESULT AviMuxOutputPin::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Stream ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviMuxOutputPin::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = MediaType(MEDIATYPE_Stream, MEDIASUBTYPE_Avi, FORMAT_None);
    return S_OK;
}

HRESULT AviMuxOutputPin::CheckConnect(Pin& peer)
{
    HRESULT hr = OutputPin::CheckConnect(peer);
    if (FAILED(hr))
        return hr;
    return QueryPin<ByteStream>(&peer) ? S_OK : VFW_E_NO_ACCEPTABLE_TYPES;
}

HRESULT AviMuxOutputPin::DecideAllocator(InputPin&)
{
    return S_OK;
}

AviMux::AviMux() : BaseFilter(kFriendlyName), output_(*this)
{
    inputs_.push_back(std::make_unique<AviMuxInputPin>(*this, 1));
    queue_.SetProcess([this](int slot, const SamplePtr& s) { return Process(slot, s); });
}

AviMux::~AviMux()
{
    output_.Disconnect();
    for (auto& in : inputs_)
        in->Disconnect();
}

int AviMux::GetPinCount()
{
    return 1 + static_cast<int>(inputs_.size());
}

Pin* AviMux::GetPin(int index)
{
    if (index == 0)
        return &output_;
    if (index < 1 || index > static_cast<int>(inputs_.size()))
        return nullptr;
    return inputs_[static_cast<size_t>(index - 1)].get();
}

void AviMux::OnInputConnected()
{
    for (auto& in : inputs_)
        if (!in->IsConnected())
            return;
    inputs_.push_back(std::make_unique<AviMuxInputPin>(*this, static_cast<int>(inputs_.size()) + 1));
}

HRESULT AviMux::Pause()
{
    if (State() == FilterState::Stopped) {
        std::lock_guard<std::mutex> guard(writeLock_);
        slots_.clear();
        for (auto& in : inputs_) {
            in->StartRun(in->IsConnected() ? static_cast<int>(slots_.size()) : -1);
            if (in->IsConnected())
                slots_.push_back(in.get());
        }
        queue_.Reset(static_cast<int>(slots_.size()), 8);
        writer_.reset();
        stream_.reset();
        finished_ = false;
        endSent_.store(false);
        lastTime_.store(0);
        dropped_.store(0);
        frames_.store(0);
    }
    return BaseFilter::Pause();
}

void AviMux::BeginStop()
{
    queue_.Unblock();
    BaseFilter::BeginStop();
}

HRESULT AviMux::Stop()
{
    if (State() != FilterState::Stopped) {
        std::lock_guard<std::mutex> guard(writeLock_);
        writer_.reset();
        stream_.reset();
    }
    return BaseFilter::Stop();
}

bool AviMux::StartWriter()
{
    ByteStream* out = QueryPin<ByteStream>(output_.ConnectedTo());
    if (!out || slots_.empty())
        return false;
    stream_ = std::make_unique<PinByteStream>(*out);
    writer_ = std::make_unique<formats::AviMuxWriter>(*stream_, options_);
    for (AviMuxInputPin* in : slots_) {
        formats::AviStreamSpec spec;
        AviStreamSpecFor(in->CurrentMediaType(), spec);
        writer_->AddStream(std::move(spec));
    }
    return writer_->Begin();
}

HRESULT AviMux::Push(int slot, const SamplePtr& sample)
{
    return queue_.Push(slot, sample);
}

HRESULT AviMux::Process(int slot, const SamplePtr& sample)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    if (finished_)
        return S_FALSE;
    if (!writer_ && !StartWriter()) {
        Abort(E_FAIL);
        return E_FAIL;
    }
    const MediaType& mt = slots_[static_cast<size_t>(slot)]->CurrentMediaType();
    const bool keyframe = sample->IsSyncPoint() || !mt.bTemporalCompression;
    if (!writer_->WriteChunk(slot, sample->GetPointer(), static_cast<size_t>(sample->GetActualDataLength()),
                             keyframe)) {
        Abort(STG_E_WRITEFAULT);
        return STG_E_WRITEFAULT;
    }
    if (mt.majortype == MEDIATYPE_Video || mt.majortype == MEDIATYPE_Interleaved)
        ++frames_;
    if (sample->HasTime()) { // media time: sample times count from the segment's start
        const int64_t end =
            slots_[static_cast<size_t>(slot)]->SegmentStart() + std::max(sample->StartTime(), sample->StopTime());
        int64_t seen = lastTime_.load();
        while (end > seen && !lastTime_.compare_exchange_weak(seen, end)) {
        }
    }
    return S_OK;
}

HRESULT AviMux::EndOfInput(int slot)
{
    HRESULT hr = queue_.EndOfStream(slot);
    if (FAILED(hr) || !queue_.AllEnded())
        return S_OK;
    {
        std::lock_guard<std::mutex> guard(writeLock_);
        hr = FinishFile();
    }
    if (SUCCEEDED(hr) && !endSent_.exchange(true))
        output_.DeliverEndOfStream();
    return S_OK;
}

HRESULT AviMux::FinishFile()
{
    if (finished_)
        return S_OK;
    finished_ = true;
    if (!writer_ && !StartWriter()) {
        Abort(E_FAIL);
        return E_FAIL;
    }
    if (!writer_->Finish()) {
        Abort(STG_E_WRITEFAULT);
        return STG_E_WRITEFAULT;
    }
    return S_OK;
}

void AviMux::Abort(HRESULT hr)
{
    if (!queue_.Flushing())
        NotifyEvent(EC_ERRORABORT, hr);
}

// A flush (a seek of the graph) starts the file again: the writer waiting on the file writer is
// released by the flush passed downstream, and once every input's flush has ended a new writer
// begins at the file's first byte (the file writer drops what was written).
void AviMux::Flush(bool begin)
{
    if (begin) {
        if (queue_.BeginFlush())
            output_.DeliverBeginFlush();
        return;
    }
    const bool last = queue_.EndFlush([this] {
        std::lock_guard<std::mutex> guard(writeLock_);
        writer_.reset();
        stream_.reset();
        finished_ = false;
        endSent_.store(false);
        lastTime_.store(0);
        dropped_.store(0);
        frames_.store(0);
    });
    if (last)
        output_.DeliverEndFlush();
}

HRESULT AviMux::GetDuration(int64_t& duration)
{
    duration = 0;
    bool any = false;
    for (auto& in : inputs_) {
        int64_t d = 0;
        MediaSeeking* s = in->IsConnected() ? UpstreamSeeking(in.get(), 0) : nullptr;
        if (s && SUCCEEDED(s->GetDuration(d))) {
            duration = std::max(duration, d);
            any = true;
        }
    }
    return any ? S_OK : E_NOTIMPL;
}

HRESULT AviMux::GetCurrentPosition(int64_t& position)
{
    position = lastTime_.load();
    return S_OK;
}

// A seek of the graph reaches the streams feeding the inputs, each once.
HRESULT AviMux::SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags)
{
    std::vector<MediaSeeking*> done;
    HRESULT result = E_NOTIMPL;
    for (auto& in : inputs_) {
        MediaSeeking* s = in->IsConnected() ? UpstreamSeeking(in.get(), 0) : nullptr;
        if (!s || std::find(done.begin(), done.end(), s) != done.end())
            continue;
        done.push_back(s);
        int64_t c = current ? *current : 0, e = stop ? *stop : 0;
        HRESULT hr = s->SetPositions(current ? &c : nullptr, currentFlags, stop ? &e : nullptr, stopFlags);
        if (SUCCEEDED(hr) || result == E_NOTIMPL)
            result = hr;
    }
    return result;
}

void RegisterAviMuxFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{AviMux::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xE2510970, 0xF137, 0x11CE, {0x8B, 0x67, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<AviMux>(); }, nullptr});
}

} // namespace ds
