// The headless date rename against exiftool's: 1000 small DV files (two frames each, each file
// its own recording date), renamed by `morvel +hd` and, in a copy, by exiftool after the file
// date (it cannot read DV dates in AVI files). Both read and rename every file.
//   rename_main_bench [files] [folder]   (the files are made in `folder` and kept, when given)
// Goal: ratio ours/exiftool <= 0.5.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/RenameBenchKit.h"
#include "tests/kit/TempDir.h"

using namespace renamebench;

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    testkit::TempDir temporary;
    const fs::path root = argc > 2 ? fs::path(argv[2]) : temporary.path();
    const fs::path ours = root / "ours";
    const fs::path theirs = root / "theirs";
    for (const fs::path& p : {root, ours, theirs, root / "settings"})
        fs::create_directories(p);
    setenv("MORVEL_REGISTRY_DIR", (root / "settings").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "settings").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "settings").c_str(), 1);

    const std::vector<std::string> files = MakeDatedFiles(count, ours, theirs);
    if (files.empty())
        return 1;

    std::vector<std::string> morvel = {MORVEL_PROGRAM, "+hd"};
    morvel.insert(morvel.end(), files.begin(), files.end());
    int ourStatus = 0;
    const double ourTime = Seconds([&] { ourStatus = Spawn(morvel, (root / "morvel.log").string()); });
    int theirStatus = 0;
    const double theirTime = ExiftoolSeconds(theirs, root / "exiftool.log", theirStatus);
    const size_t ourRenamed = Renamed(ours);
    const size_t theirRenamed = Renamed(theirs);

    std::printf("morvel +hd:  %8.3f s  %7.3f ms per file  (exit %d, %zu of %d renamed)\n", ourTime,
                ourTime * 1000 / count, ourStatus, ourRenamed, count);
    std::printf("exiftool:    %8.3f s  %7.3f ms per file  (exit %d, %zu of %d renamed)\n", theirTime,
                theirTime * 1000 / count, theirStatus, theirRenamed, count);
    std::printf("ratio ours/exiftool %.3f (goal <= 0.5)\n", ourTime / theirTime);
    if (ourRenamed != static_cast<size_t>(count))
        std::printf("morvel's log:\n%s\n",
                    testkit::ReadFileBytes((root / "morvel.log").string()).substr(0, 2000).c_str());
    return ourStatus == 0 && ourRenamed == static_cast<size_t>(count) ? 0 : 1;
}
