#include "platform/vcl/HourGlass.h"

#include <QCursor>
#include <QGuiApplication>

namespace vcl {

namespace {
int depth = 0; // GUI thread only
}

void HourGlass::Begin()
{
    if (depth++ == 0)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void HourGlass::End()
{
    if (depth == 0)
        return;
    if (--depth == 0)
        QGuiApplication::restoreOverrideCursor();
}

int HourGlass::Depth()
{
    return depth;
}

} // namespace vcl
