#include "ui/Memo.h"

#include <QPlainTextEdit>

namespace ui {

QPlainTextEdit* MakeMemo(QWidget* parent, int maxHeight)
{
    auto* m = new QPlainTextEdit(parent);
    m->setReadOnly(true);
    m->setFrameShape(QFrame::NoFrame);
    QPalette p = m->palette();
    p.setColor(QPalette::Base, p.color(QPalette::Window));
    m->setPalette(p);
    m->setMaximumHeight(maxHeight);
    return m;
}

} // namespace ui
