#include "platform/Clock.h"
#include "support/ManualCounter.h"

#include <gtest/gtest.h>

TEST(Clock, MonotonicNanoseconds)
{
    EXPECT_EQ(platform::queryPerformanceFrequency(), 1000000000);
    const int64_t first = platform::queryPerformanceCounter();
    const int64_t second = platform::queryPerformanceCounter();
    EXPECT_GT(first, 0);
    EXPECT_GE(second, first);
}

TEST(Clock, ManualCounterReplacesAndRestoresTheClock)
{
    {
        ManualCounter counter;
        counter.set(42);
        EXPECT_EQ(platform::queryPerformanceCounter(), 42);
        counter.advanceSeconds(1.5);
        EXPECT_EQ(platform::queryPerformanceCounter(), 42 + 1500000000);
    }
    EXPECT_GT(platform::queryPerformanceCounter(), int64_t(1500000042)) << "monotonic clock not restored";
}
