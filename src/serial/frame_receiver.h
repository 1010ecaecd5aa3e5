// Gathers received bytes into frames that a quiet gap closes.
//
// Bytes arrive one by one on the window thread (onPortByte). The first byte of
// a frame starts a watcher thread that counts quiet 4 ms periods; every byte
// restarts the count. Once gapTicks periods pass without a byte, the watcher
// takes the frame, has it shown on the window thread, and raises frameReady.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace serial {

inline constexpr std::size_t kRxFrameSize = 250;

struct RxFrame {
  std::array<std::uint8_t, kRxFrameSize> bytes{};
  std::uint8_t count = 0;
};

// Quiet 4 ms periods that close a frame; set once at window creation, read by
// the watcher threads afterwards.
extern std::atomic<std::int32_t> gapTicks;

inline constexpr std::int32_t kQuietPeriodMicros = 4000;

// The frame's bytes as text: zero bytes are left out, every other byte kept.
std::string frameText(const std::uint8_t* bytes, std::size_t length);

class FrameReceiver {
 public:
  struct Hooks {
    // Watcher thread: show the text on the window thread and return once it is
    // shown (or once the receiver is stopping).
    std::function<void(const std::string& text)> show;
    // Watcher thread: busy-wait this many microseconds.
    std::function<void(std::int32_t micros)> spinWait;
    // Window thread, while stopping: wait until finished() holds, meanwhile
    // still serving a watcher that is inside show().
    std::function<void(const std::function<bool()>& finished)> waitServing;
    // Any thread: bytes have arrived that the window thread has not been handed
    // yet. Optional.
    std::function<bool()> bytesWaiting;
  };

  // frame: the receive buffer (built before the window, freed after it).
  FrameReceiver(RxFrame& frame, Hooks hooks);
  ~FrameReceiver();
  FrameReceiver(const FrameReceiver&) = delete;
  FrameReceiver& operator=(const FrameReceiver&) = delete;

  // Window thread: one received byte.
  void onPortByte(std::uint8_t value);

  // Window thread: ends every watcher at once. A frame in progress is neither
  // shown nor signalled; later bytes are ignored.
  void stop();

  // 1 once a frame has been closed and shown; 0 from the next byte on. Also
  // written by the exchanges (cleared before each command, set by a reset).
  int frameReady() const { return frameReady_.load(); }
  bool stopping() const { return stopping_.load(); }
  void setFrameReady(int value) { frameReady_.store(value); }

  // Watcher threads not yet joined (ended ones are joined at the next byte).
  std::size_t watcherThreads() const;

 private:
  struct Watcher {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };

  void watch(std::uint64_t frameNumber, std::shared_ptr<std::atomic<bool>> done);
  void reapEnded();  // under mutex_

  RxFrame& frame_;     // count and bytes: under mutex_
  Hooks hooks_;
  mutable std::mutex mutex_;
  std::vector<Watcher> watchers_;  // under mutex_; the newest is last
  bool frameOpen_ = false;         // under mutex_: the newest watcher has not taken its frame yet
  std::uint64_t frameNumber_ = 0;  // under mutex_: counts frames begun
  std::atomic<std::int32_t> quietTicks_{0};
  std::atomic<int> frameReady_{0};
  std::atomic<bool> stopping_{false};
};

}  // namespace serial
