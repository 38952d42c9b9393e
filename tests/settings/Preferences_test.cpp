// The preference store: defaults, typed round trips, what bad stored data turns into, deletion.
#include <cmath>
#include <functional>
#include <limits>

#include "platform/registry/Registry.h"
#include "platform/shell/Prompter.h"
#include "settings/Preferences.h"
#include "tests/settings/SettingsFixture.h"

namespace {

using namespace settings;
using shell::ModalResult;

const ScreenGeometry kScreen{1920, 1080, 800, 601};

class PreferencesTest : public SettingsFixture {
protected:
    // Saves the defaults so the product key exists, then opens it for hand edits.
    void SaveDefaultsAndOpen(reg::TRegistry& r)
    {
        LoadPreferences(kScreen);
        ASSERT_TRUE(SavePreferences());
        ASSERT_TRUE(r.OpenKey(ProductKey, false));
    }
    void Reload()
    {
        reg::ReloadHives();
        LoadPreferences(kScreen);
    }
};

TEST_F(PreferencesTest, FirstRunTakesTheDefaultsAndWritesNothing)
{
    FrequenceDV = 0;
    ActionStates = {{"stale", 1}};
    LoadPreferences(kScreen);
    EXPECT_EQ(Top, 239);
    EXPECT_EQ(Left, 560);
    EXPECT_TRUE(Sendto);
    EXPECT_EQ(FrequenceDV, 2);
    EXPECT_EQ(DossierPourSauver, documents.string());
    EXPECT_EQ(DossierDesPlayList, documents.string());
    EXPECT_EQ(FormatPourAjouterDatecode, "yyyy.mm.dd_hh.nn.ss_am/pm");
    EXPECT_TRUE(ActionStates.empty());
    EXPECT_FALSE(std::filesystem::exists(hkcu()));
    LoadPreferences({100, 100, 301, 301}); // a window larger than the screen: truncated toward zero
    EXPECT_EQ(Top, -100);
}

TEST_F(PreferencesTest, ValuesOfEveryKindSurviveSaveAndLoadWithTheirTypes)
{
    LoadPreferences(kScreen);
    Top = -5;
    OrdreDeLaListe = 3;
    SauverPreferencesEnQuittant = false;
    SelectionnerALOuverture = true;
    DossierPourOuvrirFichiers = "/home/josé/Vidéos 日本";
    RacinePourRenommer = "Clip «été»_";
    DecalageHoraire = -1.0 / 24 + 1e-9;
    AjoutAvant = true;
    IncrustFont = FontSpec{"Liberation Serif", 12, 0x00FF8040, fsItalic | fsStrikeOut, 1};
    VersionText = "1.2";
    ASSERT_TRUE(SavePreferences());

    Reload();
    EXPECT_EQ(Top, -5);
    EXPECT_EQ(OrdreDeLaListe, 3);
    EXPECT_FALSE(SauverPreferencesEnQuittant);
    EXPECT_TRUE(SelectionnerALOuverture);
    EXPECT_EQ(DossierPourOuvrirFichiers, "/home/josé/Vidéos 日本");
    EXPECT_EQ(RacinePourRenommer, "Clip «été»_");
    EXPECT_EQ(DecalageHoraire, -1.0 / 24 + 1e-9); // bit for bit
    EXPECT_TRUE(AjoutAvant);
    EXPECT_EQ(IncrustFont.Name, "Liberation Serif");
    EXPECT_EQ(IncrustFont.Size, 12);
    EXPECT_EQ(IncrustFont.Color, 0x00FF8040u);
    EXPECT_EQ(IncrustFont.Style, fsItalic | fsStrikeOut);
    EXPECT_EQ(IncrustStyleItalic, 1);

    reg::TRegistry r;
    ASSERT_TRUE(r.OpenKey(ProductKey, false));
    EXPECT_EQ(r.GetDataType("Volume"), reg::DataType::Integer);
    EXPECT_EQ(r.GetDataType("Décalage Horaire"), reg::DataType::Binary);
    EXPECT_EQ(r.GetDataSize("Décalage Horaire"), 8);
    EXPECT_EQ(r.ReadString("version"), "Morvel 1.2 En by Ivor Varnet");
    EXPECT_EQ(r.ReadString("Fichier F3"), EmptyMarker);
    EXPECT_EQ(r.ReadString("Dernière Sauvegarde").size(), std::string("yyyy/mm/dd hh:nn:ss am").size());
    const auto names = r.GetValueNames();
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(names[0], "version");
    EXPECT_EQ(names[3], "Top");
    EXPECT_EQ(names.back(), "Ajout Avant");
}

TEST_F(PreferencesTest, AnEmptiedStringStaysEmptyButAFolderOrADeletedValueTakesItsDefault)
{
    LoadPreferences(kScreen);
    FormatPourIncrusterDatecode2 = "";
    DossierPourSauver = "";
    ASSERT_TRUE(SavePreferences());
    EXPECT_EQ(FormatPourIncrusterDatecode2, ""); // the marker is only on disk
    Reload();
    EXPECT_EQ(FormatPourIncrusterDatecode2, "");
    EXPECT_EQ(DossierPourSauver, documents.string());

    reg::TRegistry r;
    ASSERT_TRUE(r.OpenKey(ProductKey, false));
    ASSERT_TRUE(r.DeleteValue("Format pour Incruster Datecode2"));
    ASSERT_TRUE(r.DeleteValue("Sendto"));
    ASSERT_TRUE(r.Flush());
    Reload();
    EXPECT_EQ(FormatPourIncrusterDatecode2, "tt");
    EXPECT_FALSE(Sendto);
}

TEST_F(PreferencesTest, ValuesOfTheWrongTypeTakeTheirDefaults)
{
    reg::TRegistry r;
    SaveDefaultsAndOpen(r);
    r.WriteString("Volume", "5");
    r.WriteBinaryData("Décalage Horaire", std::string(4, '\x40')); // a 4-byte float
    r.WriteInteger("Format pour Afficher Datecode", 7);
    r.WriteString("is Mute on", "1");
    ASSERT_TRUE(r.Flush());
    Reload();
    EXPECT_EQ(Volume, 10000);
    EXPECT_EQ(DecalageHoraire, 0.0);
    EXPECT_EQ(FormatPourAfficherDatecode, "ddddd hh:nn:ss");
    EXPECT_FALSE(IsMuteOn);
    r.WriteFloat("Décalage Horaire", std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(r.Flush());
    Reload();
    EXPECT_EQ(DecalageHoraire, 0.0);
}

TEST_F(PreferencesTest, OutOfRangeValuesTakeTheirDefaults)
{
    // One value of each kind of range: the table gives every value its own. 8-bit values are
    // checked before truncation: 259 must not pass as 3.
    const struct {
        const char* name;
        int32_t stored[2];
        int32_t want;
        std::function<int32_t()> now;
    } cases[] = {
        {"Ordre de la Liste", {259, -1}, 0, [] { return OrdreDeLaListe; }},
        {"Standard par défaut", {0, 258}, 1, [] { return StandardParDefaut; }},
        {"Volume", {10001, -1}, 10000, [] { return Volume; }},
        {"Durée Incrustation", {-1, -100}, 5, [] { return DureeIncrustation; }},
    };
    for (int round = 0; round < 2; ++round) {
        reg::TRegistry r;
        SaveDefaultsAndOpen(r);
        for (const auto& c : cases)
            r.WriteInteger(c.name, c.stored[round]);
        ASSERT_TRUE(r.Flush());
        Reload();
        for (const auto& c : cases)
            EXPECT_EQ(c.now(), c.want) << c.name << " stored as " << c.stored[round];
    }

    reg::TRegistry r;
    ASSERT_TRUE(r.OpenKey(std::string(ProductKey) + "\\IncrustFont", false));
    r.WriteInteger("Size", 0);
    r.WriteString("Name", "");
    ASSERT_TRUE(r.Flush());
    Reload();
    EXPECT_EQ(IncrustFont.Size, 48);
    EXPECT_EQ(IncrustFont.Name, "Arial");
}

TEST_F(PreferencesTest, ActionsAreRebuiltInListOrderAndOnesOfAnotherTypeLeftOut)
{
    LoadPreferences(kScreen);
    ActionStates = {{"amRenommer", 1}, {"amGone", 0}, {"afTag", -1}};
    ASSERT_TRUE(SavePreferences());
    ActionStates = {{"afTag", 1}, {"amRenommer", 0}, {"b", 0}};
    ASSERT_TRUE(SavePreferences());
    Reload();
    ASSERT_EQ(ActionStates.size(), 3u);
    EXPECT_EQ(ActionStates[0].Name, "afTag");
    EXPECT_EQ(ActionStates[0].State, 1);
    EXPECT_EQ(ActionStates[1].Name, "amRenommer");
    EXPECT_EQ(ActionStates[1].State, 0);

    reg::TRegistry r;
    ASSERT_TRUE(r.OpenKey(std::string(ProductKey) + "\\Actions", false));
    r.WriteString("afTag", "yes");
    ASSERT_TRUE(r.Flush());
    Reload();
    ASSERT_EQ(ActionStates.size(), 2u);
    EXPECT_EQ(ActionStates[0].Name, "amRenommer");
    EXPECT_EQ(Volume, 10000); // the rest of the load went on
}

TEST_F(PreferencesTest, TheCaptureProgramIsFoundUnderItsOwnKey)
{
    reg::TRegistry r;
    ASSERT_TRUE(r.OpenKey(KestromKey, true));
    r.WriteString("exename", "/opt/kestrom/kestrom");
    ASSERT_TRUE(r.Flush());
    LoadPreferences(kScreen); // first run
    EXPECT_EQ(FichierKestrom, "/opt/kestrom/kestrom");

    FichierKestrom = "/usr/local/bin/own";
    ASSERT_TRUE(SavePreferences());
    Reload();
    EXPECT_EQ(FichierKestrom, "/usr/local/bin/own");

    FichierKestrom = ""; // emptied by the user: stays empty
    ASSERT_TRUE(SavePreferences());
    Reload();
    EXPECT_EQ(FichierKestrom, "");
}

TEST_F(PreferencesTest, ADamagedHiveLoadsTheDefaults)
{
    std::filesystem::create_directories(dir.path() / "registry");
    testkit::WriteFileBytes(hkcu(), "[Software\\Ivor Varnet\\Morvel]\n\"Volume\"=dword:5\ngarbage\n");
    testing::internal::CaptureStderr();
    LoadPreferences(kScreen);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(Volume, 10000);
    EXPECT_TRUE(Sendto);
}

TEST_F(PreferencesTest, AFailedSaveReportsItAndLeavesTheOldFile)
{
    LoadPreferences(kScreen);
    ASSERT_TRUE(SavePreferences());
    const std::string before = testkit::ReadFileBytes(hkcu());
    testkit::FileFault fault(testkit::FileFault::Step::Rename);
    Volume = 1;
    EXPECT_FALSE(SavePreferences());
    EXPECT_EQ(testkit::ReadFileBytes(hkcu()), before);
}

class DeletePreferencesTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        LoadPreferences(kScreen);
        ASSERT_TRUE(SavePreferences());
    }
};

TEST_F(DeletePreferencesTest, OnlyOurKeyGoesWhenAnotherProductKeepsOne)
{
    {
        reg::TRegistry r;
        ASSERT_TRUE(r.OpenKey(KestromKey, true));
        r.WriteString("exename", "/k");
    }
    shell::ScriptedPrompter prompter({ModalResult::mrYes, ModalResult::mrOk});
    EXPECT_EQ(DeletePreferences(prompter), DeleteOutcome::Deleted);
    ASSERT_EQ(prompter.shown().size(), 2u);
    EXPECT_EQ(prompter.shown()[0].text,
              "Do you really want to delete the preferences of Morvel\r\nfrom your registry?");
    EXPECT_EQ(prompter.shown()[0].buttons, shell::mbYes | shell::mbNo);
    EXPECT_EQ(prompter.shown()[1].text, "Morvel has been completely deleted from your registry.");
    reg::ReloadHives(); // what is on disk
    reg::TRegistry r;
    EXPECT_FALSE(r.KeyExists(ProductKey));
    EXPECT_TRUE(r.KeyExists(KestromKey));
}

TEST_F(DeletePreferencesTest, TheAuthorKeyGoesWhenNothingElseIsInIt)
{
    shell::ScriptedPrompter prompter({ModalResult::mrYes});
    EXPECT_EQ(DeletePreferences(prompter), DeleteOutcome::Deleted);
    reg::ReloadHives();
    reg::TRegistry r;
    EXPECT_FALSE(r.KeyExists(AuthorKey));
    EXPECT_TRUE(r.KeyExists("\\Software"));
}

TEST_F(DeletePreferencesTest, NoCancelsMissingIsNotFoundAndAnUnsavedDeletionFails)
{
    shell::ScriptedPrompter no({ModalResult::mrNo});
    EXPECT_EQ(DeletePreferences(no), DeleteOutcome::Cancelled);
    EXPECT_EQ(no.shown().size(), 1u);
    EXPECT_TRUE(reg::TRegistry().KeyExists(ProductKey));

    {
        testkit::FileFault fault(testkit::FileFault::Step::Rename);
        shell::ScriptedPrompter failed({ModalResult::mrYes});
        EXPECT_EQ(DeletePreferences(failed), DeleteOutcome::Failed);
        ASSERT_EQ(failed.shown().size(), 2u);
        EXPECT_EQ(failed.shown()[1].text, "The preferences of Morvel could not be deleted from your registry.");
        EXPECT_EQ(failed.shown()[1].type, shell::MsgDlgType::mtError);
    }
    reg::ReloadHives();
    EXPECT_TRUE(reg::TRegistry().KeyExists(ProductKey)); // still on disk, as the message says

    shell::ScriptedPrompter first({ModalResult::mrYes});
    ASSERT_EQ(DeletePreferences(first), DeleteOutcome::Deleted);
    shell::ScriptedPrompter again({ModalResult::mrYes});
    EXPECT_EQ(DeletePreferences(again), DeleteOutcome::NotFound);
    ASSERT_EQ(again.shown().size(), 2u);
    EXPECT_EQ(again.shown()[1].text, "The preferences of Morvel were not found in the registry.");
    EXPECT_EQ(again.shown()[1].type, shell::MsgDlgType::mtWarning);
}

} // namespace
