// The three correction dialogs, each shot while its Execute runs: the time offset in simple and
// advanced mode, the frame rate preset from PAL and from a custom rate, the codec (Chinese
// captions) preset from a DV code and from a custom one.
#include <memory>

#include "platform/rtl/DateTime.h"
#include "settings/Preferences.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"
#include "ui/gallery/Gallery.h"

GALLERY_ENTRY(DecalageForm)
{
    const rtl::TDateTime original = rtl::EncodeDateTime(2006, 12, 31, 23, 59, 58, 0);
    const bool advanced[] = {false, true};
    for (bool a : advanced) {
        settings::DecalageAvance = a;
        settings::DecalageHoraire = a ? -0.25 - 30.0 / 86400 : -2.0 / 24;
        auto& form = stage.Keep(std::make_unique<ui::TDecalageForm>([](double) {}));
        form.answer = [&](ui::TDecalageForm& f) { stage.Shoot(f, a ? "advanced" : "simple"); };
        form.Execute(original);
    }
    settings::DecalageAvance = false;
    settings::DecalageHoraire = 0;
}

GALLERY_ENTRY(FrequenceForm)
{
    const double rates[] = {25.0, 30.0};
    for (double fps : rates) {
        auto& form = stage.Keep(std::make_unique<ui::TFrequenceForm>());
        form.answer = [&](ui::TFrequenceForm& f) { stage.Shoot(f, fps == 25.0 ? "pal" : "custom"); };
        form.Execute(fps);
    }
}

GALLERY_ENTRY(CodecForm)
{
    const char* codes[] = {"DVSD", "MJPG"};
    for (const char* code : codes) {
        auto& form = stage.Keep(std::make_unique<ui::TCodecForm>());
        form.answer = [&](ui::TCodecForm& f) { stage.Shoot(f, code[0] == 'D' ? "dvsd" : "custom"); };
        form.Execute(code);
    }
}
