#include "platform/shell/Prompter.h"

#include <cstdio>

namespace shell {

ModalResult StdErrPrompter::MessageDlg(const std::string& text, MsgDlgType type, MsgDlgButtons buttons)
{
    const char* kind = type == MsgDlgType::mtError ? "error" : type == MsgDlgType::mtWarning ? "warning" : "note";
    std::fprintf(stderr, "morvel: %s: %s\n", kind, text.c_str());
    if (buttons & (mbYes | mbNo))
        return answer_;
    if (buttons & mbOK)
        return ModalResult::mrOk;
    return ModalResult::mrCancel;
}

ModalResult ScriptedPrompter::MessageDlg(const std::string& text, MsgDlgType type, MsgDlgButtons buttons)
{
    shown_.push_back({text, type, buttons});
    if (answers_.empty())
        return ModalResult::mrCancel;
    const ModalResult r = answers_.front();
    answers_.pop_front();
    return r;
}

} // namespace shell
