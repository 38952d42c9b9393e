#include "platform/filters/ColorSpaceConverter.h"

#include <algorithm>

#include "platform/dshow/FilterRegistry.h"

namespace ds {
namespace {

const Guid* const kRgbOutputs[] = {&MEDIASUBTYPE_RGB32, &MEDIASUBTYPE_RGB24, &MEDIASUBTYPE_RGB565,
                                   &MEDIASUBTYPE_RGB555};

int64_t FrameTime(const MediaType& mt)
{
    auto vih = mt.GetVideoInfo();
    return vih ? vih->AvgTimePerFrame : 0;
}

} // namespace

bool IsRgbOutput(const Guid& subtype)
{
    return std::any_of(std::begin(kRgbOutputs), std::end(kRgbOutputs), [&](const Guid* g) { return *g == subtype; });
}

HRESULT OfferRgbOutput(int position, int width, int height, int64_t frameTime, MediaType& mt)
{
    if (position < 0 || position >= static_cast<int>(std::size(kRgbOutputs)))
        return VFW_S_NO_MORE_ITEMS;
    mt = PictureType(*kRgbOutputs[position], width, height, frameTime);
    return mt.majortype.IsNull() ? VFW_S_NO_MORE_ITEMS : S_OK;
}

ColorSpaceConverter::ColorSpaceConverter() : TBCTransformFilter(kFriendlyName)
{
}

HRESULT ColorSpaceConverter::CheckInputType(const MediaType& mt)
{
    return LayoutOf(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT ColorSpaceConverter::CheckTransform(const MediaType& in, const MediaType& out)
{
    auto from = LayoutOf(in), to = LayoutOf(out);
    if (!from || !to || !IsRgbOutput(out.subtype) || from->width != to->width || from->height != to->height)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT ColorSpaceConverter::GetMediaType(int position, MediaType& mt)
{
    const MediaType& in = Input()->CurrentMediaType();
    auto from = LayoutOf(in);
    if (!from)
        return VFW_S_NO_MORE_ITEMS;
    return OfferRgbOutput(position, from->width, from->height, FrameTime(in), mt);
}

HRESULT ColorSpaceConverter::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    auto to = LayoutOf(Output()->CurrentMediaType());
    if (!to)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return allocator.Require(request, 2, static_cast<int32_t>(to->size));
}

HRESULT ColorSpaceConverter::StartStreaming()
{
    in_ = LayoutOf(Input()->CurrentMediaType());
    out_ = LayoutOf(Output()->CurrentMediaType());
    passThrough_ = in_ && out_ && in_->SameAs(*out_);
    converter_.Reset();
    return S_OK;
}

HRESULT ColorSpaceConverter::Receive(const SamplePtr& sample)
{
    if (!passThrough_ || !Output()->IsConnected())
        return TBCTransformFilter::Receive(sample);
    if (static_cast<size_t>(sample->GetActualDataLength()) < in_->size)
        return S_OK; // too short for its picture: dropped
    return DeliverResult(S_OK, sample);
}

HRESULT ColorSpaceConverter::Transform(MediaSample& in, MediaSample& out)
{
    out.SetMediaType(nullptr);
    if (!in_ || !out_ || static_cast<size_t>(in.GetActualDataLength()) < in_->size ||
        static_cast<size_t>(out.GetSize()) < out_->size)
        return S_FALSE;
    if (!converter_.Convert(in_->Planes(in.GetPointer()), out_->Planes(out.GetPointer())))
        return S_FALSE;
    out.SetActualDataLength(static_cast<int32_t>(out_->size));
    return S_OK;
}

void RegisterColorSpaceConverterFilter(FilterRegistry& registry)
{
    registry.Register(FilterEntry{ColorSpaceConverter::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x1643E180, 0x90F5, 0x11CE, {0x97, 0xD5, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}},
                                  MERIT_NORMAL, [] { return std::make_shared<ColorSpaceConverter>(); },
                                  [](const MediaType& mt) { return LayoutOf(mt).has_value(); }});
}

} // namespace ds
