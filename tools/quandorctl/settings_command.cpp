// quandorctl settings: shows and changes the settings that the tray program's settings
// dialog edits, with the dialog's read rules, written forms and store order.
#include <cstdio>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "res/product.h"
#include "settings/desired_state.h"
#include "settings/service_request.h"
#include "settings/setting_rules.h"
#include "settings/settings_audit.h"
#include "settings/settings_form.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"
#include "storage/ini_text.h"
#include "storage/latin1_text.h"
#include "storage/secret.h"
#include "tools/quandorctl/check_report.h"
#include "tools/quandorctl/folders.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsageHead[] =
    "usage: quandorctl settings show [--dir DIR] [--show-passwords] [--format text|json]\n"
    "       quandorctl settings get [--dir DIR] [--show-passwords] KEY\n"
    "       quandorctl settings set [--dir DIR] [--local-password-stdin] [KEY=VALUE...]\n"
    "       quandorctl settings check [--dir DIR] FILE\n"
    "       quandorctl settings apply [--dir DIR] [--local-password-stdin] FILE\n"
    "\n"
    "The settings of the tray program: Settings.ini (section ConfigSetting) and the\n"
    "enciphered SettingsHost.ini (section Settings) in DIR. DIR defaults to quandorctl's\n"
    "own folder on Windows and to the current folder elsewhere; a DIR that is missing or\n"
    "cannot be read is an error (exit status 2), and so is a Settings.ini that cannot be read.\n"
    "  show  every key with its stored text (the default for a missing key) and what the\n"
    "        program takes it to mean. LocalPassword is masked unless --show-passwords.\n"
    "        --format json prints one flat JSON object of every key the program reads to\n"
    "        its stored text (DAILYKEY and DEBUG left out): a desired state for check and\n"
    "        apply once LocalPassword is removed or given.\n"
    "  get   the stored text of KEY and a newline, as show gives it, for scripts;\n"
    "        LocalPassword only with --show-passwords.\n"
    "  set   checks every VALUE against the texts the settings dialog writes for its KEY\n"
    "        (key names are case-sensitive); when one is refused, nothing is written.\n"
    "        Then writes the given keys in the dialog's fixed order, tells the service\n"
    "        " QUANDOR_SERVICE_NAME
    " (control 134) and makes DIR/Read.txt exist, as the\n"
    "        dialog's Save and Close does. When the service cannot be told (not installed,\n"
    "        stopped), the keys stay saved and the exit status is 5, naming the failing\n"
    "        step. DEBUG is never written ('quandorctl log enable|disable' switches it).\n"
    "        LocalPassword is read from standard input with --local-password-stdin (one\n"
    "        line; from a terminal without echo), never from the command line. A text with\n"
    "        a blank at either end or in quotes is refused: it would not read back as given.\n"
    "  check FILE, a desired state: a JSON object of keys to texts such as\n"
    "        {\"HOST\": \"rd01.example\", \"DELAY\": \"600\"}, any of the keys set takes; a\n"
    "        whole number stands for its text (600 is \"600\"). Exit status 0 when every\n"
    "        key of FILE reads exactly as given, 1 when one differs, with a line for each\n"
    "        (DELAY: \"500\", wanted \"600\"; LocalPassword: differs). The output is UTF-8\n"
    "        and at most 2048 bytes, cut with \"... and N more\"; it never shows a password.\n"
    "        An unknown key, a value set refuses, a duplicate key, the mask \"********\" as\n"
    "        LocalPassword or text that is not JSON: exit status 1, naming the key or line.\n"
    "  apply FILE: writes only the keys whose text differs, as set writes them, tells the\n"
    "        service and makes Read.txt exist, and prints the names of the keys it changed;\n"
    "        when none differs it prints \"unchanged\", writes nothing and tells no one (a\n"
    "        second apply is a no-op). LocalPassword stands in FILE (protect the file) or\n"
    "        comes from standard input with --local-password-stdin. A refused value writes\n"
    "        nothing; when a write fails, the message names the keys that went in. As set,\n"
    "        it exits 5 when the keys were saved but the service could not be told.\n"
    "exit status: 0 success (check: every key as wanted), 1 wrong usage or a refused value\n"
    "(check: a key differs), 2 DIR is missing or a file cannot be read or written,\n"
    "3 SettingsHost.ini does not decipher, 5 saved, but the service was not told.\n"
    "\n"
    "keys (file, meaning, the texts set takes, the default of a missing key):\n";

// The usage with every key of the key table: what it means and which texts it takes.
const std::string& Usage() {
  static const std::string usage = [] {
    std::string text = kUsageHead;
    std::vector<const settings::SettingKey*> keys;
    for (const settings::SettingKey& key : settings::RecordKeys()) keys.push_back(&key);
    keys.push_back(&settings::DebugKey());
    for (const settings::SettingKey* key : keys) {
      const bool enciphered = key->file == settings::KeyFile::Enciphered;
      text += "  " + std::string(key->name) + " (" + (enciphered ? settings::kEncipheredFileName : settings::kPlainFileName) +
              "): " + key->meaning + "\n      takes " + settings::AllowedTexts(*key) +
              (key->form == settings::WrittenForm::NotWritten ? " ('quandorctl log enable|disable' writes \"1\" or \"0\")" : "") +
              "; default " +
              Quoted(key->defaultValue) + (enciphered ? " (a missing file reads empty)" : "") + "\n";
    }
    return text;
  }();
  return usage;
}

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

// Every key the program reads, to its stored text: a desired state as it stands.
void PrintJson(const settings::SettingsRecord& record, bool showSecret) {
  nlohmann::ordered_json object = nlohmann::ordered_json::object();
  for (const settings::SettingKey& key : settings::RecordKeys()) {
    if (key.rule == settings::ReadRule::NotRead) continue;
    const std::string& stored = record.*key.field;
    object[key.name] = IsSecret(key) && !showSecret && !stored.empty() ? settings::kMaskedSecret
                                                                        : storage::Latin1ToUtf8(stored);
  }
  platform::MakeStandardOutputBinary();  // the same bytes on every platform
  std::fputs((object.dump(2) + "\n").c_str(), stdout);
}

int Show(const Args& rest) {
  const ParsedArgs args(rest, {"--dir", "--format"}, {"--show-passwords"});
  args.ExpectAtMostPositional(0);
  const std::string dir = SettingsFolder(args);
  const bool showSecret = args.Flag("--show-passwords");
  const std::string format = args.Value("--format", "text");
  if (format != "text" && format != "json") throw UsageError("--format must be text or json, not '" + format + "'");
  ExpectReadableSettingsFile(dir);
  const std::string hostFile = dir + settings::kEncipheredFileName;
  if (format == "json") {
    const bool deciphers = EncipheredFileReadable(hostFile);
    PrintJson(settings::LoadSettings(dir), showSecret);
    if (!deciphers) throw CommandError(kExitDecipher, hostFile + kDoesNotDecipher);
    return kExitOk;
  }
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

std::string KeyNames();

int Get(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {"--show-passwords"});
  if (args.Positional().empty()) throw UsageError("get needs a KEY");
  args.ExpectAtMostPositional(1);
  const std::string& name = args.Positional().front();
  const settings::SettingKey* key = settings::FindSettingKey(name);
  if (key == nullptr) throw CommandError(kExitUsage, "unknown key '" + name + "' (keys: " + KeyNames() + ", DEBUG)");
  if (IsSecret(*key) && !args.Flag("--show-passwords"))
    throw CommandError(kExitUsage, std::string(kSecretKey) + " is printed only with --show-passwords");
  const std::string dir = SettingsFolder(args);
  std::string text;
  const storage::WipeOnExit wipeText(text);
  if (key->file == settings::KeyFile::Enciphered) {
    const std::string hostFile = dir + settings::kEncipheredFileName;
    if (!EncipheredFileReadable(hostFile)) throw CommandError(kExitDecipher, hostFile + kDoesNotDecipher);
    settings::SettingsRecord record = settings::LoadSettings(dir);
    text = record.*key->field;
    storage::WipeText(record.localPassword);
  } else {
    ExpectReadableSettingsFile(dir);
    storage::CIni ini;
    ini.SetPath((dir + settings::kPlainFileName).c_str());
    text = ini.GetString(key->name, key->rule == settings::ReadRule::NotRead ? "" : key->defaultValue);
  }
  text += '\n';
  std::fwrite(text.data(), 1, text.size(), stdout);
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
void CheckValues(const Args& args, bool passwordFromStdin, std::map<std::string, std::string>& values) {
  if (args.empty() && !passwordFromStdin) throw UsageError("set needs at least one KEY=VALUE");
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
    std::string password = ReadStandardInputLine(kSecretKey);
    check(*settings::FindSettingKey(kSecretKey), password);
    storage::WipeText(password);
  }
  if (!refusals.empty()) throw CommandError(kExitUsage, refusals + "\nnothing was written");
}

// Wipes every value of the list (the password among them) however the command ends.
class WipeValuesOnExit {
 public:
  explicit WipeValuesOnExit(std::map<std::string, std::string>& values) : m_values(values) {}
  ~WipeValuesOnExit() {
    for (auto& entry : m_values) storage::WipeText(entry.second);
  }
  WipeValuesOnExit(const WipeValuesOnExit&) = delete;
  WipeValuesOnExit& operator=(const WipeValuesOnExit&) = delete;

 private:
  std::map<std::string, std::string>& m_values;
};

// Runs `store`, tells the service and makes Read.txt exist, as the dialog's Save and
// Close does. A script must tell a save the service knows about from one it sees only at
// its next start: when the service could not be told, the keys stay saved and the exit
// status is 5, naming the steps that failed.
void StoreAndTellService(const std::string& dir, const std::function<void()>& store) {
  std::string failedSteps;
  const auto notifyService = [&] {
    if (settings::SendServiceRequest(&failedSteps) == settings::ServiceNotice::Delivered)
      std::printf("told the service %s (control %u)\n", QUANDOR_SERVICE_NAME, settings::kSettingsChangedControl);
  };
  const bool marked = settings::StoreNotifyAndMarkRead(dir, store, notifyService);
  const std::string notTold =
      failedSteps.empty() ? "" : std::string("the service ") + QUANDOR_SERVICE_NAME + " was not told: " + failedSteps;
  if (!marked) {
    throw CommandError(kExitFile, dir + settings::kReadMarkerFileName + ": cannot be made (the keys were saved" +
                                      (notTold.empty() ? "" : "; " + notTold) + ")");
  }
  if (!notTold.empty()) throw CommandError(kExitServiceNotTold, "saved, but " + notTold);
}

int Set(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {kSecretStdinFlag});
  const std::string dir = SettingsFolder(args);
  const bool passwordFromStdin = args.Flag(kSecretStdinFlag);
  std::map<std::string, std::string> values;
  const WipeValuesOnExit wipeValues(values);
  CheckValues(args.Positional(), passwordFromStdin, values);
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
  StoreAndTellService(dir, store);
  return kExitOk;
}

// A desired-state file is small; anything larger is a mistake (a log, a program).
constexpr std::uint64_t kLargestDesiredState = 1024 * 1024;

// The desired state of FILE (the one argument left), with the password from standard
// input when asked. Refusals are exit status 1 and name FILE.
settings::DesiredState ReadDesiredState(const ParsedArgs& args, bool passwordFromStdin) {
  if (args.Positional().empty()) throw UsageError("FILE (the desired state) is missing");
  args.ExpectAtMostPositional(1);
  const std::string file = args.Positional().front();
  const std::optional<std::string> text = platform::ReadWholeFileUpTo(file, kLargestDesiredState);
  if (!text) throw CommandError(kExitUsage, file + ": larger than 1 MiB, not a desired state; nothing was written");
  try {
    settings::DesiredState state = settings::ParseDesiredState(*text);
    if (passwordFromStdin) {
      std::string password = ReadStandardInputLine(kSecretKey);
      settings::AddLocalPassword(state, password);
      storage::WipeText(password);
    }
    return state;
  } catch (const settings::DesiredStateError& e) {
    throw CommandError(kExitUsage, file + ": " + e.what() + "\nnothing was written");
  }
}

bool HasEncipheredKey(const settings::DesiredState& state) {
  for (const auto& entry : state)
    if (settings::FindSettingKey(entry.first)->file == settings::KeyFile::Enciphered) return true;
  return false;
}

// The keys of `state` whose stored text differs, read as the program reads them. The
// enciphered file must decipher when the state holds one of its keys: its keys would
// otherwise compare as empty texts, and a write would drop what it holds.
std::vector<settings::KeyDifference> Differences(const std::string& dir, const settings::DesiredState& state) {
  const std::string hostFile = dir + settings::kEncipheredFileName;
  if (HasEncipheredKey(state) && !EncipheredFileReadable(hostFile))
    throw CommandError(kExitDecipher, hostFile + kDoesNotDecipher + "; nothing was written");
  return settings::DiffSettings(settings::ReadStoredTexts(dir), state);
}

int Check(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {});
  const std::string dir = SettingsFolder(args);
  const settings::DesiredState state = ReadDesiredState(args, false);
  const std::vector<settings::KeyDifference> differences = Differences(dir, state);
  platform::MakeStandardOutputBinary();  // LF line ends: the byte count is what a reader gets
  if (differences.empty()) {
    std::printf("every key as wanted (%zu %s)\n", state.size(), state.size() == 1 ? "key" : "keys");
    return kExitOk;
  }
  std::fputs(CheckReport(differences).c_str(), stdout);
  return kExitUsage;
}

std::string NameList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "none" : text;
}

// Wipes the password of a desired state and of its differences however apply ends.
class WipeSecretsOnExit {
 public:
  WipeSecretsOnExit(settings::DesiredState& state, std::vector<settings::KeyDifference>& differences)
      : m_state(state), m_differences(differences) {}
  ~WipeSecretsOnExit() {
    if (m_state.count(kSecretKey) != 0) storage::WipeText(m_state[kSecretKey]);
    for (settings::KeyDifference& d : m_differences) {
      if (!d.secret) continue;
      storage::WipeText(d.stored);
      storage::WipeText(d.wanted);
    }
  }
  WipeSecretsOnExit(const WipeSecretsOnExit&) = delete;
  WipeSecretsOnExit& operator=(const WipeSecretsOnExit&) = delete;

 private:
  settings::DesiredState& m_state;
  std::vector<settings::KeyDifference>& m_differences;
};

int Apply(const Args& rest) {
  const ParsedArgs args(rest, {"--dir"}, {kSecretStdinFlag});
  const std::string dir = SettingsFolder(args);
  const bool passwordFromStdin = args.Flag(kSecretStdinFlag);
  settings::DesiredState state = ReadDesiredState(args, passwordFromStdin);
  std::vector<settings::KeyDifference> differences;
  const WipeSecretsOnExit wipeSecrets(state, differences);
  try {
    differences = Differences(dir, state);
  } catch (const platform::FileError& e) {
    throw CommandError(kExitFile, e.what() + std::string("; nothing was written"));
  }
  if (differences.empty()) {
    std::printf("unchanged\n");
    return kExitOk;
  }
  std::map<std::string, std::string> values;
  const WipeValuesOnExit wipeValues(values);
  std::vector<std::string> names;
  for (const settings::KeyDifference& d : differences) {
    values[d.name] = d.wanted;
    names.push_back(d.name);
  }
  // Recorded as any save is: the event names the keys whose text changes.
  const settings::SaveAudit trail(settings::StoredTexts(dir));
  const auto store = [&] {
    try {
      trail.Record([&] { settings::StoreSettingValues(dir, values); }, values);
    } catch (const platform::FileError& e) {
      // Read back what went in: each file is as it was or as wanted, key by key.
      std::string outcome;
      try {
        std::vector<std::string> written, left;
        const settings::SettingTexts now = settings::ReadStoredTexts(dir);
        for (const settings::KeyDifference& d : differences)
          (now.at(d.name) == d.wanted ? written : left).push_back(d.name);
        outcome = "; written: " + NameList(written) + "; not written: " + NameList(left);
      } catch (const platform::FileError& again) {
        outcome = "; written: unknown (" + std::string(again.what()) + ")";
      }
      throw CommandError(kExitFile, e.what() + outcome);
    }
    std::printf("changed %s\n", NameList(names).c_str());
    std::fflush(stdout);
  };
  StoreAndTellService(dir, store);
  return kExitOk;
}

int RunSettings(const Args& args) {
  return RunSubcommand(args, {{"show", Show}, {"get", Get}, {"set", Set}, {"check", Check}, {"apply", Apply}});
}

}  // namespace

const CommandGroup kSettingsGroup = {"settings", "show and change the tray program's settings", Usage().c_str(),
                                     RunSettings};

}  // namespace quandorctl
