#pragma once
// "AVI Decompressor": video of any other codec libavcodec decodes (MJPG, XVID, DIVX, FMP4, MP43,
// H264, cvid, CDVC...), found from the FOURCC through the AVI codec tag table. Pins: [In, Out].
//
// Out as the Color Space Converter: RGB32, RGB24, RGB565, RGB555 of the format block's size, a
// picture of another size being scaled to it. Output frame i takes the times and flags of the
// i-th input sample since the start, the last flush or discontinuity: decoders that hold frames
// back keep their pictures on time. A discontinuity flushes the decoder and samples are dropped
// until a key frame; so is a sample that fails to decode. End of stream drains the decoder first.
#include <deque>
#include <optional>

#include "platform/dshow/TransformFilter.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/PictureConverter.h"

namespace ds {

class FilterRegistry;

class AviDecompressor : public TBCTransformFilter {
public:
    static constexpr const char* kFriendlyName = "AVI Decompressor";
    AviDecompressor();
    ~AviDecompressor() override;

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;

private:
    struct Stamp {
        bool timed = false;
        REFERENCE_TIME start = 0, stop = 0;
        bool sync = false, preroll = false, discontinuity = false;
    };
    // Delivers every picture the decoder has ready; with `drain`, also those it holds back.
    HRESULT DeliverDecoded(bool drain);
    void Restart(); // forget what the decoder holds and wait for a key frame

    // Streaming state, made at StartStreaming; used under the receive lock.
    std::optional<PictureLayout> out_;
    av::CodecContextPtr codec_;
    av::PacketPtr packet_;
    av::FramePtr frame_;
    PictureConverter converter_;
    std::deque<Stamp> stamps_; // of the samples sent and not yet given out
    bool waitKey_ = true;
};

void RegisterAviDecompressorFilter(FilterRegistry& registry);

} // namespace ds
