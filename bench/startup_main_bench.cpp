// The window's start with files to list: the built morvel, offscreen, given 1000 small DV files
// (types 1 and 2, two frames, each its own date) with a warm cache, five times, its start-up trace
// (MORVEL_STARTUP_TRACE=1) telling when the window was first painted and when the files were
// listed; against `mediainfo --Output=JSON` over the same files in one process. Prints the best
// and median of both marks, files per second of both and "ratio ours/mediainfo R" (listed against
// mediainfo's whole run). Goals: shown within 0.5 s, listed within 2 s, R <= 0.5.
// Usage: startup_main_bench [files]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// The number after `mark` ("morvel: shown 123 ms"), or -1.
double Mark(const std::string& log, const std::string& mark, size_t* files = nullptr)
{
    const size_t at = log.find(mark);
    if (at == std::string::npos)
        return -1;
    const char* p = log.c_str() + at + mark.size();
    if (files) {
        *files = std::strtoul(p, const_cast<char**>(&p), 10);
        p += std::string_view(p).find("files") + 5;
    }
    return std::strtod(p, nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    testkit::TempDir dir;
    const fs::path tapes = dir.path() / "tapes";
    fs::create_directories(tapes);
    for (int i = 0; i < count; ++i) {
        testkit::DvClipSpec spec;
        spec.frames = 2;
        spec.distinctPictures = 1;
        spec.sound = i % 3 != 0;
        spec.year = 1995 + i % 20;
        spec.month = 1 + i % 12;
        spec.day = 1 + i % 28;
        spec.hour = i % 24;
        spec.minute = i % 60;
        char name[32];
        std::snprintf(name, sizeof name, "clip%04d.avi", i);
        const testkit::DvClip clip = testkit::MakeDvClip(spec);
        const std::string path = (tapes / name).string();
        if (!(i % 2 ? testkit::WriteDvType1(path, clip) : testkit::WriteDvType2(path, clip))) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
        testkit::ReadFileBytes(path); // warm cache
    }
    for (const char* folder : {"registry", "config", "data", "home"})
        fs::create_directories(dir.path() / folder);

    const std::string env = "MORVEL_REGISTRY_DIR='" + dir.file("registry") + "' XDG_CONFIG_HOME='" +
                            dir.file("config") + "' XDG_DATA_HOME='" + dir.file("data") + "' HOME='" +
                            dir.file("home") + "' QT_QPA_PLATFORM=offscreen MORVEL_STARTUP_TRACE=1";
    const std::string log = dir.file("morvel.log");
    const std::string command =
        "cd '" + tapes.string() + "' && " + env + " '" + MORVEL_PROGRAM + "' clip*.avi >/dev/null 2>'" + log + "'";
    std::vector<double> shown, listed, wall;
    size_t files = 0;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "morvel failed:\n%s\n", testkit::ReadFileBytes(log).c_str());
            return 1;
        }
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        const std::string text = testkit::ReadFileBytes(log);
        shown.push_back(Mark(text, "morvel: shown "));
        listed.push_back(Mark(text, "morvel: listed ", &files));
    }

    std::vector<double> theirs;
    const std::string mediainfo = "mediainfo --Output=JSON '" + tapes.string() + "' > /dev/null";
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        if (std::system(mediainfo.c_str()) != 0) {
            std::fprintf(stderr, "mediainfo failed (is it installed?)\n");
            return 1;
        }
        theirs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }

    const double best = *std::min_element(listed.begin(), listed.end());
    const double mediaBest = *std::min_element(theirs.begin(), theirs.end());
    std::printf("files %d, listed %zu\n", count, files);
    std::printf("shown:  best %.0f ms, median %.0f ms (goal <= 500)\n", *std::min_element(shown.begin(), shown.end()),
                Median(shown));
    std::printf("listed: best %.0f ms, median %.0f ms (goal <= 2000); process to its end: median %.0f ms\n", best,
                Median(listed), Median(wall));
    std::printf("ours:      %.0f files per second\n", count / (best / 1000));
    std::printf("mediainfo: best %.0f ms, %.0f files per second\n", mediaBest, count / (mediaBest / 1000));
    std::printf("ratio ours/mediainfo %.3f (goal <= 0.5)\n", best / mediaBest);
    return files == static_cast<size_t>(count) ? 0 : 1;
}
