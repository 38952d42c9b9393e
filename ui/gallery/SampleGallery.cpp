// A sample window built the way the windows of ui/ are: actions from a table with captions,
// keys and hints from the string table (Chinese ones too), in a menu and a tool bar; the faces
// the windows name; a disabled state; the message box and the font dialog of platform/vcl.
#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <memory>
#include <string>

#include "platform/rtl/ShortCut.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontDialog.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/QtPrompter.h"
#include "platform/vcl/ShortCutKeys.h"
#include "ui/gallery/Gallery.h"

namespace {

using namespace rtl::sid;

enum class Menu { Files, Video };

struct SampleAction {
    const char* name;
    int caption;
    const char* captionTail; // appended to the caption (the open-with program)
    const char* key;
    int key2; // a second key from the string table, 0 for none
    QStyle::StandardPixmap icon;
    Menu menu;
};

const SampleAction kActions[] = {
    {"afOuvrirFichiers", sMainOpenFiles, "", "Ctrl+O", 0, QStyle::SP_DialogOpenButton, Menu::Files},
    {"afKestrom", sMainOpenWith, "Kestrom", "F2", 0, QStyle::SP_ComputerIcon, Menu::Files},
    {"amCorrigertype2", sTchCaptionBase + 27, "", "Ctrl+Shift+2", 0, QStyle::SP_DialogApplyButton, Menu::Files},
    {"ReculeScene", sMainPreviousScene, "", "F8", sMainPreviousSceneKey2, QStyle::SP_MediaSkipBackward, Menu::Video},
    {"AvanceScene", sMainNextScene, "", "F9", sMainNextSceneKey2, QStyle::SP_MediaSkipForward, Menu::Video},
    {"afIncVolume", sMainIncVolume, "", "Num +", 0, QStyle::SP_MediaVolume, Menu::Video},
    {"afDecVolume", sMainDecVolume, "", "Num -", 0, QStyle::SP_MediaVolumeMuted, Menu::Video},
    {"amAfficherSliders", sTchCaptionBase + 24, "", "Alt+I", sMainShowSlidersKey2, QStyle::SP_TitleBarNormalButton,
     Menu::Video},
    {"afInterrompre", sMainAbort, "", "Esc", 0, QStyle::SP_BrowserStop, Menu::Video},
};

QString Text(int id)
{
    return QString::fromStdString(rtl::LoadStr(id));
}

class SampleWindow : public QMainWindow {
public:
    SampleWindow()
    {
        setObjectName("SampleWindow");
        setWindowTitle(QStringLiteral("Morvel 1.0.1 - gallery"));
        setFont(vcl::ToQFont(rtl::LoadStr(sMainWindowFont), 8));
        QMenu* files = menuBar()->addMenu(Text(sMainFilesMenu));
        video = menuBar()->addMenu(Text(sMainVideoMenu));
        QToolBar* bars[] = {addToolBar(QStringLiteral("ToolBar1")), nullptr};
        addToolBarBreak();
        bars[1] = addToolBar(QStringLiteral("ToolBar2"));
        for (QToolBar* bar : bars)
            bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        for (const SampleAction& s : kActions) {
            auto* a =
                new QAction(style()->standardIcon(s.icon), Text(s.caption) + QString::fromUtf8(s.captionTail), this);
            a->setObjectName(s.name);
            vcl::SetShortCuts(*a, {rtl::TextToShortCut(s.key),
                                   s.key2 ? rtl::TextToShortCut(rtl::LoadStr(s.key2)) : rtl::TShortCut(0)});
            vcl::SetHint(*a, rtl::LoadStr(s.caption) + "\r\n" + vcl::ShortCutText(*a));
            (s.menu == Menu::Files ? files : video)->addAction(a);
            bars[s.menu == Menu::Files ? 0 : 1]->addAction(a);
        }
        findChild<QAction*>("afInterrompre")->setEnabled(false); // nothing runs

        auto* central = new QWidget(this);
        auto* layout = new QVBoxLayout(central);
        auto* labNom = new QLabel(QString::fromUtf8("片段 2006-12-31 23.59.58.avi"), central);
        vcl::ApplyFont(*labNom, {rtl::LoadStr(sMainNameFont), -13, 0, rtl::fsBold});
        labNom->setAlignment(Qt::AlignRight);
        auto* labTimeStamp = new QLabel(QStringLiteral("1:00:02:11"), central);
        vcl::ApplyFont(*labTimeStamp, {"Times New Roman", 12, 0x00800000, 0}); // navy
        labTimeStamp->setAlignment(Qt::AlignCenter);
        auto* tb1 = new QSlider(Qt::Horizontal, central);
        tb1->setRange(0, 1000);
        tb1->setValue(370);
        auto* listing = new QListWidget(central);
        listing->setFont(vcl::ToQFont("Courier New", -11));
        listing->addItems({QStringLiteral("RIFF  0136A2F4"), QStringLiteral("AVI "),
                           QStringLiteral("    LIST  00001F3C"), QStringLiteral("    hdrl"),
                           QStringLiteral("        avih  00000038")});
        auto* report = new QListWidget(central);
        for (int id : {sMainAllViewFilters, sMainAllListFilters, sMainNoDvEncoder, sMainAllConvertFilters})
            report->addItem(Text(id));
        layout->addWidget(labNom);
        layout->addWidget(tb1);
        layout->addWidget(labTimeStamp);
        layout->addWidget(listing);
        layout->addWidget(report);
        setCentralWidget(central);
        statusBar()->showMessage(Text(sMainReady));
        resize(900, 480);
    }

    // As while a batch runs: the list and every command but the stops are off.
    void Disable()
    {
        centralWidget()->setEnabled(false);
        for (QAction* a : findChildren<QAction*>())
            a->setEnabled(a->objectName() == QLatin1String("afInterrompre"));
    }

    QMenu* video = nullptr;
};

} // namespace

GALLERY_ENTRY(Sample)
{
    stage.Shoot(stage.Keep(std::make_unique<SampleWindow>()), "enabled");
    auto& busy = stage.Keep(std::make_unique<SampleWindow>());
    busy.Disable();
    stage.Shoot(busy, "disabled");
    auto& menu = stage.Keep(std::make_unique<SampleWindow>());
    stage.ShootMenu(menu, *menu.video, "menu");

    const shell::MsgDlgButtons toAll =
        shell::mbYes | shell::mbNo | shell::mbYesToAll | shell::mbNoToAll | shell::mbCancel;
    std::unique_ptr<QMessageBox> box = vcl::QtPrompter::MakeBox(
        "Replace the file\r\n\"片段 2006-12-31 23.59.58_type2.avi\"?", shell::MsgDlgType::mtConfirmation, toAll);
    stage.Shoot(stage.Keep(std::move(box)), "prompter");

    auto font = std::make_unique<vcl::FontColorDialog>();
    font->SetSpec({"Arial", 48, 0x00FFFFFF, rtl::fsBold});
    stage.Shoot(stage.Keep(std::move(font)), "font");
}
