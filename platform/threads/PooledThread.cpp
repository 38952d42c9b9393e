#include "platform/threads/PooledThread.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace threads {

struct PooledThread::Run {
    std::mutex lock; // guards done
    std::condition_variable doneChanged;
    bool done = false;
};

namespace {

// More idle threads than this end after their job: a few graphs' worth of streams.
constexpr size_t kMaxIdle = 16;

struct Slot {
    std::condition_variable wake;
    std::function<void()> job;              // guarded by the pool's lock until taken
    std::shared_ptr<PooledThread::Run> run; // guarded by the pool's lock until taken
};

class Pool {
public:
    void Start(std::function<void()> job, std::shared_ptr<PooledThread::Run> run)
    {
        std::unique_lock<std::mutex> guard(lock_);
        if (!idle_.empty()) {
            Slot* slot = idle_.back();
            idle_.pop_back();
            slot->job = std::move(job);
            slot->run = std::move(run);
            slot->wake.notify_one(); // under the lock: once it runs the job, the slot may end
            return;
        }
        guard.unlock();
        auto slot = std::make_unique<Slot>();
        slot->job = std::move(job);
        slot->run = std::move(run);
        std::thread thread([this, s = slot.get()] { Loop(s); });
        slot.release(); // the thread owns it now
        thread.detach();
    }

    int IdleCount()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return static_cast<int>(idle_.size());
    }

private:
    void Loop(Slot* slot)
    {
        std::unique_ptr<Slot> own(slot);
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            std::function<void()> job = std::move(slot->job);
            std::shared_ptr<PooledThread::Run> run = std::move(slot->run); // leaves it empty
            guard.unlock();
            if (job)
                job();
            job = nullptr; // what the job holds goes before the joiner is told
            // Back among the idle before the joiner is told, so the next job finds this thread.
            guard.lock();
            const bool stay = idle_.size() < kMaxIdle;
            if (stay)
                idle_.push_back(slot);
            guard.unlock();
            {
                std::lock_guard<std::mutex> done(run->lock);
                run->done = true;
            }
            run->doneChanged.notify_all();
            run.reset();
            if (!stay)
                return;
            guard.lock();
            slot->wake.wait(guard, [slot] { return slot->run != nullptr; });
        }
    }

    std::mutex lock_;         // guards idle_ and the slots' job and run while they wait
    std::vector<Slot*> idle_; // borrowed: each slot is owned by its thread
};

Pool& ThePool()
{
    static Pool* pool = new Pool(); // lives to the end of the process, after every user
    return *pool;
}

} // namespace

PooledThread::PooledThread(std::function<void()> job) : run_(std::make_shared<Run>())
{
    ThePool().Start(std::move(job), run_);
}

PooledThread& PooledThread::operator=(PooledThread&& other) noexcept
{
    if (this != &other) {
        join();
        run_ = std::move(other.run_);
    }
    return *this;
}

PooledThread::~PooledThread()
{
    join();
}

void PooledThread::join()
{
    if (!run_)
        return;
    {
        std::unique_lock<std::mutex> guard(run_->lock);
        run_->doneChanged.wait(guard, [this] { return run_->done; });
    }
    run_.reset();
}

int PooledThread::IdleCount()
{
    return ThePool().IdleCount();
}

} // namespace threads
