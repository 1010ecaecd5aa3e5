#include "serial/port_names.h"

#include "serial/port_settings.h"

namespace serial {

namespace {

bool isComName(std::string_view name) {
  if (name.size() < 4 || name.size() > 13 || name.substr(0, 3) != "COM") return false;
  for (char c : name.substr(3))
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::int32_t portNumberFromName(std::string_view name) {
  if (!isComName(name)) return 0;
  std::int64_t value = 0;
  for (char c : name.substr(3)) {
    value = value * 10 + (c - '0');
    if (value > INT32_MAX) return 0;
  }
  return static_cast<std::int32_t>(value);
}

std::string deviceNameForListedPort(std::string_view name) {
  const std::int32_t number = portNumberFromName(name);
  if (number > 0) return deviceNameForPort(number);
  if (name.empty()) return deviceNameForPort(1);
  return "\\\\.\\" + std::string(name);
}

std::string portNameFromData(std::string_view data) { return std::string(data.substr(0, data.find('\0'))); }

}  // namespace serial
