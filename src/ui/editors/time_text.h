// The time boxes' numbers: the text-to-number reading and the 0..10000 limits.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace editors {

inline constexpr std::int32_t kLowest = 0;
inline constexpr std::int32_t kHighest = 10000;

// Reads a leading number the way the boxes are judged: full-width GBK digits,
// signs and blanks count as their plain forms; leading white space and one sign
// are allowed; reading stops at the first non-digit; no digits give 0. A value
// beyond the 32-bit range saturates, so it stays beyond the limit on its side.
std::int32_t textToNumber(std::string_view gbkText);

// The text a box must be set to ("0" or "10000"), or nothing when it may stay.
std::optional<std::string_view> limitText(std::int32_t number);

}  // namespace editors
