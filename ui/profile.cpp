#include "ui/profile.h"

#include <windows.h>

namespace ui {

std::optional<std::string> ReadProfileBinary(const std::string& section, const std::string& entry) {
  const std::string key = std::string("Software\\") + kProfileCompany + "\\" + kApplicationName + "\\" + section;
  HKEY handle = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return std::nullopt;
  std::optional<std::string> bytes;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(handle, entry.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY) {
    std::string value(size, '\0');
    if (RegQueryValueExA(handle, entry.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) ==
            ERROR_SUCCESS &&
        type == REG_BINARY) {
      value.resize(size);
      bytes = std::move(value);
    }
  }
  RegCloseKey(handle);
  return bytes;
}

}  // namespace ui
