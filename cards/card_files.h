// Registered cards: one enciphered INI file per card, named by the card number and
// ".dll", in one folder. Another component of the product creates them and the service
// reads them; this program lists them, rewrites their account and deletes them.
#pragma once

#include <string>
#include <vector>

namespace cards {

// The card folder of the Windows program; portable code takes the folder as a parameter.
inline constexpr char kWindowsCardFolder[] = "C:\\Quandor-Authenticator\\CARD\\";
inline constexpr char kCardPattern[] = "*.dll";
inline constexpr char kCardSection[] = "Settings";
inline constexpr char kUserKey[] = "USER";
inline constexpr char kPasswordKey[] = "PASSWORD";

// First two characters, "XXXX", last two; the ends overlap for numbers under four
// characters ("123" -> "12XXXX23", "7" -> "7XXXX7"); empty stays empty.
std::string MaskCardNumber(const std::string& number);

// The card number of a card file name: the name with every ".dll" removed (exact,
// case-sensitive), so "12.dll34.dll" is "1234" and "AB99.DLL" stays "AB99.DLL".
std::string CardNumberOfFileName(const std::string& fileName);

struct CardFile {
  CardFile() = default;
  CardFile(const CardFile&) = default;
  CardFile(CardFile&&) = default;
  CardFile& operator=(const CardFile&) = default;
  CardFile& operator=(CardFile&&) = default;
  ~CardFile();  // wipes the password

  std::string path;      // folder + file name
  std::string fileName;  // without the folder
  std::string number;
  std::string mask;
  std::string user;
  std::string password;
  // Why the account could not be read (the file vanished or is locked since it was
  // listed); empty when it was read. Such a card is listed with an empty account.
  std::string readError;
};

// Whether a listing reads the passwords: a list that will not show them never holds them.
enum class CardPasswords { Read, Skip };

// The card files of `folder` (ending with the path separator), in the order the
// directory search returns them; folders named like card files, names that match
// "*.dll" only by their 8.3 short form, and the temporary siblings of a rewrite
// ("<card>.<process>-<serial>.tmp") are skipped. A missing or empty folder gives no
// cards. A file that does not decipher, or is too large to be a card, has an empty
// account; one that cannot be read (a named pipe, a device, denied) has its readError,
// and the others are listed.
std::vector<CardFile> EnumerateCards(const std::string& folder, CardPasswords passwords = CardPasswords::Read);

// Writes USER and PASSWORD (an empty password is stored as an empty value) in one whole
// rewrite of the file that keeps its other content: both or neither. Throws
// platform::FileError when the card file does not exist, also when a delete took its
// turn while this rewrite waited for its own (this program never creates a card, nor
// brings a deleted one back), cannot be read or written, or is too large to be a card;
// storage::UndecipherableFileError when it does not decipher (nothing is written), and
// storage::IniValueError for a value with a line break or a NUL (nothing is written).
void RewriteCardAccount(const std::string& path, const std::string& user, const std::string& password);

// Deletes the card file in its turn (a rewrite under way ends first, and one that waits
// then finds no card), with the temporary siblings a killed writer left of it; false
// when the card could not be deleted. No other file is touched.
bool DeleteCard(const std::string& path);

struct CardReset {
  int found = 0;                           // card files found (deleted or not)
  std::vector<std::string> notDeleted;     // card files that could not be deleted
  std::vector<std::string> leftoversKept;  // temporary siblings that could not be deleted
};

// The number of card files of the folder, found as EnumerateCards finds them (no file is read).
int CountCards(const std::string& folder);

// Deletes every card file of the folder, whatever it holds, each in its turn, and the
// temporary siblings killed writers left of card files (also of cards gone since);
// folders are left alone.
CardReset DeleteAllCards(const std::string& folder);

// The expiry text every card row shows: "on Restart" when EXPIRES is exactly "0",
// otherwise EXPIRESAT as stored.
std::string ExpiryText(const std::string& expires, const std::string& expiresAt);

}  // namespace cards
