// Drives the performance counter by hand for as long as the object lives.
#pragma once

#include "platform/Clock.h"

#include <cstdint>

class ManualCounter
{
  public:
    ManualCounter() { platform::setCounterSource(read); }
    ~ManualCounter() { platform::setCounterSource(nullptr); }
    ManualCounter(const ManualCounter&) = delete;
    ManualCounter& operator=(const ManualCounter&) = delete;

    void set(int64_t ticks) { ticks_() = ticks; }
    void advanceSeconds(double seconds)
    {
        ticks_() += int64_t(seconds * double(platform::queryPerformanceFrequency()));
    }

  private:
    static int64_t& ticks_()
    {
        static int64_t ticks = 0;
        return ticks;
    }
    static int64_t read() { return ticks_(); }
};
