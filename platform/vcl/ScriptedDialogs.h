#pragma once
// Dialogs for tests: each dialog takes the next answer of its kind and records what it was
// asked; no answer left (or std::nullopt) is a cancel. Message boxes go to `messages`, a
// shell::ScriptedPrompter with the answers given at construction.
//
//   vcl::ScriptedDialogs d({ModalResult::mrYes});   // the answer to the first message box
//   d.saveAnswers.push_back(dir.path() + "/walk.log");
//   form.SauverBtnClick();                          // runs d.SaveFile(...)
//   EXPECT_EQ(d.saveRequests.at(0).fileName, "clip.log");
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/vcl/Dialogs.h"

namespace vcl {

class ScriptedDialogs : public Dialogs {
public:
    explicit ScriptedDialogs(std::deque<shell::ModalResult> messageAnswers = {}) : messages(std::move(messageAnswers))
    {
    }

    shell::ModalResult MessageDlg(const std::string& text, shell::MsgDlgType type,
                                  shell::MsgDlgButtons buttons) override
    {
        return messages.MessageDlg(text, type, buttons);
    }
    std::optional<std::vector<std::string>> OpenFiles(const OpenRequest& request) override;
    std::optional<std::string> SelectFolder(const FolderRequest& request) override;
    std::optional<rtl::FontSpec> ChooseFont(const rtl::FontSpec& font) override;

    std::deque<std::optional<std::vector<std::string>>> openAnswers;
    std::deque<std::optional<std::string>> saveAnswers; // the name as typed: SaveFile adds the extension
    std::deque<std::optional<std::string>> folderAnswers;
    std::deque<std::optional<rtl::FontSpec>> fontAnswers;

    std::vector<OpenRequest> openRequests;
    std::vector<SaveRequest> saveRequests; // one per time the save dialog was shown
    std::vector<FolderRequest> folderRequests;
    std::vector<rtl::FontSpec> fontRequests;
    shell::ScriptedPrompter messages;

protected:
    std::optional<std::string> AskSaveName(const SaveRequest& request) override;
};

} // namespace vcl
