#include "tools/quandorctl/doctor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>

#include "log/log_file.h"
#include "log/placement.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "tests/unit/cards/card_fixture.h"
#include "tests/unit/test_folder.h"

namespace {

using quandorctl::DoctorCheck;
using quandorctl::Verdict;
using testing_support::TestFolder;

const platform::LocalTime kToday = {2026, 3, 7, 10, 0, 0};

const DoctorCheck* Find(const std::vector<DoctorCheck>& checks, const std::string& name) {
  for (const DoctorCheck& c : checks)
    if (c.name == name) return &c;
  return nullptr;
}

// A kiosk folder as support meets it: settings saved, the sibling program there.
void HealthyKiosk(const TestFolder& dir) {
  settings::StoreSettingValues(dir.path(), {{"HOST", "rd01.example"}, {"LocalPassword", "s3cret"}, {"DELAY", "600"}});
  dir.Write("Read.txt", "");
  dir.Write("QuandorServiceUI.exe", "MZ");
}

struct Expected {
  std::string check;
  Verdict verdict;
  std::string reason;  // part of it
};

struct FolderCase {
  const char* label;
  std::function<void(const TestFolder& dir, const TestFolder& cards)> prepare;
  std::vector<Expected> expected;
};

std::string Bytes(std::size_t n, char c = 'x') { return std::string(n, c); }

TEST(Doctor, ChecksPreparedFolders) {
  const FolderCase cases[] = {
      {"a healthy kiosk",
       [](const TestFolder& dir, const TestFolder& cards) {
         HealthyKiosk(dir);
         card_fixture::MakeCard(cards, "1234567.dll", "bob", "pw");
       },
       {{"settings_file", Verdict::Ok, "readable"},
        {"host_file", Verdict::Ok, "deciphers"},
        {"host", Verdict::Ok, "\"rd01.example\""},
        {"local_password", Verdict::Ok, "set"},
        {"read_marker", Verdict::Ok, "present"},
        {"service_ui", Verdict::Ok, "present"},
        {"card_folder", Verdict::Ok, "1 card"},
        {"cards", Verdict::Ok, "every card deciphers"},
        {"foreign_files", Verdict::Ok, "none"},
        {"log_folder", Verdict::Ok, "DEBUG is off"},
        {"log_size", Verdict::Ok, "no log file today"}}},
      {"a first run: nothing there",
       [](const TestFolder&, const TestFolder&) {},
       {{"settings_file", Verdict::Ok, "missing: every key reads its default"},
        {"host_file", Verdict::Problem, "missing"},
        {"host", Verdict::Problem, "cannot log anyone on"},
        {"local_password", Verdict::Problem, "cannot log anyone on"},
        {"read_marker", Verdict::Warning, "Read.txt is missing"},
        {"service_ui", Verdict::Problem, "QuandorServiceUI.exe is missing"},
        {"tray_program", Verdict::Warning, "not in this folder"},
        {"card_folder", Verdict::Ok, "0 cards"},
        {"cards", Verdict::Ok, "no cards"}}},
      {"a host file that does not decipher",
       [](const TestFolder& dir, const TestFolder&) {
         HealthyKiosk(dir);
         dir.Write("SettingsHost.ini", Bytes(48));
       },
       {{"host_file", Verdict::Problem, "does not decipher"}, {"host", Verdict::Problem, "see host_file"}}},
      {"HOST set, the password empty",
       [](const TestFolder& dir, const TestFolder&) {
         HealthyKiosk(dir);
         settings::StoreSettingValues(dir.path(), {{"LocalPassword", ""}});
       },
       {{"host", Verdict::Ok, "rd01"}, {"local_password", Verdict::Problem, "empty"}}},
      {"a Settings.ini that is a folder",
       [](const TestFolder& dir, const TestFolder&) { platform::MakeDirectory(dir / "Settings.ini"); },
       {{"settings_file", Verdict::Problem, ""}}},
      {"the tray program with its version resource",
       [](const TestFolder& dir, const TestFolder&) {
         // VS_FIXEDFILEINFO of version 1.4.2.7 amid other bytes.
         dir.Write("QuandorAuthenticator.exe",
                   "MZ" + Bytes(100) + std::string("\xBD\x04\xEF\xFE\x00\x00\x01\x00\x04\x00\x01\x00\x07\x00\x02\x00", 16) +
                       Bytes(40, '\0'));
       },
       {{"tray_program", Verdict::Ok, "version 1.4.2.7"}}},
      {"a tray program without one",
       [](const TestFolder& dir, const TestFolder&) { dir.Write("QuandorAuthenticator.exe", "MZ" + Bytes(100)); },
       {{"tray_program", Verdict::Warning, "without a version resource"}}},
      {"cards that do not decipher, without a user, and program libraries",
       [](const TestFolder&, const TestFolder& cards) {
         card_fixture::MakeCard(cards, "1234567.dll", "bob", "pw");
         card_fixture::MakeCard(cards, "7654321.dll", "", "pw");
         cards.Write("5550001.dll", Bytes(32));
         cards.Write("msvcrt.dll", "MZ\x90" + Bytes(200));
       },
       {{"card_folder", Verdict::Ok, "3 cards"},
        {"cards", Verdict::Problem, "do not decipher: 55XXXX01; empty user: 76XXXX21"},
        {"foreign_files", Verdict::Warning, "program libraries, no cards: msvcrt.dll"}}},
      {"a card without a user alone is a warning",
       [](const TestFolder&, const TestFolder& cards) { card_fixture::MakeCard(cards, "7654321.dll", "", "pw"); },
       {{"cards", Verdict::Warning, "empty user: 76XXXX21"}}},
      {"DEBUG on without the LOG folder",
       [](const TestFolder& dir, const TestFolder&) { dir.Write("Settings.ini", "[ConfigSetting]\r\nDEBUG=1\r\n"); },
       {{"log_folder", Verdict::Warning, "missing"}}},
      {"DEBUG on with the LOG folder",
       [](const TestFolder& dir, const TestFolder&) {
         dir.Write("Settings.ini", "[ConfigSetting]\r\nDEBUG=yes\r\n");
         platform::MakeDirectory(dir / "LOG");
       },
       {{"log_folder", Verdict::Ok, "present and writable"}}},
      {"today's log file",
       [](const TestFolder& dir, const TestFolder&) {
         platform::MakeDirectory(dir / "LOG");
         dir.Write("LOG/" + logging::LogFileName(kToday), Bytes(3 * logging::kRecordBytes));
         dir.Write("LOG/" + logging::LogFileName({2026, 3, 6}), Bytes(5));  // yesterday's is not looked at
       },
       {{"log_size", Verdict::Ok, "3 records of at most 9999999"}}},
      {"a log file cut inside a record",
       [](const TestFolder& dir, const TestFolder&) {
         platform::MakeDirectory(dir / "LOG");
         dir.Write("LOG/" + logging::LogFileName(kToday), Bytes(logging::kRecordBytes + 5));
       },
       {{"log_size", Verdict::Warning, "324 bytes: not whole records"}}},
  };
  for (const FolderCase& c : cases) {
    TestFolder dir, cards;
    c.prepare(dir, cards);
    const std::vector<DoctorCheck> checks = quandorctl::DiagnoseKiosk(dir.path(), cards.path(), {}, kToday);
    for (const Expected& e : c.expected) {
      const DoctorCheck* check = Find(checks, e.check);
      ASSERT_NE(check, nullptr) << c.label << ": " << e.check;
      EXPECT_EQ(check->verdict, e.verdict) << c.label << ": " << e.check << ": " << check->reason;
      EXPECT_NE(check->reason.find(e.reason), std::string::npos) << c.label << ": " << e.check << ": " << check->reason;
    }
  }
}

TEST(Doctor, NamesEveryCheckInItsOrderAndShowsNoSecret) {
  TestFolder dir, cards;
  HealthyKiosk(dir);
  card_fixture::MakeCard(cards, "1234567.dll", "bob", "card-s3cret");
  const std::vector<DoctorCheck> checks = quandorctl::DiagnoseKiosk(dir.path(), cards.path(), {}, kToday);
  std::vector<std::string> names;
  for (const DoctorCheck& c : checks) names.push_back(c.name);
  const std::vector<std::string> documented = {"settings_file", "host_file",     "host",      "local_password",
                                               "read_marker",   "service_ui",    "tray_program", "card_folder",
                                               "cards",         "foreign_files", "log_folder", "log_size",
                                               "service",       "service_start", "run_value"};
  EXPECT_EQ(names, documented);
  const std::string text = quandorctl::DoctorText(checks);
  const std::string json = quandorctl::DoctorJson(checks, dir.path(), cards.path());
  for (const std::string& output : {text, json}) {
    EXPECT_EQ(output.find("s3cret"), std::string::npos) << output;
    EXPECT_EQ(output.find("1234567"), std::string::npos) << "full card number: " << output;
  }
}

TEST(Doctor, NoCardFolderSkipsTheCardChecks) {
  TestFolder dir;
  const auto checks = quandorctl::DiagnoseKiosk(dir.path(), "", {}, kToday);
  for (const char* name : {"card_folder", "cards", "foreign_files"}) {
    ASSERT_NE(Find(checks, name), nullptr);
    EXPECT_EQ(Find(checks, name)->verdict, Verdict::Skipped) << name;
  }
  TestFolder parent;
  const auto missing = quandorctl::DiagnoseKiosk(dir.path(), parent / "CARD/", {}, kToday);
  EXPECT_EQ(Find(missing, "card_folder")->verdict, Verdict::Warning);
}

struct SystemCase {
  const char* label;
  quandorctl::KioskSystem system;
  Expected service, start, run;
};

platform::ServiceInfo Installed(unsigned state, unsigned startType, bool delayed = false) {
  platform::ServiceInfo info;
  info.presence = platform::ServiceInfo::Presence::Installed;
  info.state = state;
  info.startType = startType;
  info.delayedStart = delayed;
  return info;
}

TEST(Doctor, ServiceAndRunValue) {
  using P = platform::ServiceInfo::Presence;
  const platform::RunValueInfo run = {true, true, "\"C:\\Quandor-Authenticator\\QuandorAuthenticator.exe\""};
  platform::ServiceInfo notInstalled;
  notInstalled.presence = P::NotInstalled;
  platform::ServiceInfo denied;
  denied.presence = P::Unreadable;
  denied.error = 5;
  const SystemCase cases[] = {
      {"off Windows", {}, {"service", Verdict::Skipped, "not checked here"},
       {"service_start", Verdict::Skipped, "not checked here"}, {"run_value", Verdict::Skipped, "not checked here"}},
      {"not installed, no Run value", {notInstalled, {true, false, ""}},
       {"service", Verdict::Problem, "Quandor-Authenticator is not installed"},
       {"service_start", Verdict::Skipped, "not installed"},
       {"run_value", Verdict::Warning, "does not start at log-on"}},
      {"running, automatic", {Installed(platform::kServiceRunning, platform::kServiceAutoStart), run},
       {"service", Verdict::Ok, "running"}, {"service_start", Verdict::Ok, "automatic"},
       {"run_value", Verdict::Ok, "QuandorAuthenticator.exe"}},
      {"stopped, manual", {Installed(platform::kServiceStopped, platform::kServiceDemandStart), run},
       {"service", Verdict::Problem, "stopped"}, {"service_start", Verdict::Warning, "manual"},
       {"run_value", Verdict::Ok, ""}},
      {"paused, disabled", {Installed(platform::kServicePaused, platform::kServiceDisabled), run},
       {"service", Verdict::Problem, "paused"}, {"service_start", Verdict::Problem, "disabled"},
       {"run_value", Verdict::Ok, ""}},
      {"starting, delayed", {Installed(platform::kServiceStartPending, platform::kServiceAutoStart, true), run},
       {"service", Verdict::Warning, "starting"}, {"service_start", Verdict::Ok, "automatic (delayed)"},
       {"run_value", Verdict::Ok, ""}},
      {"the manager refuses", {denied, run}, {"service", Verdict::Warning, "error 5"},
       {"service_start", Verdict::Skipped, ""}, {"run_value", Verdict::Ok, ""}},
  };
  for (const SystemCase& c : cases) {
    const std::vector<DoctorCheck> checks = quandorctl::DiagnoseSystem(c.system);
    for (const Expected& e : {c.service, c.start, c.run}) {
      const DoctorCheck* check = Find(checks, e.check);
      ASSERT_NE(check, nullptr) << c.label << ": " << e.check;
      EXPECT_EQ(check->verdict, e.verdict) << c.label << ": " << e.check << ": " << check->reason;
      EXPECT_NE(check->reason.find(e.reason), std::string::npos) << c.label << ": " << check->reason;
    }
  }
}

TEST(Doctor, ExitStatusAndTheJsonForm) {
  const std::vector<DoctorCheck> fine = {{"a", Verdict::Ok, "x"}, {"b", Verdict::Skipped, "y"}};
  const std::vector<DoctorCheck> warned = {{"a", Verdict::Ok, "x"}, {"b", Verdict::Warning, "y"}};
  const std::vector<DoctorCheck> broken = {{"a", Verdict::Warning, "x"}, {"b", Verdict::Problem, "Jos\xE9"}};
  EXPECT_EQ(quandorctl::DoctorExitStatus(fine), 0);
  EXPECT_EQ(quandorctl::DoctorExitStatus(warned), 0);
  EXPECT_EQ(quandorctl::DoctorExitStatus(broken), 4);

  const auto parsed = [](const std::vector<DoctorCheck>& checks) {
    return nlohmann::json::parse(quandorctl::DoctorJson(checks, "C:\\Q\\", "C:\\Q\\CARD\\"));
  };
  EXPECT_EQ(parsed(fine)["status"], "ok");
  EXPECT_EQ(parsed(warned)["status"], "warning");
  const nlohmann::json document = parsed(broken);
  EXPECT_EQ(document["format"], 1);
  EXPECT_EQ(document["status"], "problem");
  EXPECT_EQ(document["folder"], "C:\\Q\\");
  EXPECT_EQ(document["cardFolder"], "C:\\Q\\CARD\\");
  EXPECT_EQ(document["checks"]["b"]["status"], "problem");
  EXPECT_EQ(document["checks"]["b"]["reason"], "Jos\xC3\xA9") << "8-bit text as UTF-8";
  EXPECT_EQ(document["checks"].begin().key(), "a") << "checks in their order";
  EXPECT_EQ(quandorctl::DoctorText(broken), "warning a              x\nproblem b              Jos\xE9\n");
}

}  // namespace
