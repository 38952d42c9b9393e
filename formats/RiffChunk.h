#pragma once
// Reading RIFF chunks from a random-access source: chunk headers, list types, fixed records and
// a bounded iteration over the chunks of one list. Shared by the AVI header reader, the patch
// walker, the structure listing and the AVI splitter; it keeps no state between calls, so any
// number of threads may read different (or the same) files at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/FileStream.h"

namespace formats {

// Bytes at absolute offsets. ReadAt returns fewer bytes than asked only at the end of the data;
// an I/O error may raise (rtl::EFileError for files).
class RiffSource {
public:
    virtual ~RiffSource() = default;
    virtual int64_t Size() const = 0;
    virtual size_t ReadAt(int64_t offset, void* buffer, size_t count) const = 0;
};

// A source over bytes in memory (borrowed: the bytes must outlive the source).
class MemorySource : public RiffSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    int64_t Size() const override { return static_cast<int64_t>(bytes_.size()); }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override;

private:
    std::string_view bytes_;
};

// Opens an existing regular file. Anything else (a folder, a pipe that would block the open, a
// device) raises rtl::EFileError like a file that cannot be opened.
std::unique_ptr<rtl::TFileStream> OpenRegularFile(const std::string& path, rtl::TFileStream::Mode mode);

// A source over a file: either opened here read-only, or a borrowed open stream (a patch walks
// the very handle it is about to write through). The size is taken once, at construction.
class FileSource : public RiffSource {
public:
    explicit FileSource(const std::string& path); // raises rtl::EFileError when it cannot open
    explicit FileSource(const rtl::TFileStream& borrowed);
    ~FileSource() override;
    int64_t Size() const override { return size_; }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override;

private:
    std::unique_ptr<rtl::TFileStream> owned_;
    const rtl::TFileStream* file_; // owned_ or the borrowed stream
    int64_t size_ = 0;
};

// Reads another source through a window of it kept in memory: a header walk reads one small
// record after another, each a system call of its own without it. Reads as large as the window
// go straight through. Holds state: one reader at a time; the source must outlive it.
class WindowedSource : public RiffSource {
public:
    static constexpr size_t kWindow = 16 * 1024;
    explicit WindowedSource(const RiffSource& source) : source_(source) {}
    int64_t Size() const override { return source_.Size(); }
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const override;

private:
    const RiffSource& source_;
    mutable std::unique_ptr<uint8_t[]> window_;
    mutable int64_t windowPos_ = 0;
    mutable size_t windowLength_ = 0; // bytes of the window read from windowPos_
};

// One chunk header as found in the file. Sizes exclude the 8-byte header and the pad byte.
struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;     // as declared
    int64_t headerPos = 0; // position of the id
    int64_t available = 0; // data bytes that really lie within the bounds it was read in

    int64_t dataPos() const { return headerPos + 8; }
    bool clamped() const { return available < static_cast<int64_t>(size); }
    // Where the next chunk begins: after the data and its pad byte, never past the bounds.
    int64_t end(int64_t limit) const;
    bool isList() const; // "RIFF" or "LIST": the data begins with a list type
};

// Reads the 8-byte header at pos; false when fewer than 8 bytes lie before limit.
// `available` is the declared size clamped to limit.
bool ReadChunkHeader(const RiffSource& src, int64_t pos, int64_t limit, RiffChunk& out);

// The list type of a "RIFF"/"LIST" chunk; false when the chunk cannot hold one.
bool ReadListType(const RiffSource& src, const RiffChunk& chunk, uint32_t& type);

// Reads the first min(available, recordSize) bytes of a chunk's data (or of its data after
// `skip` bytes) and zero-fills the rest of the record; returns the bytes really read.
size_t ReadRecord(const RiffSource& src, const RiffChunk& chunk, void* record, size_t recordSize, int64_t skip = 0);

// The chunks laid one after another in [begin, limit): each header read at the end (pad
// included) of the one before, each size clamped to limit, at most maxChunks of them.
class RiffChunkCursor {
public:
    static constexpr int kDefaultMaxChunks = 1 << 20;

    RiffChunkCursor(const RiffSource& src, int64_t begin, int64_t limit, int maxChunks = kDefaultMaxChunks);
    // The next chunk; false at the end (fewer than 8 bytes left), after maxChunks chunks, or
    // when the source came up short (see ShortRead).
    bool Next(RiffChunk& chunk);
    // The position where the next header would be read, and the bytes left before the limit.
    int64_t Position() const { return pos_; }
    int64_t Remaining() const { return limit_ > pos_ ? limit_ - pos_ : 0; }
    // The source held fewer bytes than the bounds promised (a file cut while being read).
    bool ShortRead() const { return shortRead_; }
    bool TooManyChunks() const { return tooMany_; }

private:
    const RiffSource& src_;
    int64_t pos_;
    int64_t limit_;
    int maxChunks_;
    int count_ = 0;
    bool shortRead_ = false;
    bool tooMany_ = false;
};

} // namespace formats
