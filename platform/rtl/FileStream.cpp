#include "platform/rtl/FileStream.h"

#include "platform/rtl/ByteOrder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include "platform/rtl/Messages.h"
#include "platform/rtl/StringIds.h"

namespace rtl {

static_assert(sizeof(off_t) == 8, "file offsets must be 64-bit");

namespace {

// One system call moves at most this much, well inside ssize_t on every platform.
constexpr size_t kMaxChunk = size_t{1} << 30;

[[noreturn]] void Fail(int messageId, const std::string& path, int err)
{
    throw EFileError(Message(messageId, {path, std::strerror(err)}));
}

int OpenFlags(TFileStream::Mode mode)
{
    switch (mode) {
    case TFileStream::Mode::Read: return O_RDONLY;
    case TFileStream::Mode::Write: return O_WRONLY;
    case TFileStream::Mode::ReadWrite: return O_RDWR;
    case TFileStream::Mode::Create: return O_RDWR | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

} // namespace

TFileStream::TFileStream(const std::string& path, Mode mode) : path_(path)
{
    const int what = mode == Mode::Create ? sid::sRtlCreateError : sid::sRtlOpenError;
    int fd;
    do {
        fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        Fail(what, path, errno);
    // A folder opens read-only without complaint; it is no file to stream.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        Fail(what, path, err);
    }
    fd_ = fd;
}

TFileStream::~TFileStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

TFileStream::TFileStream(TFileStream&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)), pos_(std::exchange(other.pos_, 0))
{
}

TFileStream& TFileStream::operator=(TFileStream&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        path_ = std::move(other.path_);
        fd_ = std::exchange(other.fd_, -1);
        pos_ = std::exchange(other.pos_, 0);
    }
    return *this;
}

int64_t TFileStream::Size() const
{
    struct stat st {};
    if (fd_ < 0)
        Fail(sid::sRtlSizeError, path_, EBADF);
    if (::fstat(fd_, &st) != 0)
        Fail(sid::sRtlSizeError, path_, errno);
    return static_cast<int64_t>(st.st_size);
}

int64_t TFileStream::Seek(int64_t offset, Origin origin)
{
    int64_t base = 0;
    switch (origin) {
    case Origin::Begin: base = 0; break;
    case Origin::Current: base = pos_; break;
    case Origin::End: base = Size(); break;
    }
    if ((offset > 0 && base > std::numeric_limits<int64_t>::max() - offset) || base + offset < 0)
        Fail(sid::sRtlSeekError, path_, EINVAL);
    pos_ = base + offset;
    return pos_;
}

size_t TFileStream::ReadAt(int64_t offset, void* buffer, size_t count) const
{
    if (fd_ < 0)
        Fail(sid::sRtlReadError, path_, EBADF);
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t chunk = std::min(count - done, kMaxChunk);
        const ssize_t n = ::pread(fd_, out + done, chunk, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(sid::sRtlReadError, path_, errno);
        }
        if (n == 0)
            break; // end of file
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t TFileStream::Read(void* buffer, size_t count)
{
    const size_t n = ReadAt(pos_, buffer, count);
    pos_ += static_cast<int64_t>(n);
    return n;
}

void TFileStream::ReadBuffer(void* buffer, size_t count)
{
    const size_t n = Read(buffer, count);
    if (n != count)
        throw EFileError(Message(sid::sRtlShortRead, {path_, std::to_string(count), std::to_string(n)}));
}

void TFileStream::WriteAt(int64_t offset, const void* buffer, size_t count)
{
    if (fd_ < 0)
        Fail(sid::sRtlWriteError, path_, EBADF);
    const auto* in = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const size_t chunk = std::min(count - done, kMaxChunk);
        const ssize_t n = ::pwrite(fd_, in + done, chunk, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(sid::sRtlWriteError, path_, errno);
        }
        if (n == 0)
            Fail(sid::sRtlWriteError, path_, ENOSPC); // no progress: the device is full
        done += static_cast<size_t>(n);
    }
}

void TFileStream::Write(const void* buffer, size_t count)
{
    WriteAt(pos_, buffer, count);
    pos_ += static_cast<int64_t>(count);
}

uint8_t TFileStream::ReadU8()
{
    uint8_t b[1];
    ReadBuffer(b, 1);
    return b[0];
}

uint16_t TFileStream::ReadU16()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return GetLE16(b);
}

uint32_t TFileStream::ReadU32()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return GetLE32(b);
}

uint64_t TFileStream::ReadU64()
{
    uint8_t b[8];
    ReadBuffer(b, 8);
    return GetLE64(b);
}

void TFileStream::WriteU8(uint8_t v)
{
    Write(&v, 1);
}

void TFileStream::WriteU16(uint16_t v)
{
    uint8_t b[2];
    PutLE16(b, v);
    Write(b, 2);
}

void TFileStream::WriteU32(uint32_t v)
{
    uint8_t b[4];
    PutLE32(b, v);
    Write(b, 4);
}

void TFileStream::WriteU64(uint64_t v)
{
    uint8_t b[8];
    PutLE64(b, v);
    Write(b, 8);
}

void TFileStream::Flush()
{
    if (fd_ < 0)
        Fail(sid::sRtlFlushError, path_, EBADF);
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
        Fail(sid::sRtlFlushError, path_, errno);
}

void TFileStream::Close()
{
    if (fd_ < 0)
        return;
    // The descriptor is gone whatever close() says; a reported error still means lost data.
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR)
        Fail(sid::sRtlCloseError, path_, errno);
}

} // namespace rtl
