#include "platform/filters/DvVideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstdlib>

#include "formats/DvAudio.h"
#include "platform/dshow/FilterRegistry.h"

namespace ds {
namespace {

// The output subtypes, in the order offered.
const Guid* const kOutputs[] = {&MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_UYVY};

bool IsDvVideo(const MediaType& mt)
{
    return mt.majortype == MEDIATYPE_Video && mt.subtype == MEDIASUBTYPE_dvsd && mt.GetVideoInfo().has_value();
}

// The standard of a DV video type: its height says, else its image size.
std::optional<bool> IsPal(const MediaType& mt)
{
    auto vih = mt.GetVideoInfo();
    if (!vih)
        return std::nullopt;
    const int height = std::abs(vih->bmiHeader.biHeight);
    if (height == 576 || height == 480)
        return height == 576;
    if (vih->bmiHeader.biSizeImage == formats::kPalFrameSize || vih->bmiHeader.biSizeImage == formats::kNtscFrameSize)
        return vih->bmiHeader.biSizeImage == formats::kPalFrameSize;
    return std::nullopt;
}

int64_t FrameTime(const MediaType& mt, bool pal)
{
    auto vih = mt.GetVideoInfo();
    return vih && vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : (pal ? 400000 : 333667);
}

} // namespace

DvVideoDecoder::DvVideoDecoder() : TBCTransformFilter(kFriendlyName), threads_(av::DefaultThreadCount())
{
}

DvVideoDecoder::~DvVideoDecoder() = default;

HRESULT DvVideoDecoder::put_IPDisplay(int displayPix)
{
    if (displayPix != DVRESOLUTION_FULL && displayPix != DVRESOLUTION_HALF)
        return E_INVALIDARG;
    display_.store(displayPix);
    return S_OK;
}

HRESULT DvVideoDecoder::get_IPDisplay(int& displayPix)
{
    displayPix = display_.load();
    return S_OK;
}

HRESULT DvVideoDecoder::CheckInputType(const MediaType& mt)
{
    return IsDvVideo(mt) && IsPal(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvVideoDecoder::CheckTransform(const MediaType& in, const MediaType& out)
{
    auto pal = IsPal(in);
    auto layout = LayoutOf(out);
    if (!pal || !layout ||
        std::none_of(std::begin(kOutputs), std::end(kOutputs), [&](const Guid* g) { return *g == out.subtype; }))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const int rows = *pal ? 576 : 480;
    const bool full = layout->width == 720 && layout->height == rows;
    const bool half = layout->width == 360 && layout->height == rows / 2;
    return full || half ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvVideoDecoder::GetMediaType(int position, MediaType& mt)
{
    if (position >= static_cast<int>(std::size(kOutputs)))
        return VFW_S_NO_MORE_ITEMS;
    const MediaType& in = Input()->CurrentMediaType();
    auto pal = IsPal(in);
    if (!pal)
        return VFW_S_NO_MORE_ITEMS;
    const int shift = display_.load() == DVRESOLUTION_HALF ? 1 : 0;
    mt = PictureType(*kOutputs[position], 720 >> shift, (*pal ? 576 : 480) >> shift, FrameTime(in, *pal));
    return S_OK;
}

HRESULT DvVideoDecoder::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    auto layout = LayoutOf(Output()->CurrentMediaType());
    if (!layout)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return allocator.Require(request, 2, static_cast<int32_t>(layout->size));
}

HRESULT DvVideoDecoder::StartStreaming()
{
    auto pal = IsPal(Input()->CurrentMediaType());
    out_ = LayoutOf(Output()->CurrentMediaType());
    if (!pal || !out_)
        return S_OK; // not connected through: Receive drops everything
    frameSize_ = *pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
    const int lowres = out_->width == 360 ? 1 : 0;
    decodedWidth_ = 720 >> lowres;
    decodedHeight_ = (*pal ? 576 : 480) >> lowres;

    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        return E_FAIL;
    codec_.reset(avcodec_alloc_context3(codec));
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!codec_ || !packet_ || !frame_)
        return E_OUTOFMEMORY;
    // Slice threads only: frame threads would hold pictures back, and each sample must come out
    // in the same call, with its own times.
    codec_->thread_type = FF_THREAD_SLICE;
    codec_->thread_count = threads_;
    codec_->lowres = lowres;
    if (avcodec_open2(codec_.get(), codec, nullptr) < 0) {
        codec_.reset();
        return E_FAIL;
    }
    converter_.Reset();
    converter_.SetThreads(threads_);
    return S_OK;
}

HRESULT DvVideoDecoder::StopStreaming()
{
    codec_.reset();
    packet_.reset();
    frame_.reset();
    converter_.Reset();
    converter_.SetThreads(1);
    return S_OK;
}

HRESULT DvVideoDecoder::Transform(MediaSample& in, MediaSample& out)
{
    out.SetMediaType(nullptr);
    if (!codec_ || !out_ || static_cast<size_t>(in.GetActualDataLength()) != frameSize_ ||
        out.GetSize() < static_cast<int32_t>(out_->size))
        return S_FALSE;
    if (av::SendPacketCopy(codec_.get(), packet_.get(), in.GetPointer(), frameSize_) < 0)
        return S_FALSE;
    if (avcodec_receive_frame(codec_.get(), frame_.get()) < 0)
        return S_FALSE;
    // A damaged frame may decode to another size: it is not this stream's picture.
    bool ok = frame_->width == decodedWidth_ && frame_->height == decodedHeight_;
    if (ok) {
        PicturePlanes from;
        from.format = frame_->format;
        from.width = frame_->width;
        from.height = frame_->height;
        for (int i = 0; i < 4; ++i) {
            from.data[i] = frame_->data[i];
            from.linesize[i] = frame_->linesize[i];
        }
        ok = converter_.Convert(from, out_->Planes(out.GetPointer()));
    }
    av_frame_unref(frame_.get());
    if (!ok)
        return S_FALSE;
    out.SetActualDataLength(static_cast<int32_t>(out_->size));
    return S_OK;
}

void RegisterDvVideoDecoderFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvVideoDecoder::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xB1B77C00, 0xC3E4, 0x11CF, {0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_NORMAL, [] { return std::make_shared<DvVideoDecoder>(); },
                                  [](const MediaType& mt) { return IsDvVideo(mt) && IsPal(mt).has_value(); }});
}

} // namespace ds
