// The DV codec filters against ffmpeg with the same thread count N:
// - decoding: 2000 PAL frames read from a raw DV file to RGB24 by the DV Video Decoder, against
//   `ffmpeg -threads N -i clip.dv -pix_fmt bgr24 -f null -`;
// - encoding: 100 RGB24 pictures cycled to 2000 frames through the DV Video Encoder, against
//   ffmpeg's `-threads N -c:v dvvideo -flags +ildct` of them from a raw file with `-stream_loop 19`.
// Prints frames per second and the time ratios ours/ffmpeg (goal <= 1.0, best of three runs),
// and the allocations made over the last 1000 frames (operator new and the malloc family are
// interposed here; goal none), with the share that libavcodec's own calls make for the same work
// when called directly, without the filter.
// Usage: dv_codec_main_bench [N...]   (default: 1 and 4)
#include "platform/dshow/BaseRenderer.h"
#include "platform/filters/DvSplitter.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/DvVideoEncoder.h"
#include "platform/filters/PictureConverter.h"
#include "platform/filters/SystemFilters.h"
#include "tests/filters/CodecPins.h"
#include "tests/kit/TempDir.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Allocation counting: every allocation of the process, from any thread and any library, goes
// through these while `counting` is set.

namespace {
std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0};
inline void Count()
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
}
} // namespace

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n)
{
    Count();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    Count();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    Count();
    return __libc_realloc(p, n);
}
void* memalign(size_t alignment, size_t n)
{
    Count();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n)
{
    Count();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n)
{
    Count();
    *out = __libc_memalign(alignment, n);
    return *out ? 0 : ENOMEM;
}
}

void* operator new(size_t n)
{
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n)
{
    return operator new(n);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace ds;
using Clock = std::chrono::steady_clock;

constexpr int kFrames = 2000;
constexpr int kCountFrom = kFrames - 1000; // allocations are counted over the last 1000 frames
constexpr size_t kDvFrame = 144000;
constexpr size_t kPicture = 720 * 576 * 3;

double Seconds(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// A renderer that only counts, so the sink itself allocates nothing.
class CountingSink : public BaseRenderer {
public:
    CountingSink() : BaseRenderer("Counting Sink") {}
    HRESULT CheckMediaType(const MediaType& mt) override { return mt.MatchesPartial(accept_) ? S_OK : S_FALSE; }
    HRESULT DoRenderSample(MediaSample&) override
    {
        ++frames_;
        return S_OK;
    }
    MediaType accept_;
    std::atomic<int> frames_{0};
};

struct Result {
    double seconds = 1e9;
    uint64_t allocations = 0;
    int frames = 0;
};

// Pushes `frames` samples made by `fill` (frame index, buffer) through `filter` into a counting sink.
template <class Fill>
Result Push(BaseFilter& filter, const MediaType& in, const MediaType& accept, size_t sampleSize, Fill fill,
            int64_t frameTime)
{
    Result r;
    codectest::BytePush source(in, static_cast<int32_t>(sampleSize));
    CountingSink sink;
    sink.accept_ = accept;
    if (source.Output().Connect(*filter.GetPin(0), nullptr) != S_OK ||
        filter.GetPin(1)->Connect(*sink.Input(), nullptr) != S_OK)
        return r;
    std::vector<uint8_t> buffer(sampleSize);
    const auto start = Clock::now();
    testds::Start({&source, &filter, &sink});
    for (int i = 0; i < kFrames; ++i) {
        if (i == kCountFrom) {
            allocations.store(0);
            counting.store(true);
        }
        if (!fill(i, buffer.data()))
            break;
        source.Send(buffer.data(), buffer.size(), i * frameTime, (i + 1) * frameTime);
    }
    counting.store(false);
    r.allocations = allocations.load();
    source.End();
    r.seconds = Seconds(start);
    testds::Halt({&source, &filter, &sink});
    r.frames = sink.frames_.load();
    source.Output().Disconnect();
    filter.GetPin(1)->Disconnect();
    return r;
}

Result OurDecode(const std::string& clip, int threads)
{
    std::ifstream in(clip, std::ios::binary);
    DvVideoDecoder decoder;
    decoder.SetThreadCount(threads);
    return Push(
        decoder, DvVideoType(true), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_RGB24), kDvFrame,
        [&](int, uint8_t* frame) {
            return static_cast<bool>(in.read(reinterpret_cast<char*>(frame), static_cast<std::streamsize>(kDvFrame)));
        },
        400000);
}

Result OurEncode(const std::vector<std::string>& pictures, int threads)
{
    DvVideoEncoder encoder;
    encoder.SetThreadCount(threads);
    return Push(
        encoder, PictureType(MEDIASUBTYPE_RGB24, 720, 576, 400000), MediaType(MEDIATYPE_Video, MEDIASUBTYPE_dvsd),
        kPicture,
        [&](int i, uint8_t* picture) {
            std::memcpy(picture, pictures[static_cast<size_t>(i) % pictures.size()].data(), kPicture);
            return true;
        },
        400000);
}

// What libavcodec's own send and receive calls allocate for the same decoding, the floor of ours.
uint64_t LibavcodecDecodeAllocations(const std::string& clip, int threads)
{
    std::ifstream in(clip, std::ios::binary);
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* c = avcodec_alloc_context3(codec);
    c->thread_type = FF_THREAD_SLICE;
    c->thread_count = threads;
    avcodec_open2(c, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, kDvFrame);
    AVFrame* frame = av_frame_alloc();
    for (int i = 0; i < kFrames && in.read(reinterpret_cast<char*>(packet->data), kDvFrame); ++i) {
        if (i == kCountFrom) {
            allocations.store(0);
            counting.store(true);
        }
        avcodec_send_packet(c, packet);
        avcodec_receive_frame(c, frame);
        av_frame_unref(frame);
    }
    counting.store(false);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&c);
    return allocations.load();
}

// The same for the encoding as the filter does it: each frame sent to one of `threads` codec
// contexts of a thread each, and its packet taken at once.
uint64_t LibavcodecEncodeAllocations(int threads)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    std::vector<AVCodecContext*> contexts;
    for (int i = 0; i < threads; ++i) {
        AVCodecContext* c = avcodec_alloc_context3(codec);
        c->width = 720;
        c->height = 576;
        c->pix_fmt = AV_PIX_FMT_YUV420P;
        c->time_base = AVRational{1, 25};
        c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
        c->thread_count = 1;
        avcodec_open2(c, codec, nullptr);
        contexts.push_back(c);
    }
    std::vector<AVFrame*> pictures;
    for (int i = 0; i < threads + 2; ++i) {
        AVFrame* f = av_frame_alloc();
        f->format = AV_PIX_FMT_YUV420P;
        f->width = 720;
        f->height = 576;
        av_frame_get_buffer(f, 0);
        std::memset(f->data[0], 16 + i, static_cast<size_t>(f->linesize[0]) * 576);
        pictures.push_back(f);
    }
    AVPacket* packet = av_packet_alloc();
    for (int i = 0; i < kFrames; ++i) {
        if (i == kCountFrom) {
            allocations.store(0);
            counting.store(true);
        }
        AVFrame* f = pictures[static_cast<size_t>(i) % pictures.size()];
        f->pts = i;
        AVCodecContext* c = contexts[static_cast<size_t>(i) % contexts.size()];
        avcodec_send_frame(c, f);
        while (avcodec_receive_packet(c, packet) >= 0)
            av_packet_unref(packet);
    }
    counting.store(false);
    av_packet_free(&packet);
    for (AVFrame* f : pictures)
        av_frame_free(&f);
    for (AVCodecContext* c : contexts)
        avcodec_free_context(&c);
    return allocations.load();
}

double Ffmpeg(const std::string& args)
{
    const auto start = Clock::now();
    const int rc = testkit::RunCommand("ffmpeg -nostdin -v error " + args, nullptr, 600);
    return rc == 0 ? Seconds(start) : -1;
}

void Report(const char* what, int threads, const Result& ours, double theirs, uint64_t floor)
{
    std::printf("%s, N = %d: ours %.3f s (%.0f frames/s, %d frames out), ffmpeg %.3f s (%.0f frames/s): "
                "ratio %.2f %s\n",
                what, threads, ours.seconds, kFrames / ours.seconds, ours.frames, theirs, kFrames / theirs,
                ours.seconds / theirs, ours.seconds <= theirs ? "(goal met)" : "(goal missed)");
    std::printf("    allocations over the last 1000 frames: %llu (%.1f a frame)", (unsigned long long)ours.allocations,
                ours.allocations / 1000.0);
    std::printf(", of which libavcodec's own calls make %llu: ours %.3f a frame (goal 0)\n", (unsigned long long)floor,
                (static_cast<double>(ours.allocations) - static_cast<double>(floor)) / 1000.0);
}

} // namespace

int main(int argc, char** argv)
{
    RegisterSystemFilters(FilterRegistry::Instance());
    std::vector<int> threadCounts;
    for (int i = 1; i < argc; ++i)
        threadCounts.push_back(std::max(1, std::atoi(argv[i])));
    if (threadCounts.empty())
        threadCounts = {1, 4};
    if (!testkit::HaveProgram("ffmpeg")) {
        std::printf("ffmpeg not installed: nothing to compare with\n");
        return 0;
    }
    testkit::TempDir dir;
    const std::string clip = dir.file("clip.dv"), pictures = dir.file("pictures.raw");
    std::printf("making %d PAL DV frames and 100 RGB24 pictures with ffmpeg...\n", kFrames);
    if (Ffmpeg("-f lavfi -i testsrc2=size=720x576:rate=25 -frames:v " + std::to_string(kFrames) +
               " -pix_fmt yuv420p -c:v dvvideo -y " + clip) < 0 ||
        Ffmpeg("-f lavfi -i testsrc2=size=720x576:rate=25 -frames:v 100 -pix_fmt bgr24 -f rawvideo -y " + pictures) <
            0) {
        std::printf("ffmpeg could not make the inputs\n");
        return 1;
    }
    // Our encoder takes bottom-up DIBs: the raw pictures' rows turned over once, beforehand.
    const std::string raw = testkit::ReadFileBytes(pictures);
    std::vector<std::string> dibs;
    for (size_t at = 0; at + kPicture <= raw.size(); at += kPicture)
        dibs.push_back(codectest::FlipRows(raw.substr(at, kPicture), 720 * 3));
    testkit::ReadFileBytes(clip); // both start from a warm cache

    for (int n : threadCounts) {
        Result decode, encode;
        double ffDecode = 1e9, ffEncode = 1e9;
        for (int run = 0; run < 3; ++run) {
            const Result d = OurDecode(clip, n);
            if (d.seconds < decode.seconds)
                decode = d;
            ffDecode = std::min(ffDecode,
                                Ffmpeg("-threads " + std::to_string(n) + " -i " + clip + " -pix_fmt bgr24 -f null -"));
            const Result e = OurEncode(dibs, n);
            if (e.seconds < encode.seconds)
                encode = e;
            // The thread count given after the input is the encoder's; both code with interlaced DCT,
            // as a camcorder does.
            ffEncode = std::min(ffEncode, Ffmpeg("-f rawvideo -pix_fmt bgr24 -s 720x576 -r 25 -stream_loop 19 -i " +
                                                 pictures + " -threads " + std::to_string(n) +
                                                 " -c:v dvvideo -flags +ildct -pix_fmt yuv420p -f null -"));
        }
        Report("decode to RGB24", n, decode, ffDecode, LibavcodecDecodeAllocations(clip, n));
        Report("encode from RGB24", n, encode, ffEncode, LibavcodecEncodeAllocations(n));
    }
    return 0;
}
