#include "platform/filters/AviDecompressor.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/ColorSpaceConverter.h"
#include "platform/rtl/ByteOrder.h"

namespace ds {
namespace {

constexpr int kMaxSide = 8192;
constexpr size_t kMaxPending = 256; // stamps kept for pictures a decoder holds back

uint32_t Upper(uint32_t fourcc)
{
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i)
        out |= static_cast<uint32_t>(std::toupper(static_cast<int>((fourcc >> (8 * i)) & 0xFF))) << (8 * i);
    return out;
}

// The decoder for a compressed video type; none for DV (the DV Video Decoder's), for uncompressed
// pictures (the Color Space Converter's) and for unknown codes.
const AVCodec* DecoderOf(const MediaType& mt)
{
    if (mt.majortype != MEDIATYPE_Video || LayoutOf(mt))
        return nullptr;
    auto vih = mt.GetVideoInfo();
    if (!vih)
        return nullptr;
    const uint32_t fourcc = vih->bmiHeader.biCompression;
    if (fourcc <= 3 || Upper(fourcc) == rtl::FourCC("DVSD"))
        return nullptr;
    const int width = vih->bmiHeader.biWidth, height = std::abs(vih->bmiHeader.biHeight);
    if (width < 1 || width > kMaxSide || height < 1 || height > kMaxSide)
        return nullptr;
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    const AVCodecID id = av_codec_get_id(tags, fourcc);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
}

av::CodecContextPtr OpenDecoder(const MediaType& mt)
{
    const AVCodec* codec = DecoderOf(mt);
    if (!codec)
        return nullptr;
    const VideoInfoHeader vih = *mt.GetVideoInfo();
    av::CodecContextPtr c(avcodec_alloc_context3(codec));
    if (!c)
        return nullptr;
    c->codec_tag = vih.bmiHeader.biCompression;
    c->width = vih.bmiHeader.biWidth;
    c->height = std::abs(vih.bmiHeader.biHeight);
    c->bits_per_coded_sample = vih.bmiHeader.biBitCount;
    // What follows the bitmap header in the format block is the codec's own data.
    if (mt.format.size() > VideoInfoHeader::kSize) {
        const size_t n = mt.format.size() - VideoInfoHeader::kSize;
        c->extradata = static_cast<uint8_t*>(av_mallocz(n + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!c->extradata)
            return nullptr;
        std::memcpy(c->extradata, mt.format.data() + VideoInfoHeader::kSize, n);
        c->extradata_size = static_cast<int>(n);
    }
    c->thread_type = FF_THREAD_SLICE;
    c->thread_count = av::DefaultThreadCount();
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;
    return c;
}

} // namespace

AviDecompressor::AviDecompressor() : TBCTransformFilter(kFriendlyName)
{
}

AviDecompressor::~AviDecompressor() = default;

HRESULT AviDecompressor::CheckInputType(const MediaType& mt)
{
    return OpenDecoder(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AviDecompressor::CheckTransform(const MediaType& in, const MediaType& out)
{
    auto vih = in.GetVideoInfo();
    auto to = LayoutOf(out);
    if (!vih || !to || !IsRgbOutput(out.subtype) || to->width != vih->bmiHeader.biWidth ||
        to->height != std::abs(vih->bmiHeader.biHeight))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT AviDecompressor::GetMediaType(int position, MediaType& mt)
{
    auto vih = Input()->CurrentMediaType().GetVideoInfo();
    if (!vih)
        return VFW_S_NO_MORE_ITEMS;
    return OfferRgbOutput(position, vih->bmiHeader.biWidth, std::abs(vih->bmiHeader.biHeight), vih->AvgTimePerFrame,
                          mt);
}

HRESULT AviDecompressor::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    auto to = LayoutOf(Output()->CurrentMediaType());
    if (!to)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return allocator.Require(request, 2, static_cast<int32_t>(to->size));
}

HRESULT AviDecompressor::StartStreaming()
{
    out_ = LayoutOf(Output()->CurrentMediaType());
    if (!out_)
        return S_OK; // not connected through: Receive drops everything
    codec_ = OpenDecoder(Input()->CurrentMediaType());
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!codec_ || !packet_ || !frame_)
        return E_FAIL;
    converter_.Reset();
    stamps_.clear();
    waitKey_ = true;
    return S_OK;
}

HRESULT AviDecompressor::StopStreaming()
{
    codec_.reset();
    packet_.reset();
    frame_.reset();
    converter_.Reset();
    stamps_.clear();
    return S_OK;
}

void AviDecompressor::Restart()
{
    if (codec_)
        avcodec_flush_buffers(codec_.get());
    stamps_.clear();
    waitKey_ = true;
}

HRESULT AviDecompressor::Receive(const SamplePtr& sample)
{
    if (!codec_ || !Output()->IsConnected())
        return S_OK;
    if (sample->IsDiscontinuity())
        Restart();
    // An empty chunk repeats the previous picture in AVI files: nothing to decode.
    if ((waitKey_ && !sample->IsSyncPoint()) || sample->GetActualDataLength() <= 0)
        return S_OK;
    waitKey_ = false;
    Stamp stamp;
    stamp.timed = sample->GetTime(&stamp.start, &stamp.stop) != VFW_E_SAMPLE_TIME_NOT_SET;
    if (stamp.timed && stamp.stop < stamp.start)
        stamp.stop = stamp.start;
    stamp.sync = sample->IsSyncPoint();
    stamp.preroll = sample->IsPreroll();
    stamp.discontinuity = sample->IsDiscontinuity();
    if (av::SendPacketCopy(codec_.get(), packet_.get(), sample->GetPointer(),
                           static_cast<size_t>(sample->GetActualDataLength()), sample->IsSyncPoint()) < 0)
        return S_OK; // a sample that cannot be decoded is dropped
    stamps_.push_back(stamp);
    if (stamps_.size() > kMaxPending)
        stamps_.pop_front();
    return DeliverDecoded(false);
}

HRESULT AviDecompressor::DeliverDecoded(bool drain)
{
    if (drain)
        avcodec_send_packet(codec_.get(), nullptr);
    HRESULT result = S_OK;
    while (avcodec_receive_frame(codec_.get(), frame_.get()) >= 0) {
        Stamp stamp;
        if (!stamps_.empty()) {
            stamp = stamps_.front();
            stamps_.pop_front();
        }
        SamplePtr out;
        HRESULT hr = Output()->GetDeliveryBuffer(out);
        if (FAILED(hr) || !out) {
            av_frame_unref(frame_.get());
            result = hr == VFW_E_NOT_COMMITTED ? VFW_E_WRONG_STATE : E_FAIL; // stopping
            break;
        }
        const bool converted = static_cast<size_t>(out->GetSize()) >= out_->size &&
                               converter_.Convert(PlanesOf(*frame_), out_->Planes(out->GetPointer()));
        av_frame_unref(frame_.get());
        if (!converted)
            continue;
        out->SetActualDataLength(static_cast<int32_t>(out_->size));
        if (stamp.timed)
            out->SetTime(stamp.start, stamp.stop);
        out->SetSyncPoint(true); // every picture given out stands on its own
        out->SetPreroll(stamp.preroll);
        out->SetDiscontinuity(stamp.discontinuity);
        hr = Output()->Deliver(out);
        if (FAILED(hr)) {
            result = hr;
            break;
        }
    }
    if (drain) {
        avcodec_flush_buffers(codec_.get()); // ready for a new start after the drain
        stamps_.clear();
    }
    return result;
}

HRESULT AviDecompressor::EndOfStream()
{
    if (codec_ && Output()->IsConnected())
        DeliverDecoded(true);
    return TBCTransformFilter::EndOfStream();
}

HRESULT AviDecompressor::EndFlush()
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart();
    }
    return TBCTransformFilter::EndFlush();
}

void RegisterAviDecompressorFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{AviDecompressor::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xCF49D4E0, 0x1115, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}},
                                  MERIT_NORMAL, [] { return std::make_shared<AviDecompressor>(); },
                                  [](const MediaType& mt) { return DecoderOf(mt) != nullptr; }});
}

} // namespace ds
