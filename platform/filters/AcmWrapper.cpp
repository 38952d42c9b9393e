#include "platform/filters/AcmWrapper.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstring>

#include "platform/dshow/FilterRegistry.h"

namespace ds {
namespace {

std::optional<WaveFormatEx> WaveOf(const MediaType& mt)
{
    if (mt.majortype != MEDIATYPE_Audio)
        return std::nullopt;
    return mt.GetWaveFormat();
}

std::optional<PcmFormat> PcmOf(const MediaType& mt)
{
    auto w = WaveOf(mt);
    return w ? PcmFormatOf(*w) : std::nullopt;
}

const AVCodec* AudioDecoderOf(const WaveFormatEx& w)
{
    // A PCM tag whose fields do not hold together is damaged, not coded.
    if (w.wFormatTag == WAVE_FORMAT_PCM || w.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ||
        w.wFormatTag == WAVE_FORMAT_EXTENSIBLE || w.nChannels < 1 || w.nChannels > 8 || w.nSamplesPerSec < 1000 ||
        w.nSamplesPerSec > 768000)
        return nullptr;
    const AVCodecTag* const tags[] = {avformat_get_riff_audio_tags(), nullptr};
    const AVCodecID id = av_codec_get_id(tags, w.wFormatTag);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
}

av::CodecContextPtr OpenAudioDecoder(const WaveFormatEx& w)
{
    const AVCodec* codec = AudioDecoderOf(w);
    if (!codec)
        return nullptr;
    av::CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return nullptr;
    c->codec_tag = w.wFormatTag;
    c->sample_rate = static_cast<int>(w.nSamplesPerSec);
    av_channel_layout_default(&c->ch_layout, w.nChannels);
    c->block_align = w.nBlockAlign;
    c->bit_rate = static_cast<int64_t>(w.nAvgBytesPerSec) * 8;
    c->bits_per_coded_sample = w.wBitsPerSample;
    if (!w.extra.empty()) {
        c->extradata = static_cast<uint8_t*>(av_mallocz(w.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata)
            return nullptr;
        std::memcpy(c->extradata, w.extra.data(), w.extra.size());
        c->extradata_size = static_cast<int>(w.extra.size());
    }
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;
    return c;
}

// The PCM type nearest to what a decoder gives.
WaveFormatEx DecodedWave(const AVCodecContext& c, const WaveFormatEx& coded)
{
    const uint32_t rate = c.sample_rate > 0 ? static_cast<uint32_t>(c.sample_rate) : coded.nSamplesPerSec;
    const int n = c.ch_layout.nb_channels;
    const uint16_t channels = static_cast<uint16_t>(n >= 1 && n <= 8 ? n : coded.nChannels);
    switch (av_get_packed_sample_fmt(c.sample_fmt)) {
    case AV_SAMPLE_FMT_U8: return PcmWave(rate, channels, 8);
    case AV_SAMPLE_FMT_S32:
    case AV_SAMPLE_FMT_S64: return PcmWave(rate, channels, 32);
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL: return PcmWave(rate, channels, 32, true);
    default: return PcmWave(rate, channels, 16);
    }
}

void LayoutFor(AVChannelLayout& layout, int channels, uint64_t mask)
{
    if (mask == 0 || av_channel_layout_from_mask(&layout, mask) < 0)
        av_channel_layout_default(&layout, channels);
}

} // namespace

AcmOutputPin::AcmOutputPin(AcmWrapper& filter) : TBCTransformOutputPin(filter, "Output"), acm_(filter)
{
}

HRESULT AcmOutputPin::SetFormat(const MediaType& mt)
{
    return acm_.SetFormat(mt);
}

HRESULT AcmOutputPin::GetFormat(MediaType& mt)
{
    return acm_.GetFormat(mt);
}

AcmWrapper::AcmWrapper() : TBCTransformFilter(kFriendlyName)
{
    SetPins(std::make_unique<TBCTransformInputPin>(*this, "Input"), std::make_unique<AcmOutputPin>(*this));
}

AcmWrapper::~AcmWrapper() = default;

HRESULT AcmWrapper::CheckInputType(const MediaType& mt)
{
    auto w = WaveOf(mt);
    return w && (PcmFormatOf(*w) || OpenAudioDecoder(*w)) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapper::CheckTransform(const MediaType&, const MediaType& out)
{
    auto to = PcmOf(out);
    if (!to || (format_ && to != PcmOf(*format_)))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

std::vector<MediaType> AcmWrapper::OfferedTypes()
{
    if (format_)
        return {*format_};
    const MediaType& in = Input()->CurrentMediaType();
    auto pcm = PcmOf(in);
    std::vector<MediaType> types;
    if (pcm)
        types.push_back(in);
    else if (!decodedType_.majortype.IsNull())
        types.push_back(decodedType_);
    else
        return types;
    const uint32_t rate = static_cast<uint32_t>(PcmOf(types.front())->rate);
    for (uint16_t channels : {2, 1}) {
        MediaType mt = MediaType::Audio(PcmWave(rate, channels, 16));
        if (std::none_of(types.begin(), types.end(), [&](const MediaType& t) { return PcmOf(t) == PcmOf(mt); }))
            types.push_back(mt);
    }
    return types;
}

HRESULT AcmWrapper::GetMediaType(int position, MediaType& mt)
{
    std::vector<MediaType> types = OfferedTypes();
    if (position < 0 || position >= static_cast<int>(types.size()))
        return VFW_S_NO_MORE_ITEMS;
    mt = types[static_cast<size_t>(position)];
    return S_OK;
}

HRESULT AcmWrapper::SetMediaType(PinDirection direction, const MediaType& mt)
{
    if (direction != PinDirection::Input)
        return S_OK;
    // What coded sound decodes to is known once its decoder is open.
    decodedType_ = MediaType();
    auto w = WaveOf(mt);
    if (w && !PcmFormatOf(*w))
        if (av::CodecContextPtr c = OpenAudioDecoder(*w))
            decodedType_ = MediaType::Audio(DecodedWave(*c, *w));
    return S_OK;
}

HRESULT AcmWrapper::SetFormat(const MediaType& mt)
{
    auto w = mt.GetWaveFormat();
    if (!w || (!mt.majortype.IsNull() && mt.majortype != MEDIATYPE_Audio))
        return VFW_E_INVALIDMEDIATYPE;
    // The block size and byte rate follow from what was asked: a builder changing channels or bits
    // may leave them as they were.
    const WaveFormatEx mended = MendPcm(*w);
    if (!PcmFormatOf(mended))
        return VFW_E_INVALIDMEDIATYPE;
    const MediaType type = MediaType::Audio(mended);
    if (State() != FilterState::Stopped)
        return VFW_E_NOT_STOPPED;
    OutputPin* out = Output();
    if (!out->IsConnected()) {
        format_ = type;
        return S_OK;
    }
    Pin* peer = out->ConnectedTo();
    const MediaType old = out->CurrentMediaType();
    const std::optional<MediaType> previous = format_;
    out->Disconnect();
    format_ = type;
    if (out->Connect(*peer, &type) == S_OK)
        return S_OK;
    format_ = previous; // refused: the old connection is made again
    out->Connect(*peer, &old);
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AcmWrapper::GetFormat(MediaType& mt)
{
    if (format_)
        mt = *format_;
    else if (Output()->IsConnected())
        mt = Output()->CurrentMediaType();
    else if (std::vector<MediaType> types = OfferedTypes(); !types.empty())
        mt = types.front();
    else
        return VFW_E_NOT_CONNECTED;
    return S_OK;
}

HRESULT AcmWrapper::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    auto f = PcmOf(Output()->CurrentMediaType());
    if (!f)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const int align = f->BlockAlign();
    const int bytes = std::max(4096, f->rate / 10 * align); // a tenth of a second
    return allocator.Require(request, 4, (bytes + align - 1) / align * align);
}

HRESULT AcmWrapper::StartStreaming()
{
    outPcm_ = PcmOf(Output()->CurrentMediaType());
    auto w = WaveOf(Input()->CurrentMediaType());
    if (!outPcm_ || !w)
        return S_OK; // not connected through: Receive drops everything
    inPcm_ = PcmFormatOf(*w);
    passThrough_ = inPcm_ == outPcm_;
    AllocatorProperties props;
    if (!Output()->Allocator() || FAILED(Output()->Allocator()->GetProperties(props)))
        return E_UNEXPECTED;
    capacity_ = props.cbBuffer / outPcm_->BlockAlign();
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!packet_ || !frame_ || capacity_ < 1)
        return E_OUTOFMEMORY;
    if (!inPcm_) {
        decoder_ = OpenAudioDecoder(*w);
        if (!decoder_)
            return E_FAIL;
    }
    Restart();
    return S_OK;
}

HRESULT AcmWrapper::StopStreaming()
{
    decoder_.reset();
    parser_.reset();
    packet_.reset();
    frame_.reset();
    swr_.reset();
    return S_OK;
}

void AcmWrapper::Restart()
{
    if (decoder_) {
        avcodec_flush_buffers(decoder_.get());
        // A parser splits coded sound into whole frames, as AVI chunks need not hold them.
        parser_.reset(av_parser_init(decoder_->codec_id));
    }
    swr_.reset();
    srcFormat_ = -1;
    based_ = false;
    produced_ = 0;
}

bool AcmWrapper::Configure(int format, int channels, uint64_t mask, int rate)
{
    if (swr_ && format == srcFormat_ && channels == srcChannels_ && mask == srcMask_ && rate == srcRate_)
        return true;
    swr_.reset();
    srcFormat_ = -1;
    if (channels < 1 || channels > 8 || rate < 1)
        return false;
    AVChannelLayout in{}, out{};
    LayoutFor(in, channels, mask);
    LayoutFor(out, outPcm_->channels, outPcm_->channelMask);
    SwrContext* s = nullptr;
    int r = swr_alloc_set_opts2(&s, &out, static_cast<AVSampleFormat>(outPcm_->sampleFormat), outPcm_->rate, &in,
                                static_cast<AVSampleFormat>(format), rate, 0, nullptr);
    av::SwrPtr swr(s);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    if (r < 0 || !swr)
        return false;
    // Mono to stereo copies the channel, at its level (libswresample would take 3 dB off).
    if (channels == 1 && outPcm_->channels == 2) {
        const double both[2] = {1.0, 1.0};
        if (swr_set_matrix(swr.get(), both, 1) < 0)
            return false;
    }
    if (swr_init(swr.get()) < 0)
        return false;
    swr_ = std::move(swr);
    srcFormat_ = format;
    srcChannels_ = channels;
    srcMask_ = mask;
    srcRate_ = rate;
    return true;
}

HRESULT AcmWrapper::Receive(const SamplePtr& sample)
{
    if (!outPcm_ || !Output()->IsConnected())
        return S_OK;
    if (passThrough_)
        return DeliverResult(S_OK, sample);
    if (sample->IsDiscontinuity())
        Restart();
    if (!based_) {
        REFERENCE_TIME start = 0, stop = 0;
        // Within three years, so that the times counted from it stay in range.
        constexpr REFERENCE_TIME kMaxTime = REFERENCE_TIME(1) << 50;
        base_ =
            sample->GetTime(&start, &stop) == VFW_E_SAMPLE_TIME_NOT_SET ? 0 : std::clamp(start, -kMaxTime, kMaxTime);
        based_ = true;
        produced_ = 0;
    }
    const int size = sample->GetActualDataLength();
    if (size <= 0)
        return S_OK;
    if (!inPcm_)
        return Decode(sample->GetPointer(), size);
    const int count = size / inPcm_->BlockAlign(); // a partial block at the end is dropped
    if (count == 0 || !Configure(inPcm_->sampleFormat, inPcm_->channels, inPcm_->channelMask, inPcm_->rate))
        return S_OK;
    const uint8_t* plane = sample->GetPointer();
    if (inPcm_->widened) {
        const size_t values = static_cast<size_t>(count) * static_cast<size_t>(inPcm_->channels);
        wideIn_.resize(values);
        Widen24(plane, wideIn_.data(), values);
        plane = reinterpret_cast<const uint8_t*>(wideIn_.data());
    }
    return Resample(&plane, count);
}

HRESULT AcmWrapper::Decode(const uint8_t* data, int size)
{
    if (!data) {
        if (parser_) {
            uint8_t* out = nullptr;
            int outSize = 0;
            av_parser_parse2(parser_.get(), decoder_.get(), &out, &outSize, nullptr, 0, AV_NOPTS_VALUE, AV_NOPTS_VALUE,
                             0);
            if (outSize > 0 &&
                av::SendPacketCopy(decoder_.get(), packet_.get(), out, static_cast<size_t>(outSize)) >= 0)
                if (HRESULT hr = TakeFrames(); FAILED(hr))
                    return hr;
        }
        avcodec_send_packet(decoder_.get(), nullptr);
        return TakeFrames();
    }
    // Parsers read a little past the end: the bytes are copied into a padded buffer first.
    padded_.resize(static_cast<size_t>(size) + AV_INPUT_BUFFER_PADDING_SIZE);
    std::memcpy(padded_.data(), data, static_cast<size_t>(size));
    std::memset(padded_.data() + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    const uint8_t* rest = padded_.data();
    while (size > 0) {
        const uint8_t* chunk = rest;
        int chunkSize = size;
        if (parser_) {
            uint8_t* out = nullptr;
            int outSize = 0;
            const int used = av_parser_parse2(parser_.get(), decoder_.get(), &out, &outSize, rest, size, AV_NOPTS_VALUE,
                                              AV_NOPTS_VALUE, 0);
            if (used < 0 || (used == 0 && outSize <= 0))
                break;
            rest += used;
            size -= used;
            if (outSize <= 0)
                continue;
            chunk = out;
            chunkSize = outSize;
        } else {
            size = 0;
        }
        if (av::SendPacketCopy(decoder_.get(), packet_.get(), chunk, static_cast<size_t>(chunkSize)) < 0)
            continue; // a packet that does not decode is dropped
        if (HRESULT hr = TakeFrames(); FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT AcmWrapper::TakeFrames()
{
    while (avcodec_receive_frame(decoder_.get(), frame_.get()) >= 0) {
        const AVChannelLayout& l = frame_->ch_layout;
        const uint64_t mask = l.order == AV_CHANNEL_ORDER_NATIVE ? l.u.mask : 0;
        HRESULT hr = S_OK;
        if (Configure(frame_->format, l.nb_channels, mask, frame_->sample_rate))
            hr = Resample(frame_->extended_data, frame_->nb_samples);
        av_frame_unref(frame_.get());
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT AcmWrapper::Resample(const uint8_t* const* planes, int count)
{
    if (!swr_)
        return S_OK;
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(srcFormat_));
    const int planeCount = planar ? srcChannels_ : 1;
    const int step = av_get_bytes_per_sample(static_cast<AVSampleFormat>(srcFormat_)) * (planar ? 1 : srcChannels_);
    const uint8_t* in[8] = {};
    for (int i = 0; planes && i < planeCount; ++i)
        in[i] = planes[i];
    const int align = outPcm_->BlockAlign();
    int remaining = planes ? count : 0;
    for (;;) {
        // As much input as one output buffer surely takes; the rest waits in the resampler.
        int piece = remaining;
        while (piece > 1 && swr_get_out_samples(swr_.get(), piece) > capacity_)
            piece /= 2;
        SamplePtr out;
        HRESULT hr = Output()->GetDeliveryBuffer(out);
        if (FAILED(hr) || !out)
            return hr == VFW_E_NOT_COMMITTED ? VFW_E_WRONG_STATE : E_FAIL; // the graph is stopping
        const int cap = std::min(capacity_, out->GetSize() / align);
        uint8_t* dst = out->GetPointer();
        if (outPcm_->widened) {
            wideOut_.resize(static_cast<size_t>(cap) * static_cast<size_t>(outPcm_->channels));
            dst = reinterpret_cast<uint8_t*>(wideOut_.data());
        }
        const int got = swr_convert(swr_.get(), &dst, cap, planes ? in : nullptr, planes ? piece : 0);
        if (planes) {
            for (int i = 0; i < planeCount; ++i)
                in[i] += static_cast<ptrdiff_t>(piece) * step;
            remaining -= piece;
        }
        if (got < 0)
            return S_OK;
        if (got > 0) {
            if (outPcm_->widened)
                Narrow24(wideOut_.data(), out->GetPointer(),
                         static_cast<size_t>(got) * static_cast<size_t>(outPcm_->channels));
            out->SetActualDataLength(got * align);
            const REFERENCE_TIME start = base_ + produced_ * UNITS / outPcm_->rate;
            out->SetDiscontinuity(produced_ == 0);
            produced_ += got;
            out->SetTime(start, base_ + produced_ * UNITS / outPcm_->rate);
            out->SetSyncPoint(true);
            hr = Output()->Deliver(out);
            if (FAILED(hr))
                return hr;
        }
        if (planes ? remaining <= 0 : got == 0)
            return S_OK;
    }
}

HRESULT AcmWrapper::EndOfStream()
{
    // What the decoder and the resampler still hold goes out before the end of the stream.
    if (outPcm_ && !passThrough_ && Output()->IsConnected()) {
        if (decoder_)
            Decode(nullptr, 0);
        Resample(nullptr, 0);
    }
    return TBCTransformFilter::EndOfStream();
}

HRESULT AcmWrapper::EndFlush()
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart();
    }
    return TBCTransformFilter::EndFlush();
}

HRESULT AcmWrapper::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart(); // times count from the new segment's start
    }
    return TBCTransformFilter::NewSegment(start, stop, rate);
}

void RegisterAcmWrapperFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{AcmWrapper::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x6A08CF80, 0x0E18, 0x11CF, {0xA2, 0x4D, 0x00, 0x20, 0xAF, 0xD7, 0x97, 0x67}},
                                  MERIT_NORMAL, [] { return std::make_shared<AcmWrapper>(); },
                                  [](const MediaType& mt) {
                                      auto w = WaveOf(mt);
                                      return w && (PcmFormatOf(*w) || AudioDecoderOf(*w));
                                  }});
}

} // namespace ds
