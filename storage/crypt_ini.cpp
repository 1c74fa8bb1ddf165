#include "storage/crypt_ini.h"

#include "platform/files.h"
#include "storage/crypto.h"
#include "storage/ini_text.h"

namespace storage {

CCryptIni g_settingsCryptIni;
CCryptIni g_cardCryptIni;

std::optional<std::string> DecipherIniFile(const ByteArray& fileBytes) {
  CCrypto crypto;
  ByteArray text;
  if (!crypto.DeriveKey(kPassPhrase) || !crypto.DecryptObject(fileBytes, text)) return std::nullopt;
  return text;
}

std::optional<ByteArray> EncipherIniText(const std::string& text) {
  CCrypto crypto;
  ByteArray bytes;
  if (!crypto.DeriveKey(kPassPhrase) || !crypto.EncryptObject(text, bytes)) return std::nullopt;
  return bytes;
}

std::string CCryptIni::Read(std::string key, std::string section) {
  return std::move(ReadKeys({std::move(key)}, section).front());
}

std::vector<std::string> CCryptIni::ReadKeys(const std::vector<std::string>& keys, const std::string& section) {
  m_nLastResult = 0;
  const std::optional<std::string> text = DecipherIniFile(platform::ReadWholeFile(m_strFileName));
  std::vector<std::string> values;
  for (const std::string& key : keys) {
    IniLookup lookup = text ? IniGetString(*text, section, key, "", kCryptIniReadBuffer) : IniLookup{};
    m_nLastResult = static_cast<std::int32_t>(lookup.copied);
    values.push_back(std::move(lookup.value));
  }
  return values;
}

std::int32_t CCryptIni::Write(std::string value, std::string key, std::string section) {
  m_nLastResult = 0;
  IniCheckWritable(section, key, value);
  std::string text;
  if (platform::PathExists(m_strFileName))
    text = DecipherIniFile(platform::ReadWholeFile(m_strFileName)).value_or(std::string());
  const std::optional<ByteArray> bytes = EncipherIniText(IniWriteString(text, section, key, value));
  if (!bytes) throw platform::FileError(m_strFileName, "cannot encipher (the AES cipher is not available)");
  platform::ReplaceFileContent(m_strFileName, *bytes);
  m_nLastResult = 1;
  return m_nLastResult;
}

}  // namespace storage
