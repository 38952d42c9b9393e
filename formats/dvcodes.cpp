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
constexpr uint8_t kRecDatePackId = 0x62;
constexpr uint8_t kRecTimePackId = 0x63;
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
    out.Second = Bcd(b[kRecTime + 2], 0x70);
    out.Minute = Bcd(b[kRecTime + 3], 0x70);
    out.Hour = Bcd(b[kRecTime + 4], 0x30);
    out.Day = Bcd(b[kRecDate + 2], 0x30);
    out.Month = Bcd(b[kRecDate + 3], 0x10);
    const int y = Bcd(b[kRecDate + 4], 0xF0);
    out.Year = y >= 40 ? y + 1900 : y + 2000;
}

bool EncodeRecDateTime(uint8_t* frame, size_t size, const RecDateTime& dt, int n)
{
    uint8_t* b = Sequence(frame, size, n, kRecTime + 5);
    if (b == nullptr)
        return false;
    b[kRecTime] = kRecTimePackId;
    PutTens(b[kRecTime + 2], dt.Second / 10, 7, 0x8F);
    PutUnits(b[kRecTime + 2], dt.Second % 10);
    PutTens(b[kRecTime + 3], dt.Minute / 10, 7, 0x8F);
    PutUnits(b[kRecTime + 3], dt.Minute % 10);
    PutTens(b[kRecTime + 4], dt.Hour / 10, 3, 0xCF);
    PutUnits(b[kRecTime + 4], dt.Hour % 10);

    b[kRecDate] = kRecDatePackId;
    PutUnits(b[kRecDate + 2], dt.Day % 10);
    PutTens(b[kRecDate + 2], dt.Day / 10, 3, 0xCF);
    PutUnits(b[kRecDate + 3], dt.Month % 10);
    PutTens(b[kRecDate + 3], dt.Month / 10, 1, 0xEF);
    // Only two digits are stored; a negative remainder (no valid year) is not written.
    PutTens(b[kRecDate + 4], (dt.Year / 10) % 10, 15, 0x0F);
    const int units = dt.Year % 10;
    if (units >= 0)
        PutUnits(b[kRecDate + 4], units);
    return true;
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
