#pragma once
// VideoWindow: the window a graph shows its pictures in. It owns one "Video Renderer" for its
// whole life (Renderer(), put into each graph it shows) and is that renderer's sink: pictures
// arrive on the renderer's threads and are painted on the GUI thread, fitted to the window at the
// display aspect (the file's image size), black around. It repaints from the last picture, goes
// full screen and back, hides the cursor, and reports mouse presses with button and position.
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/filters/VideoRenderer.h"

namespace vcl {

enum class MouseButton { Left, Right, Middle };

class VideoWindow : public QWidget, public ds::VideoSink {
public:
    using MouseHandler = std::function<void(MouseButton button, int x, int y)>;

    explicit VideoWindow(QWidget* parent = nullptr);
    ~VideoWindow() override;

    std::shared_ptr<ds::VideoRenderer> Renderer() const { return renderer_; }

    // The shape pictures are shown at (the file's image size); zero: the picture's own.
    void SetDisplayAspect(int width, int height);
    void SetFullScreen(bool on);
    bool FullScreen() const { return fullScreen_; }
    void HideCursor(bool hide);
    void SetOnMouseDown(MouseHandler handler) { onMouseDown_ = std::move(handler); }

    // Where the picture is drawn in the window now (empty when there is none).
    QRect PictureRect() const;
    ds::PicturePtr LastPicture() const;

    // ds::VideoSink, from the renderer's threads.
    void ShowPicture(ds::PicturePtr picture) override;
    void ClearPicture() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void RequestRepaint(); // any thread: one queued repaint at a time
    QRect FitRect(int pictureWidth, int pictureHeight) const;

    std::shared_ptr<ds::VideoRenderer> renderer_;
    mutable std::mutex pictureLock_; // guards picture_: written on the renderer's threads
    ds::PicturePtr picture_;
    std::atomic<bool> repaintQueued_{false};
    int aspectWidth_ = 0, aspectHeight_ = 0;
    bool fullScreen_ = false;
    QPointer<QWidget> normalParent_; // where the window goes back to after full screen
    QPointer<QWidget> normalAbove_;  // the sibling it lay under there
    QRect normalGeometry_;
    MouseHandler onMouseDown_;
};

} // namespace vcl
