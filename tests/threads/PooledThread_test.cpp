#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/threads/PooledThread.h"
#include "tests/dshow/GraphHelpers.h"

TEST(PooledThread, RunsTheJobElsewhereJoinSeesItsWorkAndTheNextJobReusesTheThread)
{
    std::vector<int> written; // plain data: join must order the job's writes before the reads
    std::thread::id first, second;
    threads::PooledThread a([&] {
        first = std::this_thread::get_id();
        written.push_back(1);
    });
    ASSERT_TRUE(a.joinable());
    a.join();
    EXPECT_FALSE(a.joinable());
    EXPECT_NE(first, std::this_thread::get_id());
    EXPECT_EQ(written, std::vector<int>{1});
    EXPECT_GE(threads::PooledThread::IdleCount(), 1);

    threads::PooledThread b([&] {
        second = std::this_thread::get_id();
        written.push_back(2);
    });
    b.join();
    EXPECT_EQ(second, first);
    EXPECT_EQ(written, (std::vector<int>{1, 2}));
}

// Each job waits for the other: they deadlock unless each has a thread of its own.
TEST(PooledThread, JobsRunningTogetherHaveAThreadEach)
{
    std::mutex lock;
    std::condition_variable changed;
    int arrived = 0; // guarded by lock
    std::atomic<int> met{0};
    auto meet = [&] {
        std::unique_lock<std::mutex> guard(lock);
        ++arrived;
        changed.notify_all();
        if (changed.wait_for(guard, std::chrono::seconds(30), [&] { return arrived >= 3; }))
            ++met;
    };
    std::vector<threads::PooledThread> jobs;
    for (int i = 0; i < 3; ++i)
        jobs.emplace_back(meet);
    for (auto& j : jobs)
        j.join();
    EXPECT_EQ(met.load(), 3);
}

// The jobs are still running when their owners go: each is let go only once this thread is
// asleep in the join that replacing or destroying its owner makes.
TEST(PooledThread, DestroyingOrReplacingAJoinableOneJoinsIt)
{
    int finished = 0; // plain: the joins order the jobs' writes
    std::mutex lock;  // guards finished between the jobs themselves
    testds::Latch uGoes, tGoes;
    auto jobAfter = [&](testds::Latch* go) {
        return [&, go] {
            go->Wait();
            std::lock_guard<std::mutex> guard(lock);
            ++finished;
        };
    };
    // From `joining` 1 this thread has nothing to sleep in but u's join, from 2 but t's. A latch
    // opens after five seconds all the same: a missing join fails the counts, not the run.
    const auto self = static_cast<pid_t>(::syscall(SYS_gettid));
    std::atomic<int> joining{0};
    std::thread releaser([&] {
        for (int n : {1, 2}) {
            testds::Eventually([&] { return joining >= n && testds::Asleep(self); });
            (n == 1 ? uGoes : tGoes).Open();
        }
    });
    {
        threads::PooledThread t(jobAfter(&tGoes));
        threads::PooledThread u(jobAfter(&uGoes));
        threads::PooledThread next([] {});
        joining = 1;
        u = std::move(next); // joins the first job of u
        {
            std::lock_guard<std::mutex> guard(lock);
            EXPECT_GE(finished, 1);
        }
        u.join(); // the empty job
        joining = 2;
    } // t goes, joining its job
    EXPECT_EQ(finished, 2);
    releaser.join();
}

TEST(PooledThread, ManyShortJobsFromSeveralThreadsAllRunAndFewThreadsStayIdle)
{
    std::atomic<int> ran{0};
    std::vector<std::thread> starters;
    for (int s = 0; s < 4; ++s)
        starters.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                threads::PooledThread t([&] { ++ran; });
                threads::PooledThread u([&] { ++ran; });
            }
        });
    for (auto& s : starters)
        s.join();
    EXPECT_EQ(ran.load(), 4 * 200 * 2);
    EXPECT_LE(threads::PooledThread::IdleCount(), 16);
}
