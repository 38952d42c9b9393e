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
        if (onListFinished_)
            threads::SendToGui(onListFinished_);
    });
    Wake();
}

TlistThread::~TlistThread()
{
    Interrupt();
    WaitIdleServingGui(worker_, -1);
}

void TlistThread::Queue(std::string fileName)
{
    uint64_t generation = 0;
    {
        std::lock_guard<std::mutex> guard(lock_);
        generation = generation_;
    }
    worker_.Post([this, name = std::move(fileName), generation] { Take(name, generation); });
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

void TlistThread::Take(const std::string& fileName, uint64_t generation)
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (generation != generation_)
            return; // queued before an Interrupt()
        ListEnabled = 1;
    }
    if (!rtl::FileExists(fileName))
        return;
    std::shared_ptr<const TAfficherFichier> fichier;
    try {
        fichier = std::make_shared<const TAfficherFichier>(fileName);
    } catch (const std::exception&) {
        return; // the analysis itself never raises for a bad file; anything else skips the name
    }
    if (onAddFile_)
        threads::SendToGui([&] { onAddFile_(std::move(fichier)); });
}

} // namespace actions
