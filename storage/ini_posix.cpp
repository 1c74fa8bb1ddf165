// The plain INI file off Windows: read whole, answered and edited by the INI engine,
// written back all at once.
#include "platform/files.h"
#include "storage/profile.h"

namespace storage {

IniLookup ProfileGetString(const std::string& path, const char* section, const std::string& key,
                           const std::string& defaultValue, std::size_t bufferSize) {
  std::string text;
  try {
    text = platform::ReadWholeFile(path);
  } catch (const platform::FileError&) {
    // Missing or unreadable: every key answers its default, as the profile function does.
  }
  return IniGetString(text, section, key, defaultValue, bufferSize);
}

void ProfileWriteString(const std::string& path, const char* section, const std::string& key,
                        const std::string& value) {
  const platform::RewriteLock lock(path);  // no other writer's key is lost between read and replace
  const bool exists = platform::PathExists(path);
  const std::string text = exists ? platform::ReadWholeFile(path) : std::string();
  const std::string changed = IniWriteString(text, section, key, value);
  if (exists && changed == text) return;
  platform::ReplaceFileContent(path, changed);
}

}  // namespace storage
