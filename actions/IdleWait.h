#pragma once
// Waiting for a list or scan thread to run dry. Their events wait on the GUI thread, so a wait
// made on the GUI thread runs those calls while it waits instead of blocking them.
#include "platform/threads/Worker.h"

namespace actions {

// Negative time-out: forever. False on time-out.
bool WaitIdleServingGui(threads::Worker& worker, int timeoutMs);

} // namespace actions
