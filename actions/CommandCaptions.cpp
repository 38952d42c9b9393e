#include "actions/CommandCaptions.h"

#include <array>
#include <utility>

#include "actions/FileAction.h"
#include "platform/rtl/Strings.h"

namespace actions {

namespace {

using namespace rtl::sid;

// Every file action in the module's order, with its command's caption.
constexpr auto kCaptions = std::to_array<std::pair<std::string_view, int>>({
    {"DossierParent", sMainParentFolder},
    {"SupprimerFichier", sMainDeleteFile},
    {"oterfichier", sMainRemoveFile},
    {"Anniversaire2502", sMainAnniversary},
    {"RiffHeader", sMainRiffHeader},
    {"DefaultPlayer", sMainDefaultPlayer},
    {"AjouterTimecode", sMainAddTimecode},
    {"AjouterDateCode", sMainAddDatecode},
    {"PurgerNom", sMainShortenName},
    {"FileDate", sMainFileDate},
    {"RenameScAn", sMainRename},
    {"DVtype1", sMainToType1},
    {"DVType2", sMainToType2},
    {"Ntsc", sMainToNtsc},
    {"Pal", sMainToPal},
    {"IncrusterDatecode", sMainInlay},
    {"ConvertirDV", sMainRecompress},
    {"CreerScenes", sMainCreateScenes},
    {"SupprimerScenes", sMainDeleteScenes},
    {"ExtraireAudio", sMainExtractAudio},
    {"CorrigerFps", sMainFixFps},
    {"ScenesText", sMainScenesText},
    {"Kestrom", sMainKestrom},
    {"AfficherIncrustation", sMainShowInlay},
    {"AfficherSliders", sMainSliders},
    {"DecalerHoraire", sMainFixTime},
    {"CorrigerCodec", sMainChangeCodec},
    {"CorrigerType2", sMainFixType2},
    {"OpenFichierF3", sMainOpenWithProgram},
    {"OpenFichierF4", sMainOpenWithProgram},
    {"Creer_srt", sMainCreateSrt},
    {"Supprimer_srt", sMainDeleteSrt},
});

} // namespace

int CommandCaptionId(std::string_view name)
{
    for (const auto& [action, id] : kCaptions)
        if (action == name)
            return id;
    return 0;
}

std::string CommandCaption(const tFileAction& action)
{
    const int id = CommandCaptionId(action.Name);
    return id != 0 ? rtl::LoadStr(id) : action.Caption;
}

} // namespace actions
