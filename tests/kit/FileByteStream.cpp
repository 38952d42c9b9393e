#include "tests/kit/FileByteStream.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <unistd.h>

namespace testkit {

FileByteStream::FileByteStream(const std::string& path)
{
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

FileByteStream::~FileByteStream()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileByteStream::WriteAt(int64_t offset, const void* data, size_t size)
{
    if (fd_ < 0)
        return false;
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

bool FileByteStream::Close()
{
    if (fd_ < 0)
        return false;
    const bool ok = ::fsync(fd_) == 0;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return ok && closed;
}

} // namespace testkit
