// The DV header filter, output bytes against input bytes: the source's blocks put back into new
// frames of the same or the other standard, and recording dates shifted in every copy.
#include <gtest/gtest.h>

#include "formats/dvcodes.h"
#include "media/dv_DVHeader.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/media/MediaTestKit.h"

using namespace mediatest;
using media::Tdv_DVheader;
using media::Tdv_sceneDetect;
using testkit::DvFrameBuilder;
using testkit::Standard;
using Frame = std::vector<uint8_t>;

namespace {

constexpr REFERENCE_TIME kT = 400000;
constexpr size_t kSeq = 12000;

// The source frames go through a detector, the new ones through the header filter into a sink,
// as a decoder and an encoder would separate them.
struct Restoring {
    std::shared_ptr<Tdv_sceneDetect> detector = std::make_shared<Tdv_sceneDetect>();
    std::shared_ptr<Tdv_DVheader> header;
    Chain source{testds::VideoType(), 144000, {detector}, false};
    std::unique_ptr<Chain> encoded;

    explicit Restoring(bool withDetector = true)
        : header(std::make_shared<Tdv_DVheader>(withDetector ? detector.get() : nullptr))
    {
        encoded =
            std::make_unique<Chain>(testds::VideoType(), 144000, std::vector<std::shared_ptr<BaseFilter>>{header});
        EXPECT_TRUE(source.connected && encoded->connected);
        EXPECT_EQ(source.graph.Run(), S_OK);
        EXPECT_EQ(encoded->graph.Run(), S_OK);
    }
    ~Restoring()
    {
        encoded->graph.Stop();
        source.graph.Stop();
    }
    void Source(const Frame& f, int index) { EXPECT_EQ(source.pusher->Push(f, index * kT, (index + 1) * kT), S_OK); }
    // The new frame after the filter; empty when it was not passed on.
    Frame Encoded(const Frame& f, int index)
    {
        encoded->sink->ClearSeen();
        EXPECT_EQ(encoded->pusher->Push(f, index * kT, (index + 1) * kT), S_OK);
        const auto seen = encoded->sink->SeenSamples();
        return seen.empty() ? Frame() : Frame(seen.back().bytes.begin(), seen.back().bytes.end());
    }
};

// Marks each sequence's packs of a source frame with the sequence's number, to follow them.
Frame Numbered(Frame f)
{
    for (size_t n = 0; n < f.size() / kSeq; ++n) {
        uint8_t* seq = f.data() + n * kSeq;
        seq[formats::DvPackOffset(0) + 1] = static_cast<uint8_t>(0xA0 + n);  // subcode sync block 0
        seq[formats::DvPackOffset(20) + 4] = static_cast<uint8_t>(0xB0 + n); // a VAUX no-info pack
    }
    return f;
}

bool InPack(size_t offsetInSequence)
{
    for (int k = 0; k < formats::kSequencePackCount; ++k) {
        const size_t at = formats::DvPackOffset(k);
        if (offsetInSequence >= at && offsetInSequence < at + formats::kPackSize)
            return true;
    }
    return false;
}

std::array<int, 6> PairDate(const uint8_t* date, const uint8_t* time)
{
    const auto dt = formats::DecodeRecDatePacks(date, time);
    return {dt.Year, dt.Month, dt.Day, dt.Hour, dt.Minute, dt.Second};
}

TEST(DvHeaderRestore, SameStandardTakesTheSourcesWholeRuns)
{
    Restoring r;
    const Frame src = Numbered(DvFrameBuilder(Standard::Pal).recDate(2006, 5, 6, 7, 8, 9).cameraFlags().build());
    const Frame fresh = DvFrameBuilder(Standard::Pal).noRecDate().noTimecode().wide(true).build();
    r.Source(src, 0);
    const Frame out = r.Encoded(fresh, 0);
    ASSERT_EQ(out.size(), fresh.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const bool run = i % kSeq < media::kSavedRunSize;
        ASSERT_EQ(out[i], run ? src[i] : fresh[i]) << "byte " << i;
    }
    EXPECT_EQ(r.header->UnmatchedFrames(), 0);
}

TEST(DvHeaderRestore, AcrossStandardsOnlyThePacksMoveEachToItsPlaceInItsHalf)
{
    struct Case {
        Standard from, to;
        std::vector<int> map; // source sequence of each new sequence
    };
    for (const Case& c : {Case{Standard::Pal, Standard::Ntsc, {0, 1, 2, 3, 4, 6, 7, 8, 9, 10}},
                          Case{Standard::Ntsc, Standard::Pal, {0, 1, 2, 3, 4, 4, 5, 6, 7, 8, 9, 9}}}) {
        Restoring r;
        const Frame src = Numbered(DvFrameBuilder(c.from).recDate(2006, 5, 6, 7, 8, 9).timecode(1, 2, 3, 4).build());
        const Frame fresh = DvFrameBuilder(c.to).noRecDate().noTimecode().build();
        r.Source(src, 0);
        const Frame out = r.Encoded(fresh, 0);
        ASSERT_EQ(out.size(), fresh.size());
        for (size_t i = 0; i < out.size(); ++i) {
            const size_t n = i / kSeq, at = i % kSeq;
            const size_t from = static_cast<size_t>(c.map[n]) * kSeq + at;
            // Packs come from the mapped source sequence, but for the new frame's VAUX source pack
            // (0x60, which says its standard); header block and every ID stay the new frame's.
            const bool sourcePack = InPack(at) && at >= 243 && fresh[i - (at - 243) % 5] == formats::kVauxSourcePackId;
            const uint8_t want = InPack(at) && !sourcePack ? src[from] : fresh[i];
            ASSERT_EQ(out[i], want) << "sequence " << n << " byte " << at;
        }
        formats::RecDateTime dt;
        formats::DecodeRecDateTime(out.data(), out.size(), 0, dt);
        EXPECT_EQ(dt.Year, 2006);
        EXPECT_EQ(formats::DecodeTimeCode(out.data(), out.size(), 9).Frames, 4);
        EXPECT_EQ(formats::DVSystem(out.data(), out.size()), c.to == Standard::Pal ? 1 : 2);
    }
}

TEST(DvHeaderRestore, NewFramesTakeTheSavedFrameOfTheirStartTime)
{
    Restoring r;
    for (int i = 0; i < 5; ++i)
        r.Source(DvFrameBuilder(Standard::Pal).timecode(0, 0, 0, i).build(), 10 + i);
    const Frame fresh = DvFrameBuilder(Standard::Pal).noTimecode().build();
    EXPECT_EQ(formats::DecodeTimeCode(r.Encoded(fresh, 12).data(), 144000, 0).Frames, 2);
    EXPECT_EQ(formats::DecodeTimeCode(r.Encoded(fresh, 19).data(), 144000, 0).Frames, 4);
    EXPECT_EQ(r.header->UnmatchedFrames(), 0);
    // Older than anything kept: left as encoded, and counted.
    EXPECT_EQ(r.Encoded(fresh, 3), fresh);
    EXPECT_EQ(r.header->UnmatchedFrames(), 1);
}

TEST(DvHeaderRestore, WithoutADetectorOrWithNothingToDoFramesPassUnchanged)
{
    const Frame f = DvFrameBuilder(Standard::Pal).recDate(2006, 5, 6, 7, 8, 9).cameraFlags().build();
    {
        Restoring r(false);
        EXPECT_EQ(r.Encoded(f, 0), f);
        EXPECT_EQ(r.header->UnmatchedFrames(), 1);
    }
    {
        Restoring r;
        r.header->SetCopyHeaders(false);
        r.Source(DvFrameBuilder(Standard::Pal).build(), 0);
        EXPECT_EQ(r.Encoded(f, 0), f);
        EXPECT_EQ(r.header->UnmatchedFrames(), 0);
    }
    {
        Restoring r; // not a whole frame: not passed on
        EXPECT_TRUE(r.Encoded(Frame(1000, 7), 0).empty());
    }
}

TEST(DvHeaderShift, EveryPairOfEverySequenceShiftsFromItsOwnDateOnlyInItsDigits)
{
    Restoring r(false);
    r.header->SetCopyHeaders(false);
    r.header->SetOffset(1.0 / 24);
    Frame f = DvFrameBuilder(Standard::Pal).recDate(2006, 12, 31, 23, 30, 0).cameraFlags().build();
    // One VAUX pair of sequence 4 holds another date, a subcode pair of sequence 5 none valid.
    formats::RecDateTime other{2005, 6, 7, 8, 9, 10};
    uint8_t* s4 = f.data() + 4 * kSeq;
    formats::EncodeRecDatePacks(s4 + formats::DvPackOffset(14), s4 + formats::DvPackOffset(15), other);
    uint8_t* s5 = f.data() + 5 * kSeq;
    s5[formats::DvPackOffset(4) + 3] = 0x13; // month 13
    const Frame out = r.Encoded(f, 0);
    ASSERT_EQ(out.size(), f.size());
    int pairs = 0;
    for (int n = 0; n < 12; ++n) {
        Frame copy = out;
        formats::ForEachRecDatePair(copy.data(), copy.size(), n, [&](uint8_t* date, uint8_t* time) {
            ++pairs;
            const size_t at = static_cast<size_t>(date - copy.data()) % kSeq;
            if (n == 4 && at == formats::DvPackOffset(14))
                EXPECT_EQ(PairDate(date, time), (std::array<int, 6>{2005, 6, 7, 9, 9, 10}));
            else if (n == 5 && at == formats::DvPackOffset(4))
                EXPECT_EQ(PairDate(date, time)[1], 13) << "an invalid date is left alone";
            else
                EXPECT_EQ(PairDate(date, time), (std::array<int, 6>{2007, 1, 1, 0, 30, 0})) << n << " " << at;
        });
    }
    EXPECT_EQ(pairs, 12 * 8);
    // Only date and time digits changed: the pack IDs, the first data bytes and flag bits stay.
    for (size_t i = 0; i < f.size(); ++i) {
        if (out[i] == f[i])
            continue;
        const size_t at = i % kSeq;
        ASSERT_TRUE(InPack(at)) << i;
        ASSERT_EQ(out[i] & 0xC0, f[i] & 0xC0) << i;
    }
}

TEST(DvHeaderShift, AFrameDatedOnlyInItsThirdSequenceIsShiftedThereOnly)
{
    Restoring r(false);
    r.header->SetCopyHeaders(false);
    r.header->SetOffset(-1.0);
    Frame f = DvFrameBuilder(Standard::Ntsc).noRecDate().build();
    const Frame undated = f;
    formats::RecDateTime dt{2006, 3, 1, 12, 0, 0};
    ASSERT_TRUE(formats::EncodeRecDateTime(f.data(), f.size(), dt, 2));
    const Frame out = r.Encoded(f, 0);
    formats::RecDateTime back;
    formats::DecodeRecDateTime(out.data(), out.size(), 2, back);
    EXPECT_EQ((std::array<int, 3>{back.Year, back.Month, back.Day}), (std::array<int, 3>{2006, 2, 28}));
    for (int n : {0, 1, 3, 9})
        EXPECT_TRUE(std::equal(out.begin() + n * kSeq, out.begin() + (n + 1) * kSeq, undated.begin() + n * kSeq)) << n;
}

} // namespace
