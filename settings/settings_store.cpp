// LoadSettings and StoreSettings: the record between memory and the two files.
#include <stdexcept>

#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"

namespace settings {
namespace {

// Points the program-wide enciphered-file object at this directory's settings file.
void PointAtSettingsFile(const std::string& directory) {
  storage::g_settingsCryptIni.m_strFileName = directory + kEncipheredFileName;
}

class KeyWriter {
 public:
  explicit KeyWriter(const std::string& directory) {
    m_ini.SetPath((directory + kPlainFileName).c_str());
    PointAtSettingsFile(directory);
  }

  void Write(const SettingKey& key, const std::string& value) {
    const std::string& written = key.form == WrittenForm::AlwaysZero ? kZero : value;
    if (key.file == KeyFile::Enciphered) {
      storage::g_settingsCryptIni.Write(written, key.name, kEncipheredSection);
    } else {
      m_ini.WriteString(key.name, written.c_str());
    }
  }

 private:
  const std::string kZero = "0";
  storage::CIni m_ini;
};

const SettingKey& RecordKey(const char* name) {
  const SettingKey* key = FindSettingKey(name);
  if (key == nullptr || key->field == nullptr) throw std::invalid_argument(std::string("not a settings record key: ") + name);
  return *key;
}

}  // namespace

SettingsRecord LoadSettings(const std::string& directory) {
  SettingsRecord record;
  PointAtSettingsFile(directory);
  const bool hasEncipheredFile = platform::PathExists(storage::g_settingsCryptIni.m_strFileName);
  storage::CIni ini;
  ini.SetPath((directory + kPlainFileName).c_str());
  // The four enciphered keys from one reading of the file, so that they belong together
  // even when the service rewrites it meanwhile.
  std::vector<std::string> encipheredNames;
  for (const SettingKey& key : RecordKeys())
    if (key.file == KeyFile::Enciphered) encipheredNames.push_back(key.name);
  std::vector<std::string> enciphered = hasEncipheredFile
                                            ? storage::g_settingsCryptIni.ReadKeys(encipheredNames, kEncipheredSection)
                                            : std::vector<std::string>(encipheredNames.size());
  std::size_t nextEnciphered = 0;
  for (const SettingKey& key : RecordKeys()) {
    std::string& field = record.*key.field;
    if (key.file == KeyFile::Enciphered) {
      field = std::move(enciphered[nextEnciphered++]);
    } else if (key.rule != ReadRule::NotRead) {
      field = ini.GetString(key.name, key.defaultValue);
    }
  }
  return record;
}

void StoreSettings(const std::string& directory, const SettingsRecord& record) {
  KeyWriter writer(directory);
  for (const char* name : StoreOrder()) {
    const SettingKey& key = RecordKey(name);
    writer.Write(key, record.*key.field);
  }
}

int StoreSettingValues(const std::string& directory, const std::map<std::string, std::string>& values) {
  for (const auto& entry : values) RecordKey(entry.first.c_str());
  KeyWriter writer(directory);
  int written = 0;
  for (const char* name : StoreOrder()) {
    const auto it = values.find(name);
    if (it == values.end()) continue;
    writer.Write(RecordKey(name), it->second);
    ++written;
  }
  return written;
}

}  // namespace settings
