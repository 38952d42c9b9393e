// The system filters of the registry. Each filter file registers itself through a
// Register...Filter(FilterRegistry&) function called from here.
#include "platform/filters/SystemFilters.h"

#include "platform/filters/AcmWrapper.h"
#include "platform/filters/AudioRenderer.h"
#include "platform/filters/AviDecompressor.h"
#include "platform/filters/AviMux.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/ColorSpaceConverter.h"
#include "platform/filters/DvMuxer.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/FileSource.h"
#include "platform/filters/FileWriter.h"
#include "platform/filters/InfTee.h"
#include "platform/filters/NullRenderer.h"
#include "platform/filters/VideoRenderer.h"

namespace ds {

namespace {
Guid MakeClsid(uint32_t d1, uint16_t d2, uint16_t d3, std::array<uint8_t, 8> d4)
{
    return Guid{d1, d2, d3, d4};
}
} // namespace

void RegisterSystemFilters(FilterRegistry& registry)
{
    registry.Register(
        FilterEntry{NullRenderer::kFriendlyName, CLSID_LegacyAmFilterCategory,
                    MakeClsid(0xC1F400A4, 0x3F08, 0x11D3, {0x9F, 0x0B, 0x00, 0x60, 0x08, 0x03, 0x9E, 0x37}),
                    MERIT_DO_NOT_USE, [] { return std::make_shared<NullRenderer>(); }, nullptr});
    registry.Register(
        FilterEntry{InfTee::kFriendlyName, CLSID_LegacyAmFilterCategory,
                    MakeClsid(0xF8388A40, 0xD5BB, 0x11D0, {0xBE, 0x5A, 0x00, 0x80, 0xC7, 0x06, 0x56, 0x8E}),
                    MERIT_DO_NOT_USE, [] { return std::make_shared<InfTee>(); }, nullptr});
    registry.Register(
        FilterEntry{FileWriter::kFriendlyName, CLSID_LegacyAmFilterCategory,
                    MakeClsid(0x8596E5F0, 0x0DA5, 0x11D0, {0xBD, 0x21, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}),
                    MERIT_DO_NOT_USE, [] { return std::make_shared<FileWriter>(); }, nullptr});
    RegisterFileSourceFilter(registry);
    RegisterAviSplitterFilter(registry);
    RegisterDvSplitterFilter(registry);
    RegisterDvMuxerFilter(registry);
    RegisterAviMuxFilter(registry);
    av::QuietLogs();
    RegisterDvVideoDecoderFilter(registry);
    RegisterDvVideoEncoderFilter(registry);
    RegisterAcmWrapperFilter(registry);
    RegisterColorSpaceConverterFilter(registry);
    RegisterAviDecompressorFilter(registry);
    RegisterVideoRendererFilter(registry);
    RegisterAudioRendererFilter(registry);
}

} // namespace ds
