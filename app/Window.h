#pragma once
// The run with the window: every command line without "h" opens it. Its files are listed; "?"
// shows the switches on the about page.
//
// MORVEL_STARTUP_TRACE=1 prints, on standard error, the milliseconds since the process started
// at the first paint and at the end of the command line's loading, then closes the window.
#include "actions/chmodule.h"
#include "actions/switches.h"

namespace app {

// A window can be opened: a Qt platform is named, or there is a display to connect to.
bool DisplayAvailable();

// Registers the system filters and loads the regional settings: what both runs need first.
void StartShared();

// Opens the window and runs until it closes; returns the exit status. Without a display: one
// line on standard error and kExitRejected.
int RunWindow(int argc, char** argv, actions::Tch& ch, const actions::CommandLine& line);

} // namespace app
