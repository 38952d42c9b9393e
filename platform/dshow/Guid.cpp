#include "platform/dshow/Guid.h"

#include <cstdio>

#include "platform/rtl/ByteOrder.h"

namespace ds {

namespace {
constexpr Guid Make(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4)
{
    return Guid{d1, d2, d3, d4};
}
constexpr std::array<uint8_t, 8> kFourCCTail{0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
} // namespace

Guid Guid::FromFourCC(uint32_t fourcc)
{
    return Make(fourcc, 0x0000, 0x0010, kFourCCTail);
}

bool Guid::IsNull() const
{
    return *this == Guid{};
}

bool Guid::IsFourCC() const
{
    return data2 == 0 && data3 == 0x0010 && data4 == kFourCCTail;
}

std::string Guid::ToString() const
{
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return text;
}

const Guid GUID_NULL{};

const Guid MEDIATYPE_Video = Guid::FromFourCC(rtl::FourCC("vids"));
const Guid MEDIATYPE_Audio = Guid::FromFourCC(rtl::FourCC("auds"));
const Guid MEDIATYPE_Interleaved = Guid::FromFourCC(rtl::FourCC("iavs"));
const Guid MEDIATYPE_Stream = Make(0xE436EB83, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});

const Guid MEDIASUBTYPE_dvsd = Guid::FromFourCC(rtl::FourCC("dvsd"));
const Guid MEDIASUBTYPE_dv25 = Guid::FromFourCC(rtl::FourCC("dv25"));
const Guid MEDIASUBTYPE_dvhd = Guid::FromFourCC(rtl::FourCC("dvhd"));
const Guid MEDIASUBTYPE_dvsl = Guid::FromFourCC(rtl::FourCC("dvsl"));
const Guid MEDIASUBTYPE_RGB24 = Make(0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
const Guid MEDIASUBTYPE_RGB32 = Make(0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
const Guid MEDIASUBTYPE_RGB565 = Make(0xE436EB7B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
const Guid MEDIASUBTYPE_RGB555 = Make(0xE436EB7C, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
const Guid MEDIASUBTYPE_YUY2 = Guid::FromFourCC(rtl::FourCC("YUY2"));
const Guid MEDIASUBTYPE_UYVY = Guid::FromFourCC(rtl::FourCC("UYVY"));
const Guid MEDIASUBTYPE_I420 = Guid::FromFourCC(rtl::FourCC("I420"));
const Guid MEDIASUBTYPE_YV12 = Guid::FromFourCC(rtl::FourCC("YV12"));
const Guid MEDIASUBTYPE_Y41B = Guid::FromFourCC(rtl::FourCC("Y41B"));
const Guid MEDIASUBTYPE_PCM = Guid::FromFourCC(1);
const Guid MEDIASUBTYPE_IEEE_FLOAT = Guid::FromFourCC(3);
const Guid MEDIASUBTYPE_WAVE = Make(0xE436EB8B, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});
const Guid MEDIASUBTYPE_Avi = Make(0xE436EB88, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70});

const Guid FORMAT_None = Make(0x0F6417D6, 0xC318, 0x11D0, {0xA4, 0x3F, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96});
const Guid FORMAT_VideoInfo = Make(0x05589F80, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});
const Guid FORMAT_WaveFormatEx = Make(0x05589F81, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});
const Guid FORMAT_DvInfo = Make(0x05589F84, 0xC356, 0x11CE, {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A});

const Guid TIME_FORMAT_NONE{};
const Guid TIME_FORMAT_MEDIA_TIME = Make(0x7B785574, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6});
const Guid TIME_FORMAT_FRAME = Make(0x7B785570, 0x8C82, 0x11CF, {0xBC, 0x0C, 0x00, 0xAA, 0x00, 0xAC, 0x74, 0xF6});

const Guid CLSID_LegacyAmFilterCategory =
    Make(0x083863F1, 0x70DE, 0x11D0, {0xBD, 0x40, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86});
const Guid CLSID_VideoCompressorCategory =
    Make(0x33D9A760, 0x90C8, 0x11D0, {0xBD, 0x43, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86});

} // namespace ds
