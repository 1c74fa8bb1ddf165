// quandorctl ini: read and write the enciphered INI files ("SettingsHost.ini", the card
// files) with the same engine and cipher as the program, byte for byte.
#include <cstdio>
#include <optional>
#include <string>

#include "audit/report.h"
#include "cards/card_audit.h"
#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "storage/secret.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl ini get FILE SECTION KEY\n"
    "       quandorctl ini set FILE SECTION KEY VALUE\n"
    "       quandorctl ini dump FILE\n"
    "       quandorctl ini load FILE < TEXT\n"
    "\n"
    "Reads and writes enciphered INI files (SettingsHost.ini, the card files).\n"
    "  get   prints the value of KEY in SECTION and a newline (an empty line when the key\n"
    "        is missing); values are cut to 1023 characters, as the program reads them.\n"
    "  set   sets KEY in SECTION to VALUE, creating the file, section or key as needed;\n"
    "        every other line stays as it was. A VALUE of - is read from standard input\n"
    "        (one line; a final line break is dropped): give secrets that way, never on the\n"
    "        command line. A VALUE with a line break, with a blank at either end or in\n"
    "        quotes (it would not read back as given) is refused.\n"
    "  dump  writes the whole deciphered INI text to standard output, bytes unchanged.\n"
    "  load  enciphers the INI text read from standard input into FILE, replacing it.\n"
    "Files are replaced all at once, one writer at a time; no deciphered copy is ever\n"
    "written to disk. A file larger than 1 MiB counts as one that does not decipher.\n"
    "FILE, SECTION, KEY and VALUE are taken as they are, \"--help\" too; a first argument\n"
    "of -- is dropped (for a FILE named \"--help\"), and --help alone shows this text.\n"
    "exit status: 0 success, 1 wrong usage or a refused value, 2 a file is missing or\n"
    "cannot be read or written, 3 the file does not decipher.\n";

constexpr char kDoesNotDecipher[] = ": does not decipher (empty, damaged, or enciphered with another pass phrase)";

// A subcommand's texts: every argument is one (PositionalOnly), and there are `count`.
Args Texts(const Args& rest, const char* command, std::size_t count, const char* form) {
  Args texts = PositionalOnly(rest);
  if (texts.size() != count) throw UsageError(std::string(command) + " takes " + form);
  return texts;
}

// The file's INI text. A missing or undecipherable file is a command error.
std::string ReadIniText(const std::string& path) {
  std::optional<std::string> text = storage::ReadIniFile(path);
  if (!text) throw CommandError(kExitDecipher, path + kDoesNotDecipher);
  return std::move(*text);
}

// A text whose enciphered file would pass the 1 MiB bound is refused: every reader would
// take that file for a damaged one.
void ReplaceWithText(const std::string& path, const std::string& text) {
  platform::ReplaceFileContent(path, storage::EncipherIniFile(path, text), platform::NewFile::Private);
}

void WriteOut(const std::string& bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0)
    throw CommandError(kExitFile, "standard output: cannot write");
}

int Get(const Args& rest) {
  const Args args = Texts(rest, "get", 3, "FILE SECTION KEY");
  const std::string text = ReadIniText(args[0]);
  WriteOut(storage::IniGetString(text, args[1], args[2], "", storage::kCryptIniReadBuffer).value + "\n");
  return kExitOk;
}

int Set(const Args& rest) {
  const Args args = Texts(rest, "set", 4, "FILE SECTION KEY VALUE");
  const std::string& path = args[0];
  std::string value = args[3] == "-" ? ReadStandardInputLine("value of " + args[2]) : args[3];
  const storage::WipeOnExit wipeValue(value);
  std::string changed;
  const storage::WipeOnExit wipeChanged(changed);
  try {
    storage::IniCheckWritable(args[1], args[2], value);
  } catch (const storage::IniValueError& e) {
    throw CommandError(kExitUsage, path + ": not written: " + e.what());
  }
  if (const std::optional<std::string> problem = storage::IniReadBackProblem(value))
    throw CommandError(kExitUsage, path + ": not written: the value of " + args[2] + " " + *problem);
  // The read, the edit and the replace are one turn: another writer's update between
  // them would be lost.
  const platform::RewriteLock lock(path);
  // An existing file that does not decipher is not overwritten: 'ini load' replaces it
  // on purpose.
  std::string text = platform::PathExists(path) ? ReadIniText(path) : std::string();
  const storage::WipeOnExit wipeText(text);
  changed = storage::IniWriteString(text, args[1], args[2], value);
  ReplaceWithText(path, changed);
  audit::Report(cards::FileWrittenEvent(path, args[1], args[2]));
  return kExitOk;
}

int Dump(const Args& rest) {
  const Args args = Texts(rest, "dump", 1, "one FILE");
  WriteOut(ReadIniText(args[0]));
  return kExitOk;
}

int Load(const Args& rest) {
  const Args args = Texts(rest, "load", 1, "one FILE");
  std::string text;
  char chunk[4096];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) text.append(chunk, n);
  if (std::ferror(stdin)) throw CommandError(kExitFile, "standard input: cannot read");
  const storage::WipeOnExit wipeText(text);
  const platform::RewriteLock lock(args[0]);
  ReplaceWithText(args[0], text);
  audit::Report(cards::FileWrittenEvent(args[0], "", ""));
  return kExitOk;
}

int RunIni(const Args& args) {
  // INI text passes through unchanged: no CR LF translation on the standard streams.
  platform::MakeStandardInputBinary();
  platform::MakeStandardOutputBinary();
  return RunSubcommand(args, {{"get", Get}, {"set", Set}, {"dump", Dump}, {"load", Load}});
}

}  // namespace

const CommandGroup kIniGroup = {"ini", "read and write enciphered INI files", kUsage, RunIni};

}  // namespace quandorctl
