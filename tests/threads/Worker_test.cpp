#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "platform/threads/Worker.h"

TEST(Worker, RunsJobsInOrderOnItsOwnThreadGoesIdleAndWakesForMore)
{
    threads::Worker worker;
    std::vector<int> done; // written by the worker only; read after WaitIdle
    bool onWorker = true;
    std::atomic<int> idleCalls{0};
    worker.SetOnIdle([&] { ++idleCalls; });
    auto post = [&](int i) {
        worker.Post([&, i] {
            onWorker &= worker.IsWorkerThread();
            done.push_back(i);
        });
    };
    for (int i = 0; i < 5; ++i)
        post(i);
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_TRUE(worker.IsIdle());
    EXPECT_GE(idleCalls.load(), 1);
    post(5);
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(onWorker);
}

TEST(Worker, ClearDropsWhatIsQueuedButNotTheRunningJob)
{
    threads::Worker worker;
    std::atomic<bool> release{false}, started{false};
    std::atomic<int> ran{0};
    worker.Post([&] {
        started = true;
        while (!release.load())
            std::this_thread::yield();
        ++ran;
    });
    for (int i = 0; i < 10; ++i)
        worker.Post([&] { ++ran; });
    while (!started.load())
        std::this_thread::yield();
    EXPECT_FALSE(worker.IsIdle());
    worker.Clear();
    EXPECT_EQ(worker.Pending(), 0u);
    release = true;
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(ran.load(), 1);
}

TEST(Worker, DestructionDropsQueuedJobsAndJoins)
{
    std::atomic<int> ran{0};
    {
        threads::Worker worker;
        std::atomic<bool> posted{false}, started{false};
        worker.Post([&] {
            started = true;
            // Runs on until the destructor has dropped the queue behind it.
            while (!posted.load())
                std::this_thread::yield();
            while (worker.Pending() != 0)
                std::this_thread::yield();
            ++ran;
        });
        for (int i = 0; i < 100; ++i)
            worker.Post([&] { ++ran; });
        posted = true;
        while (!started.load())
            std::this_thread::yield();
    }
    EXPECT_EQ(ran.load(), 1);
}
