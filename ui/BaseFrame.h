#pragma once
// TBaseFrame: the left-hand panel of the main window. It shows the current file's properties,
// hosts the viewing graph's video window with its position slider and the two sliders that place
// the date overlay, and shows in a rich text box why a file cannot be played. Every 40 ms its
// timer runs OnTick: the read-out of the frame being played (recording date, time code, slider
// and position text). It also carries the player's steps by frames, seconds, minutes and scenes.
//
// It is the viewing graph's display (media::ViewDisplay) and sets its frame rate (ViewFps). What
// the main window handles is raised as events: the play caption, the overlay sliders, the corner
// shape, a click on the file name. GUI thread only; the read-out copies the scene detector's
// record, which the streaming thread publishes under its own lock.
//
//   frame->CurrentFichier = file;
//   frame->ShowFileProperties(file.get());
//   media::viewdm().OpenViewGraph(ui::ToViewFile(*file), frame->vw->Renderer());
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions/aviFichier.h"
#include "media/viewgraph.h"
#include "platform/rtl/DateTime.h"
#include "platform/shell/Prompter.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/VideoWindow.h"
#include "ui/HatchedShape.h"
#include "ui/RichEdit.h"

class QFrame;
class QLabel;
class QSlider;

namespace ui {

class VideoLayout;

// The read-out of one timer turn; the frame fills the first three, the main window the fourth.
struct TPositionInfo {
    std::string DatecodeText;
    std::string TimecodeText;
    int32_t SliderPos = 0;
    std::string PositionText;
};

// "h:mm:ss:ff" of a position in frames at `fps`, or "h:mm:ss:mmm" of one in 100 ns units when
// the rate is 0.
std::string PositionText(int64_t position, double fps);

// Where the scene steps go, from the starts a ".scn" file gives (ScnFileReader): the first start
// after `current`, or `end`; the last start before it, or 0.
int64_t NextSceneTarget(const std::vector<int32_t>& starts, int64_t current, int64_t end);
int64_t PreviousSceneTarget(const std::vector<int32_t>& starts, int64_t current);

// The four values of a list entry the viewing graph reads.
media::ViewFile ToViewFile(const actions::TAfficherFichier& file);

class TBaseFrame : public QWidget, public media::ViewDisplay {
public:
    static constexpr int kDesignWidth = 265;
    static constexpr int kDesignHeight = 440;

    explicit TBaseFrame(shell::Prompter& prompter, media::Tviewdm& view = media::viewdm(), QWidget* parent = nullptr);
    ~TBaseFrame() override;

    // Components, by their design names.
    QFrame* Panel1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLabel *labDatecode, *LabTimecode, *LabCodec, *LabImage, *LabDuree, *labFPS, *LabAudio1, *LabAudio2;
    QLabel* LabNom;
    QFrame* Bevel1;
    QLabel *labscn, *labsrt;
    QLabel* labTimeStamp;
    QSlider* tb;
    vcl::VideoWindow* vw;
    QSlider *incrustHorz, *incrustVert;
    RichEdit* reBaseFrame;
    HatchedShape* Shape1;
    QTimer timer1;
    vcl::Gauge* Gauge1;

    // The file shown; the list owns it as much as the frame.
    std::shared_ptr<const actions::TAfficherFichier> CurrentFichier;
    // The full name of the file whose properties the frame shows; empty once cleared.
    std::string ShownName;
    // Position and duration read last, in the seeking interface's current time format (frames
    // when the DV graph set it, else 100 ns units).
    int64_t ViewPosition = 0;
    int64_t ViewDuration = 0;

    // Events for the main window.
    std::function<void()> OnTick; // every 40 ms while the timer runs; the frame's own read-out until set
    std::function<void(const std::string&)> OnPlayCaption;
    std::function<void(int value)> OnIncrustHorzChange; // OnChange: also when code sets the slider
    std::function<void(int value)> OnIncrustVertChange;
    std::function<void()> OnIncrustMouseDown; // either overlay slider
    std::function<void()> OnIncrustMouseUp;
    std::function<void()> OnShape1MouseDown;
    std::function<void()> OnLabNomClick;

    // Properties and messages.
    void ShowFileProperties(const actions::TAfficherFichier* file);
    void ClearFrame();
    void WriteCodeMessage(media::TViewStatus code);
    void Localise();

    // Display modes.
    void ShowVideoAndText();
    void ShowTextOnly();

    // media::ViewDisplay
    void ShowVideo() override;
    void ShowCodeWithVideo(media::TViewStatus code) override;
    void AfficherCode(media::TViewStatus code) override;
    void ShowSliderPosition(int position) override;
    void ShowPlayCaption(const std::string& caption) override;

    // Read-out.
    TPositionInfo Timer1Timer();
    void ShowPositionInfo(const TPositionInfo& info);
    void TimerProc(); // the frame's own: read-out, position text, shown
    // The user moved the position slider: seek there, then the timer runs again.
    void tbChanged();

    // Steps and scenes (the main window's player commands).
    void aeAvanceLow();
    void aeReculeLow();
    void aeAvanceMedium();
    void aeReculeMedium();
    void aeAvanceHigh();
    void aeReculeHigh();
    void aeAvanceEnd();
    void aeReculeStart();
    void aeAvanceScene();
    void aeReculeScene();

    // The frames a step moves at `viewFps` (level 0 a frame, 1 a second, 2 a minute), and the
    // 100 ns units it moves without a frame rate.
    static int32_t StepFrameCount(int level, double viewFps);
    static int64_t StepTime(int level);

private:
    // A date in the user's display format; `fallback` when the format cannot be applied.
    static std::string ShownDate(rtl::TDateTime date, const std::string& fallback);
    void BuildComponents();
    void Connect();
    void Step(int level, int direction);
    void StepScene(bool forward);
    void ShowMessageBox(bool shown); // the video's layout keeps the whole box under a message
    void Relayout();
    ds::MediaSeeking* Seeking() const;

    shell::Prompter& prompter_;
    media::Tviewdm& view_;
    TPositionInfo positionInfo_;   // the slider position stays when a read fails
    ds::Guid durationFormat_;      // the time format ViewDuration was read in
    VideoLayout* video_ = nullptr; // in the frame's layout
};

} // namespace ui
