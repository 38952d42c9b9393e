#pragma once
// Whole frames of one DV stream, for the filters that take DV frames in and pass them on: a frame
// cut short (the last one of a capture that stopped, a file cut inside a frame) is dropped, since
// no reader decodes it. The first sample of a whole 525/60 or 625/50 frame's size sets the
// stream's frame size; a sample of any other length is no whole frame of the stream.
#include <cstddef>

#include "formats/DvAudio.h"
#include "platform/dshow/MediaType.h"

namespace ds {

// Standard-definition DV frames (dvsd, dv25), as video or interleaved with their sound.
inline bool CarriesDvFrames(const MediaType& mt)
{
    if (mt.subtype != MEDIASUBTYPE_dvsd && mt.subtype != MEDIASUBTYPE_dv25)
        return false;
    return (mt.majortype == MEDIATYPE_Video && mt.formattype == FORMAT_VideoInfo) ||
           mt.majortype == MEDIATYPE_Interleaved;
}

class WholeDvFrames {
public:
    void Reset() { frameSize_ = 0; }
    bool Whole(size_t size)
    {
        if (frameSize_ == 0 && formats::DvSequenceCount(size) != 0)
            frameSize_ = size;
        return size != 0 && size == frameSize_;
    }

private:
    size_t frameSize_ = 0; // 0 until the first whole frame
};

} // namespace ds
