#pragma once
// The class library's OnMouseDown and OnMouseUp on any widget (a slider, a label, a shape): the
// handlers run for a press and a release of any button over it, before the widget's own handling.
// OnShow: each time the widget becomes visible (a tab sheet chosen, its page shown).
#include <functional>

class QWidget;

namespace ui {

void OnMouseDown(QWidget& widget, std::function<void()> handler);
void OnMouseUp(QWidget& widget, std::function<void()> handler);
void OnShow(QWidget& widget, std::function<void()> handler);

} // namespace ui
