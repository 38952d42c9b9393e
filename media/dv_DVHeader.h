#pragma once
// Tdv_DVheader: the in-place filter that puts the source's recording data back into re-encoded
// DV frames and shifts recording dates. Pins [In, Out]; takes interleaved DV (any subtype) or
// dvsd video.
//
// CopyHeaders: the blocks the detector saved from the source frame with the same start time
// (FindFrame) go back over the new frame's: whole 480-byte runs when both frames are of one
// standard, else only the subcode and VAUX packs (see RestoreHeaders). A frame with no saved
// match, or without a detector, is left as encoded and counted.
// Offset: every recording date and time pair of every sequence is shifted from its own value.
// Samples that are not whole DV frames are dropped (S_FALSE).
//
// The settings may be set from any thread; a frame reads each once.
#include <atomic>
#include <cstdint>

#include "media/dv_scenedetect.h"
#include "platform/dshow/TransInPlaceFilter.h"

namespace media {

class Tdv_DVheader : public ds::TBCTransInPlaceFilter {
public:
    static constexpr const char* kFilterName = "Ivor Varnet cf_DVHeader";

    // `detector` (may be null) stands upstream in the same graph and outlives this filter.
    explicit Tdv_DVheader(Tdv_sceneDetect* detector);

    void SetCopyHeaders(bool on);
    bool CopyHeaders() const { return copyHeaders_.load(); }
    void SetOffset(double days);
    double Offset() const { return offset_.load(); }
    // Frames that found nothing saved to restore, since creation.
    int64_t UnmatchedFrames() const { return unmatched_.load(); }

    ds::HRESULT CheckInputType(const ds::MediaType& mt) override;
    ds::HRESULT Transform(ds::MediaSample& sample) override;

private:
    Tdv_sceneDetect* detector_;
    std::atomic<bool> copyHeaders_{true};
    std::atomic<double> offset_{0.0};
    std::atomic<int64_t> unmatched_{0};
};

// Puts the saved blocks back into `frame` (`sequences` DIF sequences). Frames of one standard
// (same system byte, sequence count and VAUX source pack) take the whole 480-byte runs. Across
// standards only the 5-byte subcode and VAUX packs are copied, except the VAUX source pack 0x60,
// so the new header block and every block and sync-block ID stay; sequence i takes the saved one
// at its place in its half of the frame (that half's last when the saved half is shorter).
void RestoreHeaders(uint8_t* frame, int sequences, const SavedHeaders& saved);

// Adds `days` to every valid recording date and time pair of the frame's sequences; pairs that
// make no valid date, before or after, are left alone. Returns the number of pairs changed.
int ShiftRecDates(uint8_t* frame, size_t size, int sequences, double days);

} // namespace media
