// The program users get (the 32-bit build), driven by this 64-bit test program across
// the 32/64-bit boundary: window messages, list rows read through the 32-bit structure
// layout, the icon record of the stand-in tray. It is started once, because where the
// kernel refuses 32-bit code every start is emulated; the parts of its wiring then run in
// turn. A failed assertion ends its part only, so the later parts still run.
// Runs as win32.e2e.shipped (tests/shipped), with QUANDOR_E2E_PROGRAM naming the 32-bit
// program; against this build's own program it runs the same way.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/admin_dialogs.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

constexpr WPARAM kLogin = 32773, kExit = 32772;
// An emulated start (scripts/i386-run) takes a few seconds; the first window may take longer.
constexpr int kStartMs = 120000;

void Part(const char* what, const std::function<void()>& body) {
  SCOPED_TRACE(what);
  body();
}

using Shipped = AdminDialogs;

TEST_F(Shipped, OneStartThroughTrayPictureLoginSettingsCardListAndExit) {
  InstallService();  // installed, stopped
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\n");
  const std::map<std::string, std::vector<std::string>> rowOf = {{"4711230098.dll", {"j.miller", "47XXXX98", "03:30"}},
                                                                 {"99120455.dll", {"a.novak", "99XXXX55", "03:30"}}};
  MakeCards({{"4711230098.dll", "j.miller", "pj"}, {"99120455.dll", "a.novak", "pa"}});
  const DWORD since = GetTickCount();
  StartProgram("", kStartMs);
  ASSERT_NE(MainWindow(), nullptr);

  Part("the main window is nowhere to be seen", [&] {
    // Off the screen, without a taskbar button (the program keeps it "visible"), once the
    // dialog has initialised: the window is found as soon as it exists.
    RECT r{};
    EXPECT_TRUE(driver::WaitFor(
        [&] {
          r = driver::WindowRect(MainWindow());
          return r.right <= 0 && r.bottom <= 0;
        },
        5000))
        << r.left << " " << r.top << " " << r.right << " " << r.bottom;
    EXPECT_TRUE(HasExtendedStyle(MainWindow(), WS_EX_TOOLWINDOW));
    EXPECT_FALSE(HasExtendedStyle(MainWindow(), WS_EX_APPWINDOW));
  });

  Part("the picture follows the service", [&] {
    const auto first = WaitTrayRecord(
        since, [](const TrayRecord& r) { return r.call == "MODIFY"; }, kOneTickMs);
    ASSERT_TRUE(first) << "no poll";
    EXPECT_EQ(first->icon, "130") << "installed and stopped: struck through";
    ASSERT_TRUE(driver::service::Start(kStandinServiceName));
    EXPECT_EQ(NextPicture(GetTickCount()), "128") << "running: active";
    ASSERT_TRUE(driver::service::Control(kStandinServiceName, SERVICE_CONTROL_STOP) &&
                driver::service::WaitState(kStandinServiceName, SERVICE_STOPPED, 10000));
    EXPECT_EQ(NextPicture(GetTickCount()), "130") << "stopped: struck through";
  });

  Part("Login RDP starts the sibling and logs the entry", [&] {
    ASSERT_TRUE(driver::Post(MainWindow(), WM_COMMAND, kLogin, 0));
    ASSERT_TRUE(driver::WaitFor([&] { return !ServiceUiStarts().empty(); }, 10000)) << "the sibling did not start";
    EXPECT_EQ(ServiceUiStarts(), std::vector<std::string>{"login"});
    ASSERT_TRUE(driver::WaitFor([&] { return driver::ReadFileText(LogPath()).size() == 2 * 319; }, 5000))
        << "not one header and one record";
    const std::string log = driver::ReadFileText(LogPath());
    EXPECT_EQ(LogField(log, 0, 0, 11), "DATE\t");
    EXPECT_EQ(LogField(log, 1, 20, 21), "QuandorAuthenticato\t");
    EXPECT_EQ(LogField(log, 1, 41, 21), "MenuLogin\t");
    EXPECT_EQ(LogField(log, 1, 62, 255), "Login");
    EXPECT_EQ(log.substr(319 + 317, 2), "\r\n");
  });

  Part("the card list shows its rows and sorts them", [&] {
    HWND cards = OpenCardList();
    ASSERT_NE(cards, nullptr);
    std::vector<std::vector<std::string>> expected;
    for (const std::string& file : CardFilesInFolderOrder()) expected.push_back(rowOf.at(file));
    EXPECT_EQ(Rows(cards), expected) << "rows in the folder's order";
    // The list calls our sort callback (a 32-bit-only fault there breaks the sort or the program).
    ClickHeading(cards, 0);
    const std::vector<std::vector<std::string>> sorted = {rowOf.at("99120455.dll"), rowOf.at("4711230098.dll")};
    EXPECT_TRUE(driver::WaitFor([&] { return Rows(cards) == sorted; }, 5000)) << "not sorted by user name";
    EXPECT_TRUE(driver::remote::HeaderItemFormat(Header(cards), 0).value_or(0) & HDF_OWNERDRAW)
        << "the sort column's heading is drawn by the list";
    PressKey(cards, VK_ESCAPE);
    EXPECT_TRUE(WaitClosed(cards));
  });

  Part("the settings opened from the tray save both files and tell the service once", [&] {
    ASSERT_TRUE(driver::service::Start(kStandinServiceName));
    const std::size_t controlsBefore = ServiceControls().size();
    HWND gate = OpenGate(/*byDoubleClick=*/true);
    ASSERT_NE(gate, nullptr);
    Type(gate, kGatePassword, "Marbled");
    Click(gate, IDOK);
    ASSERT_TRUE(WaitClosed(gate));
    HWND settings = WaitDialog(kCaption, kHost);
    ASSERT_NE(settings, nullptr) << "the settings did not open";
    Type(settings, kHost, "rd.example.org");
    Type(settings, kLocalPassword, "pass=word 1");
    Click(settings, IDOK);
    ASSERT_TRUE(WaitClosed(settings)) << "the save did not close the dialog";
    EXPECT_EQ(File("Settings.ini"),
              "[ConfigSetting]\r\nDEBUG=1\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\nFORCENUMKEY=1\r\nPRINTERS=1\r\n"
              "CLIPBOARD=1\r\nRDGUARD=0\r\nDELAY=500\r\nAUDIORECORDING=0\r\nUSEMONITORSALL=0\r\nAUDIOPLAYBACK=1\r\n"
              "LOCKBYDISCONNECTION=1\r\nENABLE=0\r\nDAILYKEY=0\r\nEVERYHRS=12\r\n");
    EXPECT_EQ(Dump(folder() + "SettingsHost.ini"),
              "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=rd.example.org\r\nLocalPassword=pass=word 1\r\n");
    ASSERT_TRUE(driver::WaitFor([&] { return ServiceControls().size() > controlsBefore; }, 5000))
        << "the service was not told";
    Sleep(300);
    const std::vector<std::string> controls = ServiceControls();
    EXPECT_EQ(std::vector<std::string>(controls.begin() + controlsBefore, controls.end()),
              std::vector<std::string>{"134"})
        << "one request per save";
    EXPECT_TRUE(driver::FileExists(folder() + "Read.txt"));
  });

  Part("Exit ends the process and takes the icon with it", [&] {
    const DWORD exitAt = GetTickCount();
    ASSERT_TRUE(driver::Post(MainWindow(), WM_COMMAND, kExit, 0));
    ASSERT_TRUE(program().WaitExit(30000)) << "the program did not end";
    const auto removed = WaitTrayRecord(
        exitAt, [](const TrayRecord& r) { return r.call == "DELETE"; }, 1000);
    ASSERT_TRUE(removed) << "the icon stayed";
    EXPECT_TRUE(removed->ok);
  });
}

}  // namespace
}  // namespace e2e
