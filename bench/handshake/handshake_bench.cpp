// Connect timing against the simulated instrument, measured on the
// instrument's clock: click to connected, compared with the floor the protocol
// fixes; the latency from a reply's last byte to the tool's next action; and
// the tool's processor time while it sits connected.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "driver_client.h"
#include "instrument_sim.h"
#include "rig_env.h"
#include "ui/main_window/control_ids.h"

namespace {

constexpr double kByteMs = 10.0 / 9600.0 * 1000.0;  // 8N1: ten bits a byte
constexpr double kReopenMs = 200.0;
constexpr double kGapMs = 80.0;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Linux process running the program under wine (its pid is the Windows program's).
long programPid() {
  FILE* p = popen("pgrep -n -f 'MultiMasterSetup.exe'", "r");
  if (!p) return -1;
  long pid = -1;
  if (std::fscanf(p, "%ld", &pid) != 1) pid = -1;
  pclose(p);
  return pid;
}

double cpuSeconds(long pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream rest(line.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const char* exe = std::getenv("MMS_APP_EXE");
  e2e::RigEnv env;
  std::string error;
  if (!exe || !e2e::RigEnv::load(env, error)) {
    std::fprintf(stderr, "bench_handshake: %s\n", exe ? error.c_str() : "MMS_APP_EXE is not set");
    return 2;
  }
  sim::InstrumentSim instrument(env.get("TTY_LINK"));
  if (!instrument.start(&error)) {
    std::fprintf(stderr, "bench_handshake: simulated instrument: %s\n", error.c_str());
    return 2;
  }
  e2e::Driver d(env);
  if (!d.started() || !d.launch(exe, "多主一从设置软件")) {
    std::fprintf(stderr, "bench_handshake: the program did not start\n");
    return 2;
  }

  std::vector<double> totals, floors, ratios, latencies;
  for (int run = 0; run < runs; ++run) {
    instrument.clearRecord();
    const std::int64_t click = sim::nowNs();
    d.click(连接按钮);
    std::int64_t connectedAt = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
      if (d.text(连接按钮) == "断开" && d.enabled(连接按钮)) {
        connectedAt = sim::nowNs();
        break;
      }
    }
    if (!connectedAt) {
      std::fprintf(stderr, "bench_handshake: run %d did not connect\n", run + 1);
      return 2;
    }
    // Floor: four reopen pauses, three quiet gaps, every byte at 9600 baud, and
    // the instrument's own time from a command's last byte to its answer.
    const auto events = instrument.events();
    std::size_t bytes = 0;
    double answerMs = 0;
    std::int64_t lastReceived = 0, lastSentEnd = 0;
    bool answering = false;
    for (const auto& e : events) {
      if (e.kind == sim::Event::Kind::Received) {
        bytes += e.bytes.size();
        lastReceived = e.tNs;
        answering = true;
      } else if (e.kind == sim::Event::Kind::Sent) {
        bytes += e.bytes.size();
        if (answering) answerMs += static_cast<double>(e.tNs - lastReceived) / 1e6 - kByteMs;
        answering = false;
        lastSentEnd = e.tNs;
      } else if (e.kind == sim::Event::Kind::Closed && lastSentEnd) {
        latencies.push_back(static_cast<double>(e.tNs - lastSentEnd) / 1e6);
        lastSentEnd = 0;
      }
    }
    const double floor = 4 * kReopenMs + 3 * kGapMs + static_cast<double>(bytes) * kByteMs + std::max(answerMs, 0.0);
    const double total = static_cast<double>(connectedAt - click) / 1e6;
    totals.push_back(total);
    floors.push_back(floor);
    ratios.push_back(total / floor);

    d.click(连接按钮);  // disconnect
    const auto idleBy = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < idleBy && !(d.text(连接按钮) == "连接" && d.enabled(连接按钮))) {
    }
  }
  std::printf("connect, click to connected   median %.1f ms (floor %.1f ms), ratio median %.3f, worst %.3f over %d runs\n",
              median(totals), median(floors), median(ratios), *std::max_element(ratios.begin(), ratios.end()), runs);
  if (!latencies.empty())
    std::printf("reply's last byte to next action  median %.1f ms, worst %.1f ms (gap %.0f ms + one 20 ms step at most)\n",
                median(latencies), *std::max_element(latencies.begin(), latencies.end()), kGapMs);

  // Idle while connected: the tool should sleep.
  d.click(连接按钮);
  while (!(d.text(连接按钮) == "断开" && d.enabled(连接按钮))) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const long pid = programPid();
  if (pid > 0) {
    const double before = cpuSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const double after = cpuSeconds(pid);
    std::printf("idle and connected for 10 s   %.2f s of processor time (%.2f%%)\n", after - before,
                (after - before) / 10.0 * 100.0);
  } else {
    std::printf("idle and connected for 10 s   program process not found\n");
  }
  d.closeWindow();
  d.waitExit(std::chrono::seconds(10));
  return 0;
}
