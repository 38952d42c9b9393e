#pragma once
// TFileStream: a binary file with 64-bit positions and little-endian helpers. Opening for
// writing never truncates (only Create does); errors are raised as EFileError with the path and
// the system's reason in the message.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace rtl {

class EFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TFileStream {
public:
    enum class Mode {
        Read,      // existing file, read only
        Write,     // existing file, write only, not truncated
        ReadWrite, // existing file, read and write, not truncated
        Create,    // create, or truncate an existing file; read and write
    };
    enum class Origin { Begin, Current, End };

    TFileStream(const std::string& path, Mode mode);
    ~TFileStream();
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    TFileStream(TFileStream&& other) noexcept;
    TFileStream& operator=(TFileStream&& other) noexcept;

    const std::string& FileName() const { return path_; }
    int64_t Size() const;
    int64_t Position() const { return pos_; }
    int64_t Seek(int64_t offset, Origin origin = Origin::Begin); // returns the new position

    // Read returns the bytes read: fewer than asked at the end of the file.
    size_t Read(void* buffer, size_t count);
    // ReadBuffer raises EFileError on a short read.
    void ReadBuffer(void* buffer, size_t count);
    // Reads at an absolute offset without moving the position (pread); safe from several threads.
    size_t ReadAt(int64_t offset, void* buffer, size_t count) const;
    // Write raises EFileError unless every byte was written (a full disk is an error).
    void Write(const void* buffer, size_t count);
    void WriteAt(int64_t offset, const void* buffer, size_t count); // the position stays where it is

    uint8_t ReadU8();
    uint16_t ReadU16();
    uint32_t ReadU32();
    uint64_t ReadU64();
    void WriteU8(uint8_t v);
    void WriteU16(uint16_t v);
    void WriteU32(uint32_t v);
    void WriteU64(uint64_t v);

    void Flush(); // fsync
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    std::string path_;
    int fd_ = -1;
    int64_t pos_ = 0;
};

} // namespace rtl
