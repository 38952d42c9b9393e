#include "actions/ThreadedDirScan_unit.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "actions/IdleWait.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"

namespace actions {

ThreadedDirscan::ThreadedDirscan()
{
    worker_.SetOnIdle([this] {
        std::lock_guard<std::mutex> guard(lock_);
        DirScanEnabled = 1;
    });
}

ThreadedDirscan::~ThreadedDirscan()
{
    Interrupt();
    WaitIdleServingGui(worker_, -1);
}

void ThreadedDirscan::Queue(std::string folder, bool oneFileSystem)
{
    const uint64_t generation = generation_.load();
    worker_.Post(
        [this, folder = std::move(folder), generation, oneFileSystem] { Scan(folder, generation, oneFileSystem); });
}

void ThreadedDirscan::Interrupt()
{
    std::lock_guard<std::mutex> guard(lock_);
    ++generation_;
    DirScanEnabled = 0;
}

bool ThreadedDirscan::WaitIdle(int timeoutMs)
{
    return WaitIdleServingGui(worker_, timeoutMs);
}

bool ThreadedDirscan::MaskMatches(const char* name) const
{
    return Mask == "*.*" || fnmatch(Mask.c_str(), name, 0) == 0;
}

void ThreadedDirscan::Raise(const FolderEvent& event, const std::string& folder)
{
    if (event)
        threads::SendToGui([&] { event(*this, folder); });
}

void ThreadedDirscan::Scan(const std::string& folder, uint64_t generation, bool oneFileSystem)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (generation != generation_)
            return; // queued before an Interrupt()
        DirScanEnabled = 1;
    }
    ScanDir = rtl::IncludeTrailingPathDelimiter(folder);
    struct stat st {};
    if (folder.empty() || stat(ScanDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return;
    Scanning = 1;
    if (OnStartScan)
        threads::SendToGui([&] { OnStartScan(*this, ScanDir, Mask, Recursive); });
    Walk walk{generation, oneFileSystem, static_cast<uint64_t>(st.st_dev), {}};
    walk.entered.insert({st.st_dev, st.st_ino});
    ScanDirectory(AT_FDCWD, ScanDir, ScanDir, walk);
    ScanDir = rtl::IncludeTrailingPathDelimiter(folder);
    if (OnEndScan)
        threads::SendToGui([&] { OnEndScan(*this, ScanDir, Mask, Recursive); });
    Scanning = 0;
}

bool ThreadedDirscan::ScanDirectory(int parentFd, const std::string& name, const std::string& folder, Walk& walk)
{
    CurrentDir = folder;
    Raise(OnEnterDir, CurrentDir);
    // The queued folder itself may be reached through a link; the folders below it never are.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (parentFd == AT_FDCWD ? 0 : O_NOFOLLOW);
    const int fd = openat(parentFd, name.c_str(), flags);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0)
            close(fd);
        CurrentDir = folder;
        Raise(OnLeaveDir, CurrentDir);
        return false;
    }
    bool announced = false;
    bool stopped = false;
    while (const dirent* entry = readdir(dir)) {
        const char* entryName = entry->d_name;
        if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0 || !MaskMatches(entryName))
            continue;
        if (!announced) {
            announced = true;
            Raise(OnDirWithFiles, CurrentDir);
        }
        struct stat st {};
        if (fstatat(dirfd(dir), entryName, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (!Recursive)
                continue;
            if (Stopped(walk)) {
                stopped = true;
                break;
            }
            if (walk.oneFileSystem && st.st_dev != walk.device)
                continue;
            if (!walk.entered.insert({st.st_dev, st.st_ino}).second)
                continue;
            if (ScanDirectory(dirfd(dir), entryName, folder + entryName + "/", walk)) {
                stopped = true;
                break;
            }
        } else if (S_ISREG(st.st_mode)) {
            if (Stopped(walk)) {
                stopped = true;
                break;
            }
            CurrentFile = folder + entryName;
            if (CurrentDir != folder) {
                CurrentDir = folder;
                Raise(OnDirWithFiles, CurrentDir);
            }
            if (OnFileFound)
                OnFileFound(*this, CurrentFile);
        }
    }
    closedir(dir);
    if (stopped)
        return true; // unwinding: no leave event
    CurrentDir = folder;
    Raise(OnLeaveDir, CurrentDir);
    return false;
}

} // namespace actions
