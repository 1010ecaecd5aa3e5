#include "protocol/commands.h"

#include <string>

namespace protocol {

namespace {

std::string lowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace

std::int32_t findText(std::string_view text, std::string_view needle, std::int32_t start, bool ignoreCase) {
  if (start == 0) start = 1;
  if (text.empty() || needle.empty()) return -1;
  if (start < 0 || static_cast<std::size_t>(start) > text.size()) return -1;
  std::size_t at;
  if (ignoreCase) {
    at = lowerAscii(text).find(lowerAscii(needle), static_cast<std::size_t>(start - 1));
  } else {
    at = text.find(needle, static_cast<std::size_t>(start - 1));
  }
  return at == std::string_view::npos ? -1 : static_cast<std::int32_t>(at + 1);
}

}  // namespace protocol
