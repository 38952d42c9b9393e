#pragma once
// The class library's gauge: a horizontal bar that fills from the left with the percentage
// written across it (progress of a command), or a needle on a half dial (the volume). Progress
// is clamped to [MinValue, MaxValue]; the needle lies left at the minimum, upright at the middle
// and right at the maximum.
//
//   auto* gauge = new vcl::Gauge(vcl::Gauge::Kind::Needle, window);
//   gauge->SetProgress(Volume / 100);
#include <QColor>
#include <QWidget>

namespace vcl {

class Gauge : public QWidget {
public:
    enum class Kind { HorizontalBar, Needle };

    explicit Gauge(Kind kind = Kind::HorizontalBar, QWidget* parent = nullptr);

    Kind GetKind() const { return kind_; }
    void SetRange(int minValue, int maxValue); // a maximum below the minimum is taken as the minimum
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }
    void SetProgress(int progress);
    int Progress() const { return progress_; }
    // 0..100, rounded down; 0 for an empty range.
    int PercentDone() const;
    void SetShowText(bool on);
    void SetForeColor(const QColor& color);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintBar(QPainter& p, const QRect& r);
    void PaintNeedle(QPainter& p, const QRect& r);

    Kind kind_;
    int min_ = 0;
    int max_ = 100;
    int progress_ = 0;
    bool showText_ = true;
    QColor fore_ = QColor(0, 0, 128); // navy
};

} // namespace vcl
