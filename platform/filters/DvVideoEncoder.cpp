#include "platform/filters/DvVideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstring>

#include "formats/DvAudio.h"
#include "platform/dshow/FilterRegistry.h"
#include "platform/filters/DvSplitter.h"

namespace ds {
namespace {

constexpr int kMinSide = 16, kMaxSide = 4096;
// Frames one input sample may fill: a minute. Times further apart are a broken stream, whose
// frames in between are skipped rather than encoded for ever.
constexpr int64_t kMaxFill = 30 * 60;

bool IsEncoderInput(const MediaType& mt)
{
    auto layout = LayoutOf(mt);
    if (!layout || layout->width < kMinSide || layout->width > kMaxSide || layout->height < kMinSide ||
        layout->height > kMaxSide)
        return false;
    return mt.subtype == MEDIASUBTYPE_RGB24 || mt.subtype == MEDIASUBTYPE_RGB32 || mt.subtype == MEDIASUBTYPE_YUY2 ||
           mt.subtype == MEDIASUBTYPE_UYVY || mt.subtype == MEDIASUBTYPE_I420;
}

int64_t FrameAt(bool pal, REFERENCE_TIME t) // the last frame starting at or before t (t >= 0)
{
    int64_t k = pal ? t / 400000 : t * 3 / 1001000;
    while (DvVideoEncoder::FrameStart(pal, k + 1) <= t)
        ++k;
    while (k > 0 && DvVideoEncoder::FrameStart(pal, k) > t)
        --k;
    return k;
}

} // namespace

REFERENCE_TIME DvVideoEncoder::FrameStart(bool pal, int64_t k)
{
    // NTSC frames last exactly 1001/30000 s: 333666 2/3 units, rounded per frame, never summed.
    return pal ? k * 400000 : (k * 1001000 + 1) / 3;
}

DvVideoEncoder::DvVideoEncoder() : TBCTransformFilter(kFriendlyName), threads_(av::DefaultThreadCount())
{
}

DvVideoEncoder::~DvVideoEncoder() = default;

HRESULT DvVideoEncoder::put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool, const DvInfo*)
{
    if ((videoFormat != DVENCODERVIDEOFORMAT_NTSC && videoFormat != DVENCODERVIDEOFORMAT_PAL) ||
        dvFormat != DVENCODERFORMAT_DVSD || resolution != DVENCODERRESOLUTION_720x480)
        return E_INVALIDARG;
    videoFormat_.store(videoFormat);
    return S_OK;
}

HRESULT DvVideoEncoder::get_IFormatResolution(int& videoFormat, int& dvFormat, int& resolution, bool getDvInfo,
                                              DvInfo* info)
{
    videoFormat = videoFormat_.load();
    dvFormat = DVENCODERFORMAT_DVSD;
    resolution = DVENCODERRESOLUTION_720x480;
    if (getDvInfo && info)
        *info = DvInfo();
    return S_OK;
}

HRESULT DvVideoEncoder::CheckInputType(const MediaType& mt)
{
    return IsEncoderInput(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvVideoEncoder::CheckTransform(const MediaType& in, const MediaType& out)
{
    auto vih = out.GetVideoInfo();
    if (!IsEncoderInput(in) || out.majortype != MEDIATYPE_Video || out.subtype != MEDIASUBTYPE_dvsd || !vih)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const bool pal = videoFormat_.load() == DVENCODERVIDEOFORMAT_PAL;
    return std::abs(vih->bmiHeader.biHeight) == (pal ? 576 : 480) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvVideoEncoder::GetMediaType(int position, MediaType& mt)
{
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    mt = DvVideoType(videoFormat_.load() == DVENCODERVIDEOFORMAT_PAL);
    return S_OK;
}

HRESULT DvVideoEncoder::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    request.cBuffers = std::max(request.cBuffers, 4);
    request.cbBuffer = std::max<int32_t>(request.cbBuffer, static_cast<int32_t>(formats::kDvFrameSize625));
    AllocatorProperties actual;
    return allocator.SetProperties(request, actual);
}

HRESULT DvVideoEncoder::StartStreaming()
{
    in_ = LayoutOf(Input()->CurrentMediaType());
    auto out = Output()->CurrentMediaType().GetVideoInfo();
    if (!in_ || !out)
        return S_OK; // not connected through: Receive drops everything
    pal_ = std::abs(out->bmiHeader.biHeight) == 576;
    auto vih = Input()->CurrentMediaType().GetVideoInfo();
    inFrameTime_ = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : FrameStart(pal_, 1);

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        return E_FAIL;
    codec_.reset(avcodec_alloc_context3(codec));
    picture_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!codec_ || !picture_ || !packet_)
        return E_OUTOFMEMORY;
    codec_->width = 720;
    codec_->height = pal_ ? 576 : 480;
    codec_->pix_fmt = pal_ ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    codec_->time_base = pal_ ? AVRational{1, 25} : AVRational{1001, 30000};
    codec_->framerate = pal_ ? AVRational{25, 1} : AVRational{30000, 1001};
    codec_->sample_aspect_ratio = pal_ ? AVRational{16, 15} : AVRational{8, 9}; // 4:3
    codec_->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    codec_->thread_type = FF_THREAD_SLICE;
    codec_->thread_count = threads_;
    if (avcodec_open2(codec_.get(), codec, nullptr) < 0) {
        codec_.reset();
        return E_FAIL;
    }
    picture_->format = codec_->pix_fmt;
    picture_->width = codec_->width;
    picture_->height = codec_->height;
    if (av_frame_get_buffer(picture_.get(), 0) < 0) {
        codec_.reset();
        return E_OUTOFMEMORY;
    }
    encoded_.resize(pal_ ? formats::kDvFrameSize625 : formats::kDvFrameSize525);
    converter_.Reset();
    Restart();
    return S_OK;
}

HRESULT DvVideoEncoder::StopStreaming()
{
    codec_.reset();
    picture_.reset();
    packet_.reset();
    converter_.Reset();
    return S_OK;
}

void DvVideoEncoder::Restart()
{
    havePicture_ = haveEncoded_ = started_ = false;
    discontinuity_ = true;
    next_ = 0;
    inputs_ = 0;
}

HRESULT DvVideoEncoder::Receive(const SamplePtr& sample)
{
    if (!codec_ || !Output()->IsConnected())
        return S_OK;
    if (static_cast<size_t>(sample->GetActualDataLength()) < in_->size)
        return S_OK; // too short for its picture: dropped
    REFERENCE_TIME start = 0, stop = 0;
    const HRESULT timed = sample->GetTime(&start, &stop);
    if (timed == VFW_E_SAMPLE_TIME_NOT_SET)
        start = inputs_ * inFrameTime_;
    if (timed != S_OK || stop <= start)
        stop = start + inFrameTime_;
    ++inputs_;
    if (!started_) {
        next_ = start > 0 ? FrameAt(pal_, start) : 0;
        started_ = true;
    }
    // Frames before this picture's start still show the previous one.
    HRESULT hr = EmitUntil(start);
    if (FAILED(hr))
        return hr;
    if (!av_frame_is_writable(picture_.get()) && av_frame_make_writable(picture_.get()) < 0)
        return E_OUTOFMEMORY;
    PicturePlanes to;
    to.format = picture_->format;
    to.width = picture_->width;
    to.height = picture_->height;
    for (int i = 0; i < 4; ++i) {
        to.data[i] = picture_->data[i];
        to.linesize[i] = picture_->linesize[i];
    }
    if (!converter_.Convert(in_->Planes(sample->GetPointer()), to))
        return S_OK;
    havePicture_ = true;
    haveEncoded_ = false;
    return EmitUntil(stop);
}

HRESULT DvVideoEncoder::EmitUntil(REFERENCE_TIME limit)
{
    if (!havePicture_)
        return S_OK;
    if (FrameStart(pal_, next_ + kMaxFill) < limit)
        next_ = FrameAt(pal_, limit) - kMaxFill; // a gap no stream has: only its last minute is filled
    while (FrameStart(pal_, next_) < limit) {
        HRESULT hr = Emit();
        if (FAILED(hr))
            return hr;
        ++next_;
    }
    return S_OK;
}

HRESULT DvVideoEncoder::Emit()
{
    // A picture repeated for several frames is encoded once.
    if (!haveEncoded_) {
        picture_->pts = next_;
        if (avcodec_send_frame(codec_.get(), picture_.get()) < 0 ||
            avcodec_receive_packet(codec_.get(), packet_.get()) < 0)
            return S_OK; // nothing to give for this frame
        const bool whole = static_cast<size_t>(packet_->size) == encoded_.size();
        if (whole)
            std::memcpy(encoded_.data(), packet_->data, encoded_.size());
        av_packet_unref(packet_.get());
        if (!whole)
            return S_OK;
        haveEncoded_ = true;
    }
    SamplePtr out;
    HRESULT hr = Output()->GetDeliveryBuffer(out);
    if (FAILED(hr) || !out)
        return hr == VFW_E_NOT_COMMITTED ? VFW_E_WRONG_STATE : E_FAIL; // the graph is stopping
    if (static_cast<size_t>(out->GetSize()) < encoded_.size())
        return E_FAIL;
    std::memcpy(out->GetPointer(), encoded_.data(), encoded_.size());
    out->SetActualDataLength(static_cast<int32_t>(encoded_.size()));
    out->SetTime(FrameStart(pal_, next_), FrameStart(pal_, next_ + 1));
    out->SetSyncPoint(true);
    out->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
    return Output()->Deliver(out);
}

HRESULT DvVideoEncoder::EndFlush()
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart();
    }
    return TBCTransformFilter::EndFlush();
}

HRESULT DvVideoEncoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> guard(receiveLock_);
        Restart(); // times count from the new segment's start
    }
    return TBCTransformFilter::NewSegment(start, stop, rate);
}

void RegisterDvVideoEncoderFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvVideoEncoder::kFriendlyName, CLSID_VideoCompressorCategory,
                                  Guid{0x13AA3650, 0xBB6F, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<DvVideoEncoder>(); },
                                  [](const MediaType& mt) { return IsEncoderInput(mt); }});
}

} // namespace ds
