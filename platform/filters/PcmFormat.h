#pragma once
// PCM wave formats as the ACM Wrapper converts them: integer PCM of 8 to 32 bits, IEEE float,
// and their WAVE_FORMAT_EXTENSIBLE forms, 1 to 8 channels; and the mend of a PCM format's
// derived fields.
#include <cstdint>
#include <optional>

#include "platform/dshow/FormatBlocks.h"

namespace ds {

constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_IEEE_FLOAT = 3;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

struct PcmFormat {
    int sampleFormat = -1; // packed AVSampleFormat as libswresample takes it
    int channels = 0;
    uint64_t channelMask = 0; // speaker positions, 0 when the format gives none
    int rate = 0;
    int bytes = 0;        // bytes of one sample of one channel in the stream
    bool widened = false; // 24-bit samples, widened to 32 bits for libswresample
    bool isFloat = false;
    int BlockAlign() const { return channels * bytes; }
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// The PCM format a wave format describes, when it is one and holds together (its block size
// matches its channels and bits); empty otherwise.
std::optional<PcmFormat> PcmFormatOf(const WaveFormatEx& w);
// A PCM wave format whose block size and byte rate follow from its rate, channels and bits.
WaveFormatEx MendPcm(WaveFormatEx w);
// Plain PCM: integer of `bits`, or 32-bit float.
WaveFormatEx PcmWave(uint32_t rate, uint16_t channels, uint16_t bits, bool isFloat = false);

// 24-bit little-endian samples to and from 32-bit ones (the low byte zero), `count` values.
void Widen24(const uint8_t* from, int32_t* to, size_t count);
void Narrow24(const int32_t* from, uint8_t* to, size_t count);

} // namespace ds
