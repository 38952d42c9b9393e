#pragma once
// The seeking interface (IMediaSeeking), answered by the graph and by sources, splitters and
// muxers. Positions are in the current time format: media time (100 ns, always supported) or
// frames (where a video or interleaved stream of known rate is behind the answer).
//
// A source implements GetDuration, GetCurrentPosition and SetPositions in media time; while the
// graph is stopped SetPositions only records the start, while it streams it flushes downstream and
// restarts with sample times from zero after a NewSegment carrying the new start.
#include <cstdint>

#include "platform/dshow/Guid.h"
#include "platform/dshow/Result.h"

namespace ds {

enum SeekingFlags : uint32_t {
    AM_SEEKING_NoPositioning = 0,
    AM_SEEKING_AbsolutePositioning = 1,
    AM_SEEKING_RelativePositioning = 2,
    AM_SEEKING_IncrementalPositioning = 3,
    AM_SEEKING_PositioningBitsMask = 3,
    AM_SEEKING_SeekToKeyFrame = 4,
    AM_SEEKING_ReturnTime = 8,
};

class MediaSeeking {
public:
    virtual ~MediaSeeking() = default;

    virtual HRESULT IsFormatSupported(const Guid& format) { return format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE; }
    virtual HRESULT SetTimeFormat(const Guid& format); // E_INVALIDARG when not supported
    virtual HRESULT GetTimeFormat(Guid& format)
    {
        format = timeFormat_;
        return S_OK;
    }
    virtual HRESULT GetDuration(int64_t& duration) = 0;
    virtual HRESULT GetCurrentPosition(int64_t& position) = 0;
    virtual HRESULT GetStopPosition(int64_t& stop) { return GetDuration(stop); }
    virtual HRESULT SetPositions(int64_t* current, uint32_t currentFlags, int64_t* stop, uint32_t stopFlags) = 0;
    // Converts between time formats; null format pointers mean the current one.
    virtual HRESULT ConvertTimeFormat(int64_t& target, const Guid* targetFormat, int64_t source,
                                      const Guid* sourceFormat);

protected:
    Guid timeFormat_ = TIME_FORMAT_MEDIA_TIME;
};

} // namespace ds
