#pragma once
// The per-file object of the list: the file's names, size and times (TSRFichier) and what its
// AVI headers and first DV frame say (TaviFichier), as the list, the information frame and the
// file actions show and test them. Built once, in any thread, and only read afterwards; holders
// keep a std::shared_ptr<const TAfficherFichier>, so a worker's object outlives its list entry.
#include <cstdint>
#include <string>
#include <string_view>

#include "actions/SRFichier.h"

namespace actions {

// Marker texts of the analysis.
inline constexpr std::string_view kNA = "N/A";    // no such datum (no video, no audio, no date)
inline constexpr std::string_view kNoDatum = "-"; // date and time code of a file that is not DV
// RecDateKey sentinels: single bytes, so they sort after the 14 digits and "N/A".
inline constexpr std::string_view kKeyNotDv = "\xFE";
inline constexpr std::string_view kKeyUnreadable = "\xFF";

class TaviFichier : public TSRFichier {
public:
    // Never raises for a bad file: every problem ends in the marker texts. Never writes to it.
    explicit TaviFichier(const std::string& fileName);

    std::string RecDateKey; // "yyyymmddhhnnss", "N/A", kKeyNotDv or kKeyUnreadable
    std::string Datecode;   // recording date as shown; "-" not DV, "" unreadable, "N/A" none
    rtl::TDateTime RecDate = 0;
    std::string Timecode;   // "hh.mm.ss.ff"; markers as Datecode
    std::string Codec;      // video codec code, at most 4 characters
    int32_t DVType = 0;     // 1 or 2; 0 when not DV
    bool Type2Iavs = false; // type 2 with a DV format block of an interleaved stream
    std::string Image;      // "720 x 576 (Pal 4x3)"; "N/A" without video
    int32_t Width = 0;
    int32_t Height = 0; // for DV the display height
    std::string Duree;  // video duration text
    double Fps = 0;     // 0 without video
    std::string Audio1; // rate, bits, channels; "N/A" without audio
    std::string AudioDuree;
    uint32_t DVVAuxSrc = 0;
    uint32_t VideoBitRate = 0;
    std::string Audio2;   // format name and bytes per second
    uint8_t Standard = 0; // 0 none, 1 PAL, 2 NTSC
    bool ScnExists = false;
    bool SrtExists = false;
    bool Valid = false; // the codec code is a DV one
    bool WideScreen = false;
    int32_t AudioRate = 0;
    int32_t AudioBits = 0;
    std::string Channels;
    std::string RecDateKey2;   // RecDateKey, LowerCase(FileName + FullName), tie-break, FullName
    int64_t VideoDuration = 0; // 100 ns; 0 when unknown
    int64_t AudioDuration = 0; // 100 ns; 0 when unknown

private:
    void MarkUnreadable();
};

// The class of every object the list holds.
class TAfficherFichier : public TaviFichier {
public:
    using TaviFichier::TaviFichier;

    int32_t Tag = 0; // free for the list's own use
};

} // namespace actions
