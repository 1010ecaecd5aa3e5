#include <gtest/gtest.h>

#include "protocol/parameter_lists.h"
#include "protocol/parameter_record.h"

using namespace protocol;

TEST(SplitFields, KeepsOnlyNonEmptyPiecesInOrder) {
  struct Case { const char* text; const char* separator; std::vector<std::string> expected; };
  const Case cases[] = {
      {"a,b,c", ",", {"a", "b", "c"}},
      {",a,,b,", ",", {"a", "b"}},
      {",,,", ",", {}},
      {"", ",", {}},
      {"abc", ",", {"abc"}},
      {"a,b", "", {"a", "b"}},  // an empty separator is a comma
      {"a;;b", ";;", {"a", "b"}},
      {"+++@@@BBB=9600,none,500,100\r\n", ",", {"+++@@@BBB=9600", "none", "500", "100\r\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(splitFields(c.text, c.separator), c.expected);
  }
}

TEST(ReplyFields, FirstListEntryContainedInTheFieldWins) {
  struct Case { const char* field; bool baud; int expected; };
  const Case cases[] = {
      {"+++@@@BBB=9600", true, 3},      // the prefix stays in the first field
      {"+++@@@BBB=115200", true, 7},
      {"12000", true, 0},               // 1200 occurs in it
      {"123", true, -1},
      {"x230400y", true, 8},
      {"none", false, 0},
      {"NONE", false, -1},              // case-sensitive
      {"even\r\n", false, 2},
      {"oddeven", false, 1},            // list order decides, not position
      {"", false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    const auto list = c.baud ? std::span<const std::string_view>(kBauds) : std::span<const std::string_view>(kParities);
    EXPECT_EQ(listIndexIn(c.field, list), c.expected);
  }
}

TEST(ReplyFields, EveryListEntryYieldsItsOwnIndex) {
  for (std::size_t i = 0; i < std::size(kBauds); ++i) EXPECT_EQ(listIndexIn(kBauds[i], kBauds), static_cast<int>(i));
  for (std::size_t i = 0; i < std::size(kParities); ++i)
    EXPECT_EQ(listIndexIn(kParities[i], kParities), static_cast<int>(i));
}

namespace {

DeviceConfig allNineSixHundred() {
  DeviceConfig c;
  for (int f = 0; f < kListFieldCount; ++f) c.listIndex[static_cast<std::size_t>(f)] = isBaudField(f) ? 3 : 0;
  c.timeoutText = "500";
  c.pollText = "100";
  return c;
}

}  // namespace

TEST(WriteCommand, IsPrefixTwelveFieldsAndLineEnd) {
  DeviceConfig c = allNineSixHundred();
  EXPECT_EQ(buildWriteCommand(c), "+++@@@BBB=9600,none,9600,none,9600,none,9600,none,9600,none,500,100\r\n");
  c.listIndex[0] = 7;
  c.listIndex[9] = 2;
  c.listIndex[3] = -1;  // no selection: an empty text between two commas
  EXPECT_EQ(buildWriteCommand(c), "+++@@@BBB=115200,none,9600,,9600,none,9600,none,9600,even,500,100\r\n");
}

TEST(WriteCommand, ReadBackGivesTheSameSelections) {
  DeviceConfig c = allNineSixHundred();
  c.listIndex = {8, 1, 0, 2, 4, 0, 5, 1, 6, 2};
  const auto fields = splitFields(buildWriteCommand(c), ",");
  ASSERT_EQ(fields.size(), 12u);
  for (int f = 0; f < kListFieldCount; ++f) {
    const auto list = isBaudField(f) ? std::span<const std::string_view>(kBauds) : std::span<const std::string_view>(kParities);
    EXPECT_EQ(listIndexIn(fields[static_cast<std::size_t>(f)], list), c.listIndex[static_cast<std::size_t>(f)]) << f;
  }
  EXPECT_EQ(fields[11], "100\r\n");  // the last field keeps the line end
}

TEST(WriteCheck, TimeTextsAreTrimmedDigitsWithinTheLimit) {
  struct Case { const char* text; std::optional<std::string> expected; };
  const Case cases[] = {
      {"500", "500"},           {"100\r\n", "100"},     {"  42\t", "42"},        {"0", "0"},
      {"10000", "10000"},       {"007", "007"},         {"10001", std::nullopt}, {"", std::nullopt},
      {" \r\n", std::nullopt},  {"-5", std::nullopt},   {"+5", std::nullopt},    {"5.5", std::nullopt},
      {"1,2", std::nullopt},    {"1\r\n2", std::nullopt}, {"abc", std::nullopt},  {"１２", std::nullopt},
      {"99999999999", std::nullopt}, {"4294967306", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(cleanTimeText(c.text), c.expected);
  }
}

TEST(WriteCheck, NamesTheFirstProblemOrGivesTheValuesToSend) {
  DeviceConfig good = allNineSixHundred();
  good.pollText = "100\r\n";  // as a parameter reply leaves the poll box
  const WriteCheck ok = checkWrite(good);
  EXPECT_EQ(ok.problem, WriteProblem::None);
  EXPECT_EQ(ok.timeoutText, "500");
  EXPECT_EQ(ok.pollText, "100");

  struct Case { void (*edit)(DeviceConfig&); WriteProblem problem; int field; };
  const Case cases[] = {
      {[](DeviceConfig& c) { c.listIndex[4] = -1; }, WriteProblem::NoBaud, 4},
      {[](DeviceConfig& c) { c.listIndex[9] = -1; }, WriteProblem::NoParity, 9},
      {[](DeviceConfig& c) { c.listIndex[2] = 9; }, WriteProblem::NoBaud, 2},
      {[](DeviceConfig& c) { c.timeoutText = ""; }, WriteProblem::BadTimeout, 10},
      {[](DeviceConfig& c) { c.pollText = "1,2"; }, WriteProblem::BadPoll, 11},
      {[](DeviceConfig& c) { c.timeoutText = "x"; c.listIndex[1] = -1; }, WriteProblem::NoParity, 1},
  };
  for (const Case& c : cases) {
    DeviceConfig config = allNineSixHundred();
    c.edit(config);
    const WriteCheck check = checkWrite(config);
    EXPECT_EQ(check.problem, c.problem);
    EXPECT_EQ(check.field, c.field);
  }
}

TEST(ParameterReply, FieldsGoToTheControlsInOrderAsFarAsTheReplyReaches) {
  struct Case {
    const char* reply;
    std::size_t fields;
    std::vector<int> firstIndexes;  // list indexes of the leading fields
    const char* timeout;            // field 10's text, "" when absent
    const char* poll;               // field 11's text
  };
  const Case cases[] = {
      {"+++@@@BBB=9600,none,9600,none,9600,none,9600,none,9600,none,500,100", 12, {3, 0, 3, 0}, "500", "100"},
      {"+++@@@BBB=115200,odd,1200,even,9600,none,9600,none,9600,none,500,100\r\n", 12, {7, 1, 0, 2}, "500",
       "100\r\n"},
      {"+++@@@BBB=12000,NONE,123,none,9600,none,9600,none,9600,none,0,0", 12, {0, -1, -1, 0}, "0", "0"},
      {"+++@@@BBB=9600,odd,4800", 3, {3, 1, 2}, "", ""},  // stops at the first missing field
      {"+++@@@BBB=9600,,none,9600,none,9600,none,9600,none,9600,none,500,100", 12, {3, 0, 3, 0}, "500", "100"},
      {"+++@@@BBB=9600,none,9600,none,9600,none,9600,none,9600,none,500,100,777,888", 12, {3, 0}, "500", "100"},
      {"junk before +++@@@BBB=2400,even", 2, {1, 2}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    const auto fields = readParameterReply(c.reply);
    ASSERT_EQ(fields.size(), c.fields);
    for (std::size_t i = 0; i < c.firstIndexes.size(); ++i) {
      EXPECT_EQ(fields[i].field, static_cast<int>(i));
      EXPECT_EQ(fields[i].listIndex, c.firstIndexes[i]) << "field " << i;
    }
    if (c.fields == 12) {
      EXPECT_EQ(fields[10].text, c.timeout);
      EXPECT_EQ(fields[11].text, c.poll);
    }
  }
}

TEST(ParameterReply, TwoCommasInARowMoveEveryLaterFieldForward) {
  // Exactly twelve fields with one empty: the reply comes up one short.
  const auto fields = readParameterReply("+++@@@BBB=9600,none,,9600,none,9600,none,9600,none,9600,500,100");
  ASSERT_EQ(fields.size(), 11u);
  EXPECT_EQ(fields[2].listIndex, 3);   // COM2's baud
  EXPECT_EQ(fields[9].listIndex, -1);  // COM5's parity field now holds "500"
  EXPECT_EQ(fields[10].text, "100");
}
