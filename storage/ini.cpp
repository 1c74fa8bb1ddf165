#include "storage/ini.h"

#include "platform/files.h"
#include "storage/ini_text.h"
#include "storage/profile.h"

namespace storage {

void CIni::SetPath(const char* path) {
  if (path != nullptr)
    m_path = path;
  else
    m_path.clear();
}

std::string CIni::GetString(const char* key, const char* defaultValue) const {
  const std::string fallback = defaultValue != nullptr ? defaultValue : "";
  if (key == nullptr || m_path.empty()) return fallback;
  return std::move(GetStrings({{key, fallback}}).front());
}

std::vector<std::string> CIni::GetStrings(const std::vector<std::pair<std::string, std::string>>& keyDefaults) const {
  if (m_path.empty()) {
    std::vector<std::string> defaults;
    for (const auto& entry : keyDefaults) defaults.push_back(entry.second);
    return defaults;
  }
  return ProfileGetWholeStrings(m_path, kConfigSection, keyDefaults);
}

void CIni::WriteString(const char* key, const char* value) {
  // Without a key the profile function would delete the whole section.
  if (key == nullptr) throw IniValueError("no key name given; the settings file was not changed");
  const std::string text = value != nullptr ? value : "";
  IniCheckWritable(kConfigSection, key, text);
  if (m_path.empty()) throw platform::FileError(m_path, "cannot write (no settings file chosen)");
  ProfileWriteString(m_path, kConfigSection, key, text);
}

}  // namespace storage

namespace storage {

void CIni::WriteStrings(const std::vector<std::pair<std::string, std::string>>& entries) {
  for (const auto& [key, value] : entries) IniCheckWritable(kConfigSection, key, value);
  if (m_path.empty()) throw platform::FileError(m_path, "cannot write (no settings file chosen)");
  ProfileWriteStrings(m_path, kConfigSection, entries);
}

}  // namespace storage
