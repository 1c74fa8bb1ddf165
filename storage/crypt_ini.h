// One key of an enciphered INI file ("SettingsHost.ini", the card files). The file is
// deciphered into memory, edited there with the INI engine and enciphered again; no
// plaintext copy ever reaches the disk, and a rewrite replaces the file all at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "storage/crypto.h"

namespace storage {

// A value is read through a buffer of this size: at most 1023 characters come back.
inline constexpr std::size_t kCryptIniReadBuffer = 1024;
// The longest value that reads back whole; writers refuse longer ones for this reason.
inline constexpr std::size_t kLongestCryptIniValue = kCryptIniReadBuffer - 1;
inline std::string ValueTooLongReason() {
  return "must be at most " + std::to_string(kLongestCryptIniValue) +
         " characters (longer values are cut when read back)";
}

// Settings and card files are a few hundred bytes. A larger enciphered file than this is
// damaged (or not ours): it reads as a file that does not decipher and is never
// rewritten, and it is never read whole into memory.
inline constexpr std::uint64_t kLargestEncipheredFile = 1024 * 1024;

// The INI text held in an enciphered file's bytes, or nothing when they do not decipher
// (empty, damaged, another pass phrase, framing cut short).
std::optional<std::string> DecipherIniFile(const ByteArray& fileBytes);

// The INI text of the enciphered file at `path`, or nothing when it does not decipher or
// is larger than kLargestEncipheredFile. Throws platform::FileError when it cannot be
// opened or read.
std::optional<std::string> ReadIniFile(const std::string& path);

// A rewrite that would have to drop a file's content because the file does not decipher.
class UndecipherableFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What a write does with an existing file that does not decipher.
enum class UndecipherableFile {
  StartAfresh,  // the settings file: its keys are written into a new text
  Refuse,       // a card file: it holds what its creator stored; UndecipherableFileError
};

// What a write does when the file is not there (looked at under the file's turn).
enum class MissingFile {
  Create,  // the settings file, `ini set`: a new file is made
  Refuse,  // a card: it was deleted meanwhile and must not come back; MissingFileError
};

// A rewrite of a file that must exist found none.
class MissingFileError : public platform::FileError {
 public:
  using platform::FileError::FileError;
};

using IniEntries = std::vector<std::pair<std::string, std::string>>;  // key, value

// The bytes of an enciphered file holding `text`; nothing when the cipher is not available.
std::optional<ByteArray> EncipherIniText(const std::string& text);

// The bytes of the enciphered file at `path` holding `text`. Throws platform::FileError
// naming the file when the cipher is not available, or when the bytes would be larger
// than kLargestEncipheredFile (every reader would take the file for a damaged one).
ByteArray EncipherIniFile(const std::string& path, const std::string& text);

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

  // Several keys of one section, each as Read gives it, all from one reading of the file:
  // the values belong to the same version of it, even when the service rewrites the file
  // in between, and the file is read and deciphered once. m_nLastResult is that of the
  // last key. Throws platform::FileError as Read does.
  std::vector<std::string> ReadKeys(const std::vector<std::string>& keys, const std::string& section);

  // Sets key to value in section, creating file, section or key as needed. A file that
  // does not decipher is started afresh. Returns non-zero on success.
  // Throws platform::FileError when the file cannot be read, enciphered or replaced (it
  // then keeps its old content), or is larger than kLargestEncipheredFile, and
  // IniValueError for a value with a line break.
  std::int32_t Write(std::string value, std::string key, std::string section);

  // Sets several keys of one section in one replace of the file: every value is checked
  // first, and then either all of them are in the file or none is. The read, the edit
  // and the replace hold the file's platform::RewriteLock, so that no other writer's
  // update is lost in between; a new file gets NewFile::Private protection. Throws as
  // Write does, UndecipherableFileError for an undecipherable file when `undecipherable`
  // is Refuse, MissingFileError for a missing one when `missing` is Refuse, and
  // platform::FileError when the new file would be larger than kLargestEncipheredFile.
  std::int32_t WriteKeys(const IniEntries& entries, const std::string& section, UndecipherableFile undecipherable,
                         MissingFile missing);
};

extern CCryptIni g_settingsCryptIni;  // "SettingsHost.ini"
extern CCryptIni g_cardCryptIni;      // one card file at a time

}  // namespace storage
