#pragma once
// Calls into the GUI thread from any thread, in place of PostMessage, SendMessage and the thread
// class's Synchronize.
//
//   threads::PostToGui([=] { form.OnProgress(percent); });   // queued, returns at once
//   threads::SendToGui([&] { answer = AskUser(); });         // waits until it has run
//
// The GUI thread is the thread of the QCoreApplication. SendToGui runs the call directly when it
// is made on the GUI thread (so a blocking call never deadlocks on itself) or when there is no
// application object (tests, hidden runs without an event loop). Never hold a lock across
// SendToGui that the GUI thread may want, and never send from a media streaming thread: the GUI
// thread may be stopping that graph, which joins the streaming threads (post instead).
#include <functional>

namespace threads {

bool IsGuiThread();
void PostToGui(std::function<void()> call);
void SendToGui(const std::function<void()>& call);
inline void Synchronize(const std::function<void()>& call)
{
    SendToGui(call);
}

} // namespace threads
