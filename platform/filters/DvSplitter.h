#pragma once
// "DV Splitter": splits interleaved DV into the DV video and one PCM stream per stereo pair.
// Pins: [Input, DV Vid Out, AudOut00 (, AudOut01)]; the outputs are made when the input connects.
// The system (525/60 or 625/50) comes from the stream's first frame, read from the source through
// any filters between that pass frames on unchanged; the sound from that frame when it carries
// some; else both from the DVINFO, and then only until the first whole frame arrives, whose system
// is taken from there on (its type attached to it).
// The video output carries each whole DIF frame unchanged (Video / dvsd / VideoInfo); each audio
// output 16-bit stereo PCM at the frame's rate, as many samples as the frame's AAUX pack says, or
// silence for a frame without one. Video then sound is delivered in the same call, so one thread
// feeds every output. Frames of another length than the stream's are dropped and counted
// (DroppedFrames).
#include <atomic>
#include <memory>
#include <vector>

#include "platform/dshow/BaseFilter.h"

namespace ds {

class DvSplitter;
class FilterRegistry;

class DvSplitterInputPin : public InputPin {
public:
    explicit DvSplitterInputPin(DvSplitter& splitter);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;
    HRESULT Active() override;

private:
    DvSplitter& splitter_;
};

class DvSplitterOutputPin : public OutputPin {
public:
    DvSplitterOutputPin(DvSplitter& splitter, std::string name, MediaType type, int32_t bufferSize, int pair);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    int Pair() const { return pair_; } // -1 for the video output
    int SampleRate() const { return rate_; }

private:
    MediaType type_;
    int32_t bufferSize_;
    int pair_;
    int rate_ = 0;
};

class DvSplitter : public BaseFilter {
public:
    static constexpr const char* kFriendlyName = "DV Splitter";
    DvSplitter();
    ~DvSplitter() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;

    // Called by the input pin.
    HRESULT OnInputConnected(Pin& peer);
    void OnInputDisconnected();
    HRESULT Split(const SamplePtr& frame); // streaming thread
    template <class F> void ForEachConnectedOutput(F f)
    {
        for (auto& o : outputs_)
            if (o->IsConnected())
                f(*o);
    }
    void ResetCount() // at each start and new segment
    {
        frameCount_ = 0;
        dropped_.store(0);
    }
    // Frames dropped since the run (or the last seek) began: frames cut short.
    int64_t DroppedFrames() const { return dropped_.load(); }

private:
    DvSplitterInputPin input_;
    std::vector<std::unique_ptr<DvSplitterOutputPin>> outputs_; // changed only while stopped
    bool pal_ = true;              // set at connection; by the first whole frame when not read from one
    bool systemFromFrame_ = false; // pal_ was read from a frame (set at connection, then streaming thread)
    int64_t frameCount_ = 0;       // frames split since the start (streaming thread)
    std::atomic<int64_t> dropped_{0};
    std::vector<int16_t> pcm_; // streaming thread's decode buffer
};

// The type of DV video streams (Video / dvsd / VideoInfo), as the splitters and the encoder give it.
MediaType DvVideoType(bool pal);

void RegisterDvSplitterFilter(FilterRegistry& registry);

} // namespace ds
