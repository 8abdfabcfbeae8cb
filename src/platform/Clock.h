// The high-resolution performance counter: frame timing, race time, flight model and recordings all
// read it through queryPerformanceCounter, so tests can drive time by installing a manual counter.
#pragma once

#include <cstdint>

namespace platform
{

using CounterSource = int64_t (*)();

// Current counter value in ticks; CLOCK_MONOTONIC nanoseconds unless a test installed its own source.
int64_t queryPerformanceCounter();

// Ticks per second of the counter: always 1,000,000,000 (nanoseconds).
int64_t queryPerformanceFrequency();

// Replaces the counter by `source` (for tests); nullptr restores the monotonic clock.
void setCounterSource(CounterSource source);

} // namespace platform
