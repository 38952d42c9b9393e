#pragma once
// "Null Renderer": takes any type and discards the samples (after holding the first one while
// paused, like every renderer). Pins: [In].
#include "platform/dshow/BaseRenderer.h"

namespace ds {

class NullRenderer : public BaseRenderer {
public:
    static constexpr const char* kFriendlyName = "Null Renderer";
    NullRenderer() : BaseRenderer(kFriendlyName) {}
    HRESULT CheckMediaType(const MediaType&) override { return S_OK; }
    HRESULT DoRenderSample(MediaSample&) override { return S_OK; }
};

} // namespace ds
