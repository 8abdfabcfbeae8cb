#include "platform/Clock.h"

#include <ctime>

namespace platform
{

namespace
{

int64_t monotonicNanoseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

CounterSource counterSource = monotonicNanoseconds;

} // namespace

int64_t queryPerformanceCounter()
{
    return counterSource();
}

int64_t queryPerformanceFrequency()
{
    return 1000000000;
}

void setCounterSource(CounterSource source)
{
    counterSource = source ? source : monotonicNanoseconds;
}

} // namespace platform
