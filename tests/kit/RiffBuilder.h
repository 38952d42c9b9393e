#pragma once
// Builds RIFF/AVI files as bytes, right or deliberately wrong: chunks and lists of any declared
// size, odd sizes with or without their pad byte, truncation, trailing garbage. Depends on the
// standard library only, so the fuzzers can use it to seed their corpus.
//
//   auto avi = RiffBuilder().riff("AVI ").list("hdrl").chunk("avih", Avih({})).end()
//                           .list("movi").end().end().build();
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testkit {

std::string LE16(uint16_t v);
std::string LE32(uint32_t v);
std::string LE64(uint64_t v);
// The 4 bytes of a code; a shorter text is padded with blanks.
std::string Tag(std::string_view fourcc);

class RiffBuilder {
public:
    // Opens a "RIFF" or "LIST"; end() closes it and writes its size, unless `declaredSize`
    // gives the size to write instead.
    RiffBuilder& riff(std::string_view form, std::optional<uint32_t> declaredSize = {});
    RiffBuilder& list(std::string_view type, std::optional<uint32_t> declaredSize = {});
    RiffBuilder& end();
    // A chunk with its true size; an odd size gets its pad byte.
    RiffBuilder& chunk(std::string_view id, std::string_view data);
    // A chunk declaring `declaredSize` whatever the data holds; `pad` adds a zero byte when
    // the data's length is odd.
    RiffBuilder& chunkSized(std::string_view id, uint32_t declaredSize, std::string_view data, bool pad = true);
    // Bytes as they are (garbage, a cut header).
    RiffBuilder& raw(std::string_view bytes);
    // Remembers the current offset under a name (read back with at()).
    RiffBuilder& mark(const std::string& name);

    int64_t at(const std::string& name) const; // throws std::out_of_range for an unknown name
    size_t size() const { return bytes_.size(); }
    // The bytes, every open list closed.
    std::string build();

private:
    struct Open {
        size_t sizePos;
        std::optional<uint32_t> declared;
    };
    std::string bytes_;
    std::vector<Open> open_;
    std::map<std::string, int64_t> marks_;
};

// Record payloads.
struct AvihFields {
    uint32_t microSecPerFrame = 40000;
    uint32_t maxBytesPerSec = 3600000;
    uint32_t flags = 0x10;
    uint32_t totalFrames = 0;
    uint32_t streams = 1;
    uint32_t suggestedBufferSize = 144000;
    uint32_t width = 720;
    uint32_t height = 576;
};
std::string Avih(const AvihFields& f);

struct StrhFields {
    std::string type = "vids";
    std::string handler = "dvsd";
    uint32_t flags = 0;
    uint32_t scale = 1;
    uint32_t rate = 25;
    uint32_t length = 0;
    uint32_t suggestedBufferSize = 144000;
    uint32_t quality = 0xFFFFFFFF;
    uint32_t sampleSize = 0;
    int16_t right = 720;
    int16_t bottom = 576;
};
std::string Strh(const StrhFields& f);

std::string BitmapInfo(int32_t width = 720, int32_t height = 576, std::string_view compression = "dvsd",
                       uint16_t bitCount = 24, uint32_t sizeImage = 144000);
// A DV format block; the defaults are a PAL 48 kHz camera's.
std::string DvInfoBlock(uint32_t aauxSrc = 0xD1E0C0C0, uint32_t aauxCtl = 0xFFBFC83F, uint32_t aauxSrc1 = 0xD1E0C0C0,
                        uint32_t aauxCtl1 = 0xFFBFC83F, uint32_t vauxSrc = 0xFF20FFFF, uint32_t vauxCtl = 0xFFFFBF3F);
// A wave format header: 18 bytes, or the 16 of old PCM files.
std::string WaveFormat(uint16_t tag = 1, uint16_t channels = 2, uint32_t samplesPerSec = 48000,
                       uint16_t bitsPerSample = 16, bool withCbSize = true);
// "dmlh": the total frame count and 244 reserved bytes.
std::string Dmlh(uint32_t totalFrames);
// An "indx"/"ix##" payload: the 24-byte header then `entries` (raw).
std::string IndexChunk(uint8_t indexType, uint8_t subType, uint16_t longsPerEntry, uint32_t entriesInUse,
                       std::string_view chunkId, uint64_t baseOffset, std::string_view entries = {});

// A small AVI in the shapes DV files come in. The data chunks are short stand-ins, not DV.
struct AviSpec {
    int dvType = 2;           // 1: one "iavs" stream; 2: "vids" and "auds"
    bool audioFirst = false;  // type 2: the audio stream list comes first
    bool secondVideo = false; // a second "vids" stream after the others
    bool pcm16 = false;       // the audio "strf" holds 16 bytes, no cbSize
    int indxType = -1;        // bIndexType of the video stream's "indx"; -1: no "indx"
    bool idx1 = true;
    bool odml = false;    // "LIST" "odml" with "dmlh"
    int avixSegments = 0; // OpenDML continuation segments after the first
    int frames = 3;
    std::string handler = "dvsd";
    uint32_t scale = 1;
    uint32_t rate = 25;
};

// Marks: "strh<n>" (header of stream n's "strh"), "strf<n>", "indx<n>", "movi" (the first
// segment's "LIST" "movi"), "idx1", "avix<k>" and "movi<k>" (k from 1), "end".
RiffBuilder MakeAvi(const AviSpec& spec);

} // namespace testkit
