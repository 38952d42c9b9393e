// The player's commands on the viewing graph: play and pause, full screen, sound, the steps and
// the scenes, the volume, and the timer procedure of the position read-out.
#include "ui/UIForm.h"

namespace ui {

void TUIForm::avPlayStopExecute()
{
    // Still to come: play or pause by the graph's state, and the caption.
}

void TUIForm::avFullscreenExecute()
{
    // Still to come: the video window full screen and back, the cursor and the caption.
}

void TUIForm::avMuteExecute()
{
    // Still to come: the sound off or on at the stored volume.
}

void TUIForm::avanceLowExecute()
{
    // Still to come: one frame forward.
}

void TUIForm::reculeLowExecute()
{
    // Still to come: one frame back.
}

void TUIForm::avanceMediumExecute()
{
    // Still to come: one second forward.
}

void TUIForm::ReculeMediumExecute()
{
    // Still to come: one second back.
}

void TUIForm::avanceHighExecute()
{
    // Still to come: one minute forward.
}

void TUIForm::ReculeHighExecute()
{
    // Still to come: one minute back.
}

void TUIForm::avAvanceFinExecute()
{
    // Still to come: to the last frame.
}

void TUIForm::avReculeDebutExecute()
{
    // Still to come: to the first frame.
}

void TUIForm::AvanceSceneExecute()
{
    // Still to come: to the next scene of the file's ".scn".
}

void TUIForm::ReculeSceneExecute()
{
    // Still to come: to the previous scene of the file's ".scn".
}

void TUIForm::afIncVolumeExecute()
{
    // Still to come: the volume a step up, the gauge.
}

void TUIForm::afDecVolumeExecute()
{
    // Still to come: the volume a step down, the gauge.
}

void TUIForm::TimerProc()
{
    // Still to come: the window's read-out through WMFrameInfo.
    BaseFrame->TimerProc();
}

void TUIForm::LeaveFullScreen()
{
    // Still to come: Esc leaves full screen.
}

} // namespace ui
