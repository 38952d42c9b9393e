#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/rtl/TextWriter.h"
#include "tests/kit/TempDir.h"

using namespace rtl;

TEST(TextWriter, CrLfLinesArriveWholeAndInOrder)
{
    testkit::TempDir dir;
    const std::string path = dir.file("big.txt");
    std::string expected = "# 日本語\r\nab\r\n";
    {
        TTextWriter w(path);
        w.WriteLine("# 日本語");
        w.Write("a");
        w.Write("b");
        w.WriteLine();
        for (int i = 0; i < 20000; ++i) {
            const std::string line = "line " + std::to_string(i);
            w.WriteLine(line);
            expected += line + "\r\n";
        }
    } // the destructor writes what is left
    EXPECT_EQ(testkit::ReadFileBytes(path), expected);
    EXPECT_THROW(TTextWriter(dir.file("no/such/folder.txt")), EFileError);
    TTextWriter closed(dir.file("c.txt"));
    closed.Close();
    EXPECT_THROW(closed.Write("late"), EFileError);
}

TEST(TextWriter, AFullDiskFailsTheClose)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    TTextWriter w("/dev/full");
    w.WriteLine("short");
    EXPECT_THROW(w.Close(), EFileError);
}
