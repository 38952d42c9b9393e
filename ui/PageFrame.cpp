#include "ui/PageFrame.h"

#include <QEvent>

namespace ui {

PageFrame::PageFrame(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
    if (parent)
        parent->installEventFilter(this);
}

void PageFrame::SetDesignSize(int width, int height)
{
    designWidth_ = width;
    resize(width, height);
}

void PageFrame::Present(bool coverList)
{
    if (!remembered_)
        remembered_ = host_.ClientWidth();
    if (coverList) {
        covered_ = true;
        host_.SetScrollBarsVisible(false);
        host_.SetPopupMenuEnabled(false);
    }
    // The client area first keeps the page whole, then the window takes the page's width.
    if (parentWidget())
        parentWidget()->setMinimumSize(minimumSizeHint());
    host_.SetClientWidth(designWidth_);
    Cover();
    raise();
    show();
}

void PageFrame::Withdraw()
{
    if (!remembered_)
        return;
    hide();
    if (parentWidget())
        parentWidget()->setMinimumSize(0, 0);
    host_.SetClientWidth(*remembered_);
    remembered_.reset();
    if (covered_) {
        covered_ = false;
        host_.SetScrollBarsVisible(true);
        host_.SetPopupMenuEnabled(true);
    }
}

void PageFrame::Cover()
{
    if (parentWidget())
        setGeometry(parentWidget()->rect());
}

bool PageFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && Shown())
        Cover();
    return QWidget::eventFilter(watched, event);
}

} // namespace ui
