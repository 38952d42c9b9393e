#include "actions/chmodule.h"

#include <stdexcept>
#include <string>
#include <system_error>

#include "actions/chmoduleShared.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"

namespace actions {

namespace {

using FileCondition = void (*)(TParam&, const TAfficherFichier&, bool&, bool&);
using GeneralCondition = void (*)(TParam&, bool&);

// The actions as the module's form stores them, in stream order. Keys mended from the stream:
// PurgerNom's Ctrl+Q is the desktop's quit key (Shift+Ctrl+Q here); Kestrom takes F2, its
// command's key in the window, where F3 opens with the F3 program.
struct CatalogueEntry {
    const char* name;
    const char* caption;
    const char* letter;
    const char* key;
    RunnerKind runner;
    TchUpdateType success;
    TchUpdateType failure;
    const char* monoMessage;
    FileCondition fileCondition;
    GeneralCondition generalCondition;
};

using R = RunnerKind;
using T = Tch;

// clang-format off
constexpr CatalogueEntry kCatalogue[Tch::kActionCount] = {
    {"DossierParent", "Dossier parent", "", "", R::Gui, utNone, utNone, "", nullptr, nullptr},
    {"SupprimerFichier", "Supprimer le fichier", "e", "", R::Fast, utDelete, utNone, "En train de supprimer...",
     T::SupprimerFichierFileCondition, nullptr},
    {"oterfichier", "Oter le fichier", "", "", R::Fast, utDelete, utDelete, "", nullptr, nullptr},
    {"Anniversaire2502", "Anniversaire", "", "", R::None, utNone, utNone, "", nullptr, T::AnniversaireGeneralCondition},
    {"RiffHeader", "Voir l'en-tête RIFF", "", "Ctrl+H", R::Gui, utNone, utNone, "", nullptr, nullptr},
    {"DefaultPlayer", "Lire dans le player par défaut", "", "F5", R::Gui, utNone, utNone, "", nullptr, nullptr},
    {"AjouterTimecode", "Ajouter le timecode", "t", "Ctrl+T", R::Fast, utRename, utNone, "",
     T::AjouterTimecodeFileCondition, nullptr},
    {"AjouterDateCode", "Ajouter le datecode", "d", "Ctrl+D", R::Fast, utRename, utNone, "",
     T::AjouterDateCodeFileCondition, nullptr},
    {"PurgerNom", "Raccourcir le nom du fichier", "q", "Shift+Ctrl+Q", R::Fast, utRename, utNone, "",
     T::PurgerNomFileCondition, nullptr},
    {"FileDate", "Changer la date du fichier", "b", "Ctrl+B", R::Fast, utModify, utModify, "",
     T::AjouterDateCodeFileCondition, nullptr},
    {"RenameScAn", "Renommer ", "r", "Ctrl+R", R::Fast, utRename, utNone, "", T::AjouterDateCodeFileCondition, nullptr},
    {"DVtype1", "Convertir en DV Type 1", "1", "Ctrl+1", R::Cmd, utAdd, utNone,
     "En train de convertir \"%s\" en type 1", T::DVtype1FileCondition, nullptr},
    {"DVType2", "Convertir en Dv Type 2", "2", "Ctrl+2", R::Cmd, utAdd, utNone,
     "En train de convertir \"%s\" en Type 2", T::DVType2FileCondition, nullptr},
    {"Ntsc", "Convertir en NTSC", "n", "", R::Cmd, utAdd, utNone, "En train de convertir \"%s\" en NTSC",
     T::NtscFileCondition, nullptr},
    {"Pal", "Convertir en Pal", "p", "", R::Cmd, utAdd, utNone, "En train de convertir \"%s\" en Pal",
     T::PalFileCondition, nullptr},
    {"IncrusterDatecode", "Incruster le datecode", "i", "Ctrl+I", R::Cmd, utAdd, utNone,
     "En train d'incruster le datecode dans \"%s\"", T::IncrusterDatecodeFileCondition, T::AlwaysGeneralCondition},
    {"ConvertirDV", "Recompresser en DV type 2", "g", "Ctrl+G", R::Cmd, utAdd, utNone,
     "En train de convertir \"%s\" en DV type 2", T::ConvertirDVFileCondition, nullptr},
    {"CreerScenes", "Créer un fichier scn", "s", "", R::Cmd, utModify, utModify,
     "En train de créer un fichier scn pour \"%s\"", T::CreerScenesFileCondition, nullptr},
    {"SupprimerScenes", "Supprimer le fichier scn", "z", "Ctrl+Z", R::Fast, utModify, utNone, "",
     T::SupprimerScenesFileCondition, nullptr},
    {"ExtraireAudio", "Extraire l'audio", "w", "Ctrl+W", R::Cmd, utNone, utNone, "En train d'extraire l'audio de \"%s\"",
     T::ExtraireAudioFileCondition, nullptr},
    {"CorrigerFps", "Corriger la fréquence vidéo", "", "Ctrl+Y", R::Fast, utModify, utModify, "",
     T::CorrigerFpsFileCondition, nullptr},
    {"ScenesText", "Exporter la liste des scènes", "x", "Ctrl+X", R::Cmd, utModify, utModify,
     "En train d'exporter la liste des scènes de \"%s\" en texte", T::CreerScenesFileCondition, nullptr},
    {"Kestrom", "", "", "F2", R::Gui, utNone, utNone, "", nullptr, T::KestromGeneralCondition},
    {"AfficherIncrustation", "Afficher le datecode", "", "F12", R::Gui, utNone, utNone, "",
     T::AfficherIncrustationFileCondition, T::AlwaysGeneralCondition},
    {"AfficherSliders", "Modifier la position de l'incrustation", "", "", R::Gui, utNone, utNone, "",
     T::AfficherIncrustationFileCondition, T::AlwaysGeneralCondition},
    {"DecalerHoraire", "Corriger le décalage horaire", "", "", R::Cmd, utAdd, utNone,
     "En train de corriger le décalage horaire de \"%s\"", T::DecalerHoraireFileCondition, nullptr},
    {"CorrigerCodec", "Modifier le codec", "", "", R::Fast, utModify, utNone, "", nullptr, nullptr},
    {"CorrigerType2", "Corriger DV type2", "", "", R::Cmd, utAdd, utNone, "Corriger le fichier DV type 2  %s",
     T::CorrigerType2FileCondition, nullptr},
    {"OpenFichierF3", "Ouvrir avec", "", "", R::Fast, utNone, utNone, "", nullptr, T::OpenFichierF3GeneralCondition},
    {"OpenFichierF4", "Ouvrir avec...", "", "F4", R::Fast, utNone, utNone, "", nullptr, T::OpenFichierF4GeneralCondition},
    {"Creer_srt", "Créer un fichier srt", "", "", R::Cmd, utModify, utModify, "En train de créer un fichier srt pour %s",
     T::CreerScenesFileCondition, nullptr},
    {"Supprimer_srt", "Supprimer le fichier srt", "", "Shift+Ctrl+Z", R::Fast, utModify, utNone, "",
     T::Supprimer_srtFileCondition, nullptr},
};
// clang-format on

} // namespace

Tch::Tch()
{
    for (size_t i = 0; i < kActionCount; ++i) {
        const CatalogueEntry& e = kCatalogue[i];
        tFileAction& a = actions_[i];
        a.Name = e.name;
        a.Caption = e.caption;
        a.SetSwitch(e.letter);
        a.SetShortcutText(e.key);
        a.Runner = e.runner;
        a.SuccessUpdate = e.success;
        a.FailureUpdate = e.failure;
        a.MonoMessage = e.monoMessage;
        if (e.fileCondition)
            a.OnFileCondition = e.fileCondition;
        if (e.generalCondition)
            a.OnGeneralCondition = e.generalCondition;
    }
    Action("ScenesText").Modele = "CreerScenes";
    InstallHandlers();
}

void Tch::InstallHandlers()
{
    auto set = [this](const char* name, TExecutionEvent execution, TConfirmationEvent confirmation = nullptr) {
        tFileAction& a = Action(name);
        a.OnExecution = std::move(execution);
        a.OnConfirmation = std::move(confirmation);
    };
    set("DossierParent", DossierParentExecution);
    set("SupprimerFichier", SupprimerFichierExecution, SupprimerFichierConfirmation);
    set("oterfichier", oterfichierExecution);
    set("Anniversaire2502", Anniversaire2502Execution, Anniversaire2502Confirmation);
    set("RiffHeader", RiffHeaderExecution);
    set("DefaultPlayer", DefaultPlayerExecution);
    set("AjouterTimecode", AjouterTimecodeExecution, AjouterTimecodeConfirmation);
    set("AjouterDateCode", AjouterDateCodeExecution, AjouterDateCodeConfirmation);
    set("PurgerNom", PurgerNomExecution, PurgerNomConfirmation);
    set("FileDate", FileDateExecution, FileDateConfirmation);
    set("RenameScAn", RenameScAnExecution, RenameScAnConfirmation);
    set("DVtype1", DVtype1Execution, DVtype1Confirmation);
    set("DVType2", DVType2Execution, DVType2Confirmation);
    set("Ntsc", NtscExecution, NtscConfirmation);
    set("Pal", PalExecution, PalConfirmation);
    set("IncrusterDatecode", IncrusterDatecodeExecution, IncrusterDatecodeConfirmation);
    set("ConvertirDV", ConvertirDVExecution, ConvertirDVConfirmation);
    set("CreerScenes", CreerScenesExecution, CreerScenesConfirmation);
    set("SupprimerScenes", SupprimerScenesExecution, SupprimerScenesConfirmation);
    set("ExtraireAudio", ExtraireAudioExecution, ExtraireAudioConfirmation);
    set("ScenesText", ScenesTextExecution, ScenesTextConfirmation);
    set("Kestrom", KestromExecution);
    set("AfficherIncrustation", AfficherIncrustationExecution);
    set("AfficherSliders", AfficherSlidersExecution);
    set("CorrigerType2", CorrigerType2Execution, CorrigerType2Confirmation);
    set("OpenFichierF3", OpenFichierF3Execution);
    set("OpenFichierF4", OpenFichierF4Execution);
    set("Creer_srt", Creer_srtExecution, Creer_srtConfirmation);
    set("Supprimer_srt", Supprimer_srtExecution, Supprimer_srtConfirmation);
    // The module's own corrections: the dialogs' first choices, and the offset as it stands when
    // the action runs.
    Action("CorrigerCodec") = CorrigerCodecWith(CodecChoice());
    Action("CorrigerFps") = CorrigerFpsWith(FpsChoice());
    set(
        "DecalerHoraire",
        [](TParam& p, const TAfficherFichier& f, std::string& n, TchUpdateType& u) {
            return DecalerHoraireExecution(settings::DecalageHoraire, p, f, n, u);
        },
        [](TParam& p, const TAfficherFichier& f, std::string& m) {
            DecalerHoraireConfirmation(settings::DecalageHoraire, p, f, m);
        });
}

namespace {

// A copy of `action` whose two handlers take `value` as their first argument, held by value.
template <class Value, class Execution, class Confirmation>
tFileAction Bound(tFileAction action, const Value& value, Execution execution, Confirmation confirmation)
{
    action.OnExecution = [value, execution](TParam& p, const TAfficherFichier& f, std::string& n, TchUpdateType& u) {
        return execution(value, p, f, n, u);
    };
    action.OnConfirmation = [value, confirmation](TParam& p, const TAfficherFichier& f, std::string& m) {
        confirmation(value, p, f, m);
    };
    return action;
}

} // namespace

tFileAction Tch::CorrigerCodecWith(const CodecChoice& choice)
{
    return Bound(Action("CorrigerCodec"), choice, CorrigerCodecExecution, CorrigerCodecConfirmation);
}

tFileAction Tch::CorrigerFpsWith(const FpsChoice& choice)
{
    return Bound(Action("CorrigerFps"), choice, CorrigerFpsExecution, CorrigerFpsConfirmation);
}

tFileAction Tch::DecalerHoraireWith(double offset)
{
    return Bound(Action("DecalerHoraire"), offset, DecalerHoraireExecution, DecalerHoraireConfirmation);
}

tFileAction& Tch::Action(std::string_view name)
{
    for (tFileAction& a : actions_)
        if (a.Name == name)
            return a;
    throw std::out_of_range("no file action " + std::string(name));
}

void Tch::Localise()
{
    for (size_t i = 0; i < kActionCount; ++i) {
        tFileAction& a = actions_[i];
        const int place = static_cast<int>(i);
        if (*kCatalogue[i].monoMessage)
            a.MonoMessage = rtl::LoadStr(rtl::sid::sTchMonoMessageBase + place);
        a.Caption = rtl::LoadStr(rtl::sid::sTchCaptionBase + place);
        if (*kCatalogue[i].key)
            a.SetShortcutText(rtl::LoadStr(rtl::sid::sTchShortcutBase + place));
    }
    Action("ScenesText").Modele = rtl::LoadStr(rtl::sid::sTchScenesTextModele);
}

FileActionNames Tch::BuildActionList()
{
    FileActionNames names;
    for (tFileAction& a : actions_)
        names.Add(a);
    return names;
}

std::vector<ActionKey> CatalogueKeys()
{
    std::vector<ActionKey> keys;
    for (const CatalogueEntry& e : kCatalogue)
        if (*e.key)
            keys.push_back({e.name, rtl::TextToShortCut(e.key)});
    return keys;
}

namespace work {

std::string FittingText(std::initializer_list<std::string> texts)
{
    std::string chosen;
    for (const std::string& text : texts) {
        chosen = text;
        if (rtl::Utf8Length(text) <= kMaxQuestion)
            break;
    }
    return chosen;
}

std::string ReplaceQuestion(const std::string& name, const std::string& fallback)
{
    return FittingText({rtl::Format("你真的想替换已经存在的 %s文件吗 ?", name), fallback});
}

std::string SystemReason(int err)
{
    return std::error_code(err, std::generic_category()).message();
}

} // namespace work

} // namespace actions
