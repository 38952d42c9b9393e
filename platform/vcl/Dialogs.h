#pragma once
// The common dialogs and the message box, behind one interface: the program shows them with Qt
// (QtDialogs, QtPrompter.h), tests script them (ScriptedDialogs). A window takes a Dialogs& (or a
// shell::Prompter& when it only asks questions). Call on the GUI thread.
//
//   vcl::OpenRequest r{.filter = "Files  avi|*.avi;", .initialDir = folder, .multiSelect = true};
//   if (auto files = dialogs.OpenFiles(r)) for (const std::string& f : *files) ...
//   vcl::SaveRequest s{.filter = LoadStr(sRiffSaveFilter), .fileName = ChangeFileExt(name, ".log")};
//   if (auto name = dialogs.SaveFile(s)) ...
//
// Filters are written as the class library writes them: "Text|*.txt;*.log|All files (*.*)|*.*",
// with the one-based FilterIndex of the pair shown first.
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/FontSpec.h"
#include "platform/shell/Prompter.h"

namespace vcl {

// Every field has an initialiser, so a request names only what it sets: {.filter = ..., .multiSelect = true}.
struct OpenRequest {
    std::string title{}; // "" for the platform's
    std::string filter{};
    int filterIndex = 1;
    std::string initialDir{};
    std::string fileName{};
    bool multiSelect = false;
};

struct SaveRequest {
    std::string title{};
    std::string filter{};
    int filterIndex = 1;
    std::string initialDir{};
    std::string fileName{};
    std::string defaultExt{};     // added to a name without extension ("txt" or ".txt")
    bool overwritePrompt = false; // ask before a file is replaced
};

struct FolderRequest {
    std::string title{};
    std::string initialDir{};
};

class Dialogs : public shell::Prompter {
public:
    // The chosen files (one unless multiSelect); none when cancelled.
    virtual std::optional<std::vector<std::string>> OpenFiles(const OpenRequest& request) = 0;
    // The chosen name, the default extension added when it has none. With overwritePrompt, a name
    // that exists is asked about (MessageDlg, Yes/No); No shows the dialog again. None when
    // cancelled.
    std::optional<std::string> SaveFile(const SaveRequest& request);
    virtual std::optional<std::string> SelectFolder(const FolderRequest& request) = 0;
    // The font chosen, with its colour (the size in points); none when cancelled.
    virtual std::optional<rtl::FontSpec> ChooseFont(const rtl::FontSpec& font) = 0;

protected:
    // The name as the dialog gives it.
    virtual std::optional<std::string> AskSaveName(const SaveRequest& request) = 0;
};

// `name` with "." + `defaultExt` appended when its last component has no extension.
std::string WithDefaultExt(const std::string& name, const std::string& defaultExt);

} // namespace vcl
