#pragma once
// The file-action module: the 32 file actions in catalogue order with their texts, letters,
// keys, runners, update kinds, their file and general conditions and their work: the execution
// and confirmation handlers, by family in chmoduleRename.cpp, chmoduleConvert.cpp,
// chmoduleScenes.cpp and chmoduleFiles.cpp.
//
//   Tch ch;                                    // the form's defaults, every handler installed
//   ch.Localise();                             // texts and keys from the string table
//   FileActionNames names = ch.BuildActionList();
//   ApplyModele(names);
//   tFileAction fix = ch.CorrigerFpsWith({29.97, "29.97"}); // a correction with the dialog's value
//
// Handlers follow FileAction.h: conditions and executions run on the worker, confirmations on the
// GUI thread; an execution never shows a box, it returns its failure. A command action's
// execution builds its graph in media::Cdm() and returns without running it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "actions/FileAction.h"

namespace actions {

// The codec the codec dialog chose: the four characters written, and the text the dialog shows
// for the choice ("dvsd (微软)", or the custom text), which the question quotes.
struct CodecChoice {
    std::string FourCC = "dvsd";
    std::string Shown = "dvsd (微软)";
};
// The frame rate the frame-rate dialog chose and its text there ("25", "29.97", the custom text).
struct FpsChoice {
    double Fps = 25.0;
    std::string Shown = "25";
};

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

    // Copies of the three corrections with the dialog's value bound into their handlers, for a
    // batch of their own: a later choice never reaches a running batch. The module's own
    // CorrigerCodec and CorrigerFps hold the dialogs' first choices; its DecalerHoraire reads
    // DecalageHoraire when it runs.
    tFileAction CorrigerCodecWith(const CodecChoice& choice);
    tFileAction CorrigerFpsWith(const FpsChoice& choice);
    tFileAction DecalerHoraireWith(double offset);

    // Execution and confirmation handlers, by family.
    using P = TParam;
    using F = TAfficherFichier;
    using U = TchUpdateType;
    using R = ExecutionOutcome;
    // Renaming and re-dating.
    static R AjouterTimecodeExecution(P&, const F& f, std::string& newfichier, U& update);
    static void AjouterTimecodeConfirmation(P&, const F& f, std::string& confirmMsg);
    static R AjouterDateCodeExecution(P&, const F& f, std::string& newfichier, U& update);
    static void AjouterDateCodeConfirmation(P&, const F& f, std::string& confirmMsg);
    static R PurgerNomExecution(P&, const F& f, std::string& newfichier, U& update);
    static void PurgerNomConfirmation(P&, const F& f, std::string& confirmMsg);
    static R RenameScAnExecution(P&, const F& f, std::string& newfichier, U& update);
    static void RenameScAnConfirmation(P&, const F& f, std::string& confirmMsg);
    static R FileDateExecution(P&, const F& f, std::string& newfichier, U& update);
    static void FileDateConfirmation(P&, const F& f, std::string& confirmMsg);
    // Conversions: the graph is built, not run.
    static R DVtype1Execution(P&, const F& f, std::string& newfichier, U& update);
    static void DVtype1Confirmation(P&, const F& f, std::string& confirmMsg);
    static R DVType2Execution(P&, const F& f, std::string& newfichier, U& update);
    static void DVType2Confirmation(P&, const F& f, std::string& confirmMsg);
    static R NtscExecution(P&, const F& f, std::string& newfichier, U& update);
    static void NtscConfirmation(P&, const F& f, std::string& confirmMsg);
    static R PalExecution(P&, const F& f, std::string& newfichier, U& update);
    static void PalConfirmation(P&, const F& f, std::string& confirmMsg);
    static R IncrusterDatecodeExecution(P&, const F& f, std::string& newfichier, U& update);
    static void IncrusterDatecodeConfirmation(P&, const F& f, std::string& confirmMsg);
    static R ConvertirDVExecution(P&, const F& f, std::string& newfichier, U& update);
    static void ConvertirDVConfirmation(P&, const F& f, std::string& confirmMsg);
    static R DecalerHoraireExecution(double offset, P&, const F& f, std::string& newfichier, U& update);
    static void DecalerHoraireConfirmation(double offset, P&, const F& f, std::string& confirmMsg);
    static R CorrigerType2Execution(P&, const F& f, std::string& newfichier, U& update);
    static void CorrigerType2Confirmation(P&, const F& f, std::string& confirmMsg);
    static R ExtraireAudioExecution(P&, const F& f, std::string& newfichier, U& update);
    static void ExtraireAudioConfirmation(P&, const F& f, std::string& confirmMsg);
    // Scene lists and subtitles.
    static R CreerScenesExecution(P&, const F& f, std::string& newfichier, U& update);
    static void CreerScenesConfirmation(P&, const F& f, std::string& confirmMsg);
    static R ScenesTextExecution(P&, const F& f, std::string& newfichier, U& update);
    static void ScenesTextConfirmation(P&, const F& f, std::string& confirmMsg);
    static R Creer_srtExecution(P&, const F& f, std::string& newfichier, U& update);
    static void Creer_srtConfirmation(P&, const F& f, std::string& confirmMsg);
    static R SupprimerScenesExecution(P&, const F& f, std::string& newfichier, U& update);
    static void SupprimerScenesConfirmation(P&, const F& f, std::string& confirmMsg);
    static R Supprimer_srtExecution(P&, const F& f, std::string& newfichier, U& update);
    static void Supprimer_srtConfirmation(P&, const F& f, std::string& confirmMsg);
    // Corrections in place, deletion, opening, the viewer toggles and the greeting.
    static R CorrigerCodecExecution(const CodecChoice& c, P&, const F& f, std::string& newfichier, U& update);
    static void CorrigerCodecConfirmation(const CodecChoice& c, P&, const F& f, std::string& confirmMsg);
    static R CorrigerFpsExecution(const FpsChoice& c, P&, const F& f, std::string& newfichier, U& update);
    static void CorrigerFpsConfirmation(const FpsChoice& c, P&, const F& f, std::string& confirmMsg);
    static R SupprimerFichierExecution(P&, const F& f, std::string& newfichier, U& update);
    static void SupprimerFichierConfirmation(P&, const F& f, std::string& confirmMsg);
    static R oterfichierExecution(P&, const F& f, std::string& newfichier, U& update);
    static R DossierParentExecution(P&, const F& f, std::string& newfichier, U& update);
    static R DefaultPlayerExecution(P&, const F& f, std::string& newfichier, U& update);
    static R KestromExecution(P&, const F& f, std::string& newfichier, U& update);
    static R OpenFichierF3Execution(P&, const F& f, std::string& newfichier, U& update);
    static R OpenFichierF4Execution(P&, const F& f, std::string& newfichier, U& update);
    static R RiffHeaderExecution(P&, const F& f, std::string& newfichier, U& update);
    static R AfficherIncrustationExecution(P&, const F& f, std::string& newfichier, U& update);
    static R AfficherSlidersExecution(P&, const F& f, std::string& newfichier, U& update);
    // Run without a file: `f` is not read.
    static R Anniversaire2502Execution(P&, const F& f, std::string& newfichier, U& update);
    static void Anniversaire2502Confirmation(P&, const F& f, std::string& confirmMsg);

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
    void InstallHandlers();

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

// What the shortening leaves of a bare name (no folder, no extension): the parts after its last
// "_" stripped while they are strippable.
std::string PurgedName(std::string_view bareName);

// The suffix of the date shift's output: "-" or "+", then the whole days with "days", the hours
// with "h", the minutes with "mn" and the seconds with "s", each only when not 0 ("-1days12h").
std::string OffsetText(double days);
} // namespace actions
