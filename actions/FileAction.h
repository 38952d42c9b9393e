#pragma once
// A file command: a name, texts, keys and four events that say whether it is offered, whether
// it applies to a file, what to ask first and what to do. The module Tch holds the 32 of them;
// the window and the command line run them through the runners, each on its own copy.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/ShortCut.h"

namespace actions {

class TAfficherFichier;

// The parameter record handed to every event. Nothing fills it or reads it; it is passed through
// and copied with the action.
struct TParam {
    std::string Name;
    int32_t Value = 0;
    std::vector<int32_t> Integers;
};

// What an executed action did to its file, for the file list.
enum TchUpdateType : uint8_t {
    utNone = 0,   // nothing to refresh
    utAdd = 1,    // newfichier is a new file (a conversion's output) to list
    utDelete = 2, // the entry goes
    utModify = 3, // the entry's object is rebuilt from disk
    utRename = 4, // the entry is replaced by one for newfichier
};

// Which runner the window uses for the action.
enum class RunnerKind : uint8_t {
    Gui,  // the current file, in the GUI thread
    Fast, // the fast thread over the selected files
    Cmd,  // the command thread over the selected files
    None, // without a file
};

// How one file's execution ended, counted and reported by the runners.
struct ExecutionOutcome {
    bool Done = true;
    std::string Message; // why it failed

    static ExecutionOutcome Failed(std::string message) { return {false, std::move(message)}; }
};

using TGeneralConditionEvent = std::function<void(TParam& param, bool& visible)>;
using TFileConditionEvent =
    std::function<void(TParam& param, const TAfficherFichier& fichier, bool& visible, bool& enabled)>;
using TConfirmationEvent = std::function<void(TParam& param, const TAfficherFichier& fichier, std::string& confirmMsg)>;
// Empties newfichier and sets update before it returns.
using TExecutionEvent = std::function<ExecutionOutcome(TParam& param, const TAfficherFichier& fichier,
                                                       std::string& newfichier, TchUpdateType& update)>;

class tFileAction {
public:
    std::string Name;
    std::string Caption;
    std::string MonoMessage; // progress text and error message pattern; "%s" is the file name
    std::string Modele;      // Name of the action whose handlers fill this one's unassigned events
    rtl::TShortCut Shortcut = 0;
    TParam Param;
    RunnerKind Runner = RunnerKind::None;
    TchUpdateType SuccessUpdate = utNone; // what a success returns
    TchUpdateType FailureUpdate = utNone; // what a failure returns

    TConfirmationEvent OnConfirmation;
    TExecutionEvent OnExecution;
    TFileConditionEvent OnFileCondition;
    TGeneralConditionEvent OnGeneralCondition;

    // The shortcut as text ("Ctrl+T", "" for none); an unknown text sets none.
    std::string ShortcutText() const { return rtl::ShortCutToText(Shortcut); }
    void SetShortcutText(std::string_view text) { Shortcut = rtl::TextToShortCut(text); }
    // Command-line letters, always held in lower case; empty for none.
    const std::string& Switch() const { return switch_; }
    void SetSwitch(std::string_view letters);

private:
    std::string switch_;
};

// Every action of the module under its lower-cased Name, in module order: how the window and
// the switch table find the action of a command.
class FileActionNames {
public:
    struct Entry {
        std::string Name; // lower case
        tFileAction* Action;
    };

    void Add(tFileAction& action);
    // The action of that name, whatever its case; nullptr when none.
    tFileAction* Find(std::string_view name) const;
    const std::vector<Entry>& Entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// For every action with a Modele, the action of exactly that Name lends its handler to each of
// the four events left unassigned. A Modele naming no action copies nothing.
void ApplyModele(const FileActionNames& names);

} // namespace actions
