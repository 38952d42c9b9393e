// The event rule, held against Qt: for every signal the windows connect, whether code that sets
// the control emits it (and only once per real change) and whether the user's input does.
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

#include "platform/vcl/FileEdits.h"
#include "platform/vcl/ScriptedDialogs.h"

namespace {

using Make = std::function<QWidget*(QWidget& window, int& count)>;
using Act = std::function<void(QWidget& control)>;

// One line of the rule: a control with the signal counted, what code does to it and what the user does.
struct Rule {
    const char* signal;
    bool forCode; // OnChange: code and user; else the user only
    Make make;
    Act byCode;
    Act byUser;
};

// Makes the control with `create` and counts `signal`'s emissions.
template <class W, class Signal> Make Counting(W* (*create)(QWidget&), Signal signal)
{
    return [create, signal](QWidget& window, int& count) {
        W* control = create(window);
        QObject::connect(control, signal, [&count] { ++count; });
        return control;
    };
}

QSlider* Slider(QWidget& w)
{
    auto* s = new QSlider(Qt::Horizontal, &w);
    s->setRange(0, 1000);
    return s;
}
QSlider* Upright(QWidget& w)
{
    auto* s = new QSlider(Qt::Vertical, &w);
    s->setRange(0, 1000);
    s->setPageStep(100);
    return s;
}
QTabWidget* Tabs(QWidget& w)
{
    auto* t = new QTabWidget(&w);
    for (const char* name : {"TabSheet2", "TabSheet1", "TabSheet7"})
        t->addTab(new QWidget(t), name);
    return t;
}
QToolButton* Flat(QWidget& w)
{
    auto* b = new QToolButton(&w);
    b->setAutoRaise(true);
    b->setText("SpeedButton3");
    return b;
}
vcl::DirectoryEdit* Folder(QWidget& w)
{
    static vcl::ScriptedDialogs dialogs;
    return new vcl::DirectoryEdit(dialogs, &w);
}
QSpinBox* Spin(QWidget& w)
{
    auto* s = new QSpinBox(&w);
    s->setRange(-23, 23);
    return s;
}
QLineEdit* Edit(QWidget& w)
{
    return new QLineEdit(&w);
}
QListWidget* List(QWidget& w)
{
    auto* l = new QListWidget(&w);
    l->addItems({"a.avi", "b.avi", "c.avi"});
    return l;
}
QComboBox* Combo(QWidget& w)
{
    auto* c = new QComboBox(&w);
    c->addItems({"Pal", "Ntsc"});
    return c;
}
QCheckBox* Check(QWidget& w)
{
    return new QCheckBox("cbListe", &w);
}
// A radio group: three buttons in a QButtonGroup, the group a child of the returned box.
QWidget* Radios(QWidget& w)
{
    auto* box = new QWidget(&w);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (int i = 0; i < 3; ++i) {
        auto* r = new QRadioButton(QString::number(i), box);
        layout->addWidget(r);
        group->addButton(r, i);
    }
    return box;
}
QButtonGroup* Group(QWidget& box)
{
    return box.findChild<QButtonGroup*>();
}

template <class W> Act Code(void (*set)(W&))
{
    return [set](QWidget& c) { set(dynamic_cast<W&>(c)); };
}
Act Key(Qt::Key key)
{
    return [key](QWidget& c) { QTest::keyClick(&c, key); };
}
void Click(QWidget& c)
{
    QTest::mouseClick(&c, Qt::LeftButton);
}

const std::vector<Rule>& Rules()
{
    static const std::vector<Rule> rules = {
        {"QSlider::valueChanged", true, Counting(Slider, &QSlider::valueChanged),
         Code<QSlider>([](QSlider& s) { s.setValue(500); }), Key(Qt::Key_Right)},
        {"QSlider::actionTriggered", false, Counting(Slider, &QSlider::actionTriggered),
         Code<QSlider>([](QSlider& s) { s.setValue(500); }), Key(Qt::Key_Right)},
        {"QSlider::valueChanged (upright)", true, Counting(Upright, &QSlider::valueChanged),
         Code<QSlider>([](QSlider& s) { s.setValue(500); }), Key(Qt::Key_PageUp)},
        {"QSlider::actionTriggered (upright)", false, Counting(Upright, &QSlider::actionTriggered),
         Code<QSlider>([](QSlider& s) { s.setValue(500); }), Key(Qt::Key_PageUp)},
        {"QTabWidget::currentChanged", true, Counting(Tabs, &QTabWidget::currentChanged),
         Code<QTabWidget>([](QTabWidget& t) { t.setCurrentIndex(2); }),
         [](QWidget& t) { QTest::keyClick(&t, Qt::Key_Tab, Qt::ControlModifier); }},
        {"QToolButton::clicked", false, Counting(Flat, &QToolButton::clicked),
         Code<QToolButton>([](QToolButton& b) { b.setDown(false); }), Click},
        {"vcl::PickerEdit exit", false,
         [](QWidget& w, int& count) {
             vcl::DirectoryEdit* e = Folder(w);
             e->SetOnExit([&count] { ++count; });
             return e;
         },
         Code<vcl::DirectoryEdit>([](vcl::DirectoryEdit& e) { e.SetText("/tmp/"); }),
         [](QWidget& e) {
             QTest::keyClick(&dynamic_cast<vcl::DirectoryEdit&>(e).Edit(), Qt::Key_A);
             QTest::keyClick(&dynamic_cast<vcl::DirectoryEdit&>(e).Edit(), Qt::Key_Return);
         }},
        {"QSpinBox::valueChanged", true, Counting(Spin, &QSpinBox::valueChanged),
         Code<QSpinBox>([](QSpinBox& s) { s.setValue(-2); }), Key(Qt::Key_Up)},
        {"QLineEdit::textChanged", true, Counting(Edit, &QLineEdit::textChanged),
         Code<QLineEdit>([](QLineEdit& e) { e.setText("ddddd"); }), Key(Qt::Key_A)},
        {"QLineEdit::textEdited", false, Counting(Edit, &QLineEdit::textEdited),
         Code<QLineEdit>([](QLineEdit& e) { e.setText("ddddd"); }), Key(Qt::Key_A)},
        {"QLineEdit::editingFinished", false, Counting(Edit, &QLineEdit::editingFinished),
         Code<QLineEdit>([](QLineEdit& e) { e.setText("5"); }),
         [](QWidget& e) {
             QTest::keyClick(&e, Qt::Key_5);
             QTest::keyClick(&e, Qt::Key_Return);
         }},
        {"QListWidget::currentRowChanged", true, Counting(List, &QListWidget::currentRowChanged),
         Code<QListWidget>([](QListWidget& l) { l.setCurrentRow(1); }), Key(Qt::Key_Down)},
        {"QComboBox::currentIndexChanged", true, Counting(Combo, &QComboBox::currentIndexChanged),
         Code<QComboBox>([](QComboBox& c) { c.setCurrentIndex(1); }), Key(Qt::Key_Up)},
        {"QComboBox::activated", false, Counting(Combo, &QComboBox::activated),
         Code<QComboBox>([](QComboBox& c) { c.setCurrentIndex(1); }), Key(Qt::Key_Up)},
        {"QCheckBox::toggled", true, Counting(Check, &QCheckBox::toggled),
         Code<QCheckBox>([](QCheckBox& b) { b.setChecked(true); }), Click},
        {"QCheckBox::clicked", false, Counting(Check, &QCheckBox::clicked),
         Code<QCheckBox>([](QCheckBox& b) { b.setChecked(true); }), Click},
        {"QButtonGroup::idClicked", false,
         [](QWidget& w, int& count) {
             QWidget* box = Radios(w);
             QObject::connect(Group(*box), &QButtonGroup::idClicked, [&count] { ++count; });
             return box;
         },
         [](QWidget& box) { Group(box)->button(1)->setChecked(true); },
         [](QWidget& box) { Click(*Group(box)->button(2)); }},
        {"QAction::triggered", false,
         [](QWidget& w, int& count) {
             auto* a = new QAction("amAfficherIncrustation", &w);
             a->setCheckable(true);
             a->setShortcut(Qt::Key_F12);
             w.addAction(a);
             QObject::connect(a, &QAction::triggered, [&count] { ++count; });
             return &w;
         },
         [](QWidget& w) { w.actions().constFirst()->setChecked(true); }, Key(Qt::Key_F12)},
    };
    return rules;
}

} // namespace

TEST(EventRule, OnChangeSignalsFireForCodeOnceAndUserOnlySignalsOnlyForTheUser)
{
    for (const Rule& rule : Rules()) {
        SCOPED_TRACE(rule.signal);
        QWidget window;
        new QVBoxLayout(&window);
        int count = 0;
        QWidget* control = rule.make(window, count);
        if (control != &window)
            window.layout()->addWidget(control);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        control->setFocus();
        count = 0; // a list takes a current row with the focus

        rule.byCode(*control);
        rule.byCode(*control); // the same value again: no change, no signal
        EXPECT_EQ(count, rule.forCode ? 1 : 0) << "set by code";
        count = 0;
        rule.byUser(*control);
        EXPECT_EQ(count, 1) << "changed by the user";
    }
}

TEST(EventRule, AHandlerSetsAControlQuietlyWithASignalBlocker)
{
    QSlider slider;
    slider.setRange(0, 1000);
    int changes = 0;
    QObject::connect(&slider, &QSlider::valueChanged, [&] { ++changes; });
    {
        const QSignalBlocker quiet(slider);
        slider.setValue(920);
    }
    EXPECT_EQ(slider.value(), 920);
    EXPECT_EQ(changes, 0);
    slider.setValue(921);
    EXPECT_EQ(changes, 1); // the blocker is gone with its scope
}
