// The main window's commands: one table lists each once, as the form designed it, and the
// actions, menus, pop-up menus and tool bars are built from it. A command's texts come from the
// string table at the first show (Localise), its file action's handlers at binding.
//
// Adding a command: a QAction* member in UIForm.h, its row here (its place in the table is its
// place in the options page's command list and in its menu), and its handler in the source of its
// concern; a command that runs a file action names it in `tch`, needs no handler and takes the
// caption actions/CommandCaptions.cpp gives that action.
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <exception>

#include "actions/CommandCaptions.h"
#include "actions/FileAction.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/KeyMenu.h"
#include "platform/vcl/ShortCutKeys.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;

namespace {

// The window's pictures, by image index. 15 is a file command's (binding gives it to those
// without one); 18 and 21 the overlay off and on; 19 and 20 the sound muted and on.
enum Image : int {
    imOpen = 0,
    imPaste,
    imPreferred,
    imFolder,
    imDrives,
    imParent,
    imSelectAll,
    imOptions,
    imAbout,
    imQuit,
    imAbort,
    imList,
    imPlay,
    imFullScreen,
    imSave,
    imFileAction = 15,
    imDelete,
    imClear,
    imInlayOff = 18,
    imMuted = 19,
    imSound = 20,
    imInlayOn = 21,
    imForward,
    imBackward,
    imNextScene,
    imPreviousScene,
    imVolumeUp,
    imVolumeDown,
    imSort,
    imPlaylist,
    imCount
};

constexpr QStyle::StandardPixmap kPixmaps[imCount] = {
    QStyle::SP_DialogOpenButton,
    QStyle::SP_FileDialogContentsView,
    QStyle::SP_DirHomeIcon,
    QStyle::SP_DirOpenIcon,
    QStyle::SP_DriveHDIcon,
    QStyle::SP_FileDialogToParent,
    QStyle::SP_DialogApplyButton,
    QStyle::SP_ComputerIcon,
    QStyle::SP_MessageBoxQuestion,
    QStyle::SP_DialogCloseButton,
    QStyle::SP_BrowserStop,
    QStyle::SP_FileDialogListView,
    QStyle::SP_MediaPlay,
    QStyle::SP_TitleBarMaxButton,
    QStyle::SP_DialogSaveButton,
    QStyle::SP_FileIcon,
    QStyle::SP_TrashIcon,
    QStyle::SP_DialogResetButton,
    QStyle::SP_DialogYesButton,
    QStyle::SP_MediaVolumeMuted,
    QStyle::SP_MediaVolume,
    QStyle::SP_DialogNoButton,
    QStyle::SP_MediaSeekForward,
    QStyle::SP_MediaSeekBackward,
    QStyle::SP_MediaSkipForward,
    QStyle::SP_MediaSkipBackward,
    QStyle::SP_ArrowUp,
    QStyle::SP_ArrowDown,
    QStyle::SP_ToolBarVerticalExtensionButton,
    QStyle::SP_FileDialogDetailedView,
};

rtl::TShortCut K(const char* text)
{
    return rtl::TextToShortCut(text);
}

using M = TUIForm::MenuPlace;
using U = TUIForm;

// Categories.
constexpr int P = sMainCatPermanent;
constexpr int V = sMainCatVide;
constexpr int L = sMainCatListe;
constexpr int O = sMainCatMono;  // one file
constexpr int S = sMainCatMulti; // the selection

std::vector<U::ActionRow> MakeTable()
{
    using R = U::ActionRow;
    const uint16_t sep = U::rfSeparator, pop = U::rfPopup, popSep = U::rfPopupSeparator, sortPop = U::rfSortPopup,
                   vwPop = U::rfVideoPopup, check = U::rfCheckable;
    // clang-format off
    // action, name, category, caption, hint lines, key, second key, image,
    //   menu, flags, tool bar, button hint lines, Tch action, handler
    // A file command's caption is its action's command caption (actions/CommandCaptions.h), which
    // the switch help and the run without a window show too: 0 here.
    std::vector<U::ActionRow> rows = {
        // Files
        R{&U::afOuvrirFichiers, "afOuvrirFichiers", V, sMainOpenFiles, {}, K("Ctrl+O"), 0, imOpen,
          M::Files, 0, 1, {sMainOpenButtonHint, sMainOnlyAviHint}, nullptr, &U::afOuvrirFichiersExecute},
        R{&U::afCollerFichiers, "afCollerFichiers", V, sMainPaste, {}, K("Ctrl+V"), 0, imPaste,
          M::Files, 0, 1, {sMainPasteButtonHint, sMainOnlyAviHint}, nullptr, &U::afCollerFichiersExecute},
        R{&U::afOuvrirDossierPrefere, "afOuvrirDossierPrefere", V, sMainOpenPreferred, {}, K("F7"), 0, imPreferred,
          M::Files, 0, 1, {sMainPreferredButtonHint}, nullptr, &U::afOuvrirDossierPrefereExecute},
        R{&U::afOuvrirunDossier, "afOuvrirunDossier", V, sMainOpenFolder, {}, K("Ctrl+L"), 0, imFolder,
          M::Files, 0, 0, {}, nullptr, &U::afOuvrirunDossierExecute},
        R{&U::afOuvrirTout, "afOuvrirTout", V, sMainOpenAll, {}, K("Ctrl+F7"), 0, imDrives,
          M::Files, 0, 0, {}, nullptr, &U::afOuvrirToutExecute},
        R{&U::afOuvrirPlayList, "afOuvrirPlayList", V, sMainOpenPlaylist, {}, K("Ctrl+U"), 0, imPlaylist,
          M::Files, sep, 0, {}, nullptr, &U::afOuvrirPlayListExecute},
        R{&U::afOuvrirDefaultPlayList, "afOuvrirDefaultPlayList", V, sMainOpenDefaultPlaylist, {}, K("Shift+F7"), 0,
          imPlaylist, M::Files, 0, 0, {}, nullptr, &U::afOuvrirDefaultPlayListExecute},
        R{&U::afSauverListe, "afSauverListe", L, sMainSavePlaylist, {}, K("Ctrl+J"), 0, imSave,
          M::Files, 0, 0, {}, nullptr, &U::afSauverListeExecute},
        R{&U::amDossierParent, "amDossierParent", O, 0, {}, K("Ctrl+F"), 0, imParent,
          M::Files, uint16_t(sep | pop), 1, {sMainParentButtonHint}, "DossierParent", nullptr},
        R{&U::amDefaultPlayer, "amDefaultPlayer", O, 0, {}, K("F5"), 0, -1,
          M::Files, pop, 0, {}, "DefaultPlayer", nullptr},
        R{&U::afKestrom, "afKestrom", O, 0, {}, K("F2"), 0, -1,
          M::Files, 0, 0, {}, "Kestrom", nullptr},
        R{&U::amOpenFichierF3, "amOpenFichierF3", S, 0, {}, K("F3"), 0, -1,
          M::Files, 0, 0, {}, "OpenFichierF3", nullptr},
        R{&U::amOpenFichierF4, "amOpenFichierF4", S, 0, {}, K("F4"), 0, -1,
          M::Files, 0, 0, {}, "OpenFichierF4", nullptr},
        R{&U::amRiffHeader, "amRiffHeader", O, 0, {}, K("Ctrl+H"), 0, -1,
          M::Files, pop, 0, {}, "RiffHeader", nullptr},
        R{&U::amOterFichier, "amOterFichier", S, 0, {}, K("Del"), 0, imClear,
          M::Files, uint16_t(sep | pop | popSep), 0, {}, "oterfichier", nullptr},
        R{&U::amSupprimerFichier, "amSupprimerFichier", S, 0, {}, K("Shift+Del"), 0, imDelete,
          M::Files, pop, 0, {}, "SupprimerFichier", nullptr},
        R{&U::afSelectionnerTout, "afSelectionnerTout", L, sMainSelectAll, {}, K("Ctrl+A"), 0, imSelectAll,
          M::Files, uint16_t(sep | pop | popSep), 1, {sMainSelectButtonHint}, nullptr, &U::afSelectionnerToutExecute},
        R{&U::afViderListe, "afViderListe", L, sMainEmptyList, {sMainEmptyList}, K("Ctrl+Del"), 0, imClear,
          M::Files, pop, 0, {}, nullptr, &U::afViderListeExecute},
        R{&U::afBasculerListe, "afBasculerListe", S, sMainShowList, {}, K("F6"), 0, imList,
          M::Files, 0, 1, {sMainListButtonHint}, nullptr, &U::afBasculerListeExecute},
        R{&U::afInterrompre, "afInterrompre", P, sMainAbort, {}, K("Esc"), 0, imAbort,
          M::Files, sep, 1, {sMainAbortButtonHint}, nullptr, &U::acAbortExecute},
        R{&U::afInterrompreTous, "afInterrompreTous", P, sMainAbortAll, {}, K("Shift+Esc"), 0, imAbort,
          M::Files, 0, 0, {}, nullptr, &U::afInterrompreTousExecute},
        R{&U::afOptions, "afOptions", P, sMainOptions, {}, K("F10"), 0, imOptions,
          M::Files, uint16_t(sep | check), 2, {sMainOptionsButtonHint}, nullptr, &U::afOptionsExecute},
        R{&U::afApropos, "afApropos", P, sMainAbout, {}, K("F1"), 0, imAbout,
          M::Files, check, 2, {sMainAboutButtonHint}, nullptr, &U::aeAProposToggle},
        R{&U::amAnniversaire2502, "amAnniversaire2502", V, 0, {}, 0, 0, -1,
          M::Files, 0, 0, {}, "Anniversaire2502", nullptr},
        R{&U::afQuitter, "afQuitter", P, sMainQuit, {}, K("Alt+F4"), sMainQuitKey2, imQuit,
          M::Files, sep, 2, {sMainQuit}, nullptr, &U::aeMainQuitter},
        // Sort the list
        R{&U::alTriDatecode, "alTriDatecode", L, sMainSortDate, {}, K("Alt+D"), 0, imSort,
          M::Sort, sortPop, 0, {}, nullptr, &U::alTriDatecodeExecute},
        R{&U::afOrdreAlpha, "afOrdreAlpha", L, sMainAlphabetical, {}, K("Alt+A"), 0, imSort,
          M::Sort, sortPop, 0, {}, nullptr, &U::afOrdreAlphaExecute},
        R{&U::alTriTaille, "alTriTaille", L, sMainSortSize, {}, K("Alt+S"), 0, imSort,
          M::Sort, sortPop, 0, {}, nullptr, &U::alTriTailleExecute},
        R{&U::alTrierModify, "alTrierModify", L, sMainSortFileDate, {}, K("Alt+F"), 0, imSort,
          M::Sort, sortPop, 0, {}, nullptr, &U::alTrierModifyExecute},
        // Rename
        R{&U::amAjouterDatecode, "amAjouterDatecode", S, 0, {}, K("Ctrl+D"), 0, -1,
          M::Rename, 0, 0, {}, "AjouterDateCode", nullptr},
        R{&U::amAjouterTimecode, "amAjouterTimecode", S, 0, {}, K("Ctrl+T"), 0, -1,
          M::Rename, 0, 0, {}, "AjouterTimecode", nullptr},
        R{&U::amRenameScAn, "amRenameScAn", S, 0, {}, K("Ctrl+R"), 0, -1,
          M::Rename, 0, 0, {}, "RenameScAn", nullptr},
        R{&U::amPurgerNom, "amPurgerNom", S, 0, {}, 0, 0, -1,
          M::Rename, 0, 0, {}, "PurgerNom", nullptr},
        R{&U::amFileDate, "amFileDate", S, 0, {}, 0, 0, -1,
          M::Rename, 0, 0, {}, "FileDate", nullptr},
        // Convert
        R{&U::amDVType1, "amDVType1", S, 0, {}, K("Ctrl+1"), 0, -1,
          M::Convert, 0, 0, {}, "DVtype1", nullptr},
        R{&U::amDVType2, "amDVType2", S, 0, {}, K("Ctrl+2"), 0, -1,
          M::Convert, 0, 0, {}, "DVType2", nullptr},
        R{&U::amCorrigertype2, "amCorrigertype2", S, 0, {}, K("Ctrl+Shift+2"), 0, -1,
          M::Convert, 0, 0, {}, "CorrigerType2", nullptr},
        R{&U::amNTSC, "amNTSC", S, 0, {}, K("Ctrl+N"), 0, -1,
          M::Convert, sep, 0, {}, "Ntsc", nullptr},
        R{&U::amPal, "amPal", S, 0, {}, K("Ctrl+P"), 0, -1,
          M::Convert, 0, 0, {}, "Pal", nullptr},
        R{&U::amConvertirDV, "amConvertirDV", S, 0, {}, K("Ctrl+G"), 0, -1,
          M::Convert, 0, 0, {}, "ConvertirDV", nullptr},
        R{&U::amIncrusterDatecode, "amIncrusterDatecode", S, 0, {}, K("Ctrl+I"), 0, -1,
          M::Convert, sep, 0, {}, "IncrusterDatecode", nullptr},
        R{&U::amDecalerHoraire, "amDecalerHoraire", S, 0, {}, K("Ctrl+E"), 0, -1,
          M::Convert, 0, 0, {}, "DecalerHoraire", &U::amDecalerHoraireExecute},
        R{&U::amExtraireAudio, "amExtraireAudio", S, 0, {}, K("Ctrl+W"), 0, -1,
          M::Convert, sep, 0, {}, "ExtraireAudio", nullptr},
        R{&U::amCorrigerFps, "amCorrigerFps", S, 0, {}, K("Ctrl+Y"), 0, -1,
          M::Convert, sep, 0, {}, "CorrigerFps", &U::amCorrigerFpsExecute},
        R{&U::amCorrigerCodec, "amCorrigerCodec", S, 0, {}, K("Ctrl+K"), 0, -1,
          M::Convert, 0, 0, {}, "CorrigerCodec", &U::amCorrigerCodecExecute},
        // Scenes
        R{&U::amCreerScenes, "amCreerScenes", S, 0, {}, K("Ctrl+S"), 0, -1,
          M::Scenes, 0, 0, {}, "CreerScenes", nullptr},
        R{&U::amScenesText, "amScenesText", S, 0, {}, 0, 0, -1,
          M::Scenes, 0, 0, {}, "ScenesText", nullptr},
        R{&U::amSupprimerScenes, "amSupprimerScenes", S, 0, {}, K("Ctrl+Z"), 0, -1,
          M::Scenes, 0, 0, {}, "SupprimerScenes", nullptr},
        R{&U::amCreer_srt, "amCreer_srt", S, 0, {}, K("Ctrl+Shift+S"), 0, -1,
          M::Scenes, sep, 0, {}, "Creer_srt", nullptr},
        R{&U::amSupprimer_Srt, "amSupprimer_Srt", S, 0, {}, K("Ctrl+Shift+Z"), 0, -1,
          M::Scenes, 0, 0, {}, "Supprimer_srt", nullptr},
        // Video
        R{&U::avPlayStop, "avPlayStop", O, sMainPlay, {}, K("Space"), 0, imPlay,
          M::Video, vwPop, 0, {}, nullptr, &U::avPlayStopExecute},
        R{&U::avFullscreen, "avFullscreen", O, sMainFullScreen, {}, K("Alt+Enter"), sMainFullScreenKey2, imFullScreen,
          M::Video, vwPop, 0, {}, nullptr, &U::avFullscreenExecute},
        R{&U::avMute, "avMute", O, sMainSoundOff, {sMainSoundHint}, K("Ctrl+M"), 0, imSound,
          M::Video, vwPop, 0, {}, nullptr, &U::avMuteExecute},
        R{&U::afIncVolume, "afIncVolume", P, sMainIncVolume, {}, 0, 0, imVolumeUp,
          M::Video, 0, 0, {}, nullptr, &U::afIncVolumeExecute},
        R{&U::afDecVolume, "afDecVolume", P, sMainDecVolume, {}, 0, 0, imVolumeDown,
          M::Video, 0, 0, {}, nullptr, &U::afDecVolumeExecute},
        R{&U::avanceLow, "avanceLow", O, sMainFrameForward, {}, K("Ctrl+Right"), 0, imForward,
          M::Video, sep, 0, {}, nullptr, &U::avanceLowExecute},
        R{&U::reculeLow, "reculeLow", O, sMainFrameBackward, {}, K("Ctrl+Left"), 0, imBackward,
          M::Video, 0, 0, {}, nullptr, &U::reculeLowExecute},
        R{&U::avanceMedium, "avanceMedium", O, sMainSecondForward, {}, K("Ctrl+Down"), 0, imForward,
          M::Video, 0, 0, {}, nullptr, &U::avanceMediumExecute},
        R{&U::ReculeMedium, "ReculeMedium", O, sMainSecondBackward, {}, K("Ctrl+Up"), 0, imBackward,
          M::Video, 0, 0, {}, nullptr, &U::ReculeMediumExecute},
        R{&U::avanceHigh, "avanceHigh", O, sMainMinuteForward, {}, K("Ctrl+PgDn"), 0, imForward,
          M::Video, 0, 0, {}, nullptr, &U::avanceHighExecute},
        R{&U::ReculeHigh, "ReculeHigh", O, sMainMinuteBackward, {}, K("Ctrl+PgUp"), 0, imBackward,
          M::Video, 0, 0, {}, nullptr, &U::ReculeHighExecute},
        R{&U::avReculeDebut, "avReculeDebut", O, sMainToStart, {}, K("Ctrl+Home"), 0, imPreviousScene,
          M::Video, 0, 0, {}, nullptr, &U::avReculeDebutExecute},
        R{&U::avAvanceFin, "avAvanceFin", O, sMainToEnd, {}, K("Ctrl+End"), 0, imNextScene,
          M::Video, 0, 0, {}, nullptr, &U::avAvanceFinExecute},
        R{&U::AvanceScene, "AvanceScene", O, sMainNextScene, {}, K("F9"), sMainNextSceneKey2, imNextScene,
          M::Video, sep, 0, {}, nullptr, &U::AvanceSceneExecute},
        R{&U::ReculeScene, "ReculeScene", O, sMainPreviousScene, {}, K("F8"), sMainPreviousSceneKey2, imPreviousScene,
          M::Video, 0, 0, {}, nullptr, &U::ReculeSceneExecute},
        R{&U::amAfficherIncrustation, "amAfficherIncrustation", O, 0, {sMainInlayHint, sMainInlayHint + 1},
          K("F12"), 0, imInlayOff, M::Video, uint16_t(sep | vwPop), 0, {}, "AfficherIncrustation", nullptr},
        R{&U::amAfficherSliders, "amAfficherSliders", O, 0, {}, K("Alt+I"), sMainShowSlidersKey2, -1,
          M::Video, vwPop, 0, {}, "AfficherSliders", nullptr},
    };
    // clang-format on
    for (U::ActionRow& row : rows)
        if (row.tch != nullptr && row.caption == 0)
            row.caption = actions::CommandCaptionId(row.tch);
    return rows;
}

} // namespace

const std::vector<TUIForm::ActionRow>& TUIForm::ActionTable()
{
    static const std::vector<ActionRow> table = MakeTable();
    return table;
}

QIcon TUIForm::ImageList(int index)
{
    if (index < 0 || index >= imCount)
        return {};
    return QApplication::style()->standardIcon(kPixmaps[index]);
}

void TUIForm::BuildActions()
{
    al.clear();
    for (const ActionRow& row : ActionTable()) {
        auto* action = new QAction(this);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setCheckable(row.flags & rfCheckable);
        action->setIcon(ImageList(row.image));
        action->setData(row.image);
        if (row.key != 0)
            action->setShortcut(vcl::ToKeySequence(row.key));
        this->*row.action = action;
        addAction(action); // its keys work whatever menu shows it
        al.push_back(Command{&row, action, {}, -1, nullptr});
    }
    for (Command& command : al) {
        QAction* action = command.Action;
        connect(action, &QAction::triggered, this, [this, action] {
            if (Command* c = CommandOf(action))
                ExecuteCommand(*c);
        });
    }
    BuildMenus();
    BuildToolBars();
}

void TUIForm::BuildMenus()
{
    auto top = [this](const char* name) {
        auto* menu = new vcl::KeyMenu(this);
        menu->setObjectName(QString::fromLatin1(name));
        menuBar()->addMenu(menu);
        return menu;
    };
    Fichiers1 = top("Fichiers1");
    Ordrealphabtique1 = top("Ordrealphabtique1");
    Renommer1 = top("Renommer1");
    Convertir1 = top("Convertir1");
    Exporter1 = top("Exporter1");
    Vido1 = top("Vido1");
    PopupMenu1 = new vcl::KeyMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    OrdreAlphabtique2 = new vcl::KeyMenu(this);
    OrdreAlphabtique2->setObjectName(QStringLiteral("OrdreAlphabtique2"));
    vwpopup = new vcl::KeyMenu(this);
    vwpopup->setObjectName(QStringLiteral("vwpopup"));
    const std::pair<MenuPlace, QMenu*> menus[] = {{MenuPlace::Files, Fichiers1},  {MenuPlace::Sort, Ordrealphabtique1},
                                                  {MenuPlace::Rename, Renommer1}, {MenuPlace::Convert, Convertir1},
                                                  {MenuPlace::Scenes, Exporter1}, {MenuPlace::Video, Vido1}};
    for (const Command& command : al) {
        const ActionRow& row = *command.Row;
        for (const auto& [place, menu] : menus)
            if (row.menu == place) {
                if ((row.flags & rfSeparator) && !menu->isEmpty())
                    menu->addSeparator();
                menu->addAction(command.Action);
            }
        if (row.flags & rfPopup) {
            if (row.flags & rfPopupSeparator)
                PopupMenu1->addSeparator();
            PopupMenu1->addAction(command.Action);
        }
        if (row.flags & rfSortPopup)
            OrdreAlphabtique2->addAction(command.Action);
        if (row.flags & rfVideoPopup)
            vwpopup->addAction(command.Action);
    }
    // The sort sub-menu goes before the selection's commands.
    PopupMenu1->insertMenu(afSelectionnerTout, OrdreAlphabtique2);
    PopupMenu1->insertSeparator(afSelectionnerTout);
}

void TUIForm::BuildToolBars()
{
    // Each button is its command's: its state, picture, tool tip and key follow the action.
    for (const Command& command : al) {
        const ActionRow& row = *command.Row;
        if (row.bar == 0)
            continue;
        QToolBar* bar = row.bar == 1 ? ToolBar1 : ToolBar2;
        bar->addAction(command.Action);
        auto* button = static_cast<QToolButton*>(bar->widgetForAction(command.Action));
        button->setObjectName(QStringLiteral("ToolButton_") + QString::fromLatin1(row.name));
        button->setFixedSize(26, 26); // the design's
        ToolButtons.push_back(button);
    }
}

TUIForm::Command* TUIForm::FindCommand(const std::string& name)
{
    for (Command& command : al)
        if (name == command.Row->name)
            return &command;
    return nullptr;
}

TUIForm::Command* TUIForm::CommandOf(const QAction* action)
{
    for (Command& command : al)
        if (command.Action == action)
            return &command;
    return nullptr;
}

void TUIForm::ExecuteCommand(Command& command)
{
    if (closing_)
        return;
    try {
        if (command.Row->execute)
            (this->*command.Row->execute)();
        else if (command.FileAction)
            RunFileCommand(command);
    } catch (const std::exception& e) {
        dialogs_.MessageDlg(e.what(), shell::MsgDlgType::mtError, shell::mbOK);
    }
}

} // namespace ui
