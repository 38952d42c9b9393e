// The main window's texts from the string table, every window's texts in start-up order, the
// open-with captions and the about page's system lines.
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

#include "actions/chmodule.h"
#include "formats/DSFunctions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Gauge.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/ShortCutKeys.h"
#include "settings/LocalMachineReader.h"
#include "settings/Preferences.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/Texts.h"
#include "ui/UIForm.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"
#include "ui/riffunitWindow.h"

namespace ui {

using namespace rtl::sid;

namespace {

std::string HintOf(const std::array<int, 2>& ids)
{
    std::string text;
    for (int id : ids)
        if (id != 0)
            text += (text.empty() ? "" : "\r\n") + rtl::LoadStr(id);
    return text;
}

} // namespace

void TUIForm::Localise()
{
    setWindowTitle(QString::fromStdString(
        rtl::Format(rtl::LoadStr(sMainCaption), rtl::ProductName, settings::VersionText, rtl::AuthorName)));
    setFont(vcl::ToQFont(rtl::LoadStr(sMainWindowFont), 8));
    labFichiers->setFont(vcl::ToQFont(rtl::LoadStr(sMainListFont), 8));

    ToolBar1->setWindowTitle(Text(sMainToolBar));
    vcl::SetHint(*statusBar(), rtl::LoadStr(sMainStatusHint));
    vcl::SetAccessibleHint(*Gauge2, Lines({sMainVolumeHint, sMainVolumeHint + 1}));

    for (Command& command : al) {
        const ActionRow& row = *command.Row;
        QAction& a = *command.Action;
        command.Category = rtl::LoadStr(row.category);
        command.Cat = static_cast<uint8_t>(CategoryIndex(command.Category));
        a.setText(Text(row.caption));
        if (row.hint[0] != 0)
            vcl::SetHint(a, HintOf(row.hint));
        // A tool bar's button shows its action's tool tip: the button's own hint; the status bar
        // keeps the action's.
        if (row.bar != 0)
            a.setToolTip(vcl::ToolTipText(HintOf(row.buttonHint)));
        if (row.key2 != 0) {
            const rtl::TShortCut primary = a.shortcut().isEmpty() ? 0 : vcl::FromKeySequence(a.shortcut());
            vcl::SetShortCuts(a, {primary, rtl::TextToShortCut(rtl::LoadStr(row.key2))});
        }
    }

    const std::pair<QMenu*, int> menus[] = {
        {Fichiers1, sMainFilesMenu},        {Ordrealphabtique1, sMainSortMenu}, {Vido1, sMainVideoMenu},
        {Renommer1, sMainRename},           {Convertir1, sMainConvertMenu},     {Exporter1, sMainScenesMenu},
        {OrdreAlphabtique2, sMainSortPopup}};
    for (const auto& [menu, id] : menus)
        menu->setTitle(Text(id));
}

void TUIForm::LocaliseWindows()
{
    Localise();
    OptionsFrame->Localise();
    AproposFrame->Localise();
    BaseFrame->Localise();
    VideFrame->Localise();
    RiffForm->Localise();
    FrequenceForm->Localise();
    ch_.Localise();
    CodecForm->Localise();
    DecalageForm->Localise();
}

void TUIForm::ShowOpenWithCaptions()
{
    const std::pair<QAction*, const std::string*> programs[] = {{afKestrom, &settings::FichierKestrom},
                                                                {amOpenFichierF3, &settings::FichierF3},
                                                                {amOpenFichierF4, &settings::FichierF4}};
    for (const auto& [action, program] : programs)
        action->setText(QString::fromStdString(rtl::LoadStr(sMainOpenWith) +
                                               rtl::ChangeFileExt(rtl::ExtractFileName(*program), "")));
}

void TUIForm::WriteSystemText()
{
    AproposFrame->reApropos->Clear();
    AproposFrame->reApropos->setFont(vcl::ToQFont("Arial", 8));
    ecrire_noir(rtl::LoadStr(sUiYourSystem));
    ecrire_noir(windowsVersion_ + ". ");
    ecrire_noir("");
    ecrire_noir(rtl::LoadStr(sUiYouUse));
    ecrire_noir(rtl::LoadStr(sUiDirectX) + formats::GetDirectXVersion(settings::LocalMachineReader()) + ".");
    ecrire_noir("");
    ecrire_noir(rtl::LoadStr(sUiKestrom));
    ecrire_noir(rtl::FileExists(settings::FichierKestrom) ? settings::FichierKestrom
                                                          : rtl::LoadStr(sUiKestromNotFound));
}

} // namespace ui
