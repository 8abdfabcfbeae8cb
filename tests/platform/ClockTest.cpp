#include "platform/Clock.h"
#include "support/ManualCounter.h"

#include <gtest/gtest.h>

// The real counter runs forward in nanoseconds; a test's counter stands in for it and gives it back.
TEST(Clock, MonotonicNanosecondsThatATestCounterReplacesAndRestores)
{
    EXPECT_EQ(platform::queryPerformanceFrequency(), 1000000000);
    const int64_t first = platform::queryPerformanceCounter();
    EXPECT_GT(first, 0);
    EXPECT_GE(platform::queryPerformanceCounter(), first);
    {
        ManualCounter counter;
        counter.set(42);
        counter.advanceSeconds(1.5);
        EXPECT_EQ(platform::queryPerformanceCounter(), 42 + 1500000000);
    }
    EXPECT_GE(platform::queryPerformanceCounter(), first) << "monotonic clock not restored";
}
