#include "tests/kit/FileFault.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/rtl/AtomicFile.h"

namespace testkit {

FileFault::FileFault(Step step, int error)
{
    auto fail = [error] {
        errno = error;
        return -1;
    };
    rtl::FileCalls calls;
    if (step == Step::Write)
        calls.write = [fail](int, const void*, size_t, off_t) -> ssize_t { return fail(); };
    if (step == Step::SyncFile)
        calls.syncFile = [fail](int) { return fail(); };
    if (step == Step::Rename)
        calls.rename = [fail](const char*, const char*, rtl::Replace) { return fail(); };
    rtl::SetFileCalls(std::move(calls));
}

FileFault::~FileFault()
{
    rtl::SetFileCalls({});
}

SlowWrites::SlowWrites(int msPerMegabyte)
{
    rtl::FileCalls calls;
    calls.write = [msPerMegabyte](int fd, const void* data, size_t size, off_t offset) {
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t{msPerMegabyte} * 1000 * int64_t(size) >> 20));
        return ::pwrite(fd, data, size, offset);
    };
    rtl::SetFileCalls(std::move(calls));
}

SlowWrites::~SlowWrites()
{
    rtl::SetFileCalls({});
}

OnFirstWrite::OnFirstWrite(std::function<void()> first) : first_(std::move(first))
{
    rtl::FileCalls calls;
    calls.write = [this](int fd, const void* data, size_t size, off_t offset) {
        if (!ran_.exchange(true))
            first_();
        return ::pwrite(fd, data, size, offset);
    };
    rtl::SetFileCalls(std::move(calls));
}

OnFirstWrite::~OnFirstWrite()
{
    rtl::SetFileCalls({});
}

} // namespace testkit
