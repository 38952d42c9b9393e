// Feeds arbitrary bytes to the AVI header reader.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/RiffChunk.h"
#include "formats/aviinfo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    formats::MemorySource src(std::string_view(reinterpret_cast<const char*>(data), size));
    formats::TAviParam p(src);
    // What the callers rely on: indexes inside the stream list, positions inside the file.
    if (p.VideoIndex >= static_cast<int32_t>(p.Streams.size()) ||
        p.AudioIndex >= static_cast<int32_t>(p.Streams.size()))
        __builtin_trap();
    if (p.MoviPos > static_cast<int64_t>(size) || p.Idx1Pos > static_cast<int64_t>(size) || p.IndexKind > 4)
        __builtin_trap();
    if (p.Valid && p.VideoHandler().size() != 4)
        __builtin_trap();
    return 0;
}
