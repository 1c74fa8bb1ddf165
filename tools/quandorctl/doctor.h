// quandorctl doctor: what support asks of a kiosk first, as plain data. Each check has a
// stable name, a verdict and a short reason that never holds a secret; the same list
// prints as text lines or as one JSON document that a site collects from every kiosk.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/system_state.h"

namespace quandorctl {

enum class Verdict {
  Ok,
  Warning,  // worth a look; the kiosk works
  Problem,  // the kiosk cannot log anyone on, or will not after its next start
  Skipped,  // not checked on this platform or without the folder it needs
};
const char* VerdictName(Verdict verdict);  // "ok", "warning", "problem", "skipped"

struct DoctorCheck {
  std::string name;  // stable: settings_file, host_file, ... (see DiagnoseKiosk)
  Verdict verdict;
  std::string reason;
};

// What the operating system says about the service and the Run value.
struct KioskSystem {
  platform::ServiceInfo service;
  platform::RunValueInfo runValue;
};
KioskSystem ReadKioskSystem();

// The checks, in this order and under these names:
//   settings_file   Settings.ini readable (missing: defaults, ok)
//   host_file       SettingsHost.ini present and deciphering
//   host            HOST not empty
//   local_password  LocalPassword not empty (never shown)
//   read_marker     Read.txt present
//   service_ui      QuandorServiceUI.exe present
//   tray_program    QuandorAuthenticator.exe present, and its version
//   card_folder     readable, the number of cards            (skipped without a card folder)
//   cards           cards that do not decipher or have an empty user, by masked number
//   foreign_files   other .dll files there that are program libraries, no cards
//   log_folder      with DEBUG on: LOG exists and takes a new file
//   log_size        today's log file against the record cap
//   service         the service installed and its state      (skipped off Windows)
//   service_start   its start type
//   run_value       the tray program's Run value
// `directory` is the tray program's folder and `cardFolder` the card folder (both ending
// with the separator; an empty cardFolder skips the card checks).
std::vector<DoctorCheck> DiagnoseKiosk(const std::string& directory, const std::string& cardFolder,
                                       const KioskSystem& system, const platform::LocalTime& today);

// The last three checks alone, from what the system said.
std::vector<DoctorCheck> DiagnoseSystem(const KioskSystem& system);

// 4 when any check is a problem, else 0.
int DoctorExitStatus(const std::vector<DoctorCheck>& checks);

// One line per check: verdict, name, reason.
std::string DoctorText(const std::vector<DoctorCheck>& checks);

// {"format": 1, "quandorctl": VERSION, "folder": ..., "cardFolder": ..., "status": WORST,
//  "checks": {NAME: {"status": VERDICT, "reason": TEXT}, ...}}, two-space indented, UTF-8.
std::string DoctorJson(const std::vector<DoctorCheck>& checks, const std::string& directory,
                       const std::string& cardFolder);

// The file version of a Windows program from the fixed part of its version resource
// ("1.4.0.0"), found by its signature; nothing when the bytes hold none.
std::optional<std::string> FixedFileVersion(const std::string& programBytes);

}  // namespace quandorctl
