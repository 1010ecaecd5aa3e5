// Opens the program under the rig as a user would, prints what its window
// shows, saves a screenshot and closes it. Used by scripts/run.sh when there is
// no display to open the window on.
//   mms-show --exe PATH --title TITLE --screenshot PNG [--connect]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "driver_client.h"
#include "rig_env.h"
#include "ui/main_window/control_ids.h"

namespace {

std::string visible(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else out += c;
  }
  return out;
}

void printPage(e2e::Driver& d, const char* name, int base, int lastPort) {
  std::printf("%s\n", name);
  for (int port = 1; port <= lastPort; ++port) {
    const int baud = d.comboSelection(baudListId(base, port));
    const int parity = d.comboSelection(parityListId(base, port));
    const auto baudText = baud >= 0 ? d.comboItem(baudListId(base, port), baud) : std::nullopt;
    const auto parityText = parity >= 0 ? d.comboItem(parityListId(base, port), parity) : std::nullopt;
    std::printf("  COM%d  %-8s %-6s\n", port, baudText ? baudText->second.c_str() : "-",
                parityText ? parityText->second.c_str() : "-");
  }
  std::printf("  %s %s   %s %s\n", d.text(base + 141).c_str(), visible(d.text(base + 142)).c_str(),
              d.text(base + 143).c_str(), visible(d.text(base + 144)).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  std::string exe, title, screenshot;
  bool connect = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--exe" && i + 1 < argc) exe = argv[++i];
    else if (arg == "--title" && i + 1 < argc) title = argv[++i];
    else if (arg == "--screenshot" && i + 1 < argc) screenshot = argv[++i];
    else if (arg == "--connect") connect = true;
    else {
      std::fprintf(stderr, "usage: mms-show --exe PATH --title TITLE --screenshot PNG [--connect]\n");
      return 2;
    }
  }
  if (exe.empty() || title.empty() || screenshot.empty()) {
    std::fprintf(stderr, "usage: mms-show --exe PATH --title TITLE --screenshot PNG [--connect]\n");
    return 2;
  }
  e2e::RigEnv env;
  std::string error;
  if (!e2e::RigEnv::load(env, error)) {
    std::fprintf(stderr, "mms-show: %s\n", error.c_str());
    return 1;
  }
  e2e::Driver d(env);
  if (!d.started()) {
    std::fprintf(stderr, "mms-show: %s\n", d.startError().c_str());
    return 1;
  }
  const auto shown = d.launch(exe, title);
  if (!shown) {
    std::fprintf(stderr, "mms-show: the window did not appear\n");
    return 1;
  }
  std::printf("window \"%s\" visible after %.0f ms\n", title.c_str(), *shown);

  if (connect) {
    std::printf("clicking %s\n", d.text(连接按钮).c_str());
    d.click(连接按钮);
    // Done once the button is usable again (connected, or back to idle after a message).
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::seconds(15)) {
      if (auto message = d.waitMessageBox(std::chrono::milliseconds(100))) {
        std::printf("message box: %s\n", visible(*message).c_str());
        d.closeMessageBox();
      }
      if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(500) && d.enabled(连接按钮) &&
          !d.messageBoxPresent())
        break;
    }
  }

  std::printf("port %s  [%s]  %s %s\n", d.text(串口号标签).c_str(),
              d.comboSelection(串口号组合框) >= 0 ? d.comboItem(串口号组合框, d.comboSelection(串口号组合框))->second.c_str() : "-",
              d.text(版本号标签).c_str(), visible(d.text(版本号编辑框)).c_str());
  std::printf("connect button: %s\n", d.text(连接按钮).c_str());
  printPage(d, d.tabName(0).c_str(), kTwoMasterBase, 3);
  printPage(d, d.tabName(1).c_str(), kFourMasterBase, 5);
  std::printf("last command sent: %s\nlast reply: %s\n", visible(d.text(发送数据文本框)).c_str(),
              visible(d.text(接收数据文本框)).c_str());

  d.sync();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::string command = "DISPLAY=" + env.get("DISPLAY") + " import -window root '" + screenshot + "'";
  if (std::system(command.c_str()) == 0) std::printf("screenshot: %s\n", screenshot.c_str());
  else std::fprintf(stderr, "mms-show: screenshot failed: %s\n", command.c_str());

  d.closeWindow();
  const auto code = d.waitExit(std::chrono::seconds(10));
  if (code) std::printf("closed; exit code %d\n", *code);
  return code && *code == 0 ? 0 : 1;
}
