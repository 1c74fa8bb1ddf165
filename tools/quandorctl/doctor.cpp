#include "tools/quandorctl/doctor.h"

#include <nlohmann/json.hpp>

#include "cards/card_files.h"
#include "log/log_file.h"
#include "log/placement.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "res/product.h"
#include "res/version.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini.h"
#include "storage/latin1_text.h"
#include "tools/quandorctl/cli.h"
#include "tools/quandorctl/folders.h"

namespace quandorctl {
namespace {

constexpr char kTrayProgram[] = "QuandorAuthenticator.exe";
constexpr char kServiceUi[] = "QuandorServiceUI.exe";
constexpr char kReadMarker[] = "Read.txt";
constexpr std::uint64_t kLargestProgram = 64 * 1024 * 1024;
// Names listed in one reason at most; the rest are counted.
constexpr std::size_t kNamesShown = 10;

DoctorCheck Ok(const char* name, std::string reason) { return {name, Verdict::Ok, std::move(reason)}; }
DoctorCheck Warn(const char* name, std::string reason) { return {name, Verdict::Warning, std::move(reason)}; }
DoctorCheck Bad(const char* name, std::string reason) { return {name, Verdict::Problem, std::move(reason)}; }
DoctorCheck Skip(const char* name, std::string reason) { return {name, Verdict::Skipped, std::move(reason)}; }

std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i) text += (i ? ", " : "") + names[i];
  if (names.size() > kNamesShown) text += " and " + std::to_string(names.size() - kNamesShown) + " more";
  return text;
}

DoctorCheck SettingsFile(const std::string& directory) {
  const std::string path = directory + settings::kPlainFileName;
  if (!platform::PathExists(path)) return Ok("settings_file", "missing: every key reads its default");
  try {
    platform::ReadWholeFile(path);
    return Ok("settings_file", "readable");
  } catch (const platform::FileError& e) {
    return Bad("settings_file", e.reason());
  }
}

// The host file's check; `readable` tells whether its keys could be read.
DoctorCheck HostFile(const std::string& directory, bool& readable) {
  const std::string path = directory + settings::kEncipheredFileName;
  readable = false;
  if (!platform::PathExists(path)) return Bad("host_file", "missing: HOST and LocalPassword read empty");
  try {
    if (!storage::ReadIniFile(path)) return Bad("host_file", "does not decipher: HOST and LocalPassword read empty");
  } catch (const platform::FileError& e) {
    return Bad("host_file", e.reason());
  }
  readable = true;
  return Ok("host_file", "deciphers");
}

void SettingsKeys(const std::string& directory, bool hostFileReadable, std::vector<DoctorCheck>& checks) {
  settings::SettingsRecord record;
  if (hostFileReadable) {
    try {
      record = settings::LoadSettings(directory);
    } catch (const platform::FileError&) {
      hostFileReadable = false;
    }
  }
  const std::string why = hostFileReadable ? "empty" : "reads empty (see host_file)";
  const std::string cannotLogOn = ": the service cannot log anyone on without it";
  checks.push_back(record.host.empty() || !hostFileReadable ? Bad("host", why + cannotLogOn)
                                                            : Ok("host", Quoted(record.host)));
  checks.push_back(record.localPassword.empty() || !hostFileReadable ? Bad("local_password", why + cannotLogOn)
                                                                     : Ok("local_password", "set"));
}

DoctorCheck TrayProgram(const std::string& directory) {
  const std::string path = directory + kTrayProgram;
  if (!platform::PathExists(path)) return Warn("tray_program", std::string(kTrayProgram) + " is not in this folder");
  try {
    const std::optional<std::string> bytes = platform::ReadWholeFileUpTo(path, kLargestProgram);
    const std::optional<std::string> version = bytes ? FixedFileVersion(*bytes) : std::nullopt;
    if (!version) return Warn("tray_program", "present, without a version resource");
    return Ok("tray_program", "version " + *version);
  } catch (const platform::FileError& e) {
    return Warn("tray_program", e.reason());
  }
}

bool IsProgramLibrary(const std::string& path) {
  try {
    platform::ReadOnlyFile file(path);
    char start[2] = {};
    return file.ReadSomeAt(0, start, 2) == 2 && start[0] == 'M' && start[1] == 'Z';
  } catch (const platform::FileError&) {
    return false;
  }
}

void CardChecks(const std::string& cardFolder, std::vector<DoctorCheck>& checks) {
  if (cardFolder.empty()) {
    const std::string why = "no card folder given (--folder DIR)";
    for (const char* name : {"card_folder", "cards", "foreign_files"}) checks.push_back(Skip(name, why));
    return;
  }
  if (!platform::IsDirectory(cardFolder)) {
    const bool exists = platform::PathExists(cardFolder);
    checks.push_back(exists ? Bad("card_folder", "not a folder") : Warn("card_folder", "missing: no card is registered"));
    checks.push_back(Skip("cards", "no card folder"));
    checks.push_back(Skip("foreign_files", "no card folder"));
    return;
  }
  std::vector<std::string> damaged, unreadable, withoutUser, libraries;
  int cardCount = 0;
  for (const cards::CardFile& card : cards::EnumerateCards(cardFolder)) {
    if (!card.readError.empty()) {
      ++cardCount;
      unreadable.push_back(card.mask);
      continue;
    }
    std::optional<std::string> text;
    try {
      text = storage::ReadIniFile(card.path);
    } catch (const platform::FileError&) {
      ++cardCount;
      unreadable.push_back(card.mask);
      continue;
    }
    if (!text) {
      if (IsProgramLibrary(card.path)) {
        libraries.push_back(card.fileName);
        continue;
      }
      damaged.push_back(card.mask);
    } else if (card.user.empty()) {
      withoutUser.push_back(card.mask);
    }
    ++cardCount;
  }
  checks.push_back(Ok("card_folder", std::to_string(cardCount) + (cardCount == 1 ? " card" : " cards")));
  std::string cardsReason;
  const auto add = [&](const std::vector<std::string>& masks, const char* what) {
    if (!masks.empty()) cardsReason += (cardsReason.empty() ? "" : "; ") + std::string(what) + ": " + Listed(masks);
  };
  add(damaged, "do not decipher");
  add(unreadable, "cannot be read");
  add(withoutUser, "empty user");
  if (!damaged.empty() || !unreadable.empty()) checks.push_back(Bad("cards", cardsReason));
  else if (!withoutUser.empty()) checks.push_back(Warn("cards", cardsReason));
  else checks.push_back(Ok("cards", cardCount == 0 ? "no cards" : "every card deciphers and has a user"));
  checks.push_back(libraries.empty()
                       ? Ok("foreign_files", "none")
                       : Warn("foreign_files", "program libraries, no cards: " + Listed(libraries)));
}

DoctorCheck LogFolder(const std::string& directory, bool debugOn) {
  if (!debugOn) return Ok("log_folder", "DEBUG is off: nothing is logged");
  const std::string folder = directory + "LOG" + platform::PathSeparator();
  if (!platform::IsDirectory(folder))
    return Warn("log_folder", "missing: DEBUG is on, and the tray program makes it when it starts");
  // A file of our own name, made and removed again: a file someone left there is kept.
  const std::string probe = folder + "quandorctl-doctor.probe";
  if (platform::PathExists(probe)) return Ok("log_folder", "present (not tried: " + probe + " exists)");
  try {
    platform::TouchFile(probe);
  } catch (const platform::FileError& e) {
    return Bad("log_folder", "DEBUG is on and no file can be made in it: " + e.reason());
  }
  platform::RemoveFile(probe);
  return Ok("log_folder", "present and writable");
}

DoctorCheck LogSize(const std::string& directory, const platform::LocalTime& today) {
  const std::string path = directory + "LOG" + platform::PathSeparator() + logging::LogFileName(today);
  if (!platform::PathExists(path)) return Ok("log_size", "no log file today");
  std::uint64_t size = 0;
  try {
    size = platform::FileSize(path);
  } catch (const platform::FileError& e) {
    return Warn("log_size", e.reason());
  }
  const std::uint64_t records = size / logging::kRecordBytes;
  const std::string cap = std::to_string(logging::kRecordCap);
  if (size % logging::kRecordBytes != 0)
    return Warn("log_size", std::to_string(size) + " bytes: not whole records of " +
                                std::to_string(logging::kRecordBytes) + " bytes");
  if (records >= static_cast<std::uint64_t>(logging::kRecordCap))
    return Warn("log_size", "at the cap of " + cap + " records: each entry drops the oldest");
  if (records >= static_cast<std::uint64_t>(logging::kRecordCap) / 10 * 9)
    return Warn("log_size", std::to_string(records) + " records, near the cap of " + cap);
  return Ok("log_size", std::to_string(records) + " records of at most " + cap);
}

const char* ServiceStateName(unsigned state) {
  switch (state) {
    case platform::kServiceStopped: return "stopped";
    case platform::kServiceStartPending: return "starting";
    case platform::kServiceStopPending: return "stopping";
    case platform::kServiceRunning: return "running";
    case platform::kServiceContinuePending: return "continuing";
    case platform::kServicePausePending: return "pausing";
    case platform::kServicePaused: return "paused";
  }
  return "in an unknown state";
}

}  // namespace

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Ok: return "ok";
    case Verdict::Warning: return "warning";
    case Verdict::Problem: return "problem";
    case Verdict::Skipped: return "skipped";
  }
  return "problem";
}

KioskSystem ReadKioskSystem() {
  return {platform::QueryServiceInfo(QUANDOR_SERVICE_NAME), platform::ReadMachineRunValue(QUANDOR_PRODUCT_NAME)};
}

std::vector<DoctorCheck> DiagnoseSystem(const KioskSystem& system) {
  using Presence = platform::ServiceInfo::Presence;
  const platform::ServiceInfo& service = system.service;
  const std::string name = QUANDOR_SERVICE_NAME;
  std::vector<DoctorCheck> checks;
  switch (service.presence) {
    case Presence::NotChecked:
      checks.push_back(Skip("service", "not checked here (no service control manager)"));
      checks.push_back(Skip("service_start", "not checked here"));
      break;
    case Presence::NotInstalled:
      checks.push_back(Bad("service", name + " is not installed"));
      checks.push_back(Skip("service_start", "the service is not installed"));
      break;
    case Presence::Unreadable:
      checks.push_back(Warn("service", name + " cannot be asked (error " + std::to_string(service.error) + ")"));
      checks.push_back(Skip("service_start", "the service cannot be asked"));
      break;
    case Presence::Installed: {
      const std::string state = ServiceStateName(service.state);
      if (service.state == platform::kServiceRunning) checks.push_back(Ok("service", state));
      else if (service.state == platform::kServiceStopped || service.state == platform::kServicePaused)
        checks.push_back(Bad("service", state + ": no card logs anyone on"));
      else checks.push_back(Warn("service", state));
      switch (service.startType) {
        case platform::kServiceAutoStart:
          checks.push_back(Ok("service_start", service.delayedStart ? "automatic (delayed)" : "automatic"));
          break;
        case platform::kServiceDemandStart:
          checks.push_back(Warn("service_start", "manual: it does not start with Windows"));
          break;
        case platform::kServiceDisabled:
          checks.push_back(Bad("service_start", "disabled: it cannot start"));
          break;
        default:
          checks.push_back(Warn("service_start", "start type " + std::to_string(service.startType) +
                                                     " (a driver's, not a service's)"));
          break;
      }
      break;
    }
  }
  const platform::RunValueInfo& run = system.runValue;
  if (!run.checked) checks.push_back(Skip("run_value", "not checked here (no registry)"));
  else if (!run.present) checks.push_back(Warn("run_value", "missing: the tray program does not start at log-on"));
  else checks.push_back(Ok("run_value", run.command));
  return checks;
}

std::vector<DoctorCheck> DiagnoseKiosk(const std::string& directory, const std::string& cardFolder,
                                       const KioskSystem& system, const platform::LocalTime& today) {
  std::vector<DoctorCheck> checks;
  checks.push_back(SettingsFile(directory));
  bool hostFileReadable = false;
  checks.push_back(HostFile(directory, hostFileReadable));
  SettingsKeys(directory, hostFileReadable, checks);
  checks.push_back(platform::PathExists(directory + kReadMarker)
                       ? Ok("read_marker", "present")
                       : Warn("read_marker", std::string(kReadMarker) + " is missing: no save has marked the settings"));
  checks.push_back(platform::PathExists(directory + kServiceUi)
                       ? Ok("service_ui", "present")
                       : Bad("service_ui", std::string(kServiceUi) + " is missing: Login RDP and Save Credentials fail"));
  checks.push_back(TrayProgram(directory));
  CardChecks(cardFolder, checks);
  const settings::SettingKey& debug = settings::DebugKey();
  bool debugOn = false;
  try {
    storage::CIni ini;
    ini.SetPath((directory + settings::kPlainFileName).c_str());
    debugOn = ini.GetString(debug.name, debug.defaultValue) != "0";
  } catch (const platform::FileError&) {
    // settings_file names the fault; the tray program then reads DEBUG as its default.
  }
  checks.push_back(LogFolder(directory, debugOn));
  checks.push_back(LogSize(directory, today));
  for (DoctorCheck& check : DiagnoseSystem(system)) checks.push_back(std::move(check));
  return checks;
}

int DoctorExitStatus(const std::vector<DoctorCheck>& checks) {
  for (const DoctorCheck& check : checks)
    if (check.verdict == Verdict::Problem) return kExitProblem;
  return kExitOk;
}

std::string DoctorText(const std::vector<DoctorCheck>& checks) {
  std::string text;
  for (const DoctorCheck& check : checks) {
    std::string verdict = VerdictName(check.verdict), name = check.name;
    verdict.resize(8, ' ');
    name.resize(15, ' ');
    text += verdict + name + check.reason + "\n";
  }
  return text;
}

std::string DoctorJson(const std::vector<DoctorCheck>& checks, const std::string& directory,
                       const std::string& cardFolder) {
  Verdict worst = Verdict::Ok;
  for (const DoctorCheck& check : checks) {
    if (check.verdict == Verdict::Problem) worst = Verdict::Problem;
    else if (check.verdict == Verdict::Warning && worst == Verdict::Ok) worst = Verdict::Warning;
  }
  nlohmann::ordered_json members = nlohmann::ordered_json::object();
  for (const DoctorCheck& check : checks)
    members[check.name] = {{"status", VerdictName(check.verdict)}, {"reason", storage::Latin1ToUtf8(check.reason)}};
  nlohmann::ordered_json document = {{"format", 1},
                                     {"quandorctl", QUANDOR_VERSION},
                                     {"folder", storage::Latin1ToUtf8(directory)},
                                     {"cardFolder", storage::Latin1ToUtf8(cardFolder)},
                                     {"status", VerdictName(worst)},
                                     {"checks", members}};
  return document.dump(2) + "\n";
}

std::optional<std::string> FixedFileVersion(const std::string& programBytes) {
  // VS_FIXEDFILEINFO: signature 0xFEEF04BD, structure version 0x00010000, then the file
  // version's high and low double words, little-endian. The resource lies near the end.
  static const std::string kStart("\xBD\x04\xEF\xFE\x00\x00\x01\x00", 8);
  const std::size_t at = programBytes.rfind(kStart);
  if (at == std::string::npos || at + 16 > programBytes.size()) return std::nullopt;
  const auto word = [&](std::size_t offset) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(programBytes[i])); };
    return b(at + offset) | (b(at + offset + 1) << 8);
  };
  // dwFileVersionMS at +8 (low word minor, high word major), dwFileVersionLS at +12.
  return std::to_string(word(10)) + "." + std::to_string(word(8)) + "." + std::to_string(word(14)) + "." +
         std::to_string(word(12));
}

}  // namespace quandorctl
