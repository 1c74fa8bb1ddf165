// The plain INI file off Windows: read whole, answered and edited by the INI engine,
// written back all at once.
#include "platform/files.h"
#include "storage/profile.h"

namespace storage {

namespace {

// Missing or unreadable: every key answers its default, as the profile function does.
std::string TextOrNothing(const std::string& path) {
  try {
    return platform::ReadWholeFile(path);
  } catch (const platform::FileError&) {
    return std::string();
  }
}

}  // namespace

IniLookup ProfileGetString(const std::string& path, const char* section, const std::string& key,
                           const std::string& defaultValue, std::size_t bufferSize) {
  return IniGetString(TextOrNothing(path), section, key, defaultValue, bufferSize);
}

// The text is read once for every key, and the engine looks at it in place: the memory
// taken is the file's size and the values found.
std::vector<std::string> ProfileGetWholeStrings(const std::string& path, const char* section,
                                                const std::vector<std::pair<std::string, std::string>>& keyDefaults) {
  const std::string text = TextOrNothing(path);
  std::vector<std::string> values;
  for (const auto& [key, defaultValue] : keyDefaults) {
    const std::size_t whole = text.size() + defaultValue.size() + 2;  // more than any value can take
    values.push_back(IniGetString(text, section, key, defaultValue, whole).value);
  }
  return values;
}

void ProfileWriteString(const std::string& path, const char* section, const std::string& key,
                        const std::string& value) {
  ProfileWriteStrings(path, section, {{key, value}});
}

void ProfileWriteStrings(const std::string& path, const char* section,
                         const std::vector<std::pair<std::string, std::string>>& entries) {
  const platform::RewriteLock lock(path);  // no other writer's key is lost between read and replace
  const bool exists = platform::PathExists(path);
  const std::string text = exists ? platform::ReadWholeFile(path) : std::string();
  std::string changed = text;
  for (const auto& [key, value] : entries) changed = IniWriteString(changed, section, key, value);
  if (exists && changed == text) return;
  platform::ReplaceFileContent(path, changed, platform::NewFile::Shared);
}

}  // namespace storage
