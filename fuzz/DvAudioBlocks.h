#pragma once
// The audio DIF blocks of a DV frame in the order the DV sound fuzzer's input fills them and its
// seeds are cut from camera frames: sequence by sequence, block by block.
#include <cstddef>

#include "formats/DvAudio.h"

namespace fuzzkit {

// Calls visit(offset) for every audio block of a frame of `frameSize` bytes; none for a size
// that is not a DV frame's.
template <class Visit> void ForEachDvAudioBlock(size_t frameSize, Visit&& visit)
{
    const int sequences = formats::DvSequenceCount(frameSize);
    for (int s = 0; s < sequences; ++s)
        for (int b = 0; b < formats::kDvAudioBlocks; ++b)
            visit(formats::DvAudioBlockOffset(s, b));
}

} // namespace fuzzkit
