#include "ui/HatchedShape.h"

#include <QPainter>

namespace ui {

HatchedShape::HatchedShape(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    resize(20, 20);
}

void HatchedShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.fillRect(rect(), QBrush(Qt::black, Qt::DiagCrossPattern));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ui
