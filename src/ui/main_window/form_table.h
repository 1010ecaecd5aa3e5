// The main window's form: every control with its name (ID), kind, parent,
// design place and size, font and design text. The toolkit builds the window
// from it in table order, which is also the order of the children.
#pragma once

#include <string_view>
#include <vector>

#include "protocol/parameter_lists.h"
#include "ui/main_window/control_ids.h"

namespace form {

enum class Kind { Label, EditBox, ComboBox, Button, CheckBox, TabControl, FrameBox, BalloonTip };

enum class Items { None, Bauds, Parities, DesignPorts };

struct Control {
  ControlId id;
  ControlId parent;  // 窗口 for a direct child of the window
  Kind kind;
  int x, y, width, height;  // design pixels, inside the parent's client area
  int fontPixels;           // character height; 0 = no font (frame boxes, tips)
  std::string_view text;    // design text
  Items items = Items::None;
  ControlId tipTarget = 窗口;  // balloon tips: the label they explain
};

struct WindowDesign {
  std::string_view title;
  int x, y, width, height;  // outer rectangle
};

inline constexpr WindowDesign kWindow{"多主一从设置软件", 50, 50, 604, 755};

// Tab pages in order; each holds one page box placed inside the tab control.
struct TabPage {
  std::string_view name;
  ControlId pageBox;
};
inline constexpr TabPage kTabPages[2] = {{"二主一从", 外形框3}, {"四主一从", 外形框1}};

using protocol::kBauds;
using protocol::kParities;

const std::vector<Control>& controls();
const Control* find(ControlId id);

}  // namespace form
