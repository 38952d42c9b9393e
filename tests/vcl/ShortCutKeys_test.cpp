// Keys as the class library writes them and as Qt fires them: both ways, the forms a press takes
// (keypad, Shift, Enter), every key of a window firing its one action, and the keys two actions
// hold.
#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include "tests/vcl/QtPrinters.h"

#include "platform/rtl/ShortCut.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/ShortCutKeys.h"

using rtl::TextToShortCut;
using rtl::TShortCut;
using namespace vcl;

namespace {

QKeySequence Keys(Qt::KeyboardModifiers m, Qt::Key k)
{
    return QKeySequence(QKeyCombination(m, k));
}

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifier kCtrl = Qt::ControlModifier;
constexpr Qt::KeyboardModifier kShift = Qt::ShiftModifier;
constexpr Qt::KeyboardModifier kAlt = Qt::AltModifier;
constexpr Qt::KeyboardModifier kPad = Qt::KeypadModifier;

} // namespace

TEST(ShortCutKeys, EveryKeyOfTheWindowsGoesToQtAndBack)
{
    struct Case {
        std::string text;    // as the string table or the form writes it
        QKeySequence qt;     // the key itself
        const char* written; // as the class library writes it back
    };
    const Case cases[] = {
        {"Ctrl+Num 2", Keys(kCtrl | kPad, Qt::Key_2), "Ctrl+Num 2"},
        {"Num +", Keys(kPad, Qt::Key_Plus), "Num +"},
        {"Num -", Keys(kPad, Qt::Key_Minus), "Num -"},
        {"+", Keys(kNone, Qt::Key_Plus), "+"},
        {"Del", Keys(kNone, Qt::Key_Delete), "Del"},
        {"Shift+Del", Keys(kShift, Qt::Key_Delete), "Shift+Del"},
        {"Alt+Enter", Keys(kAlt, Qt::Key_Return), "Alt+Enter"},
        {"Ctrl+PgDn", Keys(kCtrl, Qt::Key_PageDown), "Ctrl+PgDn"},
        {"Shift+Esc", Keys(kShift, Qt::Key_Escape), "Shift+Esc"},
        {"Space", Keys(kNone, Qt::Key_Space), "Space"},
        {"Shift+Ctrl+Z", Keys(kShift | kCtrl, Qt::Key_Z), "Shift+Ctrl+Z"},
        {"F12", Keys(kNone, Qt::Key_F12), "F12"},
        {rtl::LoadStr(rtl::sid::sMainNextSceneKey2), Keys(kCtrl, Qt::Key_F9), "Ctrl+F9"},
        {rtl::LoadStr(rtl::sid::sMainShowSlidersKey2), Keys(kAlt, Qt::Key_I), "Alt+I"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const TShortCut s = TextToShortCut(c.text);
        ASSERT_NE(s, 0);
        EXPECT_EQ(ToKeySequence(s), c.qt);
        EXPECT_EQ(FromKeySequence(c.qt), s);
        EXPECT_EQ(rtl::ShortCutToText(FromKeySequence(c.qt)), c.written);
    }
    EXPECT_TRUE(ToKeySequence(0).isEmpty());
    EXPECT_EQ(FromKeySequence(QKeySequence()), 0);
    EXPECT_EQ(FromKeySequence(Keys(kCtrl, Qt::Key_Launch0)), 0);
}

TEST(ShortCutKeys, APressIsHeldInEveryFormItReachesQtIn)
{
    // Shift with a digit: X11 offers Ctrl+Shift+2, synthetic events the symbol with Shift.
    EXPECT_EQ(KeySequences(TextToShortCut("Ctrl+Shift+2")),
              (QList<QKeySequence>{Keys(kCtrl | kShift, Qt::Key_2), Keys(kCtrl | kShift, Qt::Key_At)}));
    // The keypad: X11 drops it from shortcut matching.
    EXPECT_EQ(KeySequences(TextToShortCut("Ctrl+Num 2")),
              (QList<QKeySequence>{Keys(kCtrl | kPad, Qt::Key_2), Keys(kCtrl, Qt::Key_2)}));
    // "+" comes with the Shift that typed it, or without.
    EXPECT_EQ(KeySequences(TextToShortCut("+")),
              (QList<QKeySequence>{Keys(kNone, Qt::Key_Plus), Keys(kShift, Qt::Key_Plus)}));
    // Enter: the main block's Return and the keypad's Enter.
    EXPECT_EQ(KeySequences(TextToShortCut("Alt+Enter")),
              (QList<QKeySequence>{Keys(kAlt, Qt::Key_Return), Keys(kAlt, Qt::Key_Enter)}));
    EXPECT_EQ(KeySequences(TextToShortCut("F9")), QList<QKeySequence>{Keys(kNone, Qt::Key_F9)});
    EXPECT_TRUE(KeySequences(0).isEmpty());

    // Each form reads back as the key it stands for.
    EXPECT_EQ(FromKeySequence(Keys(kCtrl | kShift, Qt::Key_At)), TextToShortCut("Shift+Ctrl+2"));
    EXPECT_EQ(FromKeySequence(Keys(kShift, Qt::Key_Plus)), TextToShortCut("+"));
    EXPECT_EQ(FromKeySequence(Keys(kAlt | kPad, Qt::Key_Enter)), TextToShortCut("Alt+Enter"));
    EXPECT_EQ(FromKeySequence(Keys(kPad, Qt::Key_Down)), TextToShortCut("Down")); // keypad without NumLock
}

TEST(ShortCutKeys, AKeyRepeatedInOneActionIsHeldOnce)
{
    QAction a;
    SetShortCuts(a, {TextToShortCut("Alt+I"), TextToShortCut("ALT+i"), 0});
    EXPECT_EQ(a.shortcuts(), QList<QKeySequence>{Keys(kAlt, Qt::Key_I)});
    EXPECT_EQ(ShortCutText(a), "Alt+I");

    QAction volume;
    SetShortCuts(volume, {TextToShortCut("Num +"), TextToShortCut("+")});
    EXPECT_EQ(volume.shortcuts(),
              (QList<QKeySequence>{Keys(kPad, Qt::Key_Plus), Keys(kNone, Qt::Key_Plus), Keys(kShift, Qt::Key_Plus)}));
    EXPECT_EQ(ShortCutText(volume), "Num +");
}

namespace {

struct Press {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

struct Bound {
    std::vector<std::string> keys; // primary first
    std::vector<Press> presses;    // each fires the action once
};

} // namespace

TEST(ShortCutKeys, EveryPressOfAWindowFiresItsOneAction)
{
    const std::vector<Bound> bound = {
        {{"Shift+Ctrl+2"}, {{Qt::Key_At, kCtrl | kShift}, {Qt::Key_2, kCtrl | kShift}}},
        {{"Ctrl+Num 2"}, {{Qt::Key_2, kCtrl | kPad}, {Qt::Key_2, kCtrl}}},
        {{"Num +", "+"}, {{Qt::Key_Plus, kPad}, {Qt::Key_Plus, kNone}, {Qt::Key_Plus, kShift}}},
        {{"Alt+I", "ALT+i"}, {{Qt::Key_I, kAlt}}},
        {{"Alt+Enter", "F11"}, {{Qt::Key_Return, kAlt}, {Qt::Key_Enter, kAlt | kPad}, {Qt::Key_F11, kNone}}},
        {{"F9", "ctrl+F9"}, {{Qt::Key_F9, kNone}, {Qt::Key_F9, kCtrl}}},
        {{"Ctrl+PgDn"}, {{Qt::Key_PageDown, kCtrl}}},
        {{"Del"}, {{Qt::Key_Delete, kNone}}},
    };
    QMainWindow window;
    QMenu* menu = window.menuBar()->addMenu("Files");
    QToolBar* bar = window.addToolBar("tb");
    std::vector<int> fired(bound.size());
    for (size_t i = 0; i < bound.size(); ++i) {
        auto* a = new QAction(QString::number(i), &window);
        std::vector<TShortCut> keys;
        for (const std::string& k : bound[i].keys)
            keys.push_back(TextToShortCut(k));
        SetShortCuts(*a, keys);
        QObject::connect(a, &QAction::triggered, [&fired, i] { ++fired[i]; });
        (i % 2 ? menu->addAction(a) : bar->addAction(a));
    }
    EXPECT_TRUE(KeysHeldTwice(window).empty());
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (size_t i = 0; i < bound.size(); ++i)
        for (const Press& p : bound[i].presses) {
            SCOPED_TRACE(bound[i].keys.front() + " pressed as " +
                         QKeySequence(QKeyCombination(p.modifiers, p.key)).toString().toStdString());
            std::fill(fired.begin(), fired.end(), 0);
            QTest::keyClick(&window, p.key, p.modifiers);
            for (size_t j = 0; j < bound.size(); ++j)
                EXPECT_EQ(fired[j], j == i ? 1 : 0) << "action " << j;
        }
}

TEST(ShortCutKeys, QtFiresNoActionForAKeyHeldTwice)
{
    // Why SetShortCuts lists every key once: Qt calls the key ambiguous even within one action.
    QWidget window;
    auto* twice = new QAction(&window);
    twice->setShortcuts({Keys(kAlt, Qt::Key_I), Keys(kAlt, Qt::Key_I)});
    window.addAction(twice);
    int fired = 0;
    QObject::connect(twice, &QAction::triggered, [&] { ++fired; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_I, kAlt);
    EXPECT_EQ(fired, 0);
    SetShortCuts(*twice, {TextToShortCut("Alt+I"), TextToShortCut("ALT+i")});
    QTest::keyClick(&window, Qt::Key_I, kAlt);
    EXPECT_EQ(fired, 1);
}

TEST(ShortCutKeys, KeysHeldByTwoEnabledActionsAreReported)
{
    QAction sliders, scene, quit, hidden, off, dvType2, mainRow;
    sliders.setObjectName("amAfficherSliders");
    scene.setObjectName("AvanceScene");
    quit.setText("Quit");
    hidden.setObjectName("hidden");
    off.setObjectName("off");
    dvType2.setObjectName("amDVType2");
    mainRow.setObjectName("amCtrl2");
    SetShortCuts(sliders, {TextToShortCut("Alt+I"), TextToShortCut("ALT+i")});
    SetShortCuts(scene, {TextToShortCut("F9"), TextToShortCut("ctrl+F9")});
    SetShortCuts(quit, {TextToShortCut("Ctrl+Q"), TextToShortCut("F9")});
    SetShortCuts(hidden, {TextToShortCut("Ctrl+Q")});
    hidden.setVisible(false);
    SetShortCuts(off, {TextToShortCut("Ctrl+Q")});
    off.setEnabled(false);
    SetShortCuts(dvType2, {TextToShortCut("Ctrl+Num 2")});
    SetShortCuts(mainRow, {TextToShortCut("Ctrl+2")});

    const std::vector<KeyClash> clashes =
        KeysHeldTwice(QList<QAction*>{&sliders, &scene, &quit, &hidden, &off, &dvType2, &mainRow, &sliders});
    ASSERT_EQ(clashes.size(), 2u);
    EXPECT_EQ(clashes[0].key, Keys(kNone, Qt::Key_F9));
    EXPECT_EQ(clashes[0].actions, (QStringList{"AvanceScene", "Quit"}));
    EXPECT_EQ(clashes[1].key, Keys(kCtrl, Qt::Key_2)); // the keypad key is Ctrl+2 on X11
    EXPECT_EQ(clashes[1].actions, (QStringList{"amDVType2", "amCtrl2"}));

    EXPECT_TRUE(KeysHeldTwice(QList<QAction*>{&sliders, &scene}).empty());
}

TEST(ShortCutKeys, TheWindowCheckFindsActionsInMenusToolBarsAndChildren)
{
    QMainWindow window;
    auto* own = new QAction("own", &window);
    window.addAction(own);
    QAction list; // an action list outside the window, its actions added to a menu
    auto* inMenu = new QAction("inMenu", &list);
    window.menuBar()->addMenu("m")->addAction(inMenu);
    auto* inBar = new QAction("inBar");
    inBar->setParent(&list);
    window.addToolBar("t")->addAction(inBar);
    SetShortCuts(*own, {TextToShortCut("F5")});
    SetShortCuts(*inMenu, {TextToShortCut("F5")});
    SetShortCuts(*inBar, {TextToShortCut("F5")});
    const std::vector<KeyClash> clashes = KeysHeldTwice(window);
    ASSERT_EQ(clashes.size(), 1u);
    EXPECT_EQ(clashes[0].actions.size(), 3);
    EXPECT_TRUE(clashes[0].actions.contains("inBar"));
}
