// Runs the simulated instrument until SIGINT/SIGTERM, logging what crosses the line.
#include <signal.h>

#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "instrument_sim.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void onSignal(int) { gStop = 1; }

constexpr const char* kUsage =
    "usage: instrument-sim --link PATH [--mode normal|silent|no-setting|no-query]\n"
    "                      [--delay MS] [--split N:MS] [--unpaced] [--overlong LEN]\n"
    "                      [--zeros] [--version TEXT] [--params f0,f1,...,f11]\n"
    "  --link PATH     symlink to point at the pseudo-terminal (mapped as the COM port)\n"
    "  --mode          normal (default), silent, no-setting (setup answered without\n"
    "                  \"setting\"), no-query (\"?\" unanswered)\n"
    "  --delay MS      wait before each reply\n"
    "  --split N:MS    send the first N bytes of each reply, pause MS, then the rest\n"
    "  --unpaced       write each reply at once instead of at 9600 baud\n"
    "  --overlong LEN  pad every reply to LEN bytes\n"
    "  --zeros         insert a 0x00 byte after every 5th byte of each reply\n"
    "  --version TEXT  version reply without its line end (\"\\r\\n\" is added)\n"
    "  --params F,...  the twelve stored fields\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "instrument-sim: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

bool parseNumber(const std::string& s, unsigned long long max, unsigned long long& out) {
  if (s.empty() || s.size() > 12) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  out = std::strtoull(s.c_str(), nullptr, 10);
  return out <= max;
}

std::string escape(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

void printLine(std::int64_t tNs, const std::string& text) {
  std::printf("%" PRId64 ".%06" PRId64 " %s\n", tNs / 1'000'000'000,
              (tNs % 1'000'000'000) / 1000, text.c_str());
  std::fflush(stdout);
}

// Paced replies arrive one byte per event; bytes sent without a break in
// between are shown as one "tx" line stamped with its first byte.
class Printer {
 public:
  void add(const sim::Event& e) {
    if (e.kind == sim::Event::Kind::Sent) {
      if (txBytes_.empty()) txStart_ = e.tNs;
      txBytes_ += e.bytes;
      txLast_ = e.tNs;
      return;
    }
    flushTx();
    switch (e.kind) {
      case sim::Event::Kind::Opened: printLine(e.tNs, "open"); break;
      case sim::Event::Kind::Closed: printLine(e.tNs, "close"); break;
      case sim::Event::Kind::Received: printLine(e.tNs, "rx " + escape(e.bytes)); break;
      case sim::Event::Kind::Sent: break;
    }
  }
  // Ends the current tx line once the line has been quiet for a while.
  void idle(std::int64_t now) {
    if (!txBytes_.empty() && now - txLast_ > 20'000'000) flushTx();
  }
  void flushTx() {
    if (txBytes_.empty()) return;
    printLine(txStart_, "tx " + escape(txBytes_));
    txBytes_.clear();
  }

 private:
  std::string txBytes_;
  std::int64_t txStart_ = 0;
  std::int64_t txLast_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  std::string link;
  sim::Mode mode = sim::Mode::Normal;
  unsigned long long delayMs = 0, splitBytes = 0, splitMs = 0, overlong = 0;
  bool paced = true, zeros = false;
  bool haveVersion = false, haveParams = false;
  std::string version;
  std::vector<std::string> params;

  constexpr unsigned long long kMaxMs = 3'600'000;
  constexpr unsigned long long kMaxLen = 1'000'000;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a == "--unpaced") {
      paced = false;
      continue;
    }
    if (a == "--zeros") {
      zeros = true;
      continue;
    }
    if (a != "--link" && a != "--mode" && a != "--delay" && a != "--split" &&
        a != "--overlong" && a != "--version" && a != "--params")
      return usage("unknown argument '" + a + "'");
    if (i + 1 >= argc) return usage(a + " needs a value");
    std::string v = argv[++i];
    if (a == "--link") {
      if (v.empty()) return usage("--link needs a path");
      link = v;
    } else if (a == "--mode") {
      if (v == "normal") mode = sim::Mode::Normal;
      else if (v == "silent") mode = sim::Mode::Silent;
      else if (v == "no-setting") mode = sim::Mode::NoSetting;
      else if (v == "no-query") mode = sim::Mode::NoQueryAnswer;
      else return usage("unknown mode '" + v + "'");
    } else if (a == "--delay") {
      if (!parseNumber(v, kMaxMs, delayMs)) return usage("bad --delay '" + v + "' (milliseconds)");
    } else if (a == "--split") {
      auto colon = v.find(':');
      if (colon == std::string::npos || !parseNumber(v.substr(0, colon), kMaxLen, splitBytes) ||
          !parseNumber(v.substr(colon + 1), kMaxMs, splitMs))
        return usage("bad --split '" + v + "' (expected N:MS)");
    } else if (a == "--overlong") {
      if (!parseNumber(v, kMaxLen, overlong)) return usage("bad --overlong '" + v + "'");
    } else if (a == "--version") {
      version = v + "\r\n";
      haveVersion = true;
    } else if (a == "--params") {
      params.clear();
      std::size_t start = 0;
      for (;;) {
        auto comma = v.find(',', start);
        params.push_back(v.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
      if (params.size() != 12) return usage("--params needs twelve fields, got " + std::to_string(params.size()));
      for (const auto& f : params)
        if (f.empty()) return usage("--params has an empty field");
      haveParams = true;
    }
  }
  if (link.empty()) return usage("--link is required");

  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  sim::InstrumentSim instrument(link);
  instrument.setMode(mode);
  instrument.setReplyDelay(std::chrono::milliseconds(delayMs));
  instrument.setSplit(static_cast<std::size_t>(splitBytes), std::chrono::milliseconds(splitMs));
  instrument.setPaced(paced);
  instrument.setOverlongReply(static_cast<std::size_t>(overlong));
  instrument.setZeroBytesInReplies(zeros);
  if (haveVersion) instrument.setVersionText(version);
  if (haveParams) instrument.setParameters(params);

  std::string error;
  if (!instrument.start(&error)) {
    std::fprintf(stderr, "instrument-sim: %s\n", error.c_str());
    return 1;
  }
  std::printf("instrument-sim: %s -> %s\n", link.c_str(), instrument.slavePath().c_str());
  std::fflush(stdout);

  Printer printer;
  std::size_t seen = 0;
  while (!gStop) {
    auto fresh = instrument.eventsFrom(seen);
    seen += fresh.size();
    for (const auto& e : fresh) printer.add(e);
    printer.idle(sim::nowNs());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  instrument.stop();
  for (const auto& e : instrument.eventsFrom(seen)) printer.add(e);
  printer.flushTx();
  return 0;
}
