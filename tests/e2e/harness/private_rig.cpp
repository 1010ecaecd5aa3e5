#include "private_rig.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace e2e {

namespace {

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string tail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  return text.size() > 1500 ? text.substr(text.size() - 1500) : text;
}

}  // namespace

PrivateRig::PrivateRig(const RigEnv& shared, const std::string& name, const Options& options) {
  stateDir_ = std::string(MMS_E2E_PRIVATE_STATE) + "/" + name;
  std::filesystem::create_directories(stateDir_);
  std::string command = "bash " + shellQuoted(std::string(MMS_E2E_RIG_DIR) + "/start.sh") + " " + shellQuoted(stateDir_) +
                        " --screen " + shellQuoted(options.screen) + " --prefix-cache " + shellQuoted(MMS_E2E_PRIVATE_PREFIX);
  if (!shared.get("DRIVER_EXE").empty()) command += " --driver " + shellQuoted(shared.get("DRIVER_EXE"));
  for (const char* key : {"MMS_APP_EXE", "MMS_APP_EXE_ENGLISH", "MMS_ARTIFACTS"})
    if (!shared.get(key).empty()) command += " --env " + shellQuoted(std::string(key) + "=" + shared.get(key));
  for (const auto& [port, link] : options.ports) command += " --port " + shellQuoted(port + "=" + link);
  const std::string log = stateDir_ + ".log";
  command += " >" + shellQuoted(log) + " 2>&1";
  if (std::system(command.c_str()) != 0) {
    error_ = "private rig '" + name + "' did not start:\n" + tail(log);
    return;
  }
  up_ = RigEnv::loadFile(env_, stateDir_ + "/rig.env", error_);
}

PrivateRig::~PrivateRig() {
  const std::string command = "bash " + shellQuoted(std::string(MMS_E2E_RIG_DIR) + "/stop.sh") + " " + shellQuoted(stateDir_) +
                              " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) {
    // Nothing more to do: stop.sh already tried everything it can.
  }
}

}  // namespace e2e
