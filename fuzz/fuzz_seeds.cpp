// Writes the fuzzers' seed corpus into the folder given: small AVI files of every shape the test
// kit builds, and a few damaged ones.
#include <fstream>
#include <string>
#include <vector>

#include "tests/kit/RiffBuilder.h"

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    using testkit::AviSpec;
    std::vector<AviSpec> specs = {
        {.frames = 2},
        {.dvType = 1, .frames = 2},
        {.audioFirst = true, .pcm16 = true, .frames = 2},
        {.secondVideo = true, .idx1 = false, .frames = 1},
        {.indxType = 0, .odml = true, .avixSegments = 2, .frames = 2},
        {.dvType = 1, .indxType = 1, .idx1 = false, .frames = 2},
        {.indxType = 2, .frames = 1, .handler = "CDVC"},
    };
    std::vector<std::string> seeds;
    for (const AviSpec& s : specs)
        seeds.push_back(testkit::MakeAvi(s).build());
    seeds.push_back(seeds[0].substr(0, seeds[0].size() / 2));
    seeds.push_back(seeds[1] + "garbage!!");
    seeds.push_back(testkit::RiffBuilder().riff("AVI ").chunkSized("LIST", 0x7FFFFFFF, "hdrlavih").build());
    seeds.push_back(testkit::RiffBuilder().riff("WAVE").chunk("fmt ", testkit::WaveFormat()).build());
    for (size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(std::string(argv[1]) + "/seed-" + std::to_string(i) + ".avi", std::ios::binary);
        out.write(seeds[i].data(), static_cast<std::streamsize>(seeds[i].size()));
        if (!out)
            return 1;
    }
    return 0;
}
