#include "ui/MouseHooks.h"

#include <QEvent>
#include <QWidget>

namespace ui {

namespace {

// Watches its parent widget for one kind of event; dies with it.
class EventHook : public QObject {
public:
    EventHook(QWidget& widget, QEvent::Type type, std::function<void()> handler)
        : QObject(&widget), type_(type), handler_(std::move(handler))
    {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == type_ && handler_)
            handler_();
        return false;
    }

private:
    QEvent::Type type_;
    std::function<void()> handler_;
};

} // namespace

void OnShow(QWidget& widget, std::function<void()> handler)
{
    new EventHook(widget, QEvent::Show, std::move(handler));
}

void OnMouseDown(QWidget& widget, std::function<void()> handler)
{
    new EventHook(widget, QEvent::MouseButtonPress, std::move(handler));
}

void OnMouseUp(QWidget& widget, std::function<void()> handler)
{
    new EventHook(widget, QEvent::MouseButtonRelease, std::move(handler));
}

} // namespace ui
