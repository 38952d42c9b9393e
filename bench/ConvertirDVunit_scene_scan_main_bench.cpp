// scene_scan_main_bench: the conversion module's scene scan (File Source, AVI Splitter, scene
// detector, Null Renderer, run unclocked) of a cached 2000-frame PAL type-1 file against
// `cat file > /dev/null` of the same file. Goal: ratio <= 3. Each figure is the best of three.
// Usage: ConvertirDVunit_scene_scan_main_bench [frames]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/ConvertirDVunit.h"
#include "platform/filters/SystemFilters.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point t0)
{
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    testkit::TempDir dir;
    const std::string file = dir.file("scan.avi");
    {
        testkit::DvClipSpec spec;
        spec.frames = frames;
        spec.distinctPictures = 8;
        if (!testkit::WriteDvType1(file, testkit::MakeDvClip(spec))) {
            std::fprintf(stderr, "cannot write %s\n", file.c_str());
            return 1;
        }
    }
    const std::string cat = "cat '" + file + "' > /dev/null";
    if (std::system(cat.c_str()) != 0) // into the page cache
        return 1;

    double scan = 1e9, copy = 1e9;
    int scenes = 0;
    media::TCdm& cdm = media::Cdm();
    for (int run = 0; run < 3; ++run) {
        auto t0 = Clock::now();
        if (std::system(cat.c_str()) != 0)
            return 1;
        copy = std::min(copy, Seconds(t0));

        t0 = Clock::now();
        if (!cdm.BuildSceneGraph(file))
            return 1;
        scenes = 0;
        cdm.CdmSceneDetect->SetOnScene([&](const formats::DVFrameInfo&, const formats::DVFrameInfo&) { ++scenes; });
        const media::ConversionOutcome outcome = cdm.RunBuiltGraph(nullptr, nullptr);
        if (outcome.kind != media::ConversionOutcome::Completed)
            return 1;
        scan = std::min(scan, Seconds(t0));
    }
    std::printf("scene scan of %d PAL type-1 frames (%u seen, %d scene calls): %.3f s, %.0f frames/s\n", frames,
                cdm.CdmSceneDetect->CurrentInfo().Frame + 1, scenes, scan, frames / scan);
    std::printf("cat of the cached file: %.3f s\n", copy);
    std::printf("ratio scan / cat: %.2f (goal <= 3)\n", scan / copy);
    return 0;
}
