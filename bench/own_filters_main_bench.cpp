// The own filters on PAL frames, one run each: nanoseconds per frame and the ratio to a memcpy of
// the same frame (libavfilter is not in our stack, so the copy is the peer). Goals: detector
// without text <= 0.5 and with text <= 1.0 of a DV-frame copy; overlay with text changing every
// frame <= 2.0 and hidden <= 1.2 of an RGB-frame copy; deinterlacer on a moving interlaced
// picture <= 10 of an RGB-frame copy. Each figure is the median time of one call.
// Usage: own_filters_main_bench [frames]
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "media/dv_deinter.h"
#include "media/dv_scenedetect.h"
#include "media/dv_superposer.h"
#include "tests/dshow/TestFilters.h"
#include "tests/kit/DvFrameBuilder.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace ds;

constexpr int kWidth = 720, kHeight = 576;
constexpr int kStride = kWidth * 3;
constexpr size_t kRgbSize = size_t{kStride} * kHeight;
constexpr REFERENCE_TIME kT = 400000;

struct Figure {
    double ns = 0;    // median time of one call
    double ratio = 0; // median of (call time / time of a copy of the same frame made just before)
};

double Median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + static_cast<ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

// `work(i)` timed over `frames` calls, each after an untimed `prepare(i)` and a timed copy of
// `size` bytes from `from` (the frame the call works on) to a buffer of its own. The machine is
// shared: copying just before each call makes the two meet the same caches and the same load,
// and the medians shrug off the calls another process interrupted.
Figure Measure(int frames, const uint8_t* from, size_t size, const std::function<void(int)>& work,
               const std::function<void(int)>& prepare)
{
    std::vector<uint8_t> to(size);
    std::vector<double> times, ratios;
    for (int i = 0; i < frames; ++i) {
        prepare(i);
        auto t0 = Clock::now();
        std::memcpy(to.data(), from, size);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const double copy = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        t0 = Clock::now();
        work(i);
        const double ns = std::chrono::duration<double, std::nano>(Clock::now() - t0).count();
        times.push_back(ns);
        ratios.push_back(ns / copy);
    }
    return {Median(times), Median(ratios)};
}

void Report(const char* what, const Figure& f, double goal)
{
    std::printf("%-42s %10.0f ns/frame  %6.2f x copy  (goal <= %.1f)%s\n", what, f.ns, f.ratio, goal,
                f.ratio <= goal ? "" : "  MISSED");
}

MediaType Rgb24()
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = kT;
    vih.bmiHeader.biWidth = kWidth;
    vih.bmiHeader.biHeight = kHeight;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(kRgbSize);
    return MediaType::Video(MEDIASUBTYPE_RGB24, vih);
}

// A filter's input connected to a hand-driven pin offering `type`, and the filter paused: its
// Transform can then be called directly.
struct Connected {
    testds::PushFilter push;
    explicit Connected(const MediaType& type, BaseFilter& filter) : push({type})
    {
        if (push.Output().Connect(*filter.GetPin(0), nullptr) != S_OK || FAILED(filter.Pause())) {
            std::fprintf(stderr, "cannot connect %s\n", filter.ClassName().c_str());
            std::exit(1);
        }
    }
};

// Two fields of a picture with a bar moving 12 pixels between them: combing wherever it moves.
std::vector<uint8_t> InterlacedPicture(int frame)
{
    std::vector<uint8_t> p(kRgbSize);
    for (int y = 0; y < kHeight; ++y) {
        const int shift = frame * 24 + (y % 2) * 12;
        for (int x = 0; x < kWidth; ++x) {
            const bool bar = ((x + shift) % 240) < 80;
            uint8_t* px = &p[static_cast<size_t>(y) * kStride + 3 * x];
            px[0] = bar ? 230 : static_cast<uint8_t>(20 + (x + y) % 60);
            px[1] = bar ? 220 : static_cast<uint8_t>(30 + x % 50);
            px[2] = bar ? 210 : static_cast<uint8_t>(40 + y % 40);
        }
    }
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const int frames = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    // 25 DV frames whose time code and date move on with every frame.
    std::vector<std::vector<uint8_t>> dv;
    for (int i = 0; i < 25; ++i)
        dv.push_back(testkit::DvFrameBuilder(testkit::Standard::Pal)
                         .recDate(2006, 12, 31, 23, 59, i % 60)
                         .timecode(0, 0, i / 25, i % 25)
                         .cameraFlags()
                         .build());
    MediaSample dvSample(144000), rgbIn(static_cast<int32_t>(kRgbSize)), rgbOut(static_cast<int32_t>(kRgbSize));
    auto feed = [&](media::Tdv_sceneDetect& d, int i) {
        std::memcpy(dvSample.GetPointer(), dv[static_cast<size_t>(i % 25)].data(), 144000);
        dvSample.SetActualDataLength(144000);
        dvSample.SetTime(i * kT, (i + 1) * kT);
        d.Transform(dvSample);
    };

    for (bool text : {false, true}) {
        auto detector = std::make_shared<media::Tdv_sceneDetect>();
        Connected c(testds::VideoType(), *detector);
        size_t sent = 0;
        if (text) {
            detector->SetAutoIncrust(0);
            detector->SetOnDatecodeText([&](const formats::DVFrameInfo&, const std::string& a, const std::string& b) {
                sent += a.size() + b.size();
            });
        }
        const Figure f = Measure(
            frames, dvSample.GetPointer(), 144000, [&](int) { detector->Transform(dvSample); },
            [&](int i) {
                std::memcpy(dvSample.GetPointer(), dv[static_cast<size_t>(i % 25)].data(), 144000);
                dvSample.SetActualDataLength(144000);
                dvSample.SetTime(i * kT, (i + 1) * kT);
            });
        Report(text ? "scene detector, text lines formatted" : "scene detector, no text", f, text ? 1.0 : 0.5);
        detector->Stop();
        benchmark::DoNotOptimize(sent);
    }

    for (bool hidden : {false, true}) {
        auto detector = std::make_shared<media::Tdv_sceneDetect>();
        auto overlay = std::make_shared<media::Tdv_Superposer>(detector.get());
        overlay->SetWhatIncrust(1); // the time code: new text on every frame
        overlay->SetAutoIncrust(hidden ? 1 : 0);
        overlay->SetIncrustDuration(0);
        Connected cd(testds::VideoType(), *detector);
        Connected co(Rgb24(), *overlay);
        const std::vector<uint8_t> picture = InterlacedPicture(0);
        std::memcpy(rgbIn.GetPointer(), picture.data(), kRgbSize);
        rgbIn.SetActualDataLength(static_cast<int32_t>(kRgbSize));
        const Figure f = Measure(
            frames, rgbIn.GetPointer(), kRgbSize, [&](int) { overlay->Transform(rgbIn, rgbOut); },
            [&](int i) {
                feed(*detector, i);
                rgbIn.SetTime(i * kT, (i + 1) * kT);
            });
        Report(hidden ? "overlay, text hidden" : "overlay, text changing every frame", f, hidden ? 1.2 : 2.0);
        overlay->Stop();
        detector->Stop();
    }

    {
        media::Tdv_deinter deinter;
        Connected c(Rgb24(), deinter);
        std::vector<std::vector<uint8_t>> pictures;
        for (int i = 0; i < 10; ++i)
            pictures.push_back(InterlacedPicture(i));
        rgbIn.SetActualDataLength(static_cast<int32_t>(kRgbSize));
        const Figure f = Measure(
            frames, rgbIn.GetPointer(), kRgbSize, [&](int) { deinter.Transform(rgbIn); },
            [&](int i) { std::memcpy(rgbIn.GetPointer(), pictures[static_cast<size_t>(i % 10)].data(), kRgbSize); });
        Report("deinterlacer, moving interlaced picture", f, 10.0);
        deinter.Stop();
    }
    return 0;
}
