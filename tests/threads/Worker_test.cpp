#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/threads/Worker.h"

TEST(Worker, RunsPostedJobsInOrderOnItsOwnThreadAndGoesIdle) {
    threads::Worker worker;
    std::mutex lock;
    std::vector<int> done;
    bool offCaller = true;
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> idleCalls{0};
    worker.SetOnIdle([&] { ++idleCalls; });
    for (int i = 0; i < 5; ++i)
        worker.Post([&, i] {
            std::lock_guard<std::mutex> guard(lock);
            offCaller &= std::this_thread::get_id() != caller;
            done.push_back(i);
        });
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_TRUE(worker.IsIdle());
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(offCaller);
    EXPECT_GE(idleCalls.load(), 1);
}

TEST(Worker, ClearDropsWhatIsQueuedButNotTheRunningJob) {
    threads::Worker worker;
    std::atomic<bool> release{false};
    std::atomic<bool> started{false};
    std::atomic<int> ran{0};
    worker.Post([&] {
        started = true;
        while (!release.load()) std::this_thread::yield();
        ++ran;
    });
    for (int i = 0; i < 10; ++i) worker.Post([&] { ++ran; });
    while (!started.load()) std::this_thread::yield();
    EXPECT_FALSE(worker.IsIdle());
    worker.Clear();
    EXPECT_EQ(worker.Pending(), 0u);
    release = true;
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(ran.load(), 1);
}

TEST(Worker, ResumesWhenWorkArrivesAfterIdling) {
    threads::Worker worker;
    std::atomic<int> ran{0};
    worker.Post([&] { ++ran; });
    ASSERT_TRUE(worker.WaitIdle(5000));
    worker.Post([&] { ++ran; });
    ASSERT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(ran.load(), 2);
}

TEST(Worker, DestructionDropsQueuedJobsAndJoins) {
    std::atomic<int> ran{0};
    {
        threads::Worker worker;
        std::atomic<bool> posted{false}, started{false};
        worker.Post([&] {
            started = true;
            // Runs on until the destructor has dropped the queue behind it.
            while (!posted.load()) std::this_thread::yield();
            while (worker.Pending() != 0) std::this_thread::yield();
            ++ran;
        });
        for (int i = 0; i < 100; ++i) worker.Post([&] { ++ran; });
        posted = true;
        while (!started.load()) std::this_thread::yield();
    }
    EXPECT_EQ(ran.load(), 1);
}
