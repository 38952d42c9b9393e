// The pages shown in place of the file list: the options page tab by tab, the about page tab by
// tab with the system lines and a filter test, and the empty-list page.
#include <QListWidget>
#include <QTabWidget>
#include <memory>

#include "platform/rtl/StringIds.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/gallery/Gallery.h"
#include "ui/gallery/GalleryHost.h"

namespace {

vcl::Dialogs& Dialogs()
{
    static vcl::ScriptedDialogs dialogs;
    return dialogs;
}

void ReleaseDate()
{
    settings::ReleaseDateText = "2026-12-06";
}

} // namespace

GALLERY_ENTRY(OptionsFrame)
{
    ReleaseDate();
    settings::DossierPourOuvrirFichiers = "/home/ivor/Vidéos/";
    settings::DossierAOuvertureAuto = "/home/ivor/Vidéos/DV/";
    settings::DossierDesPlayList = "/home/ivor/Documents/";
    settings::DossierPourSauver = "/media/ivor/DV/";
    settings::FichierF3 = "/usr/bin/vlc";
    auto& page = stage.Keep(std::make_unique<ui::TOptionsFrame>(gallery::Host(), Dialogs()));
    page.Localise();
    page.ApplyPreferences();
    const char* commands[] = {"Add the datecode\tCtrl+D", "Convert into Pal",   "Créer un fichier scn\tCtrl+Z",
                              "Extract audio\tCtrl+W",    "添加时间码\tCtrl+T", "Next scene\tF9"};
    for (const char* c : commands) {
        auto* item = new QListWidgetItem(QString::fromUtf8(c).replace(QLatin1Char('\t'), QStringLiteral("    ")),
                                         page.RxCheckListBox1);
        item->setCheckState(Qt::Unchecked);
    }
    QListWidgetItem* fixed = page.RxCheckListBox1->item(4); // a command that cannot be switched off
    fixed->setFlags(fixed->flags() & ~Qt::ItemIsEnabled);
    page.SpeedButton3Click();
    page.LabDecalage->setText(QStringLiteral("1 days 12h 0m 0s"));
    page.ShowOptions();
    stage.ShootTabs(page, *page.pagecontrol1, "tabs");
}

GALLERY_ENTRY(AproposFrame)
{
    ReleaseDate();
    auto& page = stage.Keep(std::make_unique<ui::TAproposFrame>(gallery::Host()));
    page.Localise();
    for (const std::string& line :
         {std::string("你的操作系统是: "), settings::GetWindowsVersionName() + ". ", std::string(),
          std::string("你正在使用:"), std::string("Kestrom:"), std::string("Kestrom not found")})
        page.AppendSystemLine(line);
    page.SetCommandLines({"Add the datecode= +D", "Add the timecode= +T", "Close after commands= +c",
                          "Convertir en Dv Type 2= +2", "Help= +?", "Hide the window= +h", "No confirmation= +m"});
    for (int id : {rtl::sid::sMainAllViewFilters, rtl::sid::sMainAllListFilters, rtl::sid::sMainAllConvertFilters})
        page.reTest->AddLine(rtl::LoadStr(id));
    page.ShowPage();
    stage.ShootTabs(page, *page.PageControl2, "tabs");
}

GALLERY_ENTRY(VideFrame)
{
    auto& page = stage.Keep(std::make_unique<ui::TVideFrame>(gallery::Host()));
    page.Localise();
    page.ShowPage();
    stage.Shoot(page, "help");
}
