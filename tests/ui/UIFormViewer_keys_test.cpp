// The player's steps from the list in the order hands and remote desktops send their keys: Ctrl
// let go before the arrow, or held throughout, windowed, in full screen and back. A step's key
// coming up never reloads the file (which would put it back at its first frame); an arrow that
// moves the list still shows the next file. On an X server (MORVEL_TEST_PLATFORM=xcb under
// xvfb-run) the keys are real ones, typed by xdotool.
#include <QApplication>
#include <QListWidget>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>

#include "tests/ui/PlayerKit.h"

using namespace uitest;

namespace {

// The key releases `target` receives, by key.
class Releases : public QObject {
public:
    explicit Releases(QWidget* target) : target_(target) { qApp->installEventFilter(this); }
    ~Releases() override { qApp->removeEventFilter(this); }
    int Of(int key) const
    {
        const auto it = counts_.find(key);
        return it == counts_.end() ? 0 : it->second;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == target_ && event->type() == QEvent::KeyRelease)
            ++counts_[static_cast<QKeyEvent*>(event)->key()];
        return false;
    }

private:
    QWidget* target_;
    std::map<int, int> counts_;
};

struct StepKey {
    Qt::Key key;
    const char* xName; // xdotool's name of the key
    int frame;         // where the step takes the picture from kStart
};

constexpr int kStart = 100;
constexpr int kLast = kClipFrames - 1;
const StepKey kSteps[] = {{Qt::Key_Down, "Down", kStart + 25}, {Qt::Key_Up, "Up", kStart - 25},
                          {Qt::Key_PageDown, "Next", kLast},   {Qt::Key_PageUp, "Prior", 0},
                          {Qt::Key_Home, "Home", 0},           {Qt::Key_End, "End", kLast}};

enum class Order { CtrlFirst, CtrlHeld };

class StepKeys : public ::testing::Test {
protected:
    static bool OnX() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

    // The widget the keys go to. Offscreen, the window the full-screen video leaves is active
    // without Qt's widgets knowing it: its own focus widget, which takes the keys on a display.
    QWidget* KeyboardWidget() const
    {
        return QApplication::focusWidget() ? QApplication::focusWidget() : p.window->focusWidget();
    }

    // Ctrl and `key` pressed, then let go in `order`, into the widget that has the keyboard;
    // returns once that widget has received both releases.
    void Type(const StepKey& key, Order order)
    {
        QWidget* target = KeyboardWidget();
        ASSERT_NE(target, nullptr);
        Releases releases(target);
        if (OnX()) {
            const QString name = QString::fromLatin1(key.xName);
            const QStringList first = {QStringLiteral("keyup"), QStringLiteral("ctrl"), QStringLiteral("keyup"), name};
            const QStringList held = {QStringLiteral("keyup"), name, QStringLiteral("keyup"), QStringLiteral("ctrl")};
            QProcess xdotool;
            xdotool.start(QStringLiteral("xdotool"), QStringList{QStringLiteral("keydown"), QStringLiteral("ctrl"),
                                                                 QStringLiteral("keydown"), name} +
                                                         (order == Order::CtrlFirst ? first : held));
            ASSERT_TRUE(PumpUntil([&] { return xdotool.state() == QProcess::NotRunning; }, 20000));
            ASSERT_EQ(xdotool.exitCode(), 0) << xdotool.readAllStandardError().toStdString();
        } else if (order == Order::CtrlFirst) {
            QTest::keyPress(target, key.key, Qt::ControlModifier);
            QTest::keyRelease(target, Qt::Key_Control);
            QTest::keyRelease(target, key.key);
        } else {
            QTest::keyPress(target, key.key, Qt::ControlModifier);
            QTest::keyRelease(target, key.key, Qt::ControlModifier);
        }
        ASSERT_TRUE(PumpUntil([&] { return releases.Of(Qt::Key_Control) == 1 && releases.Of(key.key) == 1; }, 20000));
    }

    // Every step key in both orders from frame kStart of the first file: the step's frame is
    // shown and the file was not shown again.
    void EveryStepKeepsItsFrame(ui::TUIForm& w, const char* where)
    {
        for (const Order order : {Order::CtrlFirst, Order::CtrlHeld})
            for (const StepKey& k : kSteps) {
                SCOPED_TRACE(std::string(where) + ", Ctrl " + (order == Order::CtrlFirst ? "let go first" : "held") +
                             ", key " + k.xName);
                p.Viewer().SeekTo(kStart);
                ASSERT_TRUE(p.ShowsFrame(kStart)) << p.Readout();
                // Showing the file again would write its name here.
                w.BaseFrame->LabNom->setText(QStringLiteral("-"));
                Type(k, order);
                EXPECT_TRUE(p.ShowsFrame(k.frame)) << p.Readout();
                EXPECT_EQ(w.BaseFrame->LabNom->text().toStdString(), "-");
                EXPECT_EQ(w.lb->currentRow(), 0);
                EXPECT_EQ(p.CurrentName(), "a.avi");
            }
    }

    PlayerWindow p;
};

} // namespace

TEST_F(StepKeys, AStepsKeyComingUpNeverReloadsTheFileWhicheverKeyIsLetGoFirst)
{
    if (OnX()) {
        ASSERT_TRUE(testkit::HaveProgram("xdotool"));
    }
    ui::TUIForm& w = p.OpenOn({p.Clip("a.avi", 2006), p.Clip("b.avi", 2007)});
    ASSERT_EQ(p.CurrentName(), "a.avi");
    w.lb->setFocus();
    ASSERT_TRUE(PumpUntil([&] { return KeyboardWidget() == w.lb; }, 5000));
    EveryStepKeepsItsFrame(w, "windowed");

    p.Press(Qt::Key_F11);
    ASSERT_TRUE(p.window->BaseFrame->vw->FullScreen());
    ASSERT_TRUE(QTest::qWaitForWindowActive(p.window->BaseFrame->vw));
    ASSERT_TRUE(PumpUntil([&] { return KeyboardWidget() == p.window->BaseFrame->vw; }, 5000));
    EveryStepKeepsItsFrame(w, "in full screen");

    // Back in the window the keys go where the focus landed, then to the list the user clicks.
    p.Press(Qt::Key_Escape);
    ASSERT_FALSE(p.window->BaseFrame->vw->FullScreen());
    ASSERT_TRUE(p.Activate());
    EveryStepKeepsItsFrame(w, "after full screen");
    w.lb->setFocus();
    ASSERT_TRUE(PumpUntil([&] { return KeyboardWidget() == w.lb; }, 5000));
    EveryStepKeepsItsFrame(w, "after full screen, in the list");

    // The arrow alone moves the list: its key coming up shows the next file.
    QTest::keyClick(w.lb, Qt::Key_Down);
    ASSERT_TRUE(p.Paused());
    EXPECT_EQ(p.CurrentName(), "b.avi");
    EXPECT_EQ(w.BaseFrame->LabNom->text().toStdString(), "b.avi");
    EXPECT_TRUE(p.ShowsFrame(0)) << p.Readout();
}
