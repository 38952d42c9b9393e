#include "media/viewgraph.h"

#include <algorithm>
#include <exception>

#include "media/dv_scenedetect.h"
#include "media/dv_superposer.h"
#include "platform/filters/DvVideoDecoder.h"
#include "platform/filters/FileSource.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"
#include "settings/Preferences.h"

namespace media {

using namespace ds;

namespace {

const char* const kNoFile = "N/A";

Pin* PinAt(const std::vector<Pin*>& pins, size_t i)
{
    return i < pins.size() ? pins[i] : nullptr;
}

HRESULT Connect(FilterGraph* g, Pin* out, Pin* in)
{
    return out && in ? g->ConnectDirect(out, in) : E_POINTER;
}

} // namespace

Tviewdm::Tviewdm()
    : ViewSceneDetect(std::make_shared<Tdv_sceneDetect>()),
      ViewSuperposer(std::make_shared<Tdv_Superposer>(ViewSceneDetect.get()))
{
    viewfg.Activate();
    ViewSeeking = viewfg.Graph();
}

Tviewdm::~Tviewdm()
{
    viewfg.SetOnGraphPaused(nullptr);
    viewfg.Stop();
    viewfg.ClearGraph();
    viewfg.Deactivate();
}

int Tviewdm::AviOutputs() const
{
    return std::max(0, static_cast<int>(avisplitter.Pins().size()) - 1);
}

void Tviewdm::AttachRenderer(const std::shared_ptr<BaseFilter>& renderer)
{
    FilterGraph* g = viewfg.Graph();
    if (renderer_ && renderer_ != renderer)
        g->RemoveFilter(renderer_.get());
    renderer_ = renderer;
    if (renderer_ && !g->Contains(renderer_.get()))
        g->AddFilter(renderer_, "Video Renderer");
}

void Tviewdm::ResetViewGraph()
{
    FilterGraph* g = viewfg.Graph();
    if (!g)
        return;
    viewfg.Stop();
    // The component-held filters stay, the window's renderer among them.
    g->Clear([this](BaseFilter* f) { return viewfg.Holds(f) || f == renderer_.get(); });
    color.SetFilterGraph(nullptr);
    Dvdecoder.SetFilterGraph(nullptr);
    dvsplitter.SetFilterGraph(nullptr);
    g->RemoveFilter(ViewSuperposer.get());
    g->RemoveFilter(ViewSceneDetect.get());
    source.SetFilterGraph(nullptr);
    ViewAudioRendered = 0;
    ViewVideoConnected = 0;
}

// The registry is filled at start-up, possibly after this module was made.
static bool Bind(FilterComponent& component, const char* name)
{
    return component.Entry() || SelectDeviceByName(name, component);
}

bool Tviewdm::BuildDVViewGraph(const std::string& name, const std::shared_ptr<BaseFilter>& renderer)
{
    try {
        ResetViewGraph();
        if (name == kNoFile) {
            ViewStatus = vsInterrupted;
            return false;
        }
        FilterGraph* g = viewfg.Graph();
        if (!Bind(avisplitter, "AVI Splitter") || !Bind(color, "Color Space Converter") ||
            !Bind(Dvdecoder, "DV Video Decoder") || !Bind(dvsplitter, "DV Splitter") ||
            !Bind(source, FileSource::kFriendlyName))
            return false;
        g->AddFilter(ViewSuperposer, "superposer");
        dvsplitter.SetFilterGraph(&viewfg);
        avisplitter.SetFilterGraph(&viewfg);
        color.SetFilterGraph(&viewfg);
        g->AddFilter(ViewSceneDetect, "scenedetect");
        Dvdecoder.SetFilterGraph(&viewfg);
        if (auto* dec = QueryFilter<DvDecoderSettings>(Dvdecoder.Filter().get()))
            dec->put_IPDisplay(settings::PrevisualiserDVEnDemiFormat ? DVRESOLUTION_HALF : DVRESOLUTION_FULL);
        source.SetFilterGraph(&viewfg);
        AttachRenderer(renderer);

        ViewStatus = vsFileNotFound;
        auto* loader = QueryFilter<FileSourceFilter>(source.Filter().get());
        if (!loader || FAILED(loader->Load(name, nullptr)))
            return false;

        ViewStatus = vsNotAvi;
        if (FAILED(Connect(g, source.GetPin(0), PinAt(avisplitter.Pins(), avisplitter.Pins().size() - 1))))
            return false;
        const int outputs = AviOutputs();
        if (outputs < 1)
            return false;

        Pin* detectorIn = ViewSceneDetect->GetPin(0);
        Pin* detectorOut = ViewSceneDetect->GetPin(1);
        for (int i = 0; i < outputs; ++i)
            if (SUCCEEDED(Connect(g, avisplitter.GetPin(i), detectorIn)))
                break;

        HRESULT last = Connect(g, detectorOut, dvsplitter.GetPin(0));
        if (SUCCEEDED(last)) { // type 1: the DV Splitter's picture goes to the decoder
            const std::vector<Pin*> dvPins = dvsplitter.Pins();
            for (size_t k = 1; k < dvPins.size(); ++k)
                if (SUCCEEDED(last = Connect(g, dvPins[k], Dvdecoder.GetPin(0))))
                    break;
        } else { // type 2: the dvsd stream itself
            last = Connect(g, detectorOut, Dvdecoder.GetPin(0));
        }
        ViewStatus = vsBadDV;
        if (FAILED(last))
            return false;

        Connect(g, Dvdecoder.GetPin(1), ViewSuperposer->GetPin(0));
        Connect(g, ViewSuperposer->GetPin(1), color.GetPin(0));
        ViewVideoConnected = SUCCEEDED(Connect(g, color.GetPin(1), renderer ? renderer->GetPin(0) : nullptr)) ? 1 : 0;

        // Sound: the AVI Splitter's other streams (type 2), else the DV Splitter's (type 1).
        // Rendering an output already connected fails and counts for nothing.
        if (outputs >= 2) {
            for (int i = 0; i < outputs; ++i)
                if (SUCCEEDED(g->Render(avisplitter.GetPin(i))))
                    ViewAudioRendered = 1;
        } else if (dvsplitter.Pins().size() >= 3) {
            const std::vector<Pin*> dvPins = dvsplitter.Pins();
            for (size_t k = 1; k < dvPins.size(); ++k)
                if (SUCCEEDED(g->Render(dvPins[k])))
                    ViewAudioRendered = 1;
        }

        ApplyOverlaySettings();
        g->SetTimeFormat(TIME_FORMAT_FRAME);
        return true;
    } catch (const std::exception&) {
        return false; // the status reached so far stays
    }
}

void Tviewdm::ApplyOverlaySettings()
{
    Tdv_Superposer& s = *ViewSuperposer;
    const settings::FontSpec& font = settings::IncrustFont;
    s.SetWhatIncrust(settings::WhatIncrust);
    s.SetAutoIncrust(settings::AutoIncrust);
    s.SetWhenIncrust(settings::WhenIncrust);
    s.SetIncrustDuration(static_cast<int32_t>(rtl::Round(settings::DureeIncrustation * ViewFps)));
    s.SetAutoFontSize(settings::StandardFontSize);
    s.SetFontSize(font.Size);
    s.SetFontName(font.Name.substr(0, 255));
    s.SetFontColor(font.Color);
    s.SetBold(font.Style & settings::fsBold);
    s.SetItalic(font.Style & settings::fsItalic);
    s.SetUnderline(font.Style & settings::fsUnderline);
    s.SetStrikeOut(font.Style & settings::fsStrikeOut);
    s.SetIncrustOn(settings::IsIncrustOn);
    s.SetPosition(settings::IncrustPositionX, settings::IncrustPositionY, settings::Alignement);
    s.SetIncrustFormats(settings::FormatPourIncrusterDatecode1, settings::FormatPourIncrusterDatecode2);
    s.SetTimeOffset(settings::DecalageHoraire);
}

bool Tviewdm::BuildPlainViewGraph(const std::string& name, const std::shared_ptr<BaseFilter>& renderer)
{
    try {
        ResetViewGraph();
        FilterGraph* g = viewfg.Graph();
        if (!Bind(avisplitter, "AVI Splitter") || !Bind(source, FileSource::kFriendlyName))
            return false;
        source.SetFilterGraph(&viewfg);
        avisplitter.SetFilterGraph(&viewfg);
        AttachRenderer(renderer);

        auto* loader = QueryFilter<FileSourceFilter>(source.Filter().get());
        const bool loaded = loader && SUCCEEDED(loader->Load(name, nullptr));
        if (name == kNoFile) {
            ViewStatus = vsInterrupted;
            return false;
        }
        ViewStatus = vsFileNotFound;
        if (!loaded)
            return false;

        const HRESULT hr = Connect(g, source.GetPin(0), PinAt(avisplitter.Pins(), avisplitter.Pins().size() - 1));
        ViewStatus = vsNotAvi;
        if (FAILED(hr))
            return false;
        const int outputs = AviOutputs();
        if (outputs < 1)
            return false;
        for (int i = 0; i < outputs; ++i) {
            Pin* out = avisplitter.GetPin(i);
            if (FAILED(g->Render(out)))
                continue;
            MediaType mt;
            out->ConnectionMediaType(mt);
            if (mt.majortype == MEDIATYPE_Video)
                ViewVideoConnected = 1;
            else if (mt.majortype == MEDIATYPE_Audio)
                ViewAudioRendered = 1;
        }
        if (!ViewVideoConnected)
            ViewFps = 0.0; // the frame then steps by time
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool Tviewdm::OpenViewGraph(const ViewFile& file, const std::shared_ptr<BaseFilter>& renderer)
{
    if (!threads::IsGuiThread()) {
        bool result = false;
        threads::SendToGui([&] { result = OpenViewGraph(file, renderer); });
        return result;
    }
    if (!viewfg.Active())
        return false;
    const bool built =
        file.Valid ? BuildDVViewGraph(file.FullName, renderer) : BuildPlainViewGraph(file.FullName, renderer);
    FilterGraph* g = viewfg.Graph();
    if (!built) {
        if (ViewClosing.load())
            ViewStatus = vsInterrupted;
        if (display_)
            display_->AfficherCode(ViewStatus);
        return false;
    }
    const bool picture = file.Image != kNoFile;
    ViewSeeking = g;
    if (picture && ViewVideoConnected) {
        g->SetTimeFormat(TIME_FORMAT_FRAME);
        if (display_)
            display_->ShowVideo();
    } else if (picture && ViewAudioRendered) {
        g->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
        ViewStatus = vsNoDecoderSound;
        if (display_)
            display_->ShowCodeWithVideo(ViewStatus);
    } else if (picture) {
        ViewStatus = file.Audio1 == kNoFile ? vsNoDecoder : vsNoDecoderUnknownAudio;
        if (display_)
            display_->AfficherCode(ViewStatus);
        return false;
    } else if (ViewAudioRendered) {
        g->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
        ViewStatus = vsAudioOnly;
        if (display_)
            display_->ShowCodeWithVideo(ViewStatus);
    } else {
        ViewStatus = vsNotAvi;
        if (display_)
            display_->AfficherCode(ViewStatus);
        return false;
    }
    g->Events().CancelDefaultHandling(EC_REPAINT);
    viewfg.SetOnGraphPaused([this] { viewfgGraphPaused(); });
    viewfg.SetLinearVolume(settings::IsMuteOn ? 0 : settings::Volume);
    viewfg.Run();
    PauseView();
    return true;
}

void Tviewdm::CloseViewGraph()
{
    if (!threads::IsGuiThread()) {
        threads::SendToGui([this] { CloseViewGraph(); });
        return;
    }
    ViewClosing.store(1);
    viewfg.Stop();
    if (FilterGraph* g = viewfg.Graph()) // the window's renderer stays, as the components' filters
        g->Clear([this](BaseFilter* f) { return viewfg.Holds(f) || f == renderer_.get(); });
    source.SetFilterGraph(nullptr); // closes the file
}

void Tviewdm::EndCloseViewGraph()
{
    if (!threads::IsGuiThread()) {
        threads::SendToGui([this] { EndCloseViewGraph(); });
        return;
    }
    ViewClosing.store(0);
}

void Tviewdm::PauseView()
{
    if (viewfg.State() == FilterState::Paused || ViewClosing.load())
        return;
    viewfg.Pause();
    if (display_)
        display_->ShowPlayCaption(kPlayCaption);
}

void Tviewdm::RedrawPaused()
{
    FilterGraph* g = viewfg.Graph();
    if (!g || ViewClosing.load() || viewfg.State() == FilterState::Running)
        return;
    // The graph keeps its position across a stop: the pause cues the same picture.
    viewfg.Stop();
    viewfg.Pause();
}

bool Tviewdm::LastFrameAt(int64_t& last)
{
    FilterGraph* g = viewfg.Graph();
    int64_t dur = 0;
    if (!g || FAILED(g->GetDuration(dur)) || dur <= 0)
        return false;
    Guid format;
    g->GetTimeFormat(format);
    if (format == TIME_FORMAT_FRAME) {
        last = dur - 1;
        return true;
    }
    // In media time: the start of the last frame where the graph knows its rate, else the step of
    // the read-out without one (40 ms).
    int64_t frames = 0;
    if (SUCCEEDED(g->ConvertTimeFormat(frames, &TIME_FORMAT_FRAME, dur, &TIME_FORMAT_MEDIA_TIME)) && frames > 0 &&
        SUCCEEDED(g->ConvertTimeFormat(last, &TIME_FORMAT_MEDIA_TIME, frames - 1, &TIME_FORMAT_FRAME)))
        return true;
    last = std::max<int64_t>(dur - kLastFrameTime, 0);
    return true;
}

bool Tviewdm::SeekWithin(int64_t position)
{
    FilterGraph* g = viewfg.Graph();
    int64_t last = 0;
    if (!g || ViewClosing.load() || !LastFrameAt(last))
        return false;
    // The last frame, not the duration: a seek there would show no picture and read out a frame
    // the file does not have.
    int64_t p = std::clamp<int64_t>(position, 0, last);
    g->SetPositions(&p, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    return true;
}

void Tviewdm::SeekByTime(int64_t delta)
{
    FilterGraph* g = viewfg.Graph();
    if (!g)
        return;
    g->SetTimeFormat(TIME_FORMAT_MEDIA_TIME);
    int64_t cur = 0;
    if (SUCCEEDED(g->GetCurrentPosition(cur)))
        SeekWithin(cur + delta);
    g->SetTimeFormat(TIME_FORMAT_FRAME);
}

void Tviewdm::StepFrames(int32_t n)
{
    FilterGraph* g = viewfg.Graph();
    int64_t cur = 0;
    if (g && SUCCEEDED(g->GetCurrentPosition(cur)))
        SeekWithin(cur + n);
}

void Tviewdm::SeekTo(int64_t position)
{
    FilterGraph* g = viewfg.Graph();
    if (!g || !SeekWithin(position))
        return;
    // The slider shows the place asked for: a paused graph reports the picture it showed last
    // until the new one arrives.
    int64_t dur = 0, last = 0;
    if (SUCCEEDED(g->GetDuration(dur)) && dur > 0 && LastFrameAt(last) && display_) {
        const int64_t to = std::clamp<int64_t>(position, 0, last);
        display_->ShowSliderPosition(static_cast<int>(
            rtl::Round(static_cast<double>(kSliderMax) * static_cast<double>(to) / static_cast<double>(dur))));
    }
}

void Tviewdm::viewfgGraphPaused()
{
    viewfg.SetOnGraphPaused(nullptr);
    SeekTo(0);
}

Tviewdm& viewdm()
{
    static Tviewdm module;
    return module;
}

} // namespace media
