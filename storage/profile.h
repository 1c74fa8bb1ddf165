// The plain INI file's two primitives, one per platform: the real profile functions on
// Windows (ini_win.cpp), the INI engine on the file's bytes elsewhere (ini_posix.cpp).
// Used by CIni only.
#pragma once

#include <cstddef>
#include <string>

#include "storage/ini_text.h"

namespace storage {

// GetPrivateProfileStringA(section, key, default, buffer of bufferSize, path). A file that
// is missing or cannot be read answers the default.
IniLookup ProfileGetString(const std::string& path, const char* section, const std::string& key,
                           const std::string& defaultValue, std::size_t bufferSize);

// WritePrivateProfileStringA(section, key, value, path). Throws platform::FileError.
void ProfileWriteString(const std::string& path, const char* section, const std::string& key, const std::string& value);

}  // namespace storage
