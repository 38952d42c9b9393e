#pragma once
// The one way a file is replaced: the new content goes to a fresh temporary file beside the target
// (created exclusively, so two writers never share one), is synced to disk and renamed onto the
// target, and the folder is synced so the rename itself outlives a crash. On every failure the
// temporary file is removed and the target is left as it was.
//
// The temporary file is hidden and named after the target: "." + its name + ".morvel-<pid>-<n>.tmp"
// (a name too long for that keeps its start and a hash of the whole). A process killed mid-write
// leaves it behind; the next write of the same target removes it once its process is gone.
//
// Errors are errno values (0 for success), so each caller reports them in its own terms.
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rtl {

// Whether the commit may replace a target that exists.
enum class Replace : uint8_t { Allowed, Never };

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile(); // an uncommitted file is discarded
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file in the target's folder, with `permissions` less the umask, after
    // removing the temporaries of this target whose process no longer runs. ENAMETOOLONG when
    // the target's own name is longer than its file system takes.
    int Create(const std::string& target, unsigned permissions = 0666);
    bool IsOpen() const { return fd_ >= 0; }
    int Handle() const { return fd_; } // for reads, truncation and write-back hints
    const std::string& Target() const { return target_; }
    const std::string& TempName() const { return temp_; }

    // Writes every byte at `offset`; ENOSPC when the device takes no more.
    int WriteAt(int64_t offset, const void* data, size_t size);

    // Syncs and closes the file, renames it onto the target and syncs the folder. On failure the
    // temporary file is gone and the target untouched; under Replace::Never an existing target
    // gives EEXIST.
    int Commit(Replace replace = Replace::Allowed);
    // Closes and removes the temporary file.
    void Discard();

private:
    std::string target_;
    std::string temp_;
    int fd_ = -1;
};

// `content` as the whole new content of `target`, through an AtomicFile.
int ReplaceFile(const std::string& target, std::string_view content, Replace replace = Replace::Allowed,
                unsigned permissions = 0666);

// The system calls AtomicFile makes to write and commit, replaceable so that tests can make one
// fail. An empty member is the system's own call; each returns as that call does (-1 and errno).
struct FileCalls {
    std::function<ssize_t(int fd, const void* data, size_t size, off_t offset)> write;
    std::function<int(int fd)> syncFile;
    std::function<int(const char* from, const char* to, Replace replace)> rename;
    std::function<int(int folderFd)> syncFolder;
};

// Puts `calls` in place for the whole process; returns the ones it replaces.
FileCalls SetFileCalls(FileCalls calls);

// The system's own rename, the one FileCalls::rename stands in for (-1 and errno): under
// Replace::Never renameat2 with RENAME_NOREPLACE, or link + unlink on a file system without it,
// so a name taken even a moment before fails with EEXIST.
int SystemRename(const char* from, const char* to, Replace replace);
// Renames `from` to `to` in one step through the calls in place: 0 or the errno. Under
// Replace::Never a file that exists at `to`, even one that appeared a moment ago, is kept (EEXIST).
int RenameFile(const std::string& from, const std::string& to, Replace replace);

} // namespace rtl
