// Feeds arbitrary bytes to the play-list line reader: from a file, and in pieces of every size
// the input's first byte picks, which must read the same names as the file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <fcntl.h>
#include <unistd.h>

#include "formats/PlaylistReader.h"
#include "fuzz/FuzzKit.h"
#include "tests/kit/TempDir.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzzkit::DefaultFlags(argc, argv, {"-max_len=65536"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const fuzzkit::AllocationBudget budget(size, 8, 1 << 20);
    const size_t piece = 1 + data[0] * 64u + data[0] % 7;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    static const std::string file = fuzzkit::TempFolder() + "/list.txt";
    testkit::WriteFileBytes(file, text);
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fuzzkit::Fail("the list cannot be opened");
    const formats::PlaylistLines whole = formats::ReadPlaylistLines(fd);
    ::close(fd);

    formats::PlaylistReader reader;
    for (size_t at = 0; at < text.size() && reader.Feed(text.substr(at, piece)); at += piece) {
    }
    const formats::PlaylistLines pieces = reader.Finish();
    if (pieces.names != whole.names || pieces.failure != whole.failure)
        fuzzkit::Fail("the names depend on where the reads end");
    for (const std::string& name : whole.names)
        if (name.empty() || name.size() > formats::PlaylistReader::kLongestLine || name.front() == '#' ||
            static_cast<unsigned char>(name.front()) <= ' ' || static_cast<unsigned char>(name.back()) <= ' ')
            fuzzkit::Fail("a name that is no path");
    return 0;
}
