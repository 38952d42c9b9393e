// The hourglass nests, comes back off with the last End, and an End too many takes no one
// else's cursor.
#include <QCursor>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "platform/vcl/HourGlass.h"

using vcl::HourGlass;

namespace {

Qt::CursorShape Shown()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

} // namespace

TEST(HourGlass, NestedCallsKeepItUntilTheLastEnd)
{
    HourGlass::Begin(); // a loading starts
    {
        HourGlass scope; // a save inside it
        EXPECT_EQ(HourGlass::Depth(), 2);
        EXPECT_EQ(Shown(), Qt::WaitCursor);
    }
    EXPECT_EQ(Shown(), Qt::WaitCursor);
    HourGlass::End(); // the loading ends
    EXPECT_EQ(HourGlass::Depth(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(HourGlass, AnEndTooManyLeavesOtherCursorsAlone)
{
    QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
    HourGlass::End();
    EXPECT_EQ(Shown(), Qt::CrossCursor);
    EXPECT_EQ(HourGlass::Depth(), 0);
    QGuiApplication::restoreOverrideCursor();
}
