// The information frame: before any file, telling why a file cannot be played, and playing a
// dated PAL clip of the media kit with its read-out running.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "actions/aviFichier.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "ui/BaseFrame.h"
#include "ui/gallery/Gallery.h"
#include "ui/gallery/GalleryHost.h"
#ifdef MORVEL_GALLERY_CLIPS
#include "tests/kit/media/DvClip.h"
#endif

namespace {

shell::Prompter& Prompter()
{
    static vcl::ScriptedDialogs dialogs;
    return dialogs;
}

ui::TBaseFrame& NewFrame(gallery::Stage& stage)
{
    auto& frame = stage.Keep(std::make_unique<ui::TBaseFrame>(Prompter()));
    frame.Localise();
    return frame;
}

} // namespace

GALLERY_ENTRY(BaseFrame)
{
    auto& localised = NewFrame(stage);
    localised.AfficherCode(media::vsInterrupted);
    stage.Shoot(localised, "no-file");

    auto& missing = NewFrame(stage);
    missing.CurrentFichier = std::make_shared<actions::TAfficherFichier>(QDir::tempPath().toStdString() +
                                                                         "/Vacances/片段 2006-12-31 23.59.58.AVI");
    missing.ShowFileProperties(missing.CurrentFichier.get());
    missing.AfficherCode(media::vsFileNotFound);
    stage.Shoot(missing, "not-found");

#ifdef MORVEL_GALLERY_CLIPS
    // The clip lives as long as the gallery shows the frame.
    static QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath(QStringLiteral("Plage 2006-12-31.avi")).toStdString();
    testkit::DvClipSpec spec;
    spec.frames = 150;
    spec.distinctPictures = 6;
    if (!testkit::WriteDvType2(path, testkit::MakeDvClip(spec)))
        return;
    auto& playing = NewFrame(stage);
    playing.CurrentFichier = std::make_shared<actions::TAfficherFichier>(path);
    playing.ShowFileProperties(playing.CurrentFichier.get());
    media::viewdm().OpenViewGraph(ui::ToViewFile(*playing.CurrentFichier), playing.vw->Renderer());
    playing.show();
    QTest::qWait(300); // paused on the first picture
    media::viewdm().Graph().Run();
    QTest::qWait(1500);
    stage.Shoot(playing, "playing");
    media::viewdm().Graph().Stop();
    playing.ClearFrame();
#endif
}
