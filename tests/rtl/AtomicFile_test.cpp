// The one way a file is replaced: what a failed step leaves behind, and the folder's sync.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "platform/rtl/AtomicFile.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

using namespace rtl;
using testkit::FileFault;
namespace fs = std::filesystem;

namespace {

size_t FilesIn(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

} // namespace

TEST(AtomicFile, AFailedStepLeavesTheOldFileWholeAndNoTemporary)
{
    const std::pair<FileFault::Step, int> cases[] = {
        {FileFault::Step::Write, ENOSPC}, {FileFault::Step::SyncFile, EIO}, {FileFault::Step::Rename, EXDEV}};
    for (const auto& [step, error] : cases) {
        testkit::TempDir dir;
        const std::string target = dir.file("clip.scn");
        testkit::WriteFileBytes(target, "old");
        FileFault fault(step, error);
        EXPECT_EQ(ReplaceFile(target, "new"), error);
        EXPECT_EQ(testkit::ReadFileBytes(target), "old");
        EXPECT_EQ(FilesIn(dir.path()), 1u);
    }
}

TEST(AtomicFile, TheFolderIsSyncedOnceTheNewNameIsInPlace)
{
    testkit::TempDir dir;
    const std::string target = dir.file("HKCU.reg");
    std::string seen;
    FileCalls calls;
    calls.syncFolder = [&](int fd) {
        struct stat st {};
        seen = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) ? testkit::ReadFileBytes(target) : "not a folder";
        return 0;
    };
    SetFileCalls(std::move(calls));
    EXPECT_EQ(ReplaceFile(target, "new", Replace::Allowed, 0600), 0);
    SetFileCalls({});
    EXPECT_EQ(seen, "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(AtomicFile, ARenameThatMayNotReplaceKeepsTheFileThere)
{
    testkit::TempDir dir;
    const std::string from = dir.file("HKCU.reg"), to = dir.file("HKCU.reg.corrupt");
    testkit::WriteFileBytes(from, "damaged");
    testkit::WriteFileBytes(to, "someone else's");
    EXPECT_EQ(RenameFile(from, to, Replace::Never), EEXIST);
    EXPECT_EQ(testkit::ReadFileBytes(from), "damaged");
    EXPECT_EQ(testkit::ReadFileBytes(to), "someone else's");
    EXPECT_EQ(RenameFile(from, to, Replace::Allowed), 0);
    EXPECT_EQ(testkit::ReadFileBytes(to), "damaged");
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(RenameFile(from, dir.file("x"), Replace::Never), ENOENT);
}
