#pragma once
// Ids of the string table. Each subsystem has its own range.

namespace rtl::sid {

// Names of the WAVE format tags: sWaveFormatBase + tag, for the registered tags.
constexpr int sWaveFormatBase = 60000;
constexpr int sWaveFormatUnknown = 59999;

} // namespace rtl::sid
