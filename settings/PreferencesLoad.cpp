// Reading the preferences: every value on its own, so one bad value costs only itself.
#include <cmath>
#include <limits>

#include "platform/registry/Registry.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"

namespace settings {

namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

int32_t ReadInt(reg::TRegistry& r, const char* name, int32_t def, int32_t lo = kIntMin, int32_t hi = kIntMax)
{
    try {
        const int32_t v = r.ReadInteger(name);
        return v >= lo && v <= hi ? v : def;
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

// An 8-bit preference is stored as a DWORD; the range is checked on the whole stored value so
// that 256 is not taken for 0.
uint8_t ReadByte(reg::TRegistry& r, const char* name, uint8_t def, int32_t lo, int32_t hi)
{
    return static_cast<uint8_t>(ReadInt(r, name, def, lo, hi) & 0xFF);
}

bool ReadBool(reg::TRegistry& r, const char* name, bool def)
{
    try {
        return r.ReadBool(name);
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

double ReadFloat(reg::TRegistry& r, const char* name, double def)
{
    try {
        const double v = r.ReadFloat(name);
        return std::isfinite(v) ? v : def; // a NaN offset would poison every shifted date
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

std::string ReadStr(reg::TRegistry& r, const char* name, const std::string& def)
{
    try {
        return r.ReadString(name);
    } catch (const reg::ERegistryException&) {
        return def;
    }
}

void SetDefaults(const ScreenGeometry& screen)
{
    Top = (screen.screenHeight - screen.windowHeight) / 2;
    Left = (screen.screenWidth - screen.windowWidth) / 2;
    OrdreDeLaListe = 0;
    SauverPreferencesEnQuittant = true;
    SelectionnerALOuverture = false;
    SauverListeEnQuittant = false;
    PrevisualiserDVEnDemiFormat = true;
    SauverDansLeMemeDossier = true;
    DossierPourOuvrirFichiers.clear();
    DossierAOuvertureAuto.clear();
    DossierPourSauver.clear();
    DossierDesPlayList.clear();
    FichierKestrom.clear();
    FichierF3.clear();
    FichierF4.clear();
    StandardParDefaut = 1;
    FrequenceDV = 2;
    Volume = 10000;
    FormatPourAjouterDatecode.clear();
    FormatPourAfficherDatecode = "ddddd hh:nn:ss";
    FormatPourIncrusterDatecode1 = "ddddd";
    FormatPourIncrusterDatecode2 = "tt";
    FormatPourRenommer.clear();
    RacinePourRenommer.clear();
    StandardFontSize = true;
    WhenIncrust = 1;
    AutoIncrust = 0;
    WhatIncrust = 0;
    Alignement = 2;
    DureeIncrustation = 5;
    DecalageHoraire = 0.0;
    Sendto = true; // a first run offers the program for AVI files
    IncrustPositionX = 920;
    IncrustPositionY = 920;
    IsMuteOn = false;
    IsIncrustOn = false;
    IncrustSlidersVisible = false;
    DecalageAvance = false;
    AjoutAvant = false;
}

void ReadValues(reg::TRegistry& r, const ScreenGeometry& screen)
{
    Top = ReadInt(r, "Top", (screen.screenHeight - screen.windowHeight) / 2);
    Left = ReadInt(r, "Left", (screen.screenWidth - screen.windowWidth) / 2);
    OrdreDeLaListe = ReadByte(r, "Ordre de la Liste", 0, 0, 3);
    SauverPreferencesEnQuittant = ReadBool(r, "Sauver préférences en quittant", true);
    SelectionnerALOuverture = ReadBool(r, "Sélectionner à l'ouverture", false);
    SauverListeEnQuittant = ReadBool(r, "Sauver Liste en quittant", false);
    PrevisualiserDVEnDemiFormat = ReadBool(r, "Previsualiser DV en demi format", true);
    SauverDansLeMemeDossier = ReadBool(r, "Sauver dans le même dossier", true);
    DossierPourOuvrirFichiers = ReadStr(r, "Dossier pour Ouvrir Fichiers", "");
    DossierAOuvertureAuto = ReadStr(r, "Dossier à ouverture auto", "");
    DossierPourSauver = ReadStr(r, "Dossier pour Sauver", "");
    DossierDesPlayList = ReadStr(r, "Dossier des PlayList", "");
    FichierKestrom = ReadStr(r, "Fichier Kestrom", "");
    FichierF3 = ReadStr(r, "Fichier F3", "");
    FichierF4 = ReadStr(r, "Fichier F4", "");
    StandardParDefaut = ReadByte(r, "Standard par défaut", 1, 1, 2);
    FrequenceDV = ReadByte(r, "Frequence DV", 2, 0, 2);
    Volume = ReadInt(r, "Volume", 10000, 0, 10000);
    FormatPourAjouterDatecode = ReadStr(r, "Format pour Ajouter Datecode", "");
    FormatPourAfficherDatecode = ReadStr(r, "Format pour Afficher Datecode", "ddddd hh:nn:ss");
    FormatPourIncrusterDatecode1 = ReadStr(r, "Format pour Incruster Datecode1", "ddddd");
    FormatPourIncrusterDatecode2 = ReadStr(r, "Format pour Incruster Datecode2", "tt");
    FormatPourRenommer = ReadStr(r, "Format pour Renommer", "");
    RacinePourRenommer = ReadStr(r, "Racine pour Renommer", "");
    StandardFontSize = ReadBool(r, "Standard FontSize", true);
    WhenIncrust = ReadByte(r, "When Incrust", 1, 0, 2);
    AutoIncrust = ReadByte(r, "Auto Incrust", 0, kIntMin, kIntMax);
    WhatIncrust = ReadByte(r, "What Incrust", 0, 0, 1);
    Alignement = ReadByte(r, "Alignement", 2, 0, 2);
    DureeIncrustation = ReadInt(r, "Durée Incrustation", 5, 0, kIntMax);
    DecalageHoraire = ReadFloat(r, "Décalage Horaire", 0.0);
    Sendto = ReadBool(r, "Sendto", false);
    IncrustPositionX = ReadInt(r, "Incrust positionX", 920, 0, 1000);
    IncrustPositionY = ReadInt(r, "Incrust positionY", 920, 0, 1000);
    IsMuteOn = ReadBool(r, "is Mute on", false);
    IsIncrustOn = ReadBool(r, "is Incrust On", false);
    IncrustSlidersVisible = ReadBool(r, "Incrust Sliders Visible", false);
    DecalageAvance = ReadBool(r, "Decalage avancé", false);
    AjoutAvant = ReadBool(r, "Ajout Avant", false);
}

// A value of another type under "\Actions" is left out; the others are kept.
void ReadActionStates(reg::TRegistry& r)
{
    ActionStates.clear();
    if (!r.OpenKey(std::string(ProductKey) + "\\Actions", false)) return;
    for (const std::string& name : r.GetValueNames()) {
        try {
            ActionStates.push_back({name, r.ReadInteger(name)});
        } catch (const reg::ERegistryException&) {
        }
    }
}

void ReadFont(reg::TRegistry& r)
{
    IncrustFont = FontSpec{};
    IncrustStyleBold = 1;
    IncrustStyleItalic = IncrustStyleUnderline = IncrustStyleStrikeOut = 0;
    if (!r.OpenKey(std::string(ProductKey) + "\\IncrustFont", false)) return;
    IncrustFont.Size = ReadInt(r, "Size", 48, 1, kIntMax);
    IncrustFont.Color = static_cast<uint32_t>(ReadInt(r, "Color", 0xFFFFFF));
    IncrustFont.Name = ReadStr(r, "Name", "Arial");
    IncrustStyleBold = ReadBool(r, "Bold", true);
    IncrustStyleItalic = ReadBool(r, "Italic", false);
    IncrustStyleUnderline = ReadBool(r, "Underline", false);
    IncrustStyleStrikeOut = ReadBool(r, "StrikeOut", false);
}

void DefaultIfEmpty(std::string& s, const char* def)
{
    if (s.empty()) s = def;
}

void ClearIfMarker(std::string& s)
{
    if (s == EmptyMarker) s.clear();
}

} // namespace

void LoadPreferences(const ScreenGeometry& screen)
{
    {
        reg::TRegistry r(reg::HKEY_CURRENT_USER);
        if (r.OpenKey(ProductKey, false))
            ReadValues(r, screen);
        else
            SetDefaults(screen);
        ReadActionStates(r);
        ReadFont(r);

        // Empty strings take their working values; a stored marker is not empty here, so a
        // string the user emptied keeps its emptiness through the marker step below.
        DefaultIfEmpty(FormatPourAjouterDatecode, "yyyy.mm.dd_hh.nn.ss_am/pm");
        DefaultIfEmpty(FormatPourAfficherDatecode, "ddddd hh:nn:ss");
        DefaultIfEmpty(FormatPourIncrusterDatecode1, "ddddd");
        DefaultIfEmpty(FormatPourIncrusterDatecode2, "tt");
        DefaultIfEmpty(FormatPourRenommer, "yyyymmdd_hh.nn.ss_am/pm");
        DefaultIfEmpty(RacinePourRenommer, "ClipDV_");
        DefaultIfEmpty(IncrustFont.Name, "Arial");
        IncrustFont.Style = 0;
        if (IncrustStyleBold) IncrustFont.Style |= fsBold;
        if (IncrustStyleItalic) IncrustFont.Style |= fsItalic;
        if (IncrustStyleUnderline) IncrustFont.Style |= fsUnderline;
        if (IncrustStyleStrikeOut) IncrustFont.Style |= fsStrikeOut;
        if (FichierKestrom.empty() && r.OpenKey(KestromKey, false)) FichierKestrom = ReadStr(r, "exename", "");
    }

    for (std::string* s : {&FormatPourIncrusterDatecode1, &FormatPourIncrusterDatecode2, &DossierPourOuvrirFichiers,
                           &DossierAOuvertureAuto, &DossierPourSauver, &DossierDesPlayList, &FichierKestrom, &FichierF3,
                           &FichierF4, &FormatPourAjouterDatecode, &FormatPourAfficherDatecode, &FormatPourRenommer,
                           &RacinePourRenommer})
        ClearIfMarker(*s);

    // An empty folder would send outputs and dialogs to the filesystem root: the documents
    // folder stands in, even for a folder the user emptied.
    const std::string documents = GetMyDocumentsFolder();
    for (std::string* s : {&DossierPourOuvrirFichiers, &DossierAOuvertureAuto, &DossierPourSauver, &DossierDesPlayList})
        DefaultIfEmpty(*s, documents.c_str());
}

} // namespace settings
