// The player's commands on the viewing graph: play and pause, full screen, sound, the steps and
// the scenes, the volume, and the timer procedure of the position read-out.
//
// Each command swallows what its call raises: a failed seek or state change leaves the viewer as
// it was, and no message interrupts the user.
#include <QListWidget>
#include <algorithm>
#include <exception>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;
namespace prefs = settings;

namespace {

constexpr int kVolumeStep = 1000;
constexpr int kVolumeMax = 10000;

template <class F> void Quietly(F&& command)
{
    try {
        command();
    } catch (const std::exception&) {
    }
}

void SetCaption(QAction& action, int id)
{
    action.setText(QString::fromStdString(rtl::LoadStr(id)));
}

} // namespace

void TUIForm::avPlayStopExecute()
{
    Quietly([this] {
        ds::GraphComponent& graph = view_.Graph();
        switch (graph.State()) {
        case ds::FilterState::Running:
            // Stopped first: the pause then shows the picture where playback was, drawn anew.
            graph.Stop();
            graph.Pause();
            SetCaption(*avPlayStop, sMainPlay);
            break;
        case ds::FilterState::Paused:
            graph.Run();
            SetCaption(*avPlayStop, sUiPause);
            break;
        default: break;
        }
    });
}

void TUIForm::avFullscreenExecute()
{
    Quietly([this] {
        vcl::VideoWindow& vw = *BaseFrame->vw;
        const bool on = !vw.FullScreen();
        vw.SetFullScreen(on);
        vw.HideCursor(on);
        SetCaption(*avFullscreen, on ? sUiLeaveFullScreen : sMainFullScreen);
        if (on) {
            vw.activateWindow();
            vw.setFocus();
        } else {
            activateWindow();
        }
    });
}

void TUIForm::LeaveFullScreen()
{
    if (BaseFrame->vw->FullScreen())
        avFullscreenExecute();
}

void TUIForm::avMuteExecute()
{
    Quietly([this] {
        // The stored volume stays: unmuting gives back what the user had.
        const bool mute = !prefs::IsMuteOn;
        view_.Graph().SetLinearVolume(mute ? 0 : prefs::Volume);
        Panel1->setVisible(!mute);
        prefs::IsMuteOn = mute;
        vcl::SetHint(*avMute, rtl::LoadStr(mute ? sUiSoundIsOffHint : sUiSoundIsOnHint));
        SetCaption(*avMute, mute ? sUiSoundOn : sMainSoundOff);
        const int image = mute ? 19 : 20;
        avMute->setIcon(ImageList(image));
        avMute->setData(image);
    });
}

void TUIForm::avanceLowExecute()
{
    Quietly([this] { BaseFrame->aeAvanceLow(); });
}

void TUIForm::reculeLowExecute()
{
    Quietly([this] { BaseFrame->aeReculeLow(); });
}

void TUIForm::avanceMediumExecute()
{
    Quietly([this] { BaseFrame->aeAvanceMedium(); });
}

void TUIForm::ReculeMediumExecute()
{
    Quietly([this] { BaseFrame->aeReculeMedium(); });
}

void TUIForm::avanceHighExecute()
{
    Quietly([this] { BaseFrame->aeAvanceHigh(); });
}

void TUIForm::ReculeHighExecute()
{
    Quietly([this] { BaseFrame->aeReculeHigh(); });
}

void TUIForm::avAvanceFinExecute()
{
    Quietly([this] { BaseFrame->aeAvanceEnd(); });
}

void TUIForm::avReculeDebutExecute()
{
    Quietly([this] { BaseFrame->aeReculeStart(); });
}

bool TUIForm::ScenesOffered() const
{
    const auto current = CurrentFichier();
    return current && current->ScnExists;
}

void TUIForm::AvanceSceneExecute()
{
    if (ScenesOffered())
        Quietly([this] { BaseFrame->aeAvanceScene(); });
}

void TUIForm::ReculeSceneExecute()
{
    if (ScenesOffered())
        Quietly([this] { BaseFrame->aeReculeScene(); });
}

void TUIForm::UpdatePlayerActions()
{
    // The scene steps read the file's ".scn": offered only while it has one.
    for (QAction* scene : {AvanceScene, ReculeScene})
        if (!ScenesOffered())
            scene->setEnabled(false);
}

void TUIForm::ChangeVolume(int delta)
{
    Quietly([&] {
        prefs::Volume = std::clamp<int32_t>(prefs::Volume + delta, 0, kVolumeMax);
        if (!prefs::IsMuteOn)
            view_.Graph().SetLinearVolume(prefs::Volume);
        Gauge2->SetProgress(prefs::Volume / 100);
    });
}

void TUIForm::afIncVolumeExecute()
{
    ChangeVolume(kVolumeStep);
}

void TUIForm::afDecVolumeExecute()
{
    ChangeVolume(-kVolumeStep);
}

} // namespace ui
