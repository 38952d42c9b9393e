// The main window: empty, with dated clips listed (one named in Chinese), its Convert menu open,
// the list hidden, and the about page on its command-line tab.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <memory>

#include "actions/chmodule.h"
#include "actions/list_unit.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "ui/AproposFrame.h"
#include "ui/UIForm.h"
#include "ui/gallery/Gallery.h"
#include "ui/gallery/GalleryMainWindow.h"
#ifdef MORVEL_GALLERY_CLIPS
#include "tests/kit/media/DvClip.h"
#endif

GALLERY_ENTRY(UIForm)
{
    auto& window = gallery::NewMainWindow(stage);
    QTest::qWait(200);
    stage.Shoot(window, "empty");

#ifdef MORVEL_GALLERY_CLIPS
    std::vector<std::string> files;
    const struct {
        const char* name;
        int year, month, day;
    } clips[] = {{"Plage 2006-07-14.avi", 2006, 7, 14}, {"海边 1.avi", 2005, 8, 2}, {"Noël.avi", 2006, 12, 24}};
    for (const auto& c : clips) {
        testkit::DvClipSpec spec;
        spec.frames = 10;
        spec.distinctPictures = 2;
        spec.year = c.year;
        spec.month = c.month;
        spec.day = c.day;
        const std::string path = QDir(gallery::Home().path()).filePath(QString::fromUtf8(c.name)).toStdString();
        if (testkit::WriteDvType2(path, testkit::MakeDvClip(spec)))
            files.push_back(path);
    }
    bool loaded = false;
    window.LoadFiles(files, "", [&loaded](bool) { loaded = true; });
    for (int i = 0; i < 100 && !(loaded && window.ListThread->IsIdle()); ++i)
        QTest::qWait(50);
    QTest::qWait(300); // the first file shown, paused on its first picture
    stage.Shoot(window, "listed");
    stage.ShootMenu(window, *window.Convertir1, "convert-menu");
    window.afBasculerListe->trigger();
    stage.Shoot(window, "list-hidden");
    window.afBasculerListe->trigger();
#endif
    window.AproposFrame->PageControl2->setCurrentIndex(ui::TAproposFrame::kCommandLineTab);
    window.afApropos->trigger();
    stage.Shoot(window, "switches");
    window.afApropos->trigger();
}
