#include "ui/MouseHooks.h"

#include <QEvent>
#include <QWidget>

namespace ui {

namespace {

// Watches its parent widget for one kind of mouse event; dies with it.
class MouseHook : public QObject {
public:
    MouseHook(QWidget& widget, QEvent::Type type, std::function<void()> handler)
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

void OnMouseDown(QWidget& widget, std::function<void()> handler)
{
    new MouseHook(widget, QEvent::MouseButtonPress, std::move(handler));
}

void OnMouseUp(QWidget& widget, std::function<void()> handler)
{
    new MouseHook(widget, QEvent::MouseButtonRelease, std::move(handler));
}

} // namespace ui
