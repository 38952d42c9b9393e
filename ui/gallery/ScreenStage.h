#pragma once
// The gallery's stage: shows the windows, and with a shots folder grabs each from the screen
// (what the display server shows, not a rendering of the widget), checks it is not blank and
// saves it as a PNG, listed in shots.txt. A window whose enabled actions hold a key twice fails
// the run too.
#include <QDir>
#include <QImage>
#include <QRect>
#include <QStringList>
#include <optional>

#include "ui/gallery/Gallery.h"

namespace gallery {

class ScreenStage : public Stage {
public:
    explicit ScreenStage(std::optional<QDir> shots) : shots_(std::move(shots)) {}

    void Begin(const char* entry) { entry_ = QString::fromUtf8(entry); }
    void Shoot(QWidget& window, const QString& state) override;
    void ShootTabs(QWidget& window, QTabWidget& tabs, const QString& state) override;
    void ShootMenu(QWidget& window, QMenu& menu, const QString& state) override;

    // Writes shots.txt; false when a shot failed or a window held a key twice.
    bool Finish();

protected:
    void KeepWidget(std::unique_ptr<QWidget> window) override { kept_.push_back(std::move(window)); }

private:
    void Present(QWidget& window);
    // Grabs `area` of the screen until it is not blank, saves it; false when it stays blank.
    void Save(QWidget& window, const QRect& area, const QString& state);

    std::optional<QDir> shots_;
    QString entry_;
    std::vector<std::unique_ptr<QWidget>> kept_;
    QStringList saved_;
    QStringList failed_;
    int cascade_ = 0;
};

} // namespace gallery
