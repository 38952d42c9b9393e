// The folder-scan thread: the events of a walk, queued folders and Esc, links, mounts and folders
// that cannot be read.
#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "actions/ThreadedDirScan_unit.h"
#include "tests/kit/TempDir.h"

using namespace actions;
namespace fs = std::filesystem;

namespace {

// Every event as a line ("enter /x/", "file /x/a.avi"), in the order raised. Without an
// application object the GUI-thread events run on the scanning thread, hence the lock.
class Events {
public:
    void Attach(ThreadedDirscan& scan)
    {
        scan.OnStartScan = [this](ThreadedDirscan&, const std::string& f, const std::string& mask, bool recursive) {
            Add("start " + f + " " + mask + (recursive ? " r" : ""));
        };
        scan.OnEndScan = [this](ThreadedDirscan&, const std::string& f, const std::string&, bool) { Add("end " + f); };
        scan.OnEnterDir = [this](ThreadedDirscan&, const std::string& f) { Add("enter " + f); };
        scan.OnLeaveDir = [this](ThreadedDirscan&, const std::string& f) { Add("leave " + f); };
        scan.OnDirWithFiles = [this](ThreadedDirscan&, const std::string& f) { Add("dir " + f); };
        scan.OnFileFound = [this](ThreadedDirscan& s, const std::string& f) {
            Add("file " + f);
            if (onFile)
                onFile(s, f);
        };
    }
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return std::exchange(lines_, {});
    }
    std::function<void(ThreadedDirscan&, const std::string&)> onFile; // set before the scan

private:
    void Add(std::string line)
    {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(std::move(line));
    }
    std::mutex lock_; // guards lines_
    std::vector<std::string> lines_;
};

std::vector<std::string> Only(const std::vector<std::string>& lines, const std::string& kind)
{
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind(kind + " ", 0) == 0)
            out.push_back(l.substr(kind.size() + 1));
    return out;
}

void Touch(const fs::path& p)
{
    fs::create_directories(p.parent_path());
    testkit::WriteFileBytes(p.string(), "x");
}

// A mount that goes with the test.
class Mount {
public:
    Mount(const std::string& source, const std::string& target, const char* type, unsigned long flags)
        : target_(target), ok_(mount(source.c_str(), target.c_str(), type, flags, nullptr) == 0)
    {
    }
    ~Mount()
    {
        if (ok_)
            umount2(target_.c_str(), MNT_DETACH);
    }
    bool ok() const { return ok_; }

private:
    std::string target_;
    bool ok_;
};

} // namespace

TEST(DirScan, AWalkRaisesItsEventsInOrderAndAnnouncesEachFolderBeforeItsFiles)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    for (const char* f : {"a.avi", "b.txt", "one/c.avi", "one/deep/d.avi", "two/e.avi", "z.avi"})
        Touch(root / f);
    fs::create_directory(root / "empty");
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    scan.Queue(root.string()); // no trailing slash
    ASSERT_TRUE(scan.WaitIdle(10000));
    const auto lines = events.Take();
    const std::string r = root.string() + "/";
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines.front(), "start " + r + " *.* r");
    EXPECT_EQ(lines.back(), "end " + r);
    // Every file, whatever its extension, once; "." and ".." are never entered.
    const auto files = Only(lines, "file");
    EXPECT_EQ(std::set<std::string>(files.begin(), files.end()),
              (std::set<std::string>{r + "a.avi", r + "b.txt", r + "one/c.avi", r + "one/deep/d.avi", r + "two/e.avi",
                                     r + "z.avi"}));
    EXPECT_EQ(files.size(), 6u);
    const auto entered = Only(lines, "enter");
    EXPECT_EQ(std::set<std::string>(entered.begin(), entered.end()),
              (std::set<std::string>{r, r + "one/", r + "one/deep/", r + "two/", r + "empty/"}));
    EXPECT_EQ(entered.size(), 5u);
    // Enter and leave nest; a file is always preceded by the announcement of its own folder,
    // again after a sub-folder's walk; an empty folder is never announced.
    std::vector<std::string> open;
    std::string announced;
    for (const auto& l : lines) {
        if (l.rfind("enter ", 0) == 0)
            open.push_back(l.substr(6));
        else if (l.rfind("leave ", 0) == 0) {
            ASSERT_FALSE(open.empty());
            EXPECT_EQ(open.back(), l.substr(6));
            open.pop_back();
        } else if (l.rfind("dir ", 0) == 0) {
            announced = l.substr(4);
            EXPECT_EQ(announced, open.back());
            EXPECT_NE(announced, r + "empty/");
        } else if (l.rfind("file ", 0) == 0) {
            EXPECT_EQ(announced, fs::path(l.substr(5)).parent_path().string() + "/") << l;
        }
    }
    EXPECT_TRUE(open.empty());
    EXPECT_EQ(scan.Scanning.load(), 0);
}

TEST(DirScan, WithoutRecursionOrWithAMaskOnlyTheMatchingEntriesOfTheFolderCount)
{
    testkit::TempDir dir;
    for (const char* f : {"a.avi", "b.txt", "sub/c.avi"})
        Touch(dir.path() / f);
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    scan.Recursive = false;
    scan.Queue(dir.path().string() + "/");
    ASSERT_TRUE(scan.WaitIdle(10000));
    EXPECT_EQ(Only(events.Take(), "file").size(), 2u);

    ThreadedDirscan masked;
    events.Attach(masked);
    masked.Mask = "*.avi";
    masked.Queue(dir.path().string());
    ASSERT_TRUE(masked.WaitIdle(10000));
    EXPECT_EQ(Only(events.Take(), "file"), std::vector<std::string>{dir.file("a.avi")});
}

TEST(DirScan, QueuedFoldersInOrderAndInterruptEndsTheWalkDropsTheRestButNotLaterFolders)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    for (const char* f : {"1/a.avi", "2/a.avi", "2/b.avi", "2/c.avi", "2/d/e.avi", "3/a.avi", "4/a.avi"})
        Touch(root / f);
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    const std::string second = (root / "2").string() + "/";
    // Esc at the first file of the second folder; then the user opens another folder.
    events.onFile = [&](ThreadedDirscan& s, const std::string& file) {
        if (file.rfind(second, 0) == 0 && s.DirScanEnabled.load() == 1) {
            s.Interrupt();
            s.Queue((root / "4").string());
        }
    };
    scan.Queue((root / "missing").string());     // no event at all
    scan.Queue((root / "1" / "a.avi").string()); // not a folder: no event either
    scan.Queue((root / "1").string());
    scan.Queue((root / "2").string());
    scan.Queue((root / "3").string());
    ASSERT_TRUE(scan.WaitIdle(10000));
    const auto lines = events.Take();
    EXPECT_EQ(Only(lines, "start"),
              (std::vector<std::string>{root.string() + "/1/ *.* r", second + " *.* r", root.string() + "/4/ *.* r"}));
    EXPECT_EQ(Only(lines, "end"), (std::vector<std::string>{root.string() + "/1/", second, root.string() + "/4/"}));
    // The second folder stopped at its first file: no later file, and it was not left.
    size_t inSecond = 0;
    for (const auto& f : Only(lines, "file"))
        inSecond += f.rfind(second, 0) == 0;
    EXPECT_EQ(inSecond, 1u);
    EXPECT_EQ(Only(lines, "leave").back(), root.string() + "/4/");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "leave " + second), 0);
    EXPECT_EQ(scan.DirScanEnabled.load(), 1);
}

TEST(DirScan, AnInterruptWhileIdleDropsNothingQueuedAfterIt)
{
    testkit::TempDir dir;
    Touch(dir.path() / "a.avi");
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    ASSERT_TRUE(scan.WaitIdle(10000));
    scan.Interrupt();
    scan.Queue(dir.path().string());
    ASSERT_TRUE(scan.WaitIdle(10000));
    EXPECT_EQ(Only(events.Take(), "file"), std::vector<std::string>{dir.file("a.avi")});
}

TEST(DirScan, LinksAreNeitherFollowedNorReportedAndLoopsEnd)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "in/a.avi");
    Touch(root / "outside/b.avi");
    fs::create_directory_symlink("..", root / "in/loop");
    fs::create_directory_symlink(root / "outside", root / "in/elsewhere");
    fs::create_symlink(root / "outside/b.avi", root / "in/link.avi");
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    scan.Queue((root / "in").string());
    ASSERT_TRUE(scan.WaitIdle(10000));
    const auto lines = events.Take();
    EXPECT_EQ(Only(lines, "file"), std::vector<std::string>{(root / "in/a.avi").string()});
    EXPECT_EQ(Only(lines, "enter"), std::vector<std::string>{(root / "in").string() + "/"});
}

TEST(DirScan, AFolderMountedInsideItselfIsEnteredOnce)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "a.avi");
    fs::create_directory(root / "again");
    Mount bind(root.string(), (root / "again").string(), nullptr, MS_BIND);
    if (!bind.ok())
        GTEST_SKIP() << "cannot bind-mount here (needs root)";
    ThreadedDirscan scan;
    Events events;
    events.Attach(scan);
    scan.Queue(root.string());
    ASSERT_TRUE(scan.WaitIdle(10000));
    const auto lines = events.Take();
    EXPECT_EQ(Only(lines, "file"), std::vector<std::string>{root.string() + "/a.avi"});
}

TEST(DirScan, OneFileSystemStopsAtAMountPoint)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "a.avi");
    fs::create_directory(root / "mnt");
    Mount tmpfs("none", (root / "mnt").string(), "tmpfs", 0);
    if (!tmpfs.ok())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    Touch(root / "mnt/b.avi");
    for (bool oneFileSystem : {true, false}) {
        SCOPED_TRACE(oneFileSystem);
        ThreadedDirscan scan;
        Events events;
        events.Attach(scan);
        scan.Queue(root.string(), oneFileSystem);
        ASSERT_TRUE(scan.WaitIdle(10000));
        EXPECT_EQ(Only(events.Take(), "file").size(), oneFileSystem ? 1u : 2u);
    }
}

TEST(DirScan, AFolderThatCannotBeReadRaisesOnlyItsEnterAndLeave)
{
    testkit::TempDir dir;
    const fs::path root = dir.path();
    Touch(root / "a.avi");
    Touch(root / "closed/b.avi");
    ASSERT_EQ(chmod(root.c_str(), 0755), 0);
    ASSERT_EQ(chmod((root / "closed").c_str(), 0), 0);
    // Root reads any folder, so the scan runs in a child that has given up root.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        std::vector<std::string> lines;
        {
            ThreadedDirscan scan;
            Events events;
            events.Attach(scan);
            scan.Queue(root.string());
            if (!scan.WaitIdle(10000))
                _exit(3);
            lines = events.Take();
        }
        const std::string closed = root.string() + "/closed/";
        std::vector<std::string> aboutClosed;
        for (const auto& l : lines)
            if (l.find(closed) != std::string::npos)
                aboutClosed.push_back(l);
        const bool ok = aboutClosed == std::vector<std::string>{"enter " + closed, "leave " + closed} &&
                        Only(lines, "file") == std::vector<std::string>{root.string() + "/a.avi"};
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    chmod((root / "closed").c_str(), 0755);
}
