#pragma once
// The header part of an AVI file (RIFF with the OpenDML extensions) read into a summary: main
// header, OpenDML header, one record per stream, where "movi" and "idx1" lie and which kind of
// index the video stream has. The stream data is never read. Each object reads on its own, so
// the list, scan and GUI threads may analyse files at the same time.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/AviRecords.h"

namespace formats {

class RiffSource;

// Which index the video stream has (TAviParam::IndexKind).
enum : uint8_t {
    ikIndexOfIndexes = 0, // "indx" with bIndexType 0 (OpenDML super index)
    ikIndexOfChunks = 1,  // "indx" with bIndexType 1
    ikIdx1 = 2,           // no "indx", an "idx1" was found
    ikNoIndex = 3,        // neither
    ikOtherIndex = 4,     // "indx" of any other bIndexType
};

class TAvistream {
public:
    static constexpr size_t kFormatSize = 84;

    AviStreamHeader Header;                    // the first min(size, 56) bytes of "strh"
    std::array<uint8_t, kFormatSize> Format{}; // the start of "strf" as stored, zero-filled
    uint32_t FormatSize = 0;                   // the size "strf" declares
    AviSuperIndexHead SuperIndex;              // the first 88 bytes of "indx"
    int64_t IndxEntriesPos = 0;                // first "indx" entry; 0 without "indx"
};

class TAviParam {
public:
    // Opens the file read-only and reads its headers; raises rtl::EFileError when the file
    // cannot be opened. A file that is no AVI, or a damaged one, gives Valid 0.
    explicit TAviParam(const std::string& fileName);
    // Reads the headers from any source (memory, an open file).
    explicit TAviParam(const RiffSource& source);
    virtual ~TAviParam();
    TAviParam(const TAviParam&) = delete;
    TAviParam& operator=(const TAviParam&) = delete;

    // The stream at VideoIndex, or nullptr.
    const TAvistream* VideoStream() const;
    // The video stream's fccHandler as four characters, "####" without a video stream.
    std::string VideoHandler() const;

    uint8_t OpenDML = 0; // a "LIST" "odml" was met in the header list
    AviMainHeader MainHeader;
    OdmlHeader DmlHeader;
    int32_t AudioIndex = -1;                          // first "auds" stream
    int32_t VideoIndex = -1;                          // first "vids" or "iavs" stream
    std::vector<std::unique_ptr<TAvistream>> Streams; // one per "LIST" "strl", in file order
    int64_t Idx1Pos = 0;                              // data of the last "idx1" met; 0 when none
    uint8_t IndexKind = 0;                            // ik* value of the video stream; stays 0 without one
    int64_t MoviPos = 0;                              // just after the list type of the last "LIST" "movi"; 0 when none
    uint8_t Valid = 0;                                // at least one RIFF segment of AVI form was read through

    // Streams beyond this count are not recorded (stream numbers have two digits).
    static constexpr size_t kMaxStreams = 100;

private:
    void Read(const RiffSource& source);
};

// The analysis's own name for the reader.
class TFriendlyAviParam : public TAviParam {
public:
    using TAviParam::TAviParam;
};

} // namespace formats
