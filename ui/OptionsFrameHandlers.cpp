// The options page's handlers: each control writes its preference at once, and the overlay's
// controls push their value into the viewing graph's overlay filter and redraw the paused picture.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <limits>

#include "media/dv_superposer.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "settings/PSFunctions.h"
#include "settings/Preferences.h"
#include "ui/MouseHooks.h"
#include "ui/OptionsFrame.h"

namespace ui {

using namespace rtl::sid;
namespace prefs = settings;

namespace {

// A check box's click stores its state in `value`.
void Store(QCheckBox* box, bool& value)
{
    QObject::connect(box, &QCheckBox::clicked, box, [box, &value] { value = box->isChecked(); });
}

// A line edit's exit stores its text in `value`, then runs `then`.
void Store(QLineEdit* edit, std::string& value, std::function<void()> then = nullptr)
{
    QObject::connect(edit, &QLineEdit::editingFinished, edit, [edit, &value, then] {
        value = edit->text().toStdString();
        if (then)
            then();
    });
}

} // namespace

void TOptionsFrame::Redraw()
{
    view_.RedrawPaused();
}

void TOptionsFrame::Connect()
{
    media::Tdv_Superposer& overlay = view_.Superposer();
    Store(cbPrefsQuittant, prefs::SauverPreferencesEnQuittant);
    Store(cbSelection, prefs::SelectionnerALOuverture);
    Store(cbListe, prefs::SauverListeEnQuittant);
    Store(cbAjoutAvant, prefs::AjoutAvant);
    QObject::connect(cbPreviewDemi, &QCheckBox::clicked, this, [this] {
        cbPreviewDemiClick();
        if (OnPreviewDemiClick)
            OnPreviewDemiClick();
    });
    rgStandard->SetOnClick([this] { prefs::StandardParDefaut = static_cast<uint8_t>(rgStandard->ItemIndex() + 1); });
    rgfrequenceDV->SetOnClick([this] { prefs::FrequenceDV = static_cast<uint8_t>(rgfrequenceDV->ItemIndex()); });
    QObject::connect(cbsameFolder, &QCheckBox::clicked, this, [this] {
        prefs::SauverDansLeMemeDossier = cbsameFolder->isChecked();
        edDossierSave->setEnabled(!cbsameFolder->isChecked());
    });
    for (vcl::DirectoryEdit* edit : {edDossierOuvrir, edDossierAuto, edDossierSave, edDossierPlayList}) {
        edit->SetOnExit([this, edit] { edDossierExit(*edit); });
        // The dialog's choice is stored at once, as if the edit were left.
        edit->SetOnAfterDialog([this, edit](std::string& name, bool& confirmed) {
            if (!confirmed)
                return;
            edit->SetText(name);
            edDossierExit(*edit);
            name = edit->Text();
        });
    }
    Store(edAjouter, prefs::FormatPourAjouterDatecode);
    Store(edAfficherDatecode, prefs::FormatPourAfficherDatecode);
    Store(edRacine, prefs::RacinePourRenommer);
    Store(edRenommer, prefs::FormatPourRenommer);
    for (QLineEdit* edit : {edAfficher1, edAfficher2})
        QObject::connect(edit, &QLineEdit::editingFinished, this, [this] { edAfficherExit(); });
    rgWhatIncrust->SetOnClick([this, &overlay] {
        prefs::WhatIncrust = static_cast<uint8_t>(rgWhatIncrust->ItemIndex());
        overlay.SetWhatIncrust(prefs::WhatIncrust);
        Redraw();
    });
    QObject::connect(cbAuto, &QCheckBox::clicked, this, [this, &overlay] {
        prefs::AutoIncrust = cbAuto->isChecked() ? 1 : 0;
        rgMode->setEnabled(cbAuto->isChecked());
        overlay.SetAutoIncrust(prefs::AutoIncrust);
        Redraw();
    });
    rgMode->SetOnClick([this, &overlay] {
        prefs::WhenIncrust = static_cast<uint8_t>(rgMode->ItemIndex());
        overlay.SetWhenIncrust(prefs::WhenIncrust);
        Redraw();
    });
    QObject::connect(edDureeIncrust, &QLineEdit::editingFinished, this, [this] { edDureeIncrustExit(); });
    QObject::connect(cbAutoFontSize, &QCheckBox::clicked, this, [this, &overlay] {
        prefs::StandardFontSize = cbAutoFontSize->isChecked();
        overlay.SetAutoFontSize(prefs::StandardFontSize);
        Redraw();
    });
    rgAlign->SetOnClick([this, &overlay] {
        prefs::Alignement = static_cast<uint8_t>(rgAlign->ItemIndex());
        overlay.SetAlignment(prefs::Alignement);
        Redraw();
    });
    QObject::connect(sbIncrustFont, &QPushButton::clicked, this, [this] { sbIncrustFontClick(); });
    QObject::connect(cbSendTo, &QCheckBox::clicked, this, [this] { cbSendToClick(); });
    QObject::connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    OnMouseDown(*Label4, [this] { SpeedButton3Click(); });

    auto raise = [](const std::function<void()>& event) {
        if (event)
            event();
    };
    QObject::connect(SpeedButton1, &QToolButton::clicked, this, [this, raise] { raise(OnSaveNow); });
    OnMouseDown(*LabelSauverNow, [this, raise] { raise(OnSaveNow); });
    QObject::connect(SpeedButton2, &QToolButton::clicked, this, [this, raise] { raise(OnDeletePrefs); });
    OnMouseDown(*LabelEffacerPrefs, [this, raise] { raise(OnDeletePrefs); });
    QObject::connect(sbDecalageAvance, &QPushButton::clicked, this, [this, raise] { raise(OnDecalageAvanceClick); });
    const std::pair<vcl::FileNameEdit*, std::function<void(const std::string&)> TOptionsFrame::*> pickers[] = {
        {feFichierKestrom, &TOptionsFrame::OnFichierKestromAfterDialog},
        {feFichierF3, &TOptionsFrame::OnFichierF3AfterDialog},
        {feFichierF4, &TOptionsFrame::OnFichierF4AfterDialog}};
    for (const auto& [edit, event] : pickers) {
        // A cancelled dialog changes nothing.
        edit->SetOnAfterDialog([this, event](std::string& name, bool& confirmed) {
            if (confirmed && this->*event)
                (this->*event)(name);
        });
    }
}

void TOptionsFrame::cbPreviewDemiClick()
{
    prefs::PrevisualiserDVEnDemiFormat = cbPreviewDemi->isChecked();
}

void TOptionsFrame::cbSendToClick()
{
    prefs::Sendto = cbSendTo->isChecked();
    const std::string launcher = prefs::SendToShortcutPath(rtl::ProductName);
    if (prefs::Sendto) {
        if (prefs::CreateSendToShortcut(rtl::ProductName))
            return;
        // Not written: the box and the preference say so, and the user is told.
        prefs::Sendto = false;
        const QSignalBlocker quiet(cbSendTo);
        cbSendTo->setChecked(false);
        dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sOptSendToFailed), launcher), shell::MsgDlgType::mtError,
                            shell::mbOK);
    } else if (!prefs::DeleteSendToShortcut(rtl::ProductName)) {
        dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(sOptSendToRemoveFailed), launcher), shell::MsgDlgType::mtWarning,
                            shell::mbOK);
    }
}

void TOptionsFrame::SpeedButton3Click()
{
    for (int i = 0; i < RxCheckListBox1->count(); ++i) {
        QListWidgetItem* item = RxCheckListBox1->item(i);
        if (item->flags() & Qt::ItemIsEnabled)
            item->setCheckState(Qt::Checked);
    }
}

std::string* TOptionsFrame::FolderOf(const vcl::DirectoryEdit& edit) const
{
    if (&edit == edDossierOuvrir)
        return &prefs::DossierPourOuvrirFichiers;
    if (&edit == edDossierAuto)
        return &prefs::DossierAOuvertureAuto;
    if (&edit == edDossierSave)
        return &prefs::DossierPourSauver;
    if (&edit == edDossierPlayList)
        return &prefs::DossierDesPlayList;
    return nullptr;
}

void TOptionsFrame::edDossierExit(vcl::DirectoryEdit& edit)
{
    std::string* folder = FolderOf(edit);
    if (!folder)
        return;
    // An emptied folder would send dialogs and outputs to the root: the documents folder stands
    // in, as when the preferences are loaded.
    const std::string text = edit.Text();
    *folder = rtl::IncludeTrailingPathDelimiter(rtl::Trim(text).empty() ? prefs::GetMyDocumentsFolder() : text);
    if (edit.Text() != *folder)
        edit.SetText(*folder);
    if (&edit == edDossierPlayList && OnDossierPlayListExit)
        OnDossierPlayListExit(*folder);
}

void TOptionsFrame::edAfficherExit()
{
    prefs::FormatPourIncrusterDatecode1 = edAfficher1->text().toStdString();
    prefs::FormatPourIncrusterDatecode2 = edAfficher2->text().toStdString();
    view_.Superposer().SetIncrustFormats(prefs::FormatPourIncrusterDatecode1, prefs::FormatPourIncrusterDatecode2);
    Redraw();
}

void TOptionsFrame::edDureeIncrustExit()
{
    const std::string text = edDureeIncrust->text().toStdString();
    int64_t seconds = 0;
    const bool integer = rtl::TryStrToInt(rtl::Trim(text), seconds) && seconds >= std::numeric_limits<int32_t>::min() &&
                         seconds <= std::numeric_limits<int32_t>::max();
    if (!integer || seconds < 0) {
        // The stored value stays and shows again: a text left in the edit would fail the save.
        dialogs_.MessageDlg(rtl::Format(rtl::LoadStr(integer ? sOptBadDuration : sRtlInvalidInteger), text),
                            shell::MsgDlgType::mtError, shell::mbOK);
        edDureeIncrust->setText(QString::number(prefs::DureeIncrustation));
        return;
    }
    prefs::DureeIncrustation = static_cast<int32_t>(seconds);
    const int64_t frames = rtl::Round(static_cast<double>(seconds) * view_.ViewFps);
    view_.Superposer().SetIncrustDuration(
        static_cast<int32_t>(std::min<int64_t>(frames, std::numeric_limits<int32_t>::max())));
    Redraw();
}

void TOptionsFrame::sbIncrustFontClick()
{
    rtl::FontSpec& font = prefs::IncrustFont;
    if (const std::optional<rtl::FontSpec> chosen = dialogs_.ChooseFont(font)) {
        font.Name = chosen->Name;
        font.Color = chosen->Color;
        font.Style = chosen->Style;
        font.Size = chosen->Size;
    }
    media::Tdv_Superposer& overlay = view_.Superposer();
    media::PushFont(overlay, font);
    Redraw();
}

void TOptionsFrame::AppendMailLine(const std::string& text)
{
    zekUrlLabel2->MailBody += text + "  /  ";
}

} // namespace ui
