#include "platform/rtl/FormatRecords.h"

#include "platform/rtl/ByteOrder.h"

namespace rtl {

BitmapInfoHeader DecodeBitmapInfo(const uint8_t* p)
{
    BitmapInfoHeader h;
    h.biSize = GetLE32(p);
    h.biWidth = static_cast<int32_t>(GetLE32(p + 4));
    h.biHeight = static_cast<int32_t>(GetLE32(p + 8));
    h.biPlanes = GetLE16(p + 12);
    h.biBitCount = GetLE16(p + 14);
    h.biCompression = GetLE32(p + 16);
    h.biSizeImage = GetLE32(p + 20);
    h.biXPelsPerMeter = static_cast<int32_t>(GetLE32(p + 24));
    h.biYPelsPerMeter = static_cast<int32_t>(GetLE32(p + 28));
    h.biClrUsed = GetLE32(p + 32);
    h.biClrImportant = GetLE32(p + 36);
    return h;
}

DvInfo DecodeDvInfo(const uint8_t* p)
{
    DvInfo d;
    d.dwDVAAuxSrc = GetLE32(p);
    d.dwDVAAuxCtl = GetLE32(p + 4);
    d.dwDVAAuxSrc1 = GetLE32(p + 8);
    d.dwDVAAuxCtl1 = GetLE32(p + 12);
    d.dwDVVAuxSrc = GetLE32(p + 16);
    d.dwDVVAuxCtl = GetLE32(p + 20);
    d.dwDVReserved0 = GetLE32(p + 24);
    d.dwDVReserved1 = GetLE32(p + 28);
    return d;
}

WaveFormatEx DecodeWaveFormat(const uint8_t* p)
{
    WaveFormatEx w;
    w.wFormatTag = GetLE16(p);
    w.nChannels = GetLE16(p + 2);
    w.nSamplesPerSec = GetLE32(p + 4);
    w.nAvgBytesPerSec = GetLE32(p + 8);
    w.nBlockAlign = GetLE16(p + 12);
    w.wBitsPerSample = GetLE16(p + 14);
    w.cbSize = GetLE16(p + 16);
    return w;
}

void EncodeBitmapInfo(const BitmapInfoHeader& h, uint8_t* p)
{
    PutLE32(p, h.biSize);
    PutLE32(p + 4, static_cast<uint32_t>(h.biWidth));
    PutLE32(p + 8, static_cast<uint32_t>(h.biHeight));
    PutLE16(p + 12, h.biPlanes);
    PutLE16(p + 14, h.biBitCount);
    PutLE32(p + 16, h.biCompression);
    PutLE32(p + 20, h.biSizeImage);
    PutLE32(p + 24, static_cast<uint32_t>(h.biXPelsPerMeter));
    PutLE32(p + 28, static_cast<uint32_t>(h.biYPelsPerMeter));
    PutLE32(p + 32, h.biClrUsed);
    PutLE32(p + 36, h.biClrImportant);
}

void EncodeDvInfo(const DvInfo& d, uint8_t* p)
{
    const uint32_t fields[8] = {d.dwDVAAuxSrc, d.dwDVAAuxCtl, d.dwDVAAuxSrc1,  d.dwDVAAuxCtl1,
                                d.dwDVVAuxSrc, d.dwDVVAuxCtl, d.dwDVReserved0, d.dwDVReserved1};
    for (int i = 0; i < 8; ++i)
        PutLE32(p + 4 * i, fields[i]);
}

void EncodeWaveFormat(const WaveFormatEx& w, uint8_t* p)
{
    PutLE16(p, w.wFormatTag);
    PutLE16(p + 2, w.nChannels);
    PutLE32(p + 4, w.nSamplesPerSec);
    PutLE32(p + 8, w.nAvgBytesPerSec);
    PutLE16(p + 12, w.nBlockAlign);
    PutLE16(p + 14, w.wBitsPerSample);
    PutLE16(p + 16, w.cbSize);
}

} // namespace rtl
