#pragma once
// "DV Muxer": puts PCM sound into the audio blocks of DV frames and gives interleaved DV.
// Pins: [Video Input, Audio Input 1 (, Audio Input 2 once the first is connected), DV Out].
// Per video frame it takes the frame's own sample count when that fits the sound's format (so a
// split and mux gives the frame back byte for byte), else the count that spreads the sound
// exactly over the frames; it writes the audio blocks and the AAUX source and control packs and
// keeps header, subcode, VAUX, video blocks and any recording date packs. Two audio inputs make
// four-channel 12-bit 32 kHz sound. Without sound the frames pass unchanged. A video sample that
// is no whole frame of its stream is dropped and counted (DroppedFrames). The video's end of
// stream ends the output.
#include <atomic>
#include <memory>
#include <vector>

#include "formats/DvAudio.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MultiInputQueue.h"
#include "platform/filters/WholeDvFrames.h"

namespace ds {

class DvMuxer;
class FilterRegistry;

class DvMuxerInputPin : public InputPin {
public:
    DvMuxerInputPin(DvMuxer& muxer, std::string name, int audioIndex);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    int AudioIndex() const { return audioIndex_; } // -1: the video input
    int Slot() const { return slot_; }
    void StartRun(int slot); // at pause from stopped

private:
    DvMuxer& muxer_;
    int audioIndex_;
    int slot_ = -1;     // queue index while streaming; set at pause from stopped
    WholeDvFrames dvs_; // the video input's streaming thread's, reset at pause from stopped
};

class DvMuxerOutputPin : public OutputPin {
public:
    explicit DvMuxerOutputPin(DvMuxer& muxer);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;

private:
    DvMuxer& muxer_;
};

class DvMuxer : public BaseFilter {
public:
    static constexpr const char* kFriendlyName = "DV Muxer";
    DvMuxer();
    ~DvMuxer() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;
    HRESULT Pause() override;
    void BeginStop() override;

    // Video samples dropped since the run (or the last seek) began: frames cut short.
    int64_t DroppedFrames() const { return dropped_.load(); }

    // Called by the pins.
    HRESULT CheckInput(const DvMuxerInputPin& pin, const MediaType& mt);
    void OnInputConnected(const DvMuxerInputPin& pin);
    MediaType OutputType() const;
    HRESULT Push(DvMuxerInputPin& pin, const SamplePtr& sample);
    HRESULT EndOfInput(DvMuxerInputPin& pin);
    void Flush(bool begin);
    void NewVideoSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);
    void CountDropped() { ++dropped_; }

private:
    struct Fifo {
        std::vector<int16_t> pcm; // interleaved stereo
        size_t read = 0;          // values consumed
        size_t Frames() const { return (pcm.size() - read) / 2; }
    };
    bool Pal() const;
    int SampleRate() const;
    int Pairs() const;
    int NeededFor(const MediaSample& frame, formats::DvAudioFormat& format) const;
    int Pick(const std::vector<MultiInputQueue::Input>& inputs);
    HRESULT Process(int slot, const SamplePtr& sample);
    HRESULT MuxFrame(const SamplePtr& frame);
    void MaybeEnd();

    DvMuxerInputPin video_;
    std::vector<std::unique_ptr<DvMuxerInputPin>> audio_; // grows only while stopped
    DvMuxerOutputPin output_;
    MultiInputQueue queue_;

    // Streaming state: Pick and Process run one at a time (the queue's process lock), so these
    // need no lock of their own.
    std::vector<Fifo> fifo_;    // per audio slot
    std::vector<int> slotPair_; // queue slot -> audio pair (-1 for video)
    int64_t frameIndex_ = 0;
    bool videoGone_ = false;           // the video input ended: sound is dropped from then on
    std::atomic<bool> endSent_{false}; // read and set by every feeding thread
    std::atomic<int64_t> dropped_{0};
    std::vector<int16_t> silence_;
};

void RegisterDvMuxerFilter(FilterRegistry& registry);

} // namespace ds
