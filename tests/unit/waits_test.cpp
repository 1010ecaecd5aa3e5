#include <gtest/gtest.h>

#include "serial/waits.h"

TEST(Waits, DueTimeIsNegativeHundredsOfNanosecondsTruncated) {
  struct Case { std::int32_t amount; serial::DelayUnit unit; std::int64_t due; };
  const Case cases[] = {
      {200, 0, -2'000'000},      {20, 0, -200'000},           {1, 1, -10'000'000},
      {1, 2, -600'000'000},      {1, 3, -36'000'000'000},     {3, 7, -210'000},  // any other unit: ms per unit
      {0, 0, 0},                 {-5, 0, 0},                  {5, -1, 0},        // not in the future: at once
      {2'000'000'000, 3, INT64_MIN + 1},                                        // beyond the range: the longest wait
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.amount) + " x unit " + std::to_string(c.unit));
    EXPECT_EQ(serial::delayDueTime(c.amount, c.unit), c.due);
  }
}

TEST(Waits, SpinTicksFollowTheCounterFrequency) {
  EXPECT_EQ(serial::spinTicks(10'000'000, 4000), 40'000);
  EXPECT_EQ(serial::spinTicks(3'579'545, 4000), 14'318);  // truncated
  EXPECT_EQ(serial::spinTicks(10'000'000, 0), 0);
  EXPECT_EQ(serial::spinTicks(10'000'000, -3), 0);
}
