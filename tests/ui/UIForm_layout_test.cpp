// The main window's layout and its screen. WindowOnScreen runs offscreen and, from ctest, on X
// servers of 800 x 600 and of 1920 x 1080 at scale 2: wherever its place was saved, with its
// pages and its structure window, the whole window is on its screen, every control inside it,
// and the place it was brought to is the one saved. WindowLayout runs offscreen: the design's
// sizes where there is room, the list taking the spare room, the video under its corner square
// after full screen, the tool bars' buttons being their actions, and names for screen readers.
#include <QAccessible>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/Hint.h"
#include "tests/ui/MainWindowKit.h"
#include "tests/ui/PlayerKit.h"
#include "tests/vcl/QtPrinters.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/riffunitWindow.h"

using namespace uitest;
using ui::TUIForm;
namespace prefs = settings;

namespace {

QRect Area(const QWidget& window)
{
    return window.screen()->availableGeometry();
}

// The window wholly on its screen.
void ExpectOnScreen(const QWidget& window)
{
    EXPECT_TRUE(Area(window).contains(window.frameGeometry()))
        << window.objectName().toStdString() << " at " << testing::PrintToString(window.frameGeometry()) << " on "
        << testing::PrintToString(Area(window));
}

// Each widget shown whole inside the window.
void ExpectInside(const QWidget& window, std::initializer_list<const QWidget*> widgets)
{
    for (const QWidget* w : widgets) {
        if (!w->isVisibleTo(&window))
            continue;
        const QRect r(w->mapTo(&window, QPoint()), w->size());
        EXPECT_TRUE(window.rect().contains(r)) << w->objectName().toStdString() << " at " << testing::PrintToString(r)
                                               << " in " << testing::PrintToString(window.rect());
        EXPECT_FALSE(r.isEmpty()) << w->objectName().toStdString();
    }
}

void ExpectControlsInside(const TUIForm& w)
{
    const ui::TBaseFrame& f = *w.BaseFrame;
    ExpectInside(w, {w.menuBar(), w.ToolBar1, w.ToolBar2, w.statusBar(), w.Panel1, f.Panel1, f.vw, f.tb, f.labTimeStamp,
                     f.reBaseFrame, w.labFichiers, w.lb});
}

std::string AccessibleName(QWidget* widget)
{
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible ? accessible->text(QAccessible::Name).toStdString() : std::string();
}

// Two dated tapes opened through the open dialog; whether they were loaded.
bool TwoFiles(MainWindow& m)
{
    m.dialogs.openAnswers.push_back(
        std::vector<std::string>{DatedDv(m.Tape("a.avi"), 2005), DatedDv(m.Tape("b.avi"), 2006)});
    m.window->afOuvrirFichiers->trigger();
    return m.Loaded();
}

class WindowOnScreen : public ::testing::Test {
protected:
    MainWindow m;
};

} // namespace

TEST_F(WindowOnScreen, WhereverItsPlaceWasSavedTheWholeWindowOpensOnItsScreenAndThatPlaceIsSaved)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint places[] = {{32000, 32000}, {-3000, 10}, {area.right() - 40, area.bottom() - 40}, area.topLeft()};
    for (const QPoint& place : places) {
        SCOPED_TRACE(testing::PrintToString(QRect(place, QSize())));
        m.StorePreferences([&] {
            prefs::Left = place.x();
            prefs::Top = place.y();
            prefs::SauverPreferencesEnQuittant = true;
        });
        TUIForm& w = m.Open();
        ExpectOnScreen(w); // the empty list's page
        ExpectInside(w, {w.VideFrame});
        ASSERT_TRUE(TwoFiles(m)); // the list shows itself
        EXPECT_TRUE(w.ListShown());
        ExpectOnScreen(w);
        ExpectControlsInside(w);
        const QPoint shown = w.pos();
        m.window.reset();
        reg::ReloadHives();
        prefs::LoadPreferences({});
        EXPECT_EQ(QPoint(prefs::Left, prefs::Top), shown);
    }
}

TEST_F(WindowOnScreen, PagesAndTheStructureWindowNeverTakeTheWindowPastItsScreen)
{
    TUIForm& w = m.Open();
    ASSERT_TRUE(TwoFiles(m));
    w.afBasculerListe->trigger(); // the list hidden: the window as narrow as the frame
    ASSERT_FALSE(w.ListShown());
    ASSERT_EQ(w.width(), w.ListLeft());
    // Against the screen's bottom right corner, where a page's width would take it past the edge.
    const QRect area = Area(w);
    w.move(area.right() + 1 - w.frameGeometry().width(), area.bottom() + 1 - w.frameGeometry().height());
    ExpectOnScreen(w);
    for (QAction* page : {w.afApropos, w.afOptions}) {
        SCOPED_TRACE(page->objectName().toStdString());
        page->trigger();
        const ui::PageFrame& shown = page == w.afApropos ? static_cast<ui::PageFrame&>(*w.AproposFrame)
                                                         : static_cast<ui::PageFrame&>(*w.OptionsFrame);
        ASSERT_TRUE(shown.isVisible());
        ExpectOnScreen(w);
        EXPECT_EQ(shown.geometry(), w.Client->rect()); // over the whole client area
        const ui::TitledPage& titled = static_cast<const ui::TitledPage&>(shown);
        ExpectInside(w, {&titled, titled.FermerBtn, titled.RxLabel1});
        page->trigger();
        EXPECT_EQ(w.width(), w.ListLeft()); // the width it had
        ExpectOnScreen(w);
    }

    // The structure window: its own window, tied to the main one, over it and on the screen.
    w.afBasculerListe->trigger();
    w.SetItemIndex(0);
    w.ShowCurrentFile();
    w.amRiffHeader->trigger();
    ui::TRiffForm& riff = *w.RiffForm;
    ASSERT_TRUE(PumpUntil([&] { return riff.isVisible() && !riff.Walking(); }, 10000));
    EXPECT_TRUE(riff.isWindow());
    EXPECT_EQ(riff.parentWidget(), &w);
    ExpectOnScreen(riff);
    EXPECT_TRUE(riff.frameGeometry().intersects(w.frameGeometry()));
    riff.close();
    // Opened again after the main window moved: over it again.
    w.move(area.topLeft() + QPoint(10, 10));
    w.amRiffHeader->trigger();
    ASSERT_TRUE(PumpUntil([&] { return riff.isVisible() && !riff.Walking(); }, 10000));
    ExpectOnScreen(riff);
    EXPECT_LE((riff.geometry().center() - w.geometry().center()).manhattanLength(), 8); // centred, decorations aside
    riff.close();
}

TEST_F(WindowOnScreen, TheSmallestWindowStillShowsEveryControl)
{
    TUIForm& w = m.Open();
    ASSERT_TRUE(TwoFiles(m));
    const QSize design(w.ListLeft() + TUIForm::kListWidth + 16, TUIForm::kDesignClientHeight);
    for (const bool list : {true, false}) {
        SCOPED_TRACE(list);
        if (w.ListShown() != list)
            w.afBasculerListe->trigger();
        w.resize(1, 1);
        EXPECT_EQ(w.size(), w.minimumSize());
        EXPECT_LE(w.width(), design.width());
        EXPECT_LT(w.ClientHeight(), design.height());
        ExpectOnScreen(w);
        ExpectControlsInside(w);
        // Every command's button shown, none put away behind a tool bar's extension, once the
        // bars took the commands' states.
        EXPECT_TRUE(PumpUntil([&] { return w.ToolBar1->width() >= w.ToolBar1->sizeHint().width(); }, 5000));
        for (QToolButton* button : w.ToolButtons)
            if (button->defaultAction()->isVisible()) {
                EXPECT_TRUE(button->isVisibleTo(&w)) << button->objectName().toStdString();
                ExpectInside(w, {button});
            }
    }
    w.afOptions->trigger();
    w.resize(1, 1);
    ExpectOnScreen(w);
    ExpectInside(w, {w.OptionsFrame, w.OptionsFrame->pagecontrol1, w.OptionsFrame->FermerBtn});
    w.afOptions->trigger();
}

TEST(WindowLayout, TheWindowOpensAtItsDesignSizeAndTheListTakesTheSpareRoom)
{
    MainWindow m;
    TUIForm& w = m.Open();
    ASSERT_GE(Area(w).height(), 700) << "a screen with room for the design";
    EXPECT_EQ(w.ClientHeight(), TUIForm::kDesignClientHeight);
    ASSERT_TRUE(TwoFiles(m));
    EXPECT_EQ(w.width(), w.ListLeft() + TUIForm::kListWidth + 16);
    const QRect list(w.lb->mapTo(w.Client, QPoint()), w.lb->size());
    EXPECT_EQ(list.left(), w.ListLeft());
    EXPECT_EQ(list.width(), TUIForm::kListWidth);
    const QSize video = w.BaseFrame->vw->size();
    w.resize(w.width() + 300, w.height() + 200);
    EXPECT_EQ(w.lb->width(), TUIForm::kListWidth + 300);
    EXPECT_EQ(w.lb->height(), list.height() + 200);
    EXPECT_EQ(w.BaseFrame->width(), w.ListLeft());
    EXPECT_EQ(w.BaseFrame->vw->size(), video);
    // The volume panel stays at the bottom left, over the status bar.
    EXPECT_EQ(w.Panel1->mapTo(&w, QPoint(0, w.Panel1->height())).y(), w.statusBar()->y());
    // A list the user made narrower than the design's stays shown as files arrive.
    w.resize(w.ListLeft() + TUIForm::kListWidth / 2, w.height());
    const int narrower = w.width();
    w.LoadFiles({DatedDv(m.Tape("c.avi"), 2007)}, "");
    ASSERT_TRUE(m.Loaded());
    EXPECT_EQ(w.lb->count(), 3);
    EXPECT_TRUE(w.ListShown());
    EXPECT_EQ(w.width(), narrower);

    // At the design's size no tab of the options page needs to scroll.
    w.resize(w.width() - 300, w.height() - 200);
    w.afOptions->trigger();
    QTabWidget& tabs = *w.OptionsFrame->pagecontrol1;
    for (int i = 0; i < tabs.count(); ++i) {
        tabs.setCurrentIndex(i);
        const auto* area = tabs.widget(i)->findChild<QScrollArea*>();
        ASSERT_NE(area, nullptr);
        EXPECT_LE(area->widget()->minimumSizeHint().height(), area->viewport()->height()) << i;
    }
    w.afOptions->trigger();
}

TEST(WindowLayout, EachToolButtonIsItsActionsAndControlsWithoutCaptionsAreNamed)
{
    MainWindow m;
    TUIForm& w = m.Open();
    ASSERT_FALSE(w.ToolButtons.empty());
    for (const TUIForm::Command& c : w.al) {
        if (c.Row->bar == 0)
            continue;
        SCOPED_TRACE(c.Row->name);
        QToolBar* bar = c.Row->bar == 1 ? w.ToolBar1 : w.ToolBar2;
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(c.Action));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->defaultAction(), c.Action);
        EXPECT_NE(std::find(w.ToolButtons.begin(), w.ToolButtons.end(), button), w.ToolButtons.end());
        EXPECT_EQ(button->toolTip(), c.Action->toolTip());
        EXPECT_FALSE(button->toolTip().isEmpty());
        EXPECT_EQ(button->isEnabled(), c.Action->isEnabled());
        EXPECT_EQ(AccessibleName(button), c.Action->iconText().toStdString()); // the caption, without "..."
    }
    // The button's own hint is its tool tip; the action's hint stays in the status bar.
    auto* quit = qobject_cast<QToolButton*>(w.ToolBar2->widgetForAction(w.afQuitter));
    EXPECT_EQ(quit->toolTip(), vcl::ToolTipText("Quit"));
    EXPECT_EQ(w.afQuitter->statusTip(), "退出 Morvel");

    // State, caption and name follow the action; a click runs it once.
    auto* about = qobject_cast<QToolButton*>(w.ToolBar2->widgetForAction(w.afApropos));
    QSignalSpy ran(w.afApropos, &QAction::triggered);
    about->click();
    EXPECT_EQ(ran.count(), 1);
    EXPECT_TRUE(about->isChecked());
    EXPECT_TRUE(w.AproposFrame->isVisible());
    about->click();
    EXPECT_FALSE(about->isChecked());
    auto* list = qobject_cast<QToolButton*>(w.ToolBar1->widgetForAction(w.afBasculerListe));
    w.afBasculerListe->setEnabled(false);
    EXPECT_FALSE(list->isEnabled());
    w.afBasculerListe->setEnabled(true);
    w.afBasculerListe->setText(QStringLiteral("Hide the list"));
    EXPECT_EQ(AccessibleName(list), "Hide the list");
    w.afBasculerListe->setVisible(false);
    EXPECT_FALSE(list->isVisibleTo(w.ToolBar1));

    // The picture, the list, the sliders and the gauges, by their captions and hints.
    ui::TBaseFrame& f = *w.BaseFrame;
    const std::pair<QWidget*, std::string> named[] = {
        {f.vw, "Click in the video to place the inlay there."},
        {f.tb, "Trackbar to navigate in the video."},
        {f.incrustHorz, "Horizontal place of the inlay:"},
        {f.incrustVert, "Vertical place of the inlay:"},
        {w.Gauge2, "Volume of the sound."},
        {w.lb, w.labFichiers->text().toStdString()},
        {w.OptionsFrame->SpeedButton1, w.OptionsFrame->LabelSauverNow->text().toStdString()},
        {w.OptionsFrame->SpeedButton3, w.OptionsFrame->Label4->text().toStdString()},
    };
    for (const auto& [widget, name] : named) {
        EXPECT_FALSE(name.empty()) << widget->objectName().toStdString();
        EXPECT_EQ(AccessibleName(widget), name) << widget->objectName().toStdString();
    }
    for (QWidget* shape : {static_cast<QWidget*>(f.Shape1), static_cast<QWidget*>(f.Gauge1)})
        EXPECT_FALSE(AccessibleName(shape).empty()) << shape->objectName().toStdString();
}

TEST(WindowLayout, AfterFullScreenTheVideoIsBackUnderItsCornerSquareAndSliders)
{
    PlayerWindow p;
    p.StorePreferences([] { prefs::IncrustSlidersVisible = true; });
    TUIForm& w = p.OpenOn({DatedDv(p.Tape("clip.avi"), 2006)});
    ui::TBaseFrame& f = *w.BaseFrame;
    ASSERT_TRUE(f.Shape1->isVisible());
    const QRect place = f.vw->geometry();
    p.Press(Qt::Key_F11);
    ASSERT_TRUE(f.vw->FullScreen());
    p.Press(Qt::Key_Escape);
    ASSERT_FALSE(f.vw->FullScreen());
    EXPECT_EQ(f.vw->parentWidget(), &f);
    EXPECT_EQ(f.vw->geometry(), place);
    const QObjectList order = f.children(); // bottom to top
    for (const QWidget* over :
         {static_cast<QWidget*>(f.Shape1), static_cast<QWidget*>(f.incrustHorz), static_cast<QWidget*>(f.incrustVert)})
        EXPECT_GT(order.indexOf(over), order.indexOf(f.vw)) << over->objectName().toStdString();
    // Its layout still places it: a file of another shape fits it anew.
    auto wide = std::make_shared<actions::TAfficherFichier>(*w.CurrentFichier());
    wide->Height = wide->Width * 9 / 16;
    f.ShowFileProperties(wide.get());
    EXPECT_EQ(f.vw->size(), QSize(240, 135));
}
