#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/rtl/FileStream.h"
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

TEST(FileStreamOpen, WriteModesDoNotTruncateAndCreateDoes)
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
    {
        TFileStream f(path, TFileStream::Mode::Create);
        EXPECT_EQ(f.Size(), 0);
        f.Write("new", 3);
    }
    EXPECT_EQ(ReadFileBytes(path), "new");
}

TEST(FileStreamOpen, MissingFileOrFolderRaisesWithPathAndReason)
{
    testkit::TempDir dir;
    const std::string path = dir.file("missing.avi");
    const std::string msg = Message([&] { TFileStream f(path, TFileStream::Mode::Read); });
    EXPECT_TRUE(Contains(msg, path)) << msg;
    EXPECT_TRUE(Contains(msg, std::strerror(ENOENT))) << msg;
    EXPECT_THROW(TFileStream(path, TFileStream::Mode::Write), EFileError);
    EXPECT_FALSE(std::filesystem::exists(path)); // opening for writing never creates
    EXPECT_THROW(TFileStream(dir.file("no/such/folder.avi"), TFileStream::Mode::Create), EFileError);
    EXPECT_THROW(TFileStream(dir.path().string(), TFileStream::Mode::Read), EFileError);
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

TEST(FileStreamRead, ShortReadsAreReportedAndSeeksStayInTheFile)
{
    testkit::TempDir dir;
    const std::string path = dir.file("short.avi");
    WriteFileBytes(path, "12345");
    TFileStream f(path, TFileStream::Mode::Read);
    char buf[10];
    EXPECT_EQ(f.Read(buf, 10), 5u);
    EXPECT_EQ(f.Read(buf, 10), 0u);
    EXPECT_EQ(f.Seek(-3, TFileStream::Origin::End), 2);
    EXPECT_EQ(f.Seek(2, TFileStream::Origin::Current), 4);
    EXPECT_EQ(f.ReadU8(), '5');
    EXPECT_THROW(f.Seek(-1), EFileError);
    EXPECT_THROW(f.Seek(-6, TFileStream::Origin::End), EFileError);
    EXPECT_EQ(f.Position(), 5);
    f.Seek(1);
    EXPECT_TRUE(Contains(Message([&] { f.ReadBuffer(buf, 10); }), path));
    f.Seek(3);
    EXPECT_THROW(f.ReadU32(), EFileError);
    f.Seek(1);
    EXPECT_EQ(f.ReadAt(3, buf, 3), 2u);
    EXPECT_EQ(std::string(buf, 2), "45");
    EXPECT_EQ(f.Position(), 1);
    EXPECT_THROW(f.Write("x", 1), EFileError); // opened for reading
}

TEST(FileStreamSeek, LittleEndianValuesPastFourGigabytes)
{
    testkit::TempDir dir;
    const std::string path = dir.file("big.avi");
    const int64_t far = (int64_t{5} << 30) + 3;
    {
        TFileStream f(path, TFileStream::Mode::Create);
        f.Seek(far);
        f.WriteU8(0x01); // the file stays sparse
        f.WriteU16(0x0302);
        f.WriteU32(0x07060504);
        f.WriteU64(0x0F0E0D0C0B0A0908);
    }
    TFileStream f(path, TFileStream::Mode::Read);
    EXPECT_EQ(f.Size(), far + 15);
    char bytes[15];
    f.ReadAt(far, bytes, 15);
    EXPECT_EQ(std::string(bytes, 15), "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F");
    f.Seek(far);
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
