#include "platform/vcl/VideoWindow.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace vcl {

VideoWindow::VideoWindow(QWidget* parent) : QWidget(parent), renderer_(std::make_shared<ds::VideoRenderer>())
{
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted, black around the picture
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(false);
    renderer_->SetSink(this);
}

VideoWindow::~VideoWindow()
{
    // A graph may keep the renderer longer than the window: it must no longer reach us.
    renderer_->SetSink(nullptr);
}

void VideoWindow::SetDisplayAspect(int width, int height)
{
    aspectWidth_ = width > 0 && height > 0 ? width : 0;
    aspectHeight_ = width > 0 && height > 0 ? height : 0;
    update();
}

void VideoWindow::SetFullScreen(bool on)
{
    if (on == fullScreen_)
        return;
    fullScreen_ = on;
    if (on) {
        normalParent_ = parentWidget();
        normalGeometry_ = geometry();
        normalAbove_ = nullptr;
        if (normalParent_) {
            const QObjectList& siblings = normalParent_->children(); // bottom to top
            for (qsizetype i = siblings.indexOf(this) + 1; i < siblings.size() && !normalAbove_; ++i)
                if (auto* sibling = qobject_cast<QWidget*>(siblings[i]); sibling && !sibling->isWindow())
                    normalAbove_ = sibling;
        }
        QScreen* screen = normalParent_ ? normalParent_->screen() : this->screen();
        if (normalParent_)
            setParent(nullptr, Qt::Window | Qt::FramelessWindowHint);
        // Without a window manager the full-screen state alone neither sizes nor raises the window.
        if (screen)
            setGeometry(screen->geometry());
        showFullScreen();
        raise();
        activateWindow();
    } else {
        if (normalParent_) {
            setParent(normalParent_, Qt::Widget); // on top of its siblings: back under the one it lay under
            if (normalAbove_ && normalAbove_->parentWidget() == normalParent_)
                stackUnder(normalAbove_);
            setGeometry(normalGeometry_);
            show();
        } else {
            showNormal();
            setGeometry(normalGeometry_);
        }
    }
}

void VideoWindow::HideCursor(bool hide)
{
    if (hide)
        setCursor(Qt::BlankCursor);
    else
        unsetCursor();
}

ds::PicturePtr VideoWindow::LastPicture() const
{
    std::lock_guard<std::mutex> guard(pictureLock_);
    return picture_;
}

void VideoWindow::ShowPicture(ds::PicturePtr picture)
{
    {
        std::lock_guard<std::mutex> guard(pictureLock_);
        picture_ = std::move(picture);
    }
    RequestRepaint();
}

void VideoWindow::ClearPicture()
{
    {
        std::lock_guard<std::mutex> guard(pictureLock_);
        picture_.reset();
    }
    RequestRepaint();
}

void VideoWindow::RequestRepaint()
{
    // Posted, never waited for: the renderer may be stopped by the GUI thread meanwhile. Qt's own
    // slot is posted by name, so no object of ours crosses threads; pending calls die with the
    // window. The next paint takes whatever picture is newest then.
    if (!repaintQueued_.exchange(true))
        QMetaObject::invokeMethod(this, "update", Qt::QueuedConnection);
}

QRect VideoWindow::FitRect(int pictureWidth, int pictureHeight) const
{
    const int64_t aw = aspectWidth_ > 0 ? aspectWidth_ : pictureWidth;
    const int64_t ah = aspectHeight_ > 0 ? aspectHeight_ : pictureHeight;
    const int64_t w = width(), h = height();
    if (aw <= 0 || ah <= 0 || w <= 0 || h <= 0)
        return QRect();
    // As wide as the window when the shape is wider than the window's, else as high.
    int64_t fw = w, fh = w * ah / aw;
    if (fh > h) {
        fh = h;
        fw = h * aw / ah;
    }
    return QRect(static_cast<int>((w - fw) / 2), static_cast<int>((h - fh) / 2), static_cast<int>(fw),
                 static_cast<int>(fh));
}

QRect VideoWindow::PictureRect() const
{
    ds::PicturePtr picture = LastPicture();
    return picture ? FitRect(picture->width, picture->height) : QRect();
}

void VideoWindow::paintEvent(QPaintEvent*)
{
    repaintQueued_ = false; // before the picture is read: a newer one asks again
    QPainter painter(this);
    ds::PicturePtr picture = LastPicture(); // kept alive while it is drawn
    const QRect target = picture ? FitRect(picture->width, picture->height) : QRect();
    if (target.isEmpty()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    // Black bands around the picture, then the picture scaled into its place.
    const QRegion bands = QRegion(rect()).subtracted(QRegion(target));
    for (const QRect& r : bands)
        painter.fillRect(r, Qt::black);
    const QImage image(reinterpret_cast<const uchar*>(picture->pixels.data()), picture->width, picture->height,
                       picture->width * 4, QImage::Format_RGB32);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
}

void VideoWindow::mousePressEvent(QMouseEvent* event)
{
    MouseButton button;
    switch (event->button()) {
    case Qt::LeftButton: button = MouseButton::Left; break;
    case Qt::RightButton: button = MouseButton::Right; break;
    case Qt::MiddleButton: button = MouseButton::Middle; break;
    default: return QWidget::mousePressEvent(event);
    }
    if (onMouseDown_) {
        const QPoint p = event->position().toPoint();
        onMouseDown_(button, p.x(), p.y());
    }
}

} // namespace vcl
