#include "cards/card_files.h"

#include <exception>

#include "platform/files.h"
#include "storage/crypt_ini.h"

namespace cards {
namespace {

// The search also matches a name's 8.3 short form on Windows: "1234.dll_old" is found
// by "*.dll" as 1234~1.DLL. Only a long name that itself ends in ".dll" (in any case, as
// the search compares) is a card file.
bool EndsInDll(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  return end == ".dll";
}

std::vector<platform::DirectoryEntry> CardEntries(const std::string& folder) {
  std::vector<platform::DirectoryEntry> entries = platform::ListDirectory(folder, kCardPattern);
  std::vector<platform::DirectoryEntry> files;
  for (platform::DirectoryEntry& e : entries) {
    if (!e.isDirectory && EndsInDll(e.name)) files.push_back(std::move(e));
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
    } catch (const std::exception& e) {
      // Vanished, locked, or beyond what memory allows: this card is listed with an
      // empty account, and the others are listed all the same.
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
  // One replace for both keys: never the new USER beside the old PASSWORD. A card that
  // does not decipher is left as it is: a new text would drop what its creator stored.
  storage::g_cardCryptIni.WriteKeys({{kUserKey, user}, {kPasswordKey, password}}, kCardSection,
                                    storage::UndecipherableFile::Refuse);
}

bool DeleteCard(const std::string& path) { return platform::RemoveFile(path); }

int CountCards(const std::string& folder) { return static_cast<int>(CardEntries(folder).size()); }

CardReset DeleteAllCards(const std::string& folder) {
  CardReset reset;
  for (const platform::DirectoryEntry& entry : CardEntries(folder)) {
    ++reset.found;
    const std::string path = folder + entry.name;
    if (!DeleteCard(path)) reset.notDeleted.push_back(path);
  }
  return reset;
}

}  // namespace cards
