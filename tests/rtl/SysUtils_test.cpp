#include <gtest/gtest.h>

#include <map>

#include <sys/stat.h>

#include <unistd.h>

#include <limits>

#include "platform/rtl/StringTable.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/TempDir.h"

using namespace rtl;

TEST(Rounding, HalvesGoToTheEvenNeighbourOthersToTheNearest)
{
    const std::pair<double, int64_t> cases[] = {{0.5, 0},
                                                {1.5, 2},
                                                {2.5, 2},
                                                {-0.5, 0},
                                                {-1.5, -2},
                                                {-2.5, -2},
                                                {2.4999999, 2},
                                                {2.5000001, 3},
                                                {-2.6, -3},
                                                {1e9 / 333667, 2997},
                                                {1000000.0 / 29.97002997, 33367},
                                                {1e15 + 0.5, 1000000000000000}};
    for (const auto& [value, want] : cases)
        EXPECT_EQ(Round(value), want) << value;
    EXPECT_EQ(Trunc(-2.7), -2);
    EXPECT_THROW(Round(std::numeric_limits<double>::quiet_NaN()), EConvertError);
    EXPECT_THROW(Round(1e19), EConvertError);
    EXPECT_THROW(Trunc(-std::numeric_limits<double>::infinity()), EConvertError);
}

TEST(IntegerText, HexAndDecimalBothWays)
{
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(0x123456789, 8), "123456789");
    EXPECT_EQ(IntToHex(-1, 8), "FFFFFFFF");
    EXPECT_EQ(StrToInt(" -7"), -7);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("0x10"), 16);
    EXPECT_EQ(StrToInt("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("-9223372036854775808"), std::numeric_limits<int64_t>::min());
    for (const char* bad : {"", " ", "12a", "1 ", "-", "$", "0x", "9223372036854775808", "$1FFFFFFFFFFFFFFFF", "1.5"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << '"' << bad << '"';
    EXPECT_EQ(StrToIntDef("x", 3), 3);
}

TEST(Text, CaseMappingAndTrimTouchAsciiOnly)
{
    EXPECT_EQ(LowerCase("ÄBC.AVI Été"), "Äbc.avi Été");
    EXPECT_EQ(UpperCase("été dvsd"), "éTé DVSD");
    EXPECT_TRUE(SameText("AbC", "aBc"));
    EXPECT_FALSE(SameText("é", "É"));
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight(" 日本 "), " 日本");
}

TEST(FileNames, ChangeFileExtOnlyInTheLastComponent)
{
    EXPECT_EQ(ChangeFileExt("/a.b/c", ".srt"), "/a.b/c.srt");
    EXPECT_EQ(ChangeFileExt("/x/clip.tar.avi", ""), "/x/clip.tar");
    EXPECT_EQ(ChangeFileExt("/x.y/clip.avi", "_type2.avi"), "/x.y/clip_type2.avi");
}

TEST(FileNames, PartsAndExpansion)
{
    EXPECT_EQ(ExtractFileName("/a/b/"), "");
    EXPECT_EQ(ExtractFilePath("/a/b/c.avi"), "/a/b/");
    EXPECT_EQ(ExtractFilePath("c.avi"), "");
    EXPECT_EQ(ExtractFileDir("/c.avi"), "/");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("//a//b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/.."), "/");
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(ExpandFileName("x/./y.avi"), IncludeTrailingPathDelimiter(ExpandFileName(cwd)) + "x/y.avi");
}

TEST(FileNames, ExistenceChecksTellFilesFromFolders)
{
    testkit::TempDir dir;
    testkit::WriteFileBytes(dir.file("a.avi"), "x");
    EXPECT_TRUE(FileExists(dir.file("a.avi")));
    EXPECT_FALSE(FileExists(dir.path().string()));
    EXPECT_FALSE(FileExists(dir.file("missing.avi")));
    EXPECT_TRUE(DirectoryExists(dir.path().string()));
    EXPECT_FALSE(DirectoryExists(dir.file("a.avi")));
    ASSERT_EQ(symlink(dir.file("a.avi").c_str(), dir.file("link.avi").c_str()), 0);
    EXPECT_TRUE(FileExists(dir.file("link.avi")));
}

TEST(FileNames, MakeFoldersMakesEveryMissingFolderAndStopsAtAFile)
{
    testkit::TempDir dir;
    const std::string deep = dir.file("a/b c/d");
    EXPECT_TRUE(MakeFolders(deep, 0700));
    EXPECT_TRUE(DirectoryExists(deep));
    struct stat st {};
    ASSERT_EQ(stat(dir.file("a/b c").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_TRUE(MakeFolders(deep));       // there already
    EXPECT_TRUE(MakeFolders(deep + "/")); // a trailing delimiter
    testkit::WriteFileBytes(dir.file("f"), "x");
    EXPECT_FALSE(MakeFolders(dir.file("f")));
    EXPECT_FALSE(MakeFolders(dir.file("f/g")));
    EXPECT_FALSE(MakeFolders(""));
}

TEST(FourCC, FirstCharacterIsTheLowestByte)
{
    EXPECT_EQ(StrToFourCC("dvsd"), 1685288548u);
    EXPECT_EQ(StrToFourCC("dvsdx"), StrToFourCC("dvsd"));
    EXPECT_EQ(FourCCToStr(1685288548u), "dvsd");
    EXPECT_EQ(FourCCToStr(StrToFourCC("ab")), std::string("ab\0\0", 4));
}

TEST(StringTable, LooksUpTextsByIdAndGivesEmptyForUnknownIds)
{
    EXPECT_EQ(LoadStr(sid::sWaveFormatBase + 1), "PCM");
    EXPECT_EQ(LoadStr(-123456), "");
    EXPECT_EQ(LoadStr(sid::sWaveFormatBase + 4), "");
}

TEST(StringTable, NoIdIsGivenTwiceAcrossItsParts)
{
    // A second text of one id would be lost, and its caller would show the first.
    std::map<int, std::string> seen;
    for (const auto part : StringTableParts())
        for (const StringEntry& entry : part) {
            const auto [at, added] = seen.emplace(entry.id, entry.text);
            EXPECT_TRUE(added) << entry.id << ": \"" << at->second << "\" and \"" << entry.text << "\"";
        }
    EXPECT_EQ(LoadStr(sid::sWaveFormatBase + 4098), "OLICELP");
    EXPECT_EQ(LoadStr(sid::sMainExtractAudio), "Extract the sound into a WAV file");
}

TEST(FloatText, RegionalNotationBothWays)
{
    const FormatSettings fs;
    FormatSettings comma;
    comma.DecimalSeparator = ",";
    EXPECT_EQ(FloatToStr(25.0, fs), "25");
    EXPECT_EQ(FloatToStr(29.97002997, fs), "29.97002997");
    EXPECT_EQ(FloatToStr(0.1 + 0.2, fs), "0.3");
    EXPECT_EQ(FloatToStr(1e20, fs), "1E20");
    EXPECT_EQ(FloatToStr(29.97, comma), "29,97");
    EXPECT_EQ(StrToFloat(" -25 ", fs), -25.0);
    EXPECT_EQ(StrToFloat(".5", fs), 0.5);
    EXPECT_EQ(StrToFloat("29,97", comma), 29.97);
    EXPECT_THROW(StrToFloat("29.97", comma), EConvertError);
    for (const char* bad : {"", ".", "abc", "1.2.3", "inf", "nan", "1e", "1e400", "0x10", "1,000", "- 1"})
        EXPECT_THROW(StrToFloat(bad, fs), EConvertError) << '"' << bad << '"';
    double v = 7;
    EXPECT_FALSE(TryStrToFloat("x", v, fs));
    EXPECT_EQ(v, 7);
}
