// LoadSettings and StoreSettings: the record between memory and the two files; and what
// the card list reads from them.
#include <stdexcept>
#include <utility>
#include <vector>

#include "cards/card_files.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"
#include "storage/ini_text.h"
#include "storage/secret.h"

namespace settings {
namespace {

// Points the program-wide enciphered-file object at this directory's settings file.
void PointAtSettingsFile(const std::string& directory) {
  storage::g_settingsCryptIni.m_strFileName = directory + kEncipheredFileName;
}

const std::string& WrittenText(const SettingKey& key, const std::string& value) {
  static const std::string kZero = "0";
  return key.form == WrittenForm::AlwaysZero ? kZero : value;
}

// How the plain keys of one store go into "Settings.ini".
enum class PlainWrites {
  OneByOne,  // as the profile functions write them: the dialog's specified order of writes
  Together,  // in one replace that leaves the file as those writes would: all or none
};

// Writes (key, text) pairs given in store order. Every text is checked before anything
// is written. The enciphered keys go into "SettingsHost.ini" in one replace, at the
// place of the first of them: the service never reads a host of one save beside the
// password of another, and a failure leaves none of them written. The plain keys go as
// `plain` says; together, at the place of the first of them.
using KeyTexts = std::vector<std::pair<const SettingKey*, std::string>>;  // in store order

void WriteInStoreOrder(const std::string& directory, const KeyTexts& keys, PlainWrites plain) {
  for (const auto& [key, text] : keys) {
    const char* section = key->file == KeyFile::Enciphered ? kEncipheredSection : storage::kConfigSection;
    storage::IniCheckWritable(section, key->name, text);
  }
  storage::CIni ini;
  ini.SetPath((directory + kPlainFileName).c_str());
  PointAtSettingsFile(directory);
  storage::IniEntries enciphered;
  storage::IniEntries plainEntries;
  for (const auto& [key, text] : keys)
    (key->file == KeyFile::Enciphered ? enciphered : plainEntries).emplace_back(key->name, text);
  const storage::WipeValuesOnExit wipeEnciphered(enciphered);
  bool encipheredWritten = false;
  bool plainWritten = false;
  const char* written = nullptr;  // the file a replace changed before a later one failed
  try {
    for (const auto& [key, text] : keys) {
      if (key->file == KeyFile::Plain && plain == PlainWrites::OneByOne) {
        ini.WriteString(key->name, text.c_str());
      } else if (key->file == KeyFile::Plain && !plainWritten) {
        ini.WriteStrings(plainEntries);
        plainWritten = true;
        written = kPlainFileName;
      } else if (key->file == KeyFile::Enciphered && !encipheredWritten) {
        storage::g_settingsCryptIni.WriteKeys(enciphered, kEncipheredSection, storage::UndecipherableFile::StartAfresh,
                                              storage::MissingFile::Create);
        encipheredWritten = true;
        written = kEncipheredFileName;
      }
    }
  } catch (const platform::FileError& e) {
    if (plain == PlainWrites::Together && written != nullptr) {
      throw PartlyStoredError(e.path(), e.reason() + "; " + written + " was written, this file was left as it was");
    }
    throw;
  }
}

const SettingKey& RecordKey(const char* name) {
  const SettingKey* key = FindSettingKey(name);
  if (key == nullptr || key->field == nullptr)
    throw std::invalid_argument(std::string("not a settings record key: ") + name);
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
  // The plain keys from one reading of "Settings.ini" too.
  std::vector<std::pair<std::string, std::string>> plainKeys;
  for (const SettingKey& key : RecordKeys())
    if (key.file == KeyFile::Plain && key.rule != ReadRule::NotRead) plainKeys.emplace_back(key.name, key.defaultValue);
  std::vector<std::string> plain = ini.GetStrings(plainKeys);
  std::size_t nextEnciphered = 0;
  std::size_t nextPlain = 0;
  for (const SettingKey& key : RecordKeys()) {
    std::string& field = record.*key.field;
    if (key.file == KeyFile::Enciphered) {
      field = std::move(enciphered[nextEnciphered++]);
    } else if (key.rule != ReadRule::NotRead) {
      field = std::move(plain[nextPlain++]);
    }
  }
  for (std::string& text : enciphered) storage::WipeText(text);  // a short password moves by copy
  return record;
}

std::string ReadCardExpiryText(const std::string& directory) {
  storage::CIni ini;
  ini.SetPath((directory + kPlainFileName).c_str());
  const std::vector<std::string> values = ini.GetStrings(
      {{"EXPIRES", RecordKey("EXPIRES").defaultValue}, {"EXPIRESAT", RecordKey("EXPIRESAT").defaultValue}});
  return cards::ExpiryText(values[0], values[1]);
}

void StoreSettings(const std::string& directory, const SettingsRecord& record) {
  KeyTexts keys;
  const storage::WipeValuesOnExit wipeTexts(keys);
  for (const char* name : StoreOrder()) {
    const SettingKey& key = RecordKey(name);
    keys.emplace_back(&key, WrittenText(key, record.*key.field));
  }
  WriteInStoreOrder(directory, keys, PlainWrites::OneByOne);
}

int StoreSettingValues(const std::string& directory, const std::map<std::string, std::string>& values) {
  for (const auto& entry : values) RecordKey(entry.first.c_str());
  KeyTexts keys;
  const storage::WipeValuesOnExit wipeTexts(keys);
  for (const char* name : StoreOrder()) {
    const auto it = values.find(name);
    if (it == values.end()) continue;
    const SettingKey& key = RecordKey(name);
    keys.emplace_back(&key, WrittenText(key, it->second));
  }
  WriteInStoreOrder(directory, keys, PlainWrites::Together);
  return static_cast<int>(keys.size());
}

}  // namespace settings
