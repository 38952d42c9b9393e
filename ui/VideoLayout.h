#pragma once
// The information frame's video and what goes with it, laid out as the frame was designed: the
// picture fitted at its aspect into a box (240 x 180 where there is room, down to 160 x 120
// where there is not) and centred; the message box over the whole box; the overlay sliders
// across the picture's bottom and right edges and the corner square inside its bottom-right
// corner; the position text and the position slider right under the picture (under the box
// while a message shows), the progress gauge in the slider's place. The layout is as tall as
// what it shows, so no gap is left between the picture and the slider whatever the picture's
// shape; the frame's own layout puts the spare height below it.
#include <QLayout>
#include <QPointer>
#include <array>

namespace ui {

class VideoLayout : public QLayout {
public:
    static constexpr QSize kBox{240, 180};
    static constexpr QSize kSmallestBox{160, 120};
    static constexpr int kSide = 12;      // beside the box, at least
    static constexpr int kTimeGap = 6;    // between the picture and the position text
    static constexpr int kTrackGap = 2;   // between the position text and the slider
    static constexpr int kThickness = 16; // of an overlay slider
    static constexpr int kCornerInset = 16;

    // The parts are children of the widget whose layout takes this one.
    struct Parts {
        QWidget* video;
        QWidget* message;
        QWidget* horizontal; // overlay sliders
        QWidget* vertical;
        QWidget* corner;
        QWidget* time;
        QWidget* track;
        QWidget* gauge;
    };

    explicit VideoLayout(const Parts& parts);
    ~VideoLayout() override;

    // The picture's pixel size; 0: the box's shape.
    void SetAspect(int width, int height);
    // While a message shows, the whole box is kept under it.
    void SetMessageShown(bool shown);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    void addItem(QLayoutItem* item) override; // the parts are fixed: nothing else is laid out
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;

private:
    enum Part { Video, Message, Horizontal, Vertical, Corner, Time, Track, Gauge, kParts };

    // A part while it is the frame's child: the video is a window of its own in full screen.
    QWidget* Widget(Part part) const;
    int HeightOf(Part part, int least) const; // its own height, at least `least`
    int Below() const;                        // the position text and the slider
    QSize Fitted(QSize box) const;            // the picture in `box`
    int Height(QSize box) const;              // the layout's, for a box

    std::array<QPointer<QWidget>, kParts> parts_;
    std::array<QLayoutItem*, kParts> items_{}; // what the layout owns, as Qt asks for them
    // The parts are placed again only for a new rectangle, picture shape or message: the
    // read-out's texts, changing 25 times a second, move nothing.
    QRect placed_;
    bool stale_ = true;
    int aspectWidth_ = 0;
    int aspectHeight_ = 0;
    bool messageShown_ = false;
};

} // namespace ui
