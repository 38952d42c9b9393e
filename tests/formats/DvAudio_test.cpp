#include "formats/DvAudio.h"

#include "tests/kit/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using formats::DvAudioFormat;
using formats::DvAudioInfo;

constexpr size_t kBlock = 80;

bool IsAudioBlock(size_t blockInSequence)
{
    return blockInSequence >= 6 && (blockInSequence - 6) % 16 == 0;
}

// A frame whose every byte is a pattern, with audio block ids in place.
std::vector<uint8_t> PatternFrame(bool pal)
{
    std::vector<uint8_t> f(pal ? formats::kPalFrameSize : formats::kNtscFrameSize);
    for (size_t i = 0; i < f.size(); ++i)
        f[i] = static_cast<uint8_t>(i * 7 + 3);
    f[3] = pal ? 0xBF : 0x3F;
    for (size_t at = 0; at < f.size(); at += kBlock) {
        const size_t block = (at % formats::kDifSequenceSize) / kBlock;
        if (IsAudioBlock(block)) {
            f[at] = 0x76;
            f[at + 1] = static_cast<uint8_t>((at / formats::kDifSequenceSize) << 4 | 7);
            f[at + 2] = static_cast<uint8_t>((block - 6) / 16);
        }
    }
    return f;
}

std::vector<int16_t> Noise(size_t values, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-32767, 32767);
    std::vector<int16_t> v(values);
    for (auto& x : v)
        x = static_cast<int16_t>(d(rng));
    return v;
}

// Everything outside the audio blocks' pack and sample bytes.
void ExpectOnlyAudioChanged(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after)
{
    ASSERT_EQ(before.size(), after.size());
    for (size_t at = 0; at < before.size(); at += kBlock) {
        const size_t block = (at % formats::kDifSequenceSize) / kBlock;
        const size_t kept = IsAudioBlock(block) ? 3 : kBlock; // an audio block keeps its id only
        ASSERT_EQ(0, std::memcmp(&before[at], &after[at], kept)) << "block at " << at;
    }
}

TEST(DvAudioCodes, TwelveBitCodesRoundTripAndStayOrdered)
{
    int previous = -40000;
    for (int code = 0x801; code <= 0x17FF; ++code) { // -2047 .. 2047 as 12-bit two's complement
        const uint16_t c = static_cast<uint16_t>(code & 0xFFF);
        const int16_t v = formats::DvAudio12To16(c);
        EXPECT_EQ(c, formats::DvAudio16To12(v)) << std::hex << c;
        EXPECT_GT(v, previous) << std::hex << c;
        previous = v;
    }
    EXPECT_EQ(0, formats::DvAudio12To16(0x800));
    EXPECT_NE(0x800, formats::DvAudio16To12(INT16_MIN));
    EXPECT_EQ(0x7FF, formats::DvAudio16To12(INT16_MAX));
    EXPECT_EQ(511, formats::DvAudio12To16(511));
    EXPECT_EQ(512, formats::DvAudio12To16(0x200));
}

TEST(DvAudioCounts, LockedCountsAddUpExactlyAndLimitsFollowTheSystemAndQuantization)
{
    int64_t total = 0;
    for (int64_t n = 0; n < 3003; ++n) {
        const int count = formats::DvLockedSampleCount(false, 48000, n);
        EXPECT_TRUE(formats::DvSampleCountFits(false, {48000, 16, 1, true}, count)) << n;
        total += count;
    }
    EXPECT_EQ(int64_t{48000} * 3003 * 1001 / 30000, total); // 100.1 s of sound in 3003 frames
    EXPECT_EQ(1920, formats::DvLockedSampleCount(true, 48000, 7));
    EXPECT_EQ(1280, formats::DvLockedSampleCount(true, 32000, 0));
    EXPECT_EQ(1764, formats::DvLockedSampleCount(true, 44100, 3));
    EXPECT_TRUE(formats::DvSampleCountFits(true, {48000, 16, 1, false}, 1944));
    EXPECT_FALSE(formats::DvSampleCountFits(true, {48000, 16, 1, false}, 1945));
    EXPECT_FALSE(formats::DvSampleCountFits(true, {48000, 16, 1, false}, 1895));
    EXPECT_TRUE(formats::DvSampleCountFits(false, {32000, 12, 2, false}, 1080));
    EXPECT_FALSE(formats::DvSampleCountFits(false, {32000, 12, 2, false}, 1081));
    EXPECT_FALSE(formats::DvSampleCountFits(true, {48000, 12, 1, false}, 1920)); // 12 bit only at 32 kHz
    EXPECT_FALSE(formats::DvSampleCountFits(true, {48000, 16, 2, false}, 1920)); // two pairs only at 12 bit
}

// Every pack and sample comes back; the bytes outside the audio blocks stay as they were.
TEST(DvAudioRoundTrip, SixteenBitPalAndTwelveBitNtscFourChannelsComeBackExactly)
{
    const struct {
        bool pal;
        formats::DvAudioFormat format;
        int samples;
        uint8_t quantization, frequency; // the AAUX source pack's fields, which the formats layer reads
    } cases[] = {{true, {48000, 16, 1, false}, 1913, 0, 0}, {false, {32000, 12, 2, false}, 1068, 1, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format.bits);
        auto frame = PatternFrame(c.pal);
        const auto before = frame;
        std::vector<int16_t> pairs[2] = {Noise(2 * c.samples, 2), Noise(2 * c.samples, 3)};
        for (auto& pair : pairs) // values the code can carry, so the round trip is exact
            for (auto& v : pair)
                v = c.format.bits == 12 ? formats::DvAudio12To16(formats::DvAudio16To12(v)) : v;
        ASSERT_TRUE(formats::EncodeDvAudio(frame, c.format, c.samples, pairs[0].data(),
                                           c.format.pairs == 2 ? pairs[1].data() : nullptr));
        ExpectOnlyAudioChanged(before, frame);
        formats::DvAudioInfo info;
        ASSERT_TRUE(formats::ReadDvAudioInfo(frame, info));
        EXPECT_EQ(c.format, info.format);
        EXPECT_EQ(c.samples, info.samples);
        EXPECT_EQ(c.pal, info.pal);
        std::vector<int16_t> out(2 * info.samples);
        for (int p = 0; p < 2; ++p) {
            ASSERT_EQ(p < c.format.pairs ? c.samples : 0, formats::DecodeDvAudio(frame, info, p, out.data()));
            EXPECT_TRUE(p >= c.format.pairs || pairs[p] == out) << "pair " << p;
        }
        EXPECT_EQ(0x50, frame[4323]);
        EXPECT_EQ(c.frequency, (frame[4327] >> 3) & 7);
        EXPECT_EQ(c.quantization, frame[4327] & 7);
    }
}

TEST(DvAudioEncode, RefusesCountsAndSizesThatDoNotFit)
{
    auto frame = PatternFrame(true);
    const auto before = frame;
    const auto pcm = Noise(2 * 2000, 5);
    EXPECT_FALSE(formats::EncodeDvAudio(frame, {48000, 16, 1, false}, 1945, pcm.data(), nullptr));
    std::vector<uint8_t> shortFrame(1000);
    EXPECT_FALSE(formats::EncodeDvAudio(shortFrame, {48000, 16, 1, false}, 1920, pcm.data(), nullptr));
    EXPECT_EQ(before, frame);
}

TEST(DvAudioEncode, KeepsPacksThatAlreadySayTheSameAndTheDatePacks)
{
    auto frame = PatternFrame(true);
    const auto pcm = Noise(2 * 1920, 6);
    ASSERT_TRUE(formats::EncodeDvAudio(frame, {48000, 16, 1, false}, 1920, pcm.data(), nullptr));
    // A camera's own control pack, reserved bits in its source pack, and date packs in block 5.
    const size_t block3 = (6 + 16 * 3) * kBlock, block4 = (6 + 16 * 4) * kBlock, block5 = (6 + 16 * 5) * kBlock;
    const uint8_t control[] = {0x51, 0x01, 0x02, 0x03, 0x04};
    std::memcpy(&frame[block4 + 3], control, 5);
    frame[block3 + 5] |= 0x40;
    const uint8_t date[] = {0x52, 0xC1, 0xE4, 0xF5, 0x06};
    std::memcpy(&frame[block5 + 3], date, 5);
    const auto camera = frame;

    ASSERT_TRUE(formats::EncodeDvAudio(frame, {48000, 16, 1, false}, 1920, pcm.data(), nullptr));
    EXPECT_EQ(camera, frame);

    ASSERT_TRUE(formats::EncodeDvAudio(frame, {48000, 16, 1, false}, 1910, pcm.data(), nullptr));
    EXPECT_EQ(0, std::memcmp(&frame[block4 + 3], control, 5));
    EXPECT_EQ(0, std::memcmp(&frame[block5 + 3], date, 5));
    formats::DvAudioInfo info;
    ASSERT_TRUE(formats::ReadDvAudioInfo(frame, info));
    EXPECT_EQ(1910, info.samples);
}

TEST(DvAudioDecode, ErrorSamplesAreMuted)
{
    auto frame = PatternFrame(true);
    std::vector<int16_t> pcm(2 * 1920, 1000);
    ASSERT_TRUE(formats::EncodeDvAudio(frame, {48000, 16, 1, false}, 1920, pcm.data(), nullptr));
    const size_t firstSlot = 6 * kBlock + 8; // sequence 0, audio block 0: left sample 0
    frame[firstSlot] = 0x80;
    frame[firstSlot + 1] = 0x00;
    formats::DvAudioInfo info;
    ASSERT_TRUE(formats::ReadDvAudioInfo(frame, info));
    std::vector<int16_t> out(2 * info.samples);
    formats::DecodeDvAudio(frame, info, 0, out.data());
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(1000, out[1]);
    EXPECT_EQ(1000, out[2]);
}

TEST(DvAudioDecode, NoSourcePackMeansNoSound)
{
    auto frame = PatternFrame(true);
    frame[4323] = 0xFF;
    for (size_t s = 1; s < 12; ++s)
        frame[s * formats::kDifSequenceSize + ((s & 1) ? 6 : 54) * kBlock + 3] = 0xFF;
    formats::DvAudioInfo info;
    EXPECT_FALSE(formats::ReadDvAudioInfo(frame, info));
    EXPECT_FALSE(info.present);
    std::vector<uint8_t> odd(143999);
    EXPECT_FALSE(formats::ReadDvAudioInfo(odd, info));
}

// ffmpeg as an independent producer: its DV muxer writes 48 kHz 16-bit sound; our decoding of
// every frame must equal ffmpeg's own decoding of the same file.
void CompareWithFfmpeg(bool pal)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const std::string dv = dir.file("clip.dv"), pcmFile = dir.file("clip.pcm");
    const std::string size = pal ? "720x576:rate=25" : "720x480:rate=30000/1001";
    const std::string make =
        "ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc=size=" + size +
        " -f lavfi -i \"aevalsrc=sin(440*2*PI*t)*0.6|0.5*sin(97*2*PI*t):s=48000\" -t 0.6 -target " +
        (pal ? "pal-dv" : "ntsc-dv") + " -y " + dv;
    ASSERT_EQ(0, testkit::RunCommand(make));
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -i " + dv +
                                     " -map 0:a -f s16le -y " + pcmFile));
    const std::string bytes = testkit::ReadFileBytes(dv);
    const std::string theirs = testkit::ReadFileBytes(pcmFile);
    const size_t frameSize = pal ? formats::kPalFrameSize : formats::kNtscFrameSize;
    ASSERT_GT(bytes.size() / frameSize, 10u);

    std::string ours;
    for (size_t at = 0; at + frameSize <= bytes.size(); at += frameSize) {
        std::span<const uint8_t> frame(reinterpret_cast<const uint8_t*>(bytes.data()) + at, frameSize);
        formats::DvAudioInfo info;
        ASSERT_TRUE(formats::ReadDvAudioInfo(frame, info));
        EXPECT_EQ(48000, info.format.sampleRate);
        EXPECT_EQ(pal, info.pal);
        std::vector<int16_t> pcm(2 * info.samples);
        ASSERT_EQ(info.samples, formats::DecodeDvAudio(frame, info, 0, pcm.data()));
        ours.append(reinterpret_cast<const char*>(pcm.data()), pcm.size() * 2);
    }
    ASSERT_EQ(theirs.size(), ours.size());
    EXPECT_TRUE(theirs == ours);
}

TEST(DvAudioInterop, DecodesPalAndNtscSoundAsFfmpegDoes)
{
    for (bool pal : {true, false}) {
        SCOPED_TRACE(pal ? "PAL" : "NTSC");
        CompareWithFfmpeg(pal);
    }
}

// ffmpeg as an independent checker: 32 kHz 12-bit four-channel sound that we encode into its
// frames is decoded by ffmpeg into the same two stereo pairs.
TEST(DvAudioInterop, FfmpegDecodesOurTwelveBitFourChannelSound)
{
    if (!testkit::HaveProgram("ffmpeg"))
        GTEST_SKIP() << "ffmpeg not installed";
    testkit::TempDir dir;
    const std::string dv = dir.file("clip.dv");
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i "
                                     "testsrc=size=720x480:rate=30000/1001 -f lavfi -i anullsrc=r=48000:cl=stereo "
                                     "-t 0.4 -target ntsc-dv -y " +
                                     dv));
    std::string bytes = testkit::ReadFileBytes(dv);
    const size_t frameSize = formats::kNtscFrameSize;
    std::vector<int16_t> want1, want2;
    const formats::DvAudioFormat format{32000, 12, 2, false};
    for (size_t at = 0, n = 0; at + frameSize <= bytes.size(); at += frameSize, ++n) {
        const int count = n % 2 ? 1066 : 1069; // unlocked: counts that wander
        auto p1 = Noise(2 * count, 10 + static_cast<unsigned>(n));
        auto p2 = Noise(2 * count, 100 + static_cast<unsigned>(n));
        std::span<uint8_t> frame(reinterpret_cast<uint8_t*>(bytes.data()) + at, frameSize);
        ASSERT_TRUE(formats::EncodeDvAudio(frame, format, count, p1.data(), p2.data()));
        for (auto& v : p1)
            want1.push_back(formats::DvAudio12To16(formats::DvAudio16To12(v)));
        for (auto& v : p2)
            want2.push_back(formats::DvAudio12To16(formats::DvAudio16To12(v)));
    }
    testkit::WriteFileBytes(dv, bytes);
    const std::string a = dir.file("a.pcm"), b = dir.file("b.pcm");
    ASSERT_EQ(0, testkit::RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -i " + dv +
                                     " -map 0:a:0 -f s16le -y " + a + " -map 0:a:1 -f s16le -y " + b));
    const std::string got1 = testkit::ReadFileBytes(a), got2 = testkit::ReadFileBytes(b);
    ASSERT_EQ(want1.size() * 2, got1.size());
    ASSERT_EQ(want2.size() * 2, got2.size());
    EXPECT_EQ(0, std::memcmp(want1.data(), got1.data(), got1.size()));
    EXPECT_EQ(0, std::memcmp(want2.data(), got2.data(), got2.size()));
}

} // namespace
