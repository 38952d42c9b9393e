#pragma once
// FrameEncoders: the DV Video Encoder's frames encoded side by side, each on a worker thread with
// a codec context of its own (DV frames stand alone), and handed on strictly in the order they
// were asked for, each as soon as it and those before it are done. No frame waits for a later
// picture, so a graph whose other branch runs on the same upstream thread (the sound of a type-1
// file) never waits on frames held back here.
//
// The caller (one streaming thread) converts each picture into a free slot (FreePicture, then
// SetCurrent) and says which output frames show the current picture (Show): the first frame of a
// picture makes a job, later ones join it or, once it is out, repeat its frame. The frames go out
// through `deliver`, on a worker's thread or on the caller's, one at a time.
//
//   encoders.Start(4, true, deliver);
//   int slot = encoders.FreePicture(); /* convert into Picture(slot) */ encoders.SetCurrent(slot);
//   encoders.Show(k); encoders.Show(k + 1); ... encoders.Drain();
//
// Flush: BeginFlush drops what waits and wakes a waiting caller (which then gets S_FALSE);
// EndFlush waits until no worker encodes or delivers, and forgets everything. Stop: BeginStop
// wakes everyone, WaitIdle waits for the workers to let go, Stop joins them. A frame refused
// downstream makes every later call answer the same, and the frames after it go nowhere, until
// a flush or a restart.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/Result.h"
#include "platform/filters/FfmpegHandles.h"

namespace ds {

class FrameEncoders {
public:
    // One encoded frame going out: its bytes, its number and whether it starts a new stream.
    using DeliverFn = std::function<HRESULT(const uint8_t* dv, int64_t frame, bool discontinuity)>;

    FrameEncoders() = default;
    FrameEncoders(const FrameEncoders&) = delete;
    FrameEncoders& operator=(const FrameEncoders&) = delete;
    ~FrameEncoders(); // Stop

    // Opens `workers` codec contexts for PAL or NTSC and their threads; false when the codec
    // cannot be had.
    bool Start(int workers, bool pal, DeliverFn deliver);
    void Stop();

    // A picture slot no job needs, to convert the next picture into; -1 when stopping or flushing.
    int FreePicture();
    AVFrame* Picture(int slot) { return pictures_[static_cast<size_t>(slot)].get(); }
    // The picture the next frames show (-1: none).
    void SetCurrent(int slot);
    // Output frame `frame` shows the current picture. Waits while every job slot is taken.
    HRESULT Show(int64_t frame);
    // Waits until every frame shown is out; S_OK, or why not.
    HRESULT Drain();
    // A new stream: no current picture; the next frame out says discontinuity. After Drain or EndFlush.
    void Restart();

    void BeginFlush();
    void EndFlush();
    void BeginStop();
    void WaitIdle(); // no worker encodes or delivers

private:
    enum class State { Waiting, Encoding, Done, Failed, Out };
    struct Job {
        State state = State::Waiting;
        uint64_t picture = 0; // serial of the picture shown
        bool repeat = false;  // the frame last given out, again
        int slot = -1;        // its picture slot until it is encoded
        int64_t frame = 0, count = 0;
        av::PacketPtr packet;
    };
    Job& At(size_t i) { return jobs_[(head_ + i) % jobs_.size()]; }
    void Work(int worker);
    void DeliverReady(std::unique_lock<std::mutex>& guard);
    void Release(int slot); // under lock_
    bool Blocked() const { return stopping_ || flushing_; }

    DeliverFn deliver_;
    bool pal_ = true;
    std::vector<av::CodecContextPtr> codecs_; // one a worker
    std::vector<av::FramePtr> pictures_;
    std::vector<std::thread> threads_;
    av::PacketPtr last_; // the last frame given out, for repeats (the deliverer's)

    std::mutex lock_; // guards everything below
    std::condition_variable changed_;
    std::vector<Job> jobs_; // ring in output order
    size_t head_ = 0, count_ = 0;
    std::vector<int> users_; // per picture slot: jobs waiting for it, plus 1 when current
    int current_ = -1;
    uint64_t serial_ = 0;       // of the current picture
    uint64_t lastSerial_ = 0;   // of the frame last given out (0: none)
    uint64_t queuedSerial_ = 0; // of the picture last given a job
    bool discontinuity_ = true;
    int encoding_ = 0;
    bool delivering_ = false;
    bool stopping_ = false, flushing_ = false, quit_ = false;
    HRESULT refused_ = S_OK;
};

} // namespace ds
