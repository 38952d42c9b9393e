#pragma once
// Texts around the media framework: durations, WAVE format names, the DirectX version.
#include <cstdint>
#include <string>

#include "formats/RegistryStringReader.h"

namespace formats {

// "1h 02mn 03s 04fr" ... "12fr"; durations and the frame duration in 100 ns units. Frames count
// to the nearest (a duration within half a frame of a whole second is that second), so rounding
// to 100 ns loses none. A negative duration counts as 0; a frame duration of 0 or less gives 0
// frames.
std::string FramesDurationToStr(int64_t duration, int64_t frameDuration);
// "1h 02mn 03s 250ms" ... "250milliseconds"; a negative duration counts as 0.
std::string MsDurationToStr(int64_t duration);
// Registered name of a WAVE format tag without its WAVE_FORMAT_ prefix, else "Unknown".
std::string WaveFormatTagName(uint16_t tag);
// "9.0c" from the version value of the DirectX key; "Error" when it is missing or malformed.
std::string GetDirectXVersion(const RegistryStringReader& localMachine);

} // namespace formats
