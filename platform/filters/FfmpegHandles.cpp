#include "platform/filters/FfmpegHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

namespace ds::av {

void CodecContextFree::operator()(AVCodecContext* c) const
{
    avcodec_free_context(&c);
}

void ParserFree::operator()(AVCodecParserContext* p) const
{
    av_parser_close(p);
}

void FrameFree::operator()(AVFrame* f) const
{
    av_frame_free(&f);
}

void PacketFree::operator()(AVPacket* p) const
{
    av_packet_free(&p);
}

void SwrFree::operator()(SwrContext* s) const
{
    swr_free(&s);
}

void SwsFree::operator()(SwsContext* s) const
{
    sws_freeContext(s);
}

void MemoryFree::operator()(uint8_t* p) const
{
    av_free(p);
}

int SendPacketCopy(AVCodecContext* codec, AVPacket* packet, const uint8_t* data, size_t size, bool key)
{
    if (size > static_cast<size_t>(INT32_MAX - AV_INPUT_BUFFER_PADDING_SIZE))
        return AVERROR(EINVAL);
    const size_t need = size + AV_INPUT_BUFFER_PADDING_SIZE;
    if (!packet->buf || !av_buffer_is_writable(packet->buf) || packet->buf->size < need) {
        // Room for growth, so compressed frames of varying sizes soon stop reallocating.
        const size_t grown = std::max(size, packet->buf ? static_cast<size_t>(packet->buf->size) * 3 / 2 : size);
        av_packet_unref(packet);
        if (av_new_packet(packet, static_cast<int>(std::min<size_t>(grown, INT32_MAX / 2))) < 0)
            return AVERROR(ENOMEM);
    }
    if (size > 0)
        std::memcpy(packet->buf->data, data, size);
    std::memset(packet->buf->data + size, 0, AV_INPUT_BUFFER_PADDING_SIZE);
    packet->data = packet->buf->data;
    packet->size = static_cast<int>(size);
    packet->pts = packet->dts = AV_NOPTS_VALUE;
    packet->flags = key ? AV_PKT_FLAG_KEY : 0;
    return avcodec_send_packet(codec, packet);
}

void QuietLogs()
{
    av_log_set_level(AV_LOG_FATAL);
}

int DefaultThreadCount()
{
    return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
}

} // namespace ds::av
