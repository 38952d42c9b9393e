#pragma once
// The probe's answers as far as the AVI headers give them, for runs without the probe graph:
// each stream's format as the AVI Splitter offers it, the DV Splitter's outputs for an
// interleaved DV stream (from its DVINFO), durations from the stream headers. Nothing of the
// first frame: its date, time code and aspect stay unknown.
#include "actions/ProbeResult.h"

namespace formats {
class TAviParam;
}

namespace actions {

// `avi` is nullptr when the file could not be opened: the probe then fails, as the file source's
// load would.
ProbeResult ProbeFromHeaders(const formats::TAviParam* avi, const ProbeOptions& options);

} // namespace actions
