#pragma once
// What the analysis asks of the probe graph, and the hook through which it asks. The probe
// module installs its TdmList::ProbeFile here at start-up, before any list or scan thread runs;
// until then (and in programs without graphs) the analysis reads the stream formats from the AVI
// headers alone, and the first frame's date, time code and aspect stay unknown.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "formats/dvcodes.h"
#include "platform/rtl/DateTime.h"

namespace actions {

struct ProbeOptions {
    // Read the handler code of the last video or interleaved stream header as "dvsd", in memory:
    // the second try for files whose codec code the DV filters do not know.
    bool forceDv = false;
};

// One probe's answers, by value: nothing is shared between probes.
struct ProbeResult {
    bool ok = false; // every stream was visited
    uint8_t ListVideoKnown = 0;
    uint8_t ListAudioKnown = 0;
    uint8_t ListDVInfoKnown = 0;
    std::array<uint8_t, 88> ListVideoFormat{}; // VIDEOINFOHEADER
    std::array<uint8_t, 18> ListAudioFormat{}; // WAVEFORMATEX
    std::array<uint8_t, 32> ListDVInfo{};      // DVINFO
    int32_t ListStreamCount = 0;
    int64_t ListVideoDuration = 0; // 100 ns
    int64_t ListAudioDuration = 0; // 100 ns
    uint8_t ListWideScreen = 0;
    rtl::TDateTime ListRecDate = 0;
    formats::DVTimeCode ListTimecode;
    uint8_t ListDateValid = 0;
    uint8_t ListTimecodeValid = 0;
};

// Probes one file; called from the list, scan and GUI threads, so it serialises itself.
using ProbeFunction = std::function<ProbeResult(const std::string& fileName, const ProbeOptions& options)>;

// Installed once at start-up, before any analysis; an empty function goes back to the headers.
void InstallProbe(ProbeFunction probe);
const ProbeFunction& InstalledProbe();

} // namespace actions
