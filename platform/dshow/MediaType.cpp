#include "platform/dshow/MediaType.h"

namespace ds {

MediaType MediaType::Video(const Guid& sub, const VideoInfoHeader& vih)
{
    MediaType mt(MEDIATYPE_Video, sub, FORMAT_VideoInfo);
    mt.SetVideoInfo(vih);
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    return mt;
}

MediaType MediaType::Audio(const WaveFormatEx& wfx)
{
    MediaType mt(MEDIATYPE_Audio, Guid::FromFourCC(wfx.wFormatTag), FORMAT_WaveFormatEx);
    mt.SetWaveFormat(wfx);
    mt.lSampleSize = wfx.nBlockAlign;
    return mt;
}

MediaType MediaType::Interleaved(const Guid& sub, const DvInfo& info)
{
    MediaType mt(MEDIATYPE_Interleaved, sub, FORMAT_DvInfo);
    mt.SetDvInfo(info);
    return mt;
}

std::optional<VideoInfoHeader> MediaType::GetVideoInfo() const
{
    VideoInfoHeader vih;
    if (formattype != FORMAT_VideoInfo || !VideoInfoHeader::Parse(pbFormat(), cbFormat(), vih))
        return std::nullopt;
    return vih;
}

std::optional<WaveFormatEx> MediaType::GetWaveFormat() const
{
    WaveFormatEx wfx;
    if (formattype != FORMAT_WaveFormatEx || !WaveFormatEx::Parse(pbFormat(), cbFormat(), wfx))
        return std::nullopt;
    return wfx;
}

std::optional<DvInfo> MediaType::GetDvInfo() const
{
    DvInfo info;
    if (formattype != FORMAT_DvInfo || !DvInfo::Parse(pbFormat(), cbFormat(), info))
        return std::nullopt;
    return info;
}

void MediaType::SetVideoInfo(const VideoInfoHeader& vih)
{
    formattype = FORMAT_VideoInfo;
    format = vih.Bytes();
}

void MediaType::SetWaveFormat(const WaveFormatEx& wfx)
{
    formattype = FORMAT_WaveFormatEx;
    format = wfx.Bytes();
}

void MediaType::SetDvInfo(const DvInfo& info)
{
    formattype = FORMAT_DvInfo;
    format = info.Bytes();
}

bool MediaType::MatchesPartial(const MediaType& partial) const
{
    if (!partial.majortype.IsNull() && partial.majortype != majortype)
        return false;
    if (!partial.subtype.IsNull() && partial.subtype != subtype)
        return false;
    if (!partial.formattype.IsNull()) {
        if (partial.formattype != formattype)
            return false;
        if (!partial.format.empty() && partial.format != format)
            return false;
    }
    return true;
}

namespace {
std::string GuidName(const Guid& g)
{
    if (g.IsNull())
        return "*";
    if (g == FORMAT_VideoInfo)
        return "VideoInfo";
    if (g == FORMAT_WaveFormatEx)
        return "WaveFormatEx";
    if (g == FORMAT_DvInfo)
        return "DvInfo";
    if (g == FORMAT_None)
        return "None";
    if (g == MEDIATYPE_Stream)
        return "Stream";
    if (g == MEDIASUBTYPE_RGB24)
        return "RGB24";
    if (g == MEDIASUBTYPE_WAVE)
        return "WAVE";
    if (g.IsFourCC()) {
        std::string s;
        for (int i = 0; i < 4; ++i) {
            char c = static_cast<char>(g.data1 >> (8 * i));
            s += (c >= 32 && c < 127) ? c : '.';
        }
        return s;
    }
    return g.ToString();
}
} // namespace

std::string MediaType::Describe() const
{
    return GuidName(majortype) + "/" + GuidName(subtype) + "/" + GuidName(formattype) + "(" +
           std::to_string(format.size()) + ")";
}

} // namespace ds
