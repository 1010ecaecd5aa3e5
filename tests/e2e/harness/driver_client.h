// Native side of the UI driver: runs tests/e2e/driver (a Win32 program) under
// wine and talks to it over its stdin/stdout line protocol. Every call is
// bounded in time; a driver that stops answering fails the call, never hangs.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "rig_env.h"

namespace e2e {

struct Reply {
  bool ok = false;
  std::string value;               // after "ok " (unescaped), or the error text
  std::vector<std::string> lines;  // continuation lines, unescaped
};

struct ControlInfo {
  int id = 0;
  std::string className;
  int parentId = 0;   // 0 when the parent is the main window
  bool visible = false;
  bool enabled = false;
  int x = 0, y = 0, width = 0, height = 0;  // in the parent's client area
  std::string text;
};

struct Rect { int x = 0, y = 0, width = 0, height = 0; };

// A font as GDI made it in the driver's process under the rig's font settings.
struct GlyphInfo {
  std::string face;     // GetTextFaceW
  int charset = 0;      // tmCharSet
  int height = 0;       // tmHeight
  std::string missing;  // the asked characters the font has no glyph for
};

class Driver {
 public:
  explicit Driver(const RigEnv& env);
  ~Driver();  // quits the driver (and kills the launched program if still running)
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  bool started() const;
  const std::string& startError() const;

  // Raw command; timeout covers the whole reply.
  Reply command(const std::string& line,
                std::chrono::milliseconds timeout = std::chrono::seconds(30));

  // Starts exePath (a Unix path) and waits until its main window with this
  // title is visible. Returns the milliseconds from process creation to visible.
  std::optional<double> launch(const std::string& exePath, const std::string& title,
                               std::chrono::milliseconds timeout = std::chrono::seconds(30));

  std::vector<ControlInfo> controls();
  std::string text(int id);
  bool setText(int id, const std::string& text);
  bool click(int id);           // false when the button is disabled
  bool enabled(int id);
  bool visible(int id);
  std::optional<Rect> rect(int id);        // in the parent's client area
  std::optional<Rect> windowRect();        // main window, screen coordinates
  std::optional<Rect> clientRect();        // main window client area (x, y = 0)
  // Sets the main window's outer size as a user's drag would (the program's
  // limits apply); returns the window's rectangle afterwards.
  std::optional<Rect> resize(int width, int height);
  std::optional<Rect> screenRect(int id);  // a control on the screen
  int comboSelection(int id);              // -1: nothing selected
  int comboCount(int id);
  std::optional<std::pair<long long, std::string>> comboItem(int id, int index);  // value, text
  bool pick(int id, int index);            // CB_SETCURSEL + CBN_SELENDOK to the parent
  bool dropDown(int id);                   // CBN_DROPDOWN to the parent
  std::string tabName(int index);          // 0-based
  int tabSelection();                      // -1: no tab selected
  bool selectTab(int index);               // as a user's click: the program is notified
  bool sync();                             // returns once the program has handled what was posted
  std::optional<std::string> waitMessageBox(std::chrono::milliseconds timeout);  // its text
  bool messageBoxPresent();
  bool closeMessageBox();                  // OK, then waits until it is gone
  bool closeWindow();                      // WM_CLOSE to the main window
  std::optional<int> waitExit(std::chrono::milliseconds timeout);
  void kill();

  // Takes an already running program's window by its title; returns its process id.
  std::optional<int> attach(const std::string& title);
  // Creates the font (face, charset, -pixelHeight) in the driver's process.
  std::optional<GlyphInfo> glyphs(const std::string& face, int charset, int pixelHeight,
                                  const std::string& chars);
  // Why the last typed helper failed (empty after a success). Helpers returning a
  // number give -1 for "none" as Win32 does, and kFailed when the command failed.
  const std::string& lastError() const;
  static constexpr int kFailed = -1000000;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace e2e
