#include "media/dv_deinter.h"

#include "media/deinter.h"

namespace media {

using namespace ds;

Tdv_deinter::Tdv_deinter() : TBCTransInPlaceFilter(kFilterName)
{
}

HRESULT Tdv_deinter::CheckInputType(const MediaType& mt)
{
    Rgb24Picture picture;
    return Rgb24Picture::FromMediaType(mt, picture) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_deinter::StartStreaming()
{
    if (!Rgb24Picture::FromMediaType(Input()->CurrentMediaType(), picture_)) {
        picture_ = Rgb24Picture();
        return S_FALSE;
    }
    scratch_.reserve(static_cast<size_t>(picture_.Width));
    return S_OK;
}

HRESULT Tdv_deinter::Transform(MediaSample& sample)
{
    if (picture_.Width == 0 || sample.GetActualDataLength() < picture_.ImageSize)
        return E_FAIL;
    DeinterlaceBitmap(picture_.TopRow(sample.GetPointer()), picture_.RowStep(), picture_.Width, picture_.Height,
                      scratch_);
    return S_OK;
}

} // namespace media
