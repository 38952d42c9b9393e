#include "platform/filters/VideoRenderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "platform/dshow/FilterRegistry.h"

namespace ds {

namespace {

constexpr int kMaxSide = 16384;
constexpr REFERENCE_TIME kQueueSpan = 5000000; // half a second of pictures
constexpr size_t kMaxQueueBytes = size_t{256} << 20;
constexpr REFERENCE_TIME kWaitSlice = 200000; // 20 ms: a clock re-based or replaced is followed promptly

} // namespace

VideoRenderer::VideoRenderer() : QueuedRenderer(kFriendlyName)
{
}

VideoRenderer::~VideoRenderer()
{
    {
        std::lock_guard<std::mutex> guard(renderLock_);
        quit_ = true;
        changed_.notify_all();
    }
    if (presenter_.joinable())
        presenter_.join();
    Input()->Disconnect();
}

bool VideoRenderer::ReadLayout(const MediaType& mt, Layout& layout)
{
    if (mt.majortype != MEDIATYPE_Video || mt.formattype != FORMAT_VideoInfo)
        return false;
    const int bits = mt.subtype == MEDIASUBTYPE_RGB32 ? 32 : mt.subtype == MEDIASUBTYPE_RGB24 ? 24 : 0;
    auto vih = mt.GetVideoInfo();
    if (bits == 0 || !vih || vih->bmiHeader.biBitCount != bits || vih->bmiHeader.biCompression != 0)
        return false;
    const int64_t width = vih->bmiHeader.biWidth;
    const int64_t height = vih->bmiHeader.biHeight;
    if (width < 1 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return false;
    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height < 0 ? -height : height);
    layout.bits = bits;
    layout.bottomUp = height > 0; // a DIB is bottom-up unless its height is negative
    layout.stride = static_cast<int32_t>((width * bits / 8 + 3) & ~int64_t{3});
    return true;
}

bool VideoRenderer::Accepts(const MediaType& mt)
{
    Layout layout;
    return ReadLayout(mt, layout);
}

HRESULT VideoRenderer::CheckMediaType(const MediaType& mt)
{
    return Accepts(mt) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT VideoRenderer::SetMediaType(const MediaType& mt)
{
    Layout layout;
    if (!ReadLayout(mt, layout))
        return VFW_E_TYPE_NOT_ACCEPTED;
    layout_ = layout;
    const int64_t frameTime = mt.GetVideoInfo()->AvgTimePerFrame;
    size_t frames = frameTime > 0 ? static_cast<size_t>(std::clamp<int64_t>(kQueueSpan / frameTime, 2, 30)) : 12;
    const size_t pictureBytes = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height) * 4;
    frames = std::max<size_t>(2, std::min(frames, kMaxQueueBytes / pictureBytes));
    std::lock_guard<std::mutex> guard(renderLock_);
    capacity_ = frames;
    return S_OK;
}

void VideoRenderer::BreakConnect()
{
    std::lock_guard<std::mutex> guard(renderLock_);
    queue_.clear();
    current_.reset();
    if (sink_)
        sink_->ClearPicture();
}

HRESULT VideoRenderer::OnStartStreaming()
{
    if (!presenter_.joinable())
        presenter_ = std::thread([this] { PresentLoop(); });
    return S_OK;
}

void VideoRenderer::SetSink(VideoSink* sink)
{
    std::lock_guard<std::mutex> guard(renderLock_);
    sink_ = sink;
}

PicturePtr VideoRenderer::Current() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return current_;
}

size_t VideoRenderer::QueueCapacity() const
{
    std::lock_guard<std::mutex> guard(renderLock_);
    return capacity_;
}

HRESULT VideoRenderer::Prepare(MediaSample& sample)
{
    if (const MediaType* changed = sample.GetMediaType()) {
        Layout layout;
        if (!ReadLayout(*changed, layout))
            return S_FALSE;
        layout_ = layout;
    }
    const Layout& l = layout_;
    if (l.width == 0 || sample.GetActualDataLength() < static_cast<int64_t>(l.stride) * l.height)
        return S_FALSE; // a short or empty sample: nothing to show
    auto picture = std::make_shared<VideoPicture>();
    picture->width = l.width;
    picture->height = l.height;
    picture->pixels.resize(static_cast<size_t>(l.width) * static_cast<size_t>(l.height));
    picture->timed = sample.HasTime();
    picture->position = Input()->SegmentStart() + sample.StartTime();
    const uint8_t* data = sample.GetPointer();
    for (int y = 0; y < l.height; ++y) {
        const uint8_t* src =
            data + static_cast<size_t>(l.bottomUp ? l.height - 1 - y : y) * static_cast<size_t>(l.stride);
        uint32_t* dst = picture->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(l.width);
        if (l.bits == 32) {
            std::memcpy(dst, src, static_cast<size_t>(l.width) * 4);
            for (int x = 0; x < l.width; ++x)
                dst[x] |= 0xFF000000u; // the fourth byte of an RGB32 DIB is unused; Qt wants it opaque
        } else {
            for (int x = 0; x < l.width; ++x, src += 3)
                dst[x] = 0xFF000000u | uint32_t{src[2]} << 16 | uint32_t{src[1]} << 8 | src[0];
        }
    }
    incoming_ = std::move(picture);
    return S_OK;
}

bool VideoRenderer::StoreSome(MediaSample& sample, int32_t&)
{
    if (queue_.size() >= capacity_)
        return false;
    queue_.push_back(Queued{std::move(incoming_), sample.StartTime(), false});
    return true;
}

void VideoRenderer::OnCued()
{
    // Paused: the picture is shown now, so the pause completes with it on the screen.
    Queued& first = queue_.back();
    first.shown = true;
    Present(first.picture);
}

void VideoRenderer::Present(const PicturePtr& picture)
{
    current_ = picture;
    if (picture->timed)
        lastPosition_ = picture->position;
    ++rendered_;
    if (sink_)
        sink_->ShowPicture(picture);
}

void VideoRenderer::PresentLoop()
{
    std::unique_lock<std::mutex> guard(renderLock_);
    while (!quit_) {
        if (state_.load() != FilterState::Running || abort_) {
            changed_.wait(guard);
            continue;
        }
        if (queue_.empty()) {
            if (!CompleteIfPlayedOut(guard))
                changed_.wait(guard);
            continue;
        }
        const Queued& front = queue_.front();
        ReferenceClock* clock = clock_.load();
        if (!front.shown && front.picture->timed && clock) {
            const REFERENCE_TIME due = runStart_.load() + front.start;
            const REFERENCE_TIME wait = due - clock->GetTime();
            if (wait > 0) {
                changed_.wait_for(guard, std::chrono::microseconds(std::min(wait, kWaitSlice) / 10 + 1));
                continue;
            }
        }
        Queued next = std::move(queue_.front());
        queue_.pop_front();
        if (!next.shown)
            Present(next.picture);
        changed_.notify_all(); // room for the sender
    }
}

void RegisterVideoRendererFilter(FilterRegistry& registry)
{
    // Do-not-use merit: Render ends a picture stream in a video renderer only when one is already
    // in the graph (the video window's).
    registry.Register(FilterEntry{VideoRenderer::kFriendlyName, CLSID_LegacyAmFilterCategory,
                                  Guid{0x70E102B0, 0x5556, 0x11CE, {0x97, 0xC0, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}},
                                  MERIT_DO_NOT_USE, [] { return std::make_shared<VideoRenderer>(); },
                                  [](const MediaType& mt) { return VideoRenderer::Accepts(mt); }});
}

} // namespace ds
