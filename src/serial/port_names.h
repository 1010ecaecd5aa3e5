// From a port name the registry lists (COM3, COM12, CNCA0) to what the serial
// port component opens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace serial {

// The item value shown with the name: the whole number after "COM"; 0 for a
// name that is not "COM" followed by digits.
std::int32_t portNumberFromName(std::string_view name);

// What to open for the name: "\\.\COMn" for COM names, "\\.\" + the name for
// any other (virtual port drivers use such names).
std::string deviceNameForListedPort(std::string_view name);

// The registry value's data up to its first zero byte.
std::string portNameFromData(std::string_view data);

}  // namespace serial
