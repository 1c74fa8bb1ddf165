// Every file primitive of each writing operation made to fail in turn. After each
// failure: every enciphered file deciphers to a text it had in the fault-free run (its
// old text or a new one), the plain settings file likewise, no file is left behind, no
// secret appears in plaintext on disk, and the failure reaches the caller with a clear
// message (the settings dialog's save, quandorctl's exit status). The log keeps whole
// records, header first.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cards/card_files.h"
#include "log/log_file.h"
#include "log/log_reader.h"
#include "platform/files.h"
#include "settings/settings_form.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/unit/faults/fault_points.h"
#include "tools/quandorctl/groups.h"

namespace {

using faults::FaultPoint;
using faults::FaultRun;
using faults::Outcome;
using faults::Tree;

// Distinct texts that may only ever be on disk enciphered.
const std::string kOldHost = "oldhost-Q7x2", kNewHost = "newhost-Q7x2";
const std::string kOldPassword = "oldpw-K3v9", kNewPassword = "newpw-K3v9";
const std::string kGateway = "gateway-W5t1", kDomain = "talo-R8m4";
const std::string kOldUser = "olduser-P2d6", kNewUser = "newuser-P2d6";
const std::string kOldCardPassword = "oldcard-J4n8", kNewCardPassword = "newcard-J4n8";
const std::vector<std::string> kSecrets = {kOldHost, kNewHost, kOldPassword, kNewPassword,     kGateway,
                                           kDomain,  kOldUser, kNewUser,     kOldCardPassword, kNewCardPassword};

constexpr char kHostFile[] = "SettingsHost.ini";
constexpr char kPlainFile[] = "Settings.ini";
constexpr char kCardFile[] = "0012345678.dll";

void WriteEnciphered(const std::string& path, const std::string& text) {
  const std::optional<storage::ByteArray> bytes = storage::EncipherIniText(text);
  ASSERT_TRUE(bytes.has_value());
  platform::ReplaceFileContent(path, *bytes, platform::NewFile::Private);
}

void PrepareSettings(const std::string& folder) {
  WriteEnciphered(folder + kHostFile, "[Settings]\r\nHOST=" + kOldHost + "\r\nLocalPassword=" + kOldPassword +
                                          "\r\nRDGATEWAY=\r\nDOMAIN=\r\n");
  platform::ReplaceFileContent(folder + kPlainFile,
                               "[ConfigSetting]\r\nFORCENUMKEY=0\r\nDELAY=250\r\nDEBUG=1\r\nEXPIRESAT=7:5\r\n",
                               platform::NewFile::Shared);
}

void PrepareCard(const std::string& folder) {
  WriteEnciphered(folder + kCardFile, "[Settings]\r\nUSER=" + kOldUser + "\r\nPASSWORD=" + kOldCardPassword +
                                          "\r\n[Registration]\r\nISSUED=2024-03-07\r\n");
}

std::set<std::string> Names(const Tree& tree) {
  std::set<std::string> names;
  for (const auto& entry : tree) names.insert(entry.first);
  return names;
}

std::string Counted(const FaultRun& run) {
  std::map<std::string, int> byOp;
  for (const faults::Primitive& p : run.primitives) ++byOp[platform::FileOpName(p.op)];
  std::string text;
  for (const auto& [op, n] : byOp) text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + op;
  return text;
}

// Failed checks of the running test so far: a fault point survived when its checks
// added none.
int FailedChecks() { return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); }

// The checks every storage operation must pass at every fault point. `quietAllowed`
// names the primitives whose failure the caller deliberately does not hear of.
void ExpectEveryFaultSurvived(const std::string& scenario, const FaultRun& run,
                              const std::vector<std::string>& encipheredFiles,
                              const std::vector<std::string>& plainFiles,
                              const std::function<bool(const FaultPoint&)>& quietAllowed = nullptr) {
  ASSERT_FALSE(run.faultFree.failed) << scenario << ": " << run.faultFree.message;
  ASSERT_FALSE(run.primitives.empty()) << scenario;
  const Tree& end = run.statesSeen.back();
  ASSERT_NE(end, run.start) << scenario << ": the operation changed nothing";
  EXPECT_EQ(faults::PlaintextLeaks(end, kSecrets), std::vector<std::string>()) << scenario;
  std::set<std::string> namesAllowed = Names(run.start);
  for (const std::string& name : Names(end)) namesAllowed.insert(name);

  int survived = 0;
  for (const FaultPoint& point : run.points) {
    const std::string where = scenario + ", " + faults::Describe(point.primitive) + " failing (primitive " +
                              std::to_string(point.index + 1) + " of " + std::to_string(run.points.size()) + ")";
    const int before = FailedChecks();
    if (point.outcome.failed) {
      EXPECT_NE(point.outcome.message.find("cannot"), std::string::npos)
          << where << ": unclear message " << point.outcome.message;
    } else {
      // Unheard of only where that is the caller's deliberate choice, or where the fault
      // changed nothing of the result.
      EXPECT_TRUE(point.after == end || (quietAllowed && quietAllowed(point)))
          << where << ": the failure was not reported";
    }
    for (const std::string& name : encipheredFiles) {
      EXPECT_EQ(faults::EncipheredTextsSeen(run, name).count(faults::EncipheredText(point.after, name)), 1u)
          << where << ": " << name << " holds " << faults::EncipheredText(point.after, name).value_or("<absent>");
    }
    for (const std::string& name : plainFiles) {
      const auto sameFile = [&](const Tree& state) {
        const auto was = state.find(name), now = point.after.find(name);
        return was == state.end() ? now == point.after.end() : now != point.after.end() && was->second == now->second;
      };
      EXPECT_TRUE(std::any_of(run.statesSeen.begin(), run.statesSeen.end(), sameFile))
          << where << ": " << name << " holds a text it never had";
    }
    for (const std::string& name : Names(point.after))
      EXPECT_EQ(namesAllowed.count(name), 1u) << where << ": left " << name;
    EXPECT_EQ(faults::PlaintextLeaks(point.after, kSecrets), std::vector<std::string>()) << where;
    survived += FailedChecks() == before;
  }
  std::printf("[faults] %s: %zu fault points (%s), %d survived\n", scenario.c_str(), run.points.size(),
              Counted(run).c_str(), survived);
}

template <typename Call>
Outcome Reported(Call call) {
  try {
    call();
    return {};
  } catch (const platform::FileError& e) {
    return {true, e.what()};
  }
}

// A quandorctl command as its main runs it: a file failure is exit status 2 with one
// line on stderr naming the file.
Outcome Quandorctl(const quandorctl::CommandGroup& group, const quandorctl::Args& args, const std::string& input = "") {
  std::istringstream in(input);
  std::streambuf* const oldInput = std::cin.rdbuf(in.rdbuf());
  testing::internal::CaptureStderr();
  const int status = quandorctl::RunGroup(group, args);
  const std::string message = testing::internal::GetCapturedStderr();
  std::cin.rdbuf(oldInput);
  std::fflush(stdout);
  // Saved, but no service to tell: where the tests run on Windows, none of that name is installed.
  if (status == quandorctl::kExitOk || status == quandorctl::kExitServiceNotTold) return {};
  EXPECT_EQ(status, quandorctl::kExitFile) << message;
  EXPECT_NE(message.find("cannot"), std::string::npos) << message;
  return {true, message};
}

TEST(FileFaults, OneCCryptIniWrite) {
  struct Case {
    const char* label;
    bool existing;
    bool throughQuandorctl;
  } cases[] = {{"CCryptIni::Write over a file", true, false},
               {"CCryptIni::Write of a new file", false, false},
               {"quandorctl ini set", true, true}};
  for (const Case& c : cases) {
    const FaultRun run = faults::RunWithEveryFault(
        [&](const std::string& folder) {
          if (c.existing) PrepareSettings(folder);
        },
        [&](const std::string& folder) {
          if (c.throughQuandorctl)
            return Quandorctl(quandorctl::kIniGroup, {"set", folder + kHostFile, "Settings", "HOST", kNewHost});
          storage::CCryptIni ini;
          ini.m_strFileName = folder + kHostFile;
          return Reported([&] { ini.Write(kNewHost, "HOST", "Settings"); });
        });
    ExpectEveryFaultSurvived(c.label, run, {kHostFile}, {kPlainFile});
  }
}

settings::SettingsForm NewSettings() {
  settings::SettingsForm form;
  form.host = kNewHost;
  form.localPassword = kNewPassword;
  form.rdGateway = kGateway;
  form.domain = kDomain;
  form.delay = "750";
  form.useGateway = true;
  form.printers = true;
  form.recording = settings::RecordingChoice::ThisComputer;
  form.playback = settings::PlaybackChoice::DoNotPlay;
  form.expiryTime = settings::PickerTime{3, 30};
  return form;
}

TEST(FileFaults, AWholeStoreSettings) {
  // The settings dialog's save: the store, then the service notice and "Read.txt". A
  // failing store reaches the dialog (which shows its message); the service is then not
  // told and "Read.txt" not made. "Read.txt" itself failing is deliberately quiet.
  struct Case {
    const char* label;
    bool existing;
  } cases[] = {{"StoreSettings (settings dialog save), first run", false}, {"StoreSettings over existing files", true}};
  for (const Case& c : cases) {
    const FaultRun run = faults::RunWithEveryFault(
        [&](const std::string& folder) {
          if (c.existing) PrepareSettings(folder);
        },
        [&](const std::string& folder) {
          int notified = 0;
          Outcome outcome = Reported(
              [&] { EXPECT_EQ(settings::SaveSettingsForm(folder, NewSettings(), [&] { ++notified; }), std::nullopt); });
          if (outcome.failed) {
            // What the dialog's message box says: the file and what could not be done.
            outcome.message = settings::SettingsNotSavedMessage(outcome.message);
            EXPECT_NE(outcome.message.find(folder), std::string::npos) << outcome.message;
            EXPECT_EQ(notified, 0) << "the service was told after a failed store";
            EXPECT_FALSE(platform::PathExists(folder + settings::kReadMarkerFileName));
          }
          return outcome;
        });
    ExpectEveryFaultSurvived(c.label, run, {kHostFile}, {kPlainFile}, [](const FaultPoint& p) {
      return p.primitive.op == platform::FileOp::Open &&
             p.primitive.path.find(settings::kReadMarkerFileName) != std::string::npos;
    });
  }

  const FaultRun run = faults::RunWithEveryFault(PrepareSettings, [](const std::string& folder) {
    return Quandorctl(quandorctl::kSettingsGroup,
                      {"set", "--dir", folder, "HOST=" + kNewHost, "--local-password-stdin", "RDGATEWAY=" + kGateway,
                       "DOMAIN=" + kDomain, "DELAY=750", "PRINTERS=0"},
                      kNewPassword + "\n");
  });
  ExpectEveryFaultSurvived("quandorctl settings set", run, {kHostFile}, {kPlainFile});

  // apply writes only the keys that differ (DELAY, PRINTERS and the password; FORCENUMKEY
  // is as wanted); a failure says which keys went in.
  const FaultRun applied = faults::RunWithEveryFault(
      [](const std::string& folder) {
        PrepareSettings(folder);
        platform::ReplaceFileContent(folder + "wanted.json", R"({"FORCENUMKEY": "0", "DELAY": 750, "PRINTERS": "0"})",
                                     platform::NewFile::Shared);
      },
      [](const std::string& folder) {
        Outcome outcome = Quandorctl(quandorctl::kSettingsGroup,
                                     {"apply", "--dir", folder, "--local-password-stdin", folder + "wanted.json"},
                                     kNewPassword + "\n");
        // Every message past the desired state's own file says what was written.
        if (outcome.failed && outcome.message.find("wanted.json") == std::string::npos) {
          const bool says = outcome.message.find("written") != std::string::npos ||
                            outcome.message.find("the keys were saved") != std::string::npos;
          EXPECT_TRUE(says) << outcome.message;
        }
        return outcome;
      });
  ExpectEveryFaultSurvived("quandorctl settings apply", applied, {kHostFile}, {kPlainFile});
}

TEST(FileFaults, ACardAccountRewrite) {
  const std::vector<std::string> cardFiles = {kCardFile};
  FaultRun run = faults::RunWithEveryFault(PrepareCard, [](const std::string& folder) {
    return Reported([&] { cards::RewriteCardAccount(folder + kCardFile, kNewUser, kNewCardPassword); });
  });
  ExpectEveryFaultSurvived("card account rewrite", run, cardFiles, {});
  EXPECT_EQ(faults::EncipheredText(run.statesSeen.back(), kCardFile),
            "[Settings]\r\nUSER=" + kNewUser + "\r\nPASSWORD=" + kNewCardPassword +
                "\r\n[Registration]\r\nISSUED=2024-03-07\r\n");

  run = faults::RunWithEveryFault(PrepareCard, [](const std::string& folder) {
    return Quandorctl(quandorctl::kCardsGroup,
                      {"set-account", "--folder", folder, "0012345678", "--user", kNewUser, "--password-stdin"},
                      kNewCardPassword + "\n");
  });
  ExpectEveryFaultSurvived("quandorctl cards set-account", run, cardFiles, {});
}

TEST(FileFaults, ACardDelete) {
  FaultRun run = faults::RunWithEveryFault(PrepareCard, [](const std::string& folder) {
    return cards::DeleteCard(folder + kCardFile) ? Outcome{} : Outcome{true, "cannot delete"};
  });
  ExpectEveryFaultSurvived("card delete", run, {kCardFile}, {});
  run = faults::RunWithEveryFault(PrepareCard, [](const std::string& folder) {
    return Quandorctl(quandorctl::kCardsGroup, {"delete", "--folder", folder, "0012345678"});
  });
  ExpectEveryFaultSurvived("quandorctl cards delete", run, {kCardFile}, {});
}

// --- The log -------------------------------------------------------------------------

constexpr char kLogFile[] = "03072024.log";

platform::LocalTime FixedTime() { return {2024, 3, 7, 9, 5, 3}; }

// Entry i: its description fills the field with its own number, so that a record made of
// two entries' bytes is told from both.
std::string Entry(int i) {
  char number[16];
  std::snprintf(number, sizeof number, "entry %06d ", i);
  std::string description;
  while (description.size() < logging::kDescriptionWidth) description += number;
  description.resize(logging::kDescriptionWidth);
  return logging::BuildEntryFields(FixedTime(), "QuandorAuthenticato", "MenuLogin", description) + "\r\n";
}

std::string Header() {
  const logging::CLogFile log;
  return std::string(log.m_szHeader, logging::kFieldBytes) + "\r\n";
}

std::string NewEntry() {
  return logging::BuildEntryFields(FixedTime(), "QuandorAuthenticato", "ShowSettings", "Settings UI") + "\r\n";
}

TEST(FileFaults, ALogAppend) {
  // Entries already in the file, the cap. Past 205 records the move at the cap takes
  // more than one piece.
  struct Case {
    const char* label;
    int entries;  // -1: no file
    int cap;
  } cases[] = {{"log append, new file", -1, logging::kRecordCap},
               {"log append", 3, logging::kRecordCap},
               {"log append at the record cap", 3, 4},
               {"log append at the record cap, 3 move pieces", 499, 500}};
  for (const Case& c : cases) {
    std::set<std::string> records = {Header(), NewEntry()};
    for (int i = 0; i < c.entries; ++i) records.insert(Entry(i));
    const FaultRun run = faults::RunWithEveryFault(
        [&](const std::string& folder) {
          if (c.entries < 0) return;
          std::string bytes = Header();
          for (int i = 0; i < c.entries; ++i) bytes += Entry(i);
          platform::ReplaceFileContent(folder + kLogFile, bytes, platform::NewFile::Shared);
        },
        [&](const std::string& folder) {
          logging::CLogFile log(c.cap, FixedTime);
          logging::CopyBounded(log.m_szLogPath, folder + kLogFile);
          logging::CopyBounded(log.m_szModule, "Quandor Authenticator");
          log.SetProcedure("ShowSettings");
          return log.WriteLogEntry("Settings UI") ? Outcome{} : Outcome{true, "cannot write the entry"};
        });
    ASSERT_FALSE(run.faultFree.failed) << c.label;
    const std::string& end = run.statesSeen.back().at(kLogFile);
    EXPECT_EQ(end.size() / logging::kRecordBytes,
              static_cast<std::size_t>(c.entries < 0 ? 2 : std::min(c.entries + 2, c.cap)))
        << c.label;
    int survived = 0;
    for (const FaultPoint& point : run.points) {
      const std::string where = std::string(c.label) + ", " + faults::Describe(point.primitive) + " failing";
      const int before = FailedChecks();
      EXPECT_TRUE(point.outcome.failed || point.after == run.statesSeen.back()) << where << ": not reported";
      const std::string bytes = point.after.count(kLogFile) ? point.after.at(kLogFile) : std::string();
      logging::BufferSource source(bytes);
      logging::LogReader reader(source);
      bool whole = true;
      while (const auto record = reader.Next()) {
        const std::string raw = bytes.substr(record->index * logging::kRecordBytes, logging::kRecordBytes);
        whole = whole && (record->index == 0 ? raw == Header() : raw != Header() && records.count(raw) == 1);
      }
      EXPECT_TRUE(whole) << where << ": a record is torn, foreign or out of place";
      EXPECT_EQ(reader.TrailingBytes(), 0u) << where;
      EXPECT_LE(bytes.size() / logging::kRecordBytes, static_cast<std::size_t>(c.cap)) << where;
      // Below the cap an append is all or nothing; a new file may stay behind empty or
      // with its header alone, the log's empty forms.
      if (c.entries + 1 < c.cap) {
        const bool emptyForm = c.entries < 0 && (bytes.empty() || bytes == Header());
        const bool oldOrNew = point.after == run.start || point.after == run.statesSeen.back() || emptyForm;
        EXPECT_TRUE(oldOrNew) << where << ": the file is neither as before nor as after";
      }
      survived += FailedChecks() == before;
    }
    std::printf("[faults] %s: %zu fault points (%s), %d survived\n", c.label, run.points.size(), Counted(run).c_str(),
                survived);
  }
}

}  // namespace
