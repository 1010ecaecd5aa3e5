// Reads the values of a registry key (the PC's list of serial ports). Holds no
// state between calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace serial {

struct RegistryValues {
  std::int32_t count = -1;          // values listed; -1 when the key cannot be opened
  std::vector<std::string> names;
  std::vector<std::string> data;    // each value's data followed by at least one zero byte
  std::vector<std::uint32_t> types;
};

class RegistryReader {
 public:
  // keyPath: root and sub-key separated by single backslashes, e.g.
  // "HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM".
  RegistryValues enumRegistryValues(const std::string& keyPath) const;

  // The opened key's native handle, or null. Only create = false is used.
  void* openKeyByPath(const std::string& keyPath, bool create) const;
};

}  // namespace serial
