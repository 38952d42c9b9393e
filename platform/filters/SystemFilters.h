#pragma once
// The system filters: file source and writer, AVI and DV splitters and muxers, tee, null
// renderer, and the codec filters (DV decoder and encoder, ACM Wrapper, Color Space Converter,
// AVI Decompressor). The program, and every test or bench that builds graphs, registers them once.
#include "platform/dshow/FilterRegistry.h"

namespace ds {

void RegisterSystemFilters(FilterRegistry& registry);

} // namespace ds
