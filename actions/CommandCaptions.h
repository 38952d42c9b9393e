#pragma once
// The caption of the main window's command that runs each file action: the string-table text its
// menus show, and the one name the command has everywhere else, in the switch help ("+h?" and the
// about page's command-line table) and in the lines of the run without a window. The window takes
// its file commands' captions from this table; the run without a window reads the same texts
// without making a widget.
//
//   actions::CommandCaption(action)   // "Convert into DV type 2" for DVType2
#include <string>
#include <string_view>

namespace actions {

class tFileAction;

// The string id of the caption of the command that runs the file action called `name` (its Name,
// exactly); 0 when no command of the window runs it.
int CommandCaptionId(std::string_view name);

// That caption from the string table; the action's own caption when no command runs it.
std::string CommandCaption(const tFileAction& action);

} // namespace actions
