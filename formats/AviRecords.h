#pragma once
// The fixed records of an AVI header, decoded field by field from their little-endian bytes
// (never copied as a struct, so layout and byte order do not depend on the compiler).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/FormatRecords.h"

namespace formats {

// "avih", 56 bytes.
struct AviMainHeader {
    static constexpr size_t kSize = 56;
    uint32_t dwMicroSecPerFrame = 0;
    uint32_t dwMaxBytesPerSec = 0;
    uint32_t dwPaddingGranularity = 0;
    uint32_t dwFlags = 0;
    uint32_t dwTotalFrames = 0;
    uint32_t dwInitialFrames = 0;
    uint32_t dwStreams = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwWidth = 0;
    uint32_t dwHeight = 0;
    std::array<uint32_t, 4> dwReserved{};
};

// "strh", 56 bytes.
struct AviStreamHeader {
    static constexpr size_t kSize = 56;
    // Offsets of the fields that the in-place patches rewrite.
    static constexpr int kHandlerOffset = 4;
    static constexpr int kScaleOffset = 20;
    static constexpr int kRateOffset = 24;

    uint32_t fccType = 0;
    uint32_t fccHandler = 0;
    uint32_t dwFlags = 0;
    uint16_t wPriority = 0;
    uint16_t wLanguage = 0;
    uint32_t dwInitialFrames = 0;
    uint32_t dwScale = 0;
    uint32_t dwRate = 0;
    uint32_t dwStart = 0;
    uint32_t dwLength = 0;
    uint32_t dwSuggestedBufferSize = 0;
    uint32_t dwQuality = 0;
    uint32_t dwSampleSize = 0;
    int16_t rcLeft = 0;
    int16_t rcTop = 0;
    int16_t rcRight = 0;
    int16_t rcBottom = 0;
};

// The OpenDML extended header "dmlh", 248 bytes: the total frame count and reserved words.
struct OdmlHeader {
    static constexpr size_t kSize = 248;
    uint32_t dwTotalFrames = 0;
    std::array<uint32_t, 61> dwReserved{};
};

// The 24-byte header shared by "indx" and the "ix##" standard index chunks.
struct AviIndexHeader {
    static constexpr size_t kSize = 24;
    uint16_t wLongsPerEntry = 0;
    uint8_t bIndexSubType = 0;
    uint8_t bIndexType = 0;
    uint32_t nEntriesInUse = 0;
    uint32_t dwChunkId = 0;
    uint64_t qwBaseOffset = 0; // standard index; the super index keeps three reserved words here
    uint32_t dwReserved3 = 0;
};

// bIndexType values.
constexpr uint8_t AVI_INDEX_OF_INDEXES = 0;
constexpr uint8_t AVI_INDEX_OF_CHUNKS = 1;

// The head of a super index ("indx"): its header and first four entries, 88 bytes.
struct AviSuperIndexHead {
    static constexpr size_t kSize = 88;
    struct Entry {
        uint64_t qwOffset = 0;
        uint32_t dwSize = 0;
        uint32_t dwDuration = 0;
    };
    AviIndexHeader header;
    std::array<Entry, 4> entries{};
};

// Each decoder reads exactly kSize bytes from p.
AviMainHeader DecodeMainHeader(const uint8_t* p);
AviStreamHeader DecodeStreamHeader(const uint8_t* p);
OdmlHeader DecodeOdmlHeader(const uint8_t* p);
AviIndexHeader DecodeIndexHeader(const uint8_t* p);
AviSuperIndexHead DecodeSuperIndexHead(const uint8_t* p);

// A stream's number in chunk ids: two decimal digits, the tens first, before the kind in the
// movie data ("00dc" is stream 0's video, "01wb" stream 1's sound) and after "ix" in the
// stream's standard index ("ix01"). Streams from 100 on wrap to two digits.
uint32_t StreamChunkId(int stream, const char (&kind)[3]);
uint32_t StreamIndexChunkId(int stream);
// The stream a movie chunk id belongs to ("01wb" -> 1); -1 when it does not begin with two digits.
int ChunkIdStream(uint32_t id);
// The AVI filters name their pins after the stream number, in two digits at least:
// "Stream 00" (splitter outputs), "Input 01" (mux inputs).
std::string StreamPinName(std::string_view word, int number);

} // namespace formats
