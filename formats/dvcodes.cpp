#include "formats/dvcodes.h"

namespace formats {

namespace {

// Byte positions inside one DIF sequence.
constexpr size_t kSystemByte = 3;      // header block: 0xBF 625/50, 0x3F 525/60
constexpr size_t kAp3Byte = 7;         // header block: AP3 application id in bits 0-2
constexpr size_t kTimeCode1 = 110;     // subcode block 1, sync block 3
constexpr size_t kTimeCode2 = 190;     // subcode block 2, sync block 3
constexpr size_t kSourceControl = 453; // VAUX block 3, pack 10
constexpr size_t kRecDate = 458;       // VAUX block 3, pack 11
constexpr size_t kRecTime = 463;       // VAUX block 3, pack 12
constexpr size_t kAauxSource = 4323;   // audio block 3 (block 54)

constexpr uint8_t kTimeCodePackId = 0x13;
constexpr uint8_t kSourceControlPackId = 0x61;
constexpr uint8_t kAauxSourcePackId = 0x50;

constexpr int kWideScreenSearch = 10;

// Start of sequence n when bytes [start, start + needed) lie inside the buffer, else nullptr.
template <class Byte> Byte* Sequence(Byte* frame, size_t size, int n, size_t needed)
{
    if (frame == nullptr || n < 0)
        return nullptr;
    const size_t start = static_cast<size_t>(n) * kDifSequenceSize;
    if (start > size || needed > size - start)
        return nullptr;
    return frame + start;
}

// Cameras set flag bits beside the digits, so the tens digit is always masked.
uint8_t Bcd(uint8_t byte, uint8_t tensMask)
{
    return static_cast<uint8_t>(((byte & tensMask) >> 4) * 10 + (byte & 0x0F));
}

void PutUnits(uint8_t& byte, int units)
{
    byte = static_cast<uint8_t>((byte & 0xF0) | units);
}

void PutTens(uint8_t& byte, int tens, int maxTens, uint8_t keepMask)
{
    if (tens >= 0 && tens <= maxTens)
        byte = static_cast<uint8_t>((byte & keepMask) | (tens << 4));
}

} // namespace

DVTimeCode DecodeTimeCode(const uint8_t* frame, size_t size, int n)
{
    DVTimeCode tc;
    const uint8_t* b = Sequence(frame, size, n, kTimeCode2 + 1);
    if (b == nullptr || b[kTimeCode1] != kTimeCodePackId || b[kTimeCode2] != kTimeCodePackId)
        return tc;
    tc.Frames = Bcd(b[kTimeCode1 + 1], 0x30);
    tc.Seconds = Bcd(b[kTimeCode1 + 2], 0x70);
    tc.Minutes = Bcd(b[kTimeCode1 + 3], 0x70);
    tc.Hours = Bcd(b[kTimeCode1 + 4], 0x30);
    return tc;
}

void DecodeRecDateTime(const uint8_t* frame, size_t size, int n, RecDateTime& out)
{
    out.Year = -1;
    const uint8_t* b = Sequence(frame, size, n, kRecTime + 5);
    if (b == nullptr)
        return;
    // Zero pack ids are taken as the date and time packs.
    if ((b[kRecDate] != kRecDatePackId && b[kRecDate] != 0) || (b[kRecTime] != kRecTimePackId && b[kRecTime] != 0))
        return;
    out = DecodeRecDatePacks(b + kRecDate, b + kRecTime);
}

bool EncodeRecDateTime(uint8_t* frame, size_t size, const RecDateTime& dt, int n)
{
    uint8_t* b = Sequence(frame, size, n, kRecTime + 5);
    if (b == nullptr)
        return false;
    EncodeRecDatePacks(b + kRecDate, b + kRecTime, dt);
    return true;
}

size_t DvPackOffset(int k)
{
    // Subcode blocks 1-2: a 3-byte block ID, then six sync blocks of a 3-byte ID and a pack.
    // VAUX blocks 3-5: a 3-byte block ID, then fifteen packs.
    if (k < kSubcodePackCount)
        return 80 * static_cast<size_t>(1 + k / 6) + 3 + 8 * static_cast<size_t>(k % 6) + 3;
    k -= kSubcodePackCount;
    return 80 * static_cast<size_t>(3 + k / 15) + 3 + kPackSize * static_cast<size_t>(k % 15);
}

RecDateTime DecodeRecDatePacks(const uint8_t* datePack, const uint8_t* timePack)
{
    RecDateTime out;
    out.Second = Bcd(timePack[2], 0x70);
    out.Minute = Bcd(timePack[3], 0x70);
    out.Hour = Bcd(timePack[4], 0x30);
    out.Day = Bcd(datePack[2], 0x30);
    out.Month = Bcd(datePack[3], 0x10);
    const int y = Bcd(datePack[4], 0xF0);
    out.Year = y >= 40 ? y + 1900 : y + 2000;
    return out;
}

void EncodeRecDatePacks(uint8_t* datePack, uint8_t* timePack, const RecDateTime& dt)
{
    timePack[0] = kRecTimePackId;
    PutTens(timePack[2], dt.Second / 10, 7, 0x8F);
    PutUnits(timePack[2], dt.Second % 10);
    PutTens(timePack[3], dt.Minute / 10, 7, 0x8F);
    PutUnits(timePack[3], dt.Minute % 10);
    PutTens(timePack[4], dt.Hour / 10, 3, 0xCF);
    PutUnits(timePack[4], dt.Hour % 10);

    datePack[0] = kRecDatePackId;
    PutUnits(datePack[2], dt.Day % 10);
    PutTens(datePack[2], dt.Day / 10, 3, 0xCF);
    PutUnits(datePack[3], dt.Month % 10);
    PutTens(datePack[3], dt.Month / 10, 1, 0xEF);
    // Only two digits are stored; a negative remainder (no valid year) is not written.
    PutTens(datePack[4], (dt.Year / 10) % 10, 15, 0x0F);
    const int units = dt.Year % 10;
    if (units >= 0)
        PutUnits(datePack[4], units);
}

bool HasSourceControlPack(const uint8_t* frame, size_t size)
{
    const uint8_t* b = Sequence(frame, size, 0, kSourceControl + 1);
    return b != nullptr && b[kSourceControl] == kSourceControlPackId;
}

uint8_t DVSystem(const uint8_t* frame, size_t size)
{
    const uint8_t* b = Sequence(frame, size, 0, kSystemByte + 1);
    if (b == nullptr)
        return kDvSystemUnknown;
    if (b[kSystemByte] == 0xBF)
        return kDvSystemPal;
    if (b[kSystemByte] == 0x3F)
        return kDvSystemNtsc;
    return kDvSystemUnknown;
}

int32_t AudioSampleRate(const uint8_t* frame, size_t size)
{
    const uint8_t* b = Sequence(frame, size, 0, kAauxSource + 5);
    if (b == nullptr || b[kAauxSource] != kAauxSourcePackId)
        return -1;
    switch ((b[kAauxSource + 4] >> 3) & 7) {
    case 0: return 48000;
    case 1: return 44100;
    case 2: return 32000;
    default: return 0;
    }
}

int32_t AudioQuantization(const uint8_t* frame, size_t size)
{
    const uint8_t* b = Sequence(frame, size, 0, kAauxSource + 5);
    if (b == nullptr || b[kAauxSource] != kAauxSourcePackId)
        return -1;
    switch (b[kAauxSource + 4] & 7) {
    case 0: return 16;
    case 1: return 12;
    default: return 0;
    }
}

bool IsWideScreen(const uint8_t* frame, size_t size)
{
    // The first sequence with a source-control pack decides; its display mode 7 counts as
    // 16:9 only when the header's AP3 bits of that same sequence are zero.
    for (int i = 0; i < kWideScreenSearch; ++i) {
        const uint8_t* b = Sequence(frame, size, i, kSourceControl + 3);
        if (b == nullptr)
            return false;
        if (b[kSourceControl] != kSourceControlPackId)
            continue;
        const bool ap3Set = (b[kAp3Byte] & 7) != 0;
        const int display = b[kSourceControl + 2] & 7;
        return display == 2 || (display == 7 && !ap3Set);
    }
    return false;
}

} // namespace formats
