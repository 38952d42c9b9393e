#pragma once
// The output format setting of a converter's output pin (IAMStreamConfig): a graph builder asks
// an audio or video converter for a given output type before or after connecting it.
//   if (auto* cfg = QueryPin<StreamConfig>(acm->GetPin(1))) cfg->SetFormat(pcm48k);
#include "platform/dshow/MediaType.h"
#include "platform/dshow/Result.h"

namespace ds {

class StreamConfig {
public:
    virtual ~StreamConfig() = default;
    // Takes effect at the next connection, or reconnects an existing one with the new type.
    virtual HRESULT SetFormat(const MediaType& mt) = 0;
    virtual HRESULT GetFormat(MediaType& mt) = 0;
};

} // namespace ds
