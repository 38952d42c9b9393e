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
#include <QTest>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

namespace {

// One line of the rule: a control, the signal counted, what code does to it and what the user does.
struct Rule {
    const char* signal;
    bool forCode; // OnChange: code and user; else the user only
    std::function<QWidget*(QWidget& window, int& count)> make;
    std::function<void(QWidget&)> byCode;
    std::function<void(QWidget&)> byUser;
};

template <class W> W& As(QWidget& w)
{
    return dynamic_cast<W&>(w);
}

QListWidget* List(QWidget& window)
{
    auto* l = new QListWidget(&window);
    l->addItems({"a.avi", "b.avi", "c.avi"});
    return l;
}

QComboBox* Combo(QWidget& window)
{
    auto* c = new QComboBox(&window);
    c->addItems({"Pal", "Ntsc"});
    return c;
}

QSlider* Slider(QWidget& window)
{
    auto* s = new QSlider(Qt::Horizontal, &window);
    s->setRange(0, 1000);
    return s;
}

const std::vector<Rule>& Rules()
{
    static const std::vector<Rule> rules = {
        {"QSlider::valueChanged", true,
         [](QWidget& w, int& n) {
             auto* s = Slider(w);
             QObject::connect(s, &QSlider::valueChanged, [&n] { ++n; });
             return s;
         },
         [](QWidget& s) { As<QSlider>(s).setValue(500); }, [](QWidget& s) { QTest::keyClick(&s, Qt::Key_Right); }},
        {"QSlider::actionTriggered", false,
         [](QWidget& w, int& n) {
             auto* s = Slider(w);
             QObject::connect(s, &QSlider::actionTriggered, [&n] { ++n; });
             return s;
         },
         [](QWidget& s) { As<QSlider>(s).setValue(500); }, [](QWidget& s) { QTest::keyClick(&s, Qt::Key_Right); }},
        {"QSpinBox::valueChanged", true,
         [](QWidget& w, int& n) {
             auto* s = new QSpinBox(&w);
             s->setRange(-23, 23);
             QObject::connect(s, &QSpinBox::valueChanged, [&n] { ++n; });
             return s;
         },
         [](QWidget& s) { As<QSpinBox>(s).setValue(-2); }, [](QWidget& s) { QTest::keyClick(&s, Qt::Key_Up); }},
        {"QLineEdit::textChanged", true,
         [](QWidget& w, int& n) {
             auto* e = new QLineEdit(&w);
             QObject::connect(e, &QLineEdit::textChanged, [&n] { ++n; });
             return e;
         },
         [](QWidget& e) { As<QLineEdit>(e).setText("ddddd"); }, [](QWidget& e) { QTest::keyClick(&e, Qt::Key_A); }},
        {"QLineEdit::textEdited", false,
         [](QWidget& w, int& n) {
             auto* e = new QLineEdit(&w);
             QObject::connect(e, &QLineEdit::textEdited, [&n] { ++n; });
             return e;
         },
         [](QWidget& e) { As<QLineEdit>(e).setText("ddddd"); }, [](QWidget& e) { QTest::keyClick(&e, Qt::Key_A); }},
        {"QLineEdit::editingFinished", false,
         [](QWidget& w, int& n) {
             auto* e = new QLineEdit(&w);
             QObject::connect(e, &QLineEdit::editingFinished, [&n] { ++n; });
             return e;
         },
         [](QWidget& e) { As<QLineEdit>(e).setText("5"); },
         [](QWidget& e) {
             QTest::keyClick(&e, Qt::Key_5);
             QTest::keyClick(&e, Qt::Key_Return);
         }},
        {"QListWidget::currentRowChanged", true,
         [](QWidget& w, int& n) {
             auto* l = List(w);
             QObject::connect(l, &QListWidget::currentRowChanged, [&n] { ++n; });
             return l;
         },
         [](QWidget& l) { As<QListWidget>(l).setCurrentRow(1); },
         [](QWidget& l) { QTest::keyClick(&l, Qt::Key_Down); }},
        {"QComboBox::currentIndexChanged", true,
         [](QWidget& w, int& n) {
             auto* c = Combo(w);
             QObject::connect(c, &QComboBox::currentIndexChanged, [&n] { ++n; });
             return c;
         },
         [](QWidget& c) { As<QComboBox>(c).setCurrentIndex(1); }, [](QWidget& c) { QTest::keyClick(&c, Qt::Key_Up); }},
        {"QComboBox::activated", false,
         [](QWidget& w, int& n) {
             auto* c = Combo(w);
             QObject::connect(c, &QComboBox::activated, [&n] { ++n; });
             return c;
         },
         [](QWidget& c) { As<QComboBox>(c).setCurrentIndex(1); }, [](QWidget& c) { QTest::keyClick(&c, Qt::Key_Up); }},
        {"QCheckBox::toggled", true,
         [](QWidget& w, int& n) {
             auto* b = new QCheckBox("cbListe", &w);
             QObject::connect(b, &QCheckBox::toggled, [&n] { ++n; });
             return b;
         },
         [](QWidget& b) { As<QCheckBox>(b).setChecked(true); },
         [](QWidget& b) { QTest::mouseClick(&b, Qt::LeftButton); }},
        {"QCheckBox::clicked", false,
         [](QWidget& w, int& n) {
             auto* b = new QCheckBox("cbListe", &w);
             QObject::connect(b, &QCheckBox::clicked, [&n] { ++n; });
             return b;
         },
         [](QWidget& b) { As<QCheckBox>(b).setChecked(true); },
         [](QWidget& b) { QTest::mouseClick(&b, Qt::LeftButton); }},
        {"QButtonGroup::idClicked", false,
         [](QWidget& w, int& n) {
             auto* box = new QWidget(&w);
             auto* layout = new QVBoxLayout(box);
             auto* group = new QButtonGroup(box);
             for (int i = 0; i < 3; ++i) {
                 auto* r = new QRadioButton(QString::number(i), box);
                 layout->addWidget(r);
                 group->addButton(r, i);
             }
             QObject::connect(group, &QButtonGroup::idClicked, [&n] { ++n; });
             return box;
         },
         [](QWidget& box) { box.findChildren<QRadioButton*>()[1]->setChecked(true); },
         [](QWidget& box) { QTest::mouseClick(box.findChildren<QRadioButton*>()[2], Qt::LeftButton); }},
        {"QAction::triggered", false,
         [](QWidget& w, int& n) {
             auto* a = new QAction("amAfficherIncrustation", &w);
             a->setCheckable(true);
             a->setShortcut(Qt::Key_F12);
             w.addAction(a);
             QObject::connect(a, &QAction::triggered, [&n] { ++n; });
             return &w;
         },
         [](QWidget& w) { w.actions().constFirst()->setChecked(true); },
         [](QWidget& w) { QTest::keyClick(&w, Qt::Key_F12); }},
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
