#include "serial/waits.h"

namespace serial {

std::int64_t delayDueTime(std::int32_t amount, DelayUnit unit) {
  double perUnit;
  switch (unit) {
    case 0: perUnit = 1; break;
    case 1: perUnit = 1000; break;
    case 2: perUnit = 60000; break;
    case 3: perUnit = 3600000; break;
    default: perUnit = static_cast<double>(unit); break;
  }
  const double due = static_cast<double>(amount) * perUnit * -10000.0;
  // Beyond the 64-bit range (absurd units) the wait is as long as it can be.
  if (due <= -9.2e18) return INT64_MIN + 1;
  if (due >= 0) return 0;
  return static_cast<std::int64_t>(due);
}

std::int64_t spinTicks(std::int64_t frequency, std::int32_t micros) {
  if (micros <= 0) return 0;
  return static_cast<std::int64_t>(static_cast<double>(frequency) * micros / 1000000.0);
}

}  // namespace serial
