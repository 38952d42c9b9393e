#pragma once
// Windows kept on the screen. A saved place may name a monitor that is gone or a size larger
// than the screen now (another monitor, another scale): the window comes back inside the screen
// that holds most of it, shrunk where it must be, never below its minimum size.
//
//   window.move(savedLeft, savedTop);
//   vcl::KeepOnScreen(window);        // at show; window.pos() is then the place to save
//   vcl::PlaceOver(riffWindow, window);
#include <QRect>

class QScreen;
class QWidget;

namespace vcl {

// `window` moved, and shrunk where it is larger, to lie inside `area`; never smaller than
// `minimum`, and then kept at the area's left or top edge.
QRect FitRect(const QRect& window, const QRect& area, const QSize& minimum = {});
// The screen that holds the largest part of `rect`, else the primary screen.
QScreen* ScreenOf(const QRect& rect);
// The available area (panels aside) of the screen that holds most of `rect`; empty without one.
QRect AvailableArea(const QRect& rect);
// A top-level window, decorations included, brought inside the available area of its screen.
void KeepOnScreen(QWidget& window);
// A top-level `window` centred over the top-level `owner`, inside the owner's screen.
void PlaceOver(QWidget& window, const QWidget& owner);

} // namespace vcl
