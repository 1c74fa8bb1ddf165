// Runs the quandorctl program of this build (beside this test in bin/) on fixture
// folders: its `settings` and `cards` groups, their output and their exit statuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>  // NOMINMAX comes from the build
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#endif

#include "cards/card_files.h"
#include "log/log_file.h"
#include "log/placement.h"
#include "platform/clock.h"
#include "storage/ini.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "settings/setting_rules.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/unit/quandorctl/run_quandorctl.h"
#include "tests/unit/test_folder.h"

namespace quandorctl_test {
namespace {

using testing_support::TestFolder;

void MakeCard(const TestFolder& dir, const std::string& fileName, const std::string& user,
              const std::string& password) {
  storage::CCryptIni file;
  file.m_strFileName = dir / fileName;
  file.Write(user, "USER", "Settings");
  file.Write(password, "PASSWORD", "Settings");
}

TEST(QuandorctlSettings, ShowListsEveryKeyWithItsMeaning) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nPRINTERS=yes\r\nEVERYHRS=1\r\nDEBUG=1\r\n");
  const Result r = Quandorctl("settings show --dir " + Arg(dir.path()));
  EXPECT_EQ(r.status, 0) << r.err;
  for (const settings::SettingKey& key : settings::RecordKeys()) {
    EXPECT_TRUE(Contains(r.out, "\n" + std::string(key.name) + " ")) << key.name << "\n" << r.out;
  }
  EXPECT_TRUE(Contains(r.out, "PRINTERS             \"yes\"        off (only \"1\" is on)")) << r.out;
  EXPECT_TRUE(Contains(r.out, "EVERYHRS             \"1\"          selects list item \"10\"")) << r.out;
  EXPECT_TRUE(Contains(r.out, "DEBUG                \"1\"          on")) << r.out;
  EXPECT_TRUE(Contains(r.out, "DELAY                \"500\"        500 milliseconds")) << r.out;
  EXPECT_TRUE(Contains(r.out, "(missing: every key reads empty)")) << r.out;
}

TEST(QuandorctlSettings, SetWritesTellsTheServiceAndMakesTheMarker) {
  TestFolder dir;
  const Result r = Quandorctl(
      "settings set --dir " + Arg(dir.path()) + " HOST=rd01 --local-password-stdin PRINTERS=0 EXPIRESAT=03:30",
      "p w\n");
  EXPECT_TRUE(Contains(r.out, "wrote 4 keys")) << r.out;
  EXPECT_TRUE(Contains(r.out, "PRINTERS, HOST, LocalPassword, EXPIRESAT")) << "the fixed order: " << r.out;
  const settings::SettingsRecord stored = settings::LoadSettings(dir.path());
  EXPECT_EQ(stored.host, "rd01");
  EXPECT_EQ(stored.localPassword, "p w");
  EXPECT_EQ(stored.printers, "0");
  EXPECT_EQ(stored.expiresAt, "03:30");
  EXPECT_EQ(stored.clipboard, "1") << "keys not given are not written";
  EXPECT_TRUE(platform::PathExists(dir / "Read.txt"));
#ifdef _WIN32
  // No such service here: the request's texts, the keys saved all the same, and a
  // status of its own, so that a script knows the service will see them only at its start.
  EXPECT_EQ(r.status, 5);
  EXPECT_TRUE(Contains(r.out, "Open SCM failed with error 1060")) << r.out;
  EXPECT_TRUE(Contains(r.err, "quandorctl settings: saved, but the service Quandor-Authenticator was not told: Open "
                              "SCM failed with error 1060"))
      << r.err;
#else
  EXPECT_EQ(r.status, 0) << r.err;
#endif
}

TEST(QuandorctlSettings, ARefusedValueWritesNothing) {
  TestFolder dir;
  const Result r =
      Quandorctl("settings set --dir " + Arg(dir.path()) +
                 " HOST=rd01 PRINTERS=yes EXPIRESAT=7:5 NOSUCH=1 DELAY=123456789012345678901234");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "PRINTERS=\"yes\" refused: PRINTERS must be \"1\" (on) or \"0\" (off)")) << r.err;
  EXPECT_TRUE(Contains(r.err, "EXPIRESAT=\"7:5\" refused")) << r.err;
  EXPECT_TRUE(Contains(r.err, "unknown key 'NOSUCH'")) << r.err;
  // No reader holds that number: it would be read as another delay.
  EXPECT_TRUE(Contains(r.err, "DELAY=\"123456789012345678901234\" refused: DELAY must be decimal digits "
                              "(milliseconds) up to 2147483647"))
      << r.err;
  EXPECT_TRUE(Contains(r.err, "nothing was written")) << r.err;
  EXPECT_EQ(dir.Listing(), "");
}

// The local password never stands on a command line (every process and the shell
// history see it), is masked when shown, and is never echoed when refused.
TEST(QuandorctlSettings, TheLocalPasswordIsNeverShownOrTakenFromTheCommandLine) {
  TestFolder dir;
  const Result onCommandLine = Quandorctl("settings set --dir " + Arg(dir.path()) + " HOST=h LocalPassword=hunter2");
  EXPECT_EQ(onCommandLine.status, 1);
  EXPECT_TRUE(Contains(onCommandLine.err, "use --local-password-stdin")) << onCommandLine.err;
  EXPECT_FALSE(Contains(onCommandLine.err, "hunter2")) << onCommandLine.err;
  EXPECT_EQ(dir.Listing(), "");

  const Result refused = Quandorctl("settings set --dir " + Arg(dir.path()) + " --local-password-stdin", " hunter2\n");
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Contains(refused.err, "LocalPassword refused: LocalPassword begins or ends with a blank")) << refused.err;
  EXPECT_FALSE(Contains(refused.err, "hunter2")) << refused.err;
  EXPECT_EQ(dir.Listing(), "");

  ASSERT_EQ(Quandorctl("settings set --dir " + Arg(dir.path()) + " --local-password-stdin", "hunter2\r\n").status, kSaved);
  EXPECT_EQ(settings::LoadSettings(dir.path()).localPassword, "hunter2");
  const Result masked = Quandorctl("settings show --dir " + Arg(dir.path()));
  EXPECT_EQ(masked.status, 0) << masked.err;
  EXPECT_FALSE(Contains(masked.out, "hunter2")) << masked.out;
  EXPECT_TRUE(Contains(masked.out, "LocalPassword        ********")) << masked.out;
  const Result shown = Quandorctl("settings show --dir " + Arg(dir.path()) + " --show-passwords");
  EXPECT_TRUE(Contains(shown.out, "LocalPassword        \"hunter2\"")) << shown.out;
}

TEST(QuandorctlIni, SetTakesAValueOfDashFromStandardInputAndRefusesWhatWouldNotReadBack) {
  TestFolder dir;
  const std::string file = Arg(dir / "SettingsHost.ini");
  ASSERT_EQ(Quandorctl("ini set " + file + " Settings LocalPassword -", "s3cret\n").status, 0);
  EXPECT_EQ(Quandorctl("ini get " + file + " Settings LocalPassword").out, "s3cret\n");
  for (const char* value : {"\" pw\"", "\"pw \"", "'\"pw\"'"}) {
    const Result r = Quandorctl("ini set " + file + " Settings HOST " + value);
    EXPECT_EQ(r.status, 1) << value;
    EXPECT_TRUE(Contains(r.err, "not written: the value of HOST")) << r.err;
  }
  const Result fromInput = Quandorctl("ini set " + file + " Settings LocalPassword -", "'quoted'\n");
  EXPECT_EQ(fromInput.status, 1);
  EXPECT_FALSE(Contains(fromInput.err, "quoted'")) << "a value is never echoed: " << fromInput.err;
  EXPECT_EQ(Quandorctl("ini dump " + file).out,
            "[Settings]\nLocalPassword=s3cret\n");  // line ends as the helper gives them
}

// A script's log must show the reason at once: wrong usage is the message and one line
// pointing at --help, a refused value only its message; the usage only when asked for
// or when no subcommand is given.
// A text whose enciphered file would pass 1 MiB would read as a damaged file ever after:
// load refuses it with the bound in the message and leaves the file as it was; a text
// just under the bound goes in.
TEST(QuandorctlIni, LoadRefusesATextBeyondTheBound) {
  TestFolder dir;
  const std::string file = Arg(dir / "SettingsHost.ini");
  ASSERT_EQ(Quandorctl("ini set " + file + " Settings HOST rd01").status, 0);
  const std::string before = dir.Read("SettingsHost.ini");
  const std::string line = "K=" + std::string(1000, 'v') + "\r\n";
  std::string large = "[Settings]\r\n", fits = large;
  while (large.size() <= storage::kLargestEncipheredFile) large += line;
  while (fits.size() + line.size() < storage::kLargestEncipheredFile - 4096) fits += line;
  const Result refused = Quandorctl("ini load " + file, large);
  EXPECT_EQ(refused.status, 2) << refused.err;
  EXPECT_TRUE(Contains(refused.err, "1 MiB")) << refused.err;
  EXPECT_EQ(dir.Read("SettingsHost.ini"), before);
  EXPECT_EQ(dir.Listing(), "SettingsHost.ini");
  EXPECT_EQ(Quandorctl("ini load " + file, fits).status, 0);
  EXPECT_EQ(storage::ReadIniFile(dir / "SettingsHost.ini"), fits);
}

TEST(QuandorctlSettings, ErrorsAreShort) {
  TestFolder dir;
  const std::string set = "settings set --dir " + Arg(dir.path());
  const std::string pointer = "Try 'quandorctl settings --help' for the usage.\n";
  struct Case {
    std::string args;
    std::string err;  // empty: the usage text follows the first line
  } cases[] = {
      {"settings frob", "quandorctl settings: unknown subcommand 'frob'\n" + pointer},
      {set, "quandorctl settings: set needs at least one KEY=VALUE\n" + pointer},
      {"settings show --dir", "quandorctl settings: --dir needs a value\n" + pointer},
      {"settings show --dir a --dir b", "quandorctl settings: --dir is given twice\n" + pointer},
      {"settings show --verbose",
       "quandorctl settings: unknown option '--verbose' (after -- it is taken as an argument)\n" + pointer},
      {"settings show extra", "quandorctl settings: unexpected argument 'extra'\n" + pointer},
      {set + " HOST", "quandorctl settings: 'HOST' is not KEY=VALUE\nnothing was written\n"},
      {set + " DEBUG=1",
       "quandorctl settings: DEBUG=\"1\" refused: DEBUG is never written by this program (edit Settings.ini by "
       "hand)\nnothing was written\n"},
      {set + " HOST=a HOST=b", "quandorctl settings: HOST is given twice\nnothing was written\n"},
      {"settings", ""},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl(c.args);
    EXPECT_EQ(r.status, 1) << c.args << "\n" << r.err;
    if (c.err.empty()) {
      EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), "quandorctl settings: missing subcommand\n");
      EXPECT_TRUE(Contains(r.err, "\nusage: quandorctl settings show")) << r.err;
    } else {
      EXPECT_EQ(r.err, c.err) << c.args;
    }
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(dir.Listing(), "");
}

// A value is a value wherever it stands, even "--help"; "--" ends the options; --help
// as an option shows the usage and does nothing else.
TEST(QuandorctlArguments, ValuesThatLookLikeOptions) {
  TestFolder dir;
  const std::string file = Arg(dir / "SettingsHost.ini");
  struct Case {
    std::string args;
    int status;
    std::string out;  // its beginning
  } cases[] = {
      {"ini set " + file + " Settings NOTE --help", 0, ""},
      {"ini get " + file + " Settings NOTE", 0, "--help\n"},
      {"ini set -- " + file + " Settings -- --", 0, ""},
      {"ini get " + file + " Settings --", 0, "--\n"},
      {"ini set --help", 0, "usage: quandorctl ini"},
      {"ini --help", 0, "usage: quandorctl ini"},
      {"settings set --dir " + Arg(dir.path()) + " --help HOST=h", 0, "usage: quandorctl settings"},
      {"settings set --dir " + Arg(dir.path()) + " -- --local-password-stdin", 1, ""},
      {"settings show --dir -- " + Arg(dir.path()), 1, ""},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl(c.args, "from standard input\n");
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out.substr(0, c.out.size()), c.out) << c.args;
  }
  EXPECT_EQ(dir.Listing(), "SettingsHost.ini") << "--help in front of HOST=h shows the usage only";
}

TEST(QuandorctlSettings, AnEncipheredFileThatDoesNotDecipherIsNotOverwritten) {
  TestFolder dir;
  dir.Write("SettingsHost.ini", "written with another pass phrase");
  const Result set = Quandorctl("settings set --dir " + Arg(dir.path()) + " HOST=rd01");
  EXPECT_EQ(set.status, 3) << set.err;
  EXPECT_EQ(dir.Read("SettingsHost.ini"), "written with another pass phrase");
  const Result plain = Quandorctl("settings set --dir " + Arg(dir.path()) + " DELAY=9");
  EXPECT_EQ(plain.status, kSaved) << "plain keys do not touch the enciphered file: " << plain.err;
  const Result show = Quandorctl("settings show --dir " + Arg(dir.path()));
  EXPECT_EQ(show.status, 3);
  EXPECT_TRUE(Contains(show.out, "DELAY                \"9\"")) << "the keys are shown all the same: " << show.out;
}

TEST(QuandorctlSettings, AFileThatCannotBeWrittenIsExitStatusTwo) {
  TestFolder dir;
  ASSERT_TRUE(platform::MakeDirectory(dir / "Settings.ini"));
  const Result r = Quandorctl("settings set --dir " + Arg(dir.path()) + " PRINTERS=0");
  EXPECT_EQ(r.status, 2) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "Settings.ini")) << r.err;
  EXPECT_FALSE(platform::PathExists(dir / "Read.txt")) << "no marker after a failed write";
}

TEST(QuandorctlSettings, GetPrintsTheOneStoredText) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nDELAY=12abc\r\nDEBUG=1\r\n");
  ASSERT_EQ(Quandorctl("settings set --dir " + Arg(dir.path()) + " HOST=rd01 --local-password-stdin", "pw\n").status,
            kSaved);
  TestFolder junk;
  junk.Write("SettingsHost.ini", "enciphered with another pass phrase");
  const std::string in = " --dir " + Arg(dir.path());
  struct Case {
    std::string args;
    int status;
    std::string out;
    const char* err;
  } cases[] = {
      {"settings get" + in + " HOST", 0, "rd01\n", ""},
      {"settings get" + in + " DELAY", 0, "12abc\n", ""},
      {"settings get" + in + " CLIPBOARD", 0, "1\n", ""},  // the default of a missing key
      {"settings get" + in + " DEBUG", 0, "1\n", ""},
      {"settings get" + in + " DAILYKEY", 0, "\n", ""},  // what the file holds, as show gives it
      {"settings get" + in + " --show-passwords LocalPassword", 0, "pw\n", ""},
      {"settings get" + in + " LocalPassword", 1, "", "printed only with --show-passwords"},
      {"settings get" + in + " host", 1, "", "unknown key 'host'"},
      {"settings get" + in, 1, "", "get needs a KEY"},
      {"settings get" + in + " HOST DELAY", 1, "", "unexpected argument 'DELAY'"},
      {"settings get --dir " + Arg(junk.path()) + " HOST", 3, "", "does not decipher"},
      {"settings get --dir " + Arg(junk.path()) + " DELAY", 0, "500\n", ""},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    EXPECT_TRUE(Contains(r.err, c.err)) << c.args << "\n" << r.err;
  }
}

TEST(QuandorctlSettings, HelpListsEveryKeyWithItsMeaningAndTexts) {
  const Result help = Quandorctl("settings --help");
  ASSERT_EQ(help.status, 0);
  std::vector<settings::SettingKey> keys = settings::RecordKeys();
  keys.push_back(settings::DebugKey());
  for (const settings::SettingKey& key : keys) {
    const std::string entry = "  " + std::string(key.name) + " (";
    const std::size_t at = help.out.find(entry);
    ASSERT_NE(at, std::string::npos) << key.name;
    const std::string lines = help.out.substr(at, help.out.find('\n', help.out.find('\n', at) + 1) - at);  // two
    EXPECT_TRUE(Contains(lines, key.meaning)) << lines;
    EXPECT_TRUE(Contains(lines, "takes " + settings::AllowedTexts(key))) << lines;
  }
}

// A mistyped folder is no empty one: the defaults, or "no registered cards", shown for
// it would mislead a script. A Settings.ini that cannot be read is no missing one either.
TEST(QuandorctlFolders, AMissingOrUnreadableFolderOrSettingsFileIsExitStatusTwo) {
  TestFolder dir;
  dir.Write("a-file", "");
  const std::string missing = dir / "nope";
  const std::string file = dir / "a-file";
  TestFolder unreadable;
  ASSERT_TRUE(platform::MakeDirectory(unreadable / "Settings.ini"));
  TestFolder cards;
  MakeCard(cards, "1234.dll", "alice", "pw");
  struct Case {
    std::string args;
    std::string named;
  } cases[] = {
      {"settings show --dir " + Arg(missing), missing},
      {"settings show --dir " + Arg(file), file},
      {"settings get --dir " + Arg(missing) + " DELAY", missing},
      {"settings set --dir " + Arg(missing) + " PRINTERS=0", missing},
      {"settings set --dir " + Arg(file) + " HOST=h", file},
      {"cards list --folder " + Arg(missing), missing},
      {"cards list --folder " + Arg(file), file},
      {"cards reset --yes --folder " + Arg(missing), missing},
      {"cards delete 1234 --folder " + Arg(missing), missing},
      {"cards list --folder " + Arg(cards.path()) + " --dir " + Arg(missing), missing},
      {"settings show --dir " + Arg(unreadable.path()), unreadable / "Settings.ini"},
      {"settings get DELAY --dir " + Arg(unreadable.path()), unreadable / "Settings.ini"},
      {"cards list --folder " + Arg(cards.path()) + " --dir " + Arg(unreadable.path()), unreadable / "Settings.ini"},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl(c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.err;
    EXPECT_TRUE(Contains(r.err, c.named)) << c.args << "\n" << r.err;
    EXPECT_FALSE(Contains(r.err, ".tmp")) << r.err;
    EXPECT_EQ(r.out, "") << c.args;
  }
  EXPECT_EQ(dir.Listing(), "a-file");
  EXPECT_EQ(cards.Listing(), "1234.dll");
}

// Support's switch for the tray program's log, and its day's file.
TEST(QuandorctlLog, EnableDisableAndTheDaysLog) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nPRINTERS=0\r\n");
  ASSERT_TRUE(platform::MakeDirectory(dir / "LOG"));
  const std::string record(logging::kRecordBytes, ' ');
  const std::string logFolder = "LOG" + std::string(1, platform::PathSeparator());
  dir.Write(logFolder + logging::LogFileName(platform::Now()), record + record);
  dir.Write(logFolder + "02292024.log", record);
  const std::string in = " --dir " + Arg(dir.path());
  struct Case {
    std::string args;
    int status;
    const char* debug;  // DEBUG in Settings.ini afterwards
    std::size_t lines;  // of standard output
    std::string err;
  } cases[] = {
      {"log enable" + in, 0, "1", 1, ""},
      {"log show" + in, 0, "1", 2, "record"},
      {"log show --date 2024-02-29" + in, 0, "1", 1, ""},
      {"log show --date 2024-03-01" + in, 2, "1", 0, "03012024.log"},
      {"log show --date 2023-02-29" + in, 1, "1", 0, "--date must be a day as YYYY-MM-DD"},
      {"log disable" + in, 0, "0", 1, ""},
      {"log enable --dir " + Arg(dir / "nope"), 2, "0", 0, dir / "nope"},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_EQ(static_cast<std::size_t>(std::count(r.out.begin(), r.out.end(), '\n')), c.lines) << c.args << "\n" << r.out;
    EXPECT_TRUE(Contains(r.err, c.err)) << c.args << "\n" << r.err;
    storage::CIni ini;
    ini.SetPath((dir / "Settings.ini").c_str());
    EXPECT_EQ(ini.GetString("DEBUG", "absent"), c.debug) << c.args;
  }
  EXPECT_TRUE(Contains(dir.Read("Settings.ini"), "PRINTERS=0")) << "other keys stay";
}

#ifdef _WIN32
// quandorctl with `args` and a folder's handle as standard input, whose reads fail (cmd
// refuses to redirect from a folder, so the process is started here).
Result WithAFolderAsStandardInput(const std::string& args, const std::string& folder) {
  TestFolder io;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const HANDLE input = CreateFileA(folder.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  const HANDLE out = CreateFileA((io / "out").c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
  const HANDLE err = CreateFileA((io / "err").c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = out;
  startup.hStdError = err;
  std::string command = Arg(platform::ProgramDirectory() + "quandorctl.exe") + " " + args;
  PROCESS_INFORMATION process = {};
  Result r;
  if (input != INVALID_HANDLE_VALUE &&
      CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    r.status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  for (const HANDLE h : {input, out, err}) CloseHandle(h);
  r.out = io.Read("out");
  r.err = io.Read("err");
  return r;
}
#endif

// A secret that could not be read is no empty secret: nothing is stored for it. An
// empty line still is a valid empty password.
TEST(QuandorctlSecrets, AReadErrorOnStandardInputStoresNothing) {
  TestFolder dir;
  MakeCard(dir, "1234.dll", "alice", "old");
  const std::string card = dir.Read("1234.dll");
  TestFolder folder;  // as standard input: its read fails
  const std::string commands[] = {
      "settings set --dir " + Arg(dir.path()) + " --local-password-stdin",
      "ini set " + Arg(dir / "SettingsHost.ini") + " Settings LocalPassword -",
      "cards set-account --folder " + Arg(dir.path()) + " 1234 --user bob --password-stdin",
  };
#ifdef _WIN32
  const std::vector<std::string> unreadable = {"a folder"};
#else
  const std::vector<std::string> unreadable = {"< " + Arg(folder.path()), "<&-" /* closed */};
#endif
  for (const std::string& command : commands) {
    for (const std::string& input : unreadable) {
#ifdef _WIN32
      const Result r = WithAFolderAsStandardInput(command, folder.path().substr(0, folder.path().size() - 1));
#else
      const Result r = Quandorctl(command, "", "", input);
#endif
      EXPECT_EQ(r.status, 2) << command << " " << input << "\n" << r.err;
      EXPECT_TRUE(Contains(r.err, "standard input: cannot read; nothing was written")) << command << "\n" << r.err;
      EXPECT_EQ(dir.Listing(), "1234.dll") << command << " " << input;
      EXPECT_EQ(dir.Read("1234.dll"), card) << command << " " << input;
    }
  }
  for (const char* empty : {"", "\n", "\r\n"}) {
    const Result set = Quandorctl(commands[0], empty);
    EXPECT_EQ(set.status, kSaved) << set.err;
    const Result ini = Quandorctl(commands[1], empty);
    EXPECT_EQ(ini.status, 0) << ini.err;
    EXPECT_EQ(Quandorctl("ini get " + Arg(dir / "SettingsHost.ini") + " Settings LocalPassword").out, "\n");
    const Result account = Quandorctl(commands[2], empty);
    EXPECT_EQ(account.status, 0) << account.err;
  }
}

#ifndef _WIN32
// A password typed at a terminal: a prompt on stderr, no echo, and Enter ends it (the
// terminal is never closed here, so waiting for the end of input would hang).
TEST(QuandorctlSecrets, APasswordFromATerminalIsOneLineWithoutEcho) {
  TestFolder dir;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string terminal = ptsname(master);
  const std::string program = platform::ProgramDirectory() + "quandorctl";
  const std::string file = dir / "SettingsHost.ini";
  const pid_t child = fork();
  if (child == 0) {
    setsid();
    const int slave = open(terminal.c_str(), O_RDWR);  // becomes the controlling terminal
    const int out = open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(slave, 0);
    dup2(slave, 2);
    dup2(out, 1);
    execl(program.c_str(), program.c_str(), "ini", "set", file.c_str(), "Settings", "LocalPassword", "-",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string shown;
  char buffer[256];
  const auto readTerminal = [&] {
    pollfd p = {master, POLLIN, 0};
    while (poll(&p, 1, 100) > 0) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      shown.append(buffer, static_cast<std::size_t>(n));
    }
  };
  for (int i = 0; i < 100 && !Contains(shown, "value of LocalPassword: "); ++i) {
    readTerminal();
    usleep(100000);
  }
  ASSERT_EQ(write(master, "s3cr et\n", 8), 8);
  int raw = 0;
  bool ended = false;
  for (int i = 0; i < 100 && !ended; ++i) {  // up to 10 s
    readTerminal();
    ended = waitpid(child, &raw, WNOHANG) == child;
    if (!ended) usleep(100000);
  }
  if (!ended) {
    kill(child, SIGKILL);
    waitpid(child, &raw, 0);
  }
  close(master);
  ASSERT_TRUE(ended) << "Enter did not end the password; the terminal showed: " << shown;
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << shown;
  EXPECT_TRUE(Contains(shown, "value of LocalPassword: ")) << shown;
  EXPECT_FALSE(Contains(shown, "s3cr")) << "echoed: " << shown;
  EXPECT_EQ(Quandorctl("ini get " + Arg(file) + " Settings LocalPassword").out, "s3cr et\n");
}
#endif

class QuandorctlCards : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeCard(cards, "ABCDEF12.dll", "alice", "a-pw");
    MakeCard(cards, "12AB34.dll", "bob", "b-pw");
    MakeCard(cards, "12CD34.dll", "bob", "c-pw");
    ASSERT_TRUE(platform::MakeDirectory(cards / "x.dll"));
    settingsDir.Write("Settings.ini", "[ConfigSetting]\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\n");
  }
  std::string Folder() const { return " --folder " + Arg(cards.path()); }
  std::string List(const std::string& options) const {
    const Result r = Quandorctl("cards list" + Folder() + " --dir " + Arg(settingsDir.path()) + " " + options);
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
  }
  TestFolder cards;
  TestFolder settingsDir;
};

TEST_F(QuandorctlCards, ListShowsMaskedNumbersAndNoPasswords) {
  const std::string out = List("");
  EXPECT_TRUE(Contains(out, "Username  Card Number  Expires\n")) << out;
  EXPECT_TRUE(Contains(out, "alice     ABXXXX12     03:30\n")) << out;
  EXPECT_TRUE(Contains(out, "bob       12XXXX34     03:30\n")) << out;
  EXPECT_FALSE(Contains(out, "pw")) << out;
  EXPECT_FALSE(Contains(out, "ABCDEF12")) << out;
  EXPECT_FALSE(Contains(out, "x.dll")) << out;
}

TEST_F(QuandorctlCards, PasswordsAndFullNumbersOnlyWhenAsked) {
  const std::string out = List("--show-passwords --full-numbers");
  EXPECT_TRUE(Contains(out, "Username  Card Number  Expires  Password  File\n")) << out;
  EXPECT_TRUE(Contains(out, "alice     ABCDEF12     03:30    a-pw      ABCDEF12.dll\n")) << out;
  EXPECT_TRUE(Contains(out, "bob       12CD34       03:30    c-pw      12CD34.dll\n")) << out;
}

TEST_F(QuandorctlCards, CsvAndJson) {
  const std::string csv = List("--format csv");
  EXPECT_EQ(csv.substr(0, csv.find('\n') + 1), "Username,Card Number,Expires\n");
  EXPECT_TRUE(Contains(csv, "\nalice,ABXXXX12,03:30\n")) << csv;
  const std::string json = List("--format json --show-passwords");
  EXPECT_TRUE(Contains(
      json, "{\"user\": \"alice\", \"cardNumber\": \"ABXXXX12\", \"expires\": \"03:30\", \"password\": \"a-pw\"}"))
      << json;
  EXPECT_EQ(json.front(), '[');
}

TEST(QuandorctlCardsJson, EscapesKeepTheirSpelling) {
  // Scripts compare the list byte for byte: every escape is \u with upper-case hex.
  TestFolder dir;
  MakeCard(dir, "99887766.dll", "Jos\xE9\tx\x7F\x01\x08\x0Cz", "p\"w\\x");
  const Result r = Quandorctl("cards list --format json --show-passwords --folder " + Arg(dir.path()) + " --dir " +
                              Arg(dir.path()));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "[\n  {\"user\": \"Jos\\u00E9\\u0009x\\u007F\\u0001\\u0008\\u000Cz\", \"cardNumber\": \"99XXXX66\", "
            "\"expires\": \"on Restart\", \"password\": \"p\\\"w\\\\x\"}\n]\n");
}

TEST_F(QuandorctlCards, AnEmptyFolder) {
  TestFolder empty;
  const Result table = Quandorctl("cards list --folder " + Arg(empty.path()));
  EXPECT_EQ(table.status, 0);
  EXPECT_EQ(table.out, "No registered cards available\n");
  EXPECT_EQ(Quandorctl("cards list --format json --folder " + Arg(empty.path())).out, "[]\n");
}

TEST_F(QuandorctlCards, ACardThatDoesNotDecipherIsListedAndNamed) {
  cards.Write("BAD0.dll", "junk");
  const Result r = Quandorctl("cards list" + Folder());
  EXPECT_EQ(r.status, 3);
  EXPECT_TRUE(Contains(r.out, "BAXXXXD0")) << r.out;
  EXPECT_TRUE(Contains(r.err, "BAD0.dll: does not decipher")) << r.err;
}

TEST_F(QuandorctlCards, SetAccountReadsThePasswordFromStandardInput) {
  const Result r =
      Quandorctl("cards set-account" + Folder() + " 12CD34 --user carol --password-stdin", "new secret\r\n");
  EXPECT_EQ(r.status, 0) << r.err;
  for (const cards::CardFile& card : cards::EnumerateCards(cards.path())) {
    if (card.fileName == "12CD34.dll") {
      EXPECT_EQ(card.user, "carol");
      EXPECT_EQ(card.password, "new secret");
    } else {
      EXPECT_NE(card.user, "carol") << card.fileName << " is not touched";
    }
  }
  const Result empty = Quandorctl("cards set-account" + Folder() + " 12CD34.dll --user carol --password-stdin", "");
  EXPECT_EQ(empty.status, 0) << empty.err;
  EXPECT_EQ(
      storage::IniGetString(storage::DecipherIniFile(cards.Read("12CD34.dll")).value(), "Settings", "PASSWORD", "?", 99)
          .value,
      "");
}

TEST_F(QuandorctlCards, SetAccountRefusals) {
  const std::string before = cards.Read("12AB34.dll");
  struct Case {
    std::string args;
    std::string input;
    int status;
    const char* says;
  } cases[] = {
      {" 12AB34 --user bob --password hunter2", "", 1, "never taken from the command line"},
      {" 12AB34 --user bob", "x", 1, "needs --password-stdin"},
      {" 12AB34 --password-stdin", "x", 1, "needs --user"},
      {" 12AB34 --user \"\" --password-stdin", "x", 1, "must not be empty"},
      {" 12AB34 --user bob --password-stdin", "two\nlines\n", 1, "one line"},
      {" 1234 --user bob --password-stdin", "x", 2, "no card \"1234\""},
      {" --user bob --password-stdin", "x", 1, "needs a CARD"},
      // Values that would not read back as given: the log-on would fail without a word.
      {" 12AB34 --user \" bob\" --password-stdin", "x", 1, "the user name begins or ends with a blank"},
      {" 12AB34 --user \"   \" --password-stdin", "x", 1, "the user name begins or ends with a blank"},
      {" 12AB34 --user bob --password-stdin", "pw \n", 1, "the password begins or ends with a blank"},
      {" 12AB34 --user bob --password-stdin", "\"pw\"\n", 1, "the password is enclosed in quotes"},
  };
  for (const Case& c : cases) {
    const Result r = Quandorctl("cards set-account" + Folder() + c.args, c.input);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_TRUE(Contains(r.err, c.says)) << c.args << "\n" << r.err;
  }
  EXPECT_EQ(cards.Read("12AB34.dll"), before);
  EXPECT_FALSE(platform::PathExists(cards / "1234.dll")) << "a card is never created";
}

TEST_F(QuandorctlCards, ACardNumberOfTwoFilesMustBeGivenByFileName) {
  MakeCard(cards, "12.dll34.dll", "dave", "d");
  MakeCard(cards, "1234.dll", "erin", "e");
  const Result r = Quandorctl("cards delete" + Folder() + " 1234");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "give the file name")) << r.err;
  EXPECT_TRUE(platform::PathExists(cards / "1234.dll"));
  EXPECT_EQ(Quandorctl("cards delete" + Folder() + " 12.dll34.dll").status, 0);
  EXPECT_FALSE(platform::PathExists(cards / "12.dll34.dll"));
  EXPECT_TRUE(platform::PathExists(cards / "1234.dll"));
}

TEST_F(QuandorctlCards, DeleteRemovesThatCardOnly) {
  EXPECT_EQ(Quandorctl("cards delete" + Folder() + " 12AB34").status, 0);
  EXPECT_EQ(cards.Listing(), "12CD34.dll ABCDEF12.dll x.dll");
  const Result again = Quandorctl("cards delete" + Folder() + " 12AB34");
  EXPECT_EQ(again.status, 2);
  EXPECT_TRUE(Contains(again.err, "no card")) << again.err;
}

// A mistyped --folder must not wipe a program's libraries: a ".dll" that is no card
// stops the reset, named, unless --force.
TEST_F(QuandorctlCards, ResetRefusesAFolderHoldingOtherDlls) {
  cards.Write("kernel-helper.dll", "MZ\x90 a program library");
  const Result refused = Quandorctl("cards reset" + Folder() + " --yes");
  EXPECT_EQ(refused.status, 3);
  EXPECT_TRUE(Contains(refused.err, cards / "kernel-helper.dll")) << refused.err;
  EXPECT_FALSE(Contains(refused.err, "12AB34.dll")) << "cards are not named: " << refused.err;
  EXPECT_TRUE(Contains(refused.err, "--force")) << refused.err;
  EXPECT_EQ(cards.Listing(), "12AB34.dll 12CD34.dll ABCDEF12.dll kernel-helper.dll x.dll");
  const Result forced = Quandorctl("cards reset" + Folder() + " --yes --force");
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_TRUE(Contains(forced.out, "removed 4 card files")) << forced.out;
  EXPECT_EQ(cards.Listing(), "x.dll");
}

TEST_F(QuandorctlCards, ResetNeedsYes) {
  const Result refused = Quandorctl("cards reset" + Folder());
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(Contains(refused.err, "add --yes")) << refused.err;
  EXPECT_EQ(cards.Listing(), "12AB34.dll 12CD34.dll ABCDEF12.dll x.dll");
  const Result done = Quandorctl("cards reset" + Folder() + " --yes");
  EXPECT_EQ(done.status, 0) << done.err;
  EXPECT_TRUE(Contains(done.out, "removed 3 card files")) << done.out;
  EXPECT_EQ(cards.Listing(), "x.dll");
  const Result none = Quandorctl("cards reset" + Folder() + " --yes");
  EXPECT_EQ(none.status, 0);
  EXPECT_TRUE(Contains(none.out, "no registered cards to clear")) << none.out;
}

#ifndef _WIN32
TEST(QuandorctlCardsElsewhere, TheCardFolderMustBeGiven) {
  const Result r = Quandorctl("cards list");
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "--folder DIR is needed")) << r.err;
}
#endif

}  // namespace

namespace {

#ifndef _WIN32
// Runs quandorctl with `args` (one word each) writing into a pipe whose reading end is
// already closed; returns its exit status (-1 when a signal ended it) and its stderr.
Result IntoAClosedPipe(const std::vector<std::string>& args) {
  TestFolder io;
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  close(ends[0]);
  const pid_t child = fork();
  if (child == 0) {
    dup2(ends[1], 1);
    const int err = open((io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(err, 2);
    const std::string program = platform::ProgramDirectory() + "quandorctl";
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(ends[1]);
  int raw = 0;
  waitpid(child, &raw, 0);
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = io.Read("err");
  return r;
}
#endif

// Output that does not get through is a failure: a script must not take a listing that
// was lost on a full disk or a closed pipe for the list.
TEST(QuandorctlOutput, AnOutputThatCannotBeWrittenIsExitStatusTwo) {
  TestFolder dir;
  TestFolder cards;
  MakeCard(cards, "1234.dll", "alice", "pw");
  MakeCard(dir, "SettingsHost.ini", "", "");
  dir.Write("a.log", std::string(logging::kRecordBytes, ' '));
  const std::vector<std::vector<std::string>> commands = {
      {"settings", "show", "--dir", dir.path()},
      {"cards", "list", "--folder", cards.path()},
      {"cards", "list", "--format", "csv", "--folder", cards.path()},
      {"cards", "list", "--format", "json", "--folder", cards.path()},
      {"log", "show", dir / "a.log"},
      {"ini", "dump", dir / "SettingsHost.ini"},
      {"settings", "--help"},
      {"--help"},
      {"--version"},
  };
#ifdef _WIN32
  const std::string fullDisk = "Z:\\dev\\full";  // Wine's view of the Linux device
#else
  const std::string fullDisk = "/dev/full";
#endif
  for (const auto& words : commands) {
    std::string args;
    for (const std::string& w : words) args += (args.empty() ? "" : " ") + Arg(w);
    const Result full = Quandorctl(args, "", fullDisk);
    EXPECT_EQ(full.status, 2) << args << "\n" << full.err;
    EXPECT_TRUE(Contains(full.err, "standard output: cannot write")) << args << "\n" << full.err;
#ifndef _WIN32
    const Result closed = IntoAClosedPipe(words);
    EXPECT_EQ(closed.status, 2) << args << "\n" << closed.err;
    EXPECT_TRUE(Contains(closed.err, "standard output: cannot write")) << args << "\n" << closed.err;
#endif
  }
}

}  // namespace

}  // namespace quandorctl_test
