// reencode_main_bench: the conversion module's burn-in (text on every frame) and PAL -> NTSC of
// a 1000-frame PAL type-2 file, against ffmpeg doing the same with our codec filters' thread
// count T (drawtext; yadif, scale, fps), after one warm-up, in rounds of the four runs one after
// the other; every run starts with the page cache written back (sync), so none pays for the
// write-back of the input or of the run before, while ours still makes its own file durable.
// Prints each round (wall and CPU seconds) and the best of each, and the peak resident memory of
// the conversions (the input is made in a child process, so only the runs count).
// Goals: ratio <= 0.8, peak under 200 MB.
// Usage: ConvertirDVunit_reencode_main_bench [frames [rounds]]   (default 1000 frames, 3 rounds)
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

Timing TimeCommand(const std::string& command)
{
    sync();
    const double cpu0 = CpuSeconds(RUSAGE_CHILDREN);
    const auto t0 = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        return {};
    }
    return {Seconds(t0), CpuSeconds(RUSAGE_CHILDREN) - cpu0};
}

Timing TimeBuild(const std::function<bool()>& build)
{
    sync();
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

    TimeBuild(burnIn); // warm-up: fonts, codec tables, page cache
    std::printf("%d PAL type-2 frames, codec threads T = %d; wall (CPU) seconds\n", frames, threads);
    Timing best[4];
    for (int round = 1; round <= rounds; ++round) {
        const Timing runs[4] = {TimeBuild(burnIn), TimeCommand(drawtext), TimeBuild(toNtsc), TimeCommand(standard)};
        std::printf("round %d: burn-in ours %.2f (%.2f), ffmpeg %.2f (%.2f), ratio %.2f; "
                    "PAL -> NTSC ours %.2f (%.2f), ffmpeg %.2f (%.2f), ratio %.2f\n",
                    round, runs[0].wall, runs[0].cpu, runs[1].wall, runs[1].cpu, runs[0].wall / runs[1].wall,
                    runs[2].wall, runs[2].cpu, runs[3].wall, runs[3].cpu, runs[2].wall / runs[3].wall);
        for (int i = 0; i < 4; ++i)
            if (runs[i].wall >= 0 && (best[i].wall < 0 || runs[i].wall < best[i].wall))
                best[i] = runs[i];
    }
    std::printf("burn-in:     ours %.2f s (%.0f frames/s), ffmpeg drawtext %.2f s, ratio %.2f (goal <= 0.8)\n",
                best[0].wall, frames / best[0].wall, best[1].wall, best[0].wall / best[1].wall);
    std::printf("PAL -> NTSC: ours %.2f s (%.0f frames/s), ffmpeg yadif/scale/fps %.2f s, ratio %.2f (goal <= 0.8)\n",
                best[2].wall, frames / best[2].wall, best[3].wall, best[2].wall / best[3].wall);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the conversions: %.0f MB (goal < 200 MB)\n", usage.ru_maxrss / 1024.0);
    return 0;
}
