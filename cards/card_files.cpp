#include "cards/card_files.h"

#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"

namespace cards {
namespace {

std::vector<platform::DirectoryEntry> CardEntries(const std::string& folder) {
  std::vector<platform::DirectoryEntry> entries = platform::ListDirectory(folder, kCardPattern);
  std::vector<platform::DirectoryEntry> files;
  for (platform::DirectoryEntry& e : entries) {
    if (!e.isDirectory) files.push_back(std::move(e));
  }
  return files;
}

}  // namespace

std::vector<CardFile> EnumerateCards(const std::string& folder) {
  std::vector<CardFile> cards;
  for (const platform::DirectoryEntry& entry : CardEntries(folder)) {
    CardFile card;
    card.path = folder + entry.name;
    card.fileName = entry.name;
    card.number = CardNumberOfFileName(entry.name);
    card.mask = MaskCardNumber(card.number);
    storage::g_cardCryptIni.m_strFileName = card.path;
    try {
      // One reading for both keys: a card rewritten meanwhile never shows the user name
      // of one version beside the password of the next, and a long list reads each file once.
      std::vector<std::string> account = storage::g_cardCryptIni.ReadKeys({kUserKey, kPasswordKey}, kCardSection);
      card.user = std::move(account[0]);
      card.password = std::move(account[1]);
    } catch (const platform::FileError& e) {
      card.user.clear();
      card.password.clear();
      card.readError = e.what();
    }
    cards.push_back(std::move(card));
  }
  return cards;
}

void RewriteCardAccount(const std::string& path, const std::string& user, const std::string& password) {
  // A write creates a missing file, which would bring back a card deleted meanwhile.
  if (!platform::PathExists(path) || platform::IsDirectory(path)) throw platform::FileError(path, "no such card file");
  storage::g_cardCryptIni.m_strFileName = path;
  storage::g_cardCryptIni.Write(user, kUserKey, kCardSection);
  storage::g_cardCryptIni.Write(password, kPasswordKey, kCardSection);
}

bool DeleteCard(const std::string& path) { return platform::RemoveFile(path); }

CardReset DeleteAllCards(const std::string& folder) {
  CardReset reset;
  for (const platform::DirectoryEntry& entry : CardEntries(folder)) {
    ++reset.found;
    const std::string path = folder + entry.name;
    if (!DeleteCard(path)) reset.notDeleted.push_back(path);
  }
  return reset;
}

std::string ReadExpiryText(const std::string& settingsDirectory) {
  storage::CIni ini;
  ini.SetPath((settingsDirectory + "Settings.ini").c_str());  // the settings dialog's plain file
  const std::string expiresAt = ini.GetString("EXPIRESAT", "02:00");
  const std::string expires = ini.GetString("EXPIRES", "0");
  return ExpiryText(expires, expiresAt);
}

}  // namespace cards
