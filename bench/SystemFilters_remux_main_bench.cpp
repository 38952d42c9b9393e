// Remux of a DV type-1 file of 2000 PAL frames to type 2: our raw graph (File Source, AVI
// Splitter, DV Splitter, AVI Mux, File writer, unclocked) against `ffmpeg -c copy` on the same
// file. Prints both times (best of three runs each) and their ratio; the goal is a ratio <= 1.
// Usage: SystemFilters_remux_main_bench [frames]
#include "formats/AviMuxWriter.h"
#include "formats/DvAudio.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/filters/AviMux.h"
#include "platform/filters/AviSplitter.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/FileSource.h"
#include "platform/filters/FileWriter.h"
#include "platform/filters/SystemFilters.h"
#include "platform/rtl/ByteOrder.h"
#include "tests/kit/FileByteStream.h"
#include "tests/kit/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// Wraps raw DV frames into a type-1 AVI (one interleaved stream) with the writer core.
bool WrapType1(const std::string& raw, const std::string& avi, int& frames)
{
    std::ifstream in(raw, std::ios::binary);
    std::vector<uint8_t> frame(144000);
    testkit::FileByteStream out(avi);
    formats::AviMuxWriter w(out);
    formats::AviStreamSpec s;
    s.kind = formats::AviStreamKind::Interleaved;
    s.handler = rtl::FourCC("dvsd");
    s.scale = 1;
    s.rate = 25;
    s.width = 720;
    s.height = 576;
    frames = 0;
    while (in.read(reinterpret_cast<char*>(frame.data()), static_cast<std::streamsize>(frame.size()))) {
        if (frames == 0) {
            const auto info = formats::DvInfoFromFrame(frame);
            s.format.assign(info.begin(), info.end());
            w.AddStream(s);
            if (!w.Begin())
                return false;
        }
        if (!w.WriteChunk(0, frame.data(), frame.size()))
            return false;
        ++frames;
    }
    return frames > 0 && w.Finish() && out.Close();
}

// `stopShare` gets the time of the stop: the file writer makes the file durable (fsync) and
// gives it its name.
double OurRemux(const std::string& in, const std::string& out, double* stopShare = nullptr)
{
    const auto start = Clock::now();
    ds::FilterGraph graph;
    auto source = std::make_shared<ds::FileSource>();
    auto splitter = std::make_shared<ds::AviSplitter>();
    auto dv = std::make_shared<ds::DvSplitter>();
    auto mux = std::make_shared<ds::AviMux>();
    auto writer = std::make_shared<ds::FileWriter>();
    graph.AddFilter(source, "source");
    graph.AddFilter(splitter, "avisplitter");
    graph.AddFilter(dv, "dvsplitter");
    graph.AddFilter(mux, "avimux");
    graph.AddFilter(writer, "destination");
    if (ds::FAILED(source->Load(in, nullptr)))
        return -1;
    writer->SetFileName(out, nullptr);
    writer->SetMode(ds::AM_FILE_OVERWRITE);
    graph.Connect(source->GetPin(0), splitter->GetPin(0));
    graph.Connect(splitter->GetPin(0), dv->GetPin(0));
    for (int k = 1; k < dv->GetPinCount(); ++k)
        graph.Connect(dv->GetPin(k), mux->GetPin(k));
    graph.Connect(mux->GetPin(0), writer->GetPin(0));
    graph.SetSyncSource(nullptr);
    graph.Run();
    const int32_t ev = graph.WaitForCompletion(600000);
    const double streamed = Seconds(start);
    graph.Stop();
    if (stopShare)
        *stopShare = Seconds(start) - streamed;
    return ev == ds::EC_COMPLETE ? Seconds(start) : -1;
}

// With `durable`, the output is also flushed to disk (sync FILE), as our file writer does.
double FfmpegRemux(const std::string& in, const std::string& out, bool durable)
{
    const auto start = Clock::now();
    const int rc = testkit::RunCommand("ffmpeg -nostdin -v error -i " + in + " -c copy -y " + out +
                                       (durable ? " && sync " + out : std::string()));
    return rc == 0 ? Seconds(start) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    const int wanted = argc > 1 ? std::max(std::atoi(argv[1]), 25) : 2000;
    if (!testkit::HaveProgram("ffmpeg")) {
        std::printf("ffmpeg not installed: nothing to compare with\n");
        return 0;
    }
    testkit::TempDir dir;
    const std::string raw = dir.file("clip.dv"), type1 = dir.file("clip.avi");
    const std::string seconds = std::to_string(wanted / 25.0);
    std::printf("making %d PAL frames with ffmpeg...\n", wanted);
    if (testkit::RunCommand("ffmpeg -nostdin -v error -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i "
                            "\"aevalsrc=0.5*sin(440*2*PI*t)|0.4*sin(97*2*PI*t):s=48000\" -t " +
                            seconds + " -target pal-dv -y " + raw) != 0) {
        std::printf("ffmpeg could not make the clip\n");
        return 1;
    }
    int frames = 0;
    if (!WrapType1(raw, type1, frames)) {
        std::printf("could not write the type-1 file\n");
        return 1;
    }
    std::remove(raw.c_str());
    testkit::ReadFileBytes(type1); // both start from a warm cache

    double ours = 1e9, theirs = 1e9, theirsDurable = 1e9, stop = 0;
    for (int run = 0; run < 3; ++run) {
        // Every run starts with no dirty pages left by the one before (the kernel would throttle it).
        double stopShare = 0;
        testkit::RunCommand("sync");
        const double a = OurRemux(type1, dir.file("ours.avi"), &stopShare);
        testkit::RunCommand("sync");
        const double b = FfmpegRemux(type1, dir.file("ffmpeg.avi"), false);
        testkit::RunCommand("sync");
        const double c = FfmpegRemux(type1, dir.file("ffmpeg2.avi"), true);
        if (a < 0 || b < 0 || c < 0) {
            std::printf("a remux failed (ours %.3f, ffmpeg %.3f, %.3f)\n", a, b, c);
            return 1;
        }
        if (a < ours)
            stop = stopShare;
        ours = std::min(ours, a);
        theirs = std::min(theirs, b);
        theirsDurable = std::min(theirsDurable, c);
    }
    std::printf("type 1 -> type 2, %d PAL frames (%.1f MB)\n", frames, frames * 0.144);
    std::printf("ours:                %.3f s (%.0f frames/s), of which stop (fsync, rename) %.3f s\n", ours,
                frames / ours, stop);
    std::printf("ffmpeg -c copy:      %.3f s (%.0f frames/s)\n", theirs, frames / theirs);
    std::printf("ffmpeg + sync file:  %.3f s\n", theirsDurable);
    // Our file writer flushes the file to disk before naming it; ffmpeg does not.
    std::printf("ratio ours/ffmpeg, as they stand:             %.2f\n", ours / theirs);
    std::printf("ratio ours/(ffmpeg + sync), both durable:     %.2f %s\n", ours / theirsDurable,
                ours <= theirsDurable ? "(goal met)" : "(goal missed)");
    std::printf("ratio of the streaming alone (without stop):  %.2f %s\n", (ours - stop) / theirs,
                ours - stop <= theirs ? "(goal met)" : "(goal missed)");
    return 0;
}
