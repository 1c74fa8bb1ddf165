// The rules of the "Manage Registered Cards" dialog (QDCardAuthenticatorManageCardsDlg):
// which rows it lists, what the two edit boxes show, what Save and Close and Delete Card
// do. Each row is bound to exactly one card file by its row record's tag, so saving or
// deleting a row touches that card only, whatever the sort order and even when two
// cards share masked number and user name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_files.h"
#include "cards/sort_list_rules.h"

namespace cards {

inline constexpr char kCardColumns[] = "Username,150;Card Number,80;Expires,100";
inline constexpr char kNoCardsMessage[] = "No registered cards available";
inline constexpr char kEnterAccountMessage[] = "Kindly enter username and password ";  // with the trailing blank

// What the administrator is told when Save and Close could not rewrite the card;
// `error` names the file and the reason.
std::string CardNotSavedMessage(const std::string& error);

// Save and Close on a card whose file does not decipher: nothing is written.
std::string CardNotDecipheredMessage(const std::string& mask);

struct CardAccount;
// Why the typed account would not read back as typed (a blank at either end, enclosing
// quotes), naming the field; nothing when it would.
std::optional<std::string> CardValueMessage(const CardAccount& typed);

struct CardAccount {
  std::string user;
  std::string password;
  bool operator==(const CardAccount& o) const { return user == o.user && password == o.password; }
};

// The dialog's state after a reload.
struct CardListView {
  std::vector<RowRecord> rows;         // Username, Card Number, Expires; in folder order; tag = card index
  int selectedRow = -1;                // 0 when there are cards (selected, focused, selection mark)
  std::optional<std::string> message;  // kNoCardsMessage when there are no cards
};

struct CardSaveResult {
  std::optional<std::string> message;  // shown with the information icon; the dialog stays open
  bool close = false;                  // end the dialog with IDOK
};

class CardListModel {
 public:
  // `expiryText` comes from the settings as read when the dialog opened
  // (settings::ReadCardExpiryText); a reload does not read them again.
  CardListModel(std::string folder, std::string expiryText);

  // Lists the folder again; the rows replace the list's rows and are not sorted.
  CardListView Reload();

  // The card a row's tag stands for, or null for no row or a tag of an earlier reload.
  const CardFile* CardOf(std::optional<std::size_t> tag) const;

  // What the edit boxes show for the selected row's tag (no row: both empty).
  CardAccount AccountOf(std::optional<std::size_t> tag) const;

  // Save and Close with the typed account. No row: close without writing. An empty
  // user name, a value that would not read back as typed, or a card file that does not
  // decipher: the message, nothing written (an empty password is accepted). Otherwise
  // the row's card is rewritten and the dialog closes; a failing write propagates
  // (platform::FileError, storage::IniValueError) and the dialog stays open.
  CardSaveResult SaveAndClose(std::optional<std::size_t> tag, const CardAccount& typed);

  // Delete Card: deletes the row's card file and lists the folder again. No row:
  // nothing is deleted and no reload happens (nullopt); the dialog empties the edit boxes.
  std::optional<CardListView> DeleteCard(std::optional<std::size_t> tag);

  // "Save and Close" is enabled at set-up and by every change of either edit box, and
  // disabled just before the dialog closes.
  bool saveEnabled() const { return m_saveEnabled; }
  void OnAccountEdited() { m_saveEnabled = true; }

 private:
  std::string m_folder;
  std::string m_expiryText;
  std::vector<CardFile> m_cards;  // of the last reload; a row's tag indexes it
  bool m_saveEnabled = true;
};

}  // namespace cards
