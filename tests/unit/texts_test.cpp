#include <gtest/gtest.h>

#include <string>

#include "ui/texts/texts.h"

using texts::TextId;

namespace {

TextId id(int n) { return static_cast<TextId>(n); }

std::string firstLine(std::string_view text) { return std::string(text.substr(0, text.find("\r\n"))); }

std::size_t trailingBlanks(const std::string& line) {
  return line.size() - line.find_last_not_of(' ') - 1;
}

}  // namespace

TEST(Texts, LanguageOneIsEnglishAndEveryOtherValueChinese) {
  for (int n = 1; n <= texts::kPairedTextCount; ++n) {
    SCOPED_TRACE(n);
    EXPECT_FALSE(texts::pairedText(id(n), 1).empty());
    EXPECT_FALSE(texts::pairedText(id(n), 0).empty());
    EXPECT_EQ(texts::pairedText(id(n), 0), texts::pairedText(id(n), 2));
    EXPECT_EQ(texts::pairedText(id(n), 0), texts::pairedText(id(n), 255));
  }
  EXPECT_EQ(texts::pairedText(TextId::T11, 1), "Connect");
  EXPECT_EQ(texts::pairedText(TextId::T11, 0), "连接");
  EXPECT_EQ(texts::pairedText(TextId::T8, 0), "多主一从设置软件");
}

TEST(Texts, TextFollowsTheLanguageAtTheMomentOfUse) {
  const auto saved = texts::uiLanguage;
  texts::uiLanguage = 1;
  EXPECT_EQ(texts::text(TextId::T22), "Disconnect");
  texts::uiLanguage = 0;
  EXPECT_EQ(texts::text(TextId::T22), "断开");
  texts::uiLanguage = saved;
}

TEST(Texts, ConnectFailureMessagesKeepTheirBlankRuns) {
  struct Case { TextId id; std::uint8_t language; std::size_t blanks; };
  for (const Case& c : {Case{TextId::T29, 0, 32}, Case{TextId::T29, 1, 32}, Case{TextId::T30, 0, 31},
                        Case{TextId::T30, 1, 31}}) {
    const std::string line = firstLine(texts::pairedText(c.id, c.language));
    SCOPED_TRACE(line);
    EXPECT_EQ(trailingBlanks(line), c.blanks);
  }
  EXPECT_EQ(texts::pairedText(TextId::T29, 0),
            "连接失败！" + std::string(32, ' ') + "\r\n\r\n1.串口号是否正确？\r\n2.仪表是否处于设置模式？");
  EXPECT_EQ(texts::pairedText(TextId::T30, 1),
            "Connection failed！" + std::string(31, ' ') +
                "\r\n\r\n1.Is the USB connection loose？\r\n2.Is the serial port number correct？\r\n3.Is the "
                "serial port occupied？");
}

TEST(Texts, PageLabelsCarryAColonOnlyInEnglish) {
  const std::pair<TextId, const char*> chinese[] = {
      {TextId::T15, "波特率"}, {TextId::T16, "校验位"}, {TextId::T17, "超时时间"}, {TextId::T18, "轮询间隔"}};
  for (auto [text, expected] : chinese) {
    EXPECT_EQ(texts::pairedText(text, 0), expected);
    EXPECT_EQ(texts::pairedText(text, 1).back(), ':');
  }
}

TEST(Texts, VerticalLabelsAreThreeLines) {
  const std::pair<TextId, const char*> cases[] = {
      {TextId::T3, "主\r\n机\r\n1"}, {TextId::T6, "主\r\n机\r\n4"}, {TextId::T7, "从\r\n\r\n机"}};
  for (auto [text, expected] : cases) EXPECT_EQ(texts::pairedText(text, 0), expected);
  EXPECT_EQ(texts::pairedText(TextId::T4, 1), "M\r\n\r\n2");
  EXPECT_EQ(texts::pairedText(TextId::T7, 1), "S\r\n\r\n1");
}

TEST(Texts, BothPortFailuresReadTheSameInChineseButNotInEnglish) {
  EXPECT_EQ(texts::pairedText(TextId::T27, 0), "串口连接失败");
  EXPECT_EQ(texts::pairedText(TextId::T28, 0), "串口连接失败");
  EXPECT_EQ(texts::pairedText(TextId::T27, 1), "Connection failed");
  EXPECT_EQ(texts::pairedText(TextId::T28, 1), "Serial port connection failed");
}

TEST(Texts, OutOfRangeIdGivesNothing) {
  EXPECT_TRUE(texts::pairedText(static_cast<TextId>(0), 0).empty());
  EXPECT_TRUE(texts::pairedText(static_cast<TextId>(texts::kPairedTextCount + 1), 1).empty());
}
