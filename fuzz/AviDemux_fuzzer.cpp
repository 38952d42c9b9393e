// Feeds arbitrary bytes to the AVI demux core and reads every stream to its end, as the AVI
// Splitter does: with the default limits, then with tight ones taken from the input's last byte.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/AviDemux.h"
#include "formats/AviRecords.h"
#include "fuzz/FuzzKit.h"
#include "platform/rtl/ByteOrder.h"

namespace {

void ReadToTheEnd(const formats::MemorySource& src, const formats::AviDemuxLimits& limits)
{
    const formats::AviDemuxResult r = formats::ParseAvi(src, limits);
    const int64_t size = src.Size();
    if (r.streams.size() > limits.maxStreams || r.segments > limits.maxSegments)
        fuzzkit::Fail("more streams or segments than the limits allow");
    if (!r.valid && (r.index != formats::AviIndexSource::None ||
                     std::any_of(r.streams.begin(), r.streams.end(), [](const auto& s) { return !s.chunks.empty(); })))
        fuzzkit::Fail("chunks in a file that is not valid");
    for (size_t n = 0; n < r.streams.size(); ++n) {
        const formats::AviDemuxStream& s = r.streams[n];
        if (s.header.size() > 64 || s.format.size() > 64 * 1024 || s.chunks.size() > limits.maxChunksPerStream)
            fuzzkit::Fail("a stream holds more than its limits");
        uint64_t total = 0;
        for (const formats::AviChunkRef& c : s.chunks) {
            // Every chunk lies inside the file: its first and its last byte can be read.
            if (c.offset < 0 || c.offset > size || c.size > size - c.offset)
                fuzzkit::Fail("a chunk outside the file");
            total += c.size;
            uint8_t b[8];
            if (c.size > 0 && (src.ReadAt(c.offset, b, 1) != 1 || src.ReadAt(c.offset + c.size - 1, b, 1) != 1))
                fuzzkit::Fail("a chunk's bytes cannot be read");
            // A walked chunk lies behind a header of its own stream that gives at least its size.
            if (r.index == formats::AviIndexSource::Scan &&
                (c.offset < 8 || src.ReadAt(c.offset - 8, b, 8) != 8 ||
                 formats::ChunkIdStream(rtl::GetLE32(b)) != static_cast<int>(n % 100) || rtl::GetLE32(b + 4) < c.size))
                fuzzkit::Fail("a walked chunk without its header");
        }
        if (total != s.totalBytes)
            fuzzkit::Fail("the stream's byte count is not the sum of its chunks");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=262144"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzkit::AllocationBudget budget(size, 8, 1 << 20);
    const formats::MemorySource src(std::string_view(reinterpret_cast<const char*>(data), size));
    ReadToTheEnd(src, {});
    if (size > 0) {
        const uint8_t b = data[size - 1];
        ReadToTheEnd(src,
                     {.maxStreams = 1u + (b & 3), .maxChunksPerStream = 1u + (b >> 2), .maxSegments = 1 + (b & 1)});
    }
    return 0;
}
