#include "actions/WindowHooks.h"

#include <atomic>

#include "platform/threads/GuiCall.h"

namespace actions {

namespace {

WindowHooks defaultHooks;
// Set on the GUI thread, read by the workers.
std::atomic<WindowHooks*> installed{&defaultHooks};

} // namespace

void SetWindowHooks(WindowHooks* hooks)
{
    installed.store(hooks ? hooks : &defaultHooks);
}

WindowHooks& Hooks()
{
    return *installed.load();
}

void CallHooks(const std::function<void(WindowHooks&)>& call)
{
    threads::SendToGui([&] { call(Hooks()); });
}

} // namespace actions
