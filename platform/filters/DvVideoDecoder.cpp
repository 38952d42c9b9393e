#include "platform/filters/DvVideoDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "formats/DvAudio.h"
#include "platform/dshow/FilterRegistry.h"

namespace ds {
namespace {

// The output subtypes, in the order offered; the codec's own planar picture comes last (see
// NativeSubtype), taken only by those who ask for it.
const Guid* const kOutputs[] = {&MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_YUY2, &MEDIASUBTYPE_UYVY};
constexpr int kOffered = static_cast<int>(std::size(kOutputs)) + 1;

bool IsOutput(const Guid& subtype)
{
    return subtype == MEDIASUBTYPE_I420 || subtype == MEDIASUBTYPE_Y41B ||
           std::any_of(std::begin(kOutputs), std::end(kOutputs), [&](const Guid* g) { return *g == subtype; });
}

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

const Guid& DvVideoDecoder::NativeSubtype(bool pal)
{
    return pal ? MEDIASUBTYPE_I420 : MEDIASUBTYPE_Y41B;
}

DvVideoDecoder::DvVideoDecoder() : ParallelTransformFilter(kFriendlyName), threads_(av::DefaultThreadCount())
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
    if (!pal || !layout || !IsOutput(out.subtype))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const int rows = *pal ? 576 : 480;
    const bool full = layout->width == 720 && layout->height == rows;
    const bool half = layout->width == 360 && layout->height == rows / 2;
    return full || half ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT DvVideoDecoder::GetMediaType(int position, MediaType& mt)
{
    if (position >= kOffered)
        return VFW_S_NO_MORE_ITEMS;
    const MediaType& in = Input()->CurrentMediaType();
    auto pal = IsPal(in);
    if (!pal)
        return VFW_S_NO_MORE_ITEMS;
    const int shift = display_.load() == DVRESOLUTION_HALF ? 1 : 0;
    const Guid& subtype = position < kOffered - 1 ? *kOutputs[position] : NativeSubtype(*pal);
    mt = PictureType(subtype, 720 >> shift, (*pal ? 576 : 480) >> shift, FrameTime(in, *pal));
    return S_OK;
}

HRESULT DvVideoDecoder::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    auto layout = LayoutOf(Output()->CurrentMediaType());
    if (!layout)
        return VFW_E_TYPE_NOT_ACCEPTED;
    // In parallel, a buffer for every job and one for the picture going out.
    return allocator.Require(request, parallel_ ? JobCount() + 1 : 2, static_cast<int32_t>(layout->size));
}

bool DvVideoDecoder::Decoding::Open(int lowres, int threads)
{
    const AVCodec* dv = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    if (!dv)
        return false;
    codec.reset(avcodec_alloc_context3(dv));
    packet.reset(av_packet_alloc());
    frame.reset(av_frame_alloc());
    if (!codec || !packet || !frame)
        return false;
    // Slice threads only: frame threads would hold pictures back, and each sample must come out
    // in the same call, with its own times.
    codec->thread_type = FF_THREAD_SLICE;
    codec->thread_count = threads;
    codec->lowres = lowres;
    if (avcodec_open2(codec.get(), dv, nullptr) < 0) {
        codec.reset();
        return false;
    }
    converter.Reset();
    converter.SetThreads(threads);
    return true;
}

bool DvVideoDecoder::Decoding::Decode(const uint8_t* dv, size_t size, int width, int height,
                                      const PictureLayout& layout, uint8_t* out)
{
    if (av::SendPacketCopy(codec.get(), packet.get(), dv, size) < 0 ||
        avcodec_receive_frame(codec.get(), frame.get()) < 0)
        return false;
    // A damaged frame may decode to another size: it is not this stream's picture.
    bool ok = frame->width == width && frame->height == height;
    if (ok)
        ok = converter.Convert(PlanesOf(*frame), layout.Planes(out));
    av_frame_unref(frame.get());
    return ok;
}

HRESULT DvVideoDecoder::StartStreaming()
{
    running_ = false;
    auto pal = IsPal(Input()->CurrentMediaType());
    out_ = LayoutOf(Output()->CurrentMediaType());
    if (!pal || !out_)
        return S_OK; // not connected through: Receive drops everything
    frameSize_ = *pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
    const int lowres = out_->width == 360 ? 1 : 0;
    decodedWidth_ = 720 >> lowres;
    decodedHeight_ = (*pal ? 576 : 480) >> lowres;
    if (!parallel_) {
        if (!serial_.Open(lowres, threads_))
            return E_FAIL;
        running_ = true;
        return S_OK;
    }
    decoders_.clear();
    decoders_.resize(static_cast<size_t>(threads_));
    for (Decoding& d : decoders_)
        if (!d.Open(lowres, 1))
            return E_FAIL;
    // Each job takes an output buffer, in any order, and holds it until its turn to go out: with
    // no more jobs than buffers, the first always finds one once the filters downstream let go.
    AllocatorProperties pool;
    Output()->Allocator()->GetProperties(pool);
    const int jobs = std::clamp(pool.cBuffers - Output()->OutputQueueDepth(), 1, JobCount());
    jobs_.clear();
    jobs_.resize(static_cast<size_t>(jobs));
    for (Job& job : jobs_) {
        job.input = std::make_unique<MediaSample>(static_cast<int32_t>(frameSize_));
        if (job.input->GetSize() != static_cast<int32_t>(frameSize_))
            return E_OUTOFMEMORY;
    }
    workers_.Start(
        threads_, jobs, [this](int job, int worker) { return DecodeJob(job, worker); },
        [this](int job, bool worked, bool give) { return Finish(job, worked, give); });
    running_ = true;
    return S_OK;
}

HRESULT DvVideoDecoder::StopStreaming()
{
    running_ = false;
    workers_.Stop();
    jobs_.clear();
    decoders_.clear();
    serial_ = Decoding();
    return S_OK;
}

void DvVideoDecoder::Restart()
{
    for (Job& job : jobs_)
        job.output.reset(); // what a flush left
}

HRESULT DvVideoDecoder::Transform(MediaSample& in, MediaSample& out)
{
    out.SetMediaType(nullptr);
    if (!running_ || static_cast<size_t>(in.GetActualDataLength()) != frameSize_ ||
        out.GetSize() < static_cast<int32_t>(out_->size))
        return S_FALSE;
    if (!serial_.Decode(in.GetPointer(), frameSize_, decodedWidth_, decodedHeight_, *out_, out.GetPointer()))
        return S_FALSE;
    out.SetActualDataLength(static_cast<int32_t>(out_->size));
    return S_OK;
}

HRESULT DvVideoDecoder::Receive(const SamplePtr& sample)
{
    if (!parallel_ || !running_)
        return TBCTransformFilter::Receive(sample);
    if (!Output()->IsConnected() || static_cast<size_t>(sample->GetActualDataLength()) != frameSize_)
        return S_OK; // another frame size: dropped
    const int slot = workers_.Reserve();
    if (slot < 0)
        return workers_.Answer();
    // A copy: the upstream buffer goes back at once, whatever the workers' pace.
    MediaSample& input = *jobs_[static_cast<size_t>(slot)].input;
    std::memcpy(input.GetPointer(), sample->GetPointer(), frameSize_);
    input.CopyPropertiesFrom(*sample);
    input.SetActualDataLength(static_cast<int32_t>(frameSize_));
    return workers_.Submit(slot, true);
}

bool DvVideoDecoder::DecodeJob(int slot, int worker)
{
    Job& job = jobs_[static_cast<size_t>(slot)];
    SamplePtr out;
    if (FAILED(Output()->GetDeliveryBuffer(out)) || !out || out->GetSize() < static_cast<int32_t>(out_->size))
        return false; // the graph is stopping
    out->CopyPropertiesFrom(*job.input);
    out->SetMediaType(nullptr);
    if (!decoders_[static_cast<size_t>(worker)].Decode(job.input->GetPointer(), frameSize_, decodedWidth_,
                                                       decodedHeight_, *out_, out->GetPointer()))
        return false;
    out->SetActualDataLength(static_cast<int32_t>(out_->size));
    job.output = std::move(out);
    return true;
}

HRESULT DvVideoDecoder::Finish(int slot, bool worked, bool give)
{
    SamplePtr out = std::move(jobs_[static_cast<size_t>(slot)].output);
    return give && worked ? Output()->Deliver(out) : S_OK;
}

void RegisterDvVideoDecoderFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{DvVideoDecoder::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0xB1B77C00, 0xC3E4, 0x11CF, {0xAF, 0x79, 0x00, 0xAA, 0x00, 0xB6, 0x7A, 0x42}},
                                  MERIT_NORMAL, [] { return std::make_shared<DvVideoDecoder>(); },
                                  [](const MediaType& mt) { return IsDvVideo(mt) && IsPal(mt).has_value(); }});
}

} // namespace ds
