// Feeds arbitrary AAUX packs and sound blocks to the DV sound decoder. The input's first byte
// picks the system (bit 0 set: 525/60); the rest replaces the audio DIF blocks of a camera's
// frame, 80 bytes each, sequence by sequence, IDs and packs included. What decodes is encoded
// again into the frame and must decode to the same samples and say the same format.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "formats/DvAudio.h"
#include "fuzz/DvAudioBlocks.h"
#include "fuzz/FuzzKit.h"
#include "tests/kit/DvFrameBuilder.h"

namespace {

struct Decoded {
    formats::DvAudioInfo info;
    std::vector<int16_t> pcm[2];
};

Decoded Decode(const std::vector<uint8_t>& frame)
{
    Decoded d;
    if (formats::ReadDvAudioInfo(frame, d.info) != d.info.present)
        fuzzkit::Fail("the reader's answer and the info disagree");
    if (!d.info.present)
        return d;
    const formats::DvAudioInfo& i = d.info;
    if (i.pal != (frame.size() == formats::kPalFrameSize) || i.format.pairs < 1 || i.format.pairs > 2 ||
        (i.format.pairs == 2 && i.format.bits != 12) || (i.format.bits == 12 && i.format.sampleRate != 32000) ||
        i.samples < formats::DvMinSamples(i.pal, i.format.sampleRate) ||
        i.samples > formats::DvMaxSamples(i.pal, i.format.sampleRate, i.format.bits))
        fuzzkit::Fail("the info describes no sound a frame can carry");
    for (int pair = 0; pair < 2; ++pair) {
        d.pcm[pair].assign(2 * static_cast<size_t>(i.samples), 0);
        const int got = formats::DecodeDvAudio(frame, i, pair, d.pcm[pair].data());
        if (got != (pair < i.format.pairs ? i.samples : 0))
            fuzzkit::Fail("the decoder gave another count than the info");
    }
    return d;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=8641"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<uint8_t> camera[2] = {
        testkit::DvFrameBuilder(testkit::Standard::Pal).build(),
        testkit::DvFrameBuilder(testkit::Standard::Ntsc).build(),
    };
    if (size == 0)
        return 0;
    const fuzzkit::AllocationBudget budget(size, 8, 1 << 20);
    std::vector<uint8_t> frame = camera[data[0] & 1];
    size_t at = 1;
    fuzzkit::ForEachDvAudioBlock(frame.size(), [&](size_t offset) {
        if (at == size)
            return;
        const size_t n = std::min(formats::kDifBlockSize, size - at);
        std::memcpy(&frame[offset], data + at, n);
        at += n;
    });
    formats::DvInfoFromFrame(frame);
    const Decoded first = Decode(frame);
    if (!first.info.present)
        return 0;
    // Encoding what was decoded keeps it.
    const formats::DvAudioFormat& format = first.info.format;
    if (!formats::EncodeDvAudio(frame, format, first.info.samples, first.pcm[0].data(),
                                format.pairs == 2 ? first.pcm[1].data() : nullptr))
        fuzzkit::Fail("the encoder refused what the decoder read");
    const Decoded second = Decode(frame);
    if (!second.info.present || second.info.format != format || second.info.samples != first.info.samples ||
        second.pcm[0] != first.pcm[0] || second.pcm[1] != first.pcm[1])
        fuzzkit::Fail("the sound encoded again decodes otherwise");
    return 0;
}
