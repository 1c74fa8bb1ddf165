// quandorctl settings: shows and changes the settings that the tray program's settings
// dialog edits, with the dialog's read rules, written forms and store order.
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "platform/files.h"
#include "res/product.h"
#include "settings/service_request.h"
#include "settings/setting_rules.h"
#include "settings/settings_audit.h"
#include "settings/settings_form.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"
#include "storage/ini_text.h"
#include "storage/secret.h"
#include "tools/quandorctl/folders.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl settings show [--dir DIR] [--show-passwords]\n"
    "       quandorctl settings set [--dir DIR] [--local-password-stdin] [KEY=VALUE...]\n"
    "\n"
    "The settings of the tray program: Settings.ini (section ConfigSetting) and the\n"
    "enciphered SettingsHost.ini (section Settings) in DIR. DIR defaults to quandorctl's\n"
    "own folder on Windows and to the current folder elsewhere.\n"
    "  show  every key with its stored text (the default for a missing key) and what the\n"
    "        program takes it to mean. LocalPassword is masked unless --show-passwords.\n"
    "  set   checks every VALUE against the texts the settings dialog writes for its KEY\n"
    "        (key names are case-sensitive); when one is refused, nothing is written.\n"
    "        Then writes the given keys in the dialog's fixed order, tells the service\n"
    "        " QUANDOR_SERVICE_NAME
    " (control 134) and makes DIR/Read.txt exist, as the\n"
    "        dialog's Save and Close does. DEBUG is never written. LocalPassword is read\n"
    "        from standard input with --local-password-stdin (one line; a final line break\n"
    "        is dropped), never from the command line. A text with a blank at either end or\n"
    "        in quotes is refused: it would not read back as given.\n"
    "exit status: 0 success, 1 wrong usage or a refused value, 2 DIR is missing or a file\n"
    "cannot be read or written, 3 SettingsHost.ini does not decipher.\n";

constexpr char kDoesNotDecipher[] = ": does not decipher (empty, damaged, or enciphered with another pass phrase)";

// False when the enciphered file exists and does not decipher.
bool EncipheredFileReadable(const std::string& path) {
  if (!platform::PathExists(path)) return true;
  return storage::ReadIniFile(path).has_value();
}

// The one secret among the settings: the local machine's password.
constexpr char kSecretKey[] = "LocalPassword";
constexpr char kSecretStdinFlag[] = "--local-password-stdin";

bool IsSecret(const settings::SettingKey& key) { return std::string(key.name) == kSecretKey; }

void PrintKey(const settings::SettingKey& key, const std::string& stored, bool showSecret) {
  const std::string reading = settings::DescribeStoredValue(key, stored);
  const std::string shown = IsSecret(key) && !showSecret && !stored.empty() ? "********" : Quoted(stored);
  std::printf("%-20s %-12s %s%s%s\n", key.name, shown.c_str(), reading.c_str(), reading.empty() ? "" : ": ",
              key.meaning);
}

int Show(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {"--show-passwords"});
  args.ExpectAtMostPositional(0);
  const std::string dir = SettingsFolder(args);
  const bool showSecret = args.Flag("--show-passwords");
  const std::string hostFile = dir + settings::kEncipheredFileName;
  const std::string plainFile = dir + settings::kPlainFileName;
  const bool readable = EncipheredFileReadable(hostFile);
  const settings::SettingsRecord record = settings::LoadSettings(dir);
  storage::CIni ini;
  ini.SetPath(plainFile.c_str());

  std::printf("# %s, section [%s], enciphered%s\n", hostFile.c_str(), settings::kEncipheredSection,
              !platform::PathExists(hostFile) ? " (missing: every key reads empty)"
              : readable                      ? ""
                                              : " (does not decipher: every key reads empty)");
  bool plainHeader = false;
  for (const settings::SettingKey& key : settings::RecordKeys()) {
    if (key.file == settings::KeyFile::Plain && !plainHeader) {
      plainHeader = true;
      std::printf("# %s, section [%s]%s\n", plainFile.c_str(), storage::kConfigSection,
                  platform::PathExists(plainFile) ? "" : " (missing: every key reads its default)");
    }
    // DAILYKEY is not part of what the program reads; show what the file holds.
    PrintKey(key, key.rule == settings::ReadRule::NotRead ? ini.GetString(key.name, "") : record.*key.field,
             showSecret);
  }
  const settings::SettingKey& debug = settings::DebugKey();
  PrintKey(debug, ini.GetString(debug.name, debug.defaultValue), showSecret);
  if (!readable) throw CommandError(kExitDecipher, hostFile + kDoesNotDecipher);
  return kExitOk;
}

std::string KeyNames() {
  std::string names;
  for (const settings::SettingKey& key : settings::RecordKeys())
    names += (names.empty() ? "" : ", ") + std::string(key.name);
  return names;
}

// The KEY=VALUE arguments, and the password from standard input with
// --local-password-stdin, each checked; all refusals are reported together. A refused
// password is never echoed.
std::map<std::string, std::string> CheckedValues(const Args& args, bool passwordFromStdin) {
  if (args.empty() && !passwordFromStdin) throw UsageError("set needs at least one KEY=VALUE");
  std::map<std::string, std::string> values;
  std::string refusals;
  auto refuse = [&](const std::string& why) { refusals += (refusals.empty() ? "" : "\n") + why; };
  auto check = [&](const settings::SettingKey& key, const std::string& value) {
    const std::string name = key.name;
    if (values.count(name) != 0) {
      refuse(name + " is given twice");
    } else if (const std::optional<std::string> problem = settings::CheckWrittenForm(key, value)) {
      refuse((IsSecret(key) ? name : name + "=" + Quoted(value)) + " refused: " + name + " " + *problem);
    } else {
      values[name] = value;
    }
  };
  for (const std::string& arg : args) {
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos) {
      refuse("'" + arg + "' is not KEY=VALUE");
      continue;
    }
    const std::string name = arg.substr(0, eq);
    const settings::SettingKey* key = settings::FindSettingKey(name);
    if (key == nullptr) {
      refuse("unknown key '" + name + "' (keys: " + KeyNames() + ")");
    } else if (IsSecret(*key)) {
      refuse(name + " is never taken from the command line, where other processes and the shell history see it; use " +
             kSecretStdinFlag);
    } else {
      check(*key, arg.substr(eq + 1));
    }
  }
  if (passwordFromStdin) {
    std::string password = ReadStandardInputLine();
    check(*settings::FindSettingKey(kSecretKey), password);
    storage::WipeText(password);
  }
  if (!refusals.empty()) throw CommandError(kExitUsage, refusals + "\nnothing was written");
  return values;
}

int Set(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {kSecretStdinFlag});
  const std::string dir = SettingsFolder(args);
  const bool passwordFromStdin = args.Flag(kSecretStdinFlag);
  std::map<std::string, std::string> values = CheckedValues(args.Positional(), passwordFromStdin);
  const std::string hostFile = dir + settings::kEncipheredFileName;
  bool enciphered = false;
  for (const auto& entry : values)
    enciphered |= settings::FindSettingKey(entry.first)->file == settings::KeyFile::Enciphered;
  // A write would start the file afresh and drop whatever it holds.
  if (enciphered && !EncipheredFileReadable(hostFile)) {
    throw CommandError(kExitDecipher,
                       hostFile + kDoesNotDecipher + "; nothing was written (move it away to start afresh)");
  }
  const settings::SaveAudit trail(settings::StoredTexts(dir));
  const auto store = [&] {
    int written = 0;
    trail.Record([&] { written = settings::StoreSettingValues(dir, values); }, values);
    if (values.count(kSecretKey) != 0) storage::WipeText(values[kSecretKey]);
    std::string names;
    for (const char* name : settings::StoreOrder()) {
      if (values.count(name) != 0) names += (names.empty() ? "" : ", ") + std::string(name);
    }
    std::printf("wrote %d %s in %s: %s\n", written, written == 1 ? "key" : "keys", dir.c_str(), names.c_str());
    std::fflush(stdout);
  };
  const auto notifyService = [] {
    switch (settings::SendServiceRequest()) {
      case settings::ServiceNotice::Delivered:
        std::printf("told the service %s (control %u)\n", QUANDOR_SERVICE_NAME, settings::kSettingsChangedControl);
        break;
      case settings::ServiceNotice::Failed:
        std::fprintf(stderr, "quandorctl settings: warning: the service %s was not told (see above)\n",
                     QUANDOR_SERVICE_NAME);
        break;
      case settings::ServiceNotice::NothingToNotify:
        break;
    }
  };
  if (!settings::StoreNotifyAndMarkRead(dir, store, notifyService)) {
    throw CommandError(kExitFile, dir + settings::kReadMarkerFileName + ": cannot be made (the keys were written)");
  }
  return kExitOk;
}

int RunSettings(const Args& args) {
  if (args.empty()) throw UsageError("missing subcommand");
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "show") return Show(rest);
  if (args[0] == "set") return Set(rest);
  throw UsageError("unknown subcommand '" + args[0] + "'");
}

}  // namespace

const CommandGroup kSettingsGroup = {"settings", "show and change the tray program's settings", kUsage, RunSettings};

}  // namespace quandorctl
