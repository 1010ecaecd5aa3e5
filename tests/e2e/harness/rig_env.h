// The end-to-end rig as the scenarios see it: a wine prefix with a private
// wineserver and Xvfb, the simulated instrument's link mapped as a COM port,
// and the paths of the programs under test. Written by rig/start.sh.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace e2e {

struct RigEnv {
  std::map<std::string, std::string> vars;  // every KEY=VALUE of the rig's env file

  std::string get(const std::string& key) const;  // empty when absent

  // Loads the env file named by $MMS_E2E_ENV (ctest sets it). Returns false and
  // a message naming what is missing when the rig is not running.
  static bool load(RigEnv& out, std::string& error);
  static bool loadFile(RigEnv& out, const std::string& path, std::string& error);

  // Environment for child processes: the current one overlaid with vars.
  std::vector<std::string> childEnvironment() const;
};

// Unix path to the Windows path wine understands (Z: drive).
std::string toWinePath(const std::string& unixPath);

}  // namespace e2e
