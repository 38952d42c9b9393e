#include "formats/DvAudio.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace formats {
namespace {

constexpr int kSlots16 = 36; // 2-byte samples in one audio block
constexpr int kSlots12 = 24; // 3-byte sample pairs in one audio block
constexpr uint8_t kSourcePack = 0x50;
constexpr uint8_t kControlPack = 0x51;

// Even sequences carry the source pack in audio block 3, odd ones in block 0; the control pack follows.
int SourcePackBlock(int sequence)
{
    return (sequence & 1) ? 0 : 3;
}

int RateCode(int sampleRate)
{
    switch (sampleRate) {
    case 48000: return 0;
    case 44100: return 1;
    case 32000: return 2;
    default: return -1;
    }
}

int RateFromCode(int code)
{
    static constexpr int rates[] = {48000, 44100, 32000};
    return code >= 0 && code < 3 ? rates[code] : 0;
}

// Where sample n of one half of the frame lies: the sequences of one half are shuffled so
// that a lost sequence costs scattered samples rather than a run of them.
struct SlotPlace {
    int sequence;
    int block;
    int slot;
};

SlotPlace Place(int n, int half)
{
    const int perSlot = kDvAudioBlocks * half;
    return {(n / 3 + 2 * (n % 3)) % half, 3 * (n % 3) + (n % perSlot) / (3 * half), n / perSlot};
}

// Byte offsets of every sample slot, per system and half; built once.
struct ShuffleTables {
    std::vector<uint32_t> linear[2][2];    // [pal][half]: 2-byte slots
    std::vector<uint32_t> nonlinear[2][2]; // [pal][half]: 3-byte slots
    ShuffleTables()
    {
        for (int pal = 0; pal < 2; ++pal) {
            const int half = pal ? 6 : 5;
            for (int h = 0; h < 2; ++h) {
                for (int n = 0; n < kSlots16 * kDvAudioBlocks * half; ++n) {
                    const SlotPlace p = Place(n, half);
                    linear[pal][h].push_back(
                        static_cast<uint32_t>(DvAudioBlockOffset(p.sequence + h * half, p.block) + 8 + 2 * p.slot));
                }
                for (int n = 0; n < kSlots12 * kDvAudioBlocks * half; ++n) {
                    const SlotPlace p = Place(n, half);
                    nonlinear[pal][h].push_back(
                        static_cast<uint32_t>(DvAudioBlockOffset(p.sequence + h * half, p.block) + 8 + 3 * p.slot));
                }
            }
        }
    }
};

const ShuffleTables& Tables()
{
    static const ShuffleTables tables;
    return tables;
}

bool FindPack(std::span<const uint8_t> frame, int firstSeq, int endSeq, uint8_t id, int offsetBlock,
              std::array<uint8_t, 4>& pc)
{
    for (int s = firstSeq; s < endSeq; ++s) {
        const size_t at = DvAudioBlockOffset(s, SourcePackBlock(s) + offsetBlock) + 3;
        if (frame[at] == id) {
            std::memcpy(pc.data(), &frame[at + 1], 4);
            return true;
        }
    }
    return false;
}

// Two source packs say the same when count, lock, rate, quantization, 50/60 and presence agree.
bool SameSource(const uint8_t* a, const std::array<uint8_t, 4>& b)
{
    return (a[0] & 0xBF) == (b[0] & 0xBF) && (a[2] & 0x20) == (b[2] & 0x20) && (a[3] & 0x3F) == (b[3] & 0x3F) &&
           ((a[1] & 0x0F) == 0x0F) == ((b[1] & 0x0F) == 0x0F);
}

} // namespace

int DvSequenceCount(size_t frameSize)
{
    if (frameSize == kPalFrameSize)
        return 12;
    if (frameSize == kNtscFrameSize)
        return 10;
    return 0;
}

int DvMinSamples(bool pal, int sampleRate)
{
    switch (RateCode(sampleRate)) {
    case 0: return pal ? 1896 : 1580;
    case 1: return pal ? 1742 : 1452;
    case 2: return pal ? 1264 : 1053;
    default: return 0;
    }
}

int DvMaxSamples(bool pal, int sampleRate, int bits)
{
    int limit = 0;
    switch (RateCode(sampleRate)) {
    case 0: limit = pal ? 1944 : 1620; break;
    case 1: limit = pal ? 1786 : 1489; break;
    case 2: limit = pal ? 1296 : 1080; break;
    default: return 0;
    }
    const int slots = (bits == 12 ? kSlots12 : kSlots16) * kDvAudioBlocks * (pal ? 6 : 5);
    return std::min(limit, slots);
}

int DvLockedSampleCount(bool pal, int sampleRate, int64_t frameIndex)
{
    // Samples per frame as a fraction: rate/25 or rate·1001/30000.
    const int64_t num = pal ? sampleRate : static_cast<int64_t>(sampleRate) * 1001;
    const int64_t den = pal ? 25 : 30000;
    if (frameIndex < 0)
        frameIndex = 0;
    return static_cast<int>((frameIndex + 1) * num / den - frameIndex * num / den);
}

bool DvSampleCountFits(bool pal, const DvAudioFormat& format, int samples)
{
    if (RateCode(format.sampleRate) < 0 || (format.bits != 16 && format.bits != 12))
        return false;
    if (format.bits == 12 && format.sampleRate != 32000)
        return false;
    if (format.pairs < 1 || format.pairs > (format.bits == 12 ? 2 : 1))
        return false;
    const int min = DvMinSamples(pal, format.sampleRate);
    return samples >= min && samples <= DvMaxSamples(pal, format.sampleRate, format.bits) && samples - min <= 0x3F;
}

std::array<uint8_t, 4> DvAudioSourcePack(bool pal, const DvAudioFormat& format, int samples, int pair)
{
    const int size = std::clamp(samples - DvMinSamples(pal, format.sampleRate), 0, 0x3F);
    const bool absent = pair >= format.pairs;
    return {
        static_cast<uint8_t>((format.locked ? 0x00 : 0x80) | 0x40 | size), // LF, AF_SIZE
        static_cast<uint8_t>(absent ? 0x0F : 0x00),                        // audio mode
        static_cast<uint8_t>(0xC0 | (pal ? 0x20 : 0x00)),                  // 50/60, STYPE 25 Mbit/s
        static_cast<uint8_t>(0x80 | (std::max(RateCode(format.sampleRate), 0) << 3) | (format.bits == 12 ? 1 : 0)),
    };
}

std::array<uint8_t, 4> DvAudioControlPack()
{
    // Copy free, original recording, forward at normal speed, no genre.
    return {0x33, 0xCF, 0xA0, 0xFF};
}

bool ReadDvAudioInfo(std::span<const uint8_t> frame, DvAudioInfo& info)
{
    info = DvAudioInfo{};
    const int sequences = DvSequenceCount(frame.size());
    if (sequences == 0)
        return false;
    const int half = sequences / 2;
    info.pal = sequences == 12;
    std::array<uint8_t, 4> pc{};
    if (!FindPack(frame, 0, sequences, kSourcePack, 0, pc))
        return false;
    const int rate = RateFromCode((pc[3] >> 3) & 7);
    const int quant = pc[3] & 7;
    if (rate == 0 || quant > 1 || (quant == 1 && rate != 32000))
        return false;
    info.format.sampleRate = rate;
    info.format.bits = quant == 1 ? 12 : 16;
    info.format.locked = (pc[0] & 0x80) == 0;
    info.format.pairs = 1;
    info.source[0] = pc;
    const int max = DvMaxSamples(info.pal, rate, info.format.bits);
    // A corrupt count is held to what the blocks can carry.
    info.samples = std::min(DvMinSamples(info.pal, rate) + (pc[0] & 0x3F), max);
    info.control[0] = {0xFF, 0xFF, 0xFF, 0xFF};
    info.control[1] = {0xFF, 0xFF, 0xFF, 0xFF};
    info.source[1] = {0xFF, 0xFF, 0xFF, 0xFF};
    FindPack(frame, 0, half, kControlPack, 1, info.control[0]);
    if (info.format.bits == 12) {
        std::array<uint8_t, 4> pc2{};
        if (FindPack(frame, half, sequences, kSourcePack, 0, pc2)) {
            info.source[1] = pc2;
            if ((pc2[1] & 0x0F) != 0x0F && (pc2[3] & 0x3F) == (pc[3] & 0x3F))
                info.format.pairs = 2;
        }
        FindPack(frame, half, sequences, kControlPack, 1, info.control[1]);
    }
    info.present = true;
    return true;
}

std::array<uint8_t, 32> DvInfoFromFrame(std::span<const uint8_t> frame)
{
    std::array<uint8_t, 32> info{};
    info.fill(0xFF);
    std::fill(info.begin() + 24, info.end(), 0); // reserved words
    const int sequences = DvSequenceCount(frame.size());
    if (sequences == 0)
        return info;
    const int half = sequences / 2;
    std::array<uint8_t, 4> pc{};
    auto put = [&](int at, bool found) {
        if (found)
            std::memcpy(&info[at], pc.data(), 4);
    };
    put(0, FindPack(frame, 0, half, kSourcePack, 0, pc));
    put(4, FindPack(frame, 0, half, kControlPack, 1, pc));
    put(8, FindPack(frame, half, sequences, kSourcePack, 0, pc));
    put(12, FindPack(frame, half, sequences, kControlPack, 1, pc));
    // VAUX source and source-control packs: packs 9 and 10 of the third VAUX block.
    for (int s = 0; s < sequences; ++s) {
        const uint8_t* b = frame.data() + static_cast<size_t>(s) * kDifSequenceSize;
        if (b[448] == 0x60 && b[453] == 0x61) {
            std::memcpy(&info[16], b + 449, 4);
            std::memcpy(&info[20], b + 454, 4);
            break;
        }
    }
    return info;
}

uint16_t DvAudio16To12(int16_t sample)
{
    // Segments of doubling step; negative values mirror the positive ones around -1.
    auto positive = [](int y) {
        if (y < 512)
            return y;
        int k = 0;
        while ((y >> k) >= 512)
            ++k;
        return (y >> k) + 256 * k;
    };
    if (sample >= 0)
        return static_cast<uint16_t>(positive(sample));
    const int code = std::min(positive(~static_cast<int>(sample)), 2046); // 0x800 is the error code
    return static_cast<uint16_t>(~code & 0xFFF);
}

int16_t DvAudio12To16(uint16_t code)
{
    code &= 0xFFF;
    if (code == 0x800)
        return 0;
    auto positive = [](int x) {
        if (x < 512)
            return x;
        const int k = (x >> 8) - 1;
        return (x - 256 * k) << k;
    };
    if (code < 0x800)
        return static_cast<int16_t>(positive(code));
    return static_cast<int16_t>(~positive(~(code | ~0xFFF)));
}

int DecodeDvAudio(std::span<const uint8_t> frame, const DvAudioInfo& info, int pair, int16_t* out)
{
    const int sequences = DvSequenceCount(frame.size());
    if (!info.present || sequences == 0 || pair < 0 || pair >= info.format.pairs || (sequences == 12) != info.pal)
        return 0;
    const int pal = info.pal ? 1 : 0;
    const int samples = std::min(info.samples, DvMaxSamples(info.pal, info.format.sampleRate, info.format.bits));
    const uint8_t* f = frame.data();
    if (info.format.bits == 16) {
        const uint32_t* left = Tables().linear[pal][0].data();
        const uint32_t* right = Tables().linear[pal][1].data();
        for (int n = 0; n < samples; ++n) {
            const uint16_t l = static_cast<uint16_t>(f[left[n]] << 8 | f[left[n] + 1]);
            const uint16_t r = static_cast<uint16_t>(f[right[n]] << 8 | f[right[n] + 1]);
            out[2 * n] = l == 0x8000 ? 0 : static_cast<int16_t>(l);
            out[2 * n + 1] = r == 0x8000 ? 0 : static_cast<int16_t>(r);
        }
        return samples;
    }
    const uint32_t* slots = Tables().nonlinear[pal][pair].data();
    for (int n = 0; n < samples; ++n) {
        const uint8_t* s = f + slots[n];
        out[2 * n] = DvAudio12To16(static_cast<uint16_t>(s[0] << 4 | s[2] >> 4));
        out[2 * n + 1] = DvAudio12To16(static_cast<uint16_t>(s[1] << 4 | (s[2] & 0x0F)));
    }
    return samples;
}

bool EncodeDvAudio(std::span<uint8_t> frame, const DvAudioFormat& format, int samples, const int16_t* pair1,
                   const int16_t* pair2)
{
    const int sequences = DvSequenceCount(frame.size());
    if (sequences == 0 || pair1 == nullptr)
        return false;
    const bool pal = sequences == 12;
    if (!DvSampleCountFits(pal, format, samples))
        return false;
    const int half = sequences / 2;
    uint8_t* f = frame.data();

    const std::array<uint8_t, 4> control = DvAudioControlPack();
    for (int s = 0; s < sequences; ++s) {
        for (int b = 0; b < kDvAudioBlocks; ++b) {
            uint8_t* block = f + DvAudioBlockOffset(s, b);
            if (((block[0] >> 5) & 7) != 3) { // not marked as an audio block: give it its id
                block[0] = 0x77;
                block[1] = static_cast<uint8_t>(s << 4 | 0x07);
                block[2] = static_cast<uint8_t>(b);
            }
        }
        const int pair = format.bits == 12 && s >= half ? 1 : 0;
        const std::array<uint8_t, 4> source = DvAudioSourcePack(pal, format, samples, pair);
        uint8_t* src = f + DvAudioBlockOffset(s, SourcePackBlock(s)) + 3;
        if (src[0] != kSourcePack || !SameSource(src + 1, source)) {
            src[0] = kSourcePack;
            std::memcpy(src + 1, source.data(), 4);
        }
        uint8_t* ctl = f + DvAudioBlockOffset(s, SourcePackBlock(s) + 1) + 3;
        if (ctl[0] != kControlPack) {
            ctl[0] = kControlPack;
            std::memcpy(ctl + 1, control.data(), 4);
        }
    }

    const int p = pal ? 1 : 0;
    if (format.bits == 16) {
        const uint32_t* left = Tables().linear[p][0].data();
        const uint32_t* right = Tables().linear[p][1].data();
        auto put = [f](uint32_t at, int16_t v) {
            // 0x8000 marks an error sample: the loudest negative value is held one step short of it.
            const uint16_t u = static_cast<uint16_t>(v == INT16_MIN ? INT16_MIN + 1 : v);
            f[at] = static_cast<uint8_t>(u >> 8);
            f[at + 1] = static_cast<uint8_t>(u);
        };
        for (int n = 0; n < samples; ++n) {
            put(left[n], pair1[2 * n]);
            put(right[n], pair1[2 * n + 1]);
        }
        return true;
    }
    for (int pair = 0; pair < 2; ++pair) {
        const int16_t* pcm = pair == 0 ? pair1 : pair2;
        const uint32_t* slots = Tables().nonlinear[p][pair].data();
        for (int n = 0; n < samples; ++n) {
            const uint16_t l = pcm ? DvAudio16To12(pcm[2 * n]) : 0;
            const uint16_t r = pcm ? DvAudio16To12(pcm[2 * n + 1]) : 0;
            uint8_t* s = f + slots[n];
            s[0] = static_cast<uint8_t>(l >> 4);
            s[1] = static_cast<uint8_t>(r >> 4);
            s[2] = static_cast<uint8_t>((l & 0x0F) << 4 | (r & 0x0F));
        }
    }
    return true;
}

} // namespace formats
