// The two ways of waiting: pumpDelay keeps the window's events flowing while
// it waits; spinWaitMicros busy-waits on the high-resolution counter.
#pragma once

#include <cstdint>

namespace serial {

// Unit of a pumpDelay amount: 0 ms, 1 s, 2 min, 3 h; any other value is itself
// the number of milliseconds per unit.
using DelayUnit = std::int64_t;

// The waitable timer's relative due time in 100 ns intervals (negative), or 0
// when the wait is not in the future.
std::int64_t delayDueTime(std::int32_t amount, DelayUnit unit);

// Counter ticks for a busy wait of micros microseconds at the given frequency.
std::int64_t spinTicks(std::int64_t frequency, std::int32_t micros);

// Always true. Window events are dispatched while it waits.
bool pumpDelay(std::int32_t amount, DelayUnit unit = 0);

void spinWaitMicros(std::int32_t micros);

}  // namespace serial
