#pragma once
// "Color Space Converter": pictures from one layout to another of the same size. Pins: [In, Out].
// Takes RGB24, RGB32, RGB565, RGB555 (either row order), YUY2, UYVY, I420, YV12 and Y41B; offers
// RGB32, RGB24, RGB565 and RGB555 in this order, as bottom-up DIBs, and takes a top-down RGB
// output a renderer asks for. When the output's layout is the input's the samples pass through as they
// are. A sample too short for its picture is dropped.
#include <optional>

#include "platform/dshow/TransformFilter.h"
#include "platform/filters/PictureConverter.h"

namespace ds {

class FilterRegistry;

class ColorSpaceConverter : public TBCTransformFilter {
public:
    static constexpr const char* kFriendlyName = "Color Space Converter";
    ColorSpaceConverter();

    HRESULT CheckInputType(const MediaType& mt) override;
    HRESULT CheckTransform(const MediaType& in, const MediaType& out) override;
    HRESULT GetMediaType(int position, MediaType& mt) override;
    HRESULT DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request) override;
    HRESULT StartStreaming() override;
    HRESULT Receive(const SamplePtr& sample) override;
    HRESULT Transform(MediaSample& in, MediaSample& out) override;

private:
    // Streaming state, set at StartStreaming (under the receive lock).
    std::optional<PictureLayout> in_, out_;
    bool passThrough_ = false;
    PictureConverter converter_;
};

// The RGB outputs of the picture converters (this one and the AVI Decompressor), in their order.
bool IsRgbOutput(const Guid& subtype);
HRESULT OfferRgbOutput(int position, int width, int height, int64_t frameTime, MediaType& mt);

void RegisterColorSpaceConverterFilter(FilterRegistry& registry);

} // namespace ds
