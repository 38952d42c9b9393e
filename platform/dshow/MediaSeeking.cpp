#include "platform/dshow/MediaSeeking.h"

namespace ds {

HRESULT MediaSeeking::SetTimeFormat(const Guid& format)
{
    if (IsFormatSupported(format) != S_OK)
        return E_INVALIDARG;
    timeFormat_ = format;
    return S_OK;
}

HRESULT MediaSeeking::ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                                        const Guid* sourceFormat)
{
    const Guid& to = targetFormat ? *targetFormat : timeFormat_;
    const Guid& from = sourceFormat ? *sourceFormat : timeFormat_;
    if (to != from)
        return E_INVALIDARG;
    target = source;
    return S_OK;
}

} // namespace ds
