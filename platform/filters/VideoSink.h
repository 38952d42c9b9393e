#pragma once
// What the "Video Renderer" hands its pictures to: the video window of platform/vcl, or a test
// double. Pictures are top-down rows of 32-bit pixels, bytes B, G, R, 0xFF in memory (Qt's RGB32
// layout), whatever row order and depth the stream had.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/dshow/Result.h"

namespace ds {

struct VideoPicture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // width * height, row 0 at the top
    bool timed = false;
    REFERENCE_TIME position = 0; // stream position (segment start + start time) when timed

    uint32_t Pixel(int x, int y) const { return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

using PicturePtr = std::shared_ptr<const VideoPicture>;

class VideoSink {
public:
    virtual ~VideoSink() = default;
    // Called on the renderer's and the streaming threads with the renderer's lock held: return at
    // once, never wait for the GUI thread, never call back into the renderer.
    virtual void ShowPicture(PicturePtr picture) = 0;
    virtual void ClearPicture() = 0;
};

} // namespace ds
