// The one way a file is replaced: what a failed step leaves behind, the folder's sync, the
// temporary names, and the temporaries of a killed writer.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/rtl/AtomicFile.h"
#include "tests/kit/FileFault.h"
#include "tests/kit/TempDir.h"

using namespace rtl;
using testkit::FileFault;
using testkit::FolderNames;
namespace fs = std::filesystem;

namespace {

size_t FilesIn(const fs::path& dir)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Whether `s` is whole UTF-8: no character cut short, no stray continuation byte.
bool WholeUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// A writer in a process of its own that creates the temporary file of `target`, writes into it
// and waits; it is killed (SIGKILL, as by a power cut) or left running.
class ChildWriter {
public:
    explicit ChildWriter(const std::string& target)
    {
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            AtomicFile file;
            const char byte = file.Create(target) == 0 && file.WriteAt(0, "half a file", 11) == 0 ? 1 : 0;
            if (::write(ready[1], &byte, 1) != 1)
                ::_exit(1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        started_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1 && byte == 1;
        ::close(ready[0]);
    }
    ~ChildWriter() { Kill(); }
    ChildWriter(const ChildWriter&) = delete;
    ChildWriter& operator=(const ChildWriter&) = delete;

    bool Started() const { return started_; }
    pid_t Pid() const { return pid_; }
    // Killed and reaped: its process id names no process any more.
    void Kill()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    bool started_ = false;
};

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

TEST(AtomicFile, TheTemporaryIsAHiddenNameMadeFromTheOutputsAndFitsTheNameLimit)
{
    testkit::TempDir dir;
    AtomicFile a, b;
    ASSERT_EQ(a.Create(dir.file("clip_ntsc.avi")), 0);
    ASSERT_EQ(b.Create(dir.file("clip_ntsc.avi")), 0);
    const std::string mine = ".clip_ntsc.avi.morvel-" + std::to_string(::getpid()) + "-";
    for (const AtomicFile* f : {&a, &b}) {
        const std::string name = fs::path(f->TempName()).filename().string();
        EXPECT_EQ(name.rfind(mine, 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 4), ".tmp") << name;
    }
    EXPECT_NE(a.TempName(), b.TempName());
    a.Discard();
    b.Discard();

    // Names as long as a name can be, mostly of three-byte characters: the temporary keeps the
    // start of the name, cut between characters, and two names alike up to their last characters
    // still make different temporaries. The output itself is written under its whole name.
    std::string stem = "a";
    while (stem.size() + 3 <= NAME_MAX - 4)
        stem += "日";
    const std::string longOne = stem + ".avi", longTwo = stem.substr(0, stem.size() - 3) + "月.avi";
    ASSERT_LE(longOne.size(), static_cast<size_t>(NAME_MAX));
    AtomicFile c, d;
    ASSERT_EQ(c.Create(dir.file(longOne)), 0);
    ASSERT_EQ(d.Create(dir.file(longTwo)), 0);
    const std::string cName = fs::path(c.TempName()).filename().string();
    const std::string dName = fs::path(d.TempName()).filename().string();
    for (const std::string& name : {cName, dName}) {
        EXPECT_LE(name.size(), static_cast<size_t>(NAME_MAX)) << name;
        EXPECT_TRUE(WholeUtf8(name)) << name;
        EXPECT_EQ(name.rfind(".a日日", 0), 0u) << name;
    }
    EXPECT_NE(cName.substr(0, cName.find(".morvel-")), dName.substr(0, dName.find(".morvel-")));
    ASSERT_EQ(c.WriteAt(0, "new", 3), 0);
    EXPECT_EQ(c.Commit(), 0);
    EXPECT_EQ(testkit::ReadFileBytes(dir.file(longOne)), "new");
    d.Discard();

    // A name longer than the file system takes is refused before anything is written.
    AtomicFile e;
    EXPECT_EQ(e.Create(dir.file(std::string(NAME_MAX + 1, 'n'))), ENAMETOOLONG);
    EXPECT_EQ(FolderNames(dir.path()), std::vector<std::string>{longOne});
}

TEST(AtomicFile, TheNextWriteOfAnOutputRemovesWhatAKilledWriterOfItLeft)
{
    testkit::TempDir dir;
    const std::string target = dir.file("clip_ntsc.avi");
    testkit::WriteFileBytes(target, "old");
    ChildWriter killed(target), otherOutput(dir.file("clip_pal.avi")), running(target);
    ASSERT_TRUE(killed.Started() && otherOutput.Started() && running.Started());
    const pid_t killedPid = killed.Pid();
    killed.Kill();
    otherOutput.Kill();
    std::vector<std::string> left = FolderNames(dir.path());
    ASSERT_EQ(left.size(), 4u); // the old output and three temporaries
    auto of = [&](pid_t pid, const std::string& output) {
        for (const std::string& name : left)
            if (name.rfind("." + output + ".morvel-" + std::to_string(pid) + "-", 0) == 0)
                return name;
        return std::string();
    };
    const std::string stale = of(killedPid, "clip_ntsc.avi");
    ASSERT_FALSE(stale.empty());

    EXPECT_EQ(ReplaceFile(target, "new"), 0);
    EXPECT_EQ(testkit::ReadFileBytes(target), "new");
    // The killed writer's temporary is gone; another output's, and one whose writer still runs, stay.
    std::erase(left, stale);
    EXPECT_EQ(FolderNames(dir.path()), left);
    EXPECT_FALSE(of(running.Pid(), "clip_ntsc.avi").empty());

    // Once nothing else writes it, the output's folder holds only the output.
    running.Kill();
    EXPECT_EQ(ReplaceFile(target, "newer"), 0);
    EXPECT_EQ(ReplaceFile(dir.file("clip_pal.avi"), "pal"), 0);
    EXPECT_EQ(FolderNames(dir.path()), (std::vector<std::string>{"clip_ntsc.avi", "clip_pal.avi"}));
}
