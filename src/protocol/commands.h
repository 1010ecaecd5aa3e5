// The instrument's command set and the search by which replies are recognised.
#pragma once

#include <cstdint>
#include <string_view>

namespace protocol {

// Opens every command, and marks a frame as a parameter reply wherever it occurs.
inline constexpr std::string_view kPrefix = "+++@@@BBB=";

inline constexpr std::string_view kSetupCommand = "+++@@@BBB=setting\r\n";
inline constexpr std::string_view kVersionCommand = "+++@@@BBB=Ver\r\n";
inline constexpr std::string_view kQueryCommand = "+++@@@BBB=?\r\n";
inline constexpr std::string_view kWorkingCommand = "+++@@@BBB=working\r\n";
inline constexpr std::string_view kSetupConfirmation = "setting";

// 1-based byte position of the first occurrence of needle at or after start,
// or -1. A start of 0 counts as 1; an empty text or needle gives -1.
std::int32_t findText(std::string_view text, std::string_view needle, std::int32_t start = 1,
                      bool ignoreCase = false);

}  // namespace protocol
