#pragma once
// Command-line switches: every file action with a letter can be run from the command line.
//
//   SwitchList table = BuildSwitchList(names);        // catalogue order
//   CommandLine line = ParseCommandLine(params, table);
//   if (!line.Error.empty()) ...                       // a rejected line runs nothing
//   for (SwitchBatch& b : RunSwitches(line, table, files)) ...
//
// A parameter is a switch when it starts with "+" or "/", holds no "." and names no existing path
// (so /media/tapes is a folder, not the letters e, d, i, a, t, p, s). Its letters, lower-cased,
// are the table's or the fixed ones: "c" close after the commands, "h" hidden, "m" no
// confirmation, "?" help. Every other parameter names a file.
#include <string>
#include <string_view>
#include <vector>

#include "actions/FileAction.h"
#include "actions/cmd_unit.h"

namespace actions {

// One line of the table: an action's letters (lower case) and the action.
struct SwitchEntry {
    std::string Letters;
    tFileAction* Action;
};
using SwitchList = std::vector<SwitchEntry>;

inline constexpr std::string_view kFixedSwitchLetters = "chm?";

// Every action of the list that has a letter, in the list's order.
SwitchList BuildSwitchList(const FileActionNames& names);

// The help, one line per action whose command has a caption (CommandCaption, the name the menus
// give it), then the four fixed letters: the text, "= +" and the letter, sorted alphabetically
// (case aside) as the help table shows them.
std::vector<std::string> SwitchHelpLines(const SwitchList& table);

bool IsSwitch(std::string_view parameter);

struct CommandLine {
    std::vector<std::string> Switches; // lower-cased, in order
    std::vector<std::string> Files;    // every other parameter, as given, in order
    bool Hidden = false;               // a switch holds "h"
    bool NoConfirmation = false;       // "m"
    bool CloseAfter = false;           // "c"
    bool Help = false;                 // "?"
    std::string Error;                 // not empty: the line is rejected; names parameter and letters
};

CommandLine ParseCommandLine(const std::vector<std::string>& parameters, const SwitchList& table);

// One action to run over the command line's files, with the runner it takes.
struct SwitchBatch {
    tFileAction* Action;
    RunnerKind Runner;
    TBatchThread::FileList Files;
};

// The batches of the command line: for each switch in order, for each table line whose letters
// it holds (in table order, not in the order of the letters: "+dq" dates, then shortens), that
// action over `files` in their order.
std::vector<SwitchBatch> RunSwitches(const CommandLine& line, const SwitchList& table,
                                     const TBatchThread::FileList& files);

} // namespace actions
