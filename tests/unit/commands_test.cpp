#include <gtest/gtest.h>

#include "protocol/commands.h"

using protocol::findText;

TEST(FindText, PositionsAreOneBasedBytesAndCaseMatters) {
  struct Case { const char* text; const char* needle; int start; bool ignoreCase; int expected; };
  const Case cases[] = {
      {"setting ok\r\n", "setting", 1, false, 1},             // at the very start
      {"+++@@@BBB=9600,none", "9600", 1, false, 11},          // after the prefix
      {"+++@@@BBB=9600,none", "+++@@@BBB=", 1, false, 1},
      {"Setting ok", "setting", 1, false, -1},                 // case-sensitive
      {"Setting ok", "setting", 1, true, 1},
      {"SETTING", "setTing", 1, true, 1},
      {"", "setting", 1, false, -1},
      {"setting", "", 1, false, -1},
      {"abcabc", "abc", 0, false, 1},                          // start 0 counts as 1
      {"abcabc", "abc", 2, false, 4},
      {"abc", "abc", 4, false, -1},                            // start beyond the end
      {"ab", "abc", 1, false, -1},
      {"中文setting", "setting", 1, false, 7},                 // positions count bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.needle);
    EXPECT_EQ(findText(c.text, c.needle, c.start, c.ignoreCase), c.expected);
  }
}

TEST(Commands, AreTheExactBytesOnTheLine) {
  EXPECT_EQ(protocol::kQueryCommand, std::string_view("\x2B\x2B\x2B\x40\x40\x40\x42\x42\x42\x3D\x3F\x0D\x0A"));
  EXPECT_EQ(protocol::kQueryCommand.size(), 13u);
  EXPECT_EQ(protocol::kSetupCommand, "+++@@@BBB=setting\r\n");
  EXPECT_EQ(protocol::kVersionCommand, "+++@@@BBB=Ver\r\n");
  EXPECT_EQ(protocol::kWorkingCommand, "+++@@@BBB=working\r\n");
}
