#include "media/Rgb24Picture.h"

namespace media {

bool Rgb24Picture::FromMediaType(const ds::MediaType& mt, Rgb24Picture& out)
{
    if (mt.majortype != ds::MEDIATYPE_Video || mt.subtype != ds::MEDIASUBTYPE_RGB24 ||
        mt.formattype != ds::FORMAT_VideoInfo)
        return false;
    const auto vih = mt.GetVideoInfo();
    if (!vih)
        return false;
    const auto& bmi = vih->bmiHeader;
    if (bmi.biBitCount != 24 || bmi.biCompression != 0 || bmi.biWidth < 1 || bmi.biWidth > kMaxSide ||
        bmi.biHeight == 0 || bmi.biHeight < -kMaxSide || bmi.biHeight > kMaxSide)
        return false;
    out.Width = bmi.biWidth;
    out.Height = bmi.biHeight < 0 ? -bmi.biHeight : bmi.biHeight;
    out.TopDown = bmi.biHeight < 0;
    out.Stride = (int64_t{3} * out.Width + 3) & ~int64_t{3};
    out.ImageSize = out.Stride * out.Height;
    return true;
}

} // namespace media
