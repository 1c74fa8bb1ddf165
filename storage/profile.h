// The plain INI file's two primitives, one per platform: the real profile functions on
// Windows (ini_win.cpp), the INI engine on the file's bytes elsewhere (ini_posix.cpp).
// Used by CIni only.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "storage/ini_text.h"

namespace storage {

// GetPrivateProfileStringA(section, key, default, buffer of bufferSize, path). A file that
// is missing or cannot be read answers the default.
IniLookup ProfileGetString(const std::string& path, const char* section, const std::string& key,
                           const std::string& defaultValue, std::size_t bufferSize);

// Each key's whole value (default when missing), as GetPrivateProfileStringA gives it
// with a buffer large enough: off Windows from one reading of the file.
std::vector<std::string> ProfileGetWholeStrings(const std::string& path, const char* section,
                                                const std::vector<std::pair<std::string, std::string>>& keyDefaults);

// WritePrivateProfileStringA(section, key, value, path). Throws platform::FileError.
void ProfileWriteString(const std::string& path, const char* section, const std::string& key, const std::string& value);

// The same WritePrivateProfileStringA calls in order, in one replace of the file (its
// turn held): a failure leaves the file as it was. Throws platform::FileError.
void ProfileWriteStrings(const std::string& path, const char* section,
                         const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace storage
