#include "platform/filters/DvSplitter.h"

#include <algorithm>
#include <cstring>

#include "formats/DvAudio.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/dshow/TransInPlaceFilter.h"
#include "platform/filters/AviSplitter.h"
#include "platform/rtl/ByteOrder.h"

namespace ds {
namespace {

struct DvLayout {
    bool known = false;
    bool pal = true;
    int sampleRate = 0; // 0: no sound
    int pairs = 0;
};

int RateOfCode(int code)
{
    return code == 0 ? 48000 : code == 1 ? 44100 : code == 2 ? 32000 : 0;
}

// The layout a DVINFO block describes, when its AAUX source pack is a real one.
DvLayout FromDvInfo(const std::vector<uint8_t>& f)
{
    DvLayout l;
    if (f.size() < 32)
        return l;
    const uint8_t* src = f.data();
    const uint8_t* src1 = f.data() + 8;
    const int rate = (src[3] & 0xFF) == 0xFF ? 0 : RateOfCode((src[3] >> 3) & 7);
    const int quant = src[3] & 7;
    if (rate == 0 || quant > 1)
        return l;
    l.known = true;
    l.sampleRate = rate;
    const bool vauxKnown = rtl::GetLE32(f.data() + 16) != 0xFFFFFFFFu && rtl::GetLE32(f.data() + 16) != 0;
    l.pal = vauxKnown ? (f[18] & 0x20) != 0 : (src[2] & 0x20) != 0;
    l.pairs = 1;
    if (quant == 1 && rtl::GetLE32(src1) != 0xFFFFFFFFu && (src1[1] & 0x0F) != 0x0F &&
        (src1[3] & 0x3F) == (src[3] & 0x3F))
        l.pairs = 2;
    return l;
}

// The first frame of the stream that reaches `peer`: read from the source, through the filters
// between that pass the frames on as they are (the scene detector in the conversions).
bool PeekFirstFrame(Pin& peer, std::vector<uint8_t>& frame)
{
    Pin* from = &peer;
    for (int hops = 0; from && hops < 8; ++hops) {
        if (StreamPeek* peek = QueryPin<StreamPeek>(from))
            return peek->PeekFirstChunk(frame);
        auto* passing = dynamic_cast<TBCTransInPlaceFilter*>(&from->Filter());
        if (!passing)
            return false;
        from = passing->Input()->ConnectedTo();
    }
    return false;
}

DvLayout FromFrame(const std::vector<uint8_t>& frame)
{
    DvLayout l;
    const int sequences = formats::DvSequenceCount(frame.size());
    if (sequences == 0)
        return l;
    l.known = true;
    l.pal = sequences == 12;
    formats::DvAudioInfo info;
    if (formats::ReadDvAudioInfo(frame, info)) {
        l.sampleRate = info.format.sampleRate;
        l.pairs = info.format.pairs;
    }
    return l;
}

} // namespace

MediaType DvVideoType(bool pal)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = pal ? 400000 : 333667;
    vih.bmiHeader.biWidth = 720;
    vih.bmiHeader.biHeight = pal ? 576 : 480;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = rtl::FourCC("dvsd");
    vih.bmiHeader.biSizeImage = pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
    vih.dwBitRate = pal ? 28800000 : 28771229;
    return MediaType::Video(MEDIASUBTYPE_dvsd, vih);
}

DvSplitterInputPin::DvSplitterInputPin(DvSplitter& splitter) : InputPin(splitter, "Input"), splitter_(splitter)
{
}

HRESULT DvSplitterInputPin::CheckMediaType(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Interleaved && (mt.subtype == MEDIASUBTYPE_dvsd || mt.subtype == MEDIASUBTYPE_dv25)
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvSplitterInputPin::CompleteConnect(Pin& peer)
{
    HRESULT hr = InputPin::CompleteConnect(peer);
    if (FAILED(hr))
        return hr;
    return splitter_.OnInputConnected(peer);
}

HRESULT DvSplitterInputPin::BreakConnect()
{
    splitter_.OnInputDisconnected();
    return InputPin::BreakConnect();
}

HRESULT DvSplitterInputPin::Receive(const SamplePtr& sample)
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK)
        return hr;
    return splitter_.Split(sample);
}

HRESULT DvSplitterInputPin::EndOfStream()
{
    HRESULT hr = InputPin::EndOfStream();
    if (hr != S_OK)
        return hr;
    splitter_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverEndOfStream(); });
    return S_OK;
}

HRESULT DvSplitterInputPin::BeginFlush()
{
    InputPin::BeginFlush();
    splitter_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverBeginFlush(); });
    return S_OK;
}

HRESULT DvSplitterInputPin::EndFlush()
{
    splitter_.ForEachConnectedOutput([](OutputPin& o) { o.DeliverEndFlush(); });
    return InputPin::EndFlush();
}

HRESULT DvSplitterInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    InputPin::NewSegment(start, stop, rate);
    splitter_.ResetCount();
    splitter_.ForEachConnectedOutput([&](OutputPin& o) { o.DeliverNewSegment(start, stop, rate); });
    return S_OK;
}

HRESULT DvSplitterInputPin::Active()
{
    splitter_.ResetCount();
    return InputPin::Active();
}

DvSplitterOutputPin::DvSplitterOutputPin(DvSplitter& splitter, std::string name, MediaType type, int32_t bufferSize,
                                         int pair)
    : OutputPin(splitter, std::move(name)), type_(std::move(type)), bufferSize_(bufferSize), pair_(pair)
{
    if (auto wfx = type_.GetWaveFormat())
        rate_ = static_cast<int>(wfx->nSamplesPerSec);
}

HRESULT DvSplitterOutputPin::CheckMediaType(const MediaType& mt)
{
    return mt == type_ ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvSplitterOutputPin::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = type_;
    return S_OK;
}

HRESULT DvSplitterOutputPin::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    // The video output passes the input's own samples on: its allocator is hardly used.
    return allocator.Require(request, pair_ < 0 ? 1 : 8, bufferSize_);
}

DvSplitter::DvSplitter() : BaseFilter(kFriendlyName), input_(*this)
{
}

DvSplitter::~DvSplitter()
{
    input_.Disconnect();
    for (auto& o : outputs_)
        o->Disconnect();
}

int DvSplitter::GetPinCount()
{
    return 1 + static_cast<int>(outputs_.size());
}

Pin* DvSplitter::GetPin(int index)
{
    if (index == 0)
        return &input_;
    if (index < 1 || index > static_cast<int>(outputs_.size()))
        return nullptr;
    return outputs_[static_cast<size_t>(index - 1)].get();
}

HRESULT DvSplitter::OnInputConnected(Pin& peer)
{
    DvLayout layout = FromDvInfo(input_.CurrentMediaType().format);
    // The frames have the last word: some capture tools write a fixed DVINFO (32 kHz 12-bit, or
    // 50 lines) whatever the camera recorded. The system comes from the first frame whenever it
    // can be read, the sound when that frame carries some.
    std::vector<uint8_t> first;
    const DvLayout framed = PeekFirstFrame(peer, first) ? FromFrame(first) : DvLayout{};
    if (framed.known) {
        if (!layout.known || framed.sampleRate != 0)
            layout = framed;
        layout.pal = framed.pal;
    } else if (!layout.known) {
        // Neither says: the 50/60 flag of the format block, if any, picks the frame size.
        const auto& f = input_.CurrentMediaType().format;
        layout.pal = f.size() < 32 || (f[18] & 0x20) != 0;
    }
    for (auto& o : outputs_)
        o->Disconnect();
    outputs_.clear();
    pal_ = layout.pal;
    systemFromFrame_ = framed.known;
    outputs_.push_back(std::make_unique<DvSplitterOutputPin>(
        *this, "DV Vid Out", DvVideoType(pal_),
        static_cast<int32_t>(pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize), -1));
    for (int p = 0; p < layout.pairs; ++p) {
        // Room for a 625/50 frame's sound, which is the more, in case the frames say 50 lines.
        const int32_t bytes = formats::DvMaxSamples(true, layout.sampleRate, 16) * 4;
        outputs_.push_back(std::make_unique<DvSplitterOutputPin>(
            *this, "AudOut0" + std::to_string(p),
            MediaType::Audio(WaveFormatEx::Pcm(static_cast<uint32_t>(layout.sampleRate), 2, 16)), bytes, p));
    }
    return S_OK;
}

void DvSplitter::OnInputDisconnected()
{
    for (auto& o : outputs_)
        o->Disconnect();
    outputs_.clear();
}

HRESULT DvSplitter::Split(const SamplePtr& frame)
{
    const size_t size = static_cast<size_t>(frame->GetActualDataLength());
    // A system taken from the format block holds only until the first whole frame arrives.
    bool changed = false;
    if (!systemFromFrame_ && formats::DvSequenceCount(size) != 0) {
        systemFromFrame_ = true;
        changed = (size == formats::kPalFrameSize) != pal_;
        pal_ = size == formats::kPalFrameSize;
    }
    if (size != (pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize)) {
        ++dropped_; // not a whole frame of this stream
        return S_OK;
    }
    std::span<const uint8_t> bytes(frame->GetPointer(), size);
    const int64_t index = frameCount_++;
    int delivered = 0, refused = 0;
    HRESULT failure = S_OK;
    auto count = [&](HRESULT hr) {
        if (hr == S_OK)
            ++delivered;
        else {
            ++refused;
            if (FAILED(hr) && SUCCEEDED(failure))
                failure = hr;
        }
    };
    // The sound is read before the frame goes on: a filter downstream may change the frame in place.
    formats::DvAudioInfo info;
    formats::ReadDvAudioInfo(bytes, info);
    const int pairs = info.present ? info.format.pairs : 0;
    pcm_.resize(2 * 2 * static_cast<size_t>(std::max(info.samples, 1)));
    // Only the pairs an output takes: a probe pausing on the picture alone decodes none.
    for (int p = 0; p < pairs; ++p)
        if (std::any_of(outputs_.begin(), outputs_.end(),
                        [p](const auto& o) { return o->Pair() == p && o->IsConnected(); }))
            formats::DecodeDvAudio(bytes, info, p,
                                   pcm_.data() + static_cast<size_t>(p) * 2 * static_cast<size_t>(info.samples));
    for (auto& o : outputs_) {
        if (!o->IsConnected())
            continue;
        if (o->Pair() < 0) {
            if (changed) {
                // The frames are not what the connection said: the type travels with the first.
                const MediaType type = DvVideoType(pal_);
                frame->SetMediaType(&type);
            }
            count(o->Deliver(frame));
            continue;
        }
        SamplePtr out;
        HRESULT hr = o->GetDeliveryBuffer(out);
        if (FAILED(hr) || !out) {
            count(FAILED(hr) ? hr : E_FAIL);
            continue;
        }
        int samples = 0;
        const int capacity = out->GetSize() / 4;
        if (o->Pair() < pairs && info.samples <= capacity) {
            samples = info.samples;
            std::memcpy(out->GetPointer(),
                        pcm_.data() + static_cast<size_t>(o->Pair()) * 2 * static_cast<size_t>(samples),
                        static_cast<size_t>(samples) * 4);
        } else {
            // No sound in this frame: silence for its share of the time.
            samples = std::min(formats::DvLockedSampleCount(pal_, o->SampleRate(), index), capacity);
            std::memset(out->GetPointer(), 0, static_cast<size_t>(samples) * 4);
        }
        out->SetActualDataLength(samples * 4);
        out->CopyPropertiesFrom(*frame);
        out->SetMediaTime(nullptr, nullptr);
        out->SetMediaType(nullptr);
        count(o->Deliver(out));
    }
    if (delivered > 0 || refused == 0)
        return S_OK;
    return SUCCEEDED(failure) ? S_FALSE : failure;
}

void RegisterDvSplitterFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvSplitter::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x4EB31670, 0x9FC6, 0x11CF, {0xAF, 0x6E, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_NORMAL, [] { return std::make_shared<DvSplitter>(); },
                                  [](const MediaType& mt) {
                                      return mt.majortype == MEDIATYPE_Interleaved &&
                                             (mt.subtype == MEDIASUBTYPE_dvsd || mt.subtype == MEDIASUBTYPE_dv25);
                                  }});
}

} // namespace ds
