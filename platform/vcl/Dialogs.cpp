#include "platform/vcl/Dialogs.h"

#include <filesystem>
#include <system_error>

#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

namespace vcl {

std::string WithDefaultExt(const std::string& name, const std::string& defaultExt)
{
    std::string ext = defaultExt;
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    if (ext.empty() || name.empty() || !rtl::ExtractFileExt(name).empty())
        return name;
    return name + "." + ext;
}

std::optional<std::string> Dialogs::SaveFile(const SaveRequest& request)
{
    SaveRequest ask = request;
    for (;;) {
        std::optional<std::string> name = AskSaveName(ask);
        if (!name)
            return std::nullopt;
        *name = WithDefaultExt(*name, request.defaultExt);
        std::error_code ec;
        if (!request.overwritePrompt || !std::filesystem::exists(*name, ec))
            return name;
        const std::string question = rtl::Format(rtl::LoadStr(rtl::sid::sReplaceFileQuestion), *name);
        if (MessageDlg(question, shell::MsgDlgType::mtWarning, shell::mbYes | shell::mbNo) == shell::ModalResult::mrYes)
            return name;
        ask.fileName = *name; // back to the dialog, as the user left it
    }
}

} // namespace vcl
