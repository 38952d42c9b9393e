// The listing of a folder of DV files: our folder scan with the analysis of every AVI file it
// finds (ThreadedDirscan + TAfficherFichier, probing each through TdmList) against `mediainfo --Output=JSON` over the
// same files in one process, both with a warm cache, five rounds side by side. Prints each one's best time, the time
// per file and "ratio ours/mediainfo R", the median of the rounds' ratios; the goal is R <= 0.25. Usage:
// analysis_main_bench [files [ours]]; with "ours" only our listing runs, for a profiler.
#include "actions/ThreadedDirScan_unit.h"
#include "actions/aviFichier.h"
#include "bench/BenchKit.h"
#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"
#include "platform/filters/SystemFilters.h"
#include "platform/rtl/ByteOrder.h"
#include "platform/rtl/SysUtils.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

formats::AviStreamSpec DvSpec(formats::AviStreamKind kind, const std::vector<uint8_t>& frame)
{
    formats::AviStreamSpec s;
    s.kind = kind;
    s.handler = rtl::FourCC("dvsd");
    s.width = 720;
    s.height = 576;
    if (kind == formats::AviStreamKind::Interleaved) {
        const auto info = formats::DvInfoFromFrame(frame);
        s.format.assign(info.begin(), info.end());
    } else {
        s.format.assign(40, 0);
        rtl::PutLE32(&s.format[0], 40);
        rtl::PutLE32(&s.format[4], 720);
        rtl::PutLE32(&s.format[8], 576);
        s.format[12] = 1;
        s.format[14] = 24;
        rtl::PutLE32(&s.format[16], rtl::FourCC("dvsd"));
    }
    return s;
}

formats::AviStreamSpec PcmSpec()
{
    formats::AviStreamSpec s;
    s.kind = formats::AviStreamKind::Audio;
    s.scale = 4;
    s.rate = 48000 * 4;
    s.sampleSize = 4;
    s.format.assign(18, 0);
    s.format[0] = 1;
    s.format[2] = 2;
    rtl::PutLE32(&s.format[4], 48000);
    rtl::PutLE32(&s.format[8], 48000 * 4);
    s.format[12] = 4;
    s.format[14] = 16;
    return s;
}

// A PAL file of `frames` frames dated `minute` minutes into 2006, of type 1 or 2.
bool WriteClip(const std::string& path, int type, int minute, int frames)
{
    std::vector<std::vector<uint8_t>> f;
    for (int k = 0; k < frames; ++k)
        f.push_back(testkit::DvFrameBuilder(testkit::Standard::Pal)
                        .recDate(2006, 1 + minute / (28 * 24 * 60) % 12, 1 + minute / (24 * 60) % 28, minute / 60 % 24,
                                 minute % 60, k / 25)
                        .timecode(0, 0, k / 25, k % 25)
                        .audio(48000, 16)
                        .build());
    testkit::FileByteStream out(path);
    formats::AviMuxWriter w(out);
    if (type == 1) {
        w.AddStream(DvSpec(formats::AviStreamKind::Interleaved, f[0]));
    } else {
        w.AddStream(DvSpec(formats::AviStreamKind::Video, f[0]));
        w.AddStream(PcmSpec());
    }
    if (!w.Begin())
        return false;
    const std::vector<uint8_t> silence(1920 * 4, 0);
    for (const auto& frame : f) {
        if (!w.WriteChunk(0, frame.data(), frame.size()))
            return false;
        if (type == 2 && !w.WriteChunk(1, silence.data(), silence.size()))
            return false;
    }
    return w.Finish() && out.Close();
}

} // namespace

int main(int argc, char** argv)
{
    // The analysis probes each file through the system filters, registered as in the program.
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;
    const bool oursOnly = argc > 2 && std::string(argv[2]) == "ours";
    testkit::TempDir dir;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip%04d.avi", i);
        if (!WriteClip(dir.file(name), 1 + i % 2, i * 7, 3)) {
            std::fprintf(stderr, "cannot write %s\n", name);
            return 1;
        }
    }
    // Warm cache: every byte read once.
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip%04d.avi", i);
        testkit::ReadFileBytes(dir.file(name));
    }

    // Rounds of ours then mediainfo side by side: the load of the machine changes between rounds,
    // so the figure is the median of the rounds' ratios, beside each one's best time.
    const std::string command = "mediainfo --Output=JSON '" + dir.path().string() + "' > /dev/null";
    double ours = 1e300, theirs = 1e300;
    std::vector<double> ratios;
    size_t listed = 0, dated = 0;
    for (int run = 0; run < 5; ++run) {
        std::atomic<size_t> found{0}, valid{0};
        actions::ThreadedDirscan scan;
        scan.OnFileFound = [&](actions::ThreadedDirscan&, const std::string& path) {
            if (!rtl::SameText(rtl::ExtractFileExt(path), ".avi"))
                return;
            const actions::TAfficherFichier f(path);
            ++found;
            valid += f.Valid;
        };
        const double mine = benchkit::Seconds([&] {
            scan.Queue(dir.path().string());
            scan.WaitIdle(-1);
        });
        ours = std::min(ours, mine);
        listed = found;
        dated = valid;
        if (oursOnly)
            continue;
        int status = 0;
        const double peer = benchkit::Seconds([&] { status = std::system(command.c_str()); });
        if (status != 0) {
            std::fprintf(stderr, "mediainfo failed (is it installed?)\n");
            return 1;
        }
        theirs = std::min(theirs, peer);
        ratios.push_back(mine / peer);
    }

    std::printf("files %d, listed %zu, DV %zu\n", count, listed, dated);
    std::printf("ours: scan + analysis %.1f ms, %.3f ms per file\n", ours * 1e3, ours * 1e3 / count);
    if (!oursOnly) {
        std::printf("mediainfo --Output=JSON: %.1f ms, %.3f ms per file\n", theirs * 1e3, theirs * 1e3 / count);
        std::printf("ratio ours/mediainfo %.3f (median of %zu rounds)\n", benchkit::Median(ratios), ratios.size());
    }
    return listed == static_cast<size_t>(count) ? 0 : 1;
}
