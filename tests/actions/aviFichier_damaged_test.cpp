// The analysis of damaged DV files: a type-1 NTSC file whose DVINFO is missing or says 50 lines,
// a type-2 file whose idx1 disagrees with its chunks, and files without a whole frame or sound.
#include <gtest/gtest.h>

#include "actions/aviFichier.h"
#include "platform/rtl/FormatDateTime.h"
#include "tests/media/DamagedFiles.h"

using namespace actions;

namespace {

void ExpectKitDate(const TAfficherFichier& f)
{
    EXPECT_EQ(rtl::FormatDateTime("yyyymmddhhnnss", f.RecDate), "20061231235950");
    EXPECT_EQ(f.RecDateKey, "20061231235950");
    EXPECT_EQ(f.Timecode, "00.00.00.00");
}

} // namespace

// The frames' system wins over the DVINFO's: an NTSC file reads as NTSC whatever its DVINFO says.
TEST(DamagedAnalysis, AType1NtscFileIsNtscWhetherItsDvInfoIsMissingOrSays50Lines)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(false, 6);
    ASSERT_TRUE(damaged::WriteType1(dir.file("none.avi"), clip, {}));
    ASSERT_TRUE(damaged::WriteType1(dir.file("pal.avi"), clip, damaged::Pal50Lines(clip)));
    for (const char* name : {"none.avi", "pal.avi"}) {
        SCOPED_TRACE(name);
        const TAfficherFichier f(dir.file(name));
        EXPECT_TRUE(f.Valid);
        EXPECT_EQ(f.Standard, 2);
        EXPECT_EQ(f.Image, "720 x 480 (NTSC 4x3)");
        EXPECT_NEAR(f.Fps, 29.97, 0.01);
        EXPECT_EQ(f.Audio1, "48000赫兹 16 比特  立体声");
        ExpectKitDate(f);
    }
}

TEST(DamagedAnalysis, AnIdx1ThatDisagreesWithItsChunksStillGivesTheFirstFrame)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(true, 6);
    ASSERT_TRUE(damaged::WriteType2(dir.file("whole.avi"), clip));
    const std::string whole = testkit::ReadFileBytes(dir.file("whole.avi"));
    auto sizes = [](int, uint32_t id, uint32_t&, uint32_t& size) { size += damaged::IsVideoEntry(id) ? 8 : 0; };
    auto offsets = [](int, uint32_t, uint32_t& offset, uint32_t&) { offset += 2; };
    testkit::WriteFileBytes(dir.file("sizes.avi"), damaged::WithIdx1(whole, sizes));
    testkit::WriteFileBytes(dir.file("offsets.avi"), damaged::WithIdx1(whole, offsets));
    for (const char* name : {"sizes.avi", "offsets.avi"}) {
        SCOPED_TRACE(name);
        const TAfficherFichier f(dir.file(name));
        EXPECT_TRUE(f.Valid);
        EXPECT_EQ(f.Image, "720 x 576 (Pal 4x3)");
        ExpectKitDate(f);
    }
}

// Headers that promise what the data lacks: a DV file without a first frame to date it, or
// without sound.
TEST(DamagedAnalysis, NoWholeFrameGivesNoDateAndNoSoundChunkStillShowsTheStream)
{
    testkit::TempDir dir;
    const testkit::DvClip clip = damaged::Clip(true, 4);
    ASSERT_TRUE(damaged::WriteType1(dir.file("cut.avi"), clip, testkit::DvInterleavedSpec(clip).format, 100000));
    ASSERT_TRUE(damaged::WriteType2(dir.file("mute.avi"), clip, false));
    const TAfficherFichier cut(dir.file("cut.avi"));
    EXPECT_TRUE(cut.Valid);
    EXPECT_EQ(cut.Datecode, "N/A");
    EXPECT_EQ(cut.Timecode, "N/A");
    EXPECT_EQ(cut.RecDateKey, "N/A");
    const TAfficherFichier mute(dir.file("mute.avi"));
    EXPECT_TRUE(mute.Valid);
    EXPECT_EQ(mute.Audio1, "48000赫兹 16 比特  立体声");
    ExpectKitDate(mute);
}
