#include "ui/PageFrame.h"

namespace ui {

PageFrame::PageFrame(PageHost& host, QWidget* parent) : QWidget(parent), host_(host)
{
}

void PageFrame::Present(bool coverList, bool toTop)
{
    if (!remembered_)
        remembered_ = host_.ClientWidth();
    move(0, toTop ? 0 : y());
    if (parentWidget())
        resize(width(), parentWidget()->height() - y());
    if (coverList) {
        covered_ = true;
        host_.SetScrollBarsVisible(false);
        host_.SetPopupMenuEnabled(false);
    }
    host_.SetClientWidth(width());
    raise();
    show();
}

void PageFrame::Withdraw()
{
    if (!remembered_)
        return;
    hide();
    host_.SetClientWidth(*remembered_);
    remembered_.reset();
    if (covered_) {
        covered_ = false;
        host_.SetScrollBarsVisible(true);
        host_.SetPopupMenuEnabled(true);
    }
}

} // namespace ui
