#pragma once
// "DV Video Encoder": pictures to DV video (Video / dvsd / VideoInfo, typed as the splitters type
// it). Pins: [In, Out]. In the video compressor category, never inserted by intelligent connect.
//
// Takes RGB24 and RGB32 (either row order), YUY2, UYVY, I420 and Y41B of 16 x 16 to 4096 x 4096,
// scaled to 720 x 576 (PAL) or 720 x 480 (NTSC) as DvEncoderSettings says; interlaced DCT on. The
// decoder's own planes of the same standard (I420 PAL, Y41B NTSC) are encoded as they come.
// Output frame k starts at k x the frame time (exactly 1001/30000 s for NTSC) and carries the
// newest picture that starts at or before it, so a picture of another rate is repeated or
// dropped and the duration and the sync with the sound are kept (PAL <-> NTSC, 15 or 30 fps
// sources). A frame is made as soon as the picture it carries is known to last until its start
// (a repeated picture is converted and encoded once). Pictures are converted and encoded side by
// side, each on a worker thread with a codec context of its own (DV frames stand alone), and the
// frames go out in order as soon as each is done, on those threads (ParallelTransformFilter);
// every frame is out before the end of the stream goes on, and before Receive returns when
// SetSynchronous asked for it.
#include <atomic>
#include <optional>
#include <vector>

#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/ParallelTransformFilter.h"
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

class DvVideoEncoder : public ParallelTransformFilter, public DvEncoderSettings {
public:
    static constexpr const char* kFriendlyName = "DV Video Encoder";
    DvVideoEncoder();
    ~DvVideoEncoder() override;

    HRESULT put_IFormatResolution(int videoFormat, int dvFormat, int resolution, bool setDvInfo,
                                  const DvInfo* info) override;
    HRESULT get_IFormatResolution(int& videoFormat, int& dvFormat, int& resolution, bool getDvInfo,
                                  DvInfo* info) override;
    // Worker threads of the encoding, from the next start (default: the cores, up to 8).
    // Set before the input connects, which asks upstream for a buffer per thread and two more.
    void SetThreadCount(int threads) { threads_ = threads < 1 ? 1 : threads; }
    int ThreadCount() const { return threads_; }
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

    // Start time of output frame k in 100 ns units.
    static REFERENCE_TIME FrameStart(bool pal, int64_t k);

protected:
    void Restart() override; // frame numbers from 0, no picture yet

private:
    HRESULT EmitUntil(REFERENCE_TIME limit); // frames starting before `limit` show the current picture
    HRESULT Show(int64_t frame);             // output frame `frame` shows the current picture
    bool Encode(int job, int worker);        // on a worker's thread
    HRESULT Finish(int job, bool worked, bool give);
    HRESULT DeliverFrame(const uint8_t* dv, int64_t frame);

    std::atomic<int> videoFormat_{DVENCODERVIDEOFORMAT_PAL}; // set from any thread, read at connection
    int threads_;
    std::atomic<bool> synchronous_{false};

    // Streaming state, made at StartStreaming; used under the receive lock.
    bool pal_ = true;
    bool running_ = false; // the workers started
    std::optional<PictureLayout> in_;
    REFERENCE_TIME inFrameTime_ = 0; // for samples without times
    SamplePtr current_;              // the newest picture, while frames may still show it
    uint64_t serial_ = 0;            // its number
    uint64_t queuedSerial_ = 0;      // the picture last given a job
    bool started_ = false;           // the first output frame number is known
    int64_t next_ = 0;               // number of the next output frame
    int64_t inputs_ = 0;             // samples taken since the stream started

    // A job: `count` frames from `frame` on, showing picture `serial`; converted and encoded from
    // `picture`, or (repeat) the last frame given out again.
    struct Job {
        SamplePtr picture;
        uint64_t serial = 0;
        int64_t frame = 0, count = 0;
        bool repeat = false;
        av::PacketPtr packet;
    };
    struct Worker {
        av::CodecContextPtr codec;
        av::FramePtr picture;
        PictureConverter converter;
    };
    std::vector<Job> jobs_;        // by job slot
    std::vector<Worker> encoders_; // by worker
    // The finishing side (one thread at a time, in order).
    av::PacketPtr last_;        // the last frame given out
    uint64_t lastSerial_ = 0;   // the picture it shows (0: none)
    bool discontinuity_ = true; // the next frame out starts a new stream
};

void RegisterDvVideoEncoderFilter(FilterRegistry& registry);

} // namespace ds
