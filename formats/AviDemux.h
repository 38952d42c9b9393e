#pragma once
// The AVI Splitter's view of a file: the streams of the header list and, per stream, where
// every chunk of data lies. Reads RIFF "AVI " and its OpenDML "AVIX" segments; takes the chunk
// positions from the OpenDML indexes (indx with ix## standard indexes, or an indx of chunks),
// else from idx1 (offsets from the file start or from the movi list), else by walking the movi
// lists ("rec " lists included). An idx1 entry is read by the chunk header it points at: its size
// when the entry's differs, an empty chunk (its time kept) when no header of its stream is there;
// an idx1 that mostly disagrees with the file is passed over for the walk, and OpenDML indexes
// of more entries than the file has room for chunks are passed over too. Bounded and lenient:
// a size past the end is clamped, a chunk outside the file dropped, a broken index falls back to
// the next source; it never writes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/RiffChunk.h"

namespace formats {

// Bytes at absolute offsets; ReadAt returns fewer bytes only at the end of the data (or on an
// error, which ends the parse like the end of the file).
using AviByteSource = RiffSource;

struct AviChunkRef {
    int64_t offset = 0; // of the data
    uint32_t size = 0;
    bool keyframe = true;
    bool cut = false; // held to the end of the file (or of its list): part of what was written
};

struct AviDemuxStream {
    uint32_t fccType = 0; // "vids", "auds", "iavs", …
    uint32_t fccHandler = 0;
    uint32_t scale = 0;
    uint32_t rate = 0;
    uint32_t start = 0;
    uint32_t length = 0;
    uint32_t sampleSize = 0;
    uint32_t suggestedBufferSize = 0;
    int16_t frame[4] = {0, 0, 0, 0}; // rcFrame
    std::vector<uint8_t> header;     // strh as stored (at most 64 bytes)
    std::vector<uint8_t> format;     // strf as stored (at most 64 KiB)
    std::vector<AviChunkRef> chunks;
    uint64_t totalBytes = 0; // sum of the chunk sizes
};

enum class AviIndexSource { None, OpenDml, Idx1, Scan };

struct AviDemuxResult {
    bool valid = false; // a RIFF AVI form with a header list, at least one stream and a movi list
    uint32_t microSecPerFrame = 0;
    uint32_t totalFrames = 0;    // avih
    uint32_t dmlTotalFrames = 0; // dmlh, 0 when none
    int segments = 0;            // RIFF segments read
    AviIndexSource index = AviIndexSource::None;
    bool truncated = false; // a size ran past the end of the file
    // The chunks come from an index checked against the file in a sample only: a reader checks
    // each chunk's header (8 bytes before its data: the stream's id and the size) as it reads it.
    bool checkChunkHeaders = false;
    std::vector<AviDemuxStream> streams;
};

struct AviDemuxLimits {
    size_t maxStreams = 100;
    size_t maxChunksPerStream = 20'000'000;
    int maxSegments = 4096;
};

AviDemuxResult ParseAvi(const AviByteSource& src, const AviDemuxLimits& limits = {});

} // namespace formats
