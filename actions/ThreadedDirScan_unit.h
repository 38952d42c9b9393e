#pragma once
// The folder-scan thread: walks queued folders one after the other and reports every file it
// finds. The file event runs on the scanning thread, so the analysis of a found file happens
// there; the start, end, folder events run on the GUI thread while the scan waits.
//
//   ThreadedDirscan scan;
//   scan.OnFileFound = [&](ThreadedDirscan&, const std::string& path) { ... };  // before Queue
//   scan.Queue("/media/tapes");
//   scan.Interrupt();                        // Esc: ends the walk, drops the queued folders
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "platform/threads/Worker.h"

namespace actions {

class ThreadedDirscan {
public:
    using ScanEvent = std::function<void(ThreadedDirscan& sender, const std::string& folder, const std::string& mask,
                                         bool recursive)>;
    using FolderEvent = std::function<void(ThreadedDirscan& sender, const std::string& folder)>;
    using FileEvent = std::function<void(ThreadedDirscan& sender, const std::string& fullName)>;

    ThreadedDirscan();
    // Drops what is queued, ends the walk, serves the calls under way and waits for the thread.
    ~ThreadedDirscan();
    ThreadedDirscan(const ThreadedDirscan&) = delete;
    ThreadedDirscan& operator=(const ThreadedDirscan&) = delete;

    // Set before the first Queue(); an unassigned event is not raised.
    ScanEvent OnStartScan;
    ScanEvent OnEndScan;
    FolderEvent OnEnterDir;
    FolderEvent OnLeaveDir;
    FileEvent OnFileFound; // on the scanning thread
    FolderEvent OnDirWithFiles;
    std::string Mask = "*.*"; // a shell pattern for the entries; "*.*" is every entry
    bool Recursive = true;

    // Scans `folder` (a trailing '/' is added when missing) after those queued before it; a
    // folder that does not exist raises no event. `oneFileSystem` keeps the walk on the folder's
    // own filesystem. Links are neither followed nor reported, and each folder (device and
    // inode) is entered once per queued folder.
    void Queue(std::string folder, bool oneFileSystem = false);
    // Esc, Shift+Esc and closing: the walk under way stops at its next entry (its end event is
    // still raised) and every folder queued before this call is dropped; later ones are scanned.
    void Interrupt();

    bool IsIdle() const { return worker_.IsIdle(); }
    bool WaitIdle(int timeoutMs);

    // Written by the scanning thread; read them in the events, which see them as the walk set
    // them.
    std::string CurrentDir;  // the folder being browsed, with a trailing '/'
    std::string CurrentFile; // the file just found
    std::string ScanDir;     // the queued folder being scanned, with a trailing '/'
    std::atomic<uint8_t> Scanning{0};
    // 0 from an Interrupt() until the thread has stopped what it cut off; written only by
    // Interrupt() and the thread.
    std::atomic<uint8_t> DirScanEnabled{1};

private:
    struct Walk {
        uint64_t generation;
        bool oneFileSystem;
        uint64_t device;
        std::set<std::pair<uint64_t, uint64_t>> entered; // device, inode
    };

    void Scan(const std::string& folder, uint64_t generation, bool oneFileSystem);
    // Returns true when the walk was stopped.
    bool ScanDirectory(int parentFd, const std::string& name, const std::string& folder, Walk& walk);
    bool Stopped(const Walk& walk) const { return generation_.load() != walk.generation; }
    bool MaskMatches(const char* name) const;
    void Raise(const FolderEvent& event, const std::string& folder);

    std::mutex lock_;                     // orders generation_ changes with the stores to DirScanEnabled
    std::atomic<uint64_t> generation_{0}; // bumped by Interrupt(); read by the walk at every entry
    threads::Worker worker_;              // last: its thread starts once the fields above exist
};

} // namespace actions
