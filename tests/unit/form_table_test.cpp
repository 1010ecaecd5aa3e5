#include <gtest/gtest.h>

#include <set>

#include "ui/main_window/form_table.h"

using form::Kind;

namespace {

// The per-port controls as outside tools address them: page base B, port n.
struct Expected { int id; Kind kind; int parent; };

std::vector<Expected> pageControls(int base, int lastPort) {
  std::vector<Expected> out;
  for (int n = 1; n <= lastPort; ++n) {
    const int box = n == 1 ? base + 15 : base + 9 + n;  // slave box, or the COMn box
    out.push_back({base + 100 + n, Kind::Label, box});
    out.push_back({base + 110 + n, Kind::ComboBox, box});
    out.push_back({base + 120 + n, Kind::Label, box});
    out.push_back({base + 130 + n, Kind::ComboBox, box});
  }
  for (auto [offset, kind] : {std::pair{141, Kind::Label}, {142, Kind::EditBox}, {143, Kind::Label},
                              {144, Kind::EditBox}})
    out.push_back({base + offset, kind, base + 15});
  out.push_back({base + 151, Kind::Button, base});
  out.push_back({base + 152, Kind::Button, base});
  for (int m = 1; m <= lastPort - 1; ++m) out.push_back({base + m, Kind::Label, base});
  out.push_back({base + 5, Kind::Label, base});
  for (int m = 1; m <= lastPort - 1; ++m) out.push_back({base + 10 + m, Kind::FrameBox, base});
  out.push_back({base + 15, Kind::FrameBox, base});
  out.push_back({base, Kind::FrameBox, 1008});
  return out;
}

std::vector<Expected> allExpected() {
  std::vector<Expected> out{
      {1001, Kind::Label, 0},    {1002, Kind::FrameBox, 0}, {1003, Kind::Label, 1002},
      {1004, Kind::ComboBox, 1002}, {1005, Kind::Button, 1002}, {1006, Kind::Label, 0},
      {1007, Kind::EditBox, 0},  {1008, Kind::TabControl, 0}, {1010, Kind::FrameBox, 0},
      {1011, Kind::Label, 1010}, {1012, Kind::EditBox, 1010}, {1013, Kind::CheckBox, 1010},
      {1014, Kind::Button, 1010}, {1015, Kind::Label, 1010}, {1016, Kind::EditBox, 1010},
  };
  for (const auto& e : pageControls(2000, 5)) out.push_back(e);
  for (const auto& e : pageControls(3000, 3)) out.push_back(e);
  return out;
}

}  // namespace

TEST(FormTable, EveryAddressableControlHasItsKindAndParent) {
  const auto expected = allExpected();
  std::size_t windows = 0;
  for (const auto& c : form::controls())
    if (c.kind != Kind::BalloonTip) ++windows;
  EXPECT_EQ(windows, expected.size());
  for (const auto& e : expected) {
    SCOPED_TRACE(e.id);
    const form::Control* c = form::find(static_cast<ControlId>(e.id));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, e.kind);
    EXPECT_EQ(c->parent, e.parent);
  }
}

TEST(FormTable, IdsAreUniqueAndParentsComeFirst) {
  std::set<int> seen{窗口};
  for (const auto& c : form::controls()) {
    SCOPED_TRACE(c.id);
    EXPECT_TRUE(seen.count(c.parent)) << "parent must be built before its children";
    EXPECT_TRUE(seen.insert(c.id).second) << "duplicate ID";
  }
}

TEST(FormTable, FontsFollowTheKindOfText) {
  const std::set<int> vertical{2001, 2002, 2003, 2004, 2005, 3001, 3002, 3005};
  for (const auto& c : form::controls()) {
    SCOPED_TRACE(c.id);
    int expected = 16;
    if (c.kind == Kind::FrameBox || c.kind == Kind::BalloonTip) expected = 0;
    else if (vertical.count(c.id)) expected = 19;
    else if (c.id == 连接提示 || c.id == 回车换行选择框) expected = 13;
    else if (c.id == 发送按钮) expected = 15;
    EXPECT_EQ(c.fontPixels, expected);
  }
}

TEST(FormTable, ListsHoldTheInstrumentsValuesInOrder) {
  for (const auto& c : form::controls()) {
    if (c.kind != Kind::ComboBox || c.id == 串口号组合框) continue;
    const bool baud = (c.id % 1000) / 10 == 11;
    EXPECT_EQ(c.items, baud ? form::Items::Bauds : form::Items::Parities) << c.id;
  }
  EXPECT_EQ(form::find(串口号组合框)->items, form::Items::DesignPorts);
  ASSERT_EQ(std::size(form::kBauds), 9u);
  EXPECT_EQ(form::kBauds[0], "1200");
  EXPECT_EQ(form::kBauds[3], "9600");
  EXPECT_EQ(form::kBauds[8], "230400");
  ASSERT_EQ(std::size(form::kParities), 3u);
  EXPECT_EQ(form::kParities[2], "even");
}

TEST(FormTable, DesignPlacesOfTheMainContainers) {
  struct Case { ControlId id; int x, y, w, h; };
  for (const Case& c : {Case{连接提示, 24, 4, 552, 40}, Case{外形框2, 24, 48, 304, 64},
                        Case{连接按钮, 184, 16, 104, 32}, Case{选择夹1, 24, 128, 552, 576},
                        Case{外形框3, 8, 36, 536, 532}, Case{外形框1, 8, 36, 536, 532},
                        Case{外形框8, 32, 400, 204, 104}, Case{外形框9, 280, 20, 232, 200},
                        Case{COM1波特率组合框, 128, 12, 88, 32}, Case{COM5校验位组合框, 104, 60, 88, 32},
                        Case{设置按钮1, 424, 240, 88, 32}, Case{接收数据文本框, 96, 50, 336, 30}}) {
    const form::Control* f = form::find(c.id);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ((std::array{f->x, f->y, f->width, f->height}), (std::array{c.x, c.y, c.w, c.h})) << c.id;
  }
}

TEST(FormTable, ConsoleStartsBelowTheDesignWindow) {
  EXPECT_GE(form::find(外形框7)->y, form::kWindow.height);
}

TEST(FormTable, TipsExplainTheTimeLabelsOfTheirOwnPage) {
  struct Case { ControlId tip, label, page; };
  for (const Case& c : {Case{超时时间提示框, 超时时间标签, 外形框1}, Case{轮询间隔提示框, 轮询间隔标签, 外形框1},
                        Case{超时时间提示框1, 超时时间标签1, 外形框3}, Case{轮询间隔提示框1, 轮询间隔标签1, 外形框3}}) {
    const form::Control* tip = form::find(c.tip);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->kind, Kind::BalloonTip);
    EXPECT_EQ(tip->tipTarget, c.label);
    EXPECT_EQ(tip->parent, c.page);
  }
}
