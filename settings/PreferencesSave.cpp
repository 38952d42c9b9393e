// Writing and deleting the preferences.
#include "platform/registry/Registry.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/ProductName.h"
#include "platform/rtl/Strings.h"
#include "platform/shell/Prompter.h"
#include "platform/shell/Shell.h"
#include "settings/PreferenceTable.h"
#include "settings/Preferences.h"

#include <type_traits>

namespace settings {

namespace {

void WriteStr(reg::TRegistry& r, const char* name, const std::string& value)
{
    r.WriteString(name, value.empty() ? std::string(EmptyMarker) : value);
}

void WriteValues(reg::TRegistry& r)
{
    r.WriteString("version", std::string(rtl::ProductName) + " " + VersionText + " " + rtl::LanguageCode + " by " +
                                 rtl::AuthorName);
    r.WriteString("Dernière Sauvegarde", rtl::FormatDateTime("yyyy/mm/dd hh:nn:ss am/pm", rtl::Now()));
    r.WriteString("Exename", shell::ExecutablePath());
    r.WriteInteger("Top", Top);
    r.WriteInteger("Left", Left);
    for (const detail::PreferenceValue& v : detail::PreferenceValues()) {
        std::visit(
            [&](auto* value) {
                using T = std::remove_pointer_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>)
                    WriteStr(r, v.name, *value);
                else if constexpr (std::is_same_v<T, bool>)
                    r.WriteBool(v.name, *value);
                else if constexpr (std::is_same_v<T, double>)
                    r.WriteFloat(v.name, *value);
                else
                    r.WriteInteger(v.name, *value);
            },
            v.target);
    }
}

std::string Text(int id)
{
    return rtl::Format(rtl::LoadStr(id), rtl::ProductName);
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
            for (const ActionState& a : ActionStates)
                r.WriteInteger(a.Name, a.State);
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
    if (!r.OpenKey(AuthorKey, false) || !r.KeyExists(rtl::ProductName)) {
        prompter.MessageDlg(Text(rtl::sid::sPrefsNotFound), MsgDlgType::mtWarning, shell::mbOK);
        return DeleteOutcome::NotFound;
    }
    bool deleted = r.DeleteKey(rtl::ProductName);
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
