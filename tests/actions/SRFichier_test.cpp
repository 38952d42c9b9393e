// Names, size, times and the sort keys of the file objects.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "actions/SRFichier.h"
#include "actions/aviFichier.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/TempDir.h"

using namespace actions;

namespace {

// Sets TZ for one test and puts the old value back.
class TimeZone {
public:
    explicit TimeZone(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone()
    {
        if (old_.empty())
            unsetenv("TZ");
        else
            setenv("TZ", old_.c_str(), 1);
        tzset();
    }

private:
    std::string old_;
};

void SetMtime(const std::string& path, time_t seconds, long nanoseconds)
{
    const struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST(FileNames, FullNameResolvesDotsLexicallyAndKeysEndWithTheExactPath)
{
    const TBaseFichier f("/Video/./tapes/../Clip.AVI");
    EXPECT_EQ(f.FullName, "/Video/Clip.AVI");
    EXPECT_EQ(f.FileName, "Clip.AVI");
    EXPECT_EQ(f.NameKey, std::string("clip.avi/video/clip.avi") + '\x01' + "/Video/Clip.AVI");

    const TBaseFichier relative("Clip.AVI");
    EXPECT_EQ(relative.FullName, std::filesystem::current_path().string() + "/Clip.AVI");
    // Non-ASCII letters keep their case (UTF-8 bytes are left alone).
    EXPECT_EQ(TBaseFichier("/x/Été.avi").NameKey.substr(0, 9), "Été.avi");
}

TEST(FileNames, LinksAreKeptInTheFullName)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("real.avi"), "x");
    std::filesystem::create_symlink("real.avi", dir.file("link.avi"));
    const TSRFichier f(dir.file("link.avi"));
    EXPECT_EQ(f.FullName, dir.file("link.avi"));
    EXPECT_TRUE(f.Exists);
    EXPECT_EQ(f.Size(), 1u); // sized through the link
}

TEST(SizeKey, ASparse5GBFileSplitsIntoHalvesAndSortsByItsSize)
{
    testkit::TempDir dir;
    const std::string big = dir.file("big.avi");
    testkit::WriteFileBytes(big, "");
    ASSERT_EQ(truncate(big.c_str(), 5'000'000'000), 0);
    const TSRFichier f(big);
    EXPECT_EQ(f.SizeHigh, 1u);
    EXPECT_EQ(f.SizeLow, 705'032'704u);
    EXPECT_EQ(f.Size(), 5'000'000'000u);
    EXPECT_EQ(f.SizeKey, "0000000000000001000000002A05F200" + rtl::LowerCase(big) + '\x01' + big);

    const std::string small = dir.file("small.avi");
    testkit::WriteFileBytes(small, std::string(0x2A06, 'x'));
    EXPECT_LT(TSRFichier(small).SizeKey, f.SizeKey); // 10758 bytes before 5 GB
}

TEST(DateKey, LastWriteTimeIsLocalTimeToTheMillisecond)
{
    testkit::TempDir dir;
    const std::string path = dir.file("a.avi");
    testkit::WriteFileBytes(path, "x");
    SetMtime(path, 1167609598, 250'000'000); // 2006-12-31 23:59:58.25 UTC
    {
        TimeZone utc("UTC0");
        const TSRFichier f(path);
        EXPECT_DOUBLE_EQ(f.LastWriteTime, rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 250));
        EXPECT_EQ(f.DateKey, "20061231235958" + rtl::LowerCase(path) + '\x01' + path);
    }
    {
        TimeZone cet("CET-1");
        EXPECT_EQ(TSRFichier(path).DateKey.substr(0, 14), "20070101005958");
    }
    const TSRFichier f(path);
    // Birth times are kept by ext4, tmpfs and btrfs; where there is none the field stays 0.
    EXPECT_TRUE(f.CreationTime == 0 || std::abs(f.CreationTime - rtl::Now()) < 1) << f.CreationTime;
}

TEST(Keys, SameNameInTwoFoldersAndCaseOnlyPairsGetDifferentKeys)
{
    testkit::TempDir dir;
    std::filesystem::create_directory(dir.path() / "a");
    std::filesystem::create_directory(dir.path() / "b");
    const std::string paths[] = {dir.file("a/Clip.avi"), dir.file("b/Clip.avi"), dir.file("a/clip.avi")};
    for (const auto& p : paths)
        testkit::WriteFileBytes(p, "same");
    for (const auto& p : paths)
        SetMtime(p, 1167609598, 0);
    const TAfficherFichier f0(paths[0]), f1(paths[1]), f2(paths[2]);
    for (const TAfficherFichier* other : {&f1, &f2}) {
        EXPECT_NE(f0.NameKey, other->NameKey);
        EXPECT_NE(f0.SizeKey, other->SizeKey);
        EXPECT_NE(f0.DateKey, other->DateKey);
        EXPECT_NE(f0.RecDateKey2, other->RecDateKey2);
    }
    // The case-only pair differs only after the tie-break, so the two stay side by side.
    const size_t tie = f0.NameKey.find('\x01');
    EXPECT_EQ(f0.NameKey.substr(0, tie + 1), f2.NameKey.substr(0, tie + 1));
    // The tie-break sorts before every character of a name, so a path still sorts before the
    // longer paths it begins ("a" before "a b", where a blank follows).
    testkit::WriteFileBytes(dir.file("a/x"), "same");
    testkit::WriteFileBytes(dir.file("a/x b"), "same");
    EXPECT_LT(TSRFichier(dir.file("a/x")).SizeKey, TSRFichier(dir.file("a/x b")).SizeKey);
}

TEST(MissingFile, GivesNoSizeNoTimesAndNoKeys)
{
    const TSRFichier f("/no/such/folder/clip.avi");
    EXPECT_FALSE(f.Exists);
    EXPECT_EQ(f.Size(), 0u);
    EXPECT_EQ(f.LastWriteTime, 0);
    EXPECT_EQ(f.CreationTime, 0);
    EXPECT_EQ(f.Attributes, 0u);
    EXPECT_TRUE(f.SizeKey.empty());
    EXPECT_TRUE(f.DateKey.empty());
    EXPECT_FALSE(f.NameKey.empty());
}

TEST(Attributes, ReadOnlyFollowsTheOwnersWriteBitEvenForRoot)
{
    testkit::TempDir dir;
    const std::string path = dir.file("a.avi");
    testkit::WriteFileBytes(path, "x");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_EQ(TSRFichier(path).Attributes, faReadOnly);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    EXPECT_EQ(TSRFichier(path).Attributes, 0u);
    EXPECT_EQ(TSRFichier(dir.path().string()).Attributes & faDirectory, faDirectory);
}
