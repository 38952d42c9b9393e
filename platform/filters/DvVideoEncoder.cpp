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
    running_ = false;
    in_ = LayoutOf(Input()->CurrentMediaType());
    auto out = Output()->CurrentMediaType().GetVideoInfo();
    if (!in_ || !out)
        return S_OK; // not connected through: Receive drops everything
    pal_ = std::abs(out->bmiHeader.biHeight) == 576;
    auto vih = Input()->CurrentMediaType().GetVideoInfo();
    inFrameTime_ = vih->AvgTimePerFrame > 0 ? vih->AvgTimePerFrame : FrameStart(pal_, 1);
    if (!encoders_.Start(threads_, pal_, [this](const uint8_t* dv, int64_t frame, bool discontinuity) {
            return DeliverFrame(dv, frame, discontinuity);
        }))
        return E_FAIL;
    converter_.Reset();
    converter_.SetThreads(threads_);
    running_ = true;
    Restart();
    return S_OK;
}

HRESULT DvVideoEncoder::StopStreaming()
{
    running_ = false;
    encoders_.Stop();
    converter_.Reset();
    converter_.SetThreads(1);
    return S_OK;
}

void DvVideoEncoder::Restart()
{
    encoders_.Restart();
    picture_ = false;
    started_ = false;
    next_ = 0;
    inputs_ = 0;
}

HRESULT DvVideoEncoder::Receive(const SamplePtr& sample)
{
    if (!running_ || !Output()->IsConnected())
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
    if (hr != S_OK)
        return hr;
    const int slot = encoders_.FreePicture();
    if (slot < 0)
        return S_FALSE; // flushing or stopping
    AVFrame* picture = encoders_.Picture(slot);
    if (!av_frame_is_writable(picture) && av_frame_make_writable(picture) < 0)
        return E_OUTOFMEMORY;
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
    encoders_.SetCurrent(slot);
    picture_ = true;
    hr = EmitUntil(stop);
    if (hr == S_OK && synchronous_)
        hr = encoders_.Drain();
    return hr;
}

HRESULT DvVideoEncoder::EmitUntil(REFERENCE_TIME limit)
{
    if (!picture_)
        return S_OK;
    if (FrameStart(pal_, next_ + kMaxFill) < limit)
        next_ = FrameAt(pal_, limit) - kMaxFill; // a gap no stream has: only its last minute is filled
    for (; FrameStart(pal_, next_) < limit; ++next_)
        if (HRESULT hr = encoders_.Show(next_); hr != S_OK)
            return hr;
    return S_OK;
}

HRESULT DvVideoEncoder::DeliverFrame(const uint8_t* dv, int64_t frame, bool discontinuity)
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
    out->SetDiscontinuity(discontinuity);
    return Output()->Deliver(out);
}

HRESULT DvVideoEncoder::EndOfStream()
{
    // The frames still being encoded go out before the end of the stream.
    if (running_ && Output()->IsConnected())
        encoders_.Drain();
    return TBCTransformFilter::EndOfStream();
}

HRESULT DvVideoEncoder::BeginFlush()
{
    encoders_.BeginFlush();
    return TBCTransformFilter::BeginFlush();
}

HRESULT DvVideoEncoder::EndFlush()
{
    encoders_.EndFlush();
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
        if (running_)
            encoders_.Drain(); // the frames of the segment before go out first
        Restart();             // times count from the new segment's start
    }
    return TBCTransformFilter::NewSegment(start, stop, rate);
}

void DvVideoEncoder::BeginStop()
{
    encoders_.BeginStop();
    TBCTransformFilter::BeginStop();
}

void DvVideoEncoder::JoinStreamingThreads()
{
    encoders_.WaitIdle();
    TBCTransformFilter::JoinStreamingThreads();
}

void RegisterDvVideoEncoderFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvVideoEncoder::kFriendlyName, CLSID_VideoCompressorCategory,
                                  Guid{0x13AA3650, 0xBB6F, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<DvVideoEncoder>(); },
                                  [](const MediaType& mt) { return IsEncoderInput(mt); }});
}

} // namespace ds
