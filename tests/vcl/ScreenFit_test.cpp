// Windows brought onto the screen: moved in from any side and from far away, shrunk to the
// screen, never below their minimum; a window placed over another stays on the screen too.
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/vcl/ScreenFit.h"

using namespace vcl;

TEST(ScreenFit, ARectIsMovedAndShrunkIntoTheAreaButNotBelowItsMinimum)
{
    const QRect area(0, 0, 800, 600);
    const struct {
        QRect window;
        QSize minimum;
        QRect fitted;
    } cases[] = {
        {{100, 50, 300, 200}, {}, {100, 50, 300, 200}},         // inside: as it is
        {{267, 40, 601, 550}, {}, {199, 40, 601, 550}},         // past the right edge
        {{-50, -20, 300, 200}, {}, {0, 0, 300, 200}},           // past the top left
        {{32000, 32000, 601, 550}, {}, {199, 50, 601, 550}},    // a place on no screen
        {{10, 10, 1202, 1088}, {}, {0, 0, 800, 600}},           // larger than the screen
        {{500, 500, 300, 200}, {900, 100}, {0, 400, 900, 200}}, // a minimum wider than the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitRect(c.window, area, c.minimum), c.fitted) << testing::PrintToString(c.window);
    // An area that does not start at the origin (a second monitor, a panel on the left).
    EXPECT_EQ(FitRect({0, 0, 300, 200}, {1920, 24, 1280, 1000}), QRect(1920, 24, 300, 200));
}

TEST(ScreenFit, AWindowLiesOnTheScreenThatHoldsMostOfItOrThePrimary)
{
    QScreen* primary = QGuiApplication::primaryScreen();
    ASSERT_NE(primary, nullptr);
    const QRect area = primary->availableGeometry();
    EXPECT_EQ(ScreenOf(QRect(32000, 32000, 10, 10)), primary);
    EXPECT_EQ(AvailableArea(QRect(area.center(), QSize(10, 10))), area);

    QWidget window;
    window.setMinimumSize(200, 100);
    for (const QRect& saved : {QRect(32000, 32000, 400, 300), QRect(-5000, 40, 400, 300),
                               QRect(10, 10, area.width() * 2, area.height() * 2)}) {
        window.setGeometry(saved);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        KeepOnScreen(window);
        EXPECT_TRUE(area.contains(window.frameGeometry())) << testing::PrintToString(window.frameGeometry());
        EXPECT_GE(window.width(), 200);
        window.hide();
    }

    QWidget owner;
    owner.setGeometry(area.right() - 300, area.bottom() - 200, 300, 200);
    owner.show();
    QWidget over(&owner, Qt::Window);
    over.resize(400, 300);
    PlaceOver(over, owner);
    EXPECT_TRUE(area.contains(over.frameGeometry())) << testing::PrintToString(over.frameGeometry());
    EXPECT_TRUE(over.frameGeometry().intersects(owner.frameGeometry()));
    owner.move(area.center() - QPoint(150, 100));
    PlaceOver(over, owner);
    EXPECT_EQ(over.geometry().center(), owner.frameGeometry().center());
}
