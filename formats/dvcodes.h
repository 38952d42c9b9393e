#pragma once
// Reading and writing the DV DIF packs the program lives on: recording date and time, time code,
// TV system, aspect ratio and audio sampling of a raw 25 Mbit/s DV frame held in memory.
// Pure routines: no state, no allocation. Every routine takes the frame (or one DIF sequence) as
// a pointer plus the number of bytes available there; a read that would fall outside those bytes
// gives the "none" value (-1 year, hours 255, audio -1, system 0, not wide).
#include <cstddef>
#include <cstdint>

namespace formats {

constexpr size_t kDifSequenceSize = 12000;
constexpr size_t kNtscFrameSize = 120000; // 10 sequences, 525/60
constexpr size_t kPalFrameSize = 144000;  // 12 sequences, 625/50

struct RecDateTime {
    int32_t Year = -1; // -1: no date
    uint8_t Month = 0;
    uint8_t Day = 0;
    uint8_t Hour = 0;
    uint8_t Minute = 0;
    uint8_t Second = 0;
};

struct DVTimeCode {
    uint8_t Hours = 255; // 255: no time code, the other fields then mean nothing
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;
};

// Video standard bytes returned by DVSystem.
constexpr uint8_t kDvSystemUnknown = 0;
constexpr uint8_t kDvSystemPal = 1;
constexpr uint8_t kDvSystemNtsc = 2;

// Time code pack of DIF sequence n (both subcode blocks must carry it).
DVTimeCode DecodeTimeCode(const uint8_t* frame, size_t size, int n);
// Recording date and time packs of DIF sequence n; out.Year stays -1 when there is none.
void DecodeRecDateTime(const uint8_t* frame, size_t size, int n, RecDateTime& out);
// Writes the date and time packs of sequence n, keeping the bits the fields do not own.
// False (nothing written) when sequence n lies outside the buffer.
bool EncodeRecDateTime(uint8_t* frame, size_t size, const RecDateTime& dt, int n);

// The routines below read the sequence the pointer designates (normally the frame start).
bool HasSourceControlPack(const uint8_t* frame, size_t size);
uint8_t DVSystem(const uint8_t* frame, size_t size);
int32_t AudioSampleRate(const uint8_t* frame, size_t size);   // 48000, 44100, 32000, 0 other, -1 none
int32_t AudioQuantization(const uint8_t* frame, size_t size); // 16, 12, 0 other, -1 none
bool IsWideScreen(const uint8_t* frame, size_t size);         // 16:9, searched in the first ten sequences

// The pack walker. A DIF sequence carries its recording data in 57 five-byte packs: the 12 of
// the two subcode blocks (one per sync block) and the 45 of the three VAUX blocks, numbered in
// that order. Cameras repeat the date and time packs in several of them, and readers differ in
// which copy they take, so whoever changes the date changes every copy.
constexpr int kSubcodePackCount = 12;
constexpr int kVauxPackCount = 45;
constexpr int kSequencePackCount = kSubcodePackCount + kVauxPackCount;
constexpr size_t kPackSize = 5;
constexpr uint8_t kVauxSourcePackId = 0x60;
constexpr uint8_t kRecDatePackId = 0x62;
constexpr uint8_t kRecTimePackId = 0x63;

// Offset of pack k (0 .. kSequencePackCount - 1) from the start of its sequence.
size_t DvPackOffset(int k);

// Date and time of one recording date pack (0x62) and its time pack (0x63); the pack IDs are
// not checked. No range check: the caller makes a date-time of the fields.
RecDateTime DecodeRecDatePacks(const uint8_t* datePack, const uint8_t* timePack);
// Writes the fields into the two packs (and their IDs), keeping the bits the fields do not own.
void EncodeRecDatePacks(uint8_t* datePack, uint8_t* timePack, const RecDateTime& dt);

// Calls visit(datePack, timePack) for every 0x62 pack of sequence n directly followed, in the
// same area (subcode or VAUX), by a 0x63 pack. Returns the number of pairs; 0 when the sequence
// lies outside the buffer.
template <class Visit> int ForEachRecDatePair(uint8_t* frame, size_t size, int n, Visit&& visit)
{
    if (frame == nullptr || n < 0 || static_cast<size_t>(n + 1) * kDifSequenceSize > size)
        return 0;
    uint8_t* seq = frame + static_cast<size_t>(n) * kDifSequenceSize;
    int pairs = 0;
    for (int k = 0; k + 1 < kSequencePackCount; ++k) {
        if (k + 1 == kSubcodePackCount) // the last subcode pack has no partner in its area
            continue;
        uint8_t* date = seq + DvPackOffset(k);
        uint8_t* time = seq + DvPackOffset(k + 1);
        if (date[0] != kRecDatePackId || time[0] != kRecTimePackId)
            continue;
        visit(date, time);
        ++pairs;
        ++k;
    }
    return pairs;
}

} // namespace formats
