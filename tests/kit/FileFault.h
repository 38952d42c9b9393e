#pragma once
// Makes one step of every file write and commit fail while it lives (through rtl::FileCalls),
// so a test can show what a failed write, sync or rename leaves behind.
#include <cerrno>

namespace testkit {

class FileFault {
public:
    enum class Step { Write, SyncFile, Rename };
    explicit FileFault(Step step, int error = EIO);
    ~FileFault(); // the system's calls again
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;
};

} // namespace testkit
