// The options page's texts, and its controls filled from the preferences and read back.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <limits>

#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/OptionsFrame.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;
namespace prefs = settings;

namespace {

QStringList Items(std::initializer_list<int> ids)
{
    QStringList items;
    for (int id : ids)
        items.append(Text(id));
    return items;
}

// The caption QLabel the layout put beside `control`.
void CaptionOf(QWidget* control, int id)
{
    for (QLabel* l : control->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (l->buddy() == control)
            l->setText(Text(id));
}

void SetText(QLineEdit* edit, const std::string& text)
{
    edit->setText(QString::fromStdString(text));
}

} // namespace

void TOptionsFrame::Localise()
{
    const int tabs[] = {sOptTabPrefs, sOptTabCommands, sOptTabFormats, sOptTabFolders, sOptTabInlay, sOptTabFiles};
    for (int i = 0; i < pagecontrol1->count(); ++i)
        pagecontrol1->setTabText(i, Text(tabs[i]));
    // Preferences
    gbPrefs->setTitle(Text(sOptPrefsGroup));
    LabelSauverNow->setText(Text(sOptSaveNow));
    LabelEffacerPrefs->setText(Text(sOptDeletePrefs));
    cbPrefsQuittant->setText(Text(sOptPrefsOnExit));
    cbSelection->setText(Text(sOptSelection));
    cbListe->setText(Text(sOptSaveList));
    vcl::SetHint(*cbListe, Lines({sOptSaveListHint, sOptSaveListHint + 1}));
    cbSendTo->setText(Text(sOptSendTo));
    vcl::SetHint(*cbSendTo, Lines({sOptSendToHint, sOptSendToHint + 1, sOptSendToHint + 2}));
    cbPreviewDemi->setText(Text(sOptPreviewHalf));
    rgStandard->setTitle(Text(sOptStandard));
    rgStandard->SetItems(Items({sOptStandardPal, sOptStandardNtsc}));
    rgfrequenceDV->setTitle(Text(sOptFrequence));
    rgfrequenceDV->SetItems(Items({sOptFrequence32, sOptFrequence44, sOptFrequence48}));
    Memo6->setPlainText(Text(sOptMemoPrefs));
    // Commands
    Label4->setText(Text(sOptCheckAll));
    Memo5->setPlainText(Text(sOptMemoCommands));
    // Formats
    GroupBox3->setTitle(Text(sOptScenalyser));
    CaptionOf(edRenommer, sOptRenameFormat);
    CaptionOf(edRacine, sOptRenameRoot);
    GroupBox4->setTitle(Text(sOptDatecodeGroup));
    CaptionOf(edAjouter, sOptAddFormat);
    CaptionOf(edAfficherDatecode, sOptShowFormat);
    vcl::SetHint(*edAfficherDatecode, Lines({sOptShowFormatHint, sOptShowFormatHint + 1, sOptShowFormatHint + 2}));
    cbAjoutAvant->setText(Text(sOptAddBefore));
    CaptionOf(edAfficher1, sOptInlay1);
    vcl::SetHint(*edAfficher1, Lines({sOptInlay1Hint, sOptInlay1Hint + 1}));
    CaptionOf(edAfficher2, sOptInlay2);
    vcl::SetHint(*edAfficher2, Lines({sOptInlay2Hint, sOptInlay2Hint + 1}));
    Memo3->setPlainText(Text(sOptMemoFormats));
    // Folders
    GroupBox1->setTitle(Text(sOptFoldersGroup));
    CaptionOf(edDossierOuvrir, sOptOpenFolder);
    CaptionOf(edDossierAuto, sOptAutoFolder);
    CaptionOf(edDossierPlayList, sOptPlayListFolder);
    GroupBox2->setTitle(Text(sOptOutputGroup));
    cbsameFolder->setText(Text(sOptSameFolder));
    vcl::SetHint(*cbsameFolder,
                 Lines({sOptSameFolderHint, sOptSameFolderHint + 1, sOptSameFolderHint + 2, sOptSameFolderHint + 3}));
    CaptionOf(edDossierSave, sOptSaveFolder);
    vcl::SetHint(*edDossierSave, Lines({sOptSaveFolderHint, sOptSaveFolderHint + 1}));
    Memo1->setPlainText(Text(sOptMemoFolders));
    // Overlay
    sbIncrustFont->setText(Text(sOptFont));
    vcl::SetHint(*sbIncrustFont, rtl::LoadStr(sOptFontHint));
    cbAutoFontSize->setText(Text(sOptAutoFontSize));
    rgWhatIncrust->setTitle(Text(sOptWhat));
    rgWhatIncrust->SetItems(Items({sOptWhatDatecode, sOptWhatTimecode}));
    vcl::SetHint(*rgWhatIncrust, rtl::LoadStr(sOptWhatHint));
    cbAuto->setText(Text(sOptAuto));
    vcl::SetHint(*cbAuto, Lines({sOptInlayAutoHint, sOptInlayAutoHint + 1, sOptInlayAutoHint + 2}));
    rgMode->setTitle(Text(sOptMode));
    rgMode->SetItems(Items({sOptModeOnce, sOptModeScene, sOptModeDay}));
    vcl::SetHint(*rgMode, Lines({sOptModeHint, sOptModeHint + 1, sOptModeHint + 2, sOptModeHint + 3}));
    CaptionOf(edDureeIncrust, sOptDuration);
    vcl::SetHint(*edDureeIncrust, Lines({sOptDurationHint, sOptDurationHint + 1}));
    rgAlign->setTitle(Text(sOptAlign));
    rgAlign->SetItems(Items({sOptAlignLeft, sOptAlignCentre, sOptAlignRight}));
    sbDecalageAvance->setText(Text(sOptOffset));
    vcl::SetHint(*sbDecalageAvance, rtl::LoadStr(sOptOffsetHint));
    if (LabDecalage->text().isEmpty())
        LabDecalage->setText(QStringLiteral("0h")); // the main window writes the offset there
    Memo2->setPlainText(Text(sOptMemoInlay));
    // Programs
    CaptionOf(feFichierKestrom, sOptKestrom);
    CaptionOf(feFichierF3, sOptF3);
    vcl::SetHint(*feFichierF3, Lines({sOptOpenWithHint, sOptOpenWithF3Hint, sOptOpenWithEndHint}));
    CaptionOf(feFichierF4, sOptF4);
    vcl::SetHint(*feFichierF4, Lines({sOptOpenWithHint, sOptOpenWithF4Hint, sOptOpenWithEndHint}));
    for (vcl::FileNameEdit* e : {feFichierKestrom, feFichierF3, feFichierF4})
        e->Filter = rtl::LoadStr(sOptProgramsFilter);
    Memo4->setPlainText(Text(sOptMemoFiles));
    LocaliseFrame(sOptCloseHint);
}

void TOptionsFrame::ApplyPreferences()
{
    edDossierOuvrir->SetText(prefs::DossierPourOuvrirFichiers);
    edDossierAuto->SetText(prefs::DossierAOuvertureAuto);
    edDossierSave->SetText(prefs::DossierPourSauver);
    edDossierSave->setEnabled(!prefs::SauverDansLeMemeDossier);
    edDossierPlayList->SetText(prefs::DossierDesPlayList);
    cbPrefsQuittant->setChecked(prefs::SauverPreferencesEnQuittant);
    cbSelection->setChecked(prefs::SelectionnerALOuverture);
    cbListe->setChecked(prefs::SauverListeEnQuittant);
    cbPreviewDemi->setChecked(prefs::PrevisualiserDVEnDemiFormat);
    cbsameFolder->setChecked(prefs::SauverDansLeMemeDossier);
    feFichierKestrom->SetText(prefs::FichierKestrom);
    feFichierF3->SetText(prefs::FichierF3);
    feFichierF4->SetText(prefs::FichierF4);
    rgStandard->SetItemIndex(prefs::StandardParDefaut - 1);
    rgfrequenceDV->SetItemIndex(prefs::FrequenceDV);
    SetText(edAjouter, prefs::FormatPourAjouterDatecode);
    SetText(edAfficherDatecode, prefs::FormatPourAfficherDatecode);
    SetText(edAfficher1, prefs::FormatPourIncrusterDatecode1);
    SetText(edAfficher2, prefs::FormatPourIncrusterDatecode2);
    SetText(edRenommer, prefs::FormatPourRenommer);
    SetText(edRacine, prefs::RacinePourRenommer);
    edDureeIncrust->setText(QString::number(prefs::DureeIncrustation));
    rgMode->SetItemIndex(prefs::WhenIncrust);
    cbAuto->setChecked(prefs::AutoIncrust == 1);
    rgMode->setEnabled(cbAuto->isChecked());
    rgWhatIncrust->SetItemIndex(prefs::WhatIncrust);
    rgAlign->SetItemIndex(prefs::Alignement);
    cbAutoFontSize->setChecked(prefs::StandardFontSize);
    cbSendTo->setChecked(prefs::Sendto);
    cbAjoutAvant->setChecked(prefs::AjoutAvant);
}

void TOptionsFrame::CollectPreferences()
{
    prefs::DossierPourOuvrirFichiers = edDossierOuvrir->Text();
    prefs::DossierAOuvertureAuto = edDossierAuto->Text();
    prefs::DossierPourSauver = edDossierSave->Text();
    prefs::DossierDesPlayList = edDossierPlayList->Text();
    prefs::FichierKestrom = feFichierKestrom->Text();
    prefs::FichierF3 = feFichierF3->Text();
    prefs::FichierF4 = feFichierF4->Text();
    prefs::SauverPreferencesEnQuittant = cbPrefsQuittant->isChecked();
    prefs::SelectionnerALOuverture = cbSelection->isChecked();
    prefs::SauverListeEnQuittant = cbListe->isChecked();
    prefs::PrevisualiserDVEnDemiFormat = cbPreviewDemi->isChecked();
    prefs::SauverDansLeMemeDossier = cbsameFolder->isChecked();
    prefs::StandardParDefaut = static_cast<uint8_t>(rgStandard->ItemIndex() + 1);
    prefs::FrequenceDV = static_cast<uint8_t>(rgfrequenceDV->ItemIndex());
    prefs::FormatPourAjouterDatecode = edAjouter->text().toStdString();
    prefs::FormatPourAfficherDatecode = edAfficherDatecode->text().toStdString();
    prefs::FormatPourIncrusterDatecode1 = edAfficher1->text().toStdString();
    prefs::FormatPourIncrusterDatecode2 = edAfficher2->text().toStdString();
    prefs::FormatPourRenommer = edRenommer->text().toStdString();
    prefs::RacinePourRenommer = edRacine->text().toStdString();
    prefs::StandardFontSize = cbAutoFontSize->isChecked();
    prefs::WhenIncrust = static_cast<uint8_t>(rgMode->ItemIndex());
    prefs::AutoIncrust = cbAuto->isChecked() ? 1 : 0;
    prefs::WhatIncrust = static_cast<uint8_t>(rgWhatIncrust->ItemIndex());
    prefs::Alignement = static_cast<uint8_t>(rgAlign->ItemIndex());
    // A duration the edit refused never stays in it; one typed and not yet left keeps the stored.
    int64_t seconds = 0;
    if (rtl::TryStrToInt(rtl::Trim(edDureeIncrust->text().toStdString()), seconds) && seconds >= 0 &&
        seconds <= std::numeric_limits<int32_t>::max())
        prefs::DureeIncrustation = static_cast<int32_t>(seconds);
    prefs::Sendto = cbSendTo->isChecked();
    prefs::AjoutAvant = cbAjoutAvant->isChecked();
}

} // namespace ui
