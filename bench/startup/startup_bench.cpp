// Size of the program and the time from process start to its main window being
// visible under wine (measured inside wine by the driver), over several runs.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "driver_client.h"
#include "rig_env.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  const char* exe = std::getenv("MMS_APP_EXE");
  e2e::RigEnv env;
  std::string error;
  if (!exe || !e2e::RigEnv::load(env, error)) {
    std::fprintf(stderr, "bench_startup: %s\n", exe ? error.c_str() : "MMS_APP_EXE is not set");
    return 2;
  }
  std::printf("program            %s\n", exe);
  std::printf("size               %llu bytes\n",
              static_cast<unsigned long long>(std::filesystem::file_size(exe)));

  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    e2e::Driver driver(env);
    if (!driver.started()) {
      std::fprintf(stderr, "bench_startup: %s\n", driver.startError().c_str());
      return 2;
    }
    const auto shown = driver.launch(exe, "多主一从设置软件");
    if (!shown) {
      std::fprintf(stderr, "bench_startup: run %d: the window did not appear\n", i + 1);
      return 2;
    }
    times.push_back(*shown);
    driver.closeWindow();
    driver.waitExit(std::chrono::seconds(10));
  }
  std::sort(times.begin(), times.end());
  std::printf("start to visible   median %.1f ms, min %.1f ms, max %.1f ms over %d runs\n",
              times[times.size() / 2], times.front(), times.back(), runs);
  return 0;
}
