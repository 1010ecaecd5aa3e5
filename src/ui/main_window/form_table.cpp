#include "ui/main_window/form_table.h"

namespace form {

namespace {

constexpr int kText = 16;      // 12 pt at 96 dpi
constexpr int kVertical = 19;  // 14 pt
constexpr int kSmall = 13;     // 10 pt
constexpr int kSendButton = 15;

void addPortBox(std::vector<Control>& out, int base, int port, ControlId box) {
  out.push_back({baudLabelId(base, port), box, Kind::Label, 24, 12, 72, 32, kText, "波特率:"});
  out.push_back({baudListId(base, port), box, Kind::ComboBox, 104, 12, 88, 32, kText, "", Items::Bauds});
  out.push_back({parityLabelId(base, port), box, Kind::Label, 24, 60, 72, 32, kText, "校验位:"});
  out.push_back({parityListId(base, port), box, Kind::ComboBox, 104, 60, 88, 32, kText, "", Items::Parities});
}

void addSlaveBox(std::vector<Control>& out, int base, ControlId box, ControlId timeoutLabel,
                 ControlId timeoutBox, ControlId pollLabel, ControlId pollBox) {
  out.push_back({baudLabelId(base, 1), box, Kind::Label, 48, 12, 72, 32, kText, "波特率:"});
  out.push_back({baudListId(base, 1), box, Kind::ComboBox, 128, 12, 88, 32, kText, "", Items::Bauds});
  out.push_back({parityLabelId(base, 1), box, Kind::Label, 48, 60, 72, 32, kText, "校验位:"});
  out.push_back({parityListId(base, 1), box, Kind::ComboBox, 128, 60, 88, 32, kText, "", Items::Parities});
  out.push_back({timeoutLabel, box, Kind::Label, 32, 104, 88, 32, kText, "超时时间:"});
  out.push_back({timeoutBox, box, Kind::EditBox, 128, 104, 88, 32, kText, ""});
  out.push_back({pollLabel, box, Kind::Label, 32, 152, 88, 32, kText, "轮询间隔:"});
  out.push_back({pollBox, box, Kind::EditBox, 128, 152, 88, 32, kText, ""});
}

std::vector<Control> build() {
  std::vector<Control> c;

  // Connection strip.
  c.push_back({连接提示, 窗口, Kind::Label, 24, 4, 552, 40, kSmall,
               "上电前5秒/运行过程中短接设置端子，三个指示灯全亮(处于设置状态)，才能连接成功！"});
  c.push_back({外形框2, 窗口, Kind::FrameBox, 24, 48, 304, 64, 0, ""});
  c.push_back({串口号标签, 外形框2, Kind::Label, 16, 20, 56, 24, kText, "串口号:"});
  c.push_back({串口号组合框, 外形框2, Kind::ComboBox, 80, 18, 88, 32, kText, "", Items::DesignPorts});
  c.push_back({连接按钮, 外形框2, Kind::Button, 184, 16, 104, 32, kText, "连接"});
  c.push_back({版本号标签, 窗口, Kind::Label, 424, 64, 64, 32, kText, "版本号:"});
  c.push_back({版本号编辑框, 窗口, Kind::EditBox, 488, 64, 88, 32, kText, ""});

  // Tabs and their pages.
  c.push_back({选择夹1, 窗口, Kind::TabControl, 24, 128, 552, 576, kText, ""});

  // Page 1: two masters.
  c.push_back({外形框3, 选择夹1, Kind::FrameBox, 8, 36, 536, 532, 0, ""});
  c.push_back({主机1标签1, 外形框3, Kind::Label, 19, 32, 28, 80, kVertical, "主机1："});
  c.push_back({外形框10, 外形框3, Kind::FrameBox, 32, 20, 204, 104, 0, ""});
  addPortBox(c, kTwoMasterBase, 2, 外形框10);
  c.push_back({主机2标签1, 外形框3, Kind::Label, 19, 156, 28, 80, kVertical, "主机2："});
  c.push_back({外形框11, 外形框3, Kind::FrameBox, 32, 144, 204, 104, 0, ""});
  addPortBox(c, kTwoMasterBase, 3, 外形框11);
  c.push_back({从机标签1, 外形框3, Kind::Label, 267, 80, 28, 80, kVertical, "从    机"});
  c.push_back({外形框12, 外形框3, Kind::FrameBox, 280, 20, 232, 200, 0, ""});
  addSlaveBox(c, kTwoMasterBase, 外形框12, 超时时间标签1, 超时时间编辑框1, 轮询间隔标签1, 轮询间隔编辑框1);
  c.push_back({超时时间提示框1, 外形框3, Kind::BalloonTip, 504, 128, 32, 32, 0, "", Items::None, 超时时间标签1});
  c.push_back({轮询间隔提示框1, 外形框3, Kind::BalloonTip, 504, 172, 32, 32, 0, "", Items::None, 轮询间隔标签1});
  c.push_back({读取按钮1, 外形框3, Kind::Button, 320, 240, 88, 32, kText, "读取"});
  c.push_back({设置按钮1, 外形框3, Kind::Button, 424, 240, 88, 32, kText, "设置"});

  // Page 2: four masters.
  c.push_back({外形框1, 选择夹1, Kind::FrameBox, 8, 36, 536, 532, 0, ""});
  c.push_back({主机1标签, 外形框1, Kind::Label, 19, 32, 28, 80, kVertical, "主 机 1 ："});
  c.push_back({外形框4, 外形框1, Kind::FrameBox, 32, 20, 204, 104, 0, ""});
  addPortBox(c, kFourMasterBase, 2, 外形框4);
  c.push_back({主机2标签, 外形框1, Kind::Label, 19, 156, 28, 80, kVertical, "主机2："});
  c.push_back({外形框5, 外形框1, Kind::FrameBox, 32, 144, 204, 104, 0, ""});
  addPortBox(c, kFourMasterBase, 3, 外形框5);
  c.push_back({主机3标签, 外形框1, Kind::Label, 19, 284, 28, 80, kVertical, "主机3："});
  c.push_back({外形框6, 外形框1, Kind::FrameBox, 32, 272, 204, 104, 0, ""});
  addPortBox(c, kFourMasterBase, 4, 外形框6);
  c.push_back({主机4标签, 外形框1, Kind::Label, 19, 412, 28, 80, kVertical, "主机4："});
  c.push_back({外形框8, 外形框1, Kind::FrameBox, 32, 400, 204, 104, 0, ""});
  addPortBox(c, kFourMasterBase, 5, 外形框8);
  c.push_back({从机标签, 外形框1, Kind::Label, 267, 80, 28, 80, kVertical, "从    机"});
  c.push_back({外形框9, 外形框1, Kind::FrameBox, 280, 20, 232, 200, 0, ""});
  addSlaveBox(c, kFourMasterBase, 外形框9, 超时时间标签, 超时时间编辑框, 轮询间隔标签, 轮询间隔编辑框);
  c.push_back({超时时间提示框, 外形框1, Kind::BalloonTip, 504, 128, 32, 32, 0, "", Items::None, 超时时间标签});
  c.push_back({轮询间隔提示框, 外形框1, Kind::BalloonTip, 504, 172, 32, 32, 0, "", Items::None, 轮询间隔标签});
  c.push_back({读取按钮, 外形框1, Kind::Button, 320, 240, 88, 32, kText, "读取"});
  c.push_back({设置按钮, 外形框1, Kind::Button, 424, 240, 88, 32, kText, "设置"});

  // Console: below the visible client area by design.
  c.push_back({外形框7, 窗口, Kind::FrameBox, 24, 760, 536, 104, 0, ""});
  c.push_back({发送数据标签, 外形框7, Kind::Label, 16, 16, 72, 30, kText, "发送数据："});
  c.push_back({发送数据文本框, 外形框7, Kind::EditBox, 96, 16, 248, 30, kText, ""});
  c.push_back({回车换行选择框, 外形框7, Kind::CheckBox, 352, 20, 96, 24, kSmall, "加回车换行"});
  c.push_back({发送按钮, 外形框7, Kind::Button, 448, 40, 64, 32, kSendButton, "发送"});
  c.push_back({接收数据标签, 外形框7, Kind::Label, 16, 50, 72, 30, kText, "接收数据："});
  c.push_back({接收数据文本框, 外形框7, Kind::EditBox, 96, 50, 336, 30, kText, ""});
  return c;
}

}  // namespace

const std::vector<Control>& controls() {
  static const std::vector<Control> table = build();
  return table;
}

const Control* find(ControlId id) {
  for (const auto& c : controls())
    if (c.id == id) return &c;
  return nullptr;
}

}  // namespace form
