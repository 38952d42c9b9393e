#include "ui/VideoLayout.h"

#include <QWidget>
#include <algorithm>
#include <cstdint>

namespace ui {

namespace {

constexpr int kTimeHeight = 22; // at least: the design's
constexpr int kTrackHeight = 24;
constexpr int kGaugeInset = 3; // the gauge, a little thinner than the slider, in its place
constexpr int kGaugeHeight = 18;

} // namespace

VideoLayout::VideoLayout(const Parts& parts)
{
    const std::array<QWidget*, kParts> widgets = {parts.video,  parts.message, parts.horizontal, parts.vertical,
                                                  parts.corner, parts.time,    parts.track,      parts.gauge};
    for (size_t i = 0; i < widgets.size(); ++i) {
        parts_[i] = widgets[i];
        items_[i] = new QWidgetItem(widgets[i]);
    }
}

VideoLayout::~VideoLayout()
{
    for (QLayoutItem* item : items_)
        delete item;
}

void VideoLayout::SetAspect(int width, int height)
{
    const bool known = width > 0 && height > 0;
    aspectWidth_ = known ? width : 0;
    aspectHeight_ = known ? height : 0;
    stale_ = true;
    invalidate();
}

void VideoLayout::SetMessageShown(bool shown)
{
    messageShown_ = shown;
    stale_ = true;
    invalidate();
}

QWidget* VideoLayout::Widget(Part part) const
{
    QWidget* widget = parts_[part];
    return widget && widget->parentWidget() == parentWidget() ? widget : nullptr;
}

int VideoLayout::HeightOf(Part part, int least) const
{
    const QWidget* widget = Widget(part);
    return std::max(least, widget ? widget->sizeHint().height() : 0);
}

int VideoLayout::Below() const
{
    return kTimeGap + HeightOf(Time, kTimeHeight) + kTrackGap + HeightOf(Track, kTrackHeight);
}

QSize VideoLayout::Fitted(QSize box) const
{
    if (aspectWidth_ == 0)
        return box;
    // Full width when the picture is wider than the box's shape, else full height.
    if (int64_t(box.height()) * aspectWidth_ > int64_t(box.width()) * aspectHeight_)
        return {box.width(), int(int64_t(box.width()) * aspectHeight_ / aspectWidth_)};
    return {int(int64_t(box.height()) * aspectWidth_ / aspectHeight_), box.height()};
}

int VideoLayout::Height(QSize box) const
{
    return (messageShown_ ? box.height() : Fitted(box).height()) + Below();
}

QSize VideoLayout::sizeHint() const
{
    return {kBox.width() + 2 * kSide, Height(kBox)};
}

QSize VideoLayout::minimumSize() const
{
    return {kSmallestBox.width() + 2 * kSide, Height(kSmallestBox)};
}

void VideoLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    if (rect == placed_ && !stale_)
        return;
    placed_ = rect;
    stale_ = false;
    const int below = Below();
    const QSize box(std::clamp(rect.width() - 2 * kSide, 1, kBox.width()),
                    std::clamp(rect.height() - below, 1, kBox.height()));
    const QSize picture = Fitted(box);
    const int boxLeft = rect.left() + (rect.width() - box.width()) / 2;
    const int left = rect.left() + (rect.width() - picture.width()) / 2;
    const int top = rect.top();
    const int w = picture.width(), h = picture.height();
    const int shown = messageShown_ ? std::max(box.height(), h) : h;
    auto place = [this](Part part, const QRect& r) {
        if (QWidget* widget = Widget(part))
            widget->setGeometry(r);
    };
    place(Message, {boxLeft, top, box.width(), box.height()});
    place(Video, {left, top, w, h});
    if (QWidget* corner = Widget(Corner))
        corner->move(left + w - kCornerInset, top + h - kCornerInset);
    place(Horizontal, {left - 8, top + h - 5, w + 16, kThickness});
    place(Vertical, {left + w - 7, top - 8, kThickness, h + 16});
    const int timeTop = top + shown + kTimeGap;
    const int timeHeight = HeightOf(Time, kTimeHeight);
    place(Time, {boxLeft, timeTop, box.width(), timeHeight});
    const int trackTop = timeTop + timeHeight + kTrackGap;
    place(Track, {left, trackTop, w, HeightOf(Track, kTrackHeight)});
    place(Gauge, {boxLeft, trackTop + kGaugeInset, box.width(), kGaugeHeight});
}

void VideoLayout::addItem(QLayoutItem* item)
{
    delete item;
}

QLayoutItem* VideoLayout::itemAt(int index) const
{
    for (QLayoutItem* item : items_)
        if (item && index-- == 0)
            return item;
    return nullptr;
}

QLayoutItem* VideoLayout::takeAt(int index)
{
    for (QLayoutItem*& item : items_)
        if (item && index-- == 0)
            return std::exchange(item, nullptr);
    return nullptr;
}

int VideoLayout::count() const
{
    return int(std::count_if(items_.begin(), items_.end(), [](const QLayoutItem* item) { return item != nullptr; }));
}

} // namespace ui
