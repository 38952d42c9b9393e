#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/TextFile.h"
#include "tests/kit/TempDir.h"

using namespace rtl;
using testkit::ReadFileBytes;
using testkit::WriteFileBytes;

namespace {

std::string Message(const std::function<void()>& f)
{
    try {
        f();
    } catch (const EFileError& e) {
        return e.what();
    }
    return "(no EFileError)";
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(FileStreamOpen, WriteModesDoNotTruncate)
{
    testkit::TempDir dir;
    const std::string path = dir.file("clip.avi");
    WriteFileBytes(path, "0123456789");
    {
        TFileStream f(path, TFileStream::Mode::Write);
        EXPECT_EQ(f.Size(), 10);
        f.Seek(2);
        f.Write("ab", 2);
    }
    EXPECT_EQ(ReadFileBytes(path), "01ab456789");
    {
        TFileStream f(path, TFileStream::Mode::ReadWrite);
        f.WriteAt(8, "yz", 2);
        char buf[2];
        f.ReadBuffer(buf, 2);
        EXPECT_EQ(std::string(buf, 2), "01");
    }
    EXPECT_EQ(ReadFileBytes(path), "01ab4567yz");
}

TEST(FileStreamOpen, CreateTruncatesOrMakesTheFile)
{
    testkit::TempDir dir;
    const std::string path = dir.file("new.avi");
    WriteFileBytes(path, "old contents");
    {
        TFileStream f(path, TFileStream::Mode::Create);
        EXPECT_EQ(f.Size(), 0);
        f.Write("new", 3);
    }
    EXPECT_EQ(ReadFileBytes(path), "new");
    TFileStream g(dir.file("fresh.avi"), TFileStream::Mode::Create);
    EXPECT_TRUE(g.IsOpen());
}

TEST(FileStreamOpen, MissingFileRaisesWithPathAndReason)
{
    testkit::TempDir dir;
    const std::string path = dir.file("missing.avi");
    const std::string msg = Message([&] { TFileStream f(path, TFileStream::Mode::Read); });
    EXPECT_TRUE(Contains(msg, path)) << msg;
    EXPECT_TRUE(Contains(msg, std::strerror(ENOENT))) << msg;
    EXPECT_THROW(TFileStream(path, TFileStream::Mode::Write), EFileError);
    EXPECT_FALSE(std::filesystem::exists(path)); // opening for writing never creates
    EXPECT_THROW(TFileStream(dir.file("no/such/folder.avi"), TFileStream::Mode::Create), EFileError);
    const std::string odd = dir.file("100%s %d.avi"); // the name is not read as a format
    EXPECT_TRUE(Contains(Message([&] { TFileStream f(odd, TFileStream::Mode::Read); }), odd));
}

TEST(FileStreamOpen, ReadOnlyFileOpenedForWritingRaises)
{
    testkit::TempDir dir;
    const std::string path = dir.file("locked.avi");
    WriteFileBytes(path, "keep");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    // Root ignores file modes, so the open is tried by a child that has given up root.
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        const std::string msg = Message([&] { TFileStream f(path, TFileStream::Mode::Write); });
        _exit(Contains(msg, path) && Contains(msg, std::strerror(EACCES)) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadFileBytes(path), "keep");
}

TEST(FileStreamOpen, FolderIsNoFile)
{
    testkit::TempDir dir;
    EXPECT_THROW(TFileStream(dir.path().string(), TFileStream::Mode::Read), EFileError);
    EXPECT_THROW(TFileStream(dir.path().string(), TFileStream::Mode::Write), EFileError);
}

TEST(FileStreamRead, ShortReadsAreReported)
{
    testkit::TempDir dir;
    const std::string path = dir.file("short.avi");
    WriteFileBytes(path, "12345");
    TFileStream f(path, TFileStream::Mode::Read);
    char buf[10];
    EXPECT_EQ(f.Read(buf, 10), 5u);
    EXPECT_EQ(f.Position(), 5);
    EXPECT_EQ(f.Read(buf, 10), 0u);
    f.Seek(1);
    const std::string msg = Message([&] { f.ReadBuffer(buf, 10); });
    EXPECT_TRUE(Contains(msg, path)) << msg;
    f.Seek(3);
    EXPECT_THROW(f.ReadU32(), EFileError);
}

TEST(FileStreamRead, ReadAtLeavesThePositionAlone)
{
    testkit::TempDir dir;
    const std::string path = dir.file("at.avi");
    WriteFileBytes(path, "abcdef");
    TFileStream f(path, TFileStream::Mode::Read);
    f.Seek(1);
    char buf[3];
    EXPECT_EQ(f.ReadAt(3, buf, 3), 3u);
    EXPECT_EQ(std::string(buf, 3), "def");
    EXPECT_EQ(f.Position(), 1);
    EXPECT_EQ(f.ReadAt(10, buf, 3), 0u);
}

TEST(FileStreamSeek, OriginsAndBounds)
{
    testkit::TempDir dir;
    const std::string path = dir.file("seek.avi");
    WriteFileBytes(path, "0123456789");
    TFileStream f(path, TFileStream::Mode::Read);
    EXPECT_EQ(f.Seek(-3, TFileStream::Origin::End), 7);
    EXPECT_EQ(f.Seek(2, TFileStream::Origin::Current), 9);
    EXPECT_EQ(f.ReadU8(), '9');
    EXPECT_THROW(f.Seek(-1), EFileError);
    EXPECT_THROW(f.Seek(-11, TFileStream::Origin::End), EFileError);
    EXPECT_EQ(f.Position(), 10);
}

TEST(FileStreamSeek, PositionsPastFourGigabytes)
{
    testkit::TempDir dir;
    const std::string path = dir.file("big.avi");
    const int64_t far = (int64_t{5} << 30) + 3;
    {
        TFileStream f(path, TFileStream::Mode::Create);
        f.Seek(far);
        f.WriteU32(0xDEADBEEF); // the file stays sparse
    }
    TFileStream f(path, TFileStream::Mode::Read);
    EXPECT_EQ(f.Size(), far + 4);
    f.Seek(far);
    EXPECT_EQ(f.ReadU32(), 0xDEADBEEFu);
    EXPECT_EQ(f.Position(), far + 4);
}

TEST(FileStreamData, LittleEndianHelpers)
{
    testkit::TempDir dir;
    const std::string path = dir.file("le.bin");
    {
        TFileStream f(path, TFileStream::Mode::Create);
        f.WriteU8(0x01);
        f.WriteU16(0x0302);
        f.WriteU32(0x07060504);
        f.WriteU64(0x0F0E0D0C0B0A0908);
    }
    EXPECT_EQ(ReadFileBytes(path), std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F", 15));
    TFileStream f(path, TFileStream::Mode::Read);
    EXPECT_EQ(f.ReadU8(), 0x01);
    EXPECT_EQ(f.ReadU16(), 0x0302);
    EXPECT_EQ(f.ReadU32(), 0x07060504u);
    EXPECT_EQ(f.ReadU64(), 0x0F0E0D0C0B0A0908u);
}

TEST(FileStreamWrite, FullDiskRaises)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    TFileStream f("/dev/full", TFileStream::Mode::Write);
    const std::string msg = Message([&] { f.Write("abc", 3); });
    EXPECT_TRUE(Contains(msg, std::strerror(ENOSPC))) << msg;
    EXPECT_TRUE(Contains(msg, "/dev/full")) << msg;
}

TEST(FileStreamWrite, WrongDirectionRaises)
{
    testkit::TempDir dir;
    const std::string path = dir.file("ro.avi");
    WriteFileBytes(path, "data");
    TFileStream r(path, TFileStream::Mode::Read);
    EXPECT_THROW(r.Write("x", 1), EFileError);
    TFileStream w(path, TFileStream::Mode::Write);
    char c;
    EXPECT_THROW(w.Read(&c, 1), EFileError);
    EXPECT_EQ(ReadFileBytes(path), "data");
}

TEST(FileStreamLife, MoveAndClose)
{
    testkit::TempDir dir;
    const std::string path = dir.file("m.avi");
    WriteFileBytes(path, "abc");
    TFileStream a(path, TFileStream::Mode::Read);
    a.Seek(1);
    TFileStream b(std::move(a));
    EXPECT_FALSE(a.IsOpen());
    EXPECT_TRUE(b.IsOpen());
    EXPECT_EQ(b.Position(), 1);
    EXPECT_EQ(b.FileName(), path);
    b.Close();
    b.Close();
    char c;
    EXPECT_THROW(b.Read(&c, 1), EFileError);
}

TEST(TextWriter, LinesEndWithCrLfAndBytesPassAsGiven)
{
    testkit::TempDir dir;
    const std::string path = dir.file("list.txt");
    TTextWriter w(path);
    w.WriteLine("# 日本語");
    w.Write("a");
    w.Write("b");
    w.WriteLine();
    w.Close();
    EXPECT_EQ(ReadFileBytes(path), "# 日本語\r\nab\r\n");
}

TEST(TextWriter, LargeOutputArrivesWholeAndInOrder)
{
    testkit::TempDir dir;
    const std::string path = dir.file("big.txt");
    std::string expected;
    {
        TTextWriter w(path);
        for (int i = 0; i < 20000; ++i) {
            const std::string line = "line " + std::to_string(i);
            w.WriteLine(line);
            expected += line + "\r\n";
        }
    } // the destructor writes what is left
    EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(TextWriter, FailuresRaise)
{
    testkit::TempDir dir;
    EXPECT_THROW(TTextWriter(dir.file("no/such/folder.txt")), EFileError);
    if (access("/dev/full", W_OK) == 0) {
        TTextWriter w("/dev/full");
        w.WriteLine("short");
        EXPECT_THROW(w.Close(), EFileError);
    }
    TTextWriter closed(dir.file("c.txt"));
    closed.Close();
    EXPECT_THROW(closed.Write("late"), EFileError);
}
