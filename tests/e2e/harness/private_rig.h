// A rig of a scenario's own, for what the shared rig cannot vary: the screen
// size and the COM ports mapped in the prefix. It uses a prefix of its own, so
// it can run while the shared rig is up; it is stopped when the object goes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "rig_env.h"

namespace e2e {

class PrivateRig {
 public:
  struct Options {
    std::string screen = "1366x768";
    std::vector<std::pair<std::string, std::string>> ports;  // COMn, link path; none: COM1 at STATE/ttyCOM1
  };

  // shared: the shared rig's environment, which names the programs under test.
  PrivateRig(const RigEnv& shared, const std::string& name, const Options& options);
  ~PrivateRig();
  PrivateRig(const PrivateRig&) = delete;
  PrivateRig& operator=(const PrivateRig&) = delete;

  bool up() const { return up_; }
  const std::string& error() const { return error_; }
  const RigEnv& env() const { return env_; }
  const std::string& stateDir() const { return stateDir_; }

 private:
  bool up_ = false;
  std::string error_;
  std::string stateDir_;
  RigEnv env_;
};

}  // namespace e2e
