#pragma once
// What the date-rename benches share: small DV files each with its own recording date, a copy
// dated by file time for exiftool (it cannot read DV dates in AVI files), exiftool's run and the
// count of renamed files.
#include <sys/stat.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchKit.h"
#include "tests/kit/media/DvClip.h"

namespace renamebench {

namespace fs = std::filesystem;

using benchkit::Seconds;
using benchkit::Spawn;

// The AVI files whose name holds a date: both add it after a "_".
inline size_t Renamed(const fs::path& folder)
{
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".avi" && e.path().filename().string().find('_') != std::string::npos)
            ++n;
    return n;
}

// Writes `count` DV files of two frames to `ours`, each its own recording date, and a copy of each
// to `theirs` whose file time is that date; the paths in `ours`, or none when one cannot be written.
inline std::vector<std::string> MakeDatedFiles(int count, const fs::path& ours, const fs::path& theirs)
{
    std::printf("making %d DV files of two frames...\n", count);
    std::fflush(stdout);
    testkit::DvClipSpec spec;
    spec.frames = 2;
    spec.distinctPictures = 1;
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        testkit::DvClipSpec dated = spec;
        dated.year = 2001 + i / 300;
        dated.month = 1 + (i / 25) % 12;
        dated.day = 1 + i % 25;
        dated.hour = i % 24;
        dated.minute = i % 60;
        dated.second = (i * 7) % 60;
        const testkit::DvClip clip = testkit::MakeDvClip(dated);
        const std::string name = "clip" + std::to_string(i) + ".avi";
        fs::remove(ours / name);
        fs::remove(theirs / name);
        if (!testkit::WriteDvType2((ours / name).string(), clip)) {
            std::fprintf(stderr, "cannot write %s\n", name.c_str());
            return {};
        }
        fs::copy_file(ours / name, theirs / name);
        struct tm t {};
        t.tm_year = dated.year - 1900;
        t.tm_mon = dated.month - 1;
        t.tm_mday = dated.day;
        t.tm_hour = dated.hour;
        t.tm_min = dated.minute;
        t.tm_sec = dated.second;
        t.tm_isdst = -1;
        const struct timespec when[2] = {{mktime(&t), 0}, {mktime(&t), 0}};
        utimensat(AT_FDCWD, (theirs / name).c_str(), when, 0);
        files.push_back((ours / name).string());
    }
    return files;
}

// exiftool's rename of `theirs` after the file date, in seconds; its exit status in `status`.
inline double ExiftoolSeconds(const fs::path& theirs, const fs::path& log, int& status)
{
    return Seconds([&] {
        status = Spawn({"exiftool", "-q", "-ext", "avi", "-FileName<FileModifyDate", "-d", "%Y.%m.%d_%H.%M.%S%%-c.%%e",
                        theirs.string()},
                       log.string());
    });
}

} // namespace renamebench
