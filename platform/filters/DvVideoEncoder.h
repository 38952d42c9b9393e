#pragma once
// "DV Video Encoder": pictures to DV video (Video / dvsd / VideoInfo, typed as the splitters type
// it). Pins: [In, Out]. In the video compressor category, never inserted by intelligent connect.
//
// Takes RGB24 and RGB32 (either row order), YUY2, UYVY and I420 of 16 x 16 to 4096 x 4096,
// scaled to 720 x 576 (PAL) or 720 x 480 (NTSC) as DvEncoderSettings says; interlaced DCT on.
// Output frame k starts at k x the frame time (exactly 1001/30000 s for NTSC) and carries the
// newest picture that starts at or before it, so a picture of another rate is repeated or
// dropped and the duration and the sync with the sound are kept (PAL <-> NTSC, 15 or 30 fps
// sources). A frame is sent to the encoder as soon as the picture it carries is known to last
// until its start (a repeated picture is encoded once). Frames are encoded side by side on
// threads of the filter's own (FrameEncoders) and go out in order as soon as each is done, on
// those threads; every frame is out before the end of the stream goes on, and before Receive
// returns when SetSynchronous asked for it.
#include <atomic>
#include <optional>
#include <vector>

#include "platform/dshow/TransformFilter.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/FrameEncoders.h"
#include "platform/filters/PictureConverter.h"

namespace ds {

class FilterRegistry;

constexpr int DVENCODERVIDEOFORMAT_NTSC = 2000;
constexpr int DVENCODERVIDEOFORMAT_PAL = 2001;
constexpr int DVENCODERFORMAT_DVSD = 2007;
constexpr int DVENCODERRESOLUTION_720x480 = 2012; // the full frame of either standard

// The encoder's format setting (IDVEnc).
class DvEncoderSettings {
public:
    virtual ~DvEncoderSettings() = default;
    // Takes NTSC or PAL, dvsd and the full resolution; anything else is E_INVALIDARG and changes
    // nothing. The DV-info record is not used. Applies at the next connection of the output.
    virtual HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool setDvInfo,
                                          const DvInfo* info) = 0;
    virtual HRESULT get_IFormatResolution(int& videoFormat, int& dvFormat, int& resolution, bool getDvInfo,
                                          DvInfo* info) = 0;
};

class DvVideoEncoder : public TBCTransformFilter, public DvEncoderSettings {
public:
    static constexpr const char* kFriendlyName = "DV Video Encoder";
    DvVideoEncoder();
    ~DvVideoEncoder() override;

    HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool setDvInfo,
                                  const DvInfo* info) override;
    HRESULT get_IFormatResolution(int& videoFormat, int& dvFormat, int& resolution, bool getDvInfo,
                                  DvInfo* info) override;
    // Slice threads of the encoding, from the next start (default: the cores, up to 8).
    void SetThreadCount(int threads) { threads_ = threads < 1 ? 1 : threads; }
    // Each picture's frames leave the filter before Receive returns. Off by default.
    void SetSynchronous(bool on) { synchronous_ = on; }
    bool Synchronous() const { return synchronous_; }

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    void BeginStop() override;
    void JoinStreamingThreads() override;

    // Start time of output frame k in 100 ns units.
    static REFERENCE_TIME FrameStart(bool pal, int64_t k);

private:
    HRESULT EmitUntil(REFERENCE_TIME limit); // frames starting before `limit` show the current picture
    HRESULT DeliverFrame(const uint8_t* dv, int64_t frame, bool discontinuity); // on an encoder's thread
    void Restart(); // a new stream: frame numbers from 0, no picture yet

    std::atomic<int> videoFormat_{DVENCODERVIDEOFORMAT_PAL}; // set from any thread, read at connection
    int threads_;
    std::atomic<bool> synchronous_{false};

    // Streaming state, made at StartStreaming; used under the receive lock.
    bool pal_ = true;
    bool running_ = false; // the encoders started
    std::optional<PictureLayout> in_;
    REFERENCE_TIME inFrameTime_ = 0; // for samples without times
    FrameEncoders encoders_;
    PictureConverter converter_;
    bool picture_ = false; // a current picture is set
    bool started_ = false; // the first output frame number is known
    int64_t next_ = 0;     // number of the next output frame
    int64_t inputs_ = 0;   // samples taken since the stream started
};

void RegisterDvVideoEncoderFilter(FilterRegistry& registry);

} // namespace ds
