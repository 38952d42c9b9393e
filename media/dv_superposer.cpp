#include "media/dv_superposer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/rtl/FormatDateTime.h"

namespace media {

using namespace ds;
using formats::DVFrameInfo;

namespace {

constexpr double kTwoSeconds = 2.0 / 86400;

int DayOfMonth(rtl::TDateTime date)
{
    int y = 0, m = 0, d = 0;
    try {
        rtl::DecodeDate(date, y, m, d);
    } catch (const rtl::EConvertError&) {
        return 0;
    }
    return d;
}

std::string StoredFormat(const std::string& format)
{
    return format.empty() ? "\" \"" : format;
}

} // namespace

Tdv_Superposer::Tdv_Superposer(Tdv_sceneDetect* detector) : TBCTransformFilter(kFilterName), detector_(detector)
{
}

template <class F> void Tdv_Superposer::Change(F change)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    change(settings_);
    ++version_;
}

void Tdv_Superposer::SetIncrustOn(bool on)
{
    Change([&](Settings& s) { s.IncrustOn = on; });
}

void Tdv_Superposer::SetWhatIncrust(uint8_t what)
{
    Change([&](Settings& s) { s.What = what; });
}

void Tdv_Superposer::SetWhenIncrust(uint8_t when)
{
    Change([&](Settings& s) {
        s.When = when;
        countdown_ = s.Duration - 1;
    });
}

void Tdv_Superposer::SetAutoIncrust(uint8_t on)
{
    Change([&](Settings& s) { s.Auto = on; });
}

void Tdv_Superposer::SetIncrustDuration(int32_t frames)
{
    Change([&](Settings& s) {
        s.Duration = frames;
        countdown_ = frames - 1;
    });
}

void Tdv_Superposer::SetIncrustFormats(const std::string& format1, const std::string& format2)
{
    Change([&](Settings& s) {
        s.Format1 = StoredFormat(format1);
        s.Format2 = StoredFormat(format2);
    });
}

void Tdv_Superposer::SetTimeOffset(double days)
{
    Change([&](Settings& s) { s.TimeOffset = days; });
}

double Tdv_Superposer::TimeOffset() const
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    return settings_.TimeOffset;
}

void Tdv_Superposer::SetPosition(int32_t x, int32_t y, uint8_t alignment)
{
    Change([&](Settings& s) {
        s.PositionX = std::clamp(x, 0, 1000);
        s.PositionY = std::clamp(y, 0, 1000);
        s.Alignment = alignment;
    });
}

void Tdv_Superposer::SetAlignment(uint8_t alignment)
{
    Change([&](Settings& s) { s.Alignment = alignment; });
}

void Tdv_Superposer::SetFontSize(int32_t n)
{
    Change([&](Settings& s) { s.FontSize = -n; });
}

void Tdv_Superposer::SetAutoFontSize(bool on)
{
    Change([&](Settings& s) { s.AutoFontSize = on; });
}

void Tdv_Superposer::SetFontName(const std::string& name)
{
    Change([&](Settings& s) { s.Font.Name = name; });
}

void Tdv_Superposer::SetFontColor(uint32_t color)
{
    Change([&](Settings& s) { s.Font.Color = color & 0xFFFFFF; });
}

void Tdv_Superposer::SetBold(bool on)
{
    Change([&](Settings& s) { s.Font.Bold = on; });
}

void Tdv_Superposer::SetItalic(bool on)
{
    Change([&](Settings& s) { s.Font.Italic = on; });
}

void Tdv_Superposer::SetUnderline(bool on)
{
    Change([&](Settings& s) { s.Font.Underline = on; });
}

void Tdv_Superposer::SetStrikeOut(bool on)
{
    Change([&](Settings& s) { s.Font.StrikeOut = on; });
}

void Tdv_Superposer::SetOnText(TextProc proc)
{
    std::lock_guard<std::mutex> guard(receiveLock_);
    onText_ = std::move(proc);
}

Tdv_Superposer::Settings Tdv_Superposer::CurrentSettings() const
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    return settings_;
}

int32_t Tdv_Superposer::RunFontSize() const
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    return runFontSize_;
}

bool Tdv_Superposer::FrameOf(const MediaType& mt, Frame& out)
{
    out = Frame();
    if (Rgb24Picture::FromMediaType(mt, out.rgb))
        return true;
    out.yuv = LayoutOf(mt);
    if (out.yuv && out.yuv->planar)
        return true;
    out.yuv.reset();
    return false;
}

HRESULT Tdv_Superposer::CheckInputType(const MediaType& mt)
{
    Frame picture;
    return FrameOf(mt, picture) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_Superposer::CheckTransform(const MediaType& in, const MediaType& out)
{
    // The picture is copied as it lies: the output must have the input's kind, size and row order.
    Frame a, b;
    if (!FrameOf(in, a) || !FrameOf(out, b) || in.subtype != out.subtype)
        return VFW_E_TYPE_NOT_ACCEPTED;
    return a.Width() == b.Width() && a.Height() == b.Height() && a.rgb.TopDown == b.rgb.TopDown
               ? S_OK
               : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT Tdv_Superposer::GetMediaType(int position, MediaType& mt)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position > 0)
        return VFW_S_NO_MORE_ITEMS;
    const MediaType& in = Input()->CurrentMediaType();
    Frame picture;
    if (!FrameOf(in, picture))
        return VFW_S_NO_MORE_ITEMS;
    mt = in;
    auto vih = *mt.GetVideoInfo();
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(picture.ImageSize());
    mt.SetVideoInfo(vih);
    mt.lSampleSize = static_cast<uint32_t>(picture.ImageSize());
    return S_OK;
}

HRESULT Tdv_Superposer::DecideBufferSize(MemAllocator& allocator, AllocatorProperties& request)
{
    Frame picture;
    if (!Input()->IsConnected() || !FrameOf(Input()->CurrentMediaType(), picture))
        return E_UNEXPECTED;
    AllocatorProperties in;
    if (const AllocatorPtr& upstream = Input()->Allocator())
        upstream->GetProperties(in);
    request.cBuffers = std::max({request.cBuffers, in.cBuffers, 1});
    request.cbBuffer = std::max({request.cbBuffer, in.cbBuffer, static_cast<int32_t>(picture.ImageSize())});
    AllocatorProperties actual;
    HRESULT hr = allocator.SetProperties(request, actual);
    if (FAILED(hr))
        return hr;
    return actual.cBuffers >= request.cBuffers && actual.cbBuffer >= request.cbBuffer ? S_OK : E_FAIL;
}

HRESULT Tdv_Superposer::StartStreaming()
{
    lastSent1_.clear(); // the first picture's text is always passed on
    lastSent2_.clear();
    std::lock_guard<std::mutex> guard(settingsLock_);
    if (settings_.Auto == 1)
        countdown_ = settings_.Duration - 1;
    if (!FrameOf(Input()->CurrentMediaType(), picture_))
        return S_FALSE;
    // The size follows the picture's width: 21 points on 720 pixels. Never 0, which Qt refuses.
    const int32_t s = settings_.AutoFontSize ? 21 : settings_.FontSize;
    fontSize_ = static_cast<int32_t>(int64_t{s} * picture_.Width() / 720);
    if (fontSize_ == 0)
        fontSize_ = s < 0 ? -1 : 1;
    runFontSize_ = fontSize_;
    return S_OK;
}

bool Tdv_Superposer::TakeSnapshot()
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    if (snapshotVersion_ != version_) {
        snapshot_ = settings_;
        snapshotVersion_ = version_;
    }
    return snapshot_.IncrustOn;
}

bool Tdv_Superposer::CountDown(const DVFrameInfo& record)
{
    std::lock_guard<std::mutex> guard(settingsLock_);
    if (snapshot_.Auto != 1)
        return true;
    if (countdown_ > 0)
        --countdown_;
    if (record.DateValid) {
        const double date = record.RecDate;
        if (snapshot_.When == 1 && (date - lastDate_ > kTwoSeconds || date < lastDate_))
            countdown_ = snapshot_.Duration;
        if (snapshot_.When == 2 && (DayOfMonth(date) != DayOfMonth(lastDate_) || std::fabs(date - lastDate_) > 1.0))
            countdown_ = snapshot_.Duration;
    }
    lastDate_ = record.RecDate;
    return countdown_ >= 1;
}

void Tdv_Superposer::Lines(const DVFrameInfo& record, std::string& line1, std::string& line2) const
{
    line1.clear();
    line2.clear();
    if (snapshot_.What == 0) {
        if (!record.DateValid)
            return;
        try {
            line1 = rtl::FormatDateTime(snapshot_.Format1, record.RecDate + snapshot_.TimeOffset);
            line2 = rtl::FormatDateTime(snapshot_.Format2, record.RecDate + snapshot_.TimeOffset);
        } catch (const rtl::EConvertError&) { // shifted out of the calendar: nothing to show
            line1.clear();
            line2.clear();
        }
    } else if (record.TimecodeValid) {
        const formats::DVTimeCode& tc = record.Timecode;
        char text[32];
        std::snprintf(text, sizeof text, "%d:%.2d:%.2d:%.2d", tc.Hours, tc.Minutes, tc.Seconds, tc.Frames);
        line2 = text;
    }
}

void Tdv_Superposer::Draw(uint8_t* buffer, const std::string& line1, const std::string& line2)
{
    OverlayFont font = snapshot_.Font;
    font.Size = fontSize_;
    if (!overlay_.Prepare(font, line1, line2))
        return;
    const int w = picture_.Width(), h = picture_.Height();
    const int xa = static_cast<int>(int64_t{w} * snapshot_.PositionX / 1000);
    const int ya = static_cast<int>(int64_t{h} * snapshot_.PositionY / 1000);
    const int cell = overlay_.CellHeight();
    const int alignment = std::min<int>(snapshot_.Alignment, 2);
    int x[TextOverlay::kLines], y[TextOverlay::kLines];
    for (int i = 0; i < TextOverlay::kLines; ++i) {
        const int advance = overlay_.Advance(i);
        x[i] = alignment == 0 ? xa : alignment == 1 ? xa - advance / 2 : xa - advance;
        y[i] = ya - (2 - i) * cell;
    }
    if (const auto& yuv = picture_.yuv) {
        overlay_.BlendYuv(yuv->Planes(buffer), yuv->chromaShiftX, yuv->chromaShiftY, x, y);
        return;
    }
    uint8_t* top = picture_.rgb.TopRow(buffer);
    for (int i = 0; i < TextOverlay::kLines; ++i)
        overlay_.Blend(i, top, picture_.rgb.RowStep(), w, h, x[i], y[i]);
}

HRESULT Tdv_Superposer::Transform(MediaSample& in, MediaSample& out)
{
    // The picture first: whatever happens to the text, the encoder gets this frame.
    const int32_t length = std::max(std::min(in.GetActualDataLength(), out.GetSize()), 0);
    std::memcpy(out.GetPointer(), in.GetPointer(), static_cast<size_t>(length));
    out.SetActualDataLength(length);
    Overlay(in, out.GetPointer(), length);
    return S_OK;
}

HRESULT Tdv_Superposer::Receive(const SamplePtr& sample)
{
    if (!inPlace_ || Input()->ReadOnlySamples())
        return TBCTransformFilter::Receive(sample);
    if (!Output()->IsConnected())
        return S_OK;
    Overlay(*sample, sample->GetPointer(), std::max(sample->GetActualDataLength(), 0));
    return DeliverResult(S_OK, sample);
}

void Tdv_Superposer::Overlay(const MediaSample& in, uint8_t* picture, int32_t length)
{
    if (!TakeSnapshot() || detector_ == nullptr)
        return;
    // A sample without a time is the newest frame's, one older than every frame kept the
    // oldest's; no record at all shows as an undated frame.
    DVFrameInfo record;
    detector_->FindFrame(in.HasTime() ? in.StartTime() : std::numeric_limits<REFERENCE_TIME>::max(), record, nullptr,
                         Tdv_sceneDetect::Lookup::OrOldest);
    const bool shown = CountDown(record);
    std::string line1, line2;
    if (shown)
        Lines(record, line1, line2);
    if (onText_ && (line1 != lastSent1_ || line2 != lastSent2_)) {
        onText_(record, line1, line2);
        lastSent1_ = line1;
        lastSent2_ = line2;
    }
    if (!shown || picture_.Width() == 0 || length < picture_.ImageSize())
        return;
    try {
        Draw(picture, line1, line2);
    } catch (...) { // text that cannot be drawn is left out; the picture still goes on
    }
}

void PushFont(Tdv_Superposer& overlay, const rtl::FontSpec& font)
{
    overlay.SetFontSize(font.Size);
    overlay.SetFontName(font.Name);
    overlay.SetFontColor(font.Color);
    overlay.SetBold(font.Style & rtl::fsBold);
    overlay.SetItalic(font.Style & rtl::fsItalic);
    overlay.SetUnderline(font.Style & rtl::fsUnderline);
    overlay.SetStrikeOut(font.Style & rtl::fsStrikeOut);
}

} // namespace media
