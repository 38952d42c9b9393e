#pragma once
// Tviewdm: the viewing graph. Plays the list's current file in the information frame's video
// window. A file the analysis found to be DV goes through a graph of our own design (scene
// detector, DV Splitter for type 1, DV decoder, date overlay, colour converter, the window's
// renderer; the sound rendered from the splitters' other outputs); any other file is rendered
// stream by stream by the graph manager. Why a file cannot be shown is told by a status code.
//
//   media::viewdm().OpenViewGraph({path, valid, image, audio1}, window.Renderer());
//   media::viewdm().StepFrames(1);
//
// Threads: only the GUI thread uses the graph. A worker (an in-place file action) may call
// CloseViewGraph, EndCloseViewGraph and OpenViewGraph: the call is carried out on the GUI thread
// (threads::SendToGui) while the worker waits, holding no lock. The display is called on the GUI
// thread only.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/dshow/GraphComponents.h"

namespace media {

class Tdv_sceneDetect;
class Tdv_Superposer;

// Result of the last build; the information frame turns each code into its message.
enum TViewStatus : uint8_t {
    vsFileNotFound = 1,          // the file source cannot load the file
    vsBadDV = 2,                 // the DV path (detector, DV Splitter, decoder) cannot be connected
    vsAudioOnly = 3,             // no picture stream; the sound plays
    vsNotAvi = 4,                // no AVI, no splitter output, or neither picture nor sound
    vsNoDecoderSound = 5,        // a picture no filter renders; the sound plays
    vsNoDecoderUnknownAudio = 6, // neither picture nor sound rendered, but there is a sound stream
    vsNoDecoder = 7,             // no rendered picture and no sound stream
    vsInterrupted = 8,           // no file ("N/A"), or a build failed while closed for a command
};

// The four values of the per-file object the viewer reads.
struct ViewFile {
    std::string FullName;
    bool Valid = false; // the analysis found a DV codec code
    std::string Image;  // the image text; "N/A" when the file has no picture stream
    std::string Audio1; // the first sound text; "N/A" when none
};

// What the information frame does for the viewer (GUI thread).
class ViewDisplay {
public:
    virtual ~ViewDisplay() = default;
    // The video window shows the picture and the read-out runs.
    virtual void ShowVideo() = 0;
    // The status message over the video window; the read-out runs.
    virtual void ShowCodeWithVideo(TViewStatus code) = 0;
    // The read-out stops, the graph is closed (CloseViewGraph, EndCloseViewGraph), only the
    // status message shows.
    virtual void AfficherCode(TViewStatus code) = 0;
    // The position slider (0..1000) after a seek.
    virtual void ShowSliderPosition(int position) = 0;
    // The caption of the play command once the graph paused.
    virtual void ShowPlayCaption(const std::string& caption) = 0;
};

class Tviewdm {
public:
    static constexpr int kSliderMax = 1000;
    static constexpr const char* kPlayCaption = "播放"; // play
    static constexpr int64_t kLastFrameTime = 400000;   // 100 ns: the last "frame" of a file without a rate

    Tviewdm();
    ~Tviewdm();
    Tviewdm(const Tviewdm&) = delete;
    Tviewdm& operator=(const Tviewdm&) = delete;

    // The information frame; null: the display calls are skipped.
    void SetDisplay(ViewDisplay* display) { display_ = display; }

    // Builds and starts the graph for `file` with the window's renderer, puts the frame in the
    // matching display mode and leaves the graph paused on the first picture.
    bool OpenViewGraph(const ViewFile& file, const std::shared_ptr<ds::BaseFilter>& renderer);
    bool BuildDVViewGraph(const std::string& name, const std::shared_ptr<ds::BaseFilter>& renderer);
    bool BuildPlainViewGraph(const std::string& name, const std::shared_ptr<ds::BaseFilter>& renderer);
    void ResetViewGraph();
    // Around every in-place change of the file: the graph lets the file go, then may open again.
    void CloseViewGraph();
    void EndCloseViewGraph();

    // Seeks and steps stay within the file: from the first frame to the last (duration - 1 in
    // frames; in media time the last frame's start, or 40 ms before the end without a frame rate).
    void PauseView();
    void SeekByTime(int64_t delta); // 100 ns
    void StepFrames(int32_t n);     // in the current time format
    void SeekTo(int64_t position);  // current time format; moves the slider
    void viewfgGraphPaused();       // the first pause after an open rewinds once
    // After a change of the overlay's settings: a graph that is not playing is stopped and paused
    // again where it stood, so the picture shown is drawn anew with them. A playing graph shows
    // them on its next picture.
    void RedrawPaused();

    ds::GraphComponent& Graph() { return viewfg; }
    Tdv_sceneDetect& SceneDetect() { return *ViewSceneDetect; }
    Tdv_Superposer& Superposer() { return *ViewSuperposer; }

    TViewStatus ViewStatus = vsInterrupted;
    std::atomic<uint8_t> ViewClosing{0}; // the graph is closed for a command on the file
    uint8_t ViewVideoConnected = 0;      // the picture path reaches the renderer
    uint8_t ViewAudioRendered = 0;       // at least one sound stream was rendered
    double ViewFps = 0;                  // the viewed file's frame rate, set by the frame; 0 when none
    ds::MediaSeeking* ViewSeeking = nullptr;

private:
    // The last frame's position in the seeking interface's current format; false when the graph
    // has no duration.
    bool LastFrameAt(int64_t& last);
    bool SeekWithin(int64_t position); // clamped to [0, last frame]; false when nothing was sought
    void AttachRenderer(const std::shared_ptr<ds::BaseFilter>& renderer);
    void ApplyOverlaySettings();
    int AviOutputs() const; // the AVI Splitter's outputs (its pins but the input)

    ds::GraphComponent viewfg;
    ds::FilterComponent avisplitter, color, Dvdecoder, dvsplitter, source;
    std::shared_ptr<Tdv_sceneDetect> ViewSceneDetect;
    std::shared_ptr<Tdv_Superposer> ViewSuperposer;
    std::shared_ptr<ds::BaseFilter> renderer_; // the window's, kept in the graph across resets
    ViewDisplay* display_ = nullptr;
};

// The program's one viewing module.
Tviewdm& viewdm();

} // namespace media
