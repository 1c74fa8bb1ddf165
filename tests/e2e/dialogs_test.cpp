// The administrator's dialogs of the real program under Wine: the password gate, the
// settings dialog, the card list and the commands that open them, worked through
// window messages; the files they write are read back byte for byte (the enciphered
// ones through quandorctl).
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

constexpr WPARAM kShowSettings = 32771, kManageCards = 32775;
constexpr UINT kTrayCallback = WM_USER + 1;
constexpr char kCaption[] = "Quandor Systems Card Authenticator";
constexpr char kCardRoot[] = "C:\\Quandor-Authenticator\\";
constexpr char kCardFolder[] = "C:\\Quandor-Authenticator\\CARD\\";
// Left in kCardRoot by these tests, so that they never delete a card folder they did not make.
constexpr char kCardRootMarker[] = "C:\\Quandor-Authenticator\\made-by-quandor-e2e.txt";
constexpr char kProfileKey[] = "Software\\Local AppWizard-Generated Applications\\QuandorAuthenticator";

// Control ids of the dialogs.
constexpr int kGatePassword = 1010;
constexpr int kHost = 1002, kDomain = 1009, kLocalPassword = 1003, kUseGateway = 1005, kGateway = 1006,
              kPrinters = 1007, kClipboard = 1008, kPlayThis = 1021, kPlayRemote = 1022, kPlayNone = 1023,
              kRecordThis = 1024, kRecordNone = 1025, kAllMonitors = 1026, kNumLock = 1027, kResetCards = 1011,
              kCardsExpire = 1017, kExpiryTime = 1018, kDelay = 1020, kLock = 1004, kEnable = 1000, kEveryHrs = 1001,
              kUnlockTime = 1016;
constexpr int kCardUser = 1013, kCardPassword = 1003, kSaveCard = 1014, kDeleteCard = 1015, kCardList = 1019;

// Posted, not sent: a click that opens a modal window returns only when it closes.
void Click(HWND dialog, int id) { driver::Post(driver::Control(dialog, id), BM_CLICK, 0, 0); }

bool Ticked(HWND dialog, int id) {
  return driver::Send(driver::Control(dialog, id), BM_GETCHECK, 0, 0).value_or(0) != BST_UNCHECKED;
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(driver::Control(dialog, id)) != FALSE; }

std::string Text(HWND dialog, int id) { return driver::TextOf(driver::Control(dialog, id)); }

void Type(HWND dialog, int id, const std::string& text) { ASSERT_TRUE(driver::SetText(driver::Control(dialog, id), text)); }

bool HasExtendedStyle(HWND window, LONG_PTR style) { return (GetWindowLongPtrA(window, GWL_EXSTYLE) & style) == style; }

bool Masked(HWND dialog, int id) {
  return driver::Send(driver::Control(dialog, id), EM_GETPASSWORDCHAR, 0, 0).value_or(0) != 0;
}

class AdminDialogs : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    ASSERT_FALSE(driver::FileExists(kCardRoot) && !driver::FileExists(kCardRootMarker))
        << kCardRoot << " was not made by these tests; they would delete its cards";
    RemoveCardFolder();
    RegDeleteTreeA(HKEY_CURRENT_USER, kProfileKey);
  }
  void TearDown() override {
    ProgramTest::TearDown();
    RemoveCardFolder();
    RegDeleteTreeA(HKEY_CURRENT_USER, kProfileKey);
  }

  static void RemoveCardFolder() {
    if (driver::FileExists(kCardRootMarker)) driver::RemoveFolder(kCardRoot);
  }

  // The program's visible dialog of that caption holding control `withControl`, other
  // than those in `known`.
  HWND WaitDialog(const std::string& caption, int withControl, const std::vector<HWND>& known = {},
                  int timeoutMs = 10000) const {
    HWND found = nullptr;
    driver::WaitFor(
        [&] {
          for (HWND w : ProgramWindows("#32770")) {
            if (driver::TextOf(w) == caption && driver::Control(w, withControl) &&
                std::find(known.begin(), known.end(), w) == known.end()) {
              found = w;
              return true;
            }
          }
          return false;
        },
        timeoutMs);
    return found;
  }

  // The gate and the settings dialog share their caption; the settings have a host field.
  std::vector<HWND> Dialogs(int withControl) const {
    std::vector<HWND> found;
    for (HWND w : ProgramWindows("#32770"))
      if (driver::TextOf(w) == kCaption && driver::Control(w, withControl)) found.push_back(w);
    return found;
  }
  std::vector<HWND> Gates() const { return Dialogs(kGatePassword); }
  std::vector<HWND> SettingsDialogs() const { return Dialogs(kHost); }

  HWND OpenGate(bool byDoubleClick = false) {
    const std::vector<HWND> before = Gates();
    if (byDoubleClick)
      driver::Post(MainWindow(), kTrayCallback, 1, WM_LBUTTONDBLCLK);
    else
      driver::Post(MainWindow(), WM_COMMAND, kShowSettings, 0);
    HWND gate = WaitDialog(kCaption, kGatePassword, before);
    EXPECT_NE(gate, nullptr) << "no password gate opened";
    return gate;
  }

  // Opens the settings through the gate with the right password.
  HWND OpenSettings() {
    HWND gate = OpenGate();
    if (!gate) return nullptr;
    Type(gate, kGatePassword, "Marbled");
    Click(gate, IDOK);
    EXPECT_TRUE(WaitClosed(gate));
    HWND settings = WaitDialog(kCaption, kHost);
    EXPECT_NE(settings, nullptr) << "the settings did not open";
    EXPECT_NE(driver::Control(settings, kHost), nullptr);
    return settings;
  }

  HWND OpenCardList() {
    driver::Post(MainWindow(), WM_COMMAND, kManageCards, 0);
    HWND cards = WaitDialog("Manage Registered Cards", kCardList);
    EXPECT_NE(cards, nullptr) << "the card list did not open";
    return cards;
  }

  static bool WaitClosed(HWND window) {
    return driver::WaitFor([&] { return !IsWindow(window); }, 5000);
  }

  // Expects a message box owned by `owner` with that text and icon, and dismisses it.
  static void ExpectMessage(HWND owner, const std::string& text, const std::string& icon, const std::string& what) {
    const driver::MessageBoxSeen box = driver::WaitMessageBox(owner);
    ASSERT_NE(box.window, nullptr) << what << ": no message box";
    EXPECT_EQ(box.caption, kCaption) << what;
    EXPECT_EQ(box.text, text) << what;
    EXPECT_EQ(box.icon, icon) << what;
    EXPECT_TRUE(driver::DismissMessageBox(box.window)) << what;
  }
  static void ExpectNoMessage(HWND owner, const std::string& what) {
    EXPECT_EQ(driver::WaitMessageBox(owner, 300).window, nullptr) << what;
  }

  std::string File(const std::string& name) const { return driver::ReadFileText(folder() + name); }

  // The deciphered INI text of an enciphered file, as quandorctl dumps it.
  static std::string Dump(const std::string& path) {
    const driver::RunResult run = driver::Run(driver::OwnFolder() + "quandorctl.exe", "ini dump \"" + path + "\"", "");
    EXPECT_EQ(run.exitCode, 0u) << "quandorctl ini dump " << path;
    return run.output;
  }
  static void WriteEnciphered(const std::string& path, const std::string& iniText) {
    const driver::RunResult run =
        driver::Run(driver::OwnFolder() + "quandorctl.exe", "ini load \"" + path + "\"", iniText);
    ASSERT_EQ(run.exitCode, 0u) << "quandorctl ini load " << path;
  }

  struct Card {
    std::string file, user, password;
  };
  static void MakeCards(const std::vector<Card>& cards) {
    CreateDirectoryA(kCardRoot, nullptr);
    ASSERT_TRUE(driver::WriteFileText(kCardRootMarker, ""));
    CreateDirectoryA(kCardFolder, nullptr);
    for (const Card& c : cards)
      WriteEnciphered(kCardFolder + c.file, "[Settings]\r\nUSER=" + c.user + "\r\nPASSWORD=" + c.password + "\r\n");
  }
  // The card files in the order the directory search returns them, as the program lists them.
  static std::vector<std::string> CardFilesInFolderOrder() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((std::string(kCardFolder) + "*.dll").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
  }

  // The control codes the stand-in service received, one per line.
  std::vector<std::string> ServiceControls() const { return driver::Lines(File("service-controls.txt")); }
  void StartService() {
    InstallService();
    ASSERT_TRUE(driver::service::Start(kStandinServiceName));
  }

  // Log entries (after the header) as "procedure/description".
  std::vector<std::string> LogEntries() const {
    const std::string log = driver::ReadFileText(LogPath());
    std::vector<std::string> entries;
    for (std::size_t record = 1; (record + 1) * 319 <= log.size(); ++record) {
      std::string procedure = LogField(log, record, 41, 21);
      if (!procedure.empty() && procedure.back() == '\t') procedure.pop_back();
      entries.push_back(procedure + "/" + LogField(log, record, 62, 255));
    }
    return entries;
  }
};

// ---- the password gate and the commands that open the settings ----

using PasswordGate = AdminDialogs;

TEST_F(PasswordGate, RefusesAnythingButThePasswordThenOpensTheSettings) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EXPECT_TRUE(Masked(gate, kGatePassword));
  EXPECT_EQ(Text(gate, kGatePassword), "");
  EXPECT_TRUE(HasExtendedStyle(gate, WS_EX_TOPMOST)) << "kept above other windows";
  const struct {
    const char* typed;
    const char* message;
    const char* fieldAfter;
  } refused[] = {
      {"", "Kindly enter the password", ""},
      {"MARBLED", "Kindly enter the correct password", ""},
      {"marbled", "Kindly enter the correct password", ""},
      {"Marbled ", "Kindly enter the correct password", ""},
      {" Marbled", "Kindly enter the correct password", ""},
      {"Marble", "Kindly enter the correct password", ""},
      {"Marbled2", "Kindly enter the correct password", ""},
  };
  for (const auto& c : refused) {
    Type(gate, kGatePassword, c.typed);
    Click(gate, IDOK);
    ExpectMessage(gate, c.message, "warning", std::string("typed '") + c.typed + "'");
    EXPECT_TRUE(IsWindow(gate)) << "the gate closed for '" << c.typed << "'";
    EXPECT_EQ(Text(gate, kGatePassword), c.fieldAfter) << "typed '" << c.typed << "'";
  }
  EXPECT_TRUE(SettingsDialogs().empty());

  // Cancel, Escape and the close box end the gate without a message, and nothing follows.
  const struct {
    const char* what;
    std::function<void(HWND)> close;
  } cancels[] = {
      {"Cancel", [](HWND g) { Click(g, IDCANCEL); }},
      {"Escape", [](HWND g) { PressKey(driver::Control(g, kGatePassword), VK_ESCAPE); }},
      {"close box", [](HWND g) { driver::Post(g, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& c : cancels) {
    c.close(gate);
    ASSERT_TRUE(WaitClosed(gate)) << c.what;
    EXPECT_TRUE(SettingsDialogs().empty()) << c.what;
    // The double-click opens the same gate; each one starts with an empty field.
    gate = OpenGate(/*byDoubleClick=*/true);
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(Text(gate, kGatePassword), "") << "after " << c.what;
    Type(gate, kGatePassword, "Marbled");  // typed, never submitted
  }
  EXPECT_FALSE(driver::FileExists(LogPath())) << "a cancelled gate was logged";

  // Enter submits: the settings open; they are logged once they have closed.
  PressKey(driver::Control(gate, kGatePassword), VK_RETURN);
  ASSERT_TRUE(WaitClosed(gate));
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(driver::FileExists(LogPath())) << "logged while the settings are open";
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  ASSERT_TRUE(driver::WaitFor([&] { return LogEntries().size() == 1; }, 5000));
  EXPECT_EQ(LogEntries(), std::vector<std::string>{"ShowSettings/Settings UI"});

  // A new gate after a successful one starts empty again.
  gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(Text(gate, kGatePassword), "");
  Click(gate, IDCANCEL);
  EXPECT_TRUE(WaitClosed(gate));
  EXPECT_TRUE(program().Running());
}

TEST_F(PasswordGate, OpensNoSecondSettingsWhileAGateOrTheSettingsAreOpen) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  HWND first = OpenGate();
  ASSERT_NE(first, nullptr);
  // Another gate opens from the tray, by the command and by the double-click; passing
  // it opens nothing while the first gate is there.
  for (bool byDoubleClick : {false, true}) {
    HWND second = OpenGate(byDoubleClick);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Gates().size(), 2u);
    Type(second, kGatePassword, "Marbled");
    Click(second, IDOK);
    ASSERT_TRUE(WaitClosed(second));
    EXPECT_EQ(WaitDialog(kCaption, kHost, {}, 1000), nullptr) << "a settings dialog opened beside the first gate";
    EXPECT_TRUE(IsWindow(first));
  }
  Type(first, kGatePassword, "Marbled");
  Click(first, IDOK);
  ASSERT_TRUE(WaitClosed(first));
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  // With the settings open, a gate passed opens no second one.
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  Type(gate, kGatePassword, "Marbled");
  Click(gate, IDOK);
  ASSERT_TRUE(WaitClosed(gate));
  EXPECT_EQ(WaitDialog(kCaption, kHost, {settings}, 1000), nullptr) << "a second settings dialog opened";
  EXPECT_EQ(SettingsDialogs(), std::vector<HWND>{settings});
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  ASSERT_TRUE(driver::WaitFor([&] { return !LogEntries().empty(); }, 5000));
  Sleep(300);
  EXPECT_EQ(LogEntries(), std::vector<std::string>{"ShowSettings/Settings UI"}) << "only the settings that opened are logged";
}

// ---- the start with a command line ----

using CommandLine = AdminDialogs;

// What a first run shows, control by control.
void ExpectFirstRunState(HWND settings) {
  for (int id : {kHost, kDomain, kLocalPassword, kGateway}) EXPECT_EQ(Text(settings, id), "") << id;
  EXPECT_EQ(Text(settings, kDelay), "500");
  const struct {
    int id;
    bool ticked;
  } ticks[] = {{kLock, true},       {kCardsExpire, false}, {kPrinters, true},  {kClipboard, true},
               {kUseGateway, false}, {kNumLock, true},     {kAllMonitors, false}, {kRecordThis, false},
               {kRecordNone, true},  {kPlayThis, false},   {kPlayRemote, true},  {kPlayNone, false},
               {kEnable, false}};
  for (const auto& t : ticks) EXPECT_EQ(Ticked(settings, t.id), t.ticked) << "control " << t.id;
  EXPECT_FALSE(Enabled(settings, kExpiryTime));
  EXPECT_FALSE(Enabled(settings, kGateway));
  EXPECT_FALSE(Enabled(settings, kUnlockTime));
  const auto time = driver::remote::PickerTime(driver::Control(settings, kExpiryTime));
  ASSERT_TRUE(time);
  EXPECT_EQ(time->wHour * 100 + time->wMinute, 200);
  EXPECT_EQ(driver::Send(driver::Control(settings, kEveryHrs), CB_GETCURSEL, 0, 0), 11) << "EVERYHRS 12";
  EXPECT_EQ(driver::Send(driver::Control(settings, kEveryHrs), CB_GETCOUNT, 0, 0), 12);
  EXPECT_FALSE(Masked(settings, kLocalPassword)) << "the local password shows in clear";
  // The hidden controls exist but are not shown; the labels beside them neither.
  for (int id : {kEnable, kUnlockTime, kEveryHrs}) {
    ASSERT_NE(driver::Control(settings, id), nullptr) << id;
    EXPECT_FALSE(IsWindowVisible(driver::Control(settings, id))) << id;
  }
  for (HWND child : driver::Children(settings)) {
    const std::string text = driver::TextOf(child);
    for (const char* hidden : {"unlock the computer at : ", "24 hrs", "Ask Credentials in every", "hrs"})
      if (text == hidden) {
        EXPECT_FALSE(IsWindowVisible(child)) << text;
      }
  }
}

TEST_F(CommandLine, OpensTheSettingsWithoutTheGateSavesAndEndsWithZero) {
  StartService();
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  ASSERT_TRUE(driver::WriteFileText(folder() + "Read.txt", "kept\r\n"));
  StartProgram("x");
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr) << "no settings dialog (or the gate opened instead)";
  ExpectFirstRunState(settings);

  Type(settings, kHost, "rd.example.org");
  Type(settings, kLocalPassword, "pass=word 1");
  Type(settings, kGateway, "gw.example.org");  // typed, gateway not ticked: stored, RDGUARD 0
  PressKey(driver::Control(settings, kHost), VK_RETURN);  // the default button saves
  const auto exitCode = program().WaitExit(15000);
  ASSERT_TRUE(exitCode) << "the program did not end after the settings closed";
  EXPECT_EQ(*exitCode, 0u);

  EXPECT_EQ(File("Settings.ini"),
            "[ConfigSetting]\r\nDEBUG=1\r\nFORCENUMKEY=1\r\nPRINTERS=1\r\nCLIPBOARD=1\r\nRDGUARD=0\r\nDELAY=500\r\n"
            "AUDIORECORDING=0\r\nUSEMONITORSALL=0\r\nAUDIOPLAYBACK=1\r\nLOCKBYDISCONNECTION=1\r\nEXPIRES=0\r\n"
            "EXPIRESAT=02:00\r\nENABLE=0\r\nDAILYKEY=0\r\nEVERYHRS=12\r\n");
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"),
            "[Settings]\r\nRDGATEWAY=gw.example.org\r\nDOMAIN=\r\nHOST=rd.example.org\r\nLocalPassword=pass=word 1\r\n");
  EXPECT_EQ(ServiceControls(), std::vector<std::string>{"134"});
  EXPECT_EQ(File("Read.txt"), "kept\r\n");
  EXPECT_EQ(LogEntries(), std::vector<std::string>{"ShowSettings/Settings UI"});
  for (const TrayRecord& r : TrayRecords()) EXPECT_NE(r.call, "DELETE") << "the icon was taken away";
}

TEST_F(CommandLine, BlanksAloneAreNoCommandLine) {
  StartProgram("   ");
  EXPECT_EQ(WaitDialog(kCaption, kHost, {}, 1500), nullptr) << "the settings opened";
  EXPECT_TRUE(program().Running());
}

// ---- the settings dialog ----

using SettingsDialog = AdminDialogs;

constexpr char kStoredSettings[] =
    "[ConfigSetting]\r\nLOCKBYDISCONNECTION=0\r\nEXPIRESAT=7:5\r\nEXPIRES=1\r\nENABLE=1\r\nEVERYHRS=1\r\n"
    "PRINTERS=0\r\nCLIPBOARD=yes\r\nRDGUARD=1\r\nDELAY=750\r\nFORCENUMKEY=0\r\nUSEMONITORSALL=\r\n"
    "AUDIORECORDING=1\r\nAUDIOPLAYBACK=0\r\nDAILYKEY=5\r\nDEBUG=0\r\n";
constexpr char kStoredHost[] =
    "[Settings]\r\nHOST=host.example\r\nLocalPassword=secret\r\nRDGATEWAY=gw.example\r\nDOMAIN=talo.example\r\n";

TEST_F(SettingsDialog, ShowsTheStoredValuesAndWritesNothingUntilASavePassesItsChecks) {
  StartService();
  WriteSettings(kStoredSettings);
  WriteEnciphered(folder() + "SettingsHost.ini", kStoredHost);
  const std::string plainBefore = File("Settings.ini"), encipheredBefore = File("SettingsHost.ini");
  auto expectNothingWritten = [&](const std::string& what) {
    EXPECT_EQ(File("Settings.ini"), plainBefore) << what;
    EXPECT_EQ(File("SettingsHost.ini"), encipheredBefore) << what;
    EXPECT_FALSE(driver::FileExists(folder() + "Read.txt")) << what;
    EXPECT_TRUE(ServiceControls().empty()) << what;
  };
  StartProgram();

  // Escape and the close box end the dialog after edits without writing anything.
  for (const char* how : {"Escape", "close box"}) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    Type(settings, kHost, "changed");
    Click(settings, kPrinters);
    if (std::string(how) == "Escape")
      PressKey(driver::Control(settings, kHost), VK_ESCAPE);
    else
      driver::Post(settings, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitClosed(settings)) << how;
    Sleep(200);
    expectNothingWritten(how);
  }

  HWND settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  const struct {
    int id;
    const char* text;
  } texts[] = {{kHost, "host.example"}, {kDomain, "talo.example"}, {kLocalPassword, "secret"},
               {kGateway, "gw.example"}, {kDelay, "750"}};
  for (const auto& t : texts) EXPECT_EQ(Text(settings, t.id), t.text) << "control " << t.id;
  const struct {
    int id;
    bool ticked;
  } ticks[] = {{kLock, false},      {kCardsExpire, true}, {kPrinters, false},   {kClipboard, false},
               {kUseGateway, true}, {kNumLock, false},    {kAllMonitors, true}, {kRecordThis, true},
               {kRecordNone, false}, {kPlayThis, true},   {kPlayRemote, false}, {kPlayNone, false},
               {kEnable, true}};
  for (const auto& t : ticks) EXPECT_EQ(Ticked(settings, t.id), t.ticked) << "control " << t.id;
  EXPECT_TRUE(Enabled(settings, kExpiryTime));
  EXPECT_TRUE(Enabled(settings, kGateway));
  EXPECT_TRUE(Enabled(settings, kUnlockTime));
  const auto time = driver::remote::PickerTime(driver::Control(settings, kExpiryTime));
  ASSERT_TRUE(time);
  EXPECT_EQ(time->wHour * 100 + time->wMinute, 705) << "7:5 shows as 07:05";
  EXPECT_EQ(driver::Send(driver::Control(settings, kEveryHrs), CB_GETCURSEL, 0, 0), 9) << "EVERYHRS 1 selects \"10\"";

  // The three checks, in order; only the first failing one speaks, nothing is written.
  const struct {
    const char* host;
    const char* password;
    const char* delay;
    const char* gateway;
    const char* message;
  } checks[] = {
      {"", "secret", "", "", "Kindly enter vaild Remote Desktop Host and Local system password"},
      {"h2", "", "900", "gw", "Kindly enter vaild Remote Desktop Host and Local system password"},
      {"h2", "secret", "", "", "Kindly enter Delay in milleseconds"},
      {"h2", "secret", "900", "", "Kindly enter RD Gateway Server"},
  };
  for (const auto& c : checks) {
    Type(settings, kHost, c.host);
    Type(settings, kLocalPassword, c.password);
    Type(settings, kDelay, c.delay);
    Type(settings, kGateway, c.gateway);
    Click(settings, IDOK);
    ExpectMessage(settings, c.message, "error", c.message);
    EXPECT_TRUE(IsWindow(settings));
    EXPECT_EQ(Text(settings, kHost), c.host) << "typed values stay";
    expectNothingWritten(c.message);
  }

  EXPECT_TRUE(HasExtendedStyle(settings, WS_EX_APPWINDOW)) << "a valid expiry time gives a taskbar button";
  EXPECT_TRUE(HasExtendedStyle(settings, WS_EX_TOPMOST)) << "kept above other windows";

  // The check boxes enable their control (the hidden one too); the gateway's text stays
  // while it is disabled.
  Click(settings, kEnable);
  EXPECT_TRUE(driver::WaitFor([&] { return !Enabled(settings, kUnlockTime); }, 2000));
  Type(settings, kGateway, "gw2");
  Click(settings, kUseGateway);
  EXPECT_TRUE(driver::WaitFor([&] { return !Enabled(settings, kGateway); }, 2000));
  EXPECT_EQ(Text(settings, kGateway), "gw2");
  Click(settings, kUseGateway);
  EXPECT_TRUE(driver::WaitFor([&] { return Enabled(settings, kGateway); }, 2000));
  Click(settings, kCardsExpire);
  EXPECT_TRUE(driver::WaitFor([&] { return !Enabled(settings, kExpiryTime); }, 2000));
  // The two radio groups are independent.
  Click(settings, kPlayNone);
  Click(settings, kRecordNone);
  EXPECT_TRUE(driver::WaitFor([&] { return Ticked(settings, kRecordNone); }, 2000));
  EXPECT_TRUE(Ticked(settings, kPlayNone));
  EXPECT_FALSE(Ticked(settings, kPlayThis));
  EXPECT_FALSE(Ticked(settings, kRecordThis));
  // The expiry time is written from the picker even while it is disabled.
  SYSTEMTIME evening{};
  GetLocalTime(&evening);
  evening.wHour = 18;
  evening.wMinute = 45;
  ASSERT_TRUE(driver::remote::SetPickerTime(driver::Control(settings, kExpiryTime), evening));
  Click(settings, IDOK);
  ASSERT_TRUE(WaitClosed(settings));

  EXPECT_EQ(File("Settings.ini"),
            "[ConfigSetting]\r\nLOCKBYDISCONNECTION=0\r\nEXPIRESAT=18:45\r\nEXPIRES=0\r\nENABLE=0\r\nEVERYHRS=10\r\n"
            "PRINTERS=0\r\nCLIPBOARD=0\r\nRDGUARD=1\r\nDELAY=900\r\nFORCENUMKEY=0\r\nUSEMONITORSALL=1\r\n"
            "AUDIORECORDING=0\r\nAUDIOPLAYBACK=2\r\nDAILYKEY=0\r\nDEBUG=0\r\n");
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"),
            "[Settings]\r\nHOST=h2\r\nLocalPassword=secret\r\nRDGATEWAY=gw2\r\nDOMAIN=talo.example\r\n");
  ASSERT_TRUE(driver::WaitFor([&] { return !ServiceControls().empty(); }, 5000));
  Sleep(300);
  EXPECT_EQ(ServiceControls(), std::vector<std::string>{"134"}) << "one request per save";
  EXPECT_TRUE(driver::FileExists(folder() + "Read.txt"));
  EXPECT_EQ(File("Read.txt"), "");
  EXPECT_FALSE(driver::FileExists(LogPath())) << "logged with DEBUG 0";
}

TEST_F(SettingsDialog, ResetCardsDeletesTheCardFilesOnly) {
  StartService();
  MakeCards({{"11223344.dll", "anna", "a1"}, {"55667788.dll", "ben", "b2"}});
  ASSERT_TRUE(CreateDirectoryA((std::string(kCardFolder) + "folder.dll").c_str(), nullptr));
  StartProgram();
  HWND settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  Type(settings, kHost, "typed");
  Click(settings, kResetCards);
  ExpectMessage(settings, "Successfully removed remembered cards!", "information", "two cards");
  EXPECT_EQ(CardFilesInFolderOrder(), std::vector<std::string>{});
  EXPECT_TRUE(driver::FileExists(std::string(kCardFolder) + "folder.dll")) << "a folder named like a card was deleted";
  // The no-break space between "available" and "to".
  const std::string noCards = "No registered cards available\xA0to clear";
  Click(settings, kResetCards);
  ExpectMessage(settings, noCards, "information", "only a folder left");
  driver::RemoveFolder(kCardFolder);
  Click(settings, kResetCards);
  ExpectMessage(settings, noCards, "information", "no card folder");
  EXPECT_TRUE(IsWindow(settings));
  EXPECT_EQ(Text(settings, kHost), "typed") << "Reset Cards changed a field";
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  Sleep(200);
  EXPECT_TRUE(ServiceControls().empty()) << "Reset Cards contacted the service";
  EXPECT_FALSE(driver::FileExists(folder() + "Settings.ini"));
}

TEST_F(SettingsDialog, AStorageFailureIsShownAndGoesNoFurther) {
  StartService();
  // A folder where the enciphered file should be: it cannot be read.
  ASSERT_TRUE(CreateDirectoryA((folder() + "SettingsHost.ini").c_str(), nullptr));
  StartProgram();
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  Type(gate, kGatePassword, "Marbled");
  Click(gate, IDOK);
  ASSERT_TRUE(WaitClosed(gate));
  // The box comes while the dialog initialises, before it shows.
  HWND settings = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        driver::WindowFilter filter(program().id(), "#32770", std::string(kCaption));
        for (HWND w : driver::TopWindows(filter))
          if (driver::Control(w, kHost)) settings = w;
        return settings != nullptr;
      },
      10000));
  const driver::MessageBoxSeen notRead = driver::WaitMessageBox(settings);
  ASSERT_NE(notRead.window, nullptr);
  EXPECT_EQ(notRead.icon, "error");
  EXPECT_EQ(notRead.text.rfind("The settings could not be read:\n" + folder() + "SettingsHost.ini: cannot ", 0), 0u)
      << notRead.text;
  ASSERT_TRUE(driver::DismissMessageBox(notRead.window));
  ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(settings) != FALSE; }, 5000)) << "the dialog did not stay";
  EXPECT_EQ(Text(settings, kDelay), "") << "a field was filled after the failure";
  EXPECT_EQ(Text(settings, kHost), "");
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));

  // The enciphered file is held open without sharing: the save stops at its first write.
  ASSERT_TRUE(RemoveDirectoryA((folder() + "SettingsHost.ini").c_str()));
  settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  Type(settings, kHost, "h");
  Type(settings, kLocalPassword, "p");
  HANDLE held = CreateFileA((folder() + "SettingsHost.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Click(settings, IDOK);
  const driver::MessageBoxSeen notSaved = driver::WaitMessageBox(settings);
  ASSERT_NE(notSaved.window, nullptr);
  EXPECT_EQ(notSaved.icon, "error");
  EXPECT_EQ(notSaved.text.rfind("The settings could not be saved:\n" + folder() + "SettingsHost.ini: cannot ", 0), 0u)
      << notSaved.text;
  ASSERT_TRUE(driver::DismissMessageBox(notSaved.window));
  EXPECT_TRUE(IsWindow(settings)) << "the dialog closed";
  EXPECT_EQ(File("Settings.ini"), "[ConfigSetting]\r\nFORCENUMKEY=1\r\n") << "the key before the failing one stays";
  EXPECT_FALSE(driver::FileExists(folder() + "Read.txt"));
  EXPECT_TRUE(ServiceControls().empty());

  // Once the obstacle is gone the same dialog saves.
  CloseHandle(held);
  ASSERT_TRUE(DeleteFileA((folder() + "SettingsHost.ini").c_str()));
  Click(settings, IDOK);
  ASSERT_TRUE(WaitClosed(settings));
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"), "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=h\r\nLocalPassword=p\r\n");
  ASSERT_TRUE(driver::WaitFor([&] { return !ServiceControls().empty(); }, 5000));
  EXPECT_EQ(ServiceControls(), std::vector<std::string>{"134"});

  // Without the service a save completes all the same, and nothing is shown.
  ASSERT_TRUE(driver::service::Remove(kStandinServiceName));
  settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  Type(settings, kHost, "h3");
  Click(settings, IDOK);
  ASSERT_TRUE(WaitClosed(settings));
  EXPECT_EQ(driver::WaitMessageBox(settings, 300).window, nullptr);
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"), "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=h3\r\nLocalPassword=p\r\n");
  EXPECT_TRUE(driver::FileExists(folder() + "Read.txt"));
}

// ---- the card list ----

class CardList : public AdminDialogs {
 protected:
  std::vector<std::vector<std::string>> Rows(HWND cards) const {
    HWND list = driver::Control(cards, kCardList);
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < driver::remote::ListRowCount(list); ++r)
      rows.push_back({driver::remote::ListText(list, r, 0), driver::remote::ListText(list, r, 1),
                      driver::remote::ListText(list, r, 2)});
    return rows;
  }
  // The masked number of a card file's name (file names of these tests hold one ".dll"):
  // the ends overlap for short numbers, "7" masks to "7XXXX7".
  static std::string MaskOf(const std::string& file) {
    const std::string number = file.substr(0, file.size() - 4);
    return number.substr(0, 2) + "XXXX" + number.substr(number.size() < 2 ? 0 : number.size() - 2);
  }
  std::string CardBytes(const std::string& file) const { return driver::ReadFileText(kCardFolder + file); }
  static std::string CardText(const std::string& user, const std::string& password) {
    return "[Settings]\r\nUSER=" + user + "\r\nPASSWORD=" + password + "\r\n";
  }
  static HWND Header(HWND cards) {
    return reinterpret_cast<HWND>(driver::Send(driver::Control(cards, kCardList), LVM_GETHEADER, 0, 0).value_or(0));
  }
  // A click on a heading, as the mouse gives it to the header.
  static void ClickHeading(HWND cards, int column) {
    HWND header = Header(cards);
    const auto rect = driver::remote::HeaderItemRect(header, column);
    ASSERT_TRUE(rect);
    const LPARAM at = MAKELPARAM((rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2);
    driver::Post(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    driver::Post(header, WM_LBUTTONUP, 0, at);
  }
};

TEST_F(CardList, ListsThreeCardsAndSavesTheChosenCardOnly) {
  WriteSettings("[ConfigSetting]\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\n");
  const std::vector<Card> made = {{"ABCDEF.dll", "anna", "pa"}, {"12345678.dll", "ben", "pb"}, {"7.dll", "cleo", "pc"}};
  MakeCards(made);
  StartProgram();
  const std::vector<std::string> order = CardFilesInFolderOrder();
  ASSERT_EQ(order.size(), 3u);
  auto cardOf = [&](const std::string& file) {
    return *std::find_if(made.begin(), made.end(), [&](const Card& c) { return c.file == file; });
  };
  std::map<std::string, std::string> before;
  for (const Card& c : made) before[c.file] = CardBytes(c.file);

  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  std::vector<std::vector<std::string>> expected;
  for (const std::string& file : order) expected.push_back({cardOf(file).user, MaskOf(file), "03:30"});
  EXPECT_EQ(Rows(cards), expected) << "rows in the folder's order";
  HWND list = driver::Control(cards, kCardList);
  EXPECT_EQ(driver::remote::ListSelectedRow(list), 0);
  EXPECT_EQ(Text(cards, kCardUser), cardOf(order[0]).user);
  EXPECT_EQ(Text(cards, kCardPassword), cardOf(order[0]).password);
  EXPECT_TRUE(Masked(cards, kCardPassword));
  EXPECT_TRUE(Enabled(cards, kSaveCard));
  EXPECT_TRUE(HasExtendedStyle(cards, WS_EX_APPWINDOW)) << "a taskbar button";

  // Escape after edits writes nothing.
  Type(cards, kCardUser, "nobody");
  PressKey(driver::Control(cards, kCardUser), VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));
  for (const Card& c : made) EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file;

  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  list = driver::Control(cards, kCardList);
  ASSERT_TRUE(driver::remote::ListSelectRow(list, 1));
  const Card second = cardOf(order[1]);
  EXPECT_EQ(Text(cards, kCardUser), second.user) << "the chosen card's account shows";
  EXPECT_EQ(Text(cards, kCardPassword), second.password);
  // An empty user name is refused; an empty password is not.
  Type(cards, kCardUser, "");
  Click(cards, kSaveCard);
  ExpectMessage(cards, "Kindly enter username and password ", "information", "empty user name");
  EXPECT_TRUE(IsWindow(cards));
  for (const Card& c : made) EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file;
  Type(cards, kCardUser, "bertha");
  Type(cards, kCardPassword, "");
  Click(cards, kSaveCard);
  ASSERT_TRUE(WaitClosed(cards));
  EXPECT_EQ(Dump(kCardFolder + second.file), CardText("bertha", ""));
  for (const Card& c : made) {
    if (c.file != second.file) {
      EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file << " was touched";
    }
  }
}

TEST_F(CardList, EachRowStandsForItsOwnCardInAnyOrder) {
  // Two cards share masked number and user name.
  const std::vector<Card> made = {{"12AB34.dll", "zoe", "z"}, {"12CD34.dll", "zoe", "y"}, {"99887766.dll", "adam", "a"},
                                  {"55443322.dll", "mia", "m"}};
  MakeCards(made);
  StartProgram();
  // Selects `row`, types a new user name and saves with Enter; expects that only the
  // card whose account the edit boxes showed was rewritten.
  auto saveRow = [&](HWND cards, int row, const std::string& newUser) {
    std::map<std::string, std::string> before;
    for (const Card& c : made) before[c.file] = CardBytes(c.file);
    const auto rowTexts = Rows(cards)[row];
    ASSERT_TRUE(driver::remote::ListSelectRow(driver::Control(cards, kCardList), row));
    const std::string user = Text(cards, kCardUser), password = Text(cards, kCardPassword);
    std::string chosen;
    for (const Card& c : made)
      if (Dump(kCardFolder + c.file) == CardText(user, password)) chosen = c.file;
    ASSERT_FALSE(chosen.empty()) << "the edit boxes show no card of row " << row;
    EXPECT_EQ(user, rowTexts[0]) << "the edit boxes show another row's card";
    EXPECT_EQ(MaskOf(chosen), rowTexts[1]) << "the edit boxes show another row's card";
    Type(cards, kCardUser, newUser);
    PressKey(driver::Control(cards, kCardUser), VK_RETURN);  // Enter is Save and Close
    ASSERT_TRUE(WaitClosed(cards));
    EXPECT_EQ(Dump(kCardFolder + chosen), CardText(newUser, password));
    for (const Card& c : made) {
      if (c.file != chosen) {
        EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file << " was touched";
      }
    }
  };

  // The second of the two identical rows: only its card is written.
  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  const auto listed = Rows(cards);
  ASSERT_EQ(listed.size(), 4u);
  std::vector<int> twins;
  for (int r = 0; r < 4; ++r)
    if (listed[r][0] == "zoe") twins.push_back(r);
  ASSERT_EQ(twins.size(), 2u);
  EXPECT_EQ(listed[twins[0]], listed[twins[1]]);
  saveRow(cards, twins[1], "zed");

  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  const auto enumerated = Rows(cards);
  auto column = [&](int c) {
    std::vector<std::string> texts;
    for (const auto& row : Rows(cards)) texts.push_back(row[c]);
    return texts;
  };
  using Texts = std::vector<std::string>;
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return column(0) == Texts{"adam", "mia", "zed", "zoe"}; }, 3000))
      << "first click: ascending";
  EXPECT_TRUE(driver::remote::HeaderItemFormat(Header(cards), 0).value_or(0) & HDF_OWNERDRAW)
      << "the sort column's heading is drawn by the list";
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return column(0) == Texts{"zoe", "zed", "mia", "adam"}; }, 3000))
      << "second click: descending";
  ClickHeading(cards, 1);
  ASSERT_TRUE(driver::WaitFor([&] { return column(1) == Texts{"12XXXX34", "12XXXX34", "55XXXX22", "99XXXX66"}; }, 3000))
      << "another column starts ascending";
  // Sorted by user name in the direction that differs from the folder's order, a row
  // that now stands where another card stood is saved.
  Texts listedUsers;
  for (const auto& r : enumerated) listedUsers.push_back(r[0]);
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return column(0).front() == "adam"; }, 3000));
  if (column(0) == listedUsers) {
    ClickHeading(cards, 0);
    ASSERT_TRUE(driver::WaitFor([&] { return column(0).front() == "zoe"; }, 3000));
  }
  const Texts sortedUsers = column(0);
  int row = 0;
  while (row < 4 && sortedUsers[row] == listedUsers[row]) ++row;
  ASSERT_LT(row, 4);
  saveRow(cards, row, "sorted-" + sortedUsers[row]);
}

TEST_F(CardList, DeletingTheOnlyCardAndAMissingFolder) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  // No card folder: the list opens all the same and says so while it sets up.
  driver::Post(MainWindow(), WM_COMMAND, kManageCards, 0);
  HWND cards = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto found = driver::TopWindows(driver::WindowFilter(program().id(), "#32770", "Manage Registered Cards"));
        cards = found.empty() ? nullptr : found.front();
        return cards != nullptr;
      },
      10000));
  ExpectMessage(cards, "No registered cards available", "information", "no card folder");
  ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(cards) != FALSE; }, 5000));
  EXPECT_EQ(driver::remote::ListRowCount(driver::Control(cards, kCardList)), 0);
  Click(cards, kSaveCard);  // no row: closes without writing
  ASSERT_TRUE(WaitClosed(cards));

  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  EXPECT_EQ(Text(cards, kCardUser), "solo");
  // The card's file goes while the dialog is open: the save says so and creates nothing.
  ASSERT_TRUE(DeleteFileA((std::string(kCardFolder) + "CAFE0001.dll").c_str()));
  Click(cards, kSaveCard);
  const driver::MessageBoxSeen failed = driver::WaitMessageBox(cards);
  ASSERT_NE(failed.window, nullptr);
  EXPECT_EQ(failed.icon, "error");
  EXPECT_EQ(failed.text.rfind("The card's account could not be saved:\n" + std::string(kCardFolder) + "CAFE0001.dll", 0),
            0u)
      << failed.text;
  ASSERT_TRUE(driver::DismissMessageBox(failed.window));
  EXPECT_TRUE(IsWindow(cards));
  EXPECT_FALSE(driver::FileExists(std::string(kCardFolder) + "CAFE0001.dll")) << "the save brought the card back";

  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  PressKey(cards, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  Click(cards, kDeleteCard);
  ExpectMessage(cards, "No registered cards available", "information", "the only card deleted");
  EXPECT_FALSE(driver::FileExists(std::string(kCardFolder) + "CAFE0001.dll"));
  EXPECT_EQ(driver::remote::ListRowCount(driver::Control(cards, kCardList)), 0);
  EXPECT_EQ(Text(cards, kCardUser), "");
  EXPECT_EQ(Text(cards, kCardPassword), "");
  EXPECT_TRUE(IsWindow(cards)) << "the dialog closed";
  // Without a row Delete Card only empties the edit boxes.
  Type(cards, kCardUser, "x");
  Click(cards, kDeleteCard);
  EXPECT_TRUE(driver::WaitFor([&] { return Text(cards, kCardUser).empty(); }, 2000));
  ExpectNoMessage(cards, "Delete Card without a row");
  PressKey(cards, VK_ESCAPE);
  EXPECT_TRUE(WaitClosed(cards));
  EXPECT_FALSE(driver::FileExists(LogPath())) << "the card list is never logged";
}

TEST_F(CardList, ColumnWidthsComeFromTheProfileWhenTheyFit) {
  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  StartProgram();
  auto widthsRecord = [](std::vector<int> values) {
    std::string bytes;
    for (int v : values)
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
  };
  const struct {
    const char* what;
    std::optional<std::string> stored;  // none: no value
    std::vector<int> widths;
  } cases[] = {
      {"no value", std::nullopt, {150, 80, 100}},
      {"three widths", widthsRecord({3, 210, 60, 90}), {210, 60, 90}},
      {"a count of two", widthsRecord({2, 210, 60}), {150, 80, 100}},
      {"shorter than its count", widthsRecord({3, 210, 60}), {150, 80, 100}},
      {"empty", std::string(), {150, 80, 100}},
  };
  const std::string section = std::string(kProfileKey) + "\\ListCtrls";
  for (const auto& c : cases) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProfileKey);
    if (c.stored) {
      ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, section.c_str(), "1019", REG_BINARY, c.stored->data(),
                                static_cast<DWORD>(c.stored->size())),
                ERROR_SUCCESS);
    }
    HWND cards = OpenCardList();
    ASSERT_NE(cards, nullptr);
    HWND list = driver::Control(cards, kCardList);
    std::vector<int> widths;
    for (int column = 0; column < 3; ++column) widths.push_back(driver::remote::ListColumnWidth(list, column));
    EXPECT_EQ(widths, c.widths) << c.what;
    PressKey(cards, VK_ESCAPE);
    ASSERT_TRUE(WaitClosed(cards));
    // Read, never written.
    char bytes[64];
    DWORD size = sizeof bytes;
    const LSTATUS read = RegGetValueA(HKEY_CURRENT_USER, section.c_str(), "1019", RRF_RT_REG_BINARY, nullptr, bytes, &size);
    if (c.stored) {
      EXPECT_EQ(read, ERROR_SUCCESS) << c.what;
      EXPECT_EQ(std::string(bytes, size), *c.stored) << c.what;
    } else {
      EXPECT_NE(read, ERROR_SUCCESS) << c.what << ": a value was written";
    }
  }
}

}  // namespace
}  // namespace e2e
