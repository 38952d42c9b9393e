// Feeds arbitrary bytes to the scene-list reader, in memory and from a file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/ScnFileReader.h"
#include "fuzz/FuzzKit.h"
#include "tests/kit/TempDir.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=65536"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzkit::AllocationBudget budget(size, 8, 1 << 20);
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto starts = formats::ScnFileReader::SceneStartsOf(bytes);
    // A start takes four bytes of its own at least, each further one 13 with what precedes it.
    if (starts && (starts->empty() || starts->size() > 1 + size / 13))
        fuzzkit::Fail("more scene starts than the bytes can hold");
    static const std::string file = fuzzkit::TempFolder() + "/list.scn";
    testkit::WriteFileBytes(file, bytes);
    if (formats::ScnFileReader::SceneStarts(file) != (size == 0 ? std::nullopt : starts))
        fuzzkit::Fail("the file reads otherwise than its bytes");
    return 0;
}
