// The window fitted to the display, proportional re-layout on every resize,
// the size limits and the font steps.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <thread>

#include "private_rig.h"
#include "scenario_fixture.h"
#include "screen_ink.h"
#include "ui/layout/placement.h"
#include "ui/main_window/form_table.h"

namespace e2e {
namespace {

// With the prefix's replacement font the three-line vertical label is 59 px of
// text at 14 pt and 40 px at 10 pt; the hint line 494 px wide at 10 pt and 414
// px at 8 pt. The thresholds lie between the steps.
constexpr int kLargeLabelAtLeast = 50;
constexpr int kLargeHintAtLeast = 454;

class LayoutTest : public Scenario {
 protected:
  void expectFontStep(Driver& d, const RigEnv& rig, int windowHeight, const std::string& where) {
    const auto [label, hint] = textSizes(d, rig);
    ASSERT_GT(label, 0) << where;
    ASSERT_GT(hint, 0) << where;
    const bool large = windowHeight >= 700;
    EXPECT_EQ(label >= kLargeLabelAtLeast, large) << where << ": vertical label text " << label << " px high";
    EXPECT_EQ(hint >= kLargeHintAtLeast, large) << where << ": hint text " << hint << " px wide";
  }

  // Height of the drawn text of a vertical label of the visible page, and width of the hint line's.
  std::pair<int, int> textSizes(Driver& d, const RigEnv& rig) {
    d.sync();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let the labels repaint
    const auto label = d.screenRect(主机1标签1);
    const auto hint = d.screenRect(连接提示);
    if (!label || !hint) return {-1, -1};
    // Left of the box the label stands against, so that only its text is measured.
    Rect left = *label;
    left.width = std::max(1, d.rect(外形框10)->x - d.rect(主机1标签1)->x);
    const auto labelInk = inkSize(rig.get("DISPLAY"), left, (artifacts() / "label.png").string());
    const auto hintInk = inkSize(rig.get("DISPLAY"), *hint, (artifacts() / "hint.png").string());
    return {labelInk ? labelInk->second : -1, hintInk ? hintInk->first : -1};
  }
};

TEST_F(LayoutTest, WindowIsFittedToTheDisplay) {
  struct Case { const char* screen; Rect window; };  // x, y, width, height
  const Case cases[] = {
      {"1366x768", {354, 92, 550, 550}},
      {"1920x1080", {624, 162, 672, 756}},
      {"2560x1440", {554, 144, 597, 671}},
      {"3840x2160", {416, 108, 550, 550}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    // One state folder for every size: the same port mapping spares a server restart.
    PrivateRig rig(env, "screens", privateRigOptions(env, c.screen));
    ASSERT_TRUE(rig.up()) << rig.error();
    Driver d(rig.env());
    ASSERT_TRUE(d.started()) << d.startError();
    ASSERT_TRUE(d.launch(env.get("MMS_APP_EXE"), kTitleChinese));
    const auto window = d.windowRect();
    ASSERT_TRUE(window.has_value());
    EXPECT_EQ((std::array{window->x, window->y, window->width, window->height}),
              (std::array{c.window.x, c.window.y, c.window.width, c.window.height}));
    expectFontStep(d, rig.env(), window->height, c.screen);
    // For a person to look at.
    const std::string shot = (artifacts() / (std::string("window-") + c.screen + ".png")).string();
    const std::string take = "DISPLAY=" + rig.env().get("DISPLAY") + " import -window root '" + shot + "'";
    EXPECT_EQ(std::system(take.c_str()), 0) << take;
    ASSERT_TRUE(d.closeWindow());
    EXPECT_EQ(d.waitExit(std::chrono::seconds(10)), 0);
  }
}

TEST_F(LayoutTest, ControlsFollowEveryResizeInProportion) {
  ASSERT_NO_FATAL_FAILURE(launch());
  ASSERT_TRUE(driver->resize(form::kWindow.width, form::kWindow.height));
  const auto attach = driver->clientRect();  // the client size the records were taken at
  ASSERT_TRUE(attach.has_value());

  for (auto [width, height] : {std::pair{800, 600}, {600, 760}, {1000, 700}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    ASSERT_TRUE(driver->resize(width, height));
    const auto client = driver->clientRect();
    ASSERT_TRUE(client.has_value());
    const float rx = static_cast<float>(client->width) / static_cast<float>(attach->width);
    const float ry = static_cast<float>(client->height) / static_cast<float>(attach->height);
    const auto shown = driver->controls();
    std::map<int, ControlInfo> byId;
    for (const auto& c : shown) byId.emplace(c.id, c);
    for (const auto& c : form::controls()) {
      if (c.kind == form::Kind::BalloonTip || c.kind == form::Kind::ComboBox) continue;  // combos keep their height
      const layout::Rect expected = layout::scaled({c.x, c.y, c.width, c.height}, rx, ry);
      const ControlInfo& w = byId.at(c.id);
      // Inside the tab's pages the last move comes from the page's own scaler,
      // whose ratio differs from the window's by the truncation of the page's size.
      const int slack = c.parent == 窗口 || c.parent == 外形框2 || c.parent == 外形框7 ? 0 : 3;
      EXPECT_NEAR(w.x, expected.x, slack) << "control " << c.id;
      EXPECT_NEAR(w.y, expected.y, slack) << "control " << c.id;
      EXPECT_NEAR(w.width, expected.width, slack) << "control " << c.id;
      EXPECT_NEAR(w.height, expected.height, slack) << "control " << c.id;
    }
    EXPECT_GE(driver->rect(外形框7)->y, client->height) << "the console must stay out of sight";
  }
  // Back at the attach size everything is exactly where it was designed.
  ASSERT_TRUE(driver->resize(form::kWindow.width, form::kWindow.height));
  for (const auto& c : driver->controls()) {
    const form::Control* f = form::find(static_cast<ControlId>(c.id));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ((std::array{c.x, c.y, c.width, c.height}), (std::array{f->x, f->y, f->width, f->height})) << c.id;
  }
}

TEST_F(LayoutTest, SizeStaysWithinTheMinimumAndTheScreen) {
  ASSERT_NO_FATAL_FAILURE(launch());
  const auto small = driver->resize(200, 100);
  ASSERT_TRUE(small.has_value());
  EXPECT_EQ(small->width, 550);
  EXPECT_EQ(small->height, 550);
  const auto large = driver->resize(5000, 5000);
  ASSERT_TRUE(large.has_value());
  EXPECT_EQ(large->width, 1366);  // the rig's screen
  EXPECT_EQ(large->height, 768);
}

TEST_F(LayoutTest, FontStepChangesAtAWindowHeightOf700) {
  ASSERT_NO_FATAL_FAILURE(launch());
  for (int height : {700, 699, 760, 550}) {
    const auto r = driver->resize(620, height);
    ASSERT_TRUE(r.has_value());
    ASSERT_EQ(r->height, height);
    expectFontStep(*driver, env, height, "window height " + std::to_string(height));
  }
}

}  // namespace
}  // namespace e2e
