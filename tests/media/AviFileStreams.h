#pragma once
// What the conversion tests read back from the files the graphs write: the streams of an AVI
// file and the bytes of their chunks, the recording dates of DV frames; and a burn-in built, a
// scene scan's end set and a conversion run to its end through the module.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "formats/AviDemux.h"
#include "formats/RiffChunk.h"
#include "formats/dvcodes.h"
#include "formats/scenes.h"
#include "media/ConvertirDVunit.h"
#include "platform/dshow/FilterRegistry.h"
#include "tests/kit/TempDir.h"
#include "tests/media/MediaTestKit.h"

namespace mediatest {

struct AviFileStreams {
    std::string bytes;
    formats::AviDemuxResult avi;

    explicit AviFileStreams(const std::string& path) : bytes(testkit::ReadFileBytes(path))
    {
        avi = formats::ParseAvi(formats::MemorySource(bytes));
    }
    size_t Count() const { return avi.streams.size(); }
    std::string Type(size_t s) const
    {
        const uint32_t f = avi.streams[s].fccType;
        return std::string{char(f), char(f >> 8), char(f >> 16), char(f >> 24)};
    }
    std::vector<uint8_t> Chunk(size_t s, size_t k) const
    {
        const auto& c = avi.streams[s].chunks[k];
        return std::vector<uint8_t>(bytes.begin() + c.offset, bytes.begin() + c.offset + c.size);
    }
    std::vector<std::vector<uint8_t>> Chunks(size_t s) const
    {
        std::vector<std::vector<uint8_t>> all;
        for (size_t k = 0; k < avi.streams[s].chunks.size(); ++k)
            all.push_back(Chunk(s, k));
        return all;
    }
    std::vector<uint8_t> Joined(size_t s) const
    {
        std::vector<uint8_t> all;
        for (size_t k = 0; k < avi.streams[s].chunks.size(); ++k) {
            const auto c = Chunk(s, k);
            all.insert(all.end(), c.begin(), c.end());
        }
        return all;
    }
    // The first stream of that fourcc type ("vids", "auds", "iavs"), or -1.
    int Find(const std::string& type) const
    {
        for (size_t s = 0; s < Count(); ++s)
            if (Type(s) == type)
                return static_cast<int>(s);
        return -1;
    }
};

// The video frames of a converted file (its interleaved stream, or its video stream).
inline std::vector<std::vector<uint8_t>> VideoFrames(const std::string& path)
{
    const AviFileStreams f(path);
    const int s = f.Find("vids") >= 0 ? f.Find("vids") : f.Find("iavs");
    return s >= 0 ? f.Chunks(s) : std::vector<std::vector<uint8_t>>{};
}

// The DV codec filters are registered (a build with FFmpeg's codecs).
inline bool HaveCodecFilters()
{
    return ds::FilterRegistry::Instance().Find("DV Video Decoder") != nullptr;
}

// Every recording date and time pair of a frame as "yyyy-mm-dd hh:nn:ss", one per copy.
inline std::vector<std::string> AllRecDates(std::vector<uint8_t> frame)
{
    std::vector<std::string> dates;
    for (size_t n = 0; n < frame.size() / formats::kDifSequenceSize; ++n)
        formats::ForEachRecDatePair(frame.data(), frame.size(), static_cast<int>(n), [&](uint8_t* d, uint8_t* t) {
            const formats::RecDateTime dt = formats::DecodeRecDatePacks(d, t);
            char text[32];
            std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", dt.Year, dt.Month, dt.Day, dt.Hour,
                          dt.Minute, dt.Second);
            dates.push_back(text);
        });
    return dates;
}

inline std::string TimeCode(const std::vector<uint8_t>& frame)
{
    const formats::DVTimeCode tc = formats::DecodeTimeCode(frame.data(), frame.size(), 0);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d:%02d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
    return text;
}

// Builds the burn-in of a type-1 or type-2 file with the text on every frame (or, `text` false,
// with the overlay off: a plain re-encode), at 100, 900 thousandths, left-aligned.
inline bool BuildBurnIn(media::TCdm& cdm, int type, const std::string& in, const std::string& out, bool text = true)
{
    if (!(type == 2 ? cdm.BuildDatecodeGraphType2(in, out, 1) : cdm.BuildDatecodeGraphType1(in, out, 1)))
        return false;
    EnsureGui(); // the text is drawn with Qt's fonts
    cdm.CdmSuperposer->SetIncrustOn(text);
    cdm.CdmSuperposer->SetAutoIncrust(0);
    cdm.CdmSuperposer->SetPosition(100, 900, 0);
    return true;
}

// Runs what the module just built, to its end, without cancelling.
inline media::ConversionOutcome RunToEnd(media::TCdm& cdm)
{
    return cdm.RunBuiltGraph([] { return false; }, nullptr);
}

// The scene scan's end for `scn`, opened on `video`: closed into the ".scn" when the run
// completes, discarded when it does not.
inline void SetScnEnd(media::TCdm& cdm, formats::ScnFileWriter& scn, const std::string& video)
{
    cdm.SetSceneEnd(
        formats::ScnFileName(video), [&scn] { return scn.CloseScnFile() ? 0 : EIO; }, [&scn] { scn.Discard(); });
}

using testkit::FolderNames;

} // namespace mediatest
