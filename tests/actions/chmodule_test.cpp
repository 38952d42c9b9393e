// The module's catalogue: order, texts, letters, keys, runners and update kinds, the texts of
// the string table, and the file and general conditions over objects of every kind.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "actions/aviFichier.h"
#include "actions/chmodule.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/SysUtils.h"
#include "settings/Preferences.h"
#include "tests/kit/TempDir.h"

using namespace actions;

namespace {

// The catalogue's names in stream order with their command-line letters. Captions, messages,
// runners and update kinds are the catalogue's own table and are not copied here.
// clang-format off
const std::pair<const char*, const char*> kNamesAndLetters[] = {
    {"DossierParent", ""}, {"SupprimerFichier", "e"}, {"oterfichier", ""}, {"Anniversaire2502", ""},
    {"RiffHeader", ""}, {"DefaultPlayer", ""}, {"AjouterTimecode", "t"}, {"AjouterDateCode", "d"},
    {"PurgerNom", "q"}, {"FileDate", "b"}, {"RenameScAn", "r"}, {"DVtype1", "1"}, {"DVType2", "2"},
    {"Ntsc", "n"}, {"Pal", "p"}, {"IncrusterDatecode", "i"}, {"ConvertirDV", "g"}, {"CreerScenes", "s"},
    {"SupprimerScenes", "z"}, {"ExtraireAudio", "w"}, {"CorrigerFps", ""}, {"ScenesText", "x"},
    {"Kestrom", ""}, {"AfficherIncrustation", ""}, {"AfficherSliders", ""}, {"DecalerHoraire", ""},
    {"CorrigerCodec", ""}, {"CorrigerType2", ""}, {"OpenFichierF3", ""}, {"OpenFichierF4", ""},
    {"Creer_srt", ""}, {"Supprimer_srt", ""},
};
// clang-format on

// The actions that ask before they act.
const std::set<std::string> kAsking = {"SupprimerFichier",
                                       "Anniversaire2502",
                                       "AjouterTimecode",
                                       "AjouterDateCode",
                                       "PurgerNom",
                                       "FileDate",
                                       "RenameScAn",
                                       "DVtype1",
                                       "DVType2",
                                       "Ntsc",
                                       "Pal",
                                       "IncrusterDatecode",
                                       "ConvertirDV",
                                       "CreerScenes",
                                       "SupprimerScenes",
                                       "ExtraireAudio",
                                       "CorrigerFps",
                                       "ScenesText",
                                       "DecalerHoraire",
                                       "CorrigerCodec",
                                       "CorrigerType2",
                                       "Creer_srt",
                                       "Supprimer_srt"};

// The keys the window gives its commands, the file commands included.
const std::pair<const char*, const char*> kWindowKeys[] = {
    {"afQuitter", "Alt+F4"},
    {"afQuitter", "Ctrl+Q"},
    {"afOuvrirFichiers", "Ctrl+O"},
    {"afCollerFichiers", "Ctrl+V"},
    {"afBasculerListe", "F6"},
    {"afViderListe", "Ctrl+Del"},
    {"afOuvrirDossierPrefere", "F7"},
    {"afOuvrirunDossier", "Ctrl+L"},
    {"afOuvrirTout", "Ctrl+F7"},
    {"afInterrompre", "Esc"},
    {"afInterrompreTous", "Shift+Esc"},
    {"afSelectionnerTout", "Ctrl+A"},
    {"afApropos", "F1"},
    {"afOptions", "F10"},
    {"afSauverListe", "Ctrl+J"},
    {"afOuvrirPlayList", "Ctrl+U"},
    {"afOuvrirDefaultPlayList", "Shift+F7"},
    {"alTriDatecode", "Alt+D"},
    {"afOrdreAlpha", "Alt+A"},
    {"alTriTaille", "Alt+S"},
    {"alTrierModify", "Alt+F"},
    {"avPlayStop", "Space"},
    {"avFullscreen", "Alt+Enter"},
    {"avFullscreen", "F11"},
    {"avMute", "Ctrl+M"},
    {"avanceLow", "Ctrl+Right"},
    {"reculeLow", "Ctrl+Left"},
    {"avanceMedium", "Ctrl+Down"},
    {"ReculeMedium", "Ctrl+Up"},
    {"avanceHigh", "Ctrl+PgDn"},
    {"ReculeHigh", "Ctrl+PgUp"},
    {"avAvanceFin", "Ctrl+End"},
    {"avReculeDebut", "Ctrl+Home"},
    {"AvanceScene", "F9"},
    {"AvanceScene", "Ctrl+F9"},
    {"ReculeScene", "F8"},
    {"ReculeScene", "Ctrl+F8"},
    {"amDossierParent", "Ctrl+F"},
    {"amRiffHeader", "Ctrl+H"},
    {"amDefaultPlayer", "F5"},
    {"afKestrom", "F2"},
    {"amAfficherIncrustation", "F12"},
    {"amAfficherSliders", "Alt+I"},
    {"amOterFichier", "Del"},
    {"amAjouterDatecode", "Ctrl+D"},
    {"amAjouterTimecode", "Ctrl+T"},
    {"amRenameScAn", "Ctrl+R"},
    {"amSupprimerFichier", "Shift+Del"},
    {"amSupprimerScenes", "Ctrl+Z"},
    {"amCorrigerFps", "Ctrl+Y"},
    {"amCorrigerCodec", "Ctrl+K"},
    {"amOpenFichierF3", "F3"},
    {"amOpenFichierF4", "F4"},
    {"amSupprimer_Srt", "Ctrl+Shift+Z"},
    {"amDVType1", "Ctrl+1"},
    {"amDVType2", "Ctrl+2"},
    {"amNTSC", "Ctrl+N"},
    {"amPal", "Ctrl+P"},
    {"amIncrusterDatecode", "Ctrl+I"},
    {"amConvertirDV", "Ctrl+G"},
    {"amCreerScenes", "Ctrl+S"},
    {"amExtraireAudio", "Ctrl+W"},
    {"amDecalerHoraire", "Ctrl+E"},
    {"amCorrigertype2", "Ctrl+Shift+2"},
    {"amCreer_srt", "Ctrl+Shift+S"},
};

// The window command an action is bound to.
std::string CommandOf(const std::string& action)
{
    return action == "Kestrom" ? "afkestrom" : "am" + rtl::LowerCase(action);
}

} // namespace

TEST(Catalogue, HoldsTheActionsInStreamOrderWithUniqueLetters)
{
    Tch ch;
    ASSERT_EQ(std::size(kNamesAndLetters), Tch::kActionCount);
    std::set<std::string> letters;
    for (size_t i = 0; i < Tch::kActionCount; ++i) {
        const tFileAction& a = ch.Actions()[i];
        SCOPED_TRACE(kNamesAndLetters[i].first);
        EXPECT_EQ(a.Name, kNamesAndLetters[i].first);
        EXPECT_EQ(a.Switch(), kNamesAndLetters[i].second);
        EXPECT_TRUE(a.Switch().empty() || letters.insert(a.Switch()).second) << "letter used twice";
        EXPECT_EQ(a.Modele, a.Name == "ScenesText" ? "CreerScenes" : "");
        EXPECT_TRUE(a.OnExecution); // every action works
        EXPECT_EQ(static_cast<bool>(a.OnConfirmation), kAsking.count(a.Name) == 1);
    }
}

TEST(Catalogue, KeysAreUniqueAndEachIsItsOwnCommandsKeyInTheWindow)
{
    const std::vector<ActionKey> keys = CatalogueKeys();
    EXPECT_EQ(keys.size(), 19u);
    std::set<rtl::TShortCut> seen;
    for (const ActionKey& k : keys) {
        SCOPED_TRACE(std::string(k.Name));
        EXPECT_NE(k.Key, 0);
        EXPECT_TRUE(seen.insert(k.Key).second);
        const std::string own = CommandOf(std::string(k.Name));
        for (const auto& [command, text] : kWindowKeys) {
            const bool same = rtl::TextToShortCut(text) == k.Key;
            if (rtl::LowerCase(command) == own)
                EXPECT_TRUE(same) << command << " has " << text; // the catalogue takes the window's keys
            else
                EXPECT_FALSE(same) << command << " answers " << text << " too";
        }
    }
    // Every window key text is one the runtime reads.
    for (const auto& [command, text] : kWindowKeys)
        EXPECT_NE(rtl::TextToShortCut(text), 0) << text;
}

// The string table's English replaces the form's texts where it survives, never the mended keys.
TEST(Catalogue, LocaliseTakesTheStringTablesEnglishButKeepsTheKeys)
{
    const Tch french;
    Tch ch;
    ch.Action("ScenesText").Modele.clear();
    ch.Localise();
    for (size_t i = 0; i < Tch::kActionCount; ++i)
        EXPECT_EQ(ch.Actions()[i].ShortcutText(), french.Actions()[i].ShortcutText()) << ch.Actions()[i].Name;
    EXPECT_EQ(ch.Action("Anniversaire2502").Caption, "Birthday");
    EXPECT_EQ(ch.Action("Ntsc").MonoMessage, "Converting \"%s\" into NTSC");
    EXPECT_EQ(ch.Action("DVtype1").Caption, "Convertir en DV Type 1"); // no English survives
    EXPECT_EQ(ch.Action("ExtraireAudio").MonoMessage, "En train d'extraire l'audio de \"%s\"");
    EXPECT_EQ(ch.Action("RiffHeader").MonoMessage, "");
    EXPECT_EQ(ch.Action("ScenesText").Modele, "CreerScenes");
}

namespace {

// Objects of every kind the conditions tell apart.
struct Kind {
    const char* what;
    void (*make)(TAfficherFichier&);
};

void DvValid(TAfficherFichier& f, int type, const char* codec, uint8_t standard)
{
    f.Valid = true;
    f.DVType = type;
    f.Codec = codec;
    f.Standard = standard;
    f.Image = standard == 1 ? "720 x 576 (Pal 4x3)" : "720 x 480 (NTSC 4x3)";
    f.Audio1 = "48000赫兹 16 比特  立体声";
    f.Datecode = "31/12/2006 23:59:58";
    f.Timecode = "00.00.01.00";
}

const Kind kKinds[] = {
    {"type 1 PAL", [](TAfficherFichier& f) { DvValid(f, 1, "dvsd", 1); }},
    {"type 1 CDVC", [](TAfficherFichier& f) { DvValid(f, 1, "CDVC", 1); }},
    {"type 2 NTSC from iavs",
     [](TAfficherFichier& f) {
         DvValid(f, 2, "dvsd", 2);
         f.Type2Iavs = true;
     }},
    {"type 2 PAL, read-only, undated, with scn and srt",
     [](TAfficherFichier& f) {
         DvValid(f, 2, "dvsd", 1);
         f.Datecode = "N/A";
         f.Timecode = "N/A";
         f.Attributes = faReadOnly;
         f.ScnExists = f.SrtExists = true;
     }},
    {"not DV",
     [](TAfficherFichier& f) {
         f.Codec = "MJPG";
         f.Image = "320 x 240";
         f.Audio1 = "44100赫兹 16 比特  单声道";
         f.Datecode = f.Timecode = "-";
     }},
    {"sound only",
     [](TAfficherFichier& f) {
         f.Image = "N/A";
         f.Audio1 = "22050赫兹 16 比特  单声道";
         f.Datecode = f.Timecode = "-";
     }},
    // Empty texts: the date and time-code actions must not take them for a date.
    {"unreadable",
     [](TAfficherFichier& f) {
         f.Image = f.Audio1 = "N/A";
         f.Datecode = f.Timecode = "";
     }},
};

} // namespace

TEST(Conditions, EachActionOnEachKindOfFile)
{
    // Per action, per kind in kKinds' order: "VE" shown and enabled, "V-" shown only, "-E", "--".
    // Both flags are preset; a condition that sets one leaves the other (SupprimerScenes' "V-").
    const std::map<std::string, std::vector<std::string>> want = {
        {"SupprimerFichier", {"VE", "VE", "VE", "--", "VE", "VE", "VE"}},
        {"AjouterTimecode", {"VE", "VE", "VE", "--", "--", "--", "--"}},
        {"AjouterDateCode", {"VE", "VE", "VE", "--", "--", "--", "--"}},
        {"FileDate", {"VE", "VE", "VE", "--", "--", "--", "--"}},
        {"RenameScAn", {"VE", "VE", "VE", "--", "--", "--", "--"}},
        {"DVtype1", {"--", "--", "VE", "VE", "--", "--", "--"}},
        {"DVType2", {"VE", "--", "--", "--", "--", "--", "--"}},
        {"Ntsc", {"VE", "--", "--", "VE", "--", "--", "--"}},
        {"Pal", {"--", "--", "VE", "--", "--", "--", "--"}},
        {"IncrusterDatecode", {"VE", "--", "VE", "VE", "--", "--", "--"}},
        {"ConvertirDV", {"V-", "V-", "V-", "V-", "VE", "-E", "-E"}},
        {"CreerScenes", {"VE", "VE", "VE", "VE", "VE", "-E", "-E"}},
        {"ScenesText", {"VE", "VE", "VE", "VE", "VE", "-E", "-E"}},
        {"Creer_srt", {"VE", "VE", "VE", "VE", "VE", "-E", "-E"}},
        {"SupprimerScenes", {"V-", "V-", "V-", "VE", "V-", "V-", "V-"}},
        {"Supprimer_srt", {"V-", "V-", "V-", "VE", "V-", "V-", "V-"}},
        {"ExtraireAudio", {"VE", "-E", "VE", "VE", "VE", "VE", "--"}},
        {"CorrigerFps", {"V-", "V-", "VE", "VE", "VE", "VE", "VE"}},
        {"AfficherIncrustation", {"VE", "V-", "VE", "VE", "V-", "V-", "V-"}},
        {"AfficherSliders", {"VE", "V-", "VE", "VE", "V-", "V-", "V-"}},
        {"DecalerHoraire", {"VE", "VE", "VE", "VE", "--", "--", "--"}},
        {"CorrigerType2", {"--", "--", "VE", "--", "--", "--", "--"}},
    };
    Tch ch;
    size_t withCondition = 0;
    for (const tFileAction& a : ch.Actions()) {
        if (!a.OnFileCondition || a.Name == "PurgerNom") // the name's own test is below
            continue;
        ++withCondition;
        ASSERT_TRUE(want.count(a.Name)) << a.Name;
        for (size_t k = 0; k < std::size(kKinds); ++k) {
            TAfficherFichier f("/no/such/clip.avi");
            kKinds[k].make(f);
            bool visible = true, enabled = true;
            TParam p;
            a.OnFileCondition(p, f, visible, enabled);
            const std::string got = std::string(visible ? "V" : "-") + (enabled ? "E" : "-");
            EXPECT_EQ(got, want.at(a.Name)[k]) << a.Name << " on " << kKinds[k].what;
        }
    }
    EXPECT_EQ(withCondition, want.size());
}

TEST(Conditions, ShorteningIsOfferedOnlyForAStrippableLastPartOfTheBareName)
{
    const std::pair<const char*, bool> cases[] = {
        {"/v/clip_type2_in(1).avi", false}, // "(1)" does not follow a "_"
        {"/v/clip_type2_in_(1).avi", true}, {"/v/clip_final_2.avi", true}, {"/v/clip_final.avi", false},
        {"/v/clip_ PAL .avi", true},        {"/v/clip_.avi", true},        {"/v/clip.avi", false},
        {"/dv_2006/123.avi", false}, // a "_" of the folder is not part of the name
        {"/v/clip_DVType2.AVI", true},
    };
    Tch ch;
    for (const auto& [path, offered] : cases) {
        const TAfficherFichier f(path);
        bool visible = !offered, enabled = !offered;
        TParam p;
        ch.Action("PurgerNom").OnFileCondition(p, f, visible, enabled);
        EXPECT_EQ(visible, offered) << path;
        EXPECT_EQ(enabled, offered) << path;
    }
    EXPECT_TRUE(IsStrippableNamePart(""));
    EXPECT_TRUE(IsStrippableNamePart("2006.12.07"));
    EXPECT_FALSE(IsStrippableNamePart("(take1"));
}

TEST(Conditions, GeneralConditionsFollowTheProgramsAndTheDate)
{
    testkit::TempDir dir;
    const std::string program = dir.file("kestrom");
    testkit::WriteFileBytes(program, "#!/bin/sh\n");
    const std::string saved[] = {settings::FichierKestrom, settings::FichierF3, settings::FichierF4};
    settings::FichierKestrom = program;
    settings::FichierF3 = dir.file("missing");
    settings::FichierF4 = dir.path().string(); // a folder is no program
    Tch ch;
    auto shown = [&](const char* name) {
        bool visible = true;
        TParam p;
        ch.Action(name).OnGeneralCondition(p, visible);
        return visible;
    };
    EXPECT_TRUE(shown("Kestrom"));
    EXPECT_FALSE(shown("OpenFichierF3"));
    EXPECT_FALSE(shown("OpenFichierF4"));
    EXPECT_TRUE(shown("IncrusterDatecode"));
    EXPECT_TRUE(shown("AfficherIncrustation"));
    EXPECT_TRUE(shown("AfficherSliders"));
    rtl::SetClock([] { return rtl::EncodeDateTime(2007, 2, 25, 23, 59, 0, 0); });
    EXPECT_TRUE(shown("Anniversaire2502"));
    rtl::SetClock([] { return rtl::EncodeDateTime(2007, 2, 26, 0, 0, 0, 0); });
    EXPECT_FALSE(shown("Anniversaire2502"));
    rtl::SetClock({});
    settings::FichierKestrom = saved[0];
    settings::FichierF3 = saved[1];
    settings::FichierF4 = saved[2];
}
