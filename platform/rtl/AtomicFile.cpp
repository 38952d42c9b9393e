#include "platform/rtl/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <mutex>
#include <string_view>
#include <utility>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

// One system call moves at most this much, well inside ssize_t.
constexpr size_t kMaxChunk = size_t{1} << 30;

std::atomic<unsigned> tempCounter{0};

// A temporary file is "." + its output's name + ".morvel-<pid>-<n>.tmp": hidden, named after what
// it is for, unique per process, and the next writer of that output can tell whether its writer
// still runs.
constexpr std::string_view kTempMark = ".morvel-";
constexpr std::string_view kTempEnd = ".tmp";
constexpr size_t kMaxDigits = 10; // of a process id and of the counter
constexpr size_t kTempRoom = 1 + kTempMark.size() + kMaxDigits + 1 + kMaxDigits + kTempEnd.size();
constexpr size_t kHashDigits = 16;

// The longest file name the folder's file system takes, in bytes.
size_t NameLimit(const std::string& folder)
{
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? static_cast<size_t>(limit) : NAME_MAX;
}

uint64_t NameHash(std::string_view s) // FNV-1a
{
    uint64_t h = 14695981039346656037ull;
    for (char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

// What the temporary names of output `name` start with. A name too long to fit beside the rest
// keeps its start, cut between characters, and a hash of the whole, so two long names that begin
// alike still make different temporary names. The same for every process: no process id in it.
std::string TempPrefix(std::string_view name, size_t limit)
{
    const size_t room = limit > kTempRoom ? limit - kTempRoom : 0;
    if (name.size() <= room)
        return "." + std::string(name) + std::string(kTempMark);
    char hash[kHashDigits + 1];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(NameHash(name)));
    const size_t keep = room > kHashDigits + 1 ? room - kHashDigits - 1 : 0;
    return "." + std::string(Utf8Prefix(name, keep)) + "~" + hash + std::string(kTempMark);
}

// The process id in a temporary name that starts with `prefix`; 0 when it is no such name.
pid_t TempOwner(std::string_view name, std::string_view prefix)
{
    if (name.substr(0, prefix.size()) != prefix || name.size() < prefix.size() + kTempEnd.size() ||
        name.substr(name.size() - kTempEnd.size()) != kTempEnd)
        return 0;
    const std::string_view rest = name.substr(prefix.size(), name.size() - prefix.size() - kTempEnd.size());
    const size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > kMaxDigits || dash + 1 == rest.size() ||
        rest.size() - dash - 1 > kMaxDigits)
        return 0;
    long long pid = 0;
    for (size_t i = 0; i < rest.size(); ++i) {
        if (i == dash)
            continue;
        if (rest[i] < '0' || rest[i] > '9')
            return 0;
        if (i < dash)
            pid = pid * 10 + (rest[i] - '0');
    }
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// Removes the temporary files of this output that a process left when it died (killed, or the
// power went) before it could finish or remove them. A running process's files, this one's and
// those of other outputs stay.
void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TempOwner(entry->d_name, prefix);
        if (owner == 0 || owner == self)
            continue;
        // Only a process that no longer exists is dead; one that refuses the signal still runs.
        if (::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

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
    const std::string folder = ExtractFilePath(target);
    const std::string output = ExtractFileName(target);
    const size_t limit = NameLimit(folder);
    // Said now, not by the rename after all the work.
    if (output.size() > limit)
        return ENAMETOOLONG;
    const std::string prefix = TempPrefix(output, limit);
    RemoveStaleTemporaries(folder, prefix);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + prefix + std::to_string(::getpid()) + "-" +
                                 std::to_string(tempCounter.fetch_add(1)) + std::string(kTempEnd);
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
