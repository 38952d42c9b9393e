// Feeds arbitrary bytes to the walker that finds the patch positions.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/RiffChunk.h"
#include "formats/fpsunit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    formats::MemorySource src(std::string_view(reinterpret_cast<const char*>(data), size));
    formats::TRiffWalk w = formats::TRiffWalker(src).Walk();
    // A patch writes 4 bytes at HandlerPos and 8 at ScalePos: both must lie inside the file,
    // inside one stream header.
    const int64_t n = static_cast<int64_t>(size);
    if (w.HandlerPos < 0 || w.ScalePos < 0 || (w.HandlerPos && w.HandlerPos + 4 > n) ||
        (w.ScalePos && w.ScalePos + 8 > n))
        __builtin_trap();
    if ((w.HandlerPos == 0) != (w.ScalePos == 0) || (w.HandlerPos && w.ScalePos != w.HandlerPos + 16))
        __builtin_trap();
    if (w.HandlerPos && std::string_view(reinterpret_cast<const char*>(data) + w.HandlerPos - 12, 4) != "strh")
        __builtin_trap();
    return 0;
}
