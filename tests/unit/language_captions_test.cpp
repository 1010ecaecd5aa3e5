#include <gtest/gtest.h>

#include <map>

#include "ui/main_window/form_table.h"
#include "ui/texts/language_captions.h"

using texts::CaptionAssignment;
using texts::TextId;

TEST(LanguageCaptions, EveryPageLabelAndButtonGetsItsText) {
  std::map<int, TextId> byControl;
  for (const auto& a : texts::languageCaptions())
    if (a.target == CaptionAssignment::Target::Control) byControl[a.control] = a.text;

  std::map<int, TextId> expected{
      {主机1标签, TextId::T3}, {主机2标签, TextId::T4}, {主机3标签, TextId::T5}, {主机4标签, TextId::T6},
      {从机标签, TextId::T7}, {主机1标签1, TextId::T3}, {主机2标签1, TextId::T4}, {从机标签1, TextId::T7},
      {连接提示, TextId::T9}, {串口号标签, TextId::T10}, {连接按钮, TextId::T11}, {版本号标签, TextId::T12},
      {超时时间标签, TextId::T17}, {轮询间隔标签, TextId::T18}, {读取按钮, TextId::T19}, {设置按钮, TextId::T20},
      {超时时间标签1, TextId::T17}, {轮询间隔标签1, TextId::T18}, {读取按钮1, TextId::T19}, {设置按钮1, TextId::T20},
  };
  for (int port = 1; port <= 5; ++port) {
    expected[baudLabelId(kFourMasterBase, port)] = TextId::T15;
    expected[parityLabelId(kFourMasterBase, port)] = TextId::T16;
  }
  for (int port = 1; port <= 3; ++port) {
    expected[baudLabelId(kTwoMasterBase, port)] = TextId::T15;
    expected[parityLabelId(kTwoMasterBase, port)] = TextId::T16;
  }
  EXPECT_EQ(byControl, expected);
  for (const auto& [id, text] : byControl) EXPECT_NE(form::find(static_cast<ControlId>(id)), nullptr) << id;
}

TEST(LanguageCaptions, OrderIsVerticalLabelsThenStripThenPageTwoThenPageOne) {
  const auto& all = texts::languageCaptions();
  ASSERT_GE(all.size(), 15u);
  EXPECT_EQ(all[0].control, 主机1标签);
  EXPECT_EQ(all[7].control, 从机标签1);
  EXPECT_EQ(all[8].target, CaptionAssignment::Target::WindowTitle);
  EXPECT_EQ(all[8].text, TextId::T8);
  EXPECT_EQ(all[13].target, CaptionAssignment::Target::TabName);
  EXPECT_EQ(all[13].tabNumber, 1);
  EXPECT_EQ(all[13].text, TextId::T13);
  EXPECT_EQ(all[14].tabNumber, 2);
  EXPECT_EQ(all[14].text, TextId::T14);
  EXPECT_EQ(all[15].control, COM1波特率标签);
  EXPECT_EQ(all[16].control, COM1校验位标签);
  EXPECT_EQ(all[17].control, COM2波特率标签);
  EXPECT_EQ(all.back().control, 设置按钮1);
  // Page 2's buttons come before any label of page 1.
  std::size_t page2Write = 0, page1First = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i].control == 设置按钮) page2Write = i;
    if (all[i].control == COM1波特率标签1) page1First = i;
  }
  EXPECT_LT(page2Write, page1First);
}
