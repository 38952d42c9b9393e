#include "formats/AviRecords.h"

#include "formats/RiffChunk.h"

namespace formats {

namespace {

int16_t S16(const uint8_t* p)
{
    return static_cast<int16_t>(GetLE16(p));
}

int32_t S32(const uint8_t* p)
{
    return static_cast<int32_t>(GetLE32(p));
}

} // namespace

AviMainHeader DecodeMainHeader(const uint8_t* p)
{
    AviMainHeader h;
    h.dwMicroSecPerFrame = GetLE32(p);
    h.dwMaxBytesPerSec = GetLE32(p + 4);
    h.dwPaddingGranularity = GetLE32(p + 8);
    h.dwFlags = GetLE32(p + 12);
    h.dwTotalFrames = GetLE32(p + 16);
    h.dwInitialFrames = GetLE32(p + 20);
    h.dwStreams = GetLE32(p + 24);
    h.dwSuggestedBufferSize = GetLE32(p + 28);
    h.dwWidth = GetLE32(p + 32);
    h.dwHeight = GetLE32(p + 36);
    for (int i = 0; i < 4; ++i)
        h.dwReserved[i] = GetLE32(p + 40 + 4 * i);
    return h;
}

AviStreamHeader DecodeStreamHeader(const uint8_t* p)
{
    AviStreamHeader h;
    h.fccType = GetLE32(p);
    h.fccHandler = GetLE32(p + 4);
    h.dwFlags = GetLE32(p + 8);
    h.wPriority = GetLE16(p + 12);
    h.wLanguage = GetLE16(p + 14);
    h.dwInitialFrames = GetLE32(p + 16);
    h.dwScale = GetLE32(p + 20);
    h.dwRate = GetLE32(p + 24);
    h.dwStart = GetLE32(p + 28);
    h.dwLength = GetLE32(p + 32);
    h.dwSuggestedBufferSize = GetLE32(p + 36);
    h.dwQuality = GetLE32(p + 40);
    h.dwSampleSize = GetLE32(p + 44);
    h.rcLeft = S16(p + 48);
    h.rcTop = S16(p + 50);
    h.rcRight = S16(p + 52);
    h.rcBottom = S16(p + 54);
    return h;
}

OdmlHeader DecodeOdmlHeader(const uint8_t* p)
{
    OdmlHeader h;
    h.dwTotalFrames = GetLE32(p);
    for (size_t i = 0; i < h.dwReserved.size(); ++i)
        h.dwReserved[i] = GetLE32(p + 4 + 4 * i);
    return h;
}

AviIndexHeader DecodeIndexHeader(const uint8_t* p)
{
    AviIndexHeader h;
    h.wLongsPerEntry = GetLE16(p);
    h.bIndexSubType = p[2];
    h.bIndexType = p[3];
    h.nEntriesInUse = GetLE32(p + 4);
    h.dwChunkId = GetLE32(p + 8);
    h.qwBaseOffset = GetLE64(p + 12);
    h.dwReserved3 = GetLE32(p + 20);
    return h;
}

AviSuperIndexHead DecodeSuperIndexHead(const uint8_t* p)
{
    AviSuperIndexHead h;
    h.header = DecodeIndexHeader(p);
    for (size_t i = 0; i < h.entries.size(); ++i) {
        const uint8_t* e = p + AviIndexHeader::kSize + 16 * i;
        h.entries[i].qwOffset = GetLE64(e);
        h.entries[i].dwSize = GetLE32(e + 8);
        h.entries[i].dwDuration = GetLE32(e + 12);
    }
    return h;
}

} // namespace formats
