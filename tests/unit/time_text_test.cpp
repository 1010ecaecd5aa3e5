#include <gtest/gtest.h>

#include "ui/editors/time_text.h"

using editors::limitText;
using editors::textToNumber;

// Full-width forms as the GBK code page writes them.
#define FW1 "\xA3\xB1"
#define FW2 "\xA3\xB2"
#define FW0 "\xA3\xB0"
#define FWPLUS "\xA3\xAB"
#define FWMINUS "\xA3\xAD"
#define FWSPACE "\xA1\xA1"

TEST(TimeText, NumberAndLimitOfWhatABoxHolds) {
  struct Case { const char* text; std::int32_t number; const char* setTo; };  // setTo: nullptr = stays
  const Case cases[] = {
      {"-5", -5, "0"},
      {"12000", 12000, "10000"},
      {"10000", 10000, nullptr},
      {"10001", 10001, "10000"},
      {"0", 0, nullptr},
      {"007", 7, nullptr},
      {"-", 0, nullptr},
      {"abc", 0, nullptr},
      {"12abc", 12, nullptr},
      {"5.5", 5, nullptr},
      {"", 0, nullptr},
      {" 12", 12, nullptr},
      {"\t\r\n+12", 12, nullptr},
      {"+-12", 0, nullptr},                       // one sign only
      {"100\r\n", 100, nullptr},                  // a reply's line end after the number
      {FW1 FW2, 12, nullptr},                     // full-width digits
      {FW1 FW2 FW0 FW0 FW0, 12000, "10000"},
      {FWSPACE FWMINUS FW1, -1, "0"},             // full-width blank and minus
      {FWPLUS "9", 9, nullptr},
      {"\xD6\xD0" "12", 0, nullptr},             // a Chinese character first: no number
      {"3000000000", INT32_MAX, "10000"},         // beyond 32 bits: saturates on its own side
      {"99999999999", INT32_MAX, "10000"},
      {"4294967306", INT32_MAX, "10000"},
      {"-3000000000", INT32_MIN, "0"},
      {"99999999999999999999999999", INT32_MAX, "10000"},
      {"2147483647", INT32_MAX, "10000"},
      {"-2147483648", INT32_MIN, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(textToNumber(c.text), c.number);
    const auto limit = limitText(textToNumber(c.text));
    if (c.setTo) {
      ASSERT_TRUE(limit.has_value());
      EXPECT_EQ(*limit, c.setTo);
    } else {
      EXPECT_FALSE(limit.has_value()) << *limit;
    }
  }
}

TEST(TimeText, AFullWidthLeadByteInsideAnotherCharacterIsNotFolded) {
  // 0xB0 0xA3 is one character whose trail byte looks like a full-width lead.
  EXPECT_EQ(textToNumber("\xB0\xA3\xB1"), 0);
}
