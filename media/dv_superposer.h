#pragma once
// Tdv_Superposer: the transform filter that writes the recording date and time (or the time
// code) of each frame onto the decoded picture. Pins [In, Out], the same type on both: 24-bit RGB
// video with a VideoInfo block (Rgb24Picture), the output in the input's row order, or the DV
// decoder's own planar YUV (I420, Y41B; any planar YUV the picture layouts know), on which the
// text is blended into the luma and chroma planes (TextOverlay::BlendYuv) and the picture
// outside the text's box goes on untouched.
//
// Each picture is copied first (or, drawing in place, written on where it lies and handed on
// itself); then, when the overlay is on and shown, the record of the frame
// with the same start time is looked up in the detector's ring (Tdv_sceneDetect::FindFrame; the
// oldest frame kept for a picture older than all) and its two text lines are drawn, upright in either row order, with
// the anchor (PositionX, PositionY in thousandths of the picture) at the bottom of the two-line block: line 1's cell
// top at ya - 2h, line 2's at ya - h, each aligned on its own (0 left, 1 centre, 2 right of the anchor). Text that
// cannot be drawn is left out; the picture still goes on.
//
// Settings may be set from any thread; each frame takes one snapshot of them. The font size and
// the picture size take effect at the next start of streaming, everything else at the next frame.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "formats/DVFrameInfo.h"
#include "media/Rgb24Picture.h"
#include "media/TextOverlay.h"
#include "media/dv_scenedetect.h"
#include "platform/dshow/TransformFilter.h"
#include "platform/filters/PictureConverter.h"
#include "platform/rtl/FontSpec.h"

namespace media {

class Tdv_Superposer : public ds::TBCTransformFilter {
public:
    static constexpr const char* kFilterName = "Ivor Varnet cf_Superposer";
    using TextProc = Tdv_sceneDetect::TextProc;

    // `detector` (may be null: no overlay) stands upstream in the same graph and outlives this filter.
    explicit Tdv_Superposer(Tdv_sceneDetect* detector);

    void SetIncrustOn(bool on);
    void SetWhatIncrust(uint8_t what); // 0 date and time, 1 time code
    void SetWhenIncrust(uint8_t when); // 1 restart the display after a date jump, 2 after a new day
    void SetAutoIncrust(uint8_t on);   // show the text only for Duration frames after an event
    void SetIncrustDuration(int32_t frames);
    // An empty format is stored as a quoted blank, so its line comes out as one space.
    void SetIncrustFormats(const std::string& format1, const std::string& format2);
    void SetTimeOffset(double days);
    double TimeOffset() const;                                 // days, as last set
    void SetPosition(int32_t x, int32_t y, uint8_t alignment); // x, y clamped to 0..1000
    void SetAlignment(uint8_t alignment);                      // above 2 is drawn as 2
    void SetFontSize(int32_t n);                               // a cell height of n pixels at width 720
    void SetAutoFontSize(bool on);                             // 21 points at width 720
    void SetFontName(const std::string& name);
    void SetFontColor(uint32_t color); // 0x00BBGGRR
    void SetBold(bool on);
    void SetItalic(bool on);
    void SetUnderline(bool on);
    void SetStrikeOut(bool on);
    // Called on the streaming thread when the lines change; set while stopped.
    void SetOnText(TextProc proc);
    // Draws on upstream's own pictures and hands them on, saving a picture's copy per frame, for
    // a chain whose upstream pool also covers the pictures downstream holds (a conversion's
    // encoder); pictures upstream sends to other filters too (read-only) are still copied. Off
    // by default; set while stopped.
    void SetDrawInPlace(bool on) { inPlace_ = on; }

    // The settings the next frame is drawn with, as the setters left them.
    struct Settings {
        bool IncrustOn = true;
        uint8_t What = 0;
        uint8_t When = 1;
        uint8_t Auto = 1;
        int32_t Duration = 125;
        std::string Format1 = "ddddd";
        std::string Format2 = "hh:nn:ss";
        double TimeOffset = 0;
        int32_t PositionX = 900;
        int32_t PositionY = 900;
        uint8_t Alignment = 2;
        int32_t FontSize = -21; // the chosen size, negated
        bool AutoFontSize = true;
        OverlayFont Font; // Size unused: the run's size is derived at the start
    };
    Settings CurrentSettings() const;

    // The font size of the current run (see OverlayFont::Size), 0 before the first start.
    int32_t RunFontSize() const;

    ds::HRESULT CheckInputType(const ds::MediaType& mt) override;
    ds::HRESULT CheckTransform(const ds::MediaType& in, const ds::MediaType& out) override;
    ds::HRESULT GetMediaType(int position, ds::MediaType& mt) override;
    ds::HRESULT DecideBufferSize(ds::MemAllocator& allocator, ds::AllocatorProperties& request) override;
    ds::HRESULT StartStreaming() override;
    ds::HRESULT Transform(ds::MediaSample& in, ds::MediaSample& out) override;
    ds::HRESULT Receive(const ds::SamplePtr& sample) override;

private:
    // Runs `change` on the settings under the lock.
    template <class F> void Change(F change);
    bool TakeSnapshot();                                // this frame's settings; false: overlay off
    bool CountDown(const formats::DVFrameInfo& record); // the automatic display; false: hidden
    void Lines(const formats::DVFrameInfo& record, std::string& line1, std::string& line2) const;
    void Draw(uint8_t* buffer, const std::string& line1, const std::string& line2);
    // The text of the frame that starts at `in`'s time, drawn onto `picture` (length bytes).
    void Overlay(const ds::MediaSample& in, uint8_t* picture, int32_t length);

    // What a connection type says of the pictures: RGB24, or planar YUV (`yuv` set).
    struct Frame {
        Rgb24Picture rgb;
        std::optional<ds::PictureLayout> yuv;
        int32_t Width() const { return yuv ? yuv->width : rgb.Width; }
        int32_t Height() const { return yuv ? yuv->height : rgb.Height; }
        int64_t ImageSize() const { return yuv ? static_cast<int64_t>(yuv->size) : rgb.ImageSize; }
    };
    static bool FrameOf(const ds::MediaType& mt, Frame& out);

    Tdv_sceneDetect* detector_;
    std::atomic<bool> inPlace_{false};

    mutable std::mutex settingsLock_; // guards settings_, version_, countdown_, runFontSize_
    Settings settings_;
    uint64_t version_ = 0;
    int32_t countdown_ = 0;
    int32_t runFontSize_ = 0;

    // Streaming thread (and StartStreaming under the receive lock).
    Settings snapshot_;
    uint64_t snapshotVersion_ = ~uint64_t{0};
    double lastDate_ = 0;
    std::string lastSent1_, lastSent2_;
    TextProc onText_; // written under the receive lock
    Frame picture_;
    int32_t fontSize_ = 0;
    TextOverlay overlay_;
};

// `font` on the overlay: size, name, colour, then the four style bits.
void PushFont(Tdv_Superposer& overlay, const rtl::FontSpec& font);

} // namespace media
