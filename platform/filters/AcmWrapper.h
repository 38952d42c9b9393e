#pragma once
// "ACM Wrapper": sound to PCM. Pins: [In, Out].
//
// Takes PCM (8 to 32-bit integer, float, 1 to 8 channels) and any wFormatTag that libavcodec
// decodes (found through the AVI codec tag table; the cbSize bytes are the codec's data).
// Offers the input's own type first (PCM passes through unchanged) or, for coded sound, the
// decoded type; then 16-bit stereo and 16-bit mono at the input's rate. Any PCM output a peer
// asks for is made with libswresample (mono to stereo copies the channel), whose delay is
// flushed at the end of the stream, so no sample is lost. Output samples are timed from the
// first input sample's start by the count of samples given out. A sample that fails to decode is
// dropped and the stream goes on.
//
// StreamConfig on the output: SetFormat before connection makes that type the only one offered;
// on a connected output it reconnects with it, keeping the old connection when the peer refuses.
// A PCM type's block size and byte rate are recomputed from its rate, channels and bits.
#include <optional>
#include <vector>

#include "platform/dshow/StreamConfig.h"
#include "platform/dshow/TransformFilter.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/PcmFormat.h"

namespace ds {

class AcmWrapper;
class FilterRegistry;

class AcmOutputPin : public TBCTransformOutputPin, public StreamConfig {
public:
    explicit AcmOutputPin(AcmWrapper& filter);
    HRESULT SetFormat(const MediaType& mt) override;
    HRESULT GetFormat(MediaType& mt) override;

private:
    AcmWrapper& acm_;
};

class AcmWrapper : public TBCTransformFilter {
public:
    static constexpr const char* kFriendlyName = "ACM Wrapper";
    AcmWrapper();
    ~AcmWrapper() override;

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT SetMediaType(PinDirection direction, const MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // StreamConfig of the output pin.
    HRESULT SetFormat(const MediaType& mt);
    HRESULT GetFormat(MediaType& mt);

private:
    std::vector<MediaType> OfferedTypes();
    HRESULT Decode(const uint8_t* data, int size); // null data: drain the decoder
    HRESULT TakeFrames();
    HRESULT Resample(const uint8_t* const* planes, int count);         // null planes: flush
    bool Configure(int format, int channels, uint64_t mask, int rate); // the resampler's input
    void Restart(); // a new stream: nothing held, times from the next sample

    std::optional<MediaType> format_; // from SetFormat; controlling thread, while stopped
    MediaType decodedType_;           // of coded input, set at the input's connection

    // Streaming state, made at StartStreaming; used under the receive lock.
    std::optional<PcmFormat> inPcm_, outPcm_;
    bool passThrough_ = false;
    int capacity_ = 0; // samples per output buffer
    av::CodecContextPtr decoder_;
    av::ParserPtr parser_;
    av::PacketPtr packet_;
    av::FramePtr frame_;
    av::SwrPtr swr_;
    int srcFormat_ = -1, srcChannels_ = 0, srcRate_ = 0; // the resampler's input
    uint64_t srcMask_ = 0;
    std::vector<uint8_t> padded_;           // coded input with the padding parsers read into
    std::vector<int32_t> wideIn_, wideOut_; // 24-bit samples widened
    bool based_ = false;                    // base_ holds the time of the next stretch of output
    REFERENCE_TIME base_ = 0;
    int64_t produced_ = 0; // samples given out since base_
};

void RegisterAcmWrapperFilter(FilterRegistry& registry);

} // namespace ds
