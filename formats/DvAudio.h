#pragma once
// Sound inside 25 Mbit/s DV frames: the AAUX source (0x50) and source-control (0x51) packs and
// the shuffled samples of the audio DIF blocks, for 525/60 and 625/50 frames.
// Decode gives interleaved stereo 16-bit PCM per pair; encode writes the audio blocks and packs
// into a frame and leaves its header, subcode, VAUX and video blocks as they are.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "formats/dvcodes.h"

namespace formats {

// Number of DIF sequences of a frame of this size: 10, 12, or 0 for any other size.
int DvSequenceCount(size_t frameSize);

// The sound of a sequence lies in nine of its 150 DIF blocks of 80 bytes, numbers 6, 22, ... 134.
// Offset in the frame of audio block `block` (0-8) of sequence `sequence`.
constexpr size_t kDifBlockSize = 80;
constexpr int kDvAudioBlocks = 9;
constexpr size_t DvAudioBlockOffset(int sequence, int block)
{
    return static_cast<size_t>(sequence) * kDifSequenceSize + (6 + 16 * static_cast<size_t>(block)) * kDifBlockSize;
}

struct DvAudioFormat {
    int sampleRate = 48000; // 48000, 44100 or 32000
    int bits = 16;          // 16 (linear) or 12 (non-linear, 32 kHz only)
    int pairs = 1;          // stereo pairs: 2 only with 12-bit samples
    bool locked = false;    // locked mode: sample counts follow the fixed pattern

    bool operator==(const DvAudioFormat&) const = default;
};

// What a frame's AAUX packs say.
struct DvAudioInfo {
    bool present = false; // a source pack (0x50) was found
    bool pal = true;      // 625/50 frame
    DvAudioFormat format;
    int samples = 0; // samples per channel in this frame
    // PC1-PC4 of the source and source-control packs, per pair; control[i] is all 0xFF when absent.
    std::array<std::array<uint8_t, 4>, 2> source{};
    std::array<std::array<uint8_t, 4>, 2> control{};
};

// Sample count limits of one frame (per channel).
int DvMinSamples(bool pal, int sampleRate);
int DvMaxSamples(bool pal, int sampleRate, int bits);
// Samples of frame `frameIndex` when the sound is spread over the frames by exact rational
// arithmetic (frame n gets floor((n+1)·r) − floor(n·r), r = rate × frame duration).
int DvLockedSampleCount(bool pal, int sampleRate, int64_t frameIndex);
// True when `samples` can be carried by a frame of this system and format.
bool DvSampleCountFits(bool pal, const DvAudioFormat& format, int samples);

// PC1-PC4 of the source pack describing `format` and `samples`; `pair` 1 marks an absent
// second pair (audio mode "no information") when the format has only one.
std::array<uint8_t, 4> DvAudioSourcePack(bool pal, const DvAudioFormat& format, int samples, int pair);
// PC1-PC4 of the source-control pack written with new sound.
std::array<uint8_t, 4> DvAudioControlPack();

// Reads the AAUX packs of a frame. False (info.present false) when the frame has no source
// pack, an unknown rate or quantization, or a size that is not a DV frame's.
bool ReadDvAudioInfo(std::span<const uint8_t> frame, DvAudioInfo& info);

// Decodes pair `pair` (0 or 1) into `out` as interleaved left/right 16-bit samples; `out` must
// hold 2 × info.samples values. Error samples come out as 0. Returns the samples per channel
// written (0 when the pair is not in the frame).
int DecodeDvAudio(std::span<const uint8_t> frame, const DvAudioInfo& info, int pair, int16_t* out);

// Writes `samples` per channel of interleaved stereo sound (pair2 may be null; it is silence
// then) into the audio blocks, and the source and control packs of each pair. Packs already in
// the frame that say the same are kept byte for byte. Slots beyond `samples` are not touched.
// False when the frame size, the format or the count does not fit.
bool EncodeDvAudio(std::span<uint8_t> frame, const DvAudioFormat& format, int samples, const int16_t* pair1,
                   const int16_t* pair2);

// The 32-byte DVINFO format block of a DV stream, from a frame's packs: AAUX source and control
// of both pairs, VAUX source (0x60) and control (0x61); a missing pack reads as all 0xFF.
std::array<uint8_t, 32> DvInfoFromFrame(std::span<const uint8_t> frame);

// 12-bit non-linear sample codes.
uint16_t DvAudio16To12(int16_t sample);
int16_t DvAudio12To16(uint16_t code);

} // namespace formats
