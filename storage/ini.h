// The plain settings file "Settings.ini", section "ConfigSetting".
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace storage {

inline constexpr const char kConfigSection[] = "ConfigSetting";

class CIni {
 public:
  CIni() = default;
  virtual ~CIni() = default;

  // With a path: keep a copy of it. With null: keep the old path but make it empty.
  void SetPath(const char* path);
  const std::string& path() const { return m_path; }

  // The key's value, or the default (null counts as empty) when the file, the section
  // or the key is missing. A null key returns the default without reading the file.
  std::string GetString(const char* key, const char* defaultValue) const;

  // Several keys (key, default), each as GetString gives it, from one reading of the file
  // where our engine reads it (off Windows), so that a command reads it once.
  std::vector<std::string> GetStrings(const std::vector<std::pair<std::string, std::string>>& keyDefaults) const;

  // Sets the key (a null value writes an empty value), creating file and section.
  // Throws platform::FileError when the file cannot be written (or no path is set) and
  // storage::IniValueError when the value holds a line break or the key is null.
  void WriteString(const char* key, const char* value);

  // Sets several keys (key, value) in one replace of the file, which then reads as that
  // many WriteString calls in this order would leave it; a failure leaves the file as
  // it was. Throws as WriteString does; every key and value is checked first.
  void WriteStrings(const std::vector<std::pair<std::string, std::string>>& entries);

 private:
  std::string m_path;
};

}  // namespace storage
