#pragma once
// Finding and patching, in place, the video stream header's codec code (fccHandler) and rate
// fields (dwScale, dwRate). A walk is an object of its own, so walks on different threads never
// share positions; the free functions are thin wrappers that make one walk per call.
#include <cstdint>
#include <string>
#include <string_view>

namespace formats {

class RiffSource;

// Kind of the last "strh" met.
enum : uint8_t { skVideo = 0, skAudio = 1, skInterleaved = 2, skOther = 3 };

// What one walk found. Positions are 0 when no usable video ("vids"/"iavs") stream header was
// met; a later video stream header overrides an earlier one.
struct TRiffWalk {
    uint8_t StreamKind = skVideo;
    int64_t HandlerPos = 0; // file position of fccHandler
    int64_t ScalePos = 0;   // file position of dwScale; dwRate follows it
    bool ShortRead = false; // the walk ended on a header cut by the end of the file
    bool TooManyChunks = false;
};

class TRiffWalker {
public:
    static constexpr int kMaxDepth = 16;
    static constexpr int kMaxChunks = 1 << 20;

    explicit TRiffWalker(const RiffSource& source) : src_(source) {}
    TRiffWalk Walk();

private:
    // `limit`: the end of the enclosing list's data (the file's end at the top level).
    int64_t WalkChunk(int64_t pos, int depth, bool top, int64_t limit);

    const RiffSource& src_;
    int64_t fileSize_ = 0;
    int chunks_ = 0;
    TRiffWalk result_;
};

// Walks a file; a file that does not exist gives an empty result. Raises rtl::EFileError when
// an existing file cannot be read.
TRiffWalk WalkRiffFile(const std::string& fileName);

// The video stream header's fccHandler, 0 when the file has none. Raises rtl::EFileError.
uint32_t ReadVideoHandler(const std::string& fileName);

// Writes the 4 bytes of fccHandler in place; false when the file has no video stream header or
// cannot be written (missing, read-only, locked).
bool WriteVideoHandler(const std::string& fileName, uint32_t code);

// dwScale and dwRate of a frame rate: rate 1000000 and scale 1000000 / fps to the nearest
// integer, halves to even. False for a rate that is not finite and positive or whose scale does
// not fit 32 bits or comes out 0.
bool FrameRateFields(double fps, uint32_t& scale, uint32_t& rate);

// Writes dwScale and dwRate in place (8 bytes). Raises rtl::EConvertError for an invalid rate
// before the file is opened, rtl::EFileError for file errors; false when the file has no video
// stream header (nothing written).
bool WriteFrameRate(const std::string& fileName, double fps);

} // namespace formats
