#include "ui/editors/time_text.h"

#include <string>

namespace editors {

namespace {

// Full-width forms of the GBK code page folded to single bytes.
std::string foldFullWidth(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (i + 1 < text.size()) {
      const auto trail = static_cast<unsigned char>(text[i + 1]);
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        out.push_back(static_cast<char>(trail - 0x80));
        ++i;
        continue;
      }
      if (lead == 0xA1 && (trail == 0xA1 || trail == 0xAB || trail == 0xEE || trail == 0xEF)) {
        out.push_back(trail == 0xA1 ? ' ' : trail == 0xAB ? '~' : '*');
        ++i;
        continue;
      }
    }
    out.push_back(text[i]);
    // The trail byte of any other double-byte character stays with its lead.
    if (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) out.push_back(text[++i]);
  }
  return out;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

std::int32_t textToNumber(std::string_view gbkText) {
  const std::string text = foldFullWidth(gbkText);
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::int64_t value = 0;
  constexpr std::int64_t kCap = std::int64_t{1} << 40;  // far beyond 32 bits; stops growth
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kCap) value = kCap;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(value);
}

std::optional<std::string_view> limitText(std::int32_t number) {
  if (number < kLowest) return "0";
  if (number > kHighest) return "10000";
  return std::nullopt;
}

}  // namespace editors
