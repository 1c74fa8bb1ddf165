// The plain INI file on Windows: the real profile functions, as the other programs
// that share "Settings.ini" use them.
#include <windows.h>

#include "platform/files.h"
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

void ProfileWriteString(const std::string& path, const char* section, const std::string& key,
                        const std::string& value) {
  if (WritePrivateProfileStringA(section, key.c_str(), value.c_str(), path.c_str())) return;
  const DWORD error = GetLastError();
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                 sizeof text, nullptr);
  std::string reason(text, n);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
  if (reason.empty()) reason = "error " + std::to_string(error);
  throw platform::FileError(path, "cannot write (" + reason + ")");
}

}  // namespace storage
