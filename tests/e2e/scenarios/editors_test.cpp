// The time boxes keep their limits while typed into, and the two-master page
// feeds the four-master page, never the other way.
#include <gtest/gtest.h>

#include "scenario_fixture.h"

namespace e2e {
namespace {

class EditorsTest : public Scenario {};

TEST_F(EditorsTest, TimeBoxesKeepTheirLimitsAndTheTwoMasterPageCopiesItsText) {
  ASSERT_NO_FATAL_FAILURE(launch());
  struct Case { const char* typed; const char* shown; };
  const Case cases[] = {
      {"-5", "0"},           {"12000", "10000"},   {"10000", "10000"},     {"0", "0"},
      {"007", "007"},        {"-", "-"},           {"abc", "abc"},         {"12abc", "12abc"},
      {"5.5", "5.5"},        {"", ""},             {" 12", " 12"},         {"+12", "+12"},
      {"１２", "１２"},      {"１２０００", "10000"}, {"－３", "0"},
      {"3000000000", "10000"}, {"-3000000000", "0"}, {"4294967306", "10000"}, {"99999999999", "10000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    ASSERT_TRUE(driver->setText(超时时间编辑框1, c.typed));
    EXPECT_EQ(driver->text(超时时间编辑框1), c.shown);
    EXPECT_EQ(driver->text(超时时间编辑框), c.shown) << "copied to the four-master page";
    ASSERT_TRUE(driver->setText(轮询间隔编辑框1, c.typed));
    EXPECT_EQ(driver->text(轮询间隔编辑框1), c.shown);
    EXPECT_EQ(driver->text(轮询间隔编辑框), c.shown);
  }
  // The four-master boxes check their own limits and copy nothing back.
  ASSERT_TRUE(driver->setText(超时时间编辑框1, "300"));
  ASSERT_TRUE(driver->setText(轮询间隔编辑框1, "300"));
  ASSERT_TRUE(driver->setText(超时时间编辑框, "-7"));
  EXPECT_EQ(driver->text(超时时间编辑框), "0");
  EXPECT_EQ(driver->text(超时时间编辑框1), "300");
  ASSERT_TRUE(driver->setText(轮询间隔编辑框, "20000"));
  EXPECT_EQ(driver->text(轮询间隔编辑框), "10000");
  EXPECT_EQ(driver->text(轮询间隔编辑框1), "300");
}

TEST_F(EditorsTest, PicksOnTheTwoMasterPageCopyToTheFourMasterPage) {
  ASSERT_NO_FATAL_FAILURE(launch());
  struct Case { int from, to, index; };
  const Case cases[] = {
      {COM1波特率组合框1, COM1波特率组合框, 8}, {COM1校验位组合框1, COM1校验位组合框, 2},
      {COM2波特率组合框1, COM2波特率组合框, 0}, {COM2校验位组合框1, COM2校验位组合框, 1},
      {COM3波特率组合框1, COM3波特率组合框, 5}, {COM3校验位组合框1, COM3校验位组合框, 2},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(driver->pick(c.from, c.index));
    ASSERT_TRUE(driver->sync());
    EXPECT_EQ(driver->comboSelection(c.to), c.index) << "list " << c.from;
  }
  // Picking the item already selected writes the same index again.
  ASSERT_TRUE(driver->pick(COM3波特率组合框1, 5));
  ASSERT_TRUE(driver->sync());
  EXPECT_EQ(driver->comboSelection(COM3波特率组合框), 5);
  // The four-master lists react to nothing, and COM4 and COM5 exist there only.
  ASSERT_TRUE(driver->selectTab(1));
  ASSERT_TRUE(driver->pick(COM1波特率组合框, 3));
  ASSERT_TRUE(driver->pick(COM4波特率组合框, 6));
  ASSERT_TRUE(driver->sync());
  EXPECT_EQ(driver->comboSelection(COM1波特率组合框1), 8);
  EXPECT_EQ(driver->comboSelection(COM4波特率组合框), 6);
}

}  // namespace
}  // namespace e2e
