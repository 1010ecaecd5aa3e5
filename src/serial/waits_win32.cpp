#include <windows.h>

#include "serial/waits.h"
#include "ui/toolkit/toolkit.h"

namespace serial {

namespace {

std::int64_t counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// Without a working timer: the rest of the wait measured on the counter, still
// dispatching events.
void pumpByCounter(std::int64_t start, std::int64_t due100ns) {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  const double seconds = static_cast<double>(-due100ns) / 1e7;
  const std::int64_t end = start + static_cast<std::int64_t>(seconds * static_cast<double>(frequency.QuadPart));
  for (;;) {
    QueryPerformanceCounter(&now);
    if (now.QuadPart >= end) return;
    const double leftMs = static_cast<double>(end - now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(leftMs) + 1, 0xFF);
    toolkit::processEvents();
  }
}

}  // namespace

bool pumpDelay(std::int32_t amount, DelayUnit unit) {
  const std::int64_t due = delayDueTime(amount, unit);
  if (due == 0) return true;
  const std::int64_t start = counterNow();
  HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  LARGE_INTEGER dueTime;
  dueTime.QuadPart = due;
  if (!timer || !SetWaitableTimer(timer, &dueTime, 0, nullptr, nullptr, FALSE)) {
    if (timer) CloseHandle(timer);
    pumpByCounter(start, due);
    return true;
  }
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &timer, FALSE, INFINITE, 0xFF);
    if (result == WAIT_OBJECT_0) break;
    if (result == WAIT_FAILED) {
      pumpByCounter(start, due);  // rather than loop on a failing call
      break;
    }
    toolkit::processEvents();
  }
  CloseHandle(timer);
  return true;
}

void spinWaitMicros(std::int32_t micros) {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  const std::int64_t target = now.QuadPart + spinTicks(frequency.QuadPart, micros);
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart < target);
}

}  // namespace serial
