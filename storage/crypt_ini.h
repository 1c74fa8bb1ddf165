// One key of an enciphered INI file ("SettingsHost.ini", the card files). The file is
// deciphered into memory, edited there with the INI engine and enciphered again; no
// plaintext copy ever reaches the disk, and a rewrite replaces the file all at once.
#pragma once

#include <cstdint>
#include <string>

namespace storage {

class CCryptIni {
 public:
  // The number of characters the last Read returned, or the success flag of the last Write.
  std::int32_t m_nLastResult = 0;
  // Full path of the enciphered file; set by the caller before each use.
  std::string m_strFileName;

  // The value of key in section, or empty when the key is missing or the file does not
  // decipher (empty, damaged, another pass phrase). At most 1023 characters.
  // Throws platform::FileError when the file cannot be opened or read.
  std::string Read(std::string key, std::string section);

  // Sets key to value in section, creating file, section or key as needed. A file that
  // does not decipher is started afresh. Returns non-zero on success.
  // Throws platform::FileError when the file cannot be read or replaced (it then keeps
  // its old content) and IniValueError for a value with a line break.
  std::int32_t Write(std::string value, std::string key, std::string section);
};

extern CCryptIni g_settingsCryptIni;  // "SettingsHost.ini"
extern CCryptIni g_cardCryptIni;      // one card file at a time

}  // namespace storage
