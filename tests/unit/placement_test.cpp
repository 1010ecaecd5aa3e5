#include <gtest/gtest.h>

#include <random>

#include "ui/layout/placement.h"

using layout::Rect;

TEST(Placement, DisplaysOfTheExamples) {
  struct Case { int w, h; Rect expected; };  // expected: left, top, width, height
  const Case cases[] = {
      {1920, 1080, {624, 162, 672, 756}},
      {2560, 1440, {554, 144, 597, 671}},
      {1366, 768, {354, 92, 550, 550}},
      {3840, 2160, {416, 108, 550, 550}},
      {0, 0, {0, 0, 550, 550}},  // a failed display query
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    const layout::SizeLimits limits{550, 550, std::max(c.w, 1366), std::max(c.h, 768)};
    EXPECT_EQ(layout::placement(c.w, c.h, limits), c.expected);
  }
}

TEST(Placement, DivisorBandEdges) {
  struct Case { int w; double d; };  // d = 0: none
  const Case cases[] = {{0, 1.25},    {1599, 1.25}, {1600, 0},   {1920, 0},   {1921, 1.5},
                        {2560, 1.5},  {2561, 2},    {3200, 2},   {3201, 2.5}, {3839, 2.5},
                        {3840, 3},    {7680, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    const auto d = layout::screenDivisor(c.w);
    if (c.d == 0) {
      EXPECT_FALSE(d.has_value());
    } else {
      ASSERT_TRUE(d.has_value());
      EXPECT_DOUBLE_EQ(*d, c.d);
    }
  }
}

TEST(Placement, TruncatesInsteadOfRounding) {
  // 1440 x 0.7 is 1007.99...: 1007, then 671 after dividing by 1.5.
  const auto r = layout::placement(2560, 1440, {0, 0, 5000, 5000});
  EXPECT_EQ(r.height, 671);
  const auto undivided = layout::placement(1920, 1440, {0, 0, 5000, 5000});
  EXPECT_EQ(undivided.height, 1007);
}

TEST(Scaling, ReturningToTheAttachSizeRestoresEveryRecordExactly) {
  // Every layout comes from the records, so no sequence of sizes leaves a trace.
  const std::vector<Rect> records{{24, 4, 552, 40}, {8, 36, 536, 532}, {128, 152, 88, 32}, {424, 760, 88, 32}};
  std::mt19937 random(7);
  std::uniform_int_distribution<int> size(0, 4000);
  for (int step = 0; step < 200; ++step) {
    const float rx = static_cast<float>(size(random)) / 588.0f;
    const float ry = static_cast<float>(size(random)) / 716.0f;
    for (const Rect& r : records) (void)layout::scaled(r, rx, ry);
  }
  for (const Rect& r : records) EXPECT_EQ(layout::scaled(r, 588.0f / 588.0f, 716.0f / 716.0f), r);
}

TEST(Scaling, MovesInProportionTruncated) {
  EXPECT_EQ(layout::scaled({24, 128, 552, 576}, 0.5f, 2.0f), (Rect{12, 256, 276, 1152}));
  EXPECT_EQ(layout::scaled({3, 3, 3, 3}, 0.999f, 0.5f), (Rect{2, 1, 2, 1}));  // 2.997 and 1.5 truncate
  EXPECT_EQ(layout::scaled({100, 100, 100, 100}, 0.0f, 0.0f), (Rect{0, 0, 0, 0}));  // minimised
}

TEST(FontSteps, ChangeAtAWindowHeightOf700) {
  EXPECT_EQ(layout::fontStepFor(700).verticalLabelPoints, 14);
  EXPECT_EQ(layout::fontStepFor(700).hintPoints, 10);
  EXPECT_EQ(layout::fontStepFor(699).verticalLabelPoints, 10);
  EXPECT_EQ(layout::fontStepFor(699).hintPoints, 8);
  EXPECT_EQ(layout::fontStepFor(0).verticalLabelPoints, 10);
}
