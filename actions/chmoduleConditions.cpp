// The file and general conditions of the module's actions.
#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

void Both(bool value, bool& visible, bool& enabled)
{
    visible = value;
    enabled = value;
}

// A date or time-code text that names a real datum. An unreadable file leaves it empty, which
// must not pass: the date actions would use the date 0 (30 Dec 1899) and an empty time code.
bool IsDatum(const std::string& text)
{
    return !text.empty() && text != kNA && text != "Error" && text != kNoDatum;
}

// DV in the sense of the conversions: a type-2 file, or a "dvsd" code (exact, lower case).
bool IsDv(const TAfficherFichier& f)
{
    return f.DVType == 2 || f.Codec == "dvsd";
}

} // namespace

bool IsStrippableNamePart(std::string_view part)
{
    const std::string p = rtl::LowerCase(rtl::Trim(part));
    for (const char* word : {"type2", "type1", "in", "ntsc", "pal", "am", "pm", "dvtype2"})
        if (p == word)
            return true;
    if (p.size() >= 2 && p.front() == '(' && p.back() == ')')
        return true;
    for (char c : p)
        if (c >= 'a' && c <= 'z')
            return false;
    return true;
}

void Tch::SupprimerFichierFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both((f.Attributes & faReadOnly) == 0, visible, enabled);
}

void Tch::AjouterDateCodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(IsDatum(f.Datecode), visible, enabled);
}

void Tch::AjouterTimecodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(IsDatum(f.Timecode), visible, enabled);
}

void Tch::PurgerNomFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    // The bare name only: a "_" in a folder name must not make the name look shortenable.
    const std::string name = rtl::ChangeFileExt(f.FileName, "");
    const size_t underscore = name.rfind('_');
    Both(underscore != std::string::npos && IsStrippableNamePart(std::string_view(name).substr(underscore + 1)),
         visible, enabled);
}

void Tch::DVtype1FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.DVType == 2 && f.Valid, visible, enabled);
}

void Tch::DVType2FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.DVType == 1 && f.Codec == "dvsd", visible, enabled);
}

void Tch::NtscFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.Valid && f.Standard == 1 && IsDv(f), visible, enabled);
}

void Tch::PalFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.Valid && f.Standard == 2 && IsDv(f), visible, enabled);
}

void Tch::IncrusterDatecodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.Valid && IsDv(f), visible, enabled);
}

void Tch::ConvertirDVFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    visible = f.Image != kNA;
    enabled = !f.Valid;
}

void Tch::CreerScenesFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    visible = f.Image != kNA;
    enabled = true;
}

void Tch::SupprimerScenesFileCondition(TParam&, const TAfficherFichier& f, bool&, bool& enabled)
{
    enabled = f.ScnExists;
}

void Tch::Supprimer_srtFileCondition(TParam&, const TAfficherFichier& f, bool&, bool& enabled)
{
    enabled = f.SrtExists;
}

void Tch::ExtraireAudioFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    const bool sound = f.Audio1 != kNA;
    visible = sound && !(f.Valid && f.DVType == 1 && f.Codec != "dvsd");
    enabled = sound;
}

void Tch::CorrigerFpsFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    visible = true;
    enabled = !(f.Valid && f.DVType == 1);
}

void Tch::AfficherIncrustationFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    visible = true;
    enabled = f.Valid && IsDv(f);
}

void Tch::DecalerHoraireFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.Valid, visible, enabled);
}

void Tch::CorrigerType2FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled)
{
    Both(f.DVType == 2 && f.Valid && f.Type2Iavs, visible, enabled);
}

void Tch::AlwaysGeneralCondition(TParam&, bool& visible)
{
    visible = true;
}

void Tch::KestromGeneralCondition(TParam&, bool& visible)
{
    visible = rtl::FileExists(settings::FichierKestrom);
}

void Tch::OpenFichierF3GeneralCondition(TParam&, bool& visible)
{
    visible = rtl::FileExists(settings::FichierF3);
}

void Tch::OpenFichierF4GeneralCondition(TParam&, bool& visible)
{
    visible = rtl::FileExists(settings::FichierF4);
}

void Tch::AnniversaireGeneralCondition(TParam&, bool& visible)
{
    int year = 0, month = 0, day = 0;
    rtl::DecodeDate(rtl::Date(), year, month, day);
    visible = day == 25 && month == 2;
}

} // namespace actions
