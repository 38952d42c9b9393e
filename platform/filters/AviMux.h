#pragma once
// "AVI Mux": writes its inputs as the streams of an AVI file (OpenDML, see formats/AviMuxWriter.h)
// through the byte-stream service of the filter its output is connected to (the File writer).
// Pins: [AVI Out, Input 01] and a new free input after each input connection.
// Inputs take Video/VideoInfo, Audio/WaveFormatEx and Interleaved/DvInfo; chunks are written in
// time order across the inputs (one queue per input, see MultiInputQueue). A DV sample that is no
// whole frame of its stream is dropped and counted (DroppedFrames). The file is finished when
// every input has reached its end of stream, then the output's end of stream follows; a run
// stopped before leaves it unfinished (the File writer then removes it). Seeking answers the
// longest input's duration and, as the current position, the end time of the last sample
// written: the progress of a conversion; a seek goes on to the streams that feed the inputs. The
// flush such a seek brings starts the file again from its first byte, once the last input's flush
// has ended.
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "formats/AviMuxWriter.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaSeeking.h"
#include "platform/dshow/MultiInputQueue.h"
#include "platform/filters/WholeDvFrames.h"

namespace ds {

class AviMux;
class ByteStream;
class FilterRegistry;

class AviMuxInputPin : public InputPin {
public:
    AviMuxInputPin(AviMux& mux, int number);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    int Slot() const { return slot_; } // queue index while streaming, -1 when not connected then
    void StartRun(int slot);           // at pause from stopped

private:
    AviMux& mux_;
    int slot_ = -1;     // set at pause from stopped, on the controlling thread
    bool dv_ = false;   // likewise: the input takes DV frames
    WholeDvFrames dvs_; // the streaming thread's, reset at pause from stopped
};

class AviMuxOutputPin : public OutputPin {
public:
    explicit AviMuxOutputPin(AviMux& mux);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT CheckConnect(Pin& peer) override;
    HRESULT DecideAllocator(InputPin& input) override; // all goes through the byte stream
};

class AviMux : public BaseFilter, public MediaSeeking {
public:
    static constexpr const char* kFriendlyName = "AVI Mux";
    AviMux();
    ~AviMux() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    void BeginStop() override;

    // MediaSeeking: media time only.
    HRESULT GetDuration(int64_t& duration) override;
    HRESULT GetCurrentPosition(int64_t& position) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) override;

    // Test hook: options of the writer (segment limit) for the next run.
    void SetWriterOptions(const formats::AviMuxOptions& options) { options_ = options; }
    // DV samples dropped since the run (or the last seek) began: frames cut short.
    int64_t DroppedFrames() const { return dropped_.load(); }
    // Pictures (video or interleaved chunks) written since the run (or the last seek) began.
    int64_t FramesWritten() const { return frames_.load(); }

    // Called by the pins.
    void OnInputConnected();
    void CountDropped() { ++dropped_; }
    HRESULT Push(int slot, const SamplePtr& sample);
    HRESULT EndOfInput(int slot);
    void Flush(bool begin);

private:
    HRESULT Process(int slot, const SamplePtr& sample);
    HRESULT FinishFile();   // writeLock_ held
    bool StartWriter();     // writeLock_ held
    void Abort(HRESULT hr); // a write failed: reported unless a flush made it fail

    AviMuxOutputPin output_;
    std::vector<std::unique_ptr<AviMuxInputPin>> inputs_; // grows only while stopped
    MultiInputQueue queue_;
    formats::AviMuxOptions options_;

    std::mutex writeLock_; // guards the fields below
    std::unique_ptr<formats::AviByteStream> stream_;
    std::unique_ptr<formats::AviMuxWriter> writer_;
    std::vector<AviMuxInputPin*> slots_; // connected inputs by queue index (set at pause)
    bool finished_ = false;
    std::atomic<bool> endSent_{false};
    std::atomic<int64_t> lastTime_{0}; // end of the last sample written, 100 ns
    std::atomic<int64_t> dropped_{0};
    std::atomic<int64_t> frames_{0};
};

// How an input's media type is stored as an AVI stream.
bool AviStreamSpecFor(const MediaType& mt, formats::AviStreamSpec& spec);

void RegisterAviMuxFilter(FilterRegistry& registry);

} // namespace ds
