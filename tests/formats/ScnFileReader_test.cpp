// The scene starts read back from ".scn" files: the writer's own files (short and long names,
// one scene, many), and files that are cut short, garbage, empty or missing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/ScnFileReader.h"
#include "formats/scenes.h"
#include "tests/kit/TempDir.h"

using namespace formats;

namespace {

DVFrameInfo At(uint32_t frame)
{
    DVFrameInfo f;
    f.Frame = frame;
    return f;
}

// Scenes starting at `starts` in a video of `frames` frames, written by the writer; the
// ".scn" name.
std::string WriteScenes(const std::string& video, const std::vector<uint32_t>& starts, uint32_t frames)
{
    ScnFileWriter w;
    EXPECT_TRUE(w.OpenScnFile(video)) << w.LastError();
    for (size_t k = 0; k < starts.size(); ++k)
        w.WriteScnScene(At(starts[k]), At(k + 1 < starts.size() ? starts[k + 1] : frames));
    EXPECT_TRUE(w.CloseScnFile()) << w.LastError();
    return ScnFileName(video);
}

using Starts = std::optional<std::vector<int32_t>>;

} // namespace

TEST(ScnFileReader, ReadsTheWritersFiles)
{
    testkit::TempDir dir;
    // The first entry gives the first scene's end, which is the second scene's start.
    EXPECT_EQ(ScnFileReader::SceneStarts(WriteScenes(dir.file("three.avi"), {0, 250, 600}, 1000)),
              Starts(std::vector<int32_t>{250, 250, 600}));
    EXPECT_EQ(ScnFileReader::SceneStarts(WriteScenes(dir.file("one.avi"), {0}, 1000)),
              Starts(std::vector<int32_t>{1000}));
    // A name the writer cuts to 255 bytes, and a non-ASCII one: the reader skips what it says.
    const std::filesystem::path deep = dir.path() / std::string(120, 'a') / std::string(120, 'b');
    std::filesystem::create_directories(deep);
    EXPECT_EQ(ScnFileReader::SceneStarts(WriteScenes((deep / (std::string(100, 'c') + ".avi")).string(), {0, 7}, 9)),
              Starts(std::vector<int32_t>{7, 7}));
    EXPECT_EQ(ScnFileReader::SceneStarts(WriteScenes(dir.file("片段 2006-12-31.avi"), {0, 25, 50}, 75)),
              Starts(std::vector<int32_t>{25, 25, 50}));
    std::vector<uint32_t> many;
    for (uint32_t k = 0; k < 400; ++k)
        many.push_back(k * 10);
    const Starts read = ScnFileReader::SceneStarts(WriteScenes(dir.file("many.avi"), many, 4000));
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 400u);
    EXPECT_EQ(read->front(), 10);
    EXPECT_EQ(read->back(), 3990);
}

TEST(ScnFileReader, ACutFileGivesTheStartsReadSoFar)
{
    testkit::TempDir dir;
    const std::string bytes = testkit::ReadFileBytes(WriteScenes(dir.file("four.avi"), {0, 100, 200, 300}, 400));
    const size_t header = bytes.size() - 3 * 35; // header and first entry
    // Cut inside the third entry's start field, then just after it, then inside the header.
    EXPECT_EQ(ScnFileReader::SceneStartsOf(bytes.substr(0, header + 35 + 9 + 2)),
              Starts(std::vector<int32_t>{100, 100}));
    EXPECT_EQ(ScnFileReader::SceneStartsOf(bytes.substr(0, header + 35 + 13)),
              Starts(std::vector<int32_t>{100, 100, 200}));
    EXPECT_EQ(ScnFileReader::SceneStartsOf(bytes.substr(0, header - 1)), std::nullopt);
    EXPECT_EQ(ScnFileReader::SceneStartsOf(bytes.substr(0, 30)), std::nullopt);
}

TEST(ScnFileReader, GarbageEmptyAndMissingFilesGiveNothingOrStayBounded)
{
    testkit::TempDir dir;
    EXPECT_EQ(ScnFileReader::SceneStarts(dir.file("missing.scn")), std::nullopt);
    testkit::WriteFileBytes(dir.file("empty.scn"), "");
    EXPECT_EQ(ScnFileReader::SceneStarts(dir.file("empty.scn")), std::nullopt);
    EXPECT_EQ(ScnFileReader::SceneStarts(dir.path().string()), std::nullopt); // a folder
    testkit::WriteFileBytes(dir.file("text.scn"), "not a scene list at all");
    EXPECT_EQ(ScnFileReader::SceneStarts(dir.file("text.scn")), std::nullopt);
    // Every byte 0xFF: names of 255 bytes, a count of 65535, and far fewer entries than that.
    const std::string ff(2000, '\xFF');
    const Starts read = ScnFileReader::SceneStartsOf(ff);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->front(), -1);
    EXPECT_LE(read->size(), 1 + (2000 - 65 - 23 - 2 * 255) / 35 + 1);
}
