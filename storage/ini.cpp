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
  // The buffer doubles until the value is not cut (each try reads the whole file, so a
  // long value costs a few reads, not one per 512 characters); a value that fills the
  // buffer exactly is read once more, which is harmless.
  for (std::size_t size = 512;; size *= 2) {
    IniLookup lookup = ProfileGetString(m_path, kConfigSection, key, fallback, size);
    if (lookup.copied + 1 < size) return std::move(lookup.value);
  }
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
