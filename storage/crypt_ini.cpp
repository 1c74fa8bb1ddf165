#include "storage/crypt_ini.h"

#include "platform/files.h"
#include "storage/crypto.h"
#include "storage/ini_text.h"
#include "storage/secret.h"

namespace storage {

CCryptIni g_settingsCryptIni;
CCryptIni g_cardCryptIni;

std::optional<std::string> DecipherIniFile(const ByteArray& fileBytes) {
  CCrypto crypto;
  ByteArray text;
  if (!crypto.DeriveKey(kPassPhrase) || !crypto.DecryptObject(fileBytes, text)) return std::nullopt;
  return text;
}

std::optional<std::string> ReadIniFile(const std::string& path) {
  std::optional<ByteArray> bytes = platform::ReadWholeFileUpTo(path, kLargestEncipheredFile);
  if (!bytes) return std::nullopt;
  return DecipherIniFile(*bytes);
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
  std::optional<std::string> text = ReadIniFile(m_strFileName);
  std::vector<std::string> values;
  for (const std::string& key : keys) {
    IniLookup lookup = text ? IniGetString(*text, section, key, "", kCryptIniReadBuffer) : IniLookup{};
    m_nLastResult = static_cast<std::int32_t>(lookup.copied);
    values.push_back(std::move(lookup.value));
  }
  if (text) WipeText(*text);
  return values;
}

std::int32_t CCryptIni::Write(std::string value, std::string key, std::string section) {
  return WriteKeys({{std::move(key), std::move(value)}}, section, UndecipherableFile::StartAfresh);
}

std::int32_t CCryptIni::WriteKeys(const IniEntries& entries, const std::string& section,
                                  UndecipherableFile undecipherable) {
  m_nLastResult = 0;
  for (const auto& [key, value] : entries) IniCheckWritable(section, key, value);
  const platform::RewriteLock lock(m_strFileName);
  std::string text;
  const WipeOnExit wipeText(text);
  if (platform::PathExists(m_strFileName)) {
    std::optional<ByteArray> bytes = platform::ReadWholeFileUpTo(m_strFileName, kLargestEncipheredFile);
    if (!bytes) {
      throw platform::FileError(m_strFileName,
                                "cannot rewrite (larger than 1 MiB, so damaged or not ours; left as it is)");
    }
    if (std::optional<std::string> deciphered = DecipherIniFile(*bytes)) {
      text = std::move(*deciphered);
    } else if (undecipherable == UndecipherableFile::Refuse) {
      throw UndecipherableFileError(m_strFileName +
                                    ": does not decipher; not rewritten, so that nothing it holds is lost");
    }
  }
  for (const auto& [key, value] : entries) {
    std::string changed = IniWriteString(text, section, key, value);
    WipeText(text);
    text = std::move(changed);
  }
  const std::optional<ByteArray> bytes = EncipherIniText(text);
  if (!bytes) throw platform::FileError(m_strFileName, "cannot encipher (the AES cipher is not available)");
  platform::ReplaceFileContent(m_strFileName, *bytes);
  m_nLastResult = 1;
  return m_nLastResult;
}

}  // namespace storage
