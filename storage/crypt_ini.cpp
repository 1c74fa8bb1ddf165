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

ByteArray EncipherIniFile(const std::string& path, const std::string& text) {
  std::optional<ByteArray> bytes = EncipherIniText(text);
  if (!bytes) throw platform::FileError(path, "cannot encipher (the AES cipher is not available)");
  if (bytes->size() > kLargestEncipheredFile) {
    throw platform::FileError(path, "not written: enciphered it would take " + std::to_string(bytes->size()) +
                                        " bytes, more than the 1 MiB (" + std::to_string(kLargestEncipheredFile) +
                                        " bytes) an enciphered file may have");
  }
  return std::move(*bytes);
}

std::string CCryptIni::Read(std::string key, std::string section) {
  return std::move(ReadKeys({std::move(key)}, section).front());
}

std::vector<std::string> CCryptIni::ReadKeys(const std::vector<std::string>& keys, const std::string& section) {
  m_nLastResult = 0;
  std::optional<std::string> text = ReadIniFile(m_strFileName);
  std::vector<std::string> values;
  values.reserve(keys.size());
  for (const std::string& key : keys) {
    IniLookup lookup = text ? IniGetString(*text, section, key, "", kCryptIniReadBuffer) : IniLookup{};
    m_nLastResult = static_cast<std::int32_t>(lookup.copied);
    values.push_back(std::move(lookup.value));
    WipeText(lookup.value);  // a short value moves by copy and stays in the moved-from text
  }
  if (text) WipeText(*text);
  return values;
}

std::int32_t CCryptIni::Write(std::string value, std::string key, std::string section) {
  // Not from a braced list, whose elements would be copies of the value left unwiped.
  IniEntries entries;
  entries.emplace_back(std::move(key), value);
  WipeText(value);
  const WipeOnExit wipeValue(entries.front().second);
  return WriteKeys(entries, section, UndecipherableFile::StartAfresh, MissingFile::Create);
}

std::int32_t CCryptIni::WriteKeys(const IniEntries& entries, const std::string& section,
                                  UndecipherableFile undecipherable, MissingFile missing) {
  m_nLastResult = 0;
  for (const auto& [key, value] : entries) IniCheckWritable(section, key, value);
  const platform::RewriteLock lock(m_strFileName);
  std::string text;
  const WipeOnExit wipeText(text);
  // Looked at under the turn: a delete that took its turn while we waited for ours has
  // the last word, and the file does not come back.
  const bool exists = platform::PathExists(m_strFileName);
  if (!exists && missing == MissingFile::Refuse)
    throw MissingFileError(m_strFileName, "no such file (deleted meanwhile); not made anew");
  if (exists) {
    std::optional<ByteArray> bytes = platform::ReadWholeFileUpTo(m_strFileName, kLargestEncipheredFile);
    if (!bytes) {
      throw platform::FileError(m_strFileName,
                                "cannot rewrite (larger than 1 MiB, so damaged or not ours; left as it is)");
    }
    if (std::optional<std::string> deciphered = DecipherIniFile(*bytes)) {
      text = std::move(*deciphered);
      WipeText(*deciphered);
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
  platform::ReplaceFileContent(m_strFileName, EncipherIniFile(m_strFileName, text), platform::NewFile::Private);
  m_nLastResult = 1;
  return m_nLastResult;
}

}  // namespace storage
