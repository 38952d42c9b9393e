#include "platform/rtl/AtomicFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

// One system call moves at most this much, well inside ssize_t.
constexpr size_t kMaxChunk = size_t{1} << 30;

std::atomic<unsigned> tempCounter{0};

struct CallTable {
    std::mutex mutex; // guards calls
    FileCalls calls;
};

CallTable& Table()
{
    static CallTable table;
    return table;
}

// The member in place now, copied so it runs without the lock.
template <typename Member> auto Current(Member member)
{
    CallTable& table = Table();
    std::lock_guard guard(table.mutex);
    return table.calls.*member;
}

ssize_t CallWrite(int fd, const void* data, size_t size, off_t offset)
{
    if (auto write = Current(&FileCalls::write))
        return write(fd, data, size, offset);
    return ::pwrite(fd, data, size, offset);
}

int CallSyncFile(int fd)
{
    if (auto sync = Current(&FileCalls::syncFile))
        return sync(fd);
    return ::fsync(fd);
}

int SystemRename(const char* from, const char* to, Replace replace)
{
    if (replace == Replace::Allowed)
        return ::rename(from, to);
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    // A file system without a no-replace rename: a hard link fails just the same on an existing name.
    if (::link(from, to) != 0)
        return -1;
    ::unlink(from);
    return 0;
}

int CallRename(const char* from, const char* to, Replace replace)
{
    if (auto rename = Current(&FileCalls::rename))
        return rename(from, to, replace);
    return SystemRename(from, to, replace);
}

int CallSyncFolder(int fd)
{
    if (auto sync = Current(&FileCalls::syncFolder))
        return sync(fd);
    return ::fsync(fd);
}

} // namespace

AtomicFile::~AtomicFile()
{
    Discard();
}

int AtomicFile::Create(const std::string& target, unsigned permissions)
{
    Discard();
    target_ = target;
    // A short name of its own: the target's name may already be as long as a name can be.
    const std::string folder = ExtractFilePath(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            folder + ".morvel-" + std::to_string(::getpid()) + "-" + std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
        if (fd >= 0) {
            fd_ = fd;
            temp_ = name;
            return 0;
        }
        if (errno != EEXIST && errno != EINTR)
            return errno;
    }
    return EEXIST;
}

int AtomicFile::WriteAt(int64_t offset, const void* data, size_t size)
{
    if (fd_ < 0)
        return EBADF;
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const size_t chunk = std::min(size - done, kMaxChunk);
        const ssize_t n = CallWrite(fd_, in + done, chunk, static_cast<off_t>(offset + static_cast<int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC; // no progress: the device is full
        done += static_cast<size_t>(n);
    }
    return 0;
}

int AtomicFile::Commit(Replace replace)
{
    if (fd_ < 0)
        return EBADF;
    // The data must be on disk before the name points at it, or a crash leaves an empty file
    // where the old one was.
    int err = CallSyncFile(fd_) == 0 ? 0 : errno;
    // The descriptor is gone whatever close() says; a reported error still means lost data.
    if (::close(std::exchange(fd_, -1)) != 0 && err == 0 && errno != EINTR)
        err = errno;
    if (err == 0 && CallRename(temp_.c_str(), target_.c_str(), replace) != 0)
        err = errno;
    if (err != 0) {
        Discard();
        return err;
    }
    temp_.clear();
    // The new name is in place; a folder that cannot be synced only makes it less durable.
    const std::string folder = ExtractFilePath(target_);
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        CallSyncFolder(dir);
        ::close(dir);
    }
    return 0;
}

void AtomicFile::Discard()
{
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

int ReplaceFile(const std::string& target, std::string_view content, Replace replace, unsigned permissions)
{
    AtomicFile file;
    if (int err = file.Create(target, permissions))
        return err;
    if (int err = file.WriteAt(0, content.data(), content.size()))
        return err;
    return file.Commit(replace);
}

int RenameFile(const std::string& from, const std::string& to, Replace replace)
{
    return CallRename(from.c_str(), to.c_str(), replace) == 0 ? 0 : errno;
}

FileCalls SetFileCalls(FileCalls calls)
{
    CallTable& table = Table();
    std::lock_guard guard(table.mutex);
    return std::exchange(table.calls, std::move(calls));
}

} // namespace rtl
