// The play-list line reader: which lines are paths, whatever surrounds them, and where the
// reading stops.
#include "formats/PlaylistReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/kit/TempDir.h"

using formats::PlaylistLines;
using formats::PlaylistReader;
using V = std::vector<std::string>;

namespace {

PlaylistLines Read(std::string_view text)
{
    PlaylistReader reader;
    reader.Feed(text);
    return reader.Finish();
}

} // namespace

TEST(PlaylistReader, TakesThePathsAloneWhateverSurroundsThem)
{
    EXPECT_EQ(Read("#\r\n# list\r\n     /a.avi\r\n\t/b b.avi \t \r\n#\r\n").names, (V{"/a.avi", "/b b.avi"}));
    EXPECT_EQ(Read("/a\n/b").names, (V{"/a", "/b"})); // LF alone, no line end at the end
    EXPECT_EQ(Read("\xEF\xBB\xBF/a\r\n\xEF\xBB\xBF/b\r\n").names, (V{"/a", "\xEF\xBB\xBF/b"}));
    EXPECT_EQ(Read("\xEF\xBB\xBF# /a\r\n\r\n   \r\n  #/b\r\n").names, V{});
    EXPECT_TRUE(Read("").names.empty());
    EXPECT_TRUE(Read("/a\r\n").failure.empty());
}

TEST(PlaylistReader, LinesLongerThanAPathAreSkipped)
{
    const std::string longest = "/" + std::string(PlaylistReader::kLongestLine - 1, 'y');
    EXPECT_EQ(Read(std::string(5000, 'x') + "\r\n" + longest + "\r\n" + longest + "z\n/c\n").names, (V{longest, "/c"}));
    // Dropped as it comes: a line of a megabyte at the end too.
    EXPECT_EQ(Read("/a\n" + std::string(1 << 20, 'x')).names, V{"/a"});
}

// A path among more blanks than twice a path's length was taken when one read held the whole
// line and skipped when a read ended inside it.
TEST(PlaylistReader, WhereTheReadsEndChangesNoName)
{
    const std::string text = std::string(9600, ' ') + "/" + std::string(76, 'y') + "\n/b\n";
    for (size_t piece : {size_t{1}, size_t{100}, size_t{5000}, text.size()}) {
        SCOPED_TRACE(piece);
        PlaylistReader reader;
        for (size_t at = 0; at < text.size(); at += piece)
            reader.Feed(std::string_view(text).substr(at, piece));
        EXPECT_EQ(reader.Finish().names, V{"/b"});
    }
}

TEST(PlaylistReader, ANulByteStopsTheReadingWithTheLinesBeforeIt)
{
    const PlaylistLines lines = Read(std::string("/a\r\n/b\0/c\r\n/d\r\n", 15));
    EXPECT_EQ(lines.names, V{"/a"});
    EXPECT_EQ(lines.failure, "it holds bytes that are not text");
    PlaylistReader reader;
    EXPECT_FALSE(reader.Feed(std::string("/a\n\0", 4)));
    EXPECT_FALSE(reader.Feed("/b\n"));
    EXPECT_EQ(reader.Finish().names, V{"/a"});
}

TEST(PlaylistReader, AFileIsReadInPiecesToItsEnd)
{
    testkit::TempDir dir;
    std::string text;
    V names;
    for (int i = 0; i < 20000; ++i) { // several reads' worth, lines across their ends
        names.push_back("/tapes/clip " + std::to_string(i) + ".avi");
        text += "     " + names.back() + "\r\n";
    }
    testkit::WriteFileBytes(dir.file("list.txt"), text);
    const int fd = ::open(dir.file("list.txt").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    const PlaylistLines lines = formats::ReadPlaylistLines(fd);
    ::close(fd);
    EXPECT_EQ(lines.names, names);
    EXPECT_TRUE(lines.failure.empty());
    // A folder cannot be read: the reading says why.
    const int folder = ::open(dir.path().c_str(), O_RDONLY);
    ASSERT_GE(folder, 0);
    EXPECT_EQ(formats::ReadPlaylistLines(folder).failure, "Is a directory");
    ::close(folder);
}
