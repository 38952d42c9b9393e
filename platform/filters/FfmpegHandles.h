#pragma once
// Owners of FFmpeg objects for the codec filters: each handle frees its object with the library's
// own free function, so a filter holds them as members and never frees by hand. The structs stay
// opaque here; only the filters' sources include FFmpeg's headers.
#include <cstddef>
#include <cstdint>
#include <memory>

struct AVCodecContext;
struct AVCodecParserContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct SwsContext;

namespace ds::av {

struct CodecContextFree {
    void operator()(AVCodecContext* c) const;
};
struct ParserFree {
    void operator()(AVCodecParserContext* p) const;
};
struct FrameFree {
    void operator()(AVFrame* f) const;
};
struct PacketFree {
    void operator()(AVPacket* p) const;
};
struct SwrFree {
    void operator()(SwrContext* s) const;
};
struct SwsFree {
    void operator()(SwsContext* s) const;
};
struct MemoryFree {
    void operator()(uint8_t* p) const;
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using MemoryPtr = std::unique_ptr<uint8_t, MemoryFree>; // from av_malloc

// Copies `size` bytes into the packet's own padded buffer, reused once the decoder has let go
// of it, and sends it to the decoder (`key`: a key frame); libavcodec's result.
int SendPacketCopy(AVCodecContext* codec, AVPacket* packet, const uint8_t* data, size_t size, bool key = true);

// Keeps libav's messages about damaged input off standard error: the filters drop what fails
// and say so through their results. Called when the codec filters are registered.
void QuietLogs();

// Slice threads a codec gets unless told otherwise: the cores, up to 8.
int DefaultThreadCount();

} // namespace ds::av
