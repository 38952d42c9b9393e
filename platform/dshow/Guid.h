#pragma once
// Identifiers of media types, formats, time formats and filter classes. Media subtypes made from
// a four-character code use the framework's base layout {XXXXXXXX-0000-0010-8000-00AA00389B71},
// so a biCompression or wFormatTag maps to its subtype with Guid::FromFourCC.
#include <array>
#include <cstdint>
#include <string>

namespace ds {

struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    static Guid FromFourCC(uint32_t fourcc);
    bool IsNull() const;
    bool IsFourCC() const;        // made by FromFourCC
    std::string ToString() const; // "{E436EB83-524F-11CE-9F53-0020AF0BA770}"
    friend bool operator==(const Guid&, const Guid&) = default;
    friend auto operator<=>(const Guid&, const Guid&) = default;
};

extern const Guid GUID_NULL;

// Major types.
extern const Guid MEDIATYPE_Video;       // 'vids'
extern const Guid MEDIATYPE_Audio;       // 'auds'
extern const Guid MEDIATYPE_Interleaved; // 'iavs'
extern const Guid MEDIATYPE_Stream;

// Subtypes.
extern const Guid MEDIASUBTYPE_dvsd; // 'dvsd'
extern const Guid MEDIASUBTYPE_dv25;
extern const Guid MEDIASUBTYPE_dvhd;
extern const Guid MEDIASUBTYPE_dvsl;
extern const Guid MEDIASUBTYPE_RGB24;
extern const Guid MEDIASUBTYPE_RGB32;
extern const Guid MEDIASUBTYPE_RGB565;
extern const Guid MEDIASUBTYPE_RGB555;
extern const Guid MEDIASUBTYPE_YUY2;       // 'YUY2'
extern const Guid MEDIASUBTYPE_UYVY;       // 'UYVY'
extern const Guid MEDIASUBTYPE_I420;       // 'I420'
extern const Guid MEDIASUBTYPE_YV12;       // 'YV12'
extern const Guid MEDIASUBTYPE_Y41B;       // 'Y41B': planar 4:1:1, the NTSC DV picture
extern const Guid MEDIASUBTYPE_IEEE_FLOAT; // wFormatTag 3
extern const Guid MEDIASUBTYPE_PCM;        // wFormatTag 1
extern const Guid MEDIASUBTYPE_WAVE;
extern const Guid MEDIASUBTYPE_Avi;

// Format types.
extern const Guid FORMAT_None;
extern const Guid FORMAT_VideoInfo;
extern const Guid FORMAT_WaveFormatEx;
extern const Guid FORMAT_DvInfo;

// Time formats of the seeking interface.
extern const Guid TIME_FORMAT_NONE;
extern const Guid TIME_FORMAT_MEDIA_TIME;
extern const Guid TIME_FORMAT_FRAME;

// Filter categories of the registry.
extern const Guid CLSID_LegacyAmFilterCategory;
extern const Guid CLSID_VideoCompressorCategory;

} // namespace ds
