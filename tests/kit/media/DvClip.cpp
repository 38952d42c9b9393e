#include "tests/kit/media/DvClip.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace testkit {
namespace {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

uint8_t Bcd(int v)
{
    return static_cast<uint8_t>((v / 10) << 4 | (v % 10));
}

// Packs of sequence-relative positions: subcode time code, VAUX source, control, date, time.
void StampPacks(uint8_t* frame, int sequences, bool pal, bool wide, int frameIndex, const DvClipSpec& spec)
{
    const int fps = pal ? 25 : 30;
    int total = spec.second + 60 * (spec.minute + 60 * spec.hour) + frameIndex / fps;
    for (const DvClipSpec::DateJump& jump : spec.dateJumps)
        if (frameIndex >= jump.first)
            total += jump.seconds;
    const int sec = total % 60, min = total / 60 % 60, hour = total / 3600 % 24;
    const int dayCarry = total / 86400;
    // The kit's dates stay simple: a day past the 31st becomes the 1st of the next month.
    int day = spec.day + dayCarry, month = spec.month, year = spec.year;
    if (day > 31) {
        day -= 31;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
    const int tcFrames = frameIndex % fps;
    const int tcTotal = frameIndex / fps;
    for (int s = 0; s < sequences; ++s) {
        uint8_t* b = frame + static_cast<size_t>(s) * formats::kDifSequenceSize;
        const uint8_t tc[5] = {0x13, Bcd(tcFrames), Bcd(tcTotal % 60), Bcd(tcTotal / 60 % 60),
                               Bcd(tcTotal / 3600 % 24)};
        std::memcpy(b + 110, tc, 5);
        std::memcpy(b + 190, tc, 5);
        const uint8_t source[5] = {0x60, 0xFF, 0xFF, static_cast<uint8_t>(0xC0 | (pal ? 0x20 : 0x00)), 0xFF};
        const uint8_t control[5] = {0x61, 0x33, static_cast<uint8_t>(0xC8 | (wide ? 2 : 0)), 0xFC, 0xFF};
        const uint8_t date[5] = {0x62, 0xFF, Bcd(day), Bcd(month), Bcd(year % 100)};
        const uint8_t time[5] = {0x63, 0xFF, Bcd(sec), Bcd(min), Bcd(hour)};
        std::memcpy(b + 448, source, 5);
        std::memcpy(b + 453, control, 5);
        std::memcpy(b + 458, date, 5);
        std::memcpy(b + 463, time, 5);
        // The low bits of AP3 describe the aspect source; zero keeps display mode 7 meaningful.
        b[7] = static_cast<uint8_t>(b[7] & ~0x07);
    }
}

int16_t Tone(int64_t n, double hz, int rate, double level, int salt)
{
    const double v = level * std::sin(2 * M_PI * hz * static_cast<double>(n) / rate) + ((n * 7919 + salt) % 97 - 48);
    return static_cast<int16_t>(std::lround(std::clamp(v, -32767.0, 32767.0)));
}

} // namespace

std::vector<uint8_t> EncodeDvPicture(bool pal, int seed)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (!codec)
        throw std::runtime_error("no DV encoder in libavcodec");
    std::unique_ptr<AVCodecContext, CodecContextFree> ctx(avcodec_alloc_context3(codec));
    ctx->width = 720;
    ctx->height = pal ? 576 : 480;
    ctx->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    ctx->time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
    ctx->framerate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    ctx->sample_aspect_ratio = pal ? AVRational{16, 15} : AVRational{8, 9};
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        throw std::runtime_error("cannot open the DV encoder");
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    frame->format = ctx->pix_fmt;
    frame->width = ctx->width;
    frame->height = ctx->height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        throw std::runtime_error("no picture buffer");
    // A diagonal gradient with a bar that moves with the seed.
    for (int y = 0; y < frame->height; ++y)
        for (int x = 0; x < frame->width; ++x) {
            const bool bar = ((x + seed * 23) % 720) < 60;
            frame->data[0][y * frame->linesize[0] + x] =
                static_cast<uint8_t>(bar ? 235 : 16 + (x + y + seed * 5) % 200);
        }
    const int chromaW = pal ? 360 : 180, chromaH = pal ? 288 : 480;
    for (int y = 0; y < chromaH; ++y)
        for (int x = 0; x < chromaW; ++x) {
            frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(128 + (x + seed) % 64 - 32);
            frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(128 + (y + seed * 3) % 64 - 32);
        }
    frame->pts = seed;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (avcodec_send_frame(ctx.get(), frame.get()) < 0 || avcodec_receive_packet(ctx.get(), packet.get()) < 0)
        throw std::runtime_error("DV encoding failed");
    return std::vector<uint8_t>(packet->data, packet->data + packet->size);
}

std::vector<int16_t> DvClip::PairSamples(int pair) const
{
    std::vector<int16_t> all;
    for (const auto& f : pcm[pair])
        all.insert(all.end(), f.begin(), f.end());
    return all;
}

DvClipFrames::DvClipFrames(const DvClipSpec& spec) : spec_(spec)
{
    for (int i = 0; i < std::max(spec.distinctPictures, 1); ++i)
        pictures_.push_back(EncodeDvPicture(spec.pal, i));
}

bool DvClipFrames::Next(std::vector<uint8_t>& frame, std::vector<int16_t> (&pcm)[2])
{
    const DvClipSpec& spec = spec_;
    if (index_ >= spec.frames)
        return false;
    const int k = index_++;
    frame = pictures_[static_cast<size_t>(k) % pictures_.size()];
    StampPacks(frame.data(), spec.pal ? 12 : 10, spec.pal, spec.wide, k, spec);
    pcm[0].clear();
    pcm[1].clear();
    if (!spec.sound)
        return true;
    int count = formats::DvLockedSampleCount(spec.pal, spec.audio.sampleRate, k);
    if (spec.wanderingCounts && !spec.audio.locked) {
        const int min = formats::DvMinSamples(spec.pal, spec.audio.sampleRate);
        const int max = std::min(formats::DvMaxSamples(spec.pal, spec.audio.sampleRate, spec.audio.bits), min + 63);
        count = std::clamp(count + (k * 7) % 9 - 4, min, max);
    }
    for (int p = 0; p < spec.audio.pairs; ++p) {
        pcm[p].resize(2 * static_cast<size_t>(count));
        for (int n = 0; n < count; ++n) {
            int16_t l = Tone(sampleIndex_ + n, 440.0 + 110 * p, spec.audio.sampleRate, 12000, p);
            int16_t r = Tone(sampleIndex_ + n, 97.0 + 30 * p, spec.audio.sampleRate, 9000, p + 5);
            if (spec.audio.bits == 12) { // what 12-bit codes can carry comes back exactly
                l = formats::DvAudio12To16(formats::DvAudio16To12(l));
                r = formats::DvAudio12To16(formats::DvAudio16To12(r));
            }
            pcm[p][2 * n] = l;
            pcm[p][2 * n + 1] = r;
        }
    }
    if (!formats::EncodeDvAudio(frame, spec.audio, count, pcm[0].data(),
                                spec.audio.pairs > 1 ? pcm[1].data() : nullptr))
        throw std::runtime_error("sound does not fit the frame");
    sampleIndex_ += count;
    return true;
}

DvClip MakeDvClip(const DvClipSpec& spec)
{
    DvClip clip;
    clip.pal = spec.pal;
    clip.audio = spec.audio;
    clip.sound = spec.sound;
    DvClipFrames frames(spec);
    std::vector<uint8_t> frame;
    std::vector<int16_t> pcm[2];
    while (frames.Next(frame, pcm)) {
        clip.samples.push_back(spec.sound ? static_cast<int>(pcm[0].size() / 2) : 0);
        if (spec.sound) {
            clip.pcm[0].push_back(std::move(pcm[0]));
            if (spec.audio.pairs > 1)
                clip.pcm[1].push_back(std::move(pcm[1]));
        }
        clip.frames.push_back(std::move(frame));
    }
    return clip;
}

} // namespace testkit
