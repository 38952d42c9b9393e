// The viewer's events: the end of playback, the overlay placed by its sliders or a click in the
// video, the position slider, the corner shape, the half-size option, and the list's mouse and
// keys that show the current file.
#include "ui/UIForm.h"

namespace ui {

void TUIForm::ConnectViewerEvents()
{
    // Still to come: the graph's end, the frame's slider, shape and video window events.
}

void TUIForm::viewfgGraphComplete()
{
    // Still to come: back to the start, paused.
}

void TUIForm::incrustXChange(int)
{
    // Still to come: the overlay's horizontal place stored and pushed.
}

void TUIForm::incrustYChange(int)
{
    // Still to come: the overlay's vertical place stored and pushed.
}

void TUIForm::incrustMouseDown()
{
    // Still to come: playback without sound while a slider is dragged.
}

void TUIForm::BaseFrameincrustHorzMouseUp()
{
    // Still to come: the sound back, paused again.
}

void TUIForm::VideoWindow1MouseDown(vcl::MouseButton, int, int)
{
    // Still to come: the overlay placed where the video is clicked.
}

void TUIForm::BaseFrameShape1MouseDown()
{
    // Still to come: the overlay sliders shown or hidden.
}

void TUIForm::lbMouseUp()
{
    ShowCurrentFile();
}

void TUIForm::lbKeyUp(int key, Qt::KeyboardModifiers modifiers)
{
    // Ctrl with the arrows steps the video instead.
    if (modifiers & Qt::ControlModifier)
        return;
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down: ShowCurrentFile(); break;
    default: break;
    }
}

void TUIForm::OptionsFramecbPreviewDemiClick()
{
    // Still to come: the current file shown again at the new size.
}

} // namespace ui
