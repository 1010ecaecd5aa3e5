// Control IDs of the main window, by the controls' form names. The numbers are
// the ones outside tools find the controls by; they never change.
#pragma once

enum ControlId : int {
  窗口 = 0,  // the main window itself (parent of the top-level controls)

  连接提示 = 1001,
  外形框2 = 1002,
  串口号标签 = 1003,
  串口号组合框 = 1004,
  连接按钮 = 1005,
  版本号标签 = 1006,
  版本号编辑框 = 1007,
  选择夹1 = 1008,
  外形框7 = 1010,
  发送数据标签 = 1011,
  发送数据文本框 = 1012,
  回车换行选择框 = 1013,
  发送按钮 = 1014,
  接收数据标签 = 1015,
  接收数据文本框 = 1016,

  // Four-master page.
  外形框1 = 2000,
  主机1标签 = 2001, 主机2标签 = 2002, 主机3标签 = 2003, 主机4标签 = 2004,
  从机标签 = 2005,
  外形框4 = 2011, 外形框5 = 2012, 外形框6 = 2013, 外形框8 = 2014,
  外形框9 = 2015,
  COM1波特率标签 = 2101, COM2波特率标签 = 2102, COM3波特率标签 = 2103,
  COM4波特率标签 = 2104, COM5波特率标签 = 2105,
  COM1波特率组合框 = 2111, COM2波特率组合框 = 2112, COM3波特率组合框 = 2113,
  COM4波特率组合框 = 2114, COM5波特率组合框 = 2115,
  COM1校验位标签 = 2121, COM2校验位标签 = 2122, COM3校验位标签 = 2123,
  COM4校验位标签 = 2124, COM5校验位标签 = 2125,
  COM1校验位组合框 = 2131, COM2校验位组合框 = 2132, COM3校验位组合框 = 2133,
  COM4校验位组合框 = 2134, COM5校验位组合框 = 2135,
  超时时间标签 = 2141, 超时时间编辑框 = 2142, 轮询间隔标签 = 2143, 轮询间隔编辑框 = 2144,
  读取按钮 = 2151, 设置按钮 = 2152,

  // Two-master page.
  外形框3 = 3000,
  主机1标签1 = 3001, 主机2标签1 = 3002,
  从机标签1 = 3005,
  外形框10 = 3011, 外形框11 = 3012,
  外形框12 = 3015,
  COM1波特率标签1 = 3101, COM2波特率标签1 = 3102, COM3波特率标签1 = 3103,
  COM1波特率组合框1 = 3111, COM2波特率组合框1 = 3112, COM3波特率组合框1 = 3113,
  COM1校验位标签1 = 3121, COM2校验位标签1 = 3122, COM3校验位标签1 = 3123,
  COM1校验位组合框1 = 3131, COM2校验位组合框1 = 3132, COM3校验位组合框1 = 3133,
  超时时间标签1 = 3141, 超时时间编辑框1 = 3142, 轮询间隔标签1 = 3143, 轮询间隔编辑框1 = 3144,
  读取按钮1 = 3151, 设置按钮1 = 3152,

  // Balloon tips are not child windows; these only name them in the form.
  超时时间提示框 = 4001, 轮询间隔提示框 = 4002, 超时时间提示框1 = 4003, 轮询间隔提示框1 = 4004,
};

// Per-port controls by instrument port number (1 = COM1, the slave, to 5).
// pageBase is 2000 (four masters) or 3000 (two masters).
constexpr ControlId baudLabelId(int pageBase, int port) { return ControlId(pageBase + 100 + port); }
constexpr ControlId baudListId(int pageBase, int port) { return ControlId(pageBase + 110 + port); }
constexpr ControlId parityLabelId(int pageBase, int port) { return ControlId(pageBase + 120 + port); }
constexpr ControlId parityListId(int pageBase, int port) { return ControlId(pageBase + 130 + port); }
inline constexpr int kFourMasterBase = 2000;
inline constexpr int kTwoMasterBase = 3000;
