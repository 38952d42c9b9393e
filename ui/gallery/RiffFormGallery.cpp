// The RIFF structure window: new and empty; an OpenDML file under a Chinese name listed, Save
// enabled; a file of garbage, its short listing.
#include <QDir>
#include <QTest>
#include <memory>
#include <string>

#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "ui/gallery/Gallery.h"
#include "ui/riffunitWindow.h"

namespace {

void Listed(gallery::Stage& stage, const std::string& path, const QString& state)
{
    auto& form = stage.Keep(std::make_unique<ui::TRiffForm>());
    form.Analyse(path);
    QTest::qWaitFor([&] { return !form.Walking(); }, 10000);
    stage.Shoot(form, state);
}

} // namespace

GALLERY_ENTRY(RiffForm)
{
    static testkit::TempDir dir;
    stage.Shoot(stage.Keep(std::make_unique<ui::TRiffForm>()), "empty");

    const std::string odml = dir.file("片段 2006-12-31 23.59.58.avi");
    testkit::WriteFileBytes(odml, testkit::MakeAvi({.indxType = 0, .odml = true, .avixSegments = 1}).build());
    Listed(stage, odml, "walked");

    const std::string garbage = dir.file("garbage.avi");
    testkit::WriteFileBytes(garbage, std::string(1000, 'x'));
    Listed(stage, garbage, "garbage");
}
