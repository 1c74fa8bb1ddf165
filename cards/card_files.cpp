#include "cards/card_files.h"

#include <exception>
#include <map>

#include "platform/files.h"
#include "platform/sibling_names.h"
#include "storage/crypt_ini.h"
#include "storage/secret.h"

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

CardFile::~CardFile() { storage::WipeText(password); }

std::vector<CardFile> EnumerateCards(const std::string& folder, CardPasswords passwords) {
  const std::vector<platform::DirectoryEntry> entries = CardEntries(folder);
  const bool withPassword = passwords == CardPasswords::Read;
  const std::vector<std::string> keys =
      withPassword ? std::vector<std::string>{kUserKey, kPasswordKey} : std::vector<std::string>{kUserKey};
  std::vector<CardFile> cards;
  cards.reserve(entries.size());
  for (const platform::DirectoryEntry& entry : entries) {
    CardFile card;
    card.path = folder + entry.name;
    card.fileName = entry.name;
    card.number = CardNumberOfFileName(entry.name);
    card.mask = MaskCardNumber(card.number);
    storage::g_cardCryptIni.m_strFileName = card.path;
    try {
      // One reading for both keys: a card rewritten meanwhile never shows the user name
      // of one version beside the password of the next, and a long list reads each file once.
      std::vector<std::string> account = storage::g_cardCryptIni.ReadKeys(keys, kCardSection);
      card.user = std::move(account[0]);
      if (withPassword) {
        card.password = std::move(account[1]);
        storage::WipeText(account[1]);  // a short password moves by copy
      }
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
  if (platform::IsDirectory(path)) throw platform::FileError(path, "no such card (a folder of that name)");
  storage::g_cardCryptIni.m_strFileName = path;
  // Not from a braced list, whose elements would be copies of the password left unwiped.
  storage::IniEntries account;
  account.emplace_back(kUserKey, user);
  account.emplace_back(kPasswordKey, password);
  const storage::WipeOnExit wipePassword(account.back().second);
  // One replace for both keys: never the new USER beside the old PASSWORD. A card that
  // does not decipher is left as it is: a new text would drop what its creator stored.
  // Whether the card is there is asked in the rewrite's turn: a write creates a missing
  // file, which would bring back a card deleted while this one waited.
  try {
    storage::g_cardCryptIni.WriteKeys(account, kCardSection, storage::UndecipherableFile::Refuse,
                                      storage::MissingFile::Refuse);
  } catch (const storage::MissingFileError&) {
    throw platform::FileError(path, "no such card (deleted meanwhile; not made anew)");
  }
}

namespace {

// In the card's turn: a rewrite under way ends before the card goes.
bool DeleteInTurn(const std::string& path, const std::vector<std::string>& leftovers, CardReset* reset) {
  try {
    const platform::RewriteLock turn(path);
    const bool deleted = platform::RemoveFile(path) || !platform::PathExists(path);
    for (const std::string& leftover : leftovers) {
      if (!platform::RemoveFile(leftover) && reset != nullptr) reset->leftoversKept.push_back(leftover);
    }
    return deleted;
  } catch (const platform::FileError&) {
    return false;  // the turn did not come: the card stays, and the caller says so
  }
}

}  // namespace

bool DeleteCard(const std::string& path) {
  if (platform::IsDirectory(path)) return false;
  try {
    const platform::RewriteLock turn(path);
    (void)platform::RemoveLeftoverSiblings(path);  // one that cannot go now is named by a reset
    return platform::RemoveFile(path);
  } catch (const platform::FileError&) {
    return false;  // the turn did not come: the card stays
  }
}

int CountCards(const std::string& folder) { return static_cast<int>(CardEntries(folder).size()); }

CardReset DeleteAllCards(const std::string& folder) {
  // One listing for the cards and the siblings killed writers left of them, however
  // many cards there are.
  std::vector<std::string> cardNames;
  std::map<std::string, std::vector<std::string>> leftoversByStem;
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder, "*")) {
    if (entry.isDirectory) continue;
    if (const auto stem = platform::StemOfSiblingName(entry.name)) {
      leftoversByStem[std::string(*stem)].push_back(folder + entry.name);
    } else if (EndsInDll(entry.name)) {
      cardNames.push_back(entry.name);
    }
  }
  CardReset reset;
  for (const std::string& name : cardNames) {
    ++reset.found;
    const std::string path = folder + name;
    std::vector<std::string> leftovers;
    const auto own = leftoversByStem.find(platform::SiblingStemOf(path).substr(folder.size()));
    if (own != leftoversByStem.end()) {
      leftovers = std::move(own->second);
      leftoversByStem.erase(own);
    }
    if (!DeleteInTurn(path, leftovers, &reset)) reset.notDeleted.push_back(path);
  }
  // Siblings of cards that are gone already, in the turn of the card they belonged to.
  for (const auto& [stem, leftovers] : leftoversByStem) {
    if (EndsInDll(stem)) DeleteInTurn(folder + stem, leftovers, &reset);
  }
  return reset;
}

}  // namespace cards
