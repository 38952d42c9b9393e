#pragma once
// The main window's share of the file actions: what a handler asks of the viewer, the structure
// window, the overlay and slider commands and the about page's mail link. The window installs its
// own hooks; a run without a window keeps the default, which does nothing.
//
// The methods are called on the GUI thread: a handler running on a worker reaches them through
// CallHooks, which waits for the call (threads::SendToGui).
#include <functional>
#include <string>

namespace actions {

class TAfficherFichier;

class WindowHooks {
public:
    virtual ~WindowHooks() = default;

    // Around an in-place change of `fullName`: the viewer lets the file go, then may take it again.
    virtual void CloseViewer(const std::string& /*fullName*/) {}
    virtual void EndCloseViewer(const std::string& /*fullName*/) {}
    // The viewer opens `file` again in the information frame's video window.
    virtual void ReopenViewer(const TAfficherFichier& /*file*/) {}

    // The RIFF structure window, analysing `fullName`.
    virtual void ShowRiffHeader(const std::string& /*fullName*/) {}

    // The overlay command's caption and image after the overlay was switched; then, when the
    // viewer is not playing, its picture is drawn again with the new setting.
    virtual void ShowOverlayCommand(const std::string& /*caption*/, int /*imageIndex*/) {}
    virtual void RedrawViewer() {}
    // The two overlay position sliders and the slider command's caption.
    virtual void ShowOverlaySliders(bool /*shown*/, const std::string& /*caption*/) {}
    virtual void ShowVolumeGauge(bool /*shown*/) {}

    // The about page's mail link, with this subject and body, activated as if clicked.
    virtual void SendMail(const std::string& /*subject*/, const std::string& /*body*/) {}
};

// Installs the window's hooks (null: the default again). Call on the GUI thread before any batch.
void SetWindowHooks(WindowHooks* hooks);
// The hooks in place.
WindowHooks& Hooks();
// Runs `call` on the hooks in place, on the GUI thread, and waits for it.
void CallHooks(const std::function<void(WindowHooks&)>& call);

} // namespace actions
