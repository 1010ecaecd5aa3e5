// The receive buffer and the quiet gap that closes a frame.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace serial {

inline constexpr std::size_t kRxFrameSize = 250;

struct RxFrame {
  std::array<std::uint8_t, kRxFrameSize> bytes{};
  std::uint8_t count = 0;
};

// Quiet 4 ms periods that close a frame; set once at window creation, read by
// the watcher thread afterwards.
extern std::atomic<std::int32_t> gapTicks;

}  // namespace serial
