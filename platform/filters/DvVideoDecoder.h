#pragma once
// "DV Video Decoder": DV video (Video / dvsd / VideoInfo) to pictures. Pins: [In, Out].
//
// Offers RGB24, RGB32, YUY2 and UYVY in this order, RGB as bottom-up DIBs, at full size
// (720 x 576 or 480) or, when DvDecoderSettings::put_IPDisplay asked for half (1001), at
// 360 x 288 or 240 through libavcodec's low-resolution decoding. The setting applies at the
// next output connection; the connected output's size decides the decoding. The standard comes
// from the format block (its height, else its image size); a sample of another frame size is
// dropped, as is one that fails to decode. Times and flags pass through.
#include <atomic>
#include <optional>
#include <vector>

#include "platform/dshow/TransformFilter.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/PictureConverter.h"

namespace ds {

class FilterRegistry;

constexpr int DVRESOLUTION_FULL = 1000;
constexpr int DVRESOLUTION_HALF = 1001;

// The decoder's display setting (IIPDVDec).
class DvDecoderSettings {
public:
    virtual ~DvDecoderSettings() = default;
    // DVRESOLUTION_FULL or DVRESOLUTION_HALF; any other value is E_INVALIDARG and changes nothing.
    virtual HRESULT put_IPDisplay(int displayPix) = 0;
    virtual HRESULT get_IPDisplay(int& displayPix) = 0;
};

class DvVideoDecoder : public TBCTransformFilter, public DvDecoderSettings {
public:
    static constexpr const char* kFriendlyName = "DV Video Decoder";
    DvVideoDecoder();
    ~DvVideoDecoder() override;

    HRESULT put_IPDisplay(int displayPix) override;
    HRESULT get_IPDisplay(int& displayPix) override;
    // Slice threads of the decoding, from the next start (default: the cores, up to 8).
    void SetThreadCount(int threads) { threads_ = threads < 1 ? 1 : threads; }

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(MediaSample& in, MediaSample& out) override;

private:
    std::atomic<int> display_{DVRESOLUTION_FULL}; // set from any thread, read at connection
    int threads_;

    // Streaming state, made at StartStreaming (under the receive lock).
    size_t frameSize_ = 0;
    int decodedWidth_ = 0, decodedHeight_ = 0;
    std::optional<PictureLayout> out_;
    av::CodecContextPtr codec_;
    av::PacketPtr packet_;
    av::FramePtr frame_;
    PictureConverter converter_;
};

void RegisterDvVideoDecoderFilter(FilterRegistry& registry);

} // namespace ds
