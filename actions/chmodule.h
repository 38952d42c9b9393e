#pragma once
// The file-action module: the 32 file actions in catalogue order with their texts, letters,
// keys, runners, update kinds and their file and general conditions. The execution and
// confirmation handlers are the actions' work, added by their own sources.
//
//   Tch ch;                                    // the form's defaults
//   ch.Localise();                             // texts and keys from the string table
//   FileActionNames names = ch.BuildActionList();
//   ApplyModele(names);
#include <array>
#include <cstddef>
#include <string_view>
#include <vector>

#include "actions/FileAction.h"

namespace actions {

class Tch {
public:
    static constexpr size_t kActionCount = 32;

    Tch();
    Tch(const Tch&) = delete;
    Tch& operator=(const Tch&) = delete;

    std::array<tFileAction, kActionCount>& Actions() { return actions_; }
    const std::array<tFileAction, kActionCount>& Actions() const { return actions_; }
    // The action of exactly that Name; raises std::out_of_range for an unknown one.
    tFileAction& Action(std::string_view name);

    // Captions, progress texts and shortcuts from the string table; ScenesText's Modele too.
    void Localise();
    // Every action under its lower-cased Name, in catalogue order.
    FileActionNames BuildActionList();

    // File conditions.
    static void SupprimerFichierFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void AjouterDateCodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void AjouterTimecodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void PurgerNomFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void DVtype1FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void DVType2FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void NtscFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void PalFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void IncrusterDatecodeFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void ConvertirDVFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    // Also ScenesText's and Creer_srt's.
    static void CreerScenesFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void SupprimerScenesFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void Supprimer_srtFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void ExtraireAudioFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void CorrigerFpsFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    // Also AfficherSliders'.
    static void AfficherIncrustationFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void DecalerHoraireFileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);
    static void CorrigerType2FileCondition(TParam&, const TAfficherFichier& f, bool& visible, bool& enabled);

    // General conditions.
    static void AlwaysGeneralCondition(TParam&, bool& visible); // the viewer toggles, the inlay
    static void KestromGeneralCondition(TParam&, bool& visible);
    static void OpenFichierF3GeneralCondition(TParam&, bool& visible);
    static void OpenFichierF4GeneralCondition(TParam&, bool& visible);
    static void AnniversaireGeneralCondition(TParam&, bool& visible);

private:
    std::array<tFileAction, kActionCount> actions_;
};

// The catalogue's shortcuts, for the window's check that no two commands share a key.
struct ActionKey {
    std::string_view Name;
    rtl::TShortCut Key;
};
std::vector<ActionKey> CatalogueKeys();

// The name suffixes the shortening removes: "type2", "type1", "in", "ntsc", "pal", "am", "pm",
// "dvtype2", a bracketed part, or a part without a letter (the empty one too); case and
// surrounding blanks do not count.
bool IsStrippableNamePart(std::string_view part);

} // namespace actions
