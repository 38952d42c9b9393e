// The probe graph on whole DV files: 100 type-1 and 100 type-2 files of 250 PAL frames, read once
// so they sit in the page cache, then probed 5 times each. Prints our mean and maximum time per
// probe, and beside them the mean times of `ffprobe -v error -show_streams` and `mediainfo` on the
// same files (started directly, without a shell) with our ratio to each, and the processor time
// of our probes. Goal: mean <= 5 ms.
// Usage: probe_main_bench [files of each type] [frames] [probes per file]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "media/buildlist.h"
#include "platform/filters/SystemFilters.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Processor time of the whole process (every thread), in ms: the probe's own cost, which the
// wall-clock figures hide on a loaded machine (each pause starts streaming threads, which wait
// for a processor).
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Runs a program with its output thrown away; false when it could not be started or failed.
bool Run(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return rc == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Mean milliseconds of one run of the tool per file; negative when the tool failed.
double ToolMean(const std::vector<std::string>& files, const std::vector<std::string>& command)
{
    const auto t0 = Clock::now();
    for (const auto& f : files) {
        std::vector<std::string> args = command;
        args.push_back(f);
        if (!Run(args))
            return -1;
    }
    return Ms(Clock::now() - t0) / static_cast<double>(files.size());
}

} // namespace

int main(int argc, char** argv)
{
    const int perType = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 250;
    const int probes = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());

    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = frames;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    std::vector<std::string> files;
    for (int i = 0; i < perType; ++i)
        for (int type : {1, 2}) {
            files.push_back(dir.file("t" + std::to_string(type) + "-" + std::to_string(i) + ".avi"));
            if (!(type == 1 ? testkit::WriteDvType1(files.back(), clip) : testkit::WriteDvType2(files.back(), clip))) {
                std::fprintf(stderr, "cannot write %s\n", files.back().c_str());
                return 1;
            }
        }
    for (const auto& f : files) // into the page cache
        testkit::ReadFileBytes(f);

    media::TdmList& probe = media::dmList();
    probe.ProbeFile(files.front()); // first use: filters looked up, code paged in
    double total = 0, worst = 0;
    int failed = 0;
    const double cpu0 = CpuMs();
    for (int round = 0; round < probes; ++round)
        for (const auto& f : files) {
            const auto t0 = Clock::now();
            const media::ProbeResult r = probe.ProbeFile(f);
            const double ms = Ms(Clock::now() - t0);
            failed += r.ok && r.ListVideoKnown && r.ListAudioKnown && r.ListDateValid ? 0 : 1;
            total += ms;
            worst = std::max(worst, ms);
        }
    const double mean = total / (static_cast<double>(files.size()) * probes);
    const double cpu = (CpuMs() - cpu0) / (static_cast<double>(files.size()) * probes);
    const double ffprobe = ToolMean(files, {"ffprobe", "-v", "error", "-show_streams"});
    const double mediainfo = ToolMean(files, {"mediainfo"});

    std::printf("probe_main_bench: %zu files (%d type 1, %d type 2) of %d PAL frames, %d probes each\n", files.size(),
                perType, perType, frames, probes);
    std::printf("  TdmList::ProbeFile   mean %7.3f ms   max %7.3f ms   (goal: mean <= 5 ms)%s\n", mean, worst,
                failed ? "   SOME PROBES FOUND LESS THAN EXPECTED" : "");
    std::printf("  TdmList::ProbeFile   processor time %.3f ms per probe, all threads\n", cpu);
    if (ffprobe > 0)
        std::printf("  ffprobe -show_streams mean %7.3f ms   ours / ffprobe   = %.3f\n", ffprobe, mean / ffprobe);
    else
        std::printf("  ffprobe: not run (missing or failed)\n");
    if (mediainfo > 0)
        std::printf("  mediainfo            mean %7.3f ms   ours / mediainfo = %.3f\n", mediainfo, mean / mediainfo);
    else
        std::printf("  mediainfo: not run (missing or failed)\n");
    return failed ? 1 : 0;
}
