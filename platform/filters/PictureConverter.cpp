#include "platform/filters/PictureConverter.h"
#include "platform/rtl/ByteOrder.h"

#include <algorithm>
#include <atomic>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <utility>

namespace ds {
namespace {

constexpr int kMaxSide = 8192;

struct Kind {
    const Guid* subtype;
    AVPixelFormat format;
    uint16_t bits;
    uint32_t compression; // biCompression of a new type
    bool rgb;
    bool planar;          // Y, then U and V (V first for YV12), each a plane of its own
    int chromaShiftX = 0; // a planar chroma sample covers 1 << shift pixels across and down
    int chromaShiftY = 0;
};

const Kind* KindOf(const Guid& subtype)
{
    static const Kind kinds[] = {
        {&MEDIASUBTYPE_RGB24, AV_PIX_FMT_BGR24, 24, 0, true, false},
        {&MEDIASUBTYPE_RGB32, AV_PIX_FMT_BGRA, 32, 0, true, false},
        {&MEDIASUBTYPE_RGB565, AV_PIX_FMT_RGB565LE, 16, 3, true, false},
        {&MEDIASUBTYPE_RGB555, AV_PIX_FMT_RGB555LE, 16, 0, true, false},
        {&MEDIASUBTYPE_YUY2, AV_PIX_FMT_YUYV422, 16, rtl::FourCC("YUY2"), false, false},
        {&MEDIASUBTYPE_UYVY, AV_PIX_FMT_UYVY422, 16, rtl::FourCC("UYVY"), false, false},
        {&MEDIASUBTYPE_I420, AV_PIX_FMT_YUV420P, 12, rtl::FourCC("I420"), false, true, 1, 1},
        {&MEDIASUBTYPE_YV12, AV_PIX_FMT_YUV420P, 12, rtl::FourCC("YV12"), false, true, 1, 1},
        {&MEDIASUBTYPE_Y41B, AV_PIX_FMT_YUV411P, 12, rtl::FourCC("Y41B"), false, true, 2, 0},
    };
    for (const Kind& k : kinds)
        if (*k.subtype == subtype)
            return &k;
    return nullptr;
}

std::optional<PictureLayout> Layout(const Guid& subtype, int width, int height)
{
    const Kind* kind = KindOf(subtype);
    if (!kind || width < 1 || width > kMaxSide || height == 0 || std::abs(height) > kMaxSide)
        return std::nullopt;
    PictureLayout l;
    l.subtype = subtype;
    l.format = kind->format;
    l.width = width;
    l.height = std::abs(height);
    // A DIB's rows run bottom-up unless its height is negative; YUV rows always run top-down.
    l.bottomUp = kind->rgb && height > 0;
    if (!kind->rgb && (width & 1))
        return std::nullopt;
    if (kind->planar) {
        // Whole chroma samples only.
        if ((width & ((1 << kind->chromaShiftX) - 1)) || (l.height & ((1 << kind->chromaShiftY) - 1)))
            return std::nullopt;
        l.planar = true;
        l.chromaShiftX = kind->chromaShiftX;
        l.chromaShiftY = kind->chromaShiftY;
        l.stride = width;
        l.size = static_cast<size_t>(width) * l.height +
                 2 * static_cast<size_t>(width >> l.chromaShiftX) * (l.height >> l.chromaShiftY);
    } else {
        l.stride = (width * kind->bits + 31) / 32 * 4;
        l.size = static_cast<size_t>(l.stride) * l.height;
    }
    return l;
}

} // namespace

PicturePlanes PictureLayout::Planes(uint8_t* base) const
{
    PicturePlanes p;
    p.format = format;
    p.width = width;
    p.height = height;
    if (planar) {
        const size_t luma = static_cast<size_t>(width) * height;
        const size_t chroma = static_cast<size_t>(width >> chromaShiftX) * (height >> chromaShiftY);
        const bool swapped = subtype == MEDIASUBTYPE_YV12; // YV12 holds V before U
        p.data[0] = base;
        p.data[swapped ? 2 : 1] = base + luma;
        p.data[swapped ? 1 : 2] = base + luma + chroma;
        p.linesize[0] = width;
        p.linesize[1] = p.linesize[2] = width >> chromaShiftX;
    } else if (bottomUp) {
        p.data[0] = base + static_cast<size_t>(height - 1) * stride;
        p.linesize[0] = -stride;
    } else {
        p.data[0] = base;
        p.linesize[0] = stride;
    }
    return p;
}

std::optional<PictureLayout> LayoutOf(const MediaType& mt)
{
    if (mt.majortype != MEDIATYPE_Video)
        return std::nullopt;
    auto vih = mt.GetVideoInfo();
    if (!vih)
        return std::nullopt;
    return Layout(mt.subtype, vih->bmiHeader.biWidth, vih->bmiHeader.biHeight);
}

MediaType PictureType(const Guid& subtype, int width, int height, int64_t frameTime)
{
    const Kind* kind = KindOf(subtype);
    auto layout = Layout(subtype, width, height);
    if (!kind || !layout)
        return MediaType();
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = frameTime;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = kind->bits;
    vih.bmiHeader.biCompression = kind->compression;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(layout->size);
    if (frameTime > 0)
        vih.dwBitRate = static_cast<uint32_t>(std::min<uint64_t>(
            layout->size * 8 * static_cast<uint64_t>(UNITS) / static_cast<uint64_t>(frameTime), UINT32_MAX));
    MediaType mt = MediaType::Video(subtype, vih);
    if (subtype == MEDIASUBTYPE_RGB565) // the three bit fields of a BI_BITFIELDS header
        for (uint32_t mask : {0xF800u, 0x07E0u, 0x001Fu}) {
            uint8_t b[4];
            rtl::PutLE32(b, mask);
            mt.format.insert(mt.format.end(), b, b + 4);
        }
    return mt;
}

PicturePlanes PlanesOf(const AVFrame& frame)
{
    PicturePlanes planes;
    planes.format = frame.format;
    planes.width = frame.width;
    planes.height = frame.height;
    for (int i = 0; i < 4; ++i) {
        planes.data[i] = frame.data[i];
        planes.linesize[i] = frame.linesize[i];
    }
    return planes;
}

bool PictureConverter::Convert(const PicturePlanes& from, const PicturePlanes& to)
{
    // The same pixels in the same size: rows copied, nothing computed (a codec's own planes).
    if (from.format == to.format && from.width == to.width && from.height == to.height) {
        const uint8_t* src[4] = {from.data[0], from.data[1], from.data[2], from.data[3]};
        uint8_t* dst[4] = {to.data[0], to.data[1], to.data[2], to.data[3]};
        int dstLinesize[4] = {to.linesize[0], to.linesize[1], to.linesize[2], to.linesize[3]};
        av_image_copy(dst, dstLinesize, src, from.linesize, static_cast<AVPixelFormat>(to.format), to.width, to.height);
        return true;
    }
    if (workers_ && from.width == to.width && from.height == to.height && to.width % 16 == 0 && to.height >= 64)
        return ConvertBands(from, to);
    const int flags = flags_ ? flags_ : SWS_BICUBIC;
    SwsContext* c = sws_getCachedContext(context_.release(), from.width, from.height,
                                         static_cast<AVPixelFormat>(from.format), to.width, to.height,
                                         static_cast<AVPixelFormat>(to.format), flags, nullptr, nullptr, nullptr);
    context_.reset(c);
    if (!c)
        return false;
    if (to.width % 16 == 0)
        return sws_scale(c, from.data, from.linesize, 0, from.height, to.data, to.linesize) > 0;
    if (!bounce_ || bounced_.format != to.format || bounced_.width != to.width || bounced_.height != to.height) {
        bounce_.reset();
        bounced_ = PicturePlanes();
        uint8_t* data[4] = {};
        int linesize[4] = {};
        const int padded = (to.width + 15) / 16 * 16;
        if (av_image_alloc(data, linesize, padded, to.height, static_cast<AVPixelFormat>(to.format), 64) < 0)
            return false;
        bounce_.reset(data[0]);
        bounced_.format = to.format;
        bounced_.width = to.width;
        bounced_.height = to.height;
        std::copy(data, data + 4, bounced_.data);
        std::copy(linesize, linesize + 4, bounced_.linesize);
    }
    if (sws_scale(c, from.data, from.linesize, 0, from.height, bounced_.data, bounced_.linesize) <= 0)
        return false;
    uint8_t* data[4];
    int linesize[4];
    const uint8_t* bounced[4];
    for (int i = 0; i < 4; ++i) {
        data[i] = to.data[i];
        linesize[i] = to.linesize[i];
        bounced[i] = bounced_.data[i];
    }
    av_image_copy(data, linesize, bounced, bounced_.linesize, static_cast<AVPixelFormat>(to.format), to.width,
                  to.height);
    return true;
}

void PictureConverter::SetThreads(int threads)
{
    bands_.clear();
    workers_.reset();
    if (threads > 1)
        workers_ = std::make_unique<SliceWorkers>(threads);
}

// Bands of whole 16-row stripes: every plane's rows split evenly between them, and the converters
// of pictures of one size keep chroma within a band.
bool PictureConverter::ConvertBands(const PicturePlanes& from, const PicturePlanes& to)
{
    const int threads = workers_->Threads();
    const int rows = (from.height / threads + 15) / 16 * 16;
    const int count = (from.height + rows - 1) / rows;
    const int flags = flags_ ? flags_ : SWS_BICUBIC;
    bands_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int h = std::min(rows, from.height - i * rows);
        bands_[static_cast<size_t>(i)].reset(sws_getCachedContext(
            bands_[static_cast<size_t>(i)].release(), from.width, h, static_cast<AVPixelFormat>(from.format), to.width,
            h, static_cast<AVPixelFormat>(to.format), flags, nullptr, nullptr, nullptr));
        if (!bands_[static_cast<size_t>(i)])
            return false;
    }
    const AVPixFmtDescriptor* fromDesc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(from.format));
    const AVPixFmtDescriptor* toDesc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(to.format));
    if (!fromDesc || !toDesc)
        return false;
    // The rows of plane p where band row y starts.
    auto at = [](const PicturePlanes& pic, const AVPixFmtDescriptor* desc, int p, int y) {
        const int shift = (p == 1 || p == 2) ? desc->log2_chroma_h : 0;
        return pic.data[p] ? pic.data[p] + static_cast<ptrdiff_t>(y >> shift) * pic.linesize[p] : nullptr;
    };
    std::atomic<bool> ok{true};
    auto band = [&](int i) {
        const int y = i * rows, h = std::min(rows, from.height - y);
        const uint8_t* src[4];
        uint8_t* dst[4];
        for (int p = 0; p < 4; ++p) {
            src[p] = at(from, fromDesc, p, y);
            dst[p] = at(to, toDesc, p, y);
        }
        if (sws_scale(bands_[static_cast<size_t>(i)].get(), src, from.linesize, 0, h, dst, to.linesize) <= 0)
            ok.store(false);
    };
    workers_->Run(count, band);
    return ok.load();
}

void PictureConverter::Reset()
{
    bands_.clear();
    context_.reset();
    bounce_.reset();
    bounced_ = PicturePlanes();
}

} // namespace ds
