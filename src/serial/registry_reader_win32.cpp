#include "serial/registry_reader.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace serial {

void* RegistryReader::openKeyByPath(const std::string& keyPath, bool create) const {
  const auto slash = keyPath.find('\\');
  if (slash == std::string::npos) return nullptr;
  std::string root = keyPath.substr(0, slash);
  std::transform(root.begin(), root.end(), root.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const std::string subKey = keyPath.substr(slash + 1);
  HKEY base;
  if (root == "HKEY_CLASSES_ROOT") base = HKEY_CLASSES_ROOT;
  else if (root == "HKEY_CURRENT_USER") base = HKEY_CURRENT_USER;
  else if (root == "HKEY_LOCAL_MACHINE") base = HKEY_LOCAL_MACHINE;
  else if (root == "HKEY_USERS") base = HKEY_USERS;
  else if (root == "HKEY_CURRENT_CONFIG") base = HKEY_CURRENT_CONFIG;
  else return nullptr;
  HKEY key = nullptr;
  const LONG result = create ? RegCreateKeyA(base, subKey.c_str(), &key) : RegOpenKeyA(base, subKey.c_str(), &key);
  return result == ERROR_SUCCESS ? key : nullptr;
}

RegistryValues RegistryReader::enumRegistryValues(const std::string& keyPath) const {
  RegistryValues out;
  HKEY key = static_cast<HKEY>(openKeyByPath(keyPath, false));
  if (!key) return out;
  out.count = 0;
  DWORD valueCount = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount, nullptr, nullptr,
                       nullptr, nullptr) == ERROR_SUCCESS) {
    for (DWORD index = 0; index < valueCount; ++index) {
      char name[256];
      DWORD nameLength = sizeof name;
      DWORD size = 0;
      if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) continue;
      std::string data(static_cast<std::size_t>(size) + 1, '\0');  // one zero byte beyond the data at least
      nameLength = sizeof name;
      DWORD type = 0;
      DWORD got = size;
      if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) !=
          ERROR_SUCCESS)
        continue;
      out.names.emplace_back(name, nameLength);
      out.data.push_back(std::move(data));
      out.types.push_back(type);
    }
  }
  RegCloseKey(key);
  out.count = static_cast<std::int32_t>(out.names.size());
  return out;
}

}  // namespace serial
