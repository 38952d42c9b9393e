#pragma once
// Makes one step of every file write and commit fail while it lives (through rtl::FileCalls),
// so a test can show what a failed write, sync or rename leaves behind; or makes every write
// slow, so that a test sees a conversion under way; or changes a file as the first write comes.
#include <atomic>
#include <cerrno>
#include <functional>

namespace testkit {

class FileFault {
public:
    enum class Step { Write, SyncFile, Rename };
    explicit FileFault(Step step, int error = EIO);
    ~FileFault(); // the system's calls again
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;
};

// A slow disk: every write of a new file takes `msPerMegabyte` for each megabyte it writes.
class SlowWrites {
public:
    explicit SlowWrites(int msPerMegabyte);
    ~SlowWrites(); // the system's calls again
    SlowWrites(const SlowWrites&) = delete;
    SlowWrites& operator=(const SlowWrites&) = delete;
};

// Runs `first` on the first write of a new file, on the writer's thread, before that write.
class OnFirstWrite {
public:
    explicit OnFirstWrite(std::function<void()> first);
    ~OnFirstWrite(); // the system's calls again
    OnFirstWrite(const OnFirstWrite&) = delete;
    OnFirstWrite& operator=(const OnFirstWrite&) = delete;

private:
    std::function<void()> first_;
    std::atomic<bool> ran_{false};
};

} // namespace testkit
