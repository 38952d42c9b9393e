#pragma once
// Tdv_sceneDetect: the in-place filter every graph puts right behind its source of DV frames.
// Pins [In, Out]; takes interleaved DV (type 1, any subtype) or dvsd video (type 2) and passes
// the frames on unchanged.
//
// For each frame it decodes the recording date, time code and format into a DVFrameInfo,
// decides where a new scene begins and tells its listeners: OnScene at each scene change and at
// the end of a run, OnDatecodeText when the one or two text lines describing the frame change,
// OnEnd at the end. The end calls come from StopStreaming, under the receive lock, once the input
// refuses samples: exactly once per run, and never while a frame is being transformed.
//
// It keeps the last frames (their records and the first 480 bytes of every DIF sequence) in a
// ring that the overlay and the DV header filter search by start time (FindFrame), and the
// viewer's records of the last frames by stream position (FindViewerFrame), for the read-out of
// the picture on the screen.
//
// Threads: Transform and the callbacks run on the streaming thread; the end calls on the thread
// that stops the graph. The display setters may be called from any thread at any time and take
// effect at the next frame. The callbacks are set while the filter is stopped or between frames,
// never from inside a callback. The readers (CurrentInfo, PreviousInfo, FrameDuration, FindFrame,
// FindViewerFrame) get copies, published once per frame under a small lock.
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "formats/DVFrameInfo.h"
#include "platform/dshow/TransInPlaceFilter.h"

namespace media {

// The first 480 bytes of a DIF sequence: header block, two subcode blocks, three VAUX blocks.
constexpr size_t kSavedRunSize = 480;
constexpr int kMaxDifSequences = 12;

// What the detector kept of one frame for the DV header filter.
struct SavedHeaders {
    int Sequences = 0;            // 10 (525/60) or 12 (625/50)
    ds::REFERENCE_TIME Start = 0; // the frame's sample start time
    std::array<std::array<uint8_t, kSavedRunSize>, kMaxDifSequences> Runs{};
};

class Tdv_sceneDetect : public ds::TBCTransInPlaceFilter {
public:
    static constexpr const char* kFilterName = "Ivor Varnet dv_sceneDetect";
    // The overlay and the DV header filter stand a few dozen frames behind when the chain between
    // is queued (the decoder's and the overlay's queues and buffers, the encoder's frames in
    // flight: some thirty at eight threads); the ring reaches well past them.
    static constexpr int kRingSize = 128;
    // The viewer's video renderer queues about half a second (a dozen frames) past the picture it
    // shows, paused after a seek too: its records reach well past that.
    static constexpr int kViewerRecords = 64;
    static constexpr ds::REFERENCE_TIME kGapThreshold = 2000000; // 0.2 s between two samples
    static constexpr double kDateJumpThreshold = 5.0 / 86400;    // 5 s, either direction
    static constexpr int kMinSceneFrames = 12; // a date back this close to the scene start starts none
    static constexpr int kPeriodSeconds = 750; // of video without a change: the frame is marked

    using SceneProc = std::function<void(const formats::DVFrameInfo& start, const formats::DVFrameInfo& current)>;
    using EndProc = std::function<void()>;
    using TextProc =
        std::function<void(const formats::DVFrameInfo& current, const std::string& line1, const std::string& line2)>;

    Tdv_sceneDetect();

    // Callbacks (see the threading rule above). The text callback and the display settings are
    // forgotten at the end of each run: a run that wants text lines sets them again.
    void SetOnScene(SceneProc proc);
    void SetOnEnd(EndProc proc);
    void SetOnDatecodeText(TextProc proc);

    // Display settings of the text lines (any thread).
    void SetWhatIncrust(uint8_t what); // 0 date and time, 1 time code
    void SetIncrustDuration(int32_t frames);
    void SetWhenIncrust(uint8_t when); // 1 restart the display at a date jump, 2 at a new day
    void SetAutoIncrust(uint8_t on);   // show the text only for a while after a restart
    // An empty format is stored as a quoted blank, so its line comes out as one space.
    void SetIncrustFormats(const std::string& format1, const std::string& format2);
    void SetTimeOffset(double days); // added to the date before it is formatted

    // Readers (any thread).
    formats::DVFrameInfo CurrentInfo() const;  // the frame processed last
    formats::DVFrameInfo PreviousInfo() const; // the one before it
    int32_t FrameDuration() const;             // 100 ns: 400000 PAL, 333667 NTSC, 0 before a frame
    // Frames processed since the last start of streaming; kept after the stop. The records above
    // say something about this run only when it is above 0.
    uint32_t FramesProcessed() const;
    // The newest ring entry whose saved start is at most `start`: its record and, when asked,
    // its saved blocks. When every entry is newer, OrOldest takes the oldest one (the overlay
    // dates a picture older than the ring with the oldest frame's record). False when there is
    // nothing to take.
    enum class Lookup { AtOrBefore, OrOldest };
    bool FindFrame(ds::REFERENCE_TIME start, formats::DVFrameInfo& record, SavedHeaders* headers = nullptr,
                   Lookup lookup = Lookup::AtOrBefore) const;
    // The record of the newest frame whose stream position (segment start + start time, as the
    // video renderer keys its pictures) is at most `position`, among the last kViewerRecords
    // frames since the last flush: a seek never answers with a frame of the old place. False
    // when none qualifies.
    bool FindViewerFrame(ds::REFERENCE_TIME position, formats::DVFrameInfo& record) const;

    ds::HRESULT CheckInputType(const ds::MediaType& mt) override;
    ds::HRESULT StartStreaming() override;
    ds::HRESULT StopStreaming() override;
    ds::HRESULT Transform(ds::MediaSample& sample) override;
    ds::HRESULT BeginFlush() override;
    ds::HRESULT EndFlush() override;

private:
    // Settings shared with the setters' threads (settingsLock_).
    struct Display {
        uint8_t What = 0;
        uint8_t When = 1;
        uint8_t Auto = 1;
        int32_t Duration = 125;
        std::string Format1;
        std::string Format2 = "ddddd hh:nn:ss";
        double TimeOffset = 0;
    };
    // One frame's run state: streaming thread, or the stopping thread under the receive lock.
    struct RunState {
        formats::DVFrameInfo Current;
        formats::DVFrameInfo Previous;
        formats::DVFrameInfo LastScene;
        bool FirstFramePending = true;
        bool DateCompareArmed = false;
        double LastDate = 0;
        ds::REFERENCE_TIME PrevStopTime = 0;
        uint32_t SceneStartFrame = 0;
        int32_t FrameDuration = 0;
        std::string SentLine1, SentLine2;
        double IncrustLastDate = 0;
    };
    // The last N items pushed, searched newest first.
    template <class T, int N> class Ring {
    public:
        T& Push()
        {
            index_ = (index_ + 1) % N;
            count_ = std::min(count_ + 1, N);
            return items_[static_cast<size_t>(index_)];
        }
        void Clear() { index_ = count_ = 0; }
        // The newest item `is` takes; the oldest when none does and `orOldest`; else null.
        template <class Pred> const T* Newest(Pred is, bool orOldest = false) const
        {
            for (int k = 0; k < count_; ++k)
                if (is(At(k)))
                    return &At(k);
            return orOldest && count_ > 0 ? &At(count_ - 1) : nullptr;
        }

    private:
        const T& At(int k) const { return items_[static_cast<size_t>((index_ - k + N) % N)]; }
        std::array<T, N> items_{};
        int index_ = 0; // newest item
        int count_ = 0;
    };
    struct RingEntry {
        formats::DVFrameInfo Info;
        SavedHeaders Headers;
    };
    struct ViewerRecord {
        ds::REFERENCE_TIME Position = 0;
        formats::DVFrameInfo Info;
    };

    void DecodeFrame(const uint8_t* frame, size_t size, int sequences);
    void UpdateText(const Display& display, int32_t countdown);
    // OnScene once per frame at most; every test that fires still starts the scene.
    void SceneChange(bool& fired);
    void Publish(const uint8_t* frame, int sequences, ds::REFERENCE_TIME start, const ds::MediaSample& sample);
    void ForgetViewerRecords();
    void ResetRun();

    // Callbacks: written under the receive lock, read on the streaming thread.
    SceneProc onScene_;
    EndProc onEnd_;
    TextProc onText_;
    bool running_ = false; // between StartStreaming and StopStreaming (receive lock)

    mutable std::mutex settingsLock_; // guards display_, countdown_, displayVersion_
    Display display_;
    int32_t countdown_ = 0;
    uint64_t displayVersion_ = 0;
    Display displaySnapshot_; // streaming thread's copy
    uint64_t snapshotVersion_ = ~uint64_t{0};

    RunState run_; // see RunState

    mutable std::mutex publishLock_;            // guards everything below
    Ring<RingEntry, kRingSize> ring_;           // entries filled this run
    Ring<ViewerRecord, kViewerRecords> viewer_; // records since the last flush or start
    formats::DVFrameInfo published_, publishedPrevious_;
    int32_t publishedDuration_ = 0;
    uint32_t framesProcessed_ = 0;
};

} // namespace media
