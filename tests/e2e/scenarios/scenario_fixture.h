// A scenario starts the simulated instrument behind the rig's COM port and a
// fresh driver; each test launches the program it needs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "driver_client.h"
#include "instrument_sim.h"
#include "private_rig.h"
#include "rig_env.h"
#include "ui/main_window/control_ids.h"

namespace e2e {

// Polls pred until it holds or the time is up; returns pred().
template <class Pred>
bool eventually(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= end) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}


// The rig's comma-separated list of the ports the registry lists, in its order.
inline std::vector<std::string> listedPorts(const RigEnv& rig) {
  const std::string listed = rig.get("SERIALCOMM");
  std::vector<std::string> names;
  for (std::size_t from = 0; from <= listed.size();) {
    const auto comma = std::min(listed.find(',', from), listed.size());
    names.push_back(listed.substr(from, comma - from));
    from = comma + 1;
  }
  return names;
}

// Private rigs all map the same three ports, whatever their screen, so that
// switching between them never needs a wineserver restart.
inline PrivateRig::Options privateRigOptions(const RigEnv& shared, const std::string& screen) {
  const std::string state = shared.get("STATE_DIR");
  return {screen, {{"COM3", state + "/ports-com3"}, {"COM12", state + "/ports-com12"}, {"COM123", state + "/ports-com123"}}};
}

class Scenario : public ::testing::Test {
 protected:
  static constexpr const char* kTitleChinese = "多主一从设置软件";
  static constexpr const char* kTitleEnglish = "Multi-master/single-slave configuration software";

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(RigEnv::load(env, error)) << error;
    sim = std::make_unique<sim::InstrumentSim>(env.get("TTY_LINK"));
    ASSERT_TRUE(sim->start(&error)) << "simulated instrument: " << error;
    driver = std::make_unique<Driver>(env);
    ASSERT_TRUE(driver->started()) << driver->startError();
  }

  void TearDown() override {
    driver.reset();  // kills a program still running
    if (sim) sim->stop();
  }

  // Launches the Chinese (or English) build and waits for its window. Call it
  // through ASSERT_NO_FATAL_FAILURE.
  void launch(bool english = false) {
    const std::string exe = env.get(english ? "MMS_APP_EXE_ENGLISH" : "MMS_APP_EXE");
    ASSERT_FALSE(exe.empty()) << "the rig names no program (MMS_APP_EXE): start it through ctest";
    ASSERT_TRUE(std::filesystem::exists(exe)) << exe << " is missing: build the windows presets first";
    const auto shown = driver->launch(exe, english ? kTitleEnglish : kTitleChinese);
    ASSERT_TRUE(shown.has_value()) << "the main window did not appear: " << exe;
  }

  // Where screenshots and other files for a person to look at go.
  std::filesystem::path artifacts() const {
    std::filesystem::path dir = env.get("MMS_ARTIFACTS");
    if (dir.empty()) dir = std::filesystem::temp_directory_path() / "mms-e2e-artifacts";
    std::filesystem::create_directories(dir);
    return dir;
  }

  RigEnv env;
  std::unique_ptr<sim::InstrumentSim> sim;
  std::unique_ptr<Driver> driver;
};

}  // namespace e2e
