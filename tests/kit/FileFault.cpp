#include "tests/kit/FileFault.h"

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

} // namespace testkit
