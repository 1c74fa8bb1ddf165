// quandorctl doctor: the health of a kiosk for support, as text or as JSON to collect.
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "res/product.h"
#include "tools/quandorctl/doctor.h"
#include "tools/quandorctl/folders.h"
#include "tools/quandorctl/groups.h"

namespace quandorctl {
namespace {

constexpr char kUsage[] =
    "usage: quandorctl doctor [--dir DIR] [--folder DIR] [--format text|json]\n"
    "\n"
    "What support asks first, one line (or JSON member) per check, each ok, warning or\n"
    "problem with a short reason (skipped: not checked on this platform, or no card\n"
    "folder given). No output holds a password or a full card number.\n"
    "  --dir     the tray program's folder (default as for 'settings')\n"
    "  --folder  the card folder (on Windows C:\\Quandor-Authenticator\\CARD\\ by default;\n"
    "            elsewhere the card checks are skipped without it)\n"
    "checks:\n"
    "  settings_file   Settings.ini readable (missing: every key reads its default, ok)\n"
    "  host_file       SettingsHost.ini present and deciphering\n"
    "  host            HOST not empty           (the service cannot log anyone on without it)\n"
    "  local_password  LocalPassword not empty  (never shown)\n"
    "  read_marker     Read.txt present\n"
    "  service_ui      QuandorServiceUI.exe present\n"
    "  tray_program    QuandorAuthenticator.exe present, and its version\n"
    "  card_folder     readable, the number of cards\n"
    "  cards           cards that do not decipher or have an empty user, by masked number\n"
    "  foreign_files   other .dll files there that are program libraries, no cards\n"
    "  log_folder      with DEBUG on: the LOG folder exists and a file can be made in it\n"
    "  log_size        today's log file against the cap of 9999999 records\n"
    "  service         the service " QUANDOR_SERVICE_NAME " installed, and its state\n"
    "  service_start   its start type\n"
    "  run_value       the tray program's Run value (HKLM\\...\\CurrentVersion\\Run)\n"
    "The last three are Windows only; elsewhere they are skipped (not checked here).\n"
    "--format json prints one object, stable for collecting from many kiosks:\n"
    "  {\"format\": 1, \"quandorctl\": VERSION, \"folder\": DIR, \"cardFolder\": DIR,\n"
    "   \"status\": \"ok\"|\"warning\"|\"problem\",\n"
    "   \"checks\": {NAME: {\"status\": \"ok\"|\"warning\"|\"problem\"|\"skipped\", \"reason\": TEXT}, ...}}\n"
    "exit status: 0 every check ok or a warning, 4 any problem, 1 wrong usage.\n";

int RunDoctor(const Args& rest) {
  const ParsedArgs args(rest, {"--dir", "--folder", "--format"}, {});
  args.ExpectAtMostPositional(0);
  // A missing folder is one of the findings, not a failure of the command.
  const std::string dir = GivenSettingsFolder(args);
  // Off Windows the card folder is not fixed: without --folder its checks are skipped.
  const std::string cardFolder =
      platform::HasFixedProductFolders() || args.Value("--folder") ? GivenCardFolder(args) : std::string();
  const std::string format = args.Value("--format", "text");
  if (format != "text" && format != "json") throw UsageError("--format must be text or json, not '" + format + "'");
  const std::vector<DoctorCheck> checks = DiagnoseKiosk(dir, cardFolder, ReadKioskSystem(), platform::Now());
  if (format == "json") {
    platform::MakeStandardOutputBinary();  // the same bytes on every platform
    std::fputs(DoctorJson(checks, dir, cardFolder).c_str(), stdout);
  } else {
    std::fputs(DoctorText(checks).c_str(), stdout);
  }
  return DoctorExitStatus(checks);
}

}  // namespace

const CommandGroup kDoctorGroup = {"doctor", "check a kiosk's health for support", kUsage, RunDoctor,
                                   /*hasSubcommands=*/false};

}  // namespace quandorctl
