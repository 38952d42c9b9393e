#include "actions/list_unit.h"

#include <exception>

#include "actions/IdleWait.h"
#include "actions/aviFichier.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"

namespace actions {

TlistThread::TlistThread(AddFileSink onAddFile, ListFinishedSink onListFinished)
    : onAddFile_(std::move(onAddFile)), onListFinished_(std::move(onListFinished))
{
    worker_.SetOnIdle([this] {
        {
            std::lock_guard<std::mutex> guard(lock_);
            ListEnabled = 1;
        }
        // Sent even without a sink: it comes after every entry posted on the way, so once it has
        // run none of them is left to run after the thread.
        threads::SendToGui([this] {
            if (onListFinished_)
                onListFinished_();
        });
    });
    Wake();
}

TlistThread::~TlistThread()
{
    Interrupt();
    WaitIdleServingGui(worker_, -1);
}

uint64_t TlistThread::Generation()
{
    std::lock_guard<std::mutex> guard(lock_);
    return generation_;
}

void TlistThread::Queue(std::string fileName)
{
    worker_.Post([this, name = std::move(fileName), generation = Generation()] { Take(name, generation); });
}

void TlistThread::QueueAll(std::vector<std::string> fileNames, DoneSink done)
{
    worker_.Post([this, names = std::move(fileNames), done = std::move(done), generation = Generation()] {
        bool complete = true;
        for (const std::string& name : names)
            if (!Take(name, generation)) {
                complete = false;
                break;
            }
        if (done)
            threads::SendToGui([&] { done(complete); });
    });
}

void TlistThread::Wake()
{
    worker_.Post([] {});
}

void TlistThread::Interrupt()
{
    std::lock_guard<std::mutex> guard(lock_);
    ++generation_;
    ListEnabled = 0;
}

bool TlistThread::WaitIdle(int timeoutMs)
{
    return WaitIdleServingGui(worker_, timeoutMs);
}

bool TlistThread::Take(const std::string& fileName, uint64_t generation)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (generation != generation_)
            return false; // queued before an Interrupt()
        ListEnabled = 1;
    }
    if (!rtl::FileExists(fileName))
        return true;
    std::shared_ptr<const TAfficherFichier> fichier;
    try {
        fichier = std::make_shared<const TAfficherFichier>(fileName);
    } catch (const std::exception&) {
        return true; // the analysis itself never raises for a bad file; anything else skips the name
    }
    // Posted: the next name is analysed while the window takes this one.
    if (onAddFile_)
        threads::PostToGui([this, f = std::move(fichier)]() mutable { onAddFile_(std::move(f)); });
    return true;
}

} // namespace actions
