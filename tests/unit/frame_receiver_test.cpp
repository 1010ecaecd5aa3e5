// The frame receiver with real watcher threads; this test's thread plays the
// window thread that hands over the bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/frame_receiver.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

void busyWait(std::int32_t micros) {
  const auto end = steady_clock::now() + microseconds(micros);
  while (steady_clock::now() < end) {
  }
}

class FrameReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override { serial::gapTicks.store(20); }

  serial::FrameReceiver::Hooks hooks() {
    return {[this](const std::string& text) { shown(text); }, busyWait, nullptr, nullptr};
  }

  // The window's receive box.
  void shown(const std::string& text) {
    std::lock_guard lock(mutex);
    frames.push_back(text);
    shownAt.push_back(steady_clock::now());
  }

  std::vector<std::string> framesSoFar() {
    std::lock_guard lock(mutex);
    return frames;
  }

  void feed(serial::FrameReceiver& r, const std::string& bytes, microseconds spacing = 1000us) {
    for (char c : bytes) {
      r.onPortByte(static_cast<std::uint8_t>(c));
      lastByteAt = steady_clock::now();
      std::this_thread::sleep_for(spacing);
    }
  }

  bool waitReady(serial::FrameReceiver& r, milliseconds timeout = 2s) {
    const auto end = steady_clock::now() + timeout;
    while (r.frameReady() != 1) {
      if (steady_clock::now() > end) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  serial::RxFrame buffer;
  std::mutex mutex;
  std::vector<std::string> frames;
  std::vector<steady_clock::time_point> shownAt;
  steady_clock::time_point lastByteAt;
};

TEST_F(FrameReceiverTest, OneBurstIsOneFrameClosedAfterTheQuietGap) {
  serial::FrameReceiver r(buffer, hooks());
  const std::string reply = "+++@@@BBB=9600,none,500,100\r\n";
  feed(r, reply);
  ASSERT_TRUE(waitReady(r));
  ASSERT_EQ(framesSoFar(), std::vector<std::string>{reply});
  const auto gap = duration_cast<milliseconds>(shownAt[0] - lastByteAt);
  EXPECT_GE(gap.count(), 70);   // 20 quiet periods of 4 ms
  EXPECT_LE(gap.count(), 400);  // generous: a loaded machine
  EXPECT_EQ(buffer.count, 0);   // the next byte starts a new frame
}

TEST_F(FrameReceiverTest, FrameKeepsTheFirst250BytesAndLeavesOutZeros) {
  struct Case { std::string bytes; std::string text; };
  std::string longBurst;
  for (int i = 0; i < 300; ++i) longBurst += static_cast<char>('A' + i % 26);
  const Case cases[] = {
      {longBurst, longBurst.substr(0, 250)},
      {std::string("ver\0sion\0\r\n", 11), "version\r\n"},
      {std::string(5, '\0'), ""},  // only zeros: an empty text, still a frame
  };
  for (const Case& c : cases) {
    frames.clear();
    serial::FrameReceiver r(buffer, hooks());
    feed(r, c.bytes, 200us);
    ASSERT_TRUE(waitReady(r));
    EXPECT_EQ(framesSoFar(), std::vector<std::string>{c.text});
  }
}

TEST_F(FrameReceiverTest, BurstsFarApartAreTwoFramesAndCloseTogetherOne) {
  {
    serial::FrameReceiver r(buffer, hooks());
    feed(r, "first");
    ASSERT_TRUE(waitReady(r));
    std::this_thread::sleep_until(lastByteAt + 100ms);
    feed(r, "second");
    EXPECT_EQ(r.frameReady(), 0);  // cleared by the second burst's bytes
    ASSERT_TRUE(waitReady(r));
    EXPECT_EQ(framesSoFar(), (std::vector<std::string>{"first", "second"}));
  }
  frames.clear();
  {
    serial::FrameReceiver r(buffer, hooks());
    feed(r, "first");
    std::this_thread::sleep_for(50ms);
    feed(r, "second");
    ASSERT_TRUE(waitReady(r));
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(framesSoFar(), std::vector<std::string>{"firstsecond"});
  }
}

TEST_F(FrameReceiverTest, ByteDuringTheHandOverBeginsTheNextFrame) {
  // The first watcher is held inside its hand-over while a byte arrives.
  std::mutex gate;
  std::condition_variable cv;
  bool release = false, handing = false;
  serial::FrameReceiver::Hooks h = hooks();
  h.show = [&](const std::string& text) {
    std::unique_lock lock(gate);
    if (text == "first") {
      handing = true;
      cv.notify_all();
      cv.wait(lock, [&] { return release; });
    }
    lock.unlock();
    shown(text);
  };
  serial::FrameReceiver r(buffer, h);
  feed(r, "first");
  {
    std::unique_lock lock(gate);
    ASSERT_TRUE(cv.wait_for(lock, 2s, [&] { return handing; }));
  }
  feed(r, "X");  // the first frame has been taken but its watcher has not ended
  {
    std::lock_guard lock(gate);
    release = true;
    cv.notify_all();
  }
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(r.frameReady(), 0) << "the older frame must not report itself closed over a newer one";
  ASSERT_TRUE(waitReady(r));
  EXPECT_EQ(framesSoFar(), (std::vector<std::string>{"first", "X"}));
}

TEST_F(FrameReceiverTest, StopEndsTheWatcherAtOnceShowingAndSettingNothing) {
  // A gap of about a minute: a stop that waited for it could not go unnoticed.
  serial::gapTicks.store(15000);
  serial::FrameReceiver r(buffer, hooks());
  feed(r, "partial");
  const auto start = steady_clock::now();
  r.stop();
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 5000) << "stop waited for the gap";
  std::this_thread::sleep_for(120ms);
  EXPECT_TRUE(framesSoFar().empty());
  EXPECT_EQ(r.frameReady(), 0);
  EXPECT_EQ(r.watcherThreads(), 0u);
  serial::gapTicks.store(20);
  feed(r, "later");  // ignored once stopped
  std::this_thread::sleep_for(120ms);
  EXPECT_TRUE(framesSoFar().empty());
}

TEST_F(FrameReceiverTest, StopWhileTheWatcherHandsOverDoesNotDeadlock) {
  // As on the window thread: the hand-over needs the stopping thread to serve it.
  std::mutex gate;
  std::condition_variable cv;
  bool pending = false, served = false;
  serial::FrameReceiver* receiver = nullptr;
  serial::FrameReceiver::Hooks h = hooks();
  h.show = [&](const std::string& text) {
    std::unique_lock lock(gate);
    pending = true;
    cv.notify_all();
    cv.wait(lock, [&] { return served; });
    if (!receiver->stopping()) shown(text);  // what the window thread checks
  };
  h.waitServing = [&](const std::function<bool()>& finished) {
    while (!finished()) {
      std::lock_guard lock(gate);
      if (pending) {
        served = true;
        cv.notify_all();
      }
    }
  };
  serial::FrameReceiver r(buffer, h);
  receiver = &r;
  feed(r, "frame");
  {
    std::unique_lock lock(gate);
    ASSERT_TRUE(cv.wait_for(lock, 2s, [&] { return pending; }));
  }
  std::thread stopper([&] { r.stop(); });
  const auto start = steady_clock::now();
  stopper.join();
  EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 1000);
  EXPECT_TRUE(framesSoFar().empty());
  EXPECT_EQ(r.frameReady(), 0);
}

TEST_F(FrameReceiverTest, BytesStillWaitingForTheWindowThreadKeepTheFrameOpen) {
  // The window thread stalls with bytes queued for it: that is no quiet gap.
  std::atomic<bool> waiting{false};
  serial::FrameReceiver::Hooks h = hooks();
  h.bytesWaiting = [&] { return waiting.load(); };
  serial::FrameReceiver r(buffer, h);
  feed(r, "+");
  waiting = true;
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(r.frameReady(), 0) << "the frame closed while bytes were waiting to be handed over";
  waiting = false;
  feed(r, "++@@@BBB=9600");
  ASSERT_TRUE(waitReady(r));
  EXPECT_EQ(framesSoFar(), std::vector<std::string>{"+++@@@BBB=9600"});
}

TEST_F(FrameReceiverTest, EndedWatchersAreJoinedSoThreadsDoNotPileUp) {
  serial::FrameReceiver r(buffer, hooks());
  for (int i = 0; i < 15; ++i) {
    feed(r, "f" + std::to_string(i), 200us);
    ASSERT_TRUE(waitReady(r));
    std::this_thread::sleep_for(2ms);
    EXPECT_LE(r.watcherThreads(), 1u);
  }
  EXPECT_EQ(framesSoFar().size(), 15u);
}

}  // namespace
