// The plain INI file on Windows: the real profile functions, as the other programs
// that share "Settings.ini" use them.
#include <windows.h>

#include "storage/ini_text.h"

#include "platform/files.h"
#include "platform/system_message.h"
#include "storage/profile.h"

namespace storage {

IniLookup ProfileGetString(const std::string& path, const char* section, const std::string& key,
                           const std::string& defaultValue, std::size_t bufferSize) {
  std::string buffer(bufferSize + 1, '\0');
  const DWORD copied = GetPrivateProfileStringA(section, key.c_str(), defaultValue.c_str(), &buffer[0],
                                                static_cast<DWORD>(bufferSize), path.c_str());
  buffer.resize(copied);
  return {buffer, copied};
}

std::vector<std::string> ProfileGetWholeStrings(const std::string& path, const char* section,
                                                const std::vector<std::pair<std::string, std::string>>& keyDefaults) {
  std::vector<std::string> values;
  for (const auto& [key, defaultValue] : keyDefaults) {
    // The buffer doubles until the value is not cut (each try reads the whole file, so a
    // long value costs a few reads, not one per 512 characters); a value that fills the
    // buffer exactly is read once more, which is harmless.
    for (std::size_t size = 512;; size *= 2) {
      IniLookup lookup = ProfileGetString(path, section, key, defaultValue, size);
      if (lookup.copied + 1 < size) {
        values.push_back(std::move(lookup.value));
        break;
      }
    }
  }
  return values;
}

void ProfileWriteString(const std::string& path, const char* section, const std::string& key,
                        const std::string& value) {
  if (WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path.c_str())) return;
  throw platform::FileError(path, "cannot write (" + platform::SystemMessage(GetLastError()) + ")");
}

}  // namespace storage

namespace storage {

// Our engine edits the text as the profile functions would, byte for byte (the
// differential tests hold it to that), so that several keys go in with one replace. A
// file in UTF-16, which the profile functions read and write as such, is left to them.
void ProfileWriteStrings(const std::string& path, const char* section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
  const platform::RewriteLock lock(path);
  const bool exists = platform::PathExists(path);
  const std::string text = exists ? platform::ReadWholeFile(path) : std::string();
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
    for (const auto& [key, value] : entries) ProfileWriteString(path, section, key, value);
    return;
  }
  std::string changed = text;
  for (const auto& [key, value] : entries) changed = IniWriteString(changed, section, key, value);
  if (exists && changed == text) return;
  platform::ReplaceFileContent(path, changed, platform::NewFile::Shared);
}

}  // namespace storage
