#include "platform/vcl/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace vcl {

namespace {

// One side: the length shrunk to the room (not below `least`), the start clamped into it.
void FitSide(int& start, int& length, int roomStart, int room, int least)
{
    length = std::max(std::min(length, room), least);
    start = std::max(std::min(start, roomStart + room - length), roomStart);
}

// A top-level window with its decorations. Qt knows them only once the window is shown: before,
// the window alone (its frame geometry is then not to be trusted).
QRect Frame(const QWidget& window)
{
    return window.isVisible() ? window.frameGeometry() : window.geometry();
}

// What the decorations add around a top-level window's client area.
QMargins Decorations(const QWidget& window)
{
    const QRect frame = Frame(window);
    const QRect inner = window.geometry();
    return {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
            frame.bottom() - inner.bottom()};
}

void SetFrameGeometry(QWidget& window, const QRect& frame)
{
    const QMargins decorations = Decorations(window);
    if (frame.size() != Frame(window).size())
        window.resize(frame.size().shrunkBy(decorations));
    if (frame.topLeft() != Frame(window).topLeft())
        window.move(frame.topLeft()); // a window's position is its frame's
}

} // namespace

QRect FitRect(const QRect& window, const QRect& area, const QSize& minimum)
{
    int x = window.x(), y = window.y(), width = window.width(), height = window.height();
    FitSide(x, width, area.x(), area.width(), minimum.width());
    FitSide(y, height, area.y(), area.height(), minimum.height());
    return {x, y, width, height};
}

QScreen* ScreenOf(const QRect& rect)
{
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry().intersected(rect);
        const qint64 area = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best ? best : QGuiApplication::primaryScreen();
}

QRect AvailableArea(const QRect& rect)
{
    const QScreen* screen = ScreenOf(rect);
    return screen ? screen->availableGeometry() : QRect();
}

void KeepOnScreen(QWidget& window)
{
    const QRect frame = Frame(window);
    const QRect area = AvailableArea(frame);
    if (area.isEmpty())
        return;
    SetFrameGeometry(window, FitRect(frame, area, window.minimumSize().grownBy(Decorations(window))));
}

void PlaceOver(QWidget& window, const QWidget& owner)
{
    const QRect over = Frame(owner);
    QRect frame(QPoint(), Frame(window).size());
    frame.moveCenter(over.center());
    const QRect area = AvailableArea(over);
    if (!area.isEmpty())
        frame = FitRect(frame, area, window.minimumSize().grownBy(Decorations(window)));
    SetFrameGeometry(window, frame);
}

} // namespace vcl
