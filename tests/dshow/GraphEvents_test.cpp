#include <gtest/gtest.h>

#include <thread>

#include "platform/dshow/GraphEvents.h"

using namespace ds;

TEST(EventSink, WaitForCompletionSkipsOtherEventsAndTimesOut) {
    EventSink sink;
    EXPECT_EQ(sink.WaitForCompletion(10), EC_NONE);
    sink.Post({EC_PAUSED, S_OK, 0});
    std::thread t([&] { sink.Post({EC_ERRORABORT, E_FAIL, 0}); });
    int64_t hr = 0;
    EXPECT_EQ(sink.WaitForCompletion(5000, &hr), EC_ERRORABORT);
    EXPECT_EQ(hr, E_FAIL);
    t.join();
    GraphEvent e;
    EXPECT_FALSE(sink.GetEvent(e, 0));
}

TEST(EventSink, RepaintReachesTheApplicationOnlyAfterCancellingDefaultHandling) {
    EventSink sink;
    int heard = 0;
    sink.SetListener([&](const GraphEvent&) { ++heard; });
    sink.Post({EC_REPAINT, 0, 0});
    EXPECT_EQ(heard, 0);
    sink.CancelDefaultHandling(EC_REPAINT);
    sink.Post({EC_REPAINT, 0, 0});
    EXPECT_EQ(heard, 1);
    GraphEvent e;
    ASSERT_TRUE(sink.GetEvent(e, 0));
    EXPECT_EQ(e.code, EC_REPAINT);
}

TEST(EventSink, AnUnreadQueueStaysBounded) {
    EventSink sink;
    for (int i = 0; i < 5000; ++i) sink.Post({EC_PAUSED, i, 0});
    GraphEvent e;
    ASSERT_TRUE(sink.GetEvent(e, 0));
    EXPECT_EQ(e.param1, 5000 - static_cast<int64_t>(EventSink::kMaxQueued));
}
