// Every exit status that a --help text promises, against what the program does: each
// documented status has a case here that produces it, and each case's status is the
// one its help text gives for that cause.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "log/log_file.h"
#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "tests/unit/quandorctl/run_quandorctl.h"
#include "tests/unit/test_folder.h"

namespace quandorctl_test {
namespace {

using testing_support::TestFolder;

// The "exit status:" paragraph of a help text on one line, blanks collapsed.
std::string ExitParagraph(const std::string& help) {
  const std::size_t at = help.find("exit status:");
  if (at == std::string::npos) return "";
  std::string line;
  for (std::size_t i = at; i < help.size(); ++i) {
    const char c = help[i] == '\n' ? ' ' : help[i];
    if (c == ' ' && !line.empty() && line.back() == ' ') continue;
    line += c;
  }
  return line;
}

// The statuses it names: each number after "exit status:" or ", ".
std::set<int> NamedStatuses(const std::string& paragraph) {
  std::set<int> statuses;
  for (const char* lead : {"exit status: ", ", "}) {
    for (std::size_t at = paragraph.find(lead); at != std::string::npos; at = paragraph.find(lead, at + 1)) {
      const std::size_t digit = at + std::string(lead).size();
      if (digit < paragraph.size() && paragraph[digit] >= '0' && paragraph[digit] <= '9')
        statuses.insert(paragraph[digit] - '0');
    }
  }
  return statuses;
}

// One folder of every kind of file the commands meet.
struct Fixture {
  Fixture() {
    storage::CCryptIni card;
    card.m_strFileName = cards / "1234.dll";
    card.Write("alice", "USER", "Settings");
    storage::CCryptIni host;
    host.m_strFileName = dir / "SettingsHost.ini";
    host.Write("rd01", "HOST", "Settings");
    junk.Write("SettingsHost.ini", "enciphered with another pass phrase");
    junk.Write("0000.dll", "not a card");
    junk.Write("a.log", std::string(logging::kRecordBytes, ' '));
  }
  TestFolder dir;    // SettingsHost.ini that deciphers
  TestFolder cards;  // one card
  TestFolder junk;   // files that do not decipher, and a log
  TestFolder empty;
};

struct Case {
  const char* group;
  std::function<std::string(const Fixture&)> args;
  std::string input;
  int status;
  const char* cause;  // how that group's help names the status
  bool onlyOnWindows = false;
  bool onlyOffWindows = false;  // a case whose outcome needs the service, which Windows checks
};

// A kiosk folder where every check off Windows is ok or a warning.
std::string HealthyKiosk(const Fixture& f) {
  storage::CCryptIni host;
  host.m_strFileName = f.dir / "SettingsHost.ini";
  host.Write("pw", "LocalPassword", "Settings");
  f.dir.Write("QuandorServiceUI.exe", "MZ");
  return f.dir.path();
}

TEST(QuandorctlExitStatus, EveryDocumentedStatusIsWhatTheProgramReturns) {
  const Case cases[] = {
      {"quandorctl", [](const Fixture&) { return "--version"; }, "", 0, "0 success"},
      {"quandorctl", [](const Fixture&) { return "frob"; }, "", 1, "1 wrong usage"},
      {"quandorctl", [](const Fixture& f) { return "ini get " + Arg(f.empty / "none.ini") + " S K"; }, "", 2,
       "2 a file or folder is missing"},
      {"quandorctl", [](const Fixture& f) { return "ini dump " + Arg(f.junk / "SettingsHost.ini"); }, "", 3,
       "3 a file does not decipher"},
      // No service of that name is installed where the tests run.
      {"quandorctl", [](const Fixture& f) { return "settings set --dir " + Arg(f.empty.path()) + " PRINTERS=0"; }, "",
       5, "5 saved, but the service was not told", true},
      {"ini", [](const Fixture& f) { return "ini get " + Arg(f.dir / "SettingsHost.ini") + " Settings HOST"; }, "", 0,
       "0 success"},
      {"ini", [](const Fixture& f) { return "ini get " + Arg(f.dir / "SettingsHost.ini"); }, "", 1, "1 wrong usage"},
      {"ini", [](const Fixture& f) { return "ini set " + Arg(f.dir / "SettingsHost.ini") + " Settings HOST \" h\""; },
       "", 1, "1 wrong usage or a refused value"},
      {"ini", [](const Fixture& f) { return "ini dump " + Arg(f.empty / "none.ini"); }, "", 2,
       "2 a file is missing or cannot be read"},
      {"ini", [](const Fixture& f) { return "ini get " + Arg(f.junk / "SettingsHost.ini") + " Settings HOST"; }, "", 3,
       "3 the file does not decipher"},
      {"settings", [](const Fixture& f) { return "settings show --dir " + Arg(f.dir.path()); }, "", 0, "0 success"},
      {"settings", [](const Fixture& f) { return "settings show --dir " + Arg(f.dir.path()) + " extra"; }, "", 1,
       "1 wrong usage"},
      {"settings", [](const Fixture& f) { return "settings set --dir " + Arg(f.empty.path()) + " PRINTERS=yes"; }, "",
       1, "1 wrong usage or a refused value"},
      {"settings", [](const Fixture& f) { return "settings set --dir " + Arg(f.junk / "0000.dll") + " PRINTERS=0"; },
       "", 2, "2 DIR is missing or a file cannot be read or written"},
      {"settings", [](const Fixture& f) { return "settings show --dir " + Arg(f.junk.path()); }, "", 3,
       "3 SettingsHost.ini does not decipher"},
      {"settings", [](const Fixture& f) { return "settings set --dir " + Arg(f.empty.path()) + " PRINTERS=0"; }, "",
       5, "5 saved, but the service was not told", true},
      {"cards", [](const Fixture& f) { return "cards list --folder " + Arg(f.cards.path()); }, "", 0, "0 success"},
      {"cards", [](const Fixture& f) { return "cards reset --folder " + Arg(f.cards.path()); }, "", 1, "1 wrong usage"},
      {"cards",
       [](const Fixture& f) { return "cards set-account --folder " + Arg(f.cards.path()) + " 1234 --user \" a\" --password-stdin"; },
       "pw\n", 1, "1 wrong usage or a refused value"},
      {"cards", [](const Fixture& f) { return "cards delete --folder " + Arg(f.cards.path()) + " 9999"; }, "", 2,
       "2 a card or file is missing"},
      {"cards", [](const Fixture& f) { return "cards list --folder " + Arg(f.junk.path()); }, "", 3,
       "3 a card file does not decipher"},
      {"quandorctl", [](const Fixture& f) { return "doctor --dir " + Arg(f.empty.path()); }, "", 4,
       "4 doctor found a problem"},
      {"settings",
       [](const Fixture& f) {
         f.empty.Write("wanted.json", R"({"HOST": "rd01"})");
         return "settings check --dir " + Arg(f.dir.path()) + " " + Arg(f.empty / "wanted.json");
       },
       "", 0, "0 success (check: every key as wanted)"},
      {"settings",
       [](const Fixture& f) {
         f.empty.Write("wanted.json", R"({"HOST": "rd02"})");
         return "settings check --dir " + Arg(f.dir.path()) + " " + Arg(f.empty / "wanted.json");
       },
       "", 1, "(check: a key differs)"},
      {"settings",
       [](const Fixture& f) {
         f.empty.Write("wanted.json", R"({"HOST": "rd02"})");
         return "settings apply --dir " + Arg(f.junk.path()) + " " + Arg(f.empty / "wanted.json");
       },
       "", 3, "3 SettingsHost.ini does not decipher"},
      {"doctor", [](const Fixture& f) { return "doctor --dir " + Arg(HealthyKiosk(f)); }, "", 0,
       "0 every check ok or a warning", false, true},
      {"doctor", [](const Fixture& f) { return "doctor --dir " + Arg(f.empty.path()) + " --format xml"; }, "", 1,
       "1 wrong usage"},
      {"doctor", [](const Fixture& f) { return "doctor --dir " + Arg(f.empty.path()); }, "", 4, "4 any problem"},
      {"log", [](const Fixture& f) { return "log show " + Arg(f.junk / "a.log"); }, "", 0, "0 success"},
      {"log", [](const Fixture& f) { return "log show " + Arg(f.junk / "a.log") + " b.log"; }, "", 1, "1 wrong usage"},
      {"log", [](const Fixture& f) { return "log show " + Arg(f.empty / "none.log"); }, "", 2,
       "2 the log file, DIR or Settings.ini is missing or cannot be read"},
      {"log", [](const Fixture& f) { return "log enable --dir " + Arg(f.empty / "nope"); }, "", 2,
       "2 the log file, DIR or Settings.ini is missing"},
  };
  std::set<std::string> groups;
  for (const Case& c : cases) groups.insert(c.group);
  for (const std::string& group : groups) {
    const Result help = Quandorctl(group == "quandorctl" ? "--help" : group + " --help");
    ASSERT_EQ(help.status, 0) << group;
    const std::string paragraph = ExitParagraph(help.out);
    std::set<int> tried;
    for (const Case& c : cases) {
      if (c.group != group) continue;
      tried.insert(c.status);
      EXPECT_TRUE(Contains(paragraph, c.cause)) << group << " --help does not say \"" << c.cause << "\": " << paragraph;
#ifdef _WIN32
      if (c.onlyOffWindows) continue;
#else
      if (c.onlyOnWindows) continue;
#endif
      const Fixture fixture;
      const std::string args = c.args(fixture);
      const Result r = Quandorctl(args, c.input);
      EXPECT_EQ(r.status, c.status) << args << "\n" << r.err;
    }
    EXPECT_EQ(NamedStatuses(paragraph), tried) << group << " --help: " << paragraph;
  }
}

}  // namespace

}  // namespace quandorctl_test
