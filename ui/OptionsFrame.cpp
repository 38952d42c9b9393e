// The options page: its components, laid out tab by tab, and the page's show and hide.
#include "ui/OptionsFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/vcl/FontMap.h"
#include "settings/Preferences.h"
#include "ui/Memo.h"

namespace ui {

namespace {

QToolButton* Flat(QWidget* parent, QStyle::StandardPixmap icon)
{
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setIcon(parent->style()->standardIcon(icon));
    return b;
}

// What a tab shows, in a scroll area over the whole tab: on a small screen the page is smaller
// than its controls, and they scroll rather than being cut.
QWidget* Scrolling(QWidget* tab)
{
    auto* area = new QScrollArea(tab);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    auto* content = new QWidget(area);
    area->setWidget(content);
    auto* whole = new QVBoxLayout(tab);
    whole->setContentsMargins(0, 0, 0, 0);
    whole->addWidget(area);
    return content;
}

// A caption for the control beside it (no design name: the control carries the meaning).
QLabel* Caption(QWidget* parent, QWidget* buddy)
{
    auto* l = new QLabel(parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

TOptionsFrame::TOptionsFrame(PageHost& host, vcl::Dialogs& dialogs, media::Tviewdm& view, QWidget* parent)
    : TitledPage(host, parent), dialogs_(dialogs), view_(view)
{
    setObjectName(QStringLiteral("OptionsFrame"));
    SetDesignSize(kDesignWidth, kDesignHeight);
    pagecontrol1 = new QTabWidget(this);
    TabSheet2 = new QWidget(pagecontrol1);
    TabSheet1 = new QWidget(pagecontrol1);
    TabSheet7 = new QWidget(pagecontrol1);
    TabSheet3 = new QWidget(pagecontrol1);
    TabSheet4 = new QWidget(pagecontrol1);
    TabSheet5 = new QWidget(pagecontrol1);
    for (QWidget* tab : {TabSheet2, TabSheet1, TabSheet7, TabSheet3, TabSheet4, TabSheet5})
        pagecontrol1->addTab(tab, QString());
    BuildPreferences();
    BuildCommands();
    BuildFormats();
    BuildFolders();
    BuildOverlay();
    BuildFiles();
    SetBody(pagecontrol1);
    NameComponents();
    Connect();
}

void TOptionsFrame::BuildPreferences()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet2));
    gbPrefs = new QGroupBox(TabSheet2);
    auto* prefs = new QGridLayout(gbPrefs);
    SpeedButton1 = Flat(gbPrefs, QStyle::SP_DialogSaveButton);
    LabelSauverNow = Caption(gbPrefs, SpeedButton1);
    SpeedButton2 = Flat(gbPrefs, QStyle::SP_TrashIcon);
    LabelEffacerPrefs = Caption(gbPrefs, SpeedButton2);
    cbPrefsQuittant = new QCheckBox(gbPrefs);
    prefs->addWidget(SpeedButton1, 0, 0);
    prefs->addWidget(LabelSauverNow, 0, 1);
    prefs->addWidget(SpeedButton2, 1, 0);
    prefs->addWidget(LabelEffacerPrefs, 1, 1);
    prefs->addWidget(cbPrefsQuittant, 2, 0, 1, 2);
    prefs->setColumnStretch(1, 1);

    auto* checks = new QWidget(TabSheet2);
    auto* column = new QVBoxLayout(checks);
    column->setContentsMargins(0, 0, 0, 0);
    cbSelection = new QCheckBox(checks);
    cbListe = new QCheckBox(checks);
    cbSendTo = new QCheckBox(checks);
    cbPreviewDemi = new QCheckBox(checks);
    for (QCheckBox* c : {cbSelection, cbListe, cbSendTo, cbPreviewDemi})
        column->addWidget(c);
    rgStandard = new RadioGroup(TabSheet2);
    rgfrequenceDV = new RadioGroup(TabSheet2);
    Memo6 = MakeMemo(TabSheet2, 72);
    grid->addWidget(gbPrefs, 0, 0);
    grid->addWidget(rgStandard, 0, 1);
    grid->addWidget(checks, 1, 0);
    grid->addWidget(rgfrequenceDV, 1, 1);
    grid->addWidget(Memo6, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
}

void TOptionsFrame::BuildCommands()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet1));
    RxCheckListBox1 = new QListWidget(TabSheet1);
    RxCheckListBox1->setSortingEnabled(true);
    SpeedButton3 = Flat(TabSheet1, QStyle::SP_DialogApplyButton);
    Label4 = Caption(TabSheet1, SpeedButton3);
    Memo5 = MakeMemo(TabSheet1, QWIDGETSIZE_MAX);
    grid->addWidget(RxCheckListBox1, 0, 0, 3, 1);
    grid->addWidget(SpeedButton3, 0, 1);
    grid->addWidget(Label4, 0, 2);
    grid->addWidget(Memo5, 1, 1, 1, 2);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(2, 2);
}

void TOptionsFrame::BuildFormats()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet7));
    GroupBox3 = new QGroupBox(TabSheet7);
    auto* renaming = new QGridLayout(GroupBox3);
    edRenommer = new QLineEdit(GroupBox3);
    edRacine = new QLineEdit(GroupBox3);
    renaming->addWidget(Caption(GroupBox3, edRenommer), 0, 0);
    renaming->addWidget(edRenommer, 0, 1);
    renaming->addWidget(Caption(GroupBox3, edRacine), 1, 0);
    renaming->addWidget(edRacine, 1, 1);
    GroupBox4 = new QGroupBox(TabSheet7);
    auto* dates = new QGridLayout(GroupBox4);
    edAjouter = new QLineEdit(GroupBox4);
    edAfficherDatecode = new QLineEdit(GroupBox4);
    cbAjoutAvant = new QCheckBox(GroupBox4);
    dates->addWidget(Caption(GroupBox4, edAjouter), 0, 0);
    dates->addWidget(edAjouter, 0, 1);
    dates->addWidget(cbAjoutAvant, 1, 1);
    dates->addWidget(Caption(GroupBox4, edAfficherDatecode), 2, 0);
    dates->addWidget(edAfficherDatecode, 2, 1);
    edAfficher1 = new QLineEdit(TabSheet7);
    edAfficher2 = new QLineEdit(TabSheet7);
    Memo3 = MakeMemo(TabSheet7, 72);
    auto* inlay = new QGridLayout;
    inlay->addWidget(Caption(TabSheet7, edAfficher1), 0, 0);
    inlay->addWidget(edAfficher1, 0, 1);
    inlay->addWidget(Caption(TabSheet7, edAfficher2), 1, 0);
    inlay->addWidget(edAfficher2, 1, 1);
    grid->addWidget(GroupBox3, 0, 0);
    grid->addWidget(GroupBox4, 0, 1);
    grid->addLayout(inlay, 1, 0, 1, 2);
    grid->addWidget(Memo3, 2, 0, 1, 2);
}

void TOptionsFrame::BuildFolders()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet3));
    GroupBox1 = new QGroupBox(TabSheet3);
    auto* folders = new QGridLayout(GroupBox1);
    edDossierOuvrir = new vcl::DirectoryEdit(dialogs_, GroupBox1);
    edDossierAuto = new vcl::DirectoryEdit(dialogs_, GroupBox1);
    edDossierPlayList = new vcl::DirectoryEdit(dialogs_, GroupBox1);
    int row = 0;
    for (vcl::DirectoryEdit* e : {edDossierOuvrir, edDossierAuto, edDossierPlayList}) {
        folders->addWidget(Caption(GroupBox1, e), row, 0);
        folders->addWidget(e, row++, 1);
    }
    GroupBox2 = new QGroupBox(TabSheet3);
    auto* output = new QGridLayout(GroupBox2);
    cbsameFolder = new QCheckBox(GroupBox2);
    edDossierSave = new vcl::DirectoryEdit(dialogs_, GroupBox2);
    output->addWidget(cbsameFolder, 0, 0, 1, 2);
    output->addWidget(Caption(GroupBox2, edDossierSave), 1, 0);
    output->addWidget(edDossierSave, 1, 1);
    Memo1 = MakeMemo(TabSheet3, 72);
    grid->addWidget(GroupBox1, 0, 0);
    grid->addWidget(GroupBox2, 1, 0);
    grid->addWidget(Memo1, 2, 0);
}

void TOptionsFrame::BuildOverlay()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet4));
    sbIncrustFont = new QPushButton(TabSheet4);
    cbAutoFontSize = new QCheckBox(TabSheet4);
    rgWhatIncrust = new RadioGroup(TabSheet4);
    rgAlign = new RadioGroup(TabSheet4);
    cbAuto = new QCheckBox(TabSheet4);
    rgMode = new RadioGroup(TabSheet4);
    edDureeIncrust = new QLineEdit(TabSheet4);
    edDureeIncrust->setMaximumWidth(80);
    sbDecalageAvance = new QPushButton(TabSheet4);
    LabDecalage = new QLabel(TabSheet4);
    Memo2 = MakeMemo(TabSheet4, 72);
    auto* duration = new QHBoxLayout;
    duration->addWidget(Caption(TabSheet4, edDureeIncrust));
    duration->addWidget(edDureeIncrust);
    duration->addStretch();
    grid->addWidget(sbIncrustFont, 0, 0);
    grid->addWidget(cbAutoFontSize, 1, 0);
    grid->addWidget(rgWhatIncrust, 2, 0);
    grid->addWidget(cbAuto, 0, 1);
    grid->addWidget(rgMode, 1, 1, 2, 1);
    grid->addLayout(duration, 3, 1);
    grid->addWidget(sbDecalageAvance, 0, 2);
    grid->addWidget(LabDecalage, 1, 2);
    grid->addWidget(rgAlign, 2, 2, 2, 1);
    grid->addWidget(Memo2, 4, 0, 1, 3);
}

void TOptionsFrame::BuildFiles()
{
    auto* grid = new QGridLayout(Scrolling(TabSheet5));
    feFichierKestrom = new vcl::FileNameEdit(dialogs_, TabSheet5);
    feFichierF3 = new vcl::FileNameEdit(dialogs_, TabSheet5);
    feFichierF4 = new vcl::FileNameEdit(dialogs_, TabSheet5);
    int row = 0;
    for (vcl::FileNameEdit* e : {feFichierKestrom, feFichierF3, feFichierF4}) {
        grid->addWidget(Caption(TabSheet5, e), row, 0);
        grid->addWidget(e, row++, 1);
    }
    Memo4 = MakeMemo(TabSheet5, 72);
    grid->addWidget(Memo4, row, 0, 1, 2);
    grid->setRowStretch(row + 1, 1);
}

void TOptionsFrame::NameComponents()
{
    const std::pair<QWidget*, const char*> names[] = {
        {pagecontrol1, "pagecontrol1"},
        {TabSheet2, "TabSheet2"},
        {TabSheet1, "TabSheet1"},
        {TabSheet7, "TabSheet7"},
        {TabSheet3, "TabSheet3"},
        {TabSheet4, "TabSheet4"},
        {TabSheet5, "TabSheet5"},
        {gbPrefs, "gbPrefs"},
        {SpeedButton1, "SpeedButton1"},
        {SpeedButton2, "SpeedButton2"},
        {LabelSauverNow, "LabelSauverNow"},
        {LabelEffacerPrefs, "LabelEffacerPrefs"},
        {cbPrefsQuittant, "cbPrefsQuittant"},
        {cbSelection, "cbSelection"},
        {cbListe, "cbListe"},
        {cbSendTo, "cbSendTo"},
        {cbPreviewDemi, "cbPreviewDemi"},
        {rgStandard, "rgStandard"},
        {rgfrequenceDV, "rgfrequenceDV"},
        {Memo6, "Memo6"},
        {RxCheckListBox1, "RxCheckListBox1"},
        {SpeedButton3, "SpeedButton3"},
        {Label4, "Label4"},
        {Memo5, "Memo5"},
        {GroupBox3, "GroupBox3"},
        {GroupBox4, "GroupBox4"},
        {edRenommer, "edRenommer"},
        {edRacine, "edRacine"},
        {edAjouter, "edAjouter"},
        {edAfficherDatecode, "edAfficherDatecode"},
        {edAfficher1, "edAfficher1"},
        {edAfficher2, "edAfficher2"},
        {cbAjoutAvant, "cbAjoutAvant"},
        {Memo3, "Memo3"},
        {GroupBox1, "GroupBox1"},
        {GroupBox2, "GroupBox2"},
        {edDossierOuvrir, "edDossierOuvrir"},
        {edDossierAuto, "edDossierAuto"},
        {edDossierPlayList, "edDossierPlayList"},
        {edDossierSave, "edDossierSave"},
        {cbsameFolder, "cbsameFolder"},
        {Memo1, "Memo1"},
        {sbIncrustFont, "sbIncrustFont"},
        {cbAutoFontSize, "cbAutoFontSize"},
        {cbAuto, "cbAuto"},
        {rgWhatIncrust, "rgWhatIncrust"},
        {rgMode, "rgMode"},
        {rgAlign, "rgAlign"},
        {edDureeIncrust, "edDureeIncrust"},
        {sbDecalageAvance, "sbDecalageAvance"},
        {LabDecalage, "LabDecalage"},
        {Memo2, "Memo2"},
        {feFichierKestrom, "feFichierKestrom"},
        {feFichierF3, "feFichierF3"},
        {feFichierF4, "feFichierF4"},
        {Memo4, "Memo4"},
    };
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
}

void TOptionsFrame::ShowOptions()
{
    // The edits want Space and Del while the page is shown; a second show keeps what the first took.
    if (!Shown()) {
        playStop_ = host_.TakeShortCut("avPlayStop");
        host_.TakeShortCut("amOterFichier");
    }
    Present(true);
    ShowTitle();
}

void TOptionsFrame::HideOptions()
{
    if (!Shown())
        return;
    Withdraw();
    host_.GiveShortCut("avPlayStop", playStop_);
    host_.GiveShortCut("amOterFichier", rtl::TextToShortCut("Del"));
}

} // namespace ui
