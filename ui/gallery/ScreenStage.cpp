#include "ui/gallery/ScreenStage.h"

#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTabWidget>
#include <QTest>
#include <QTextStream>
#include <QWidget>
#include <cstdio>

#include "platform/vcl/ShortCutKeys.h"

namespace gallery {

namespace {

constexpr QPoint kOrigin(16, 16);

// Blank: fewer than three colours over a grid across the picture (an unpainted window is one).
bool IsBlank(const QImage& image)
{
    if (image.isNull() || image.width() < 8 || image.height() < 8)
        return true;
    QSet<QRgb> colours;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
            colours.insert(image.pixel(x * (image.width() - 1) / 47, y * (image.height() - 1) / 47));
    return colours.size() < 3;
}

QString FileName(QString name)
{
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_-]")), QStringLiteral("_"));
    return name + QStringLiteral(".png");
}

} // namespace

void ScreenStage::Present(QWidget& window)
{
    // Qt fires no action for a key two enabled actions hold: a window in any state holds none.
    for (const vcl::KeyClash& c : vcl::KeysHeldTwice(window)) {
        std::fprintf(stderr, "gallery: %s: %s is held by %s\n", qPrintable(entry_), qPrintable(c.key.toString()),
                     qPrintable(c.actions.join(QStringLiteral(", "))));
        failed_.append(entry_);
    }
    if (!shots_) {
        window.move(kOrigin + QPoint(cascade_, cascade_));
        cascade_ = (cascade_ + 32) % 320;
        window.show();
        return;
    }
    window.move(kOrigin);
    window.show();
    window.raise();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&window, 5000))
        std::fprintf(stderr, "gallery: %s never showed\n", qPrintable(window.objectName()));
    QTest::qWait(100); // the first paint reaches the display server
}

void ScreenStage::Save(QWidget& window, const QRect& area, const QString& state)
{
    const QString name = FileName(entry_ + QLatin1Char('-') + state);
    QImage image;
    for (int attempt = 0; attempt < 20; ++attempt) {
        image = window.screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        if (!IsBlank(image))
            break;
        QTest::qWait(100);
    }
    if (IsBlank(image) || !image.save(shots_->filePath(name))) {
        std::fprintf(stderr, "gallery: %s is blank or cannot be saved\n", qPrintable(name));
        failed_.append(name);
        return;
    }
    saved_.append(name);
}

void ScreenStage::Shoot(QWidget& window, const QString& state)
{
    Present(window);
    if (!shots_)
        return;
    Save(window, window.frameGeometry(), state);
    window.hide(); // the next shot has the screen to itself
}

void ScreenStage::ShootTabs(QWidget& window, QTabWidget& tabs, const QString& state)
{
    Present(window);
    if (!shots_)
        return;
    for (int i = 0; i < tabs.count(); ++i) {
        tabs.setCurrentIndex(i);
        QTest::qWait(50);
        Save(window, window.frameGeometry(), state + QLatin1Char('-') + QString::number(i + 1));
    }
    tabs.setCurrentIndex(0);
    window.hide();
}

void ScreenStage::ShootMenu(QWidget& window, QMenu& menu, const QString& state)
{
    Present(window);
    if (!shots_)
        return;
    auto* bar = window.findChild<QMenuBar*>();
    if (bar && bar->actions().contains(menu.menuAction()))
        bar->setActiveAction(menu.menuAction()); // opened from its title, as a click does
    else
        menu.popup(window.mapToGlobal(QPoint(24, 24)));
    if (!QTest::qWaitForWindowExposed(&menu, 5000))
        std::fprintf(stderr, "gallery: the menu never showed\n");
    QTest::qWait(100);
    Save(window, window.frameGeometry().united(menu.geometry()), state);
    menu.close();
    window.hide();
}

bool ScreenStage::Finish()
{
    if (!shots_)
        return true;
    QFile list(shots_->filePath(QStringLiteral("shots.txt")));
    if (!list.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream out(&list);
    for (const QString& name : saved_)
        out << name << '\n';
    return failed_.isEmpty();
}

} // namespace gallery
