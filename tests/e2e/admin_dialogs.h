// The fixture of the end-to-end tests of the administrator's dialogs (the password gate,
// the settings dialog, the card list): opening them as a user does, reading and typing
// their controls through window messages, and the files they write, read back byte for
// byte (the enciphered ones through quandorctl). Test files: one per dialog.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/harness.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {

inline constexpr WPARAM kShowSettings = ID_TRAY_SHOWSETTINGS, kManageCards = ID_TRAY_MANAGECARDS;
inline constexpr UINT kTrayCallback = WM_USER + 1;
inline constexpr char kCaption[] = "Quandor Systems Card Authenticator";
inline constexpr char kCardRoot[] = "C:\\Quandor-Authenticator\\";
inline constexpr char kCardFolder[] = "C:\\Quandor-Authenticator\\CARD\\";
// Left in kCardRoot by these tests, so that they never delete a card folder they did not make.
inline constexpr char kCardRootMarker[] = "C:\\Quandor-Authenticator\\made-by-quandor-e2e.txt";
inline constexpr char kProfileKey[] = "Software\\Local AppWizard-Generated Applications\\QuandorAuthenticator";

// Control ids of the dialogs, the program's own (res/resource.h). That the built dialogs
// carry these numbers is checked once, in resources_test.cpp.
inline constexpr int kGatePassword = IDC_GATEPASSWORD;
inline constexpr int kHost = IDC_HOST, kDomain = IDC_DOMAIN, kLocalPassword = IDC_LOCALPASSWORD,
                     kUseGateway = IDC_USEGATEWAY, kGateway = IDC_GATEWAY, kPrinters = IDC_PRINTERS,
                     kClipboard = IDC_CLIPBOARD, kPlayThis = IDC_PLAY_THIS, kPlayRemote = IDC_PLAY_REMOTE,
                     kPlayNone = IDC_PLAY_NONE, kRecordThis = IDC_RECORD_THIS, kRecordNone = IDC_RECORD_NONE,
                     kAllMonitors = IDC_ALLMONITORS, kNumLock = IDC_NUMLOCK, kResetCards = IDC_RESETCARDS,
                     kCardsExpire = IDC_CARDSEXPIRE, kExpiryTime = IDC_EXPIRYTIME, kDelay = IDC_DELAY,
                     kLock = IDC_LOCKBYDISCONNECTION, kEnable = IDC_ENABLE, kEveryHrs = IDC_EVERYHRS,
                     kUnlockTime = IDC_UNLOCKTIME;
inline constexpr int kCardUser = IDC_CARDUSER, kCardPassword = IDC_CARDPASSWORD, kSaveCard = IDC_SAVECARD,
                     kDeleteCard = IDC_DELETECARD, kCardList = IDC_CARDLIST;

// Posted, not sent: a click that opens a modal window returns only when it closes.
inline void Click(HWND dialog, int id) { driver::Post(driver::Control(dialog, id), BM_CLICK, 0, 0); }

inline bool Ticked(HWND dialog, int id) {
  return driver::Send(driver::Control(dialog, id), BM_GETCHECK, 0, 0).value_or(0) != BST_UNCHECKED;
}

inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(driver::Control(dialog, id)) != FALSE; }

inline std::string Text(HWND dialog, int id) { return driver::TextOf(driver::Control(dialog, id)); }

inline void Type(HWND dialog, int id, const std::string& text) {
  ASSERT_TRUE(driver::SetText(driver::Control(dialog, id), text));
}

inline bool HasExtendedStyle(HWND window, LONG_PTR style) {
  return (GetWindowLongPtrA(window, GWL_EXSTYLE) & style) == style;
}

inline bool Masked(HWND dialog, int id) {
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

  // The card list's rows: user name, masked card number, expiry time.
  static std::vector<std::vector<std::string>> Rows(HWND cards) {
    HWND list = driver::Control(cards, kCardList);
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < driver::remote::ListRowCount(list); ++r)
      rows.push_back({driver::remote::ListText(list, r, 0), driver::remote::ListText(list, r, 1),
                      driver::remote::ListText(list, r, 2)});
    return rows;
  }

  // The card list's header, and a click on one of its headings as the mouse gives it.
  static HWND Header(HWND cards) {
    return reinterpret_cast<HWND>(driver::Send(driver::Control(cards, kCardList), LVM_GETHEADER, 0, 0).value_or(0));
  }
  static void ClickHeading(HWND cards, int column) {
    HWND header = Header(cards);
    const auto rect = driver::remote::HeaderItemRect(header, column);
    ASSERT_TRUE(rect);
    const LPARAM at = MAKELPARAM((rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2);
    driver::Post(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    driver::Post(header, WM_LBUTTONUP, 0, at);
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
  // Expects an error box owned by `owner` whose text starts with `start` (the rest names
  // the system's reason), and dismisses it.
  static void ExpectErrorStartingWith(HWND owner, const std::string& start) {
    const driver::MessageBoxSeen box = driver::WaitMessageBox(owner);
    ASSERT_NE(box.window, nullptr) << "no message box for: " << start;
    EXPECT_EQ(box.icon, "error");
    EXPECT_EQ(box.text.rfind(start, 0), 0u) << box.text;
    ASSERT_TRUE(driver::DismissMessageBox(box.window));
  }
  // Expects a warning question owned by `owner` with that text and the buttons Yes and No
  // only; the question's window, null when none came.
  static HWND ExpectYesNoQuestion(HWND owner, const std::string& text, const std::string& what) {
    const driver::MessageBoxSeen box = driver::WaitMessageBox(owner);
    EXPECT_NE(box.window, nullptr) << what << ": no question";
    if (!box.window) return nullptr;
    EXPECT_EQ(box.caption, kCaption) << what;
    EXPECT_EQ(box.text, text) << what;
    EXPECT_EQ(box.icon, "warning") << what;
    EXPECT_NE(driver::Control(box.window, IDYES), nullptr) << what << ": no Yes button";
    EXPECT_NE(driver::Control(box.window, IDNO), nullptr) << what << ": no No button";
    EXPECT_EQ(driver::Control(box.window, IDOK), nullptr) << what << ": an OK button";
    return box.window;
  }
  static void ExpectNoMessage(HWND owner, const std::string& what) {
    EXPECT_EQ(driver::WaitMessageBox(owner, 300).window, nullptr) << what;
  }

  // Moves the keyboard focus of `dialog` to its control `id`, as a Tab to it would, and
  // waits until the program's thread has it there.
  static bool FocusControl(HWND dialog, int id) {
    HWND control = driver::Control(dialog, id);
    if (!control || !driver::Post(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE)) return false;
    const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
    return driver::WaitFor(
        [&] {
          GUITHREADINFO info{};
          info.cbSize = sizeof info;
          return GetGUIThreadInfo(thread, &info) && info.hwndFocus == control;
        },
        3000);
  }
  // A character typed while `window` has the focus, as the keyboard's message loop posts it.
  static void TypeCharacter(HWND window, char c) {
    driver::Post(window, WM_CHAR, static_cast<unsigned char>(c), 1);
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

}  // namespace e2e
