#include "serial/frame_receiver.h"

#include <system_error>
#include <utility>

namespace serial {

std::atomic<std::int32_t> gapTicks{0};

std::string frameText(const std::uint8_t* bytes, std::size_t length) {
  std::string text;
  text.reserve(length);
  for (std::size_t i = 0; i < length; ++i)
    if (bytes[i] != 0) text.push_back(static_cast<char>(bytes[i]));
  return text;
}

FrameReceiver::FrameReceiver(RxFrame& frame, Hooks hooks) : frame_(frame), hooks_(std::move(hooks)) {}

FrameReceiver::~FrameReceiver() { stop(); }

std::size_t FrameReceiver::watcherThreads() const {
  std::lock_guard lock(mutex_);
  return watchers_.size();
}

void FrameReceiver::reapEnded() {
  for (auto it = watchers_.begin(); it != watchers_.end();) {
    if (it->done->load()) {
      it->thread.join();  // it has returned: the join is immediate and frees the thread
      it = watchers_.erase(it);
    } else {
      ++it;
    }
  }
}

void FrameReceiver::onPortByte(std::uint8_t value) {
  if (stopping_.load()) return;
  quietTicks_.store(0);
  std::lock_guard lock(mutex_);
  // Under the lock, so that a watcher deciding whether its frame is still the
  // newest cannot raise the flag after this byte has cleared it.
  frameReady_.store(0);
  reapEnded();
  if (!frameOpen_) {
    // A byte after the last watcher took its frame begins the next one, even
    // while that watcher is still handing its frame over.
    auto done = std::make_shared<std::atomic<bool>>(false);
    try {
      std::thread thread(&FrameReceiver::watch, this, frameNumber_ + 1, done);
      watchers_.push_back({std::move(thread), std::move(done)});
      ++frameNumber_;
      frameOpen_ = true;
      frame_.count = 0;
    } catch (const std::system_error&) {
      // No watcher: the byte is kept, and the next byte tries again from a new frame.
      frame_.count = 0;
    }
  }
  if (frame_.count >= kRxFrameSize) return;  // beyond 250 bytes: dropped, but it kept the frame open
  frame_.bytes[frame_.count] = value;
  ++frame_.count;
}

void FrameReceiver::watch(std::uint64_t frameNumber, std::shared_ptr<std::atomic<bool>> done) {
  quietTicks_.store(0);
  while (quietTicks_.load() < gapTicks.load()) {
    if (stopping_.load()) {
      done->store(true);
      return;
    }
    hooks_.spinWait(kQuietPeriodMicros);
    // Bytes that have arrived but wait for a busy window thread are no silence:
    // a stalled window thread must not cut a reply in two.
    if (hooks_.bytesWaiting && hooks_.bytesWaiting()) {
      quietTicks_.store(0);
    } else {
      quietTicks_.fetch_add(1);
    }
  }
  std::string text;
  {
    std::lock_guard lock(mutex_);
    text = frameText(frame_.bytes.data(), frame_.count);
    frame_.count = 0;
    frameOpen_ = false;
  }
  if (!stopping_.load()) hooks_.show(text);
  if (!stopping_.load()) {
    std::lock_guard lock(mutex_);
    // Only the newest frame may report itself closed: a later frame already begun
    // has cleared the flag for good reason.
    if (frameNumber_ == frameNumber) frameReady_.store(1);
  }
  done->store(true);
}

void FrameReceiver::stop() {
  stopping_.store(true);
  auto allDone = [this] {
    std::lock_guard lock(mutex_);
    for (const auto& w : watchers_)
      if (!w.done->load()) return false;
    return true;
  };
  if (!allDone()) {
    if (hooks_.waitServing) {
      hooks_.waitServing(allDone);
    } else {
      while (!allDone()) std::this_thread::yield();
    }
  }
  std::lock_guard lock(mutex_);
  for (auto& w : watchers_)
    if (w.thread.joinable()) w.thread.join();
  watchers_.clear();
  frameOpen_ = false;
}

}  // namespace serial
