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
// Times beyond three years are broken too; keeping them below this keeps the frame arithmetic in range.
constexpr REFERENCE_TIME kMaxTime = REFERENCE_TIME(1) << 50;

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
    return allocator.Require(request, 4, static_cast<int32_t>(formats::kPalFrameSize));
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
    packet_.reset(av_packet_alloc());
    last_.reset(av_packet_alloc());
    if (!packet_ || !last_ || !OpenEncoder())
        return E_FAIL;
    sent_.reserve(static_cast<size_t>(threads_) + 8); // the encoder holds about one frame a thread
    // A picture is held by the encoder's threads until its frame is done: one for each, one being
    // filled, one current.
    pictures_.clear();
    for (int i = 0; i < threads_ + 2; ++i) {
        av::FramePtr picture(av_frame_alloc());
        if (!picture)
            return E_OUTOFMEMORY;
        picture->format = codec_->pix_fmt;
        picture->width = codec_->width;
        picture->height = codec_->height;
        if (av_frame_get_buffer(picture.get(), 0) < 0)
            return E_OUTOFMEMORY;
        pictures_.push_back(std::move(picture));
    }
    converter_.Reset();
    converter_.SetThreads(threads_);
    Restart();
    return S_OK;
}

bool DvVideoEncoder::OpenEncoder()
{
    codec_.reset();
    used_ = false;
    sent_.clear();
    if (last_)
        av_packet_unref(last_.get());
    lastPicture_ = 0;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    av::CodecContextPtr c(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!c)
        return false;
    c->width = 720;
    c->height = pal_ ? 576 : 480;
    c->pix_fmt = pal_ ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    c->time_base = pal_ ? AVRational{1, 25} : AVRational{1001, 30000};
    c->framerate = pal_ ? AVRational{25, 1} : AVRational{30000, 1001};
    c->sample_aspect_ratio = pal_ ? AVRational{16, 15} : AVRational{8, 9}; // 4:3
    c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    // Frames are encoded side by side, each on a thread of its own: a frame comes out a few
    // frames later, its number in its pts.
    c->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    c->thread_count = threads_;
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return false;
    codec_ = std::move(c);
    return true;
}

HRESULT DvVideoEncoder::StopStreaming()
{
    codec_.reset();
    pictures_.clear();
    packet_.reset();
    last_.reset();
    converter_.Reset();
    converter_.SetThreads(1);
    return S_OK;
}

void DvVideoEncoder::Restart()
{
    // Frames still in the encoder belong to the stream before: they are thrown away with it.
    if (codec_ && used_)
        OpenEncoder();
    current_ = -1;
    started_ = false;
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
    start = std::clamp(start, -kMaxTime, kMaxTime);
    // A sample said to last more than a minute lasts a frame.
    if (timed != S_OK || stop <= start || stop - start > kMaxFill * inFrameTime_)
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
    // A picture no encoder thread holds any more takes the new one.
    int slot = -1;
    for (int i = 0; i < static_cast<int>(pictures_.size()) && slot < 0; ++i)
        if (i != current_ && av_frame_is_writable(pictures_[static_cast<size_t>(i)].get()))
            slot = i;
    if (slot < 0) {
        slot = (current_ + 1) % static_cast<int>(pictures_.size());
        if (av_frame_make_writable(pictures_[static_cast<size_t>(slot)].get()) < 0)
            return E_OUTOFMEMORY;
    }
    AVFrame* picture = pictures_[static_cast<size_t>(slot)].get();
    PicturePlanes to;
    to.format = picture->format;
    to.width = picture->width;
    to.height = picture->height;
    for (int i = 0; i < 4; ++i) {
        to.data[i] = picture->data[i];
        to.linesize[i] = picture->linesize[i];
    }
    if (!converter_.Convert(in_->Planes(sample->GetPointer()), to))
        return S_OK;
    current_ = slot;
    ++serial_;
    return EmitUntil(stop);
}

HRESULT DvVideoEncoder::EmitUntil(REFERENCE_TIME limit)
{
    if (current_ < 0)
        return S_OK;
    if (FrameStart(pal_, next_ + kMaxFill) < limit)
        next_ = FrameAt(pal_, limit) - kMaxFill; // a gap no stream has: only its last minute is filled
    AVFrame* picture = pictures_[static_cast<size_t>(current_)].get();
    for (; FrameStart(pal_, next_) < limit; ++next_) {
        // A picture repeated for several frames is encoded once: its frame goes out again.
        if (!sent_.empty() && sent_.back().picture == serial_) {
            ++sent_.back().repeats;
            continue;
        }
        if (sent_.empty() && lastPicture_ == serial_) {
            if (HRESULT hr = DeliverFrame(last_->data, next_); FAILED(hr))
                return hr;
            continue;
        }
        picture->pts = next_;
        if (avcodec_send_frame(codec_.get(), picture) < 0)
            continue; // nothing to give for this frame
        used_ = true;
        sent_.push_back(Sent{next_, serial_, 0});
        if (HRESULT hr = DeliverEncoded(); FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT DvVideoEncoder::DeliverEncoded()
{
    const size_t frameSize = pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize;
    HRESULT result = S_OK;
    while (SUCCEEDED(result) && avcodec_receive_packet(codec_.get(), packet_.get()) >= 0) {
        Sent sent{packet_->pts, 0, 0};
        if (!sent_.empty()) {
            sent = sent_.front();
            sent_.erase(sent_.begin());
        }
        if (static_cast<size_t>(packet_->size) != frameSize) {
            av_packet_unref(packet_.get());
            continue;
        }
        for (int64_t k = 0; k <= sent.repeats && SUCCEEDED(result); ++k)
            result = DeliverFrame(packet_->data, sent.frame + k);
        // Kept, for a picture that goes on after its frames are out.
        av_packet_unref(last_.get());
        av_packet_move_ref(last_.get(), packet_.get());
        lastPicture_ = sent.picture;
    }
    return result;
}

HRESULT DvVideoEncoder::DeliverFrame(const uint8_t* dv, int64_t frame)
{
    const size_t frameSize = pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize;
    SamplePtr out;
    HRESULT hr = Output()->GetDeliveryBuffer(out);
    if (FAILED(hr) || !out || static_cast<size_t>(out->GetSize()) < frameSize)
        return hr == VFW_E_NOT_COMMITTED ? VFW_E_WRONG_STATE : E_FAIL; // the graph is stopping
    std::memcpy(out->GetPointer(), dv, frameSize);
    out->SetActualDataLength(static_cast<int32_t>(frameSize));
    out->SetTime(FrameStart(pal_, frame), FrameStart(pal_, frame + 1));
    out->SetSyncPoint(true);
    out->SetDiscontinuity(discontinuity_);
    discontinuity_ = false;
    return Output()->Deliver(out);
}

HRESULT DvVideoEncoder::EndOfStream()
{
    // The frames still being encoded go out before the end of the stream.
    if (codec_ && Output()->IsConnected() && used_) {
        avcodec_send_frame(codec_.get(), nullptr);
        DeliverEncoded();
        OpenEncoder(); // a drained encoder takes no more frames
    }
    return TBCTransformFilter::EndOfStream();
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
