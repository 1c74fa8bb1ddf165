// Our INI engine: answers and edits an INI text held in memory exactly as the
// Windows profile functions (GetPrivateProfileStringA, WritePrivateProfileStringA)
// answer and edit a file. Every enciphered file is read and written through it, and
// the service reads those files with the real profile functions, so the bytes it
// writes must be the bytes Windows would write.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace storage {

// A value or key that would break the file's line structure (a CR or LF in it).
class IniValueError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

struct IniLookup {
  std::string value;       // cut to bufferSize - 1 characters
  std::size_t copied = 0;  // what the profile function returns: characters copied
};

// GetPrivateProfileStringA(section, key, defaultValue, buffer, bufferSize) on `text`.
IniLookup IniGetString(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t bufferSize);

// Throws IniValueError when section, key or value cannot be stored in an INI file (a
// line break or a NUL character in it), or when the key would not read back as itself
// (it holds "=" or begins with "[").
void IniCheckWritable(std::string_view section, std::string_view key, std::string_view value);

// Why `value` would not read back as it was typed: the profile functions take the
// quotes off a value enclosed in matching quotes and trim blanks around it, so "pw",
// ' pw' and 'pw ' all read back as pw. Nothing when it reads back unchanged. The text
// completes "the value ...", for example "begins or ends with a blank, which ...".
std::optional<std::string> IniReadBackProblem(std::string_view value);

// WritePrivateProfileStringA(section, key, value) on `text`: the new text.
// Throws IniValueError as IniCheckWritable does.
std::string IniWriteString(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value);

}  // namespace storage
