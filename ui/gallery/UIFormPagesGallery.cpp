// The main window's own states of its pages and menus: the copy menu over a listed clip, the
// options page tab by tab, and the about page's filter test with the DV Splitter missing.
#include <QDir>
#include <QTabWidget>
#include <QTest>
#include <memory>

#include "actions/list_unit.h"
#include "platform/dshow/FilterRegistry.h"
#include "tests/kit/media/DvClip.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"
#include "ui/gallery/Gallery.h"
#include "ui/gallery/GalleryMainWindow.h"

GALLERY_ENTRY(UIFormPages)
{
    auto& window = gallery::NewMainWindow(stage);

    testkit::DvClipSpec spec;
    spec.frames = 10;
    spec.distinctPictures = 2;
    spec.year = 2006;
    spec.month = 7;
    spec.day = 14;
    const std::string clip = QDir(gallery::Home().path()).filePath(QStringLiteral("Été 2006 海.avi")).toStdString();
    bool loaded = !testkit::WriteDvType2(clip, testkit::MakeDvClip(spec));
    if (!loaded)
        window.LoadFiles({clip}, "", [&loaded](bool) { loaded = true; });
    for (int i = 0; i < 100 && !(loaded && window.ListThread->IsIdle()); ++i)
        QTest::qWait(50);
    QTest::qWait(300); // the clip shown, paused on its first picture
    stage.ShootMenu(window, *window.copiermenu, "copy-menu");

    window.afOptions->trigger();
    stage.ShootTabs(window, *window.OptionsFrame->pagecontrol1, "options");
    window.afOptions->trigger();

    // The test runs each time its tab shows: the splitter is taken out first, and put back.
    ui::TAproposFrame& about = *window.AproposFrame;
    ds::FilterRegistry& registry = ds::FilterRegistry::Instance();
    const ds::FilterEntryPtr splitter = registry.Find("DV Splitter");
    if (splitter)
        registry.Unregister("DV Splitter");
    about.PageControl2->setCurrentIndex(0);
    window.afApropos->trigger();
    about.PageControl2->setCurrentWidget(about.tsTest);
    stage.Shoot(window, "filter-missing");
    window.afApropos->trigger();
    if (splitter)
        registry.Register(*splitter);
}
