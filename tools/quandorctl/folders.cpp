#include "tools/quandorctl/folders.h"

#include <cstdio>
#include <optional>

#include "cards/card_files.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/settings_record.h"

namespace quandorctl {

std::string AsFolder(std::string folder) {
  if (folder.empty()) throw UsageError("a folder must not be empty");
  const char last = folder.back();
  if (last != platform::PathSeparator() && last != '/') folder += platform::PathSeparator();
  return folder;
}

namespace {

// A mistyped folder must not pass for an empty one: the defaults of a missing
// Settings.ini, or "no registered cards", would be shown for it.
std::string UsableFolder(const std::string& folder) {
  if (const std::optional<std::string> problem = platform::FolderProblem(folder))
    throw CommandError(kExitFile, folder + ": " + *problem);
  return folder;
}

}  // namespace

std::string GivenSettingsFolder(const ParsedArgs& args) {
  if (const std::optional<std::string> dir = args.Value("--dir")) return AsFolder(*dir);
  return platform::ToolDefaultDirectory();
}

std::string GivenCardFolder(const ParsedArgs& args) {
  if (const std::optional<std::string> folder = args.Value("--folder")) return AsFolder(*folder);
  if (platform::HasFixedProductFolders()) return cards::kWindowsCardFolder;
  throw UsageError("--folder DIR is needed: the card folder is fixed only on Windows");
}

std::string SettingsFolder(const ParsedArgs& args) { return UsableFolder(GivenSettingsFolder(args)); }

std::string CardFolder(const ParsedArgs& args) { return UsableFolder(GivenCardFolder(args)); }

void ExpectReadableSettingsFile(const std::string& dir) {
  const std::string path = dir + settings::kPlainFileName;
  if (!platform::PathExists(path)) return;
  // The profile functions read an unreadable file as one without keys; say so instead.
  platform::ReadOnlyFile file(path);
  char first;
  file.ReadSomeAt(0, &first, 1);
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::string Quoted(const std::string& text) { return "\"" + Escaped(text) + "\""; }

}  // namespace quandorctl
