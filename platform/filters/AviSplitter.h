#pragma once
// "AVI Splitter": pulls an AVI file through the upstream AsyncReader and pushes each stream on an
// output pin of its own, one streaming thread per connected output.
// Pins: [Input] before the input connects; [Stream 00 … Stream N-1, Input] after (one output per
// stream of the header list, in stream order, named by its stream number); the outputs go when
// the input disconnects. A file that cannot be parsed or has no movie data gives none, and a
// stream whose format block cannot describe it (see AviStreamDescribed) gets no output.
// Types: vids -> Video / biCompression / VideoInfo (built from strh and strf); auds -> Audio /
// wFormatTag / WaveFormatEx (strf as stored; a 16-byte PCM block gets cbSize 0 added); iavs ->
// Interleaved / fccHandler / DvInfo (strf as stored, even when shorter than 32 bytes).
// Times count from the segment start: video frame n at n × frame time (exact fraction, rounded);
// constant-rate sound from the byte position. Empty chunks are skipped but keep their time, so a
// dropped frame shows as a gap, as does an index entry the chunk's own header contradicts. A last
// picture the end of the file cut short is passed on but not counted in the length.
// Keyframes are sync points; the first sample after a start or a seek is a discontinuity. Each
// output seeks in media time, and video or interleaved ones in frames.
// A handler override, set before the input connects, makes the splitter read that code as the
// handler of the last "vids" or "iavs" stream header (the one a handler patch would change), so a
// file can be tried as "dvsd" without writing into it.
#include <atomic>
#include <cstdint>
#include <memory>

#include "formats/AviDemux.h"
#include "platform/dshow/AsyncReader.h"
#include "platform/dshow/SourceStream.h"

namespace ds {

class AviSplitter;
class FilterRegistry;

class AviSplitterInputPin : public InputPin {
public:
    explicit AviSplitterInputPin(AviSplitter& splitter);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT CompleteConnect(Pin& peer) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(const SamplePtr& sample) override; // pull model: never pushed to

private:
    AviSplitter& splitter_;
};

// What an output offers a filter downstream that wants to look before the stream runs (the DV
// Splitter reads the first frame when the format block does not describe the sound).
class StreamPeek {
public:
    virtual ~StreamPeek() = default;
    virtual bool PeekFirstChunk(std::vector<uint8_t>& data) = 0;
};

class AviSplitterStream : public SourceStream, public StreamPeek {
public:
    AviSplitterStream(AviSplitter& splitter, std::shared_ptr<const formats::AviDemuxResult> file, int index,
                      AsyncReader& reader);

    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT FillBuffer(MediaSample& sample) override;
    HRESULT OnThreadStartPlay() override;
    HRESULT Duration(REFERENCE_TIME& duration) override;
    bool PeekFirstChunk(std::vector<uint8_t>& data) override;

    // Seeking in frames as well, for video and interleaved streams.
    HRESULT IsFormatSupported(const Guid& format) override;
    HRESULT GetDuration(int64_t& duration) override;
    HRESULT GetCurrentPosition(int64_t& position) override;
    HRESULT GetStopPosition(int64_t& stop) override;
    HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) override;
    HRESULT ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                              const Guid* sourceFormat) override;

    const formats::AviDemuxStream& Info() const { return file_->streams[static_cast<size_t>(index_)]; }
    // Media time of chunk i's start (i may be the chunk count: the end of the stream).
    REFERENCE_TIME ChunkTime(size_t i) const;

private:
    bool ByBytes() const; // constant-rate sound: times follow the byte position
    // The chunks the stream's length counts: a last picture the end of the file cut short is
    // still passed on (the muxers drop and count it) but is no frame of the length.
    size_t LengthInChunks() const;
    uint32_t ChunkSize(size_t i);
    size_t ChunkAt(REFERENCE_TIME t) const;
    REFERENCE_TIME FramesToTime(int64_t frames) const;
    int64_t TimeToFrames(REFERENCE_TIME t) const;

    // A chunk the index promised and the file held when it was read has not come whole: the
    // file got shorter (or unreadable) since.
    void NoteCutShort();

    AviSplitter& splitter_;
    std::shared_ptr<const formats::AviDemuxResult> file_;
    int index_;
    AsyncReader& reader_;
    int64_t fileSize_ = 0;
    MediaType type_;
    std::vector<uint64_t> byteStart_; // bytes before each chunk (constant-rate sound)
    // Streaming-thread state, reset at each start.
    size_t next_ = 0;
    bool first_ = true;
};

class AviSplitter : public BaseSource {
public:
    static constexpr const char* kFriendlyName = "AVI Splitter";
    AviSplitter();
    ~AviSplitter() override;

    int GetPinCount() override;
    Pin* GetPin(int index) override;
    bool IsSource() override { return false; }
    InputPin* Input() { return &input_; }

    // Called by the input pin, on the controlling thread.
    HRESULT OnInputConnected(Pin& peer);
    void OnInputDisconnected();
    // The parsed file (null when not connected).
    std::shared_ptr<const formats::AviDemuxResult> File() const { return file_; }
    // 0: the file's own handler. Takes effect at the next input connection.
    void SetHandlerOverride(uint32_t code) { handlerOverride_ = code; }
    uint32_t HandlerOverride() const { return handlerOverride_; }
    // False once an output met a chunk of the index that the file held when it was read and
    // could not read it whole: the file was cut or damaged since, and the stream ended early.
    // Any thread; true again for the next file.
    bool ReadAllPromised() const { return !cutShort_.load(); }

private:
    friend class AviSplitterStream;

    AviSplitterInputPin input_;
    uint32_t handlerOverride_ = 0; // controlling thread only
    std::shared_ptr<const formats::AviDemuxResult> file_;
    int64_t largestChunks_ = 0; // the largest chunk of each stream, summed; set with file_
    std::atomic<bool> cutShort_{false};
};

// Builds the media type of stream `index` of a parsed file.
MediaType AviStreamMediaType(const formats::AviDemuxStream& stream);
// Whether a stream's format block describes it well enough to be passed on: video needs a whole
// bitmap header; sound a wave format of 1 to 8 channels, a rate, and a block align (for linear
// sound the one its channels and sample size make). Other stream types are passed as they are.
bool AviStreamDescribed(const formats::AviDemuxStream& stream);

void RegisterAviSplitterFilter(FilterRegistry& registry);

} // namespace ds
