#pragma once
// The values under the product key, once: name, variable, default and range serve the first
// run, the load and the save alike, so no value can be saved under one name and read under
// another. Listed in the order they are written. Top and Left, whose defaults depend on the
// screen, are handled beside the table.
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <variant>

#include "settings/Preferences.h"

namespace settings::detail {

struct PreferenceValue {
    const char* name;
    // uint8_t values are stored as DWORDs; the range is checked on the whole stored number.
    std::variant<int32_t*, uint8_t*, bool*, double*, std::string*> target;
    int32_t def = 0;       // default of a number or a flag
    const char* text = ""; // default of a string
    int32_t lo = std::numeric_limits<int32_t>::min();
    int32_t hi = std::numeric_limits<int32_t>::max();
};

inline std::span<const PreferenceValue> PreferenceValues()
{
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    static const PreferenceValue table[] = {
        {"Ordre de la Liste", &OrdreDeLaListe, 0, "", 0, 3},
        {"Sauver préférences en quittant", &SauverPreferencesEnQuittant, 1},
        {"Sélectionner à l'ouverture", &SelectionnerALOuverture, 0},
        {"Sauver Liste en quittant", &SauverListeEnQuittant, 0},
        {"Previsualiser DV en demi format", &PrevisualiserDVEnDemiFormat, 1},
        {"Sauver dans le même dossier", &SauverDansLeMemeDossier, 1},
        {"Dossier pour Ouvrir Fichiers", &DossierPourOuvrirFichiers},
        {"Dossier à ouverture auto", &DossierAOuvertureAuto},
        {"Dossier pour Sauver", &DossierPourSauver},
        {"Dossier des PlayList", &DossierDesPlayList},
        {"Fichier Kestrom", &FichierKestrom},
        {"Fichier F3", &FichierF3},
        {"Fichier F4", &FichierF4},
        {"Standard par défaut", &StandardParDefaut, 1, "", 1, 2},
        {"Frequence DV", &FrequenceDV, 2, "", 0, 2},
        {"Volume", &Volume, 10000, "", 0, 10000},
        {"Format pour Ajouter Datecode", &FormatPourAjouterDatecode},
        {"Format pour Afficher Datecode", &FormatPourAfficherDatecode, 0, "ddddd hh:nn:ss"},
        {"Format pour Incruster Datecode1", &FormatPourIncrusterDatecode1, 0, "ddddd"},
        {"Format pour Incruster Datecode2", &FormatPourIncrusterDatecode2, 0, "tt"},
        {"Format pour Renommer", &FormatPourRenommer},
        {"Racine pour Renommer", &RacinePourRenommer},
        {"Standard FontSize", &StandardFontSize, 1},
        {"When Incrust", &WhenIncrust, 1, "", 0, 2},
        {"Auto Incrust", &AutoIncrust, 0},
        {"What Incrust", &WhatIncrust, 0, "", 0, 1},
        {"Alignement", &Alignement, 2, "", 0, 2},
        // A value deleted by hand reads as off; only a first run offers the entry (see the load).
        {"Sendto", &Sendto, 0},
        {"Durée Incrustation", &DureeIncrustation, 5, "", 0, kMax},
        {"Décalage Horaire", &DecalageHoraire, 0},
        {"Incrust positionX", &IncrustPositionX, 920, "", 0, 1000},
        {"Incrust positionY", &IncrustPositionY, 920, "", 0, 1000},
        {"is Mute on", &IsMuteOn, 0},
        {"is Incrust On", &IsIncrustOn, 0},
        {"Incrust Sliders Visible", &IncrustSlidersVisible, 0},
        {"Decalage avancé", &DecalageAvance, 0},
        {"Ajout Avant", &AjoutAvant, 0},
    };
    return table;
}

} // namespace settings::detail
