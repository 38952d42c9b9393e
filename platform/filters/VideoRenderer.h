#pragma once
// "Video Renderer": shows RGB32 and RGB24 pictures of any size, in either row order, through a
// VideoSink (the video window). Pins: [In].
//
// Samples are converted on arrival into top-down RGB32 pictures and queued (about half a second);
// a presenter thread of the filter's own hands each to the sink at its presentation time. Paused,
// the first picture is shown at once and cues the filter; a seek while paused (a flush and a new
// first sample) shows the frame sought, which is how the viewer steps. Stop keeps the picture on
// the sink; a disconnection clears it. The sink is called with the filter's lock held and must
// never wait for the GUI thread.
#include <deque>
#include <thread>

#include "platform/filters/QueuedRenderer.h"
#include "platform/filters/VideoSink.h"

namespace ds {

class FilterRegistry;

class VideoRenderer : public QueuedRenderer {
public:
    static constexpr const char* kFriendlyName = "Video Renderer";
    VideoRenderer();
    ~VideoRenderer() override;

    // Borrowed; null detaches. Once this returns, the old sink gets no more calls.
    void SetSink(VideoSink* sink);
    // The last picture handed to the sink (null when none since the connection).
    PicturePtr Current() const;
    size_t QueueCapacity() const;

    // RGB24 or RGB32, VideoInfo, uncompressed, up to 16384 pixels a side.
    static bool Accepts(const MediaType& mt);
    HRESULT CheckMediaType(const MediaType& mt) override;
    HRESULT SetMediaType(const MediaType& mt) override;
    void BreakConnect() override;
    HRESULT OnStartStreaming() override;

protected:
    HRESULT Prepare(MediaSample& sample) override;
    bool StoreSome(MediaSample& sample, int32_t& done) override;
    void ClearStore() override { queue_.clear(); }
    bool PlayedOut() const override { return queue_.empty(); }
    void OnCued() override;

private:
    struct Layout {
        int width = 0, height = 0, bits = 0;
        bool bottomUp = true;
        int32_t stride = 0;
    };
    struct Queued {
        PicturePtr picture;
        REFERENCE_TIME start = 0; // presentation time, from the run's start
        bool shown = false;       // shown already (the cue of a pause)
    };
    static bool ReadLayout(const MediaType& mt, Layout& layout);
    void Present(const PicturePtr& picture); // renderLock_ held
    void PresentLoop();

    // renderLock_ guards the fields below.
    std::deque<Queued> queue_;
    size_t capacity_ = 12;
    VideoSink* sink_ = nullptr;
    PicturePtr current_;
    bool quit_ = false;

    Layout layout_;                          // set while stopped; then read by the streaming thread
    std::shared_ptr<VideoPicture> incoming_; // streaming thread: made by Prepare, stored by StoreSome
    std::thread presenter_;                  // started at the first pause, joined at destruction
};

void RegisterVideoRendererFilter(FilterRegistry& registry);

} // namespace ds
