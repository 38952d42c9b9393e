#pragma once
// TdmList: the probe graph. Tells the per-file analysis what streams an AVI file holds, their
// formats and durations, and what its first DV frame says (recording date, time code, aspect).
// Each probe builds a new graph around the file, pauses it once per stream so that the first
// samples reach the renderer, reads the connection types and the scene detector's record, and
// tears the graph down, which closes the file. The graph never runs; the file is opened read-only.
//
//   media::ProbeResult r = media::dmList().ProbeFile(path);
//   if (r.ListVideoKnown) { ds::VideoInfoHeader v = r.VideoFormat(); ... }
//
// Threads: the list thread, the folder-scan thread and the GUI thread all probe. One probe runs at
// a time (a mutex held from the start of the probe until its result is built); the result is the
// caller's own copy. The probe never calls the GUI thread, so the GUI thread may wait on the lock.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "formats/dvcodes.h"
#include "platform/dshow/FormatBlocks.h"
#include "platform/dshow/GraphComponents.h"
#include "platform/rtl/DateTime.h"

namespace media {

class Tdv_sceneDetect;

struct ProbeOptions {
    // Read the handler of the last "vids" or "iavs" header as "dvsd": what a probe of the file
    // patched to "dvsd" would give, without the patch.
    bool forceDv = false;
};

struct ProbeResult {
    // Every stream of the AVI Splitter was visited. False when the file could not be loaded, an
    // interleaved stream could not be split, or the build failed; what was found before stays.
    bool ok = false;

    std::array<uint8_t, ds::VideoInfoHeader::kSize> ListVideoFormat{}; // VIDEOINFOHEADER of the first video
    std::array<uint8_t, 18> ListAudioFormat{};                         // WAVEFORMATEX of the first sound
    std::array<uint8_t, 32> ListDVInfo{};                              // DVINFO of the first interleaved stream
    uint8_t ListVideoKnown = 0;                                        // the format above was filled by this probe
    uint8_t ListAudioKnown = 0;
    uint8_t ListDVInfoKnown = 0;
    int32_t ListStreamCount = 0;   // the AVI Splitter's outputs, one per stream
    int64_t ListVideoDuration = 0; // 100 ns; meaningful with ListVideoKnown (or ListDVInfoKnown)
    int64_t ListAudioDuration = 0; // 100 ns; meaningful with ListAudioKnown (or ListDVInfoKnown)

    // The first DV frame that reached the scene detector in this probe.
    uint8_t ListWideScreen = 0;
    rtl::TDateTime ListRecDate = 0;
    formats::DVTimeCode ListTimecode;
    uint8_t ListDateValid = 0;
    uint8_t ListTimecodeValid = 0;

    // The format blocks decoded (meaningless when their Known flag is 0).
    ds::VideoInfoHeader VideoFormat() const;
    ds::WaveFormatEx AudioFormat() const;
    ds::DvInfo DVInfo() const;

    friend bool operator==(const ProbeResult& a, const ProbeResult& b);
};

class TdmList {
public:
    TdmList();
    ~TdmList(); // stops and destroys the graph
    TdmList(const TdmList&) = delete;
    TdmList& operator=(const TdmList&) = delete;

    ProbeResult ProbeFile(const std::string& fileName, ProbeOptions options = {});

private:
    ProbeResult Probe(const std::string& fileName, const ProbeOptions& options);
    bool LoadSource(const std::string& fileName);
    // Pause, wait at most a second for the first samples, and come back.
    void PauseOnce();
    void CopyFirstFrame(ProbeResult& r);
    void CleanUp();

    std::mutex probeLock_; // one probe at a time; guards everything below
    ds::GraphComponent listfg;
    ds::FilterComponent avisplitter, dvsplitter, nullrender, source;
    std::shared_ptr<Tdv_sceneDetect> ListSceneDetect; // lives as long as the module
};

// The program's one probe module.
TdmList& dmList();

} // namespace media
