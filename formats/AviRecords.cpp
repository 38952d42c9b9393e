#include "formats/AviRecords.h"

#include "formats/RiffChunk.h"
#include "platform/rtl/ByteOrder.h"

namespace formats {

namespace {

int16_t S16(const uint8_t* p)
{
    return static_cast<int16_t>(rtl::GetLE16(p));
}

int32_t S32(const uint8_t* p)
{
    return static_cast<int32_t>(rtl::GetLE32(p));
}

// The two digits of a stream number as the low half of an id.
uint32_t StreamDigits(int stream)
{
    return static_cast<uint32_t>('0' + stream / 10 % 10) | static_cast<uint32_t>('0' + stream % 10) << 8;
}

} // namespace

uint32_t StreamChunkId(int stream, const char (&kind)[3])
{
    return StreamDigits(stream) | static_cast<uint32_t>(rtl::GetLE16(reinterpret_cast<const uint8_t*>(kind))) << 16;
}

uint32_t StreamIndexChunkId(int stream)
{
    return rtl::FourCC("ix\0\0") | StreamDigits(stream) << 16;
}

int ChunkIdStream(uint32_t id)
{
    const int tens = static_cast<int>(id & 0xFF) - '0', units = static_cast<int>(id >> 8 & 0xFF) - '0';
    if (tens < 0 || tens > 9 || units < 0 || units > 9)
        return -1;
    return tens * 10 + units;
}

std::string StreamPinName(std::string_view word, int number)
{
    const std::string n = std::to_string(number);
    return std::string(word) + " " + std::string(n.size() < 2 ? 2 - n.size() : 0, '0') + n;
}

AviMainHeader DecodeMainHeader(const uint8_t* p)
{
    AviMainHeader h;
    h.dwMicroSecPerFrame = rtl::GetLE32(p);
    h.dwMaxBytesPerSec = rtl::GetLE32(p + 4);
    h.dwPaddingGranularity = rtl::GetLE32(p + 8);
    h.dwFlags = rtl::GetLE32(p + 12);
    h.dwTotalFrames = rtl::GetLE32(p + 16);
    h.dwInitialFrames = rtl::GetLE32(p + 20);
    h.dwStreams = rtl::GetLE32(p + 24);
    h.dwSuggestedBufferSize = rtl::GetLE32(p + 28);
    h.dwWidth = rtl::GetLE32(p + 32);
    h.dwHeight = rtl::GetLE32(p + 36);
    for (int i = 0; i < 4; ++i)
        h.dwReserved[i] = rtl::GetLE32(p + 40 + 4 * i);
    return h;
}

AviStreamHeader DecodeStreamHeader(const uint8_t* p)
{
    AviStreamHeader h;
    h.fccType = rtl::GetLE32(p);
    h.fccHandler = rtl::GetLE32(p + 4);
    h.dwFlags = rtl::GetLE32(p + 8);
    h.wPriority = rtl::GetLE16(p + 12);
    h.wLanguage = rtl::GetLE16(p + 14);
    h.dwInitialFrames = rtl::GetLE32(p + 16);
    h.dwScale = rtl::GetLE32(p + 20);
    h.dwRate = rtl::GetLE32(p + 24);
    h.dwStart = rtl::GetLE32(p + 28);
    h.dwLength = rtl::GetLE32(p + 32);
    h.dwSuggestedBufferSize = rtl::GetLE32(p + 36);
    h.dwQuality = rtl::GetLE32(p + 40);
    h.dwSampleSize = rtl::GetLE32(p + 44);
    h.rcLeft = S16(p + 48);
    h.rcTop = S16(p + 50);
    h.rcRight = S16(p + 52);
    h.rcBottom = S16(p + 54);
    return h;
}

OdmlHeader DecodeOdmlHeader(const uint8_t* p)
{
    OdmlHeader h;
    h.dwTotalFrames = rtl::GetLE32(p);
    for (size_t i = 0; i < h.dwReserved.size(); ++i)
        h.dwReserved[i] = rtl::GetLE32(p + 4 + 4 * i);
    return h;
}

AviIndexHeader DecodeIndexHeader(const uint8_t* p)
{
    AviIndexHeader h;
    h.wLongsPerEntry = rtl::GetLE16(p);
    h.bIndexSubType = p[2];
    h.bIndexType = p[3];
    h.nEntriesInUse = rtl::GetLE32(p + 4);
    h.dwChunkId = rtl::GetLE32(p + 8);
    h.qwBaseOffset = rtl::GetLE64(p + 12);
    h.dwReserved3 = rtl::GetLE32(p + 20);
    return h;
}

AviSuperIndexHead DecodeSuperIndexHead(const uint8_t* p)
{
    AviSuperIndexHead h;
    h.header = DecodeIndexHeader(p);
    for (size_t i = 0; i < h.entries.size(); ++i) {
        const uint8_t* e = p + AviIndexHeader::kSize + 16 * i;
        h.entries[i].qwOffset = rtl::GetLE64(e);
        h.entries[i].dwSize = rtl::GetLE32(e + 8);
        h.entries[i].dwDuration = rtl::GetLE32(e + 12);
    }
    return h;
}

} // namespace formats
