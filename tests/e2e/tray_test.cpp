// The real program under Wine, watched from outside: its icon calls through the
// stand-in tray, its windows through window messages, its files in its folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/fixtures/standin_service.h"
#include "tests/fixtures/standin_tray.h"

namespace e2e {
namespace {

constexpr UINT kTrayCallback = WM_USER + 1;
constexpr WPARAM kIconId = 1;
constexpr WPARAM kExit = 32772, kLogin = 32773, kSave = 32774;

int CountCalls(const std::vector<TrayRecord>& records, const std::string& call) {
  int n = 0;
  for (const TrayRecord& r : records) n += r.call == call;
  return n;
}

// ---- one instance per user ----

using SingleInstance = ProgramTest;

TEST_F(SingleInstance, SecondStartEndsAtOnceWithOrWithoutArguments) {
  StartProgram();
  for (const std::string arguments : {"", "x", "  settings now"}) {
    driver::Process second = driver::Start(folder() + "QuandorAuthenticator.exe", arguments, folder());
    ASSERT_TRUE(second.valid());
    EXPECT_TRUE(second.WaitExit(10000)) << "a second instance with arguments '" << arguments << "' kept running";
  }
  EXPECT_TRUE(program().Running());
  const auto records = TrayRecords();
  EXPECT_EQ(CountCalls(records, "ADD"), 1) << "a second instance touched the tray";
  EXPECT_EQ(CountCalls(records, "DELETE"), 0);
}

// ---- the icon and its picture ----

using TrayIcon = ProgramTest;

TEST_F(TrayIcon, AddedWithTipMessageAndActivePictureThenPolled) {
  const DWORD start = GetTickCount();
  StartProgram();  // no service installed
  const auto records = TrayRecords();
  ASSERT_GE(records.size(), 2u) << "the tray's READY and the program's ADD";
  EXPECT_EQ(records[0].call, "READY");
  const TrayRecord& add = records[1];
  ASSERT_EQ(add.call, "ADD");
  EXPECT_TRUE(add.ok);
  EXPECT_EQ(add.id, "1");
  EXPECT_EQ(add.flags, "7");  // NIF_MESSAGE | NIF_ICON | NIF_TIP
  EXPECT_EQ(add.msg, "401");
  EXPECT_EQ(add.tip, "Quandor Systems Card Authenticator");
  EXPECT_EQ(add.icon, "128") << "until the first poll the icon shows the active picture";
  char window[32];
  std::snprintf(window, sizeof window, "%lx",
                static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(MainWindow())));
  EXPECT_EQ(add.hwnd, window) << "the icon belongs to the main window";

  // The first poll finds no service: the inactive picture, tip unchanged.
  const auto poll = WaitTrayRecord(
      start, [](const TrayRecord& r) { return r.call == "MODIFY"; }, kOneTickMs);
  ASSERT_TRUE(poll);
  EXPECT_TRUE(poll->ok);
  EXPECT_EQ(poll->icon, "130");
  EXPECT_EQ(poll->tip, "Quandor Systems Card Authenticator");
}

TEST_F(TrayIcon, PictureFollowsTheServiceWithinOneTick) {
  StartProgram();
  InstallService();
  const std::string name = kStandinServiceName;
  struct Step {
    const char* what;
    std::function<bool()> act;
    const char* picture;
    DWORD heldState = 0;  // a state the service must still be in after the poll
  } steps[] = {
      {"installed, stopped", [] { return true; }, "130"},
      {"running", [&] { return driver::service::Start(name); }, "128"},
      {"paused",
       [&] {
         return driver::service::Control(name, SERVICE_CONTROL_PAUSE) &&
                driver::service::WaitState(name, SERVICE_PAUSED, 5000);
       },
       "128"},
      {"continue pending",
       [&] {
         return driver::service::Control(name, kReportStateBase + SERVICE_CONTINUE_PENDING) &&
                driver::service::WaitState(name, SERVICE_CONTINUE_PENDING, 5000);
       },
       "128"},
      {"pause pending",
       [&] {
         return driver::service::Control(name, kReportStateBase + SERVICE_PAUSE_PENDING) &&
                driver::service::WaitState(name, SERVICE_PAUSE_PENDING, 5000);
       },
       "128"},
      {"running again",
       [&] {
         return driver::service::Control(name, kReportStateBase + SERVICE_RUNNING) &&
                driver::service::WaitState(name, SERVICE_RUNNING, 5000);
       },
       "128"},
      // The service leaves these two by itself (kPendingLastsMs): no control reaches it there.
      {"stop pending",
       [&] {
         return driver::service::Control(name, kReportStateBase + SERVICE_STOP_PENDING) &&
                driver::service::WaitState(name, SERVICE_STOP_PENDING, 5000);
       },
       "128", SERVICE_STOP_PENDING},
      {"start pending",
       [&] {
         return driver::service::WaitState(name, SERVICE_RUNNING, kPendingLastsMs + 5000) &&
                driver::service::Control(name, kReportStateBase + SERVICE_START_PENDING) &&
                driver::service::WaitState(name, SERVICE_START_PENDING, 5000);
       },
       "128", SERVICE_START_PENDING},
      {"stopped",
       [&] {
         return driver::service::WaitState(name, SERVICE_RUNNING, kPendingLastsMs + 5000) &&
                driver::service::Control(name, SERVICE_CONTROL_STOP) &&
                driver::service::WaitState(name, SERVICE_STOPPED, 10000);
       },
       "130"},
      {"started again", [&] { return driver::service::Start(name); }, "128"},
      {"removed", [&] { return driver::service::Remove(name); }, "130"},
  };
  for (const Step& step : steps) {
    ASSERT_TRUE(step.act()) << "could not make the service " << step.what;
    EXPECT_EQ(NextPicture(GetTickCount()), step.picture) << "service " << step.what;
    // A state that ends by itself must have lasted past the poll that showed it.
    if (step.heldState) {
      EXPECT_EQ(driver::service::State(name), step.heldState) << "service " << step.what;
    }
  }
  // The stand-in service saw every control code sent to it, in order.
  EXPECT_EQ(driver::Lines(driver::ReadFileText(folder() + "service-controls.txt")),
            (std::vector<std::string>{"2", "205", "206", "204", "203", "202", "1", "1"}));
}

// ---- the tray callback ----

using TrayCallback = ProgramTest;

TEST_F(TrayCallback, ARightPressOnAnotherIconIsNotOurs) {
  // Which icon and button act is the tray's dispatch rule (tests/unit/app/tray_rules_test.cpp);
  // this quiet case and the popups below show its wiring. The left double-click opens the
  // password gate (password_gate_test.cpp).
  StartProgram();
  // A popup would keep the call from returning: an answer means no menu was shown.
  const auto answer = driver::Send(MainWindow(), kTrayCallback, 2, WM_RBUTTONDOWN, 3000);
  ASSERT_TRUE(answer) << "the call did not return";
  EXPECT_EQ(*answer, 0) << "another icon's message is not handled";
  EXPECT_TRUE(ProgramWindows("#32768").empty()) << "a popup opened";
  EXPECT_TRUE(ProgramWindows("#32770").empty()) << "a dialog opened";
  EXPECT_TRUE(program().Running());
}

HWND WaitPopup(DWORD pid) {
  driver::WindowFilter popup(pid, "#32768");
  popup.visibleOnly = true;
  return driver::WaitTopWindow(popup, 5000);
}

TEST_F(TrayCallback, RightButtonAndContextMenuShowThePopupEscClosesIt) {
  StartProgram();
  for (LPARAM mouse : {WM_RBUTTONDOWN, WM_CONTEXTMENU}) {
    ASSERT_TRUE(driver::Post(MainWindow(), kTrayCallback, kIconId, mouse));
    HWND popup = WaitPopup(program().id());
    ASSERT_NE(popup, nullptr) << "no popup for message 0x" << std::hex << mouse;
    PressKey(popup, VK_ESCAPE);
    EXPECT_TRUE(driver::WaitFor([&] { return ProgramWindows("#32768").empty(); }, 5000));
  }
  EXPECT_TRUE(program().Running());
}

TEST_F(TrayCallback, PopupHoldsFiveCommandsAndTwoSeparatorsEndingWithExit) {
  StartProgram();
  ASSERT_TRUE(driver::Post(MainWindow(), kTrayCallback, kIconId, WM_RBUTTONDOWN));
  HWND popup = WaitPopup(program().id());
  ASSERT_NE(popup, nullptr);
  // Down walks the commands and skips separators: Show Settings, Login RDP, Change RDP
  // Credentials, Manage Registered Cards, Exit.
  for (int i = 0; i < 5; ++i) PressKey(popup, VK_DOWN);
  PressKey(popup, VK_RETURN);
  EXPECT_TRUE(program().WaitExit(10000)) << "the fifth command is not Exit";
  EXPECT_TRUE(ServiceUiStarts().empty());
}

TEST_F(TrayCallback, DefaultItemShowsFromTheSecondPopupOn) {
  StartProgram();
  std::vector<std::vector<DWORD>> shown;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(driver::Post(MainWindow(), kTrayCallback, kIconId, WM_RBUTTONDOWN));
    HWND popup = WaitPopup(program().id());
    ASSERT_NE(popup, nullptr);
    Sleep(300);  // drawn
    shown.push_back(driver::ScreenPixels(driver::WindowRect(popup)));
    PressKey(popup, VK_ESCAPE);
    ASSERT_TRUE(driver::WaitFor([&] { return ProgramWindows("#32768").empty(); }, 5000));
  }
  // The first popup has no default item; the mark (bold "Show Settings") comes with
  // the second and stays.
  EXPECT_NE(shown[0], shown[1]);
  EXPECT_EQ(shown[1], shown[2]);
}

// ---- log-on commands ----

class LogonCommands : public ProgramTest {
 protected:
  // Runs a command and waits until the stand-in sibling program has recorded it.
  void RunCommand(WPARAM command, std::size_t startsBefore) {
    ASSERT_TRUE(driver::Post(MainWindow(), WM_COMMAND, command, 0));
    ASSERT_TRUE(driver::WaitFor([&] { return ServiceUiStarts().size() > startsBefore; }, 10000))
        << "the sibling program was not started";
  }
};

TEST_F(LogonCommands, StartTheSiblingAndLogOnlyWhileDebugIsNotZero) {
  StartProgram();
  // Which DEBUG values log is the tray's rule (tests/unit/app/tray_rules_test.cpp); one
  // setting that logs and one that does not show that the commands read it.
  struct Case {
    const char* settings;  // null: no Settings.ini
    bool logged;
  } cases[] = {
      {nullptr, false},
      {"[ConfigSetting]\r\nDEBUG=1\r\n", true},
  };
  std::size_t starts = 0, entries = 0;
  for (const Case& c : cases) {
    WriteSettings(c.settings);
    for (const auto& [command, parameter, procedure, description] :
         {std::make_tuple(kLogin, "login", "MenuLogin", "Login"), std::make_tuple(kSave, "save", "MenuSave", "Save")}) {
      RunCommand(command, starts);
      ++starts;
      ASSERT_EQ(ServiceUiStarts().size(), starts);
      EXPECT_EQ(ServiceUiStarts().back(), parameter) << "the only argument is the parameter";
      const std::string log = driver::ReadFileText(LogPath());
      const std::string settings = c.settings ? c.settings : "(no Settings.ini)";
      if (!c.logged) {
        EXPECT_FALSE(driver::FileExists(LogPath())) << settings;
        continue;
      }
      ++entries;
      ASSERT_EQ(log.size(), (entries + 1) * 319) << "one header and one record per action; " << settings;
      EXPECT_EQ(LogField(log, 0, 0, 11), "DATE\t");
      EXPECT_EQ(LogField(log, entries, 20, 21), "QuandorAuthenticato\t");
      EXPECT_EQ(LogField(log, entries, 41, 21), std::string(procedure) + "\t") << settings;
      EXPECT_EQ(LogField(log, entries, 62, 255), description) << settings;
      EXPECT_EQ(log.substr(entries * 319 + 317, 2), "\r\n");
    }
  }
  EXPECT_TRUE(ProgramWindows("#32770").empty()) << "a command showed a window";
}

TEST_F(LogonCommands, MissingSiblingIsQuietAndStillLogged) {
  ASSERT_TRUE(DeleteFileA((folder() + "QuandorServiceUI.exe").c_str()));
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  ASSERT_TRUE(driver::Post(MainWindow(), WM_COMMAND, kLogin, 0));
  ASSERT_TRUE(driver::WaitFor([&] { return driver::ReadFileText(LogPath()).size() == 2 * 319; }, 10000));
  EXPECT_EQ(LogField(driver::ReadFileText(LogPath()), 1, 41, 21), "MenuLogin\t");
  EXPECT_TRUE(ProgramWindows("#32770").empty()) << "a failure was shown";
  EXPECT_TRUE(program().Running());
}

// ---- ending the program ----

using Ending = ProgramTest;

TEST_F(Ending, ExitEnterAndEscEndTheProgramAndRemoveTheIcon) {
  struct Case {
    const char* what;
    std::function<void(HWND)> end;
  } cases[] = {
      {"Exit", [](HWND w) { driver::Post(w, WM_COMMAND, kExit, 0); }},
      {"Enter", [](HWND w) { PressKey(w, VK_RETURN); }},
      {"Esc", [](HWND w) { PressKey(w, VK_ESCAPE); }},
  };
  for (const Case& c : cases) {
    const DWORD since = GetTickCount();
    StartProgram();
    c.end(MainWindow());
    ASSERT_TRUE(program().WaitExit(10000)) << c.what << " did not end the program";
    const auto removed = WaitTrayRecord(
        since, [](const TrayRecord& r) { return r.call == "DELETE"; }, 1000);
    ASSERT_TRUE(removed) << c.what << " left the icon";
    EXPECT_TRUE(removed->ok);
    EXPECT_EQ(removed->id, "1");
  }
}

// ---- the About box ----

using AboutBox = ProgramTest;

TEST_F(AboutBox, OpensFromTheSystemMenuWhileTheIconKeepsPolling) {
  StartProgram();
  ASSERT_TRUE(driver::Post(MainWindow(), WM_SYSCOMMAND, 0x10, 0));
  HWND about = driver::WaitTopWindow(driver::WindowFilter(program().id(), "#32770", "About KOV Authenticator"), 5000);
  ASSERT_NE(about, nullptr);
  std::vector<std::string> texts;
  HWND ok = nullptr;
  for (HWND child : driver::Children(about)) {
    texts.push_back(driver::TextOf(child));
    if (texts.back() == "OK") ok = child;
  }
  EXPECT_NE(std::find(texts.begin(), texts.end(), "KOV Authenticator, Version 1.0"), texts.end());
  ASSERT_NE(ok, nullptr);
  // The timer still reaches the main window while the box is open.
  EXPECT_EQ(NextPicture(GetTickCount()), "130");
  driver::Post(ok, BM_CLICK, 0, 0);
  EXPECT_TRUE(driver::WaitFor([&] { return !IsWindow(about); }, 5000));
  EXPECT_TRUE(program().Running());
  // Other system commands are the system's: the low four bits do not make an About.
  ASSERT_TRUE(driver::Send(MainWindow(), WM_SYSCOMMAND, 0x20, 0));
  EXPECT_TRUE(ProgramWindows("#32770").empty());
}

// ---- the icon comes back ----

using IconComesBack = ProgramTest;

TEST_F(IconComesBack, ShellNotReadyAtStart) {
  driver::Post(TrayWindow(), kTrayRefuseAdds, 1, 0);
  ASSERT_TRUE(WaitTrayRecord(
      0, [](const TrayRecord& r) { return r.call == "REFUSE"; }, 5000));
  const DWORD since = GetTickCount();
  StartProgram();
  const auto added = WaitTrayRecord(
      since, [](const TrayRecord& r) { return r.call == "ADD" && r.ok; }, kOneTickMs);
  ASSERT_TRUE(added) << "the icon was not added again";
  EXPECT_EQ(added->icon, "130") << "the retry carries the polled picture";
  EXPECT_EQ(NextPicture(added->tick), "130") << "updates go on after the retry";
}

TEST_F(IconComesBack, ShellRestartAddsTheIconAgain) {
  StartProgram();
  const DWORD since = GetTickCount();
  driver::Post(TrayWindow(), kTrayRestart, 0, 0);
  const auto added = WaitTrayRecord(
      since, [](const TrayRecord& r) { return r.call == "ADD"; }, 5000);
  ASSERT_TRUE(added) << "the program did not answer the shell's restart";
  EXPECT_TRUE(added->ok);
  EXPECT_EQ(added->tip, "Quandor Systems Card Authenticator");
  EXPECT_EQ(NextPicture(added->tick), "130");
}

TEST_F(IconComesBack, AnnouncementFromAShellThatKeptTheIcon) {
  StartProgram();
  const DWORD since = GetTickCount();
  driver::Post(TrayWindow(), kTrayAnnounce, 0, 0);
  ASSERT_TRUE(WaitTrayRecord(
      since, [](const TrayRecord& r) { return r.call == "ADD"; }, 5000));
  // The duplicate add is refused; the icon is still the program's and keeps updating.
  EXPECT_EQ(NextPicture(GetTickCount()), "130");
  const auto records = TrayRecords();
  EXPECT_EQ(CountCalls(records, "ADD"), 2);
  EXPECT_EQ(records.back().call, "MODIFY");
  EXPECT_TRUE(records.back().ok);
}

// ---- the system's own tray ----

class SystemTray : public ProgramTest {
 protected:
  SystemTray() { m_useStandinTray = false; }
};

TEST_F(SystemTray, IconShowsAndARealRightClickOpensThePopup) {
  StartProgram();
  // Wine shows the icons of a desktop without a notification area in this window.
  driver::WindowFilter tray(0, "", "Wine System Tray");
  tray.visibleOnly = true;
  HWND trayWindow = driver::WaitTopWindow(tray, 10000);
  ASSERT_NE(trayWindow, nullptr) << "the system tray shows no icon";
  RECT client;
  GetClientRect(trayWindow, &client);
  POINT icon{GetSystemMetrics(SM_CXSMICON) / 2 + 2, (client.bottom - client.top) / 2};
  ClientToScreen(trayWindow, &icon);
  driver::Click(icon.x, icon.y, "right");
  HWND popup = WaitPopup(program().id());
  ASSERT_NE(popup, nullptr) << "a right click on the icon showed no popup";
  PressKey(popup, VK_ESCAPE);
  ASSERT_TRUE(driver::WaitFor([&] { return ProgramWindows("#32768").empty(); }, 5000));
  driver::Post(MainWindow(), WM_COMMAND, kExit, 0);
  ASSERT_TRUE(program().WaitExit(10000));
  EXPECT_TRUE(driver::WaitFor([&] { return driver::TopWindows(tray).empty(); }, 5000)) << "the icon stayed";
}

}  // namespace
}  // namespace e2e
