#pragma once
// "DV Video Decoder": DV video (Video / dvsd / VideoInfo) to pictures. Pins: [In, Out].
//
// Offers RGB24, RGB32, YUY2, UYVY and last the codec's own planar YUV (NativeSubtype, its planes
// copied as they are) in this order, RGB as bottom-up DIBs, at full size (720 x 576 or 480) or,
// when DvDecoderSettings::put_IPDisplay asked for half (1001), at 360 x 288 or 240 through
// libavcodec's low-resolution decoding. The setting applies at the
// next output connection; the connected output's size decides the decoding. The standard comes
// from the format block (its height, else its image size); a sample of another frame size is
// dropped, as is one that fails to decode. Times and flags pass through. Each picture leaves
// within its sample's Receive, the threads sharing its slices; or, when SetParallelFrames asked
// for it, pictures are decoded side by side, each on a worker thread with a codec context of its
// own, and handed on in order from those threads (ParallelTransformFilter).
#include <atomic>
#include <optional>
#include <vector>

#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/ParallelTransformFilter.h"
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

class DvVideoDecoder : public ParallelTransformFilter, public DvDecoderSettings {
public:
    static constexpr const char* kFriendlyName = "DV Video Decoder";
    DvVideoDecoder();
    ~DvVideoDecoder() override;

    // The planes libavcodec decodes DV into, handed on as they are: 4:2:0 (I420) for PAL,
    // 4:1:1 (Y41B) for NTSC.
    static const Guid& NativeSubtype(bool pal);

    HRESULT put_IPDisplay(int displayPix) override;
    HRESULT get_IPDisplay(int& displayPix) override;
    // Threads of the decoding, from the next start (default: the cores, up to 8).
    void SetThreadCount(int threads) { threads_ = threads < 1 ? 1 : threads; }
    // Pictures decoded side by side (see above); set before the output connects, which sizes
    // its buffers for it. Off by default.
    void SetParallelFrames(bool on) { parallel_ = on; }

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Transform(MediaSample& in, MediaSample& out) override;
    HRESULT Receive(const SamplePtr& sample) override;

protected:
    void Restart() override;

private:
    // One context's decoding of `frame` into the output picture at `out`.
    struct Decoding {
        av::CodecContextPtr codec;
        av::PacketPtr packet;
        av::FramePtr frame;
        PictureConverter converter;
        bool Open(int lowres, int threads);
        bool Decode(const uint8_t* dv, size_t size, int width, int height, const PictureLayout& layout, uint8_t* out);
    };
    bool DecodeJob(int job, int worker); // on a worker's thread
    HRESULT Finish(int job, bool worked, bool give);
    int JobCount() const { return 2 * threads_ + 2; }

    std::atomic<int> display_{DVRESOLUTION_FULL}; // set from any thread, read at connection
    int threads_;
    bool parallel_ = false;

    // Streaming state, made at StartStreaming (under the receive lock).
    size_t frameSize_ = 0;
    int decodedWidth_ = 0, decodedHeight_ = 0;
    std::optional<PictureLayout> out_;
    bool running_ = false;
    Decoding serial_;                // the decoding within Receive
    std::vector<Decoding> decoders_; // by worker, when parallel
    // A job: a copy of the DV frame with its sample's times and flags, and its picture.
    struct Job {
        std::unique_ptr<MediaSample> input;
        SamplePtr output;
    };
    std::vector<Job> jobs_;
};

void RegisterDvVideoDecoderFilter(FilterRegistry& registry);

} // namespace ds
