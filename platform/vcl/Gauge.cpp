#include "platform/vcl/Gauge.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vcl {

Gauge::Gauge(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Gauge::SetRange(int minValue, int maxValue)
{
    min_ = minValue;
    max_ = std::max(minValue, maxValue);
    SetProgress(progress_);
    update();
}

void Gauge::SetProgress(int progress)
{
    progress = std::clamp(progress, min_, max_);
    if (progress == progress_)
        return;
    progress_ = progress;
    update();
}

int Gauge::PercentDone() const
{
    if (max_ == min_)
        return 0;
    return static_cast<int>(100LL * (progress_ - min_) / (static_cast<long long>(max_) - min_));
}

void Gauge::SetShowText(bool on)
{
    showText_ = on;
    update();
}

void Gauge::SetForeColor(const QColor& color)
{
    fore_ = color;
    update();
}

QSize Gauge::sizeHint() const
{
    return kind_ == Kind::Needle ? QSize(64, 40) : QSize(150, 18);
}

void Gauge::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, Qt::white);
    p.setPen(QColor(128, 128, 128));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect inner = r.adjusted(1, 1, -1, -1);
    if (kind_ == Kind::Needle)
        PaintNeedle(p, inner);
    else
        PaintBar(p, inner);
}

void Gauge::PaintBar(QPainter& p, const QRect& r)
{
    const int filled = static_cast<int>(static_cast<long long>(r.width()) * PercentDone() / 100);
    const QRect done(r.left(), r.top(), filled, r.height());
    p.fillRect(done, fore_);
    if (!showText_)
        return;
    // The text is drawn twice, clipped: white over the filled part, the bar's colour elsewhere.
    const QString text = QString::number(PercentDone()) + QLatin1Char('%');
    p.setClipRect(done);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.setClipRect(QRect(r.left() + filled, r.top(), r.width() - filled, r.height()));
    p.setPen(fore_);
    p.drawText(r, Qt::AlignCenter, text);
}

void Gauge::PaintNeedle(QPainter& p, const QRect& r)
{
    p.setRenderHint(QPainter::Antialiasing);
    // The dial: a half disc standing on the bottom edge, as wide as it can be.
    const double radius = std::max(1.0, std::min(r.width() / 2.0, static_cast<double>(r.height())) - 2);
    const QPointF centre(r.center().x() + 0.5, r.bottom() - 1.0);
    QPainterPath dial;
    dial.moveTo(centre);
    dial.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 0, 180);
    dial.closeSubpath();
    p.setPen(QColor(128, 128, 128));
    p.setBrush(QColor(240, 240, 240));
    p.drawPath(dial);
    const double angle = std::numbers::pi * (1.0 - PercentDone() / 100.0); // left at 0 %, right at 100 %
    const QPointF tip(centre.x() + radius * std::cos(angle), centre.y() - radius * std::sin(angle));
    p.setPen(QPen(fore_, 2));
    p.drawLine(centre, tip);
}

} // namespace vcl
