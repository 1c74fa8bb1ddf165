// quandorctl cards: lists the registered cards, rewrites a card's account and deletes
// cards, as the tray program's card dialog and its settings' Reset Cards do.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cards/card_audit.h"
#include "cards/card_files.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "storage/latin1_text.h"
#include "storage/secret.h"
#include "tools/quandorctl/folders.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl cards list [--folder DIR] [--dir DIR] [--format table|csv|json]\n"
    "                             [--show-passwords] [--full-numbers]\n"
    "       quandorctl cards set-account [--folder DIR] CARD --user USER --password-stdin\n"
    "       quandorctl cards delete [--folder DIR] CARD\n"
    "       quandorctl cards reset [--folder DIR] --yes [--force]\n"
    "\n"
    "The registered cards: one enciphered file CARD.dll per card in the card folder\n"
    "(--folder; on Windows C:\\Quandor-Authenticator\\CARD\\ by default, elsewhere it must be\n"
    "given).\n"
    "  list         every card in folder order: user name, masked card number and the\n"
    "               expiry text from Settings.ini in DIR (--dir, default as for 'settings').\n"
    "               Passwords only with --show-passwords; full card numbers and file names\n"
    "               only with --full-numbers. A card that cannot be read (exit status 2)\n"
    "               or does not decipher (exit status 3) is listed with an empty account\n"
    "               and named on stderr.\n"
    "  set-account  writes USER and the password read from standard input (one line; a\n"
    "               final line break is dropped; it may be empty) into the card, both in one\n"
    "               replace of its file. Passwords are never taken from the command line.\n"
    "               A value with a blank at either end or in quotes is refused (it would not\n"
    "               read back as given), and so is a card file that does not decipher.\n"
    "  delete       deletes the card's file (and what a rewrite cut short left of it).\n"
    "  reset        deletes every card file of the folder, and the temporary files that\n"
    "               rewrites cut short left of card files; refused without --yes. When a\n"
    "               .dll file of the folder does not decipher as a card (a mistyped --folder\n"
    "               holding program libraries), nothing is deleted and those files are\n"
    "               named (exit status 3); --force deletes them too.\n"
    "CARD is a full card number (the file name without \".dll\") or a card's file name.\n"
    "A card file larger than 1 MiB counts as one that does not decipher.\n"
    "exit status: 0 success, 1 wrong usage or a refused value, 2 a card or file is missing\n"
    "or cannot be read, written or deleted, 3 a card file does not decipher.\n";

enum class Format { Table, Csv, Json };

Format ChosenFormat(const ParsedArgs& args) {
  const std::string format = args.Value("--format", "table");
  if (format == "table") return Format::Table;
  if (format == "csv") return Format::Csv;
  if (format == "json") return Format::Json;
  throw UsageError("--format must be table, csv or json, not '" + format + "'");
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

// A text as a JSON string, escaped by nlohmann/json to plain ASCII; bytes above 0x7F are
// taken as Latin-1, so that the output is always valid JSON. Scripts compare this output
// byte for byte with earlier runs, so escapes keep the one spelling the list has always
// used: every escaped character as \u with upper-case hex ("\u00E9", "\u0009").
std::string JsonString(const std::string& text) {
  const std::string escaped = nlohmann::json(storage::Latin1ToUtf8(text)).dump(-1, ' ', /*ensure_ascii=*/true);
  std::string out;
  for (std::size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] != '\\' || i + 1 == escaped.size()) {
      out += escaped[i];
      continue;
    }
    static constexpr char kShortForms[] = "btnfr";
    static constexpr char kShortFormCodes[] = {'\b', '\t', '\n', '\f', '\r'};
    const char kind = escaped[++i];
    const char* shortForm = kind == '\0' ? nullptr : std::strchr(kShortForms, kind);
    if (kind == 'u') {
      out += "\\u";
      for (std::size_t k = 1; k <= 4 && i + k < escaped.size(); ++k)
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(escaped[i + k])));
      i += 4;
    } else if (shortForm != nullptr) {
      char code[8];
      std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(kShortFormCodes[shortForm - kShortForms]));
      out += code;
    } else {
      out += '\\';
      out += kind;  // \" and \\ as they are
    }
  }
  return out;
}

// Whether the card file deciphers; a file that cannot be read sets `readError` instead.
bool Deciphers(const std::string& path, std::string& readError) {
  try {
    return storage::ReadIniFile(path).has_value();
  } catch (const platform::FileError& e) {
    readError = e.what();
    return true;
  }
}

struct Column {
  const char* heading;
  const char* jsonName;
};

void PrintTable(const std::vector<Column>& columns, const std::vector<std::vector<std::string>>& rows) {
  if (rows.empty()) {
    std::printf("No registered cards available\n");
    return;
  }
  std::vector<std::string> headings;
  for (const Column& c : columns) headings.push_back(c.heading);
  std::vector<std::vector<std::string>> lines = {headings};
  for (const auto& row : rows) {
    std::vector<std::string> cells;
    for (const std::string& cell : row) cells.push_back(Escaped(cell));
    lines.push_back(std::move(cells));
  }
  std::vector<std::size_t> widths(columns.size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  for (const auto& line : lines) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
      text += line[i];
      if (i + 1 < line.size()) text += std::string(widths[i] + 2 - line[i].size(), ' ');
    }
    std::printf("%s\n", text.c_str());
  }
}

void PrintCsv(const std::vector<Column>& columns, const std::vector<std::vector<std::string>>& rows) {
  auto printRow = [](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) line += (i ? "," : "") + CsvField(cells[i]);
    std::printf("%s\n", line.c_str());
  };
  std::vector<std::string> headings;
  for (const Column& c : columns) headings.push_back(c.heading);
  printRow(headings);
  for (const auto& row : rows) printRow(row);
}

void PrintJson(const std::vector<Column>& columns, const std::vector<std::vector<std::string>>& rows) {
  std::string out = "[";
  for (std::size_t r = 0; r < rows.size(); ++r) {
    out += r ? ",\n  {" : "\n  {";
    for (std::size_t i = 0; i < columns.size(); ++i) {
      out += (i ? ", " : "") + JsonString(columns[i].jsonName) + ": " + JsonString(rows[r][i]);
    }
    out += "}";
  }
  out += rows.empty() ? "]\n" : "\n]\n";
  std::fputs(out.c_str(), stdout);
}

int List(const Args& rest) {
  const ParsedArgs args(rest, {"--folder", "--dir", "--format"}, {"--show-passwords", "--full-numbers"});
  args.ExpectAtMostPositional(0);
  const std::string folder = CardFolder(args);
  const std::string settingsDir = SettingsFolder(args);
  const Format format = ChosenFormat(args);
  const bool showPasswords = args.Flag("--show-passwords");
  const bool fullNumbers = args.Flag("--full-numbers");

  ExpectReadableSettingsFile(settingsDir);
  const std::string expiry = settings::ReadCardExpiryText(settingsDir);
  const std::vector<cards::CardFile> list =
      cards::EnumerateCards(folder, showPasswords ? cards::CardPasswords::Read : cards::CardPasswords::Skip);
  std::vector<Column> columns = {{"Username", "user"}, {"Card Number", "cardNumber"}, {"Expires", "expires"}};
  if (showPasswords) columns.push_back({"Password", "password"});
  if (fullNumbers) columns.push_back({"File", "file"});
  std::vector<std::vector<std::string>> rows;
  for (const cards::CardFile& card : list) {
    std::vector<std::string> row = {card.user, fullNumbers ? card.number : card.mask, expiry};
    if (showPasswords) row.push_back(card.password);
    if (fullNumbers) row.push_back(card.fileName);
    rows.push_back(std::move(row));
  }
  switch (format) {
    case Format::Table:
      PrintTable(columns, rows);
      break;
    case Format::Csv:
      PrintCsv(columns, rows);
      break;
    case Format::Json:
      PrintJson(columns, rows);
      break;
  }
  std::fflush(stdout);

  int status = kExitOk;
  for (const cards::CardFile& card : list) {
    std::string problem = card.readError;
    if (problem.empty() && !Deciphers(card.path, problem)) {
      problem = card.path + ": does not decipher";
      if (status == kExitOk) status = kExitDecipher;
    } else if (!problem.empty()) {
      status = kExitFile;
    }
    if (!problem.empty())
      std::fprintf(stderr, "quandorctl cards: %s (listed with an empty account)\n", problem.c_str());
  }
  return status;
}

// The one card that CARD names, by full number or file name.
cards::CardFile FindCard(const std::string& folder, const std::string& wanted) {
  std::vector<cards::CardFile> matches;
  for (cards::CardFile& card : cards::EnumerateCards(folder, cards::CardPasswords::Skip)) {
    if (card.number == wanted || card.fileName == wanted) matches.push_back(std::move(card));
  }
  if (matches.empty()) throw CommandError(kExitFile, "no card " + Quoted(wanted) + " in " + folder);
  if (matches.size() > 1) {
    std::string names;
    for (const auto& m : matches) names += (names.empty() ? "" : ", ") + m.fileName;
    throw UsageError("card number " + Quoted(wanted) + " stands for several card files (" + names +
                     "); give the file name");
  }
  return std::move(matches.front());
}

std::string OneCardArgument(const ParsedArgs& args, const char* command) {
  if (args.Positional().empty()) throw UsageError(std::string(command) + " needs a CARD");
  args.ExpectAtMostPositional(1);
  return args.Positional().front();
}

void CheckCardValue(const char* what, const std::string& value) {
  const auto refuse = [&](const std::string& why) {
    throw CommandError(kExitUsage, std::string(what) + " " + why + "; nothing was written");
  };
  if (value.find_first_of("\r\n") != std::string::npos) refuse("must be one line");
  if (value.size() > storage::kLongestCryptIniValue) refuse(storage::ValueTooLongReason());
  if (const std::optional<std::string> problem = storage::IniReadBackProblem(value)) refuse(*problem);
}

int SetAccount(const Args& rest) {
  // "--password" is known only to be refused with the reason.
  const ParsedArgs args(rest, {"--folder", "--user", "--password"}, {"--password-stdin"});
  if (args.Value("--password")) {
    throw UsageError("passwords are never taken from the command line; use --password-stdin");
  }
  const std::optional<std::string> givenUser = args.Value("--user");
  if (!givenUser) throw UsageError("set-account needs --user USER");
  const std::string& user = *givenUser;
  if (user.empty()) throw UsageError("the user name must not be empty");
  if (!args.Flag("--password-stdin")) throw UsageError("set-account needs --password-stdin");
  const std::string wanted = OneCardArgument(args, "set-account");
  const std::string folder = CardFolder(args);
  CheckCardValue("the user name", user);

  const cards::CardFile card = FindCard(folder, wanted);
  // A write would start a file that does not decipher afresh and drop what it holds.
  if (!storage::ReadIniFile(card.path)) {
    throw CommandError(kExitDecipher, card.path + ": does not decipher; its account was not changed");
  }
  std::string password = ReadStandardInputLine("password for card " + card.mask);
  const storage::WipeOnExit wipePassword(password);
  CheckCardValue("the password", password);
  try {
    cards::RewriteCardAccountAudited(card, user, password);
  } catch (const storage::UndecipherableFileError& e) {
    throw CommandError(kExitDecipher, e.what());
  }
  std::printf("rewrote USER and PASSWORD of card %s (%s)\n", card.mask.c_str(), card.fileName.c_str());
  return kExitOk;
}

int Delete(const Args& rest) {
  const ParsedArgs args(rest, {"--folder"}, {});
  const std::string wanted = OneCardArgument(args, "delete");
  const cards::CardFile card = FindCard(CardFolder(args), wanted);
  if (!cards::DeleteCardAudited(card)) throw CommandError(kExitFile, card.path + ": cannot delete");
  std::printf("deleted %s\n", card.path.c_str());
  return kExitOk;
}

int Reset(const Args& rest) {
  const ParsedArgs args(rest, {"--folder"}, {"--yes", "--force"});
  args.ExpectAtMostPositional(0);
  const std::string folder = CardFolder(args);
  const bool confirmed = args.Flag("--yes");
  const bool force = args.Flag("--force");
  if (!confirmed) throw UsageError("reset deletes every card file in " + folder + " and cannot be undone; add --yes");
  if (!force) {
    // A mistyped folder must not cost a program its libraries: every file to delete
    // must be a card first.
    std::string strangers;
    for (const cards::CardFile& card : cards::EnumerateCards(folder, cards::CardPasswords::Skip)) {
      std::string readError;
      if (!Deciphers(card.path, readError) || !readError.empty()) strangers += "\n  " + card.path;
    }
    if (!strangers.empty()) {
      throw CommandError(kExitDecipher,
                         "these files of " + folder + " are not readable cards:" + strangers +
                             "\nnothing was deleted; check the folder, or add --force to delete them too");
    }
  }
  const cards::CardReset reset = cards::DeleteAllCardsAudited(folder);
  const int deleted = reset.found - static_cast<int>(reset.notDeleted.size());
  if (reset.found == 0) {
    std::printf("no registered cards to clear in %s\n", folder.c_str());
  } else {
    std::printf("removed %d card %s from %s\n", deleted, deleted == 1 ? "file" : "files", folder.c_str());
  }
  std::fflush(stdout);
  for (const std::string& path : reset.notDeleted)
    std::fprintf(stderr, "quandorctl cards: %s: cannot delete\n", path.c_str());
  for (const std::string& path : reset.leftoversKept)
    std::fprintf(stderr, "quandorctl cards: %s: cannot delete (left by a rewrite that was cut short)\n", path.c_str());
  return reset.notDeleted.empty() && reset.leftoversKept.empty() ? kExitOk : kExitFile;
}

int RunCards(const Args& args) {
  return RunSubcommand(args, {{"list", List}, {"set-account", SetAccount}, {"delete", Delete}, {"reset", Reset}});
}

}  // namespace

const CommandGroup kCardsGroup = {"cards", "list, re-key and delete registered cards", kUsage, RunCards};

}  // namespace quandorctl
