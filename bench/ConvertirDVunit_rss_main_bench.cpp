// conversion_rss_main_bench: peak resident memory of the conversion module's type 1 -> 2 and
// PAL -> NTSC runs of a 1000-frame and a 30000-frame PAL type-1 file (the second over 4 GiB),
// each in a child process (ru_maxrss from wait4), against `ffmpeg -c copy` of the same file.
// Goal: under 200 MB at both sizes.
// Usage: ConvertirDVunit_rss_main_bench [small-frames [large-frames]]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "formats/AviMuxWriter.h"
#include "media/ConvertirDVunit.h"
#include "platform/filters/SystemFilters.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace {

// A type-1 file of `frames` frames cycling through the clip's, written as it goes.
bool WriteLongType1(const std::string& path, const testkit::DvClip& clip, int frames)
{
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out, {});
    w.AddStream(testkit::DvInterleavedSpec(clip));
    if (!w.Begin())
        return false;
    for (int k = 0; k < frames; ++k) {
        const auto& f = clip.frames[static_cast<size_t>(k) % clip.frames.size()];
        if (!w.WriteChunk(0, f.data(), f.size()))
            return false;
    }
    return w.Finish() && out.Close();
}

// Peak RSS in MB of a child that runs `work` (its exit status 0 on success); -1 on failure.
double ChildPeakMb(const std::function<bool()>& work)
{
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(work() ? 0 : 1);
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0;
}

double FfmpegCopyPeakMb(const std::string& in, const std::string& out)
{
    return ChildPeakMb([&] {
        execlp("ffmpeg", "ffmpeg", "-v", "error", "-i", in.c_str(), "-c", "copy", "-y", out.c_str(),
               static_cast<char*>(nullptr));
        return false;
    });
}

bool Convert(const std::string& in, const std::string& out, bool ntsc)
{
    media::TCdm& cdm = media::Cdm();
    if (!(ntsc ? cdm.BuildStandardGraphType1(in, out, 2) : cdm.BuildType2Graph(in, out)))
        return false;
    return cdm.RunBuiltGraph(nullptr, nullptr).kind == media::ConversionOutcome::Completed;
}

} // namespace

int main(int argc, char** argv)
{
    const int sizes[] = {argc > 1 ? std::atoi(argv[1]) : 1000, argc > 2 ? std::atoi(argv[2]) : 30000};
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    const bool codecs =
        ds::FilterRegistry::Instance().Find("DV Video Encoder", ds::CLSID_VideoCompressorCategory) != nullptr;
    testkit::TempDir dir;
    testkit::DvClipSpec spec;
    spec.frames = 50;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    bool ok = true;
    for (int frames : sizes) {
        const std::string in = dir.file("in.avi"), out = dir.file("out.avi");
        if (!WriteLongType1(in, clip, frames)) {
            std::fprintf(stderr, "cannot write %s\n", in.c_str());
            return 1;
        }
        const double gib = std::filesystem::file_size(in) / double(1 << 30);
        const double copy = FfmpegCopyPeakMb(in, out);
        std::filesystem::remove(out);
        const double type2 = ChildPeakMb([&] { return Convert(in, out, false); });
        std::filesystem::remove(out);
        const double ntsc = codecs ? ChildPeakMb([&] { return Convert(in, out, true); }) : -1;
        std::filesystem::remove(out);
        std::printf("%d frames (%.2f GiB): type 1 -> 2 %.1f MB, PAL -> NTSC %.1f MB, ffmpeg -c copy %.1f MB\n", frames,
                    gib, type2, ntsc, copy);
        ok = ok && type2 > 0 && type2 < 200 && (!codecs || (ntsc > 0 && ntsc < 200));
        std::filesystem::remove(in);
    }
    std::printf("goal (under 200 MB at both sizes): %s\n", ok ? "met" : "NOT met");
    return 0;
}
