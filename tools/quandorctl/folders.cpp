#include "tools/quandorctl/folders.h"

#include <algorithm>
#include <cstdio>

#include "cards/card_files.h"
#include "platform/paths.h"

namespace quandorctl {

std::string AsFolder(std::string folder) {
  if (folder.empty()) throw UsageError("a folder must not be empty");
  const char last = folder.back();
  if (last != platform::PathSeparator() && last != '/') folder += platform::PathSeparator();
  return folder;
}

namespace {

// False when the option is absent; otherwise `folder` is its value as a folder.
bool TakeFolderOption(Args& args, const char* name, std::string& folder) {
  if (std::find(args.begin(), args.end(), name) == args.end()) return false;
  folder = AsFolder(TakeOption(args, name, ""));
  return true;
}

}  // namespace

std::string TakeSettingsFolder(Args& args) {
  std::string dir;
  if (TakeFolderOption(args, "--dir", dir)) return dir;
  return platform::ToolDefaultDirectory();
}

std::string TakeCardFolder(Args& args) {
  std::string folder;
  if (TakeFolderOption(args, "--folder", folder)) return folder;
  if (platform::HasFixedProductFolders()) return cards::kWindowsCardFolder;
  throw UsageError("--folder DIR is needed: the card folder is fixed only on Windows");
}

void ExpectNoMoreArguments(const Args& args) {
  if (!args.empty()) throw UsageError("unexpected argument '" + args.front() + "'");
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
