#pragma once
// A media type: major type, subtype, format type and the format block as raw bytes in the
// Windows layouts (see FormatBlocks.h). Pins agree on one during connection; a type given as a
// "partial" type leaves zero fields as wildcards (MatchesPartial).
//
//   MediaType mt = MediaType::Video(MEDIASUBTYPE_dvsd, vih);   // typed construction
//   if (auto vih = mt.GetVideoInfo()) frameTime = vih->AvgTimePerFrame;
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/FormatBlocks.h"
#include "platform/dshow/Guid.h"

namespace ds {

class MediaType {
public:
    Guid majortype;
    Guid subtype;
    bool bFixedSizeSamples = true;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    Guid formattype;
    std::vector<uint8_t> format; // the format block; its size is cbFormat

    MediaType() = default;
    MediaType(const Guid& major, const Guid& sub, const Guid& formatType = GUID_NULL)
        : majortype(major), subtype(sub), formattype(formatType)
    {
    }

    static MediaType Video(const Guid& sub, const VideoInfoHeader& vih);
    static MediaType Audio(const WaveFormatEx& wfx); // subtype from wFormatTag
    static MediaType Interleaved(const Guid& sub, const DvInfo& info);

    size_t cbFormat() const { return format.size(); }
    const uint8_t* pbFormat() const { return format.empty() ? nullptr : format.data(); }

    // Typed views of the format block: empty when the format type differs or the block is short.
    std::optional<VideoInfoHeader> GetVideoInfo() const;
    std::optional<WaveFormatEx> GetWaveFormat() const;
    std::optional<DvInfo> GetDvInfo() const;
    void SetVideoInfo(const VideoInfoHeader& vih);
    void SetWaveFormat(const WaveFormatEx& wfx);
    void SetDvInfo(const DvInfo& info);

    // True when every non-zero field of `partial` equals this type's: null GUIDs and an empty
    // format block are wildcards.
    bool MatchesPartial(const MediaType& partial) const;
    // All three GUIDs given: a type that can be tried as it stands.
    bool IsFullySpecified() const { return !majortype.IsNull() && !subtype.IsNull() && !formattype.IsNull(); }

    std::string Describe() const; // for diagnostics: "vids/dvsd/VideoInfo(88)"

    friend bool operator==(const MediaType&, const MediaType&) = default;
};

} // namespace ds
