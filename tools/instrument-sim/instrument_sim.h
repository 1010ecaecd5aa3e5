// Simulated instrument on a Linux pseudo-terminal.
//
// Written from the wire format alone: it shares no code with the program's
// protocol layer, so a parsing fault there cannot hide behind the same fault here.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

// Monotonic clock used for every timestamp (CLOCK_MONOTONIC_RAW, nanoseconds):
// under wine, QueryPerformanceCounter reads the same clock in 100 ns units.
std::int64_t nowNs();

struct LineSettings {
  unsigned baud = 0;       // from the slave's termios, e.g. 9600
  int dataBits = 0;        // 5..8
  bool parityOn = false;   // PARENB
  bool twoStopBits = false;// CSTOPB
  bool rtsCts = false;     // CRTSCTS
};

struct Event {
  enum class Kind { Opened, Closed, Received, Sent };
  Kind kind;
  std::int64_t tNs;        // nowNs() when it was seen
  std::string bytes;       // Received/Sent: the bytes; empty otherwise
};

enum class Mode {
  Normal,        // answers every command
  Silent,        // answers nothing at all
  NoSetting,     // answers the setup command with a text that lacks "setting"
  NoQueryAnswer, // answers everything but the "?" query
};

class InstrumentSim {
 public:
  // linkPath: the fixed path wine maps as a COM port; start() points it at the
  // pseudo-terminal's slave side.
  explicit InstrumentSim(std::string linkPath);
  ~InstrumentSim();
  InstrumentSim(const InstrumentSim&) = delete;
  InstrumentSim& operator=(const InstrumentSim&) = delete;

  bool start(std::string* error = nullptr);
  void stop();
  std::string slavePath() const;

  // Behaviour; all setters are safe to call while running.
  void setMode(Mode mode);
  void setReplyDelay(std::chrono::milliseconds delay);          // before each reply
  void setSplit(std::size_t firstBytes, std::chrono::milliseconds pause); // 0 = no split
  void setPaced(bool paced);                  // bytes spaced as at 9600 baud (default true)
  void setOverlongReply(std::size_t length);  // 0 = off; else every reply is padded to this length
  void setZeroBytesInReplies(bool on);        // insert 0x00 bytes inside every reply
  void setVersionText(std::string text);      // whole version reply, default "MMS-V1.23\r\n"
  void setParameters(std::vector<std::string> twelveFields);
  std::vector<std::string> parameters() const;

  // The device disappears: the master side is closed and the link dangles,
  // so reads and writes on an open port fail.
  void vanish();
  // The link is made to point at a socket, so opening the port itself fails.
  void makeUnopenable();

  // Record.
  std::vector<Event> events() const;
  std::vector<Event> eventsFrom(std::size_t first) const;  // events()[first..], without copying the rest
  std::string received() const;               // every byte received, in order
  std::vector<std::string> commands() const;  // received lines, each with its "\r\n"
  int openCount() const;
  int closeCount() const;
  bool isOpen() const;                        // a program has the slave side open now
  LineSettings lastLineSettings() const;      // read while the slave side was last open
  void clearRecord();

  // Waits (polling the record) until pred() holds or timeout; returns pred().
  template <class Pred>
  bool waitUntil(Pred pred, std::chrono::milliseconds timeout) const {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() >= end) return pred();
      pollSleep();
    }
    return true;
  }

 private:
  void pollSleep() const;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
