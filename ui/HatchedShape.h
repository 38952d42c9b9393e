#pragma once
// The small hatched square of the information frame's video corner: a click target with a hand
// cursor (ui::OnMouseDown gives it its event).
#include <QWidget>

namespace ui {

class HatchedShape : public QWidget {
public:
    explicit HatchedShape(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
