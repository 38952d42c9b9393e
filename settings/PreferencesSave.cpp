// Writing and deleting the preferences.
#include "platform/registry/Registry.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/Strings.h"
#include "platform/shell/Prompter.h"
#include "platform/shell/Shell.h"
#include "settings/Preferences.h"

namespace settings {

namespace {

void WriteStr(reg::TRegistry& r, const char* name, const std::string& value)
{
    r.WriteString(name, value.empty() ? std::string(EmptyMarker) : value);
}

void WriteValues(reg::TRegistry& r)
{
    r.WriteString("version", std::string(ProductName) + " " + VersionText + " " + LanguageCode + " by " + AuthorName);
    r.WriteString("Dernière Sauvegarde", rtl::FormatDateTime("yyyy/mm/dd hh:nn:ss am/pm", rtl::Now()));
    r.WriteString("Exename", shell::ExecutablePath());
    r.WriteInteger("Top", Top);
    r.WriteInteger("Left", Left);
    r.WriteInteger("Ordre de la Liste", OrdreDeLaListe);
    r.WriteBool("Sauver préférences en quittant", SauverPreferencesEnQuittant);
    r.WriteBool("Sélectionner à l'ouverture", SelectionnerALOuverture);
    r.WriteBool("Sauver Liste en quittant", SauverListeEnQuittant);
    r.WriteBool("Previsualiser DV en demi format", PrevisualiserDVEnDemiFormat);
    r.WriteBool("Sauver dans le même dossier", SauverDansLeMemeDossier);
    WriteStr(r, "Dossier pour Ouvrir Fichiers", DossierPourOuvrirFichiers);
    WriteStr(r, "Dossier à ouverture auto", DossierAOuvertureAuto);
    WriteStr(r, "Dossier pour Sauver", DossierPourSauver);
    WriteStr(r, "Dossier des PlayList", DossierDesPlayList);
    WriteStr(r, "Fichier Kestrom", FichierKestrom);
    WriteStr(r, "Fichier F3", FichierF3);
    WriteStr(r, "Fichier F4", FichierF4);
    r.WriteInteger("Standard par défaut", StandardParDefaut);
    r.WriteInteger("Frequence DV", FrequenceDV);
    r.WriteInteger("Volume", Volume);
    WriteStr(r, "Format pour Ajouter Datecode", FormatPourAjouterDatecode);
    WriteStr(r, "Format pour Afficher Datecode", FormatPourAfficherDatecode);
    WriteStr(r, "Format pour Incruster Datecode1", FormatPourIncrusterDatecode1);
    WriteStr(r, "Format pour Incruster Datecode2", FormatPourIncrusterDatecode2);
    WriteStr(r, "Format pour Renommer", FormatPourRenommer);
    WriteStr(r, "Racine pour Renommer", RacinePourRenommer);
    r.WriteBool("Standard FontSize", StandardFontSize);
    r.WriteInteger("When Incrust", WhenIncrust);
    r.WriteInteger("Auto Incrust", AutoIncrust);
    r.WriteInteger("What Incrust", WhatIncrust);
    r.WriteInteger("Alignement", Alignement);
    r.WriteBool("Sendto", Sendto);
    r.WriteInteger("Durée Incrustation", DureeIncrustation);
    r.WriteFloat("Décalage Horaire", DecalageHoraire);
    r.WriteInteger("Incrust positionX", IncrustPositionX);
    r.WriteInteger("Incrust positionY", IncrustPositionY);
    r.WriteBool("is Mute on", IsMuteOn);
    r.WriteBool("is Incrust On", IsIncrustOn);
    r.WriteBool("Incrust Sliders Visible", IncrustSlidersVisible);
    r.WriteBool("Decalage avancé", DecalageAvance);
    r.WriteBool("Ajout Avant", AjoutAvant);
}

std::string Text(int id)
{
    return rtl::Format(rtl::LoadStr(id), ProductName);
}

} // namespace

bool SavePreferences()
{
    reg::TRegistry r(reg::HKEY_CURRENT_USER);
    bool complete = true;
    try {
        if (r.OpenKey(ProductKey, true))
            WriteValues(r);
        else
            complete = false;

        // Rebuilt from scratch so that commands that no longer exist leave no value behind.
        const std::string actions = std::string(ProductKey) + "\\Actions";
        r.DeleteKey(actions);
        if (r.OpenKey(actions, true)) {
            for (const ActionState& a : ActionStates) r.WriteInteger(a.Name, a.State);
        } else {
            complete = false;
        }

        if (r.OpenKey(std::string(ProductKey) + "\\IncrustFont", true)) {
            r.WriteInteger("Size", IncrustFont.Size);
            r.WriteInteger("Color", static_cast<int32_t>(IncrustFont.Color));
            r.WriteString("Name", IncrustFont.Name);
            r.WriteBool("Bold", IncrustFont.Style & fsBold);
            r.WriteBool("Italic", IncrustFont.Style & fsItalic);
            r.WriteBool("Underline", IncrustFont.Style & fsUnderline);
            r.WriteBool("StrikeOut", IncrustFont.Style & fsStrikeOut);
        } else {
            complete = false;
        }
    } catch (const reg::ERegistryException&) {
        complete = false; // what was written stays written
    }
    return r.Flush() && complete;
}

DeleteOutcome DeletePreferences(shell::Prompter& prompter)
{
    using shell::MsgDlgType;
    if (prompter.MessageDlg(Text(rtl::sid::sPrefsDeleteQuestion), MsgDlgType::mtWarning, shell::mbYes | shell::mbNo) !=
        shell::ModalResult::mrYes)
        return DeleteOutcome::Cancelled;

    reg::TRegistry r(reg::HKEY_CURRENT_USER);
    if (!r.OpenKey(AuthorKey, false) || !r.KeyExists(ProductName)) {
        prompter.MessageDlg(Text(rtl::sid::sPrefsNotFound), MsgDlgType::mtWarning, shell::mbOK);
        return DeleteOutcome::NotFound;
    }
    bool deleted = r.DeleteKey(ProductName);
    // The author's key goes too once nothing of another product is left in it.
    if (deleted && !r.HasSubKeys() && r.GetValueNames().empty()) {
        r.CloseKey();
        r.DeleteKey(AuthorKey);
    }
    deleted = r.Flush() && deleted;
    if (!deleted) {
        prompter.MessageDlg(Text(rtl::sid::sPrefsDeleteFailed), MsgDlgType::mtError, shell::mbOK);
        return DeleteOutcome::Failed;
    }
    prompter.MessageDlg(Text(rtl::sid::sPrefsDeleted), MsgDlgType::mtInformation, shell::mbOK);
    return DeleteOutcome::Deleted;
}

} // namespace settings
