// reencode_main_bench: the conversion module's burn-in (text on every frame) and PAL -> NTSC of
// a 1000-frame PAL type-2 file, against ffmpeg doing the same with our codec filters' thread
// count T (drawtext; yadif, scale, fps), after one warm-up, in rounds of the four runs one after
// the other; every run starts with the page cache written back (sync) and the last run's output
// removed, so none pays for the write-back of the input or of the run before, nor for freeing
// the file it replaces, while ours still makes its own file durable.
// Prints each round (wall and CPU seconds), the best of each with their ratio, the median of the
// rounds' ratios (the machine's pace drifts: a round's two runs see the same), and the peak
// resident memory of the conversions (the input is made in a child process, so only the runs count).
// Goals: ratio <= 0.8, peak under 200 MB.
// Usage: ConvertirDVunit_reencode_main_bench [frames [rounds [only]]]   (default 1000 frames, 3 rounds)
// With a third argument, "burn-in", "standard", "ffmpeg-burn-in" or "ffmpeg-standard", only that
// conversion runs, for profiling.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchKit.h"
#include "media/ConvertirDVunit.h"
#include "platform/filters/FfmpegHandles.h"
#include "platform/filters/SystemFilters.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Wall and CPU seconds of one run; wall < 0 when it failed.
struct Timing {
    double wall = -1, cpu = 0;
};

double CpuSeconds(int who)
{
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Every run starts from the same place: the last run's output is gone (so no run pays for
// freeing the one before, as ffmpeg's truncation and our replacing rename both would) and the
// page cache is written back.
void StartFresh(const std::string& output)
{
    std::filesystem::remove(output);
    sync();
}

Timing TimeCommand(const std::string& command, const std::string& output)
{
    StartFresh(output);
    const double cpu0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        return {};
    }
    return {Seconds(t0), CpuSeconds(RUSAGE_CHILDREN) - cpu0};
}

Timing TimeBuild(const std::function<bool()>& build, const std::string& output)
{
    StartFresh(output);
    const double cpu0 = CpuSeconds(RUSAGE_SELF);
    const auto t0 = Clock::now();
    if (!build())
        return {};
    if (media::Cdm().RunBuiltGraph(nullptr, nullptr).kind != media::ConversionOutcome::Completed)
        return {};
    return {Seconds(t0), CpuSeconds(RUSAGE_SELF) - cpu0};
}

// Writes the input file in a child process: its frames never count in this process's peak.
bool WriteInput(const std::string& path, int frames)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        testkit::DvClipSpec spec;
        spec.frames = frames;
        spec.distinctPictures = 25;
        _exit(testkit::WriteDvType2(path, testkit::MakeDvClip(spec)) ? 0 : 1);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 3);
    testkit::TempDir dir;
    const std::string in = dir.file("in.avi"), out = dir.file("out.avi"), ref = dir.file("ref.avi");
    if (!WriteInput(in, frames))
        return 1;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv); // the overlay draws with Qt's fonts
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    const int threads = ds::av::DefaultThreadCount();
    const std::string t = std::to_string(threads);
    const std::string font = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";
    const std::string drawtext = "ffmpeg -v error -threads " + t + " -i '" + in + "' -vf \"drawtext=fontfile=" + font +
                                 ":text='%{pts\\:hms}':x=40:y=500:fontsize=32\" -c:v dvvideo -pix_fmt yuv420p "
                                 "-c:a copy -threads " +
                                 t + " -y '" + ref + "'";
    const std::string standard = "ffmpeg -v error -threads " + t + " -i '" + in +
                                 "' -vf yadif=0,scale=720:480,fps=30000/1001 -c:v dvvideo -pix_fmt yuv411p "
                                 "-c:a copy -threads " +
                                 t + " -y '" + ref + "'";

    media::TCdm& cdm = media::Cdm();
    auto burnIn = [&] {
        if (!cdm.BuildDatecodeGraphType2(in, out, 1))
            return false;
        cdm.CdmSuperposer->SetIncrustOn(true);
        cdm.CdmSuperposer->SetAutoIncrust(0); // text on every frame
        cdm.CdmSuperposer->SetPosition(60, 900, 0);
        return true;
    };
    auto toNtsc = [&] { return cdm.BuildStandardGraphType2(in, out, 2); };

    if (argc > 3) {
        const std::string only = argv[3];
        for (int round = 1; round <= rounds; ++round) {
            const Timing run = only == "standard"          ? TimeBuild(toNtsc, out)
                               : only == "ffmpeg-burn-in"  ? TimeCommand(drawtext, ref)
                               : only == "ffmpeg-standard" ? TimeCommand(standard, ref)
                                                           : TimeBuild(burnIn, out);
            std::printf("%s: %.3f s (%.2f CPU)\n", only.c_str(), run.wall, run.cpu);
        }
        return 0;
    }
    TimeBuild(burnIn, out); // warm-up: fonts, codec tables, page cache
    std::printf("%d PAL type-2 frames, codec threads T = %d; wall (CPU) seconds\n", frames, threads);
    Timing best[4];
    std::vector<double> ratios[2];
    for (int round = 1; round <= rounds; ++round) {
        const Timing runs[4] = {TimeBuild(burnIn, out), TimeCommand(drawtext, ref), TimeBuild(toNtsc, out),
                                TimeCommand(standard, ref)};
        for (int i = 0; i < 2; ++i)
            if (runs[2 * i].wall >= 0 && runs[2 * i + 1].wall > 0)
                ratios[i].push_back(runs[2 * i].wall / runs[2 * i + 1].wall);
        std::printf("round %d: burn-in ours %.2f (%.2f), ffmpeg %.2f (%.2f), ratio %.2f; "
                    "PAL -> NTSC ours %.2f (%.2f), ffmpeg %.2f (%.2f), ratio %.2f\n",
                    round, runs[0].wall, runs[0].cpu, runs[1].wall, runs[1].cpu, runs[0].wall / runs[1].wall,
                    runs[2].wall, runs[2].cpu, runs[3].wall, runs[3].cpu, runs[2].wall / runs[3].wall);
        for (int i = 0; i < 4; ++i)
            if (runs[i].wall >= 0 && (best[i].wall < 0 || runs[i].wall < best[i].wall))
                best[i] = runs[i];
    }
    std::printf("burn-in:     ours %.2f s (%.0f frames/s), ffmpeg drawtext %.2f s, ratio %.2f, median of rounds %.2f "
                "(goal <= 0.8)\n",
                best[0].wall, frames / best[0].wall, best[1].wall, best[0].wall / best[1].wall,
                benchkit::Median(ratios[0]));
    std::printf("PAL -> NTSC: ours %.2f s (%.0f frames/s), ffmpeg yadif/scale/fps %.2f s, ratio %.2f, median of rounds "
                "%.2f (goal <= 0.8)\n",
                best[2].wall, frames / best[2].wall, best[3].wall, best[2].wall / best[3].wall,
                benchkit::Median(ratios[1]));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the conversions: %.0f MB (goal < 200 MB)\n", usage.ru_maxrss / 1024.0);
    return 0;
}
