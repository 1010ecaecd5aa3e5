// The instrument's baud rates and parities, in the order of every list's items:
// an item's index is what the parameter set holds for the port.
#pragma once

#include <string_view>

namespace protocol {

inline constexpr std::string_view kBauds[] = {"1200",  "2400",  "4800",   "9600",  "19200",
                                              "38400", "57600", "115200", "230400"};
inline constexpr std::string_view kParities[] = {"none", "odd", "even"};

}  // namespace protocol
