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
           mt.subtype == MEDIASUBTYPE_UYVY || mt.subtype == MEDIASUBTYPE_I420 || mt.subtype == MEDIASUBTYPE_Y41B;
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

// Every worker holds its picture while it converts it, and the filter holds the newest one: the
// input asks upstream for a buffer for each and one to fill meanwhile. With fewer, the workers
// waited for pictures that the source had no buffer to put in.
class EncoderInputPin : public TBCTransformInputPin {
public:
    explicit EncoderInputPin(DvVideoEncoder& encoder) : TBCTransformInputPin(encoder, "In"), encoder_(encoder) {}
    HRESULT GetAllocatorRequirements(AllocatorProperties& props) override
    {
        props.cBuffers = encoder_.ThreadCount() + 2;
        return S_OK;
    }

private:
    DvVideoEncoder& encoder_;
};

} // namespace

REFERENCE_TIME DvVideoEncoder::FrameStart(bool pal, int64_t k)
{
    // NTSC frames last exactly 1001/30000 s: 333666 2/3 units, rounded per frame, never summed.
    return pal ? k * 400000 : (k * 1001000 + 1) / 3;
}

DvVideoEncoder::DvVideoEncoder() : ParallelTransformFilter(kFriendlyName), threads_(av::DefaultThreadCount())
{
    SetPins(std::make_unique<EncoderInputPin>(*this), std::make_unique<TBCTransformOutputPin>(*this, "Out"));
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

namespace {

av::CodecContextPtr OpenDvEncoder(bool pal)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    av::CodecContextPtr c(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!c)
        return nullptr;
    c->width = 720;
    c->height = pal ? 576 : 480;
    c->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    c->time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
    c->framerate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    c->sample_aspect_ratio = pal ? AVRational{16, 15} : AVRational{8, 9}; // 4:3
    c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    c->thread_count = 1; // the filter's workers are the threads
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;
    return c;
}

} // namespace

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
    encoders_.clear();
    encoders_.resize(static_cast<size_t>(threads_));
    for (Worker& w : encoders_) {
        w.codec = OpenDvEncoder(pal_);
        w.picture.reset(av_frame_alloc());
        if (!w.codec || !w.picture)
            return E_FAIL;
        w.picture->format = w.codec->pix_fmt;
        w.picture->width = w.codec->width;
        w.picture->height = w.codec->height;
        if (av_frame_get_buffer(w.picture.get(), 0) < 0)
            return E_OUTOFMEMORY;
    }
    // A job for each worker and two more, so frames are queued while every worker is busy.
    jobs_.clear();
    jobs_.resize(2 * encoders_.size() + 2);
    for (Job& job : jobs_) {
        job.packet.reset(av_packet_alloc());
        if (!job.packet)
            return E_OUTOFMEMORY;
    }
    last_.reset(av_packet_alloc());
    if (!last_)
        return E_OUTOFMEMORY;
    workers_.Start(
        threads_, static_cast<int>(jobs_.size()), [this](int job, int worker) { return Encode(job, worker); },
        [this](int job, bool worked, bool give) { return Finish(job, worked, give); });
    running_ = true;
    lastSerial_ = 0;
    Restart();
    return S_OK;
}

HRESULT DvVideoEncoder::StopStreaming()
{
    running_ = false;
    workers_.Stop();
    jobs_.clear();
    encoders_.clear();
    last_.reset();
    current_.reset();
    return S_OK;
}

void DvVideoEncoder::Restart()
{
    // No job is in the workers' hands: what a flush left in the slots goes.
    for (Job& job : jobs_) {
        job.picture.reset();
        if (job.packet)
            av_packet_unref(job.packet.get());
    }
    current_.reset();
    started_ = false;
    next_ = 0;
    inputs_ = 0;
    discontinuity_ = true;
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
    current_ = sample;
    ++serial_;
    hr = EmitUntil(stop);
    if (hr == S_OK && synchronous_)
        hr = workers_.Drain();
    return hr;
}

HRESULT DvVideoEncoder::EmitUntil(REFERENCE_TIME limit)
{
    if (!current_)
        return S_OK;
    if (FrameStart(pal_, next_ + kMaxFill) < limit)
        next_ = FrameAt(pal_, limit) - kMaxFill; // a gap no stream has: only its last minute is filled
    for (; FrameStart(pal_, next_) < limit; ++next_)
        if (HRESULT hr = Show(next_); hr != S_OK)
            return hr;
    return S_OK;
}

HRESULT DvVideoEncoder::Show(int64_t frame)
{
    // The next frame of the picture of a job not yet handed on joins it.
    const bool joined = workers_.ChangeNewest([&](int newest) {
        Job& job = jobs_[static_cast<size_t>(newest)];
        if (job.serial != serial_ || job.frame + job.count != frame)
            return false;
        ++job.count;
        return true;
    });
    if (joined)
        return S_OK;
    const int slot = workers_.Reserve();
    if (slot < 0)
        return workers_.Answer();
    Job& job = jobs_[static_cast<size_t>(slot)];
    job.serial = serial_;
    job.frame = frame;
    job.count = 1;
    job.repeat = queuedSerial_ == serial_; // its frame is made already: it goes out again
    job.picture = job.repeat ? nullptr : current_;
    queuedSerial_ = serial_;
    return workers_.Submit(slot, !job.repeat);
}

bool DvVideoEncoder::Encode(int slot, int worker)
{
    Job& job = jobs_[static_cast<size_t>(slot)];
    Worker& w = encoders_[static_cast<size_t>(worker)];
    AVFrame* picture = w.picture.get();
    // The codec let go of the picture when its last frame came out: it is the worker's again.
    bool ok = av_frame_is_writable(picture) &&
              w.converter.Convert(in_->Planes(job.picture->GetPointer()), PlanesOf(*picture));
    job.picture.reset();
    const int frameSize = static_cast<int>(pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize);
    picture->pts = job.frame;
    ok = ok && avcodec_send_frame(w.codec.get(), picture) >= 0 &&
         avcodec_receive_packet(w.codec.get(), job.packet.get()) >= 0 && job.packet->size == frameSize;
    if (!ok)
        av_packet_unref(job.packet.get());
    return ok;
}

HRESULT DvVideoEncoder::Finish(int slot, bool worked, bool give)
{
    Job& job = jobs_[static_cast<size_t>(slot)];
    job.picture.reset();
    if (!job.repeat && worked) {
        av_packet_unref(last_.get());
        av_packet_move_ref(last_.get(), job.packet.get());
        lastSerial_ = job.serial;
    }
    // A frame that could not be made, and its repeats, have nothing to give.
    if (!give || lastSerial_ != job.serial || (!job.repeat && !worked))
        return S_OK;
    HRESULT hr = S_OK;
    for (int64_t k = 0; k < job.count && hr == S_OK; ++k)
        hr = DeliverFrame(last_->data, job.frame + k);
    return hr;
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

void RegisterDvVideoEncoderFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvVideoEncoder::kFriendlyName, CLSID_VideoCompressorCategory,
                                  Guid{0x13AA3650, 0xBB6F, 0x11D0, {0xAF, 0xB9, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<DvVideoEncoder>(); },
                                  [](const MediaType& mt) { return IsEncoderInput(mt); }});
}

} // namespace ds
