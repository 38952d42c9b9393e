#pragma once
// The file layout of the AVI Mux: an AVI (OpenDML) file written chunk by chunk through a
// positional byte stream. Headers are written first with room reserved for every field known
// only at the end; Finish patches sizes, counts and indexes in place.
//
//   RIFF AVI  [LIST hdrl: avih, strl (strh strf indx)…, LIST odml dmlh] JUNK
//             LIST movi [##dc|##db|##wb …, ix## per stream]  idx1
//   RIFF AVIX LIST movi [… , ix## per stream]                  (a new segment past the limit)
//
// Used by one thread at a time (the mux's streaming side); no locking inside.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace formats {

// Where the file goes: writes at absolute offsets (seek + write). False on any failure.
class AviByteStream {
public:
    virtual ~AviByteStream() = default;
    virtual bool WriteAt(int64_t offset, const void* data, size_t size) = 0;
};

enum class AviStreamKind { Video, Audio, Interleaved };

struct AviStreamSpec {
    AviStreamKind kind = AviStreamKind::Video;
    uint32_t handler = 0;        // strh fccHandler (the codec code for video, "dvsd" for DV)
    uint32_t scale = 1;          // video: frame duration is scale/rate seconds
    uint32_t rate = 25;          // audio: scale = nBlockAlign, rate = nAvgBytesPerSec
    uint32_t sampleSize = 0;     // 0 for video, nBlockAlign for audio
    std::vector<uint8_t> format; // strf as it is to be stored
    int16_t width = 0;           // rcFrame and avih size of a video stream
    int16_t height = 0;
};

struct AviMuxOptions {
    // A RIFF segment is closed when the next chunk and its index would take it past this size.
    int64_t segmentLimit = int64_t{1} << 30;
    // Super index entries reserved per stream (one per segment).
    uint32_t superIndexEntries = 256;
    // Bytes gathered before a write to the stream: few enough that they are still in the core's
    // cache when the write copies them out (a bigger buffer costs the copy a trip to memory).
    size_t bufferSize = size_t{256} << 10;
};

class AviMuxWriter {
public:
    explicit AviMuxWriter(AviByteStream& out, AviMuxOptions options = {});

    // Streams are added before Begin, in file order; returns the stream number.
    int AddStream(AviStreamSpec spec);
    bool Begin();
    // Appends one chunk of `stream` to the movie data.
    bool WriteChunk(int stream, const uint8_t* data, size_t size, bool keyframe = true);
    // Closes the last segment, writes its indexes and patches the headers. Idempotent.
    bool Finish();

    bool Failed() const { return failed_; }
    bool Finished() const { return finished_; }
    int StreamCount() const { return static_cast<int>(streams_.size()); }
    int SegmentCount() const { return static_cast<int>(segments_); }
    uint64_t ChunkCount(int stream) const;
    int64_t Position() const { return bufPos_ + static_cast<int64_t>(buf_.size()); }

    static uint32_t ChunkId(int stream, const AviStreamSpec& spec);

private:
    struct IndexEntry {
        int64_t dataPos;
        uint32_t size;
        bool keyframe;
    };
    struct SuperEntry {
        uint64_t offset;
        uint32_t size;
        uint32_t duration;
    };
    struct Stream {
        AviStreamSpec spec;
        uint32_t chunkId = 0;
        uint64_t chunks = 0; // all segments
        uint64_t bytes = 0;  // all segments
        uint32_t maxChunk = 0;
        std::vector<IndexEntry> segmentEntries; // the open segment's chunks
        std::vector<SuperEntry> superIndex;
    };
    struct Idx1Entry {
        uint32_t id;
        uint32_t flags;
        uint32_t offset;
        uint32_t size;
    };

    std::vector<uint8_t> BuildHeader() const;
    bool OpenSegment();
    bool CloseSegment();
    int64_t PendingIndexBytes() const;
    bool Append(const void* data, size_t size);
    bool PatchAt(int64_t offset, const void* data, size_t size);
    bool PatchLE32(int64_t offset, uint32_t value);
    bool Flush();
    bool Fail();

    AviByteStream& out_;
    AviMuxOptions options_;
    std::vector<Stream> streams_;
    std::vector<Idx1Entry> idx1_; // chunks of the first segment
    std::vector<uint8_t> buf_;    // bytes not yet written, from bufPos_
    int64_t bufPos_ = 0;
    int64_t riffStart_ = 0; // "RIFF" of the open segment
    int64_t moviStart_ = 0; // "LIST" of its movi list
    uint32_t segments_ = 0;
    uint64_t firstSegmentFrames_ = 0; // avih counts the first segment only
    size_t headerSize_ = 0;
    bool begun_ = false;
    bool segmentOpen_ = false;
    bool finished_ = false;
    bool failed_ = false;
};

} // namespace formats
