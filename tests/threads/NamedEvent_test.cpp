#include <gtest/gtest.h>

#include <thread>

#include "platform/threads/NamedEvent.h"

using threads::NamedEvent;
using threads::WaitResult;

TEST(NamedEvent, OneNameIsOneEvent)
{
    auto a = NamedEvent::Open("cmd");
    auto b = NamedEvent::Open("cmd");
    EXPECT_EQ(a, b);
    EXPECT_NE(NamedEvent::Open("other"), a);
    EXPECT_NE(NamedEvent::Open(""), NamedEvent::Open(""));
}

TEST(NamedEvent, ResetsItselfWhenAWaitTakesTheSignal)
{
    auto e = NamedEvent::Open("auto-reset");
    EXPECT_EQ(e->Wait(0), WaitResult::Timeout);
    e->Set();
    e->Set(); // a second set before the wait is not counted twice
    EXPECT_EQ(e->Wait(0), WaitResult::Signaled);
    EXPECT_EQ(e->Wait(10), WaitResult::Timeout);
    e->Set();
    e->Reset();
    EXPECT_FALSE(e->IsSet());
}

TEST(NamedEvent, ASetFromAnotherThreadWakesTheWaiter)
{
    auto e = NamedEvent::Open("wake");
    std::thread setter([] { NamedEvent::Open("wake")->Set(); });
    EXPECT_EQ(e->Wait(5000), WaitResult::Signaled);
    setter.join();
}
