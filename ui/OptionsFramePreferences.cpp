// The options page's controls and the preferences they show, in one table: filled from the
// preferences and read back from the same rows.
#include <QCheckBox>
#include <QLineEdit>

#include "settings/Preferences.h"
#include "ui/OptionsFrame.h"

namespace ui {

namespace prefs = settings;

std::vector<PreferenceRow> TOptionsFrame::PreferenceRows()
{
    return {
        PickerRow(*edDossierOuvrir, prefs::DossierPourOuvrirFichiers),
        PickerRow(*edDossierAuto, prefs::DossierAOuvertureAuto),
        // The output folder is typed only when outputs do not go beside their source.
        Then(PickerRow(*edDossierSave, prefs::DossierPourSauver),
             [this] { edDossierSave->setEnabled(!prefs::SauverDansLeMemeDossier); }),
        PickerRow(*edDossierPlayList, prefs::DossierDesPlayList),
        CheckRow(*cbPrefsQuittant, prefs::SauverPreferencesEnQuittant),
        CheckRow(*cbSelection, prefs::SelectionnerALOuverture),
        CheckRow(*cbListe, prefs::SauverListeEnQuittant),
        CheckRow(*cbPreviewDemi, prefs::PrevisualiserDVEnDemiFormat),
        CheckRow(*cbsameFolder, prefs::SauverDansLeMemeDossier),
        PickerRow(*feFichierKestrom, prefs::FichierKestrom),
        PickerRow(*feFichierF3, prefs::FichierF3),
        PickerRow(*feFichierF4, prefs::FichierF4),
        ChoiceRow(*rgStandard, prefs::StandardParDefaut, 1),
        ChoiceRow(*rgfrequenceDV, prefs::FrequenceDV),
        TextRow(*edAjouter, prefs::FormatPourAjouterDatecode),
        TextRow(*edAfficherDatecode, prefs::FormatPourAfficherDatecode),
        TextRow(*edAfficher1, prefs::FormatPourIncrusterDatecode1),
        TextRow(*edAfficher2, prefs::FormatPourIncrusterDatecode2),
        TextRow(*edRenommer, prefs::FormatPourRenommer),
        TextRow(*edRacine, prefs::RacinePourRenommer),
        NumberRow(*edDureeIncrust, prefs::DureeIncrustation),
        ChoiceRow(*rgMode, prefs::WhenIncrust),
        {"cbAuto", &prefs::AutoIncrust,
         [this] {
             cbAuto->setChecked(prefs::AutoIncrust == 1);
             rgMode->setEnabled(cbAuto->isChecked());
         },
         [this] { prefs::AutoIncrust = cbAuto->isChecked() ? 1 : 0; }},
        ChoiceRow(*rgWhatIncrust, prefs::WhatIncrust),
        ChoiceRow(*rgAlign, prefs::Alignement),
        CheckRow(*cbAutoFontSize, prefs::StandardFontSize),
        CheckRow(*cbSendTo, prefs::Sendto),
        CheckRow(*cbAjoutAvant, prefs::AjoutAvant),
    };
}

void TOptionsFrame::ApplyPreferences()
{
    for (const PreferenceRow& row : PreferenceRows())
        row.apply();
}

void TOptionsFrame::CollectPreferences()
{
    for (const PreferenceRow& row : PreferenceRows())
        if (row.collect)
            row.collect();
}

} // namespace ui
