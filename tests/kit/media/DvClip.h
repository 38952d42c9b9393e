#pragma once
// DV clips made at test time: real pictures from libavcodec's DV encoder, our packs (recording
// date and time, time code, aspect, VAUX source) and sound through our DV audio codec, with
// locked or wandering sample counts, two-channel 16-bit or four-channel 12-bit 32 kHz.
#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

struct DvClipSpec {
    bool pal = true;
    int frames = 25;
    bool sound = true;
    formats::DvAudioFormat audio{48000, 16, 1, false};
    bool wanderingCounts = true; // unlocked: counts move around the locked ones
    bool wide = false;
    // Recording date of the first frame; it advances by one second every 25 (30) frames.
    int year = 2006, month = 12, day = 31, hour = 23, minute = 59, second = 50;
    int distinctPictures = 8; // pictures encoded; the clip cycles through them
    // From frame `first` on, the recording date runs `seconds` later (each jump adds to the ones
    // before); the time code runs on.
    struct DateJump {
        int first = 0;
        int seconds = 0;
    };
    std::vector<DateJump> dateJumps;
};

struct DvClip {
    bool pal = true;
    formats::DvAudioFormat audio;
    bool sound = true;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<int> samples;                 // per frame and channel
    std::vector<std::vector<int16_t>> pcm[2]; // per pair, per frame: interleaved left/right

    size_t FrameSize() const { return pal ? formats::kPalFrameSize : formats::kNtscFrameSize; }
    std::vector<int16_t> PairSamples(int pair) const; // the whole clip's sound of one pair
};

DvClip MakeDvClip(const DvClipSpec& spec);

// The frames of the clip `spec` describes, one at a time, for clips too long to hold (a minute
// of PAL is 216 MB): MakeDvClip's frames and sound in order.
class DvClipFrames {
public:
    explicit DvClipFrames(const DvClipSpec& spec);
    // The next frame into `frame`, its sound per pair into `pcm` (interleaved left/right); false
    // after the last.
    bool Next(std::vector<uint8_t>& frame, std::vector<int16_t> (&pcm)[2]);

private:
    DvClipSpec spec_;
    std::vector<std::vector<uint8_t>> pictures_;
    int index_ = 0;
    int64_t sampleIndex_ = 0;
};

// One DV picture from libavcodec (144000 or 120000 bytes, no sound); `seed` moves the pattern.
std::vector<uint8_t> EncodeDvPicture(bool pal, int seed);

// Writers into files of a temporary folder. AVI files go through the AVI writer core.
void WriteRawDv(const std::string& path, const DvClip& clip);
bool WriteDvType1(const std::string& path, const DvClip& clip, formats::AviMuxOptions options = {});
bool WriteDvType2(const std::string& path, const DvClip& clip, formats::AviMuxOptions options = {});
// The clip `spec` describes, written as it is made, never held whole.
bool WriteDvType1(const std::string& path, const DvClipSpec& spec);
bool WriteDvType2(const std::string& path, const DvClipSpec& spec);

// Stream descriptions used by the writers (and by tests that build their own files).
formats::AviStreamSpec DvVideoSpec(bool pal);
formats::AviStreamSpec DvInterleavedSpec(const DvClip& clip);
formats::AviStreamSpec PcmSpec(int sampleRate, int channels);

} // namespace testkit
