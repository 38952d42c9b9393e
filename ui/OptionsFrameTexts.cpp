// The options page's texts.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Hint.h"
#include "ui/OptionsFrame.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

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

} // namespace ui
