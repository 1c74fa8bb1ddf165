// The audit trail of the real tray program under Wine: the events its actions write
// (ID, type, category, every insertion string), read from Wine's trace of ReportEventW.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "res/version.h"
#include "tests/e2e/admin_dialogs.h"
#include "tests/e2e/event_trace.h"

namespace e2e {
namespace {

constexpr WPARAM kExit = ID_TRAY_EXIT;
constexpr char kWrongPasswordMessage[] = "Kindly enter the correct password";

// One event as a line: "1020 information tray: user | HOST, LocalPassword".
std::string Line(const TracedEvent& e) {
  const char* type = e.type == EVENTLOG_INFORMATION_TYPE ? "information"
                     : e.type == EVENTLOG_WARNING_TYPE   ? "warning"
                     : e.type == EVENTLOG_ERROR_TYPE     ? "error"
                                                         : "type?";
  // The message's severity bits must match its type: information 01, warning 10, error 11.
  const unsigned severity = e.messageId >> 30;
  const unsigned expectedSeverity = e.type == EVENTLOG_INFORMATION_TYPE ? 1 : e.type == EVENTLOG_WARNING_TYPE ? 2 : 3;
  std::string line = std::to_string(e.messageId & 0xFFFF) + " " + type +
                     (severity == expectedSeverity ? "" : " (severity bits " + std::to_string(severity) + ")") +
                     (e.category == 1   ? " tray"
                      : e.category == 2 ? " quandorctl"
                                        : " category?") +
                     (e.source == kCaption ? "" : " source=" + e.source) + ":";
  for (std::size_t i = 0; i < e.strings.size(); ++i) line += (i == 0 ? " " : " | ") + e.strings[i];
  return line;
}

std::string WindowsUser() {
  char name[257] = {};
  DWORD size = sizeof name;
  GetUserNameA(name, &size);
  return name;
}

class AuditTrail : public AdminDialogs {
 protected:
  static void SetUpTestSuite() { SetEnvironmentVariableA("WINEDEBUG", "+eventlog,fixme+advapi"); }

  void SetUp() override {
    ASSERT_FALSE(EventTracePath().empty()) << "QUANDOR_EVENT_TRACE names no trace file";
    AdminDialogs::SetUp();
    m_traceStart = EventTraceText().size();
  }

  // The events of one program written since the test began, as lines.
  std::vector<std::string> Events(unsigned category) const {
    std::vector<std::string> lines;
    for (const TracedEvent& e : ParseEventTrace(EventTraceText().substr(m_traceStart)))
      if (e.category == category) lines.push_back(Line(e));
    return lines;
  }
  std::vector<std::string> TrayEvents() const { return Events(1); }

  // Waits until the tray program has written `expected.size()` events, and a little
  // longer for any that should not come.
  void ExpectTrayEvents(const std::vector<std::string>& expected, const std::string& what) const {
    driver::WaitFor([&] { return TrayEvents().size() >= expected.size(); }, 10000);
    Sleep(300);
    EXPECT_EQ(TrayEvents(), expected) << what;
  }

  // The expected line of a tray event: the user first, then `strings`.
  static std::string Tray(int id, const char* type, const std::vector<std::string>& strings) {
    std::string line = std::to_string(id) + " " + type + " tray: " + WindowsUser();
    for (const std::string& s : strings) line += " | " + s;
    return line;
  }

  void EnterGatePassword(HWND gate, const std::string& typed) {
    Type(gate, kGatePassword, typed);
    Click(gate, IDOK);
  }

  std::size_t m_traceStart = 0;
};

TEST_F(AuditTrail, StartGateAndExit) {
  StartProgram();
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  for (const char* wrong : {"marbled", "Gate-Wrong-1"}) {
    EnterGatePassword(gate, wrong);
    ExpectMessage(gate, kWrongPasswordMessage, "warning", wrong);
  }
  EnterGatePassword(gate, "");  // no password at all is not a wrong one
  ExpectMessage(gate, "Kindly enter the password", "warning", "empty");
  EnterGatePassword(gate, "Marbled");
  ASSERT_TRUE(WaitClosed(gate));
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  PressKey(settings, VK_ESCAPE);  // closing without a save writes no event
  ASSERT_TRUE(WaitClosed(settings));
  // The count goes on over gates of one run.
  gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EnterGatePassword(gate, "Gate-Wrong-2");
  ExpectMessage(gate, kWrongPasswordMessage, "warning", "third wrong");
  PressKey(gate, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(gate));
  driver::Post(MainWindow(), WM_COMMAND, kExit, 0);
  ASSERT_TRUE(program().WaitExit(15000)) << "Exit did not end the program";
  ExpectTrayEvents(
      {Tray(1000, "information", {QUANDOR_VERSION}), Tray(1011, "warning", {"1"}), Tray(1011, "warning", {"2"}),
       Tray(1010, "information", {}), Tray(1011, "warning", {"3"}), Tray(1001, "information", {})},
      "start, gate, Exit");
}

TEST_F(AuditTrail, SettingsOpenedFromTheCommandLine) {
  StartProgram("x /open");
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(program().WaitExit(15000));
  ExpectTrayEvents({Tray(1000, "information", {QUANDOR_VERSION}), Tray(1012, "information", {"x /open"})},
                   "start with a command line");
}

// What the dialog writes on a first run (the settings dialog's e2e tests show it), so
// that a save changes only what is typed.
constexpr char kFirstRunSettings[] =
    "[ConfigSetting]\r\nFORCENUMKEY=1\r\nPRINTERS=1\r\nCLIPBOARD=1\r\nRDGUARD=0\r\nDELAY=500\r\n"
    "AUDIORECORDING=0\r\nUSEMONITORSALL=0\r\nAUDIOPLAYBACK=1\r\nLOCKBYDISCONNECTION=1\r\nEXPIRES=0\r\n"
    "EXPIRESAT=02:00\r\nENABLE=0\r\nDAILYKEY=0\r\nEVERYHRS=12\r\n";

TEST_F(AuditTrail, SettingsSavesFailuresAndTheServiceNotTold) {
  StartService();
  WriteSettings(kFirstRunSettings);
  WriteEnciphered(folder() + "SettingsHost.ini",
                  "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=old-host\r\nLocalPassword=Local-Secret-Old\r\n");
  StartProgram();
  const auto save = [&](const std::string& host, const std::string& localPassword) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    if (!host.empty()) Type(settings, kHost, host);
    if (!localPassword.empty()) Type(settings, kLocalPassword, localPassword);
    Click(settings, IDOK);
    ASSERT_TRUE(WaitClosed(settings));
  };
  save("new-host", "Local-Secret-New");
  save("", "");
  ASSERT_TRUE(driver::service::Remove(kStandinServiceName));
  save("", "");
  // A save that fails: the enciphered file is held open without sharing.
  HWND settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  Type(settings, kLocalPassword, "Local-Secret-Typed");
  ASSERT_TRUE(DeleteFileA((folder() + "SettingsHost.ini").c_str()));
  HANDLE held = CreateFileA((folder() + "SettingsHost.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Click(settings, IDOK);
  const driver::MessageBoxSeen box = driver::WaitMessageBox(settings);
  CloseHandle(held);
  ASSERT_NE(box.window, nullptr);
  const std::string prefix = "The settings could not be saved:\n";
  ASSERT_EQ(box.text.rfind(prefix, 0), 0u) << box.text;
  ASSERT_TRUE(driver::DismissMessageBox(box.window));
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  // The box's first paragraph after its heading is the reason: the file and the error.
  const std::string reason = box.text.substr(prefix.size(), box.text.find("\n\n") - prefix.size());

  const std::string accepted = Tray(1010, "information", {});
  ExpectTrayEvents(
      {Tray(1000, "information", {QUANDOR_VERSION}), accepted, Tray(1020, "information", {"HOST, LocalPassword"}),
       accepted, Tray(1020, "information", {"none"}), accepted, Tray(1020, "information", {"none"}),
       Tray(1022, "warning", {"OpenService", "1060"}), accepted, Tray(1021, "error", {reason})},
      "three saves and a failed one");
}

class AuditCards : public AuditTrail {
 protected:
  // Selects the row showing `mask` in the card list.
  static void SelectCard(HWND cards, const std::string& mask) {
    const auto rows = Rows(cards);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      if (rows[r][1] == mask) {
        ASSERT_TRUE(driver::remote::ListSelectRow(driver::Control(cards, kCardList), static_cast<int>(r)));
        return;
      }
    }
    FAIL() << "no row shows " << mask;
  }
  static HANDLE HoldWithoutSharing(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
};

TEST_F(AuditCards, AccountChangeDeletionAndTheirFailures) {
  MakeCards({{"12345678.dll", "anna", "Card-Secret-Old"}, {"87654321.dll", "ben", "Card-Secret-Ben"}});
  StartProgram();
  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  SelectCard(cards, "12XXXX78");
  Type(cards, kCardUser, "bob");
  Type(cards, kCardPassword, "Card-Secret-New");
  Click(cards, kSaveCard);
  ASSERT_TRUE(WaitClosed(cards));
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  SelectCard(cards, "12XXXX78");
  Type(cards, kCardUser, "bob2");  // the same password: "unchanged"
  Click(cards, kSaveCard);
  ASSERT_TRUE(WaitClosed(cards));
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  SelectCard(cards, "12XXXX78");
  Click(cards, kDeleteCard);
  ASSERT_TRUE(driver::WaitFor([&] { return Rows(cards).size() == 1; }, 5000));

  // The other card's file held open: neither its save nor its deletion goes through.
  HANDLE held = HoldWithoutSharing(std::string(kCardFolder) + "87654321.dll");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SelectCard(cards, "87XXXX21");
  Type(cards, kCardUser, "carl");
  Type(cards, kCardPassword, "Card-Secret-Typed");
  Click(cards, kSaveCard);
  const driver::MessageBoxSeen box = driver::WaitMessageBox(cards);
  ASSERT_NE(box.window, nullptr);
  const std::string prefix = "The card's account could not be saved:\n";
  ASSERT_EQ(box.text.rfind(prefix, 0), 0u) << box.text;
  ASSERT_TRUE(driver::DismissMessageBox(box.window));
  Click(cards, kDeleteCard);
  Sleep(500);
  CloseHandle(held);
  ASSERT_TRUE(driver::FileExists(std::string(kCardFolder) + "87654321.dll"));
  PressKey(cards, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));

  std::string reason = box.text.substr(prefix.size());
  const std::size_t number = reason.find("87654321");
  ASSERT_NE(number, std::string::npos) << "the box names the file: " << reason;
  reason.replace(number, 8, "87XXXX21");
  ExpectTrayEvents(
      {Tray(1000, "information", {QUANDOR_VERSION}), Tray(1030, "information", {"12XXXX78", "anna", "bob", "changed"}),
       Tray(1030, "information", {"12XXXX78", "bob", "bob2", "unchanged"}), Tray(1031, "information", {"12XXXX78"}),
       Tray(1033, "error", {"87XXXX21", reason}),
       Tray(1033, "error", {"87XXXX21", std::string(kCardFolder) + "87XXXX21.dll: could not be deleted"})},
      "two changes, a deletion, two failures");
}

TEST_F(AuditCards, ResetCardsCountsWhatItDeleted) {
  MakeCards({{"11223344.dll", "anna", "a1"}, {"55667788.dll", "ben", "b2"}});
  StartProgram();
  HWND settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  HANDLE held = HoldWithoutSharing(std::string(kCardFolder) + "55667788.dll");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Click(settings, kResetCards);
  HWND question = ExpectYesNoQuestion(settings, "Delete all 2 registered cards?\n\nThis cannot be undone.", "two cards");
  ASSERT_TRUE(question && driver::DismissMessageBox(question, IDYES));
  ExpectMessage(settings, "Successfully removed remembered cards!", "information", "one held");
  CloseHandle(held);
  Click(settings, kResetCards);
  question = ExpectYesNoQuestion(settings, "Delete the 1 registered card?\n\nThis cannot be undone.", "the held one");
  ASSERT_TRUE(question && driver::DismissMessageBox(question, IDYES));
  ExpectMessage(settings, "Successfully removed remembered cards!", "information", "the held one");
  Click(settings, kResetCards);
  ExpectMessage(settings, "No registered cards available\xA0to clear", "information", "none left");
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  ExpectTrayEvents({Tray(1000, "information", {QUANDOR_VERSION}), Tray(1010, "information", {}),
                    Tray(1032, "information", {"1", "1"}), Tray(1032, "information", {"1", "0"})},
                   "two resets (the third found no card file: it asks nothing, deletes nothing and records nothing)");
}

TEST_F(AuditCards, NoSecretReachesTheTrace) {
  // Every secret typed or stored here, and a full card number, against everything the
  // group's programs traced so far (this test's actions included).
  const std::vector<std::string> secrets = {"Marbled",          "Gate-Secret-Wrong", "Local-Secret-Stored",
                                            "Local-Secret-New", "Local-Secret-Fail", "Card-Secret-Stored",
                                            "Card-Secret-New",  "31415926"};
  StartService();
  WriteEnciphered(folder() + "SettingsHost.ini", "[Settings]\r\nHOST=h\r\nLocalPassword=Local-Secret-Stored\r\n");
  MakeCards({{"31415926.dll", "pi", "Card-Secret-Stored"}});
  StartProgram("Marbled");  // a secret on the command line is the caller's doing, but still kept out
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(program().WaitExit(15000));

  StartProgram();
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EnterGatePassword(gate, "Gate-Secret-Wrong");
  ExpectMessage(gate, kWrongPasswordMessage, "warning", "wrong");
  EnterGatePassword(gate, "Marbled");
  settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  Type(settings, kLocalPassword, "Local-Secret-New");
  Click(settings, IDOK);
  ASSERT_TRUE(WaitClosed(settings));
  settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  Type(settings, kLocalPassword, "Local-Secret-Fail");
  ASSERT_TRUE(DeleteFileA((folder() + "SettingsHost.ini").c_str()));
  HANDLE held = CreateFileA((folder() + "SettingsHost.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Click(settings, IDOK);
  ExpectErrorStartingWith(settings, "The settings could not be saved:\n");
  CloseHandle(held);
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));

  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  SelectCard(cards, "31XXXX26");
  Type(cards, kCardPassword, "Card-Secret-New");
  Click(cards, kSaveCard);
  ASSERT_TRUE(WaitClosed(cards));
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  held = HoldWithoutSharing(std::string(kCardFolder) + "31415926.dll");
  SelectCard(cards, "31XXXX26");
  Click(cards, kDeleteCard);
  Sleep(500);
  CloseHandle(held);
  Click(cards, kDeleteCard);
  ExpectMessage(cards, "No registered cards available", "information", "the last card deleted");
  EXPECT_FALSE(driver::FileExists(std::string(kCardFolder) + "31415926.dll"));
  PressKey(cards, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));
  // The search means something only if every kind of event with a free text or a card was traced.
  for (const char* id : {"1012 ", "1011 ", "1020 ", "1021 ", "1030 ", "1033 ", "1031 "}) {
    const auto traced = [&] {
      const std::vector<std::string> events = TrayEvents();
      return std::any_of(events.begin(), events.end(), [&](const std::string& e) { return e.rfind(id, 0) == 0; });
    };
    EXPECT_TRUE(driver::WaitFor(traced, 5000)) << "no event " << id;
  }
  const std::string trace = EventTraceText();
  for (const std::string& secret : secrets) EXPECT_EQ(trace.find(secret), std::string::npos) << secret;
}

// quandorctl's writes, each with its event; its read-only commands write none.
TEST_F(AuditCards, QuandorctlWritesAndReadsOnly) {
  MakeCards({{"4711230098.dll", "j.miller", "Ctl-Card-Old"}, {"1234.dll", "x", "y"}});
  m_traceStart = EventTraceText().size();  // from here: the cards above were written by quandorctl too
  const std::string ctl = driver::OwnFolder() + "quandorctl.exe";
  // A folder's closing backslash doubled, so that it does not quote the closing quote.
  const std::string dir = "--dir \"" + folder() + "\\\" ";
  const std::string cardFolder = "--folder \"" + std::string(kCardFolder) + "\\\" ";
  const struct {
    std::string arguments, input;
    DWORD exitCode = 0;
  } runs[] = {
      // Saved, but the service is not installed here: exit status 5.
      {"settings set " + dir + "HOST=ctl-host --local-password-stdin", "Ctl-Secret-1\n", 5},
      {"settings show " + dir, ""},
      {"ini set \"" + folder() + "SettingsHost.ini\" Settings DOMAIN talo.example", ""},
      {"ini dump \"" + folder() + "SettingsHost.ini\"", ""},
      {"ini load \"" + std::string(kCardFolder) + "1234.dll\"", "[Settings]\r\nUSER=x\r\nPASSWORD=Ctl-Card-Load\r\n"},
      {"cards list " + cardFolder, ""},
      {"cards set-account " + cardFolder + "4711230098 --user neu --password-stdin", "Ctl-Card-New\n"},
      {"cards delete " + cardFolder + "4711230098", ""},
      {"cards reset " + cardFolder + "--yes", ""},
  };
  for (const auto& run : runs) {
    const driver::RunResult result = driver::Run(ctl, run.arguments, run.input);
    EXPECT_EQ(result.exitCode, run.exitCode) << run.arguments << ": " << result.output;
  }
  const std::string user = WindowsUser();
  const std::vector<std::string> expected = {
      "1020 information quandorctl: " + user + " | HOST, LocalPassword",
      "1022 warning quandorctl: " + user + " | OpenService | 1060",
      "1040 information quandorctl: " + user + " | " + folder() + "SettingsHost.ini | [Settings] DOMAIN",
      "1040 information quandorctl: " + user + " | " + kCardFolder + "12XXXX34.dll | the whole file",
      "1030 information quandorctl: " + user + " | 47XXXX98 | j.miller | neu | changed",
      "1031 information quandorctl: " + user + " | 47XXXX98",
      "1032 information quandorctl: " + user + " | 1 | 0"};
  driver::WaitFor([&] { return Events(2).size() >= expected.size(); }, 5000);
  EXPECT_EQ(Events(2), expected);
  const std::string trace = EventTraceText();
  for (const char* secret : {"Ctl-Secret-1", "Ctl-Card-Old", "Ctl-Card-New", "Ctl-Card-Load", "4711230098"})
    EXPECT_EQ(trace.find(secret), std::string::npos) << secret;
}

}  // namespace
}  // namespace e2e
