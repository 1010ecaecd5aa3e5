#include "rig_env.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

extern char** environ;

namespace e2e {

namespace {

// A zombie counts as gone: some containers never reap orphans.
bool processRunning(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string content;
  if (!stat || !std::getline(stat, content)) return false;
  size_t close = content.rfind(')');
  return close != std::string::npos && close + 2 < content.size() && content[close + 2] != 'Z';
}

}  // namespace

std::string RigEnv::get(const std::string& key) const {
  auto it = vars.find(key);
  return it == vars.end() ? std::string() : it->second;
}

bool RigEnv::load(RigEnv& out, std::string& error) {
  const char* path = std::getenv("MMS_E2E_ENV");
  if (!path || !*path) {
    error = "e2e rig is not running: MMS_E2E_ENV is not set; start it with tests/e2e/rig/start.sh or run "
            "through ctest / scripts/test.sh";
    return false;
  }
  return loadFile(out, path, error);
}

bool RigEnv::loadFile(RigEnv& out, const std::string& pathText, std::string& error) {
  const char* hint = "start it with tests/e2e/rig/start.sh or run through ctest / scripts/test.sh";
  const char* path = pathText.c_str();
  std::ifstream in(path);
  if (!in) {
    error = std::string("e2e rig is not running: no env file ") + path + "; " + hint;
    return false;
  }
  RigEnv env;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) {
      error = std::string("e2e rig env file ") + path + " has a bad line: " + line;
      return false;
    }
    env.vars[line.substr(0, eq)] = line.substr(eq + 1);
  }
  for (const char* key : {"WINEPREFIX", "DISPLAY"}) {
    if (env.get(key).empty()) {
      error = std::string("e2e rig env file ") + path + " lacks " + key + "; " + hint;
      return false;
    }
  }
  // A rig whose Xvfb is gone would make wine start a server of its own, with
  // our pipes as its output: say so instead.
  const std::string xvfb = env.get("XVFB_PID");
  if (!xvfb.empty() && !processRunning(xvfb)) {
    error = std::string("e2e rig is not running: its Xvfb (pid ") + xvfb + ") of " + path +
            " is gone; " + hint;
    return false;
  }
  out = std::move(env);
  return true;
}

std::vector<std::string> RigEnv::childEnvironment() const {
  std::vector<std::string> out;
  for (char** e = environ; e && *e; ++e) {
    std::string kv = *e;
    size_t eq = kv.find('=');
    if (eq != std::string::npos && vars.count(kv.substr(0, eq))) continue;
    out.push_back(std::move(kv));
  }
  for (const auto& [key, value] : vars) out.push_back(key + "=" + value);
  return out;
}

std::string toWinePath(const std::string& unixPath) {
  std::string path = unixPath;
  if (path.empty() || path[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  std::string out = "Z:";
  for (char c : path) out += (c == '/') ? '\\' : c;
  return out;
}

}  // namespace e2e
