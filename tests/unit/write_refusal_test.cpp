#include <gtest/gtest.h>

#include "protocol/write_refusal.h"

using namespace protocol;

TEST(WriteRefusal, NamesThePortOrTheTimeInEitherLanguage) {
  struct Case { WriteProblem problem; int field; std::uint8_t language; const char* text; };
  const Case cases[] = {
      {WriteProblem::NoBaud, 0, 0, "未设置：请选择COM1的波特率"},
      {WriteProblem::NoBaud, 8, 1, "Not written: choose the baud rate of COM5"},
      {WriteProblem::NoParity, 3, 0, "未设置：请选择COM2的校验位"},
      {WriteProblem::NoParity, 7, 1, "Not written: choose the parity of COM4"},
      {WriteProblem::BadTimeout, 10, 0, "未设置：超时时间须为0到10000的整数"},
      {WriteProblem::BadPoll, 11, 1, "Not written: Poll-Time must be a whole number from 0 to 10000"},
  };
  for (const Case& c : cases) {
    WriteCheck check;
    check.problem = c.problem;
    check.field = c.field;
    EXPECT_EQ(refusalMessage(check, c.language), c.text);
  }
  EXPECT_EQ(refusalMessage(WriteCheck{}, 0), "");
}
