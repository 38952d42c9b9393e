// Feeds arbitrary bytes to the RIFF structure listing.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/RiffChunk.h"
#include "formats/riffunit.h"
#include "platform/rtl/DateTime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const rtl::FormatSettings settings;
    formats::RiffListingOptions options;
    options.versionText = "fuzz";
    options.clock = [] { return rtl::TDateTime(46000.5); };
    options.settings = &settings;
    formats::TRiffLister lister(options);
    formats::MemorySource src(std::string_view(reinterpret_cast<const char*>(data), size));
    formats::RiffListingResult r = lister.WalkSource(src, "/fuzz/input.avi");
    // The listing always ends with its trailer.
    if (!r.walked || lister.Lines().empty() || lister.Lines().back() != std::string(50, '-'))
        __builtin_trap();
    return 0;
}
