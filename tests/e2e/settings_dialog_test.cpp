// The settings dialog of the real program under Wine: opened through the gate or by a
// command line; what it shows and what it writes.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/admin_dialogs.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

// ---- the start with a command line ----

using CommandLine = AdminDialogs;

TEST_F(CommandLine, OpensTheSettingsWithoutTheGateSavesAndEndsWithZero) {
  StartService();
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  ASSERT_TRUE(driver::WriteFileText(folder() + "Read.txt", "kept\r\n"));
  StartProgram("x");
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr) << "no settings dialog (or the gate opened instead)";
  // What a first run shows is the form's rule (tests/unit/settings/settings_form_test.cpp);
  // the bytes saved below show that it reached the controls.

  Type(settings, kHost, "rd.example.org");
  Type(settings, kLocalPassword, "pass=word 1");
  Type(settings, kGateway, "gw.example.org");             // typed, gateway not ticked: stored, RDGUARD 0
  PressKey(driver::Control(settings, kHost), VK_RETURN);  // the default button saves
  const auto exitCode = program().WaitExit(15000);
  ASSERT_TRUE(exitCode) << "the program did not end after the settings closed";
  EXPECT_EQ(*exitCode, 0u);

  EXPECT_EQ(File("Settings.ini"),
            "[ConfigSetting]\r\nDEBUG=1\r\nFORCENUMKEY=1\r\nPRINTERS=1\r\nCLIPBOARD=1\r\nRDGUARD=0\r\nDELAY=500\r\n"
            "AUDIORECORDING=0\r\nUSEMONITORSALL=0\r\nAUDIOPLAYBACK=1\r\nLOCKBYDISCONNECTION=1\r\nEXPIRES=0\r\n"
            "EXPIRESAT=02:00\r\nENABLE=0\r\nDAILYKEY=0\r\nEVERYHRS=12\r\n");
  EXPECT_EQ(
      Dump(folder() + "SettingsHost.ini"),
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
  } texts[] = {{kHost, "host.example"},
               {kDomain, "talo.example"},
               {kLocalPassword, "secret"},
               {kGateway, "gw.example"},
               {kDelay, "750"}};
  for (const auto& t : texts) EXPECT_EQ(Text(settings, t.id), t.text) << "control " << t.id;
  const struct {
    int id;
    bool ticked;
  } ticks[] = {{kLock, false},       {kCardsExpire, true}, {kPrinters, false},   {kClipboard, false},
               {kUseGateway, true},  {kNumLock, false},    {kAllMonitors, true}, {kRecordThis, true},
               {kRecordNone, false}, {kPlayThis, true},    {kPlayRemote, false}, {kPlayNone, false},
               {kEnable, true}};
  for (const auto& t : ticks) EXPECT_EQ(Ticked(settings, t.id), t.ticked) << "control " << t.id;
  EXPECT_TRUE(Enabled(settings, kExpiryTime));
  EXPECT_TRUE(Enabled(settings, kGateway));
  EXPECT_TRUE(Enabled(settings, kUnlockTime));
  const auto time = driver::remote::PickerTime(driver::Control(settings, kExpiryTime));
  ASSERT_TRUE(time);
  EXPECT_EQ(time->wHour * 100 + time->wMinute, 705) << "7:5 shows as 07:05";
  EXPECT_EQ(driver::Send(driver::Control(settings, kEveryHrs), CB_GETCURSEL, 0, 0), 9) << "EVERYHRS 1 selects \"10\"";

  // The checks and their order are the form's rule (settings_form_test.cpp); one failing
  // check shows the wiring: its message, the dialog stays with what was typed, nothing is written.
  Type(settings, kHost, "h2");
  Type(settings, kDelay, "");
  Click(settings, IDOK);
  ExpectMessage(settings, "Kindly enter Delay in milleseconds", "error", "no delay");
  EXPECT_TRUE(IsWindow(settings));
  EXPECT_EQ(Text(settings, kHost), "h2") << "typed values stay";
  expectNothingWritten("no delay");
  Type(settings, kDelay, "900");

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
  HWND question = ExpectYesNoQuestion(settings, "Delete all 2 registered cards?\n\nThis cannot be undone.", "two cards");
  ASSERT_TRUE(question && driver::DismissMessageBox(question, IDYES));
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

// A bare "r" on a button or check box is the access key of "&Reset Cards": a host name
// typed into the wrong field reaches it. Only an explicit Yes deletes.
TEST_F(SettingsDialog, AStrayKeystrokeOnResetCardsDeletesOnlyAfterYes) {
  MakeCards({{"11223344.dll", "anna", "a1"}, {"55667788.dll", "ben", "b2"}, {"99001122.dll", "cleo", "c3"}});
  const std::vector<std::string> cards = CardFilesInFolderOrder();
  StartProgram();
  HWND settings = OpenSettings();
  ASSERT_NE(settings, nullptr);
  HWND printers = driver::Control(settings, kPrinters);
  const bool printersTicked = Ticked(settings, kPrinters);
  ASSERT_TRUE(FocusControl(settings, kPrinters));
  const std::string text = "Delete all 3 registered cards?\n\nThis cannot be undone.";
  const struct {
    const char* answer;
    std::function<bool(HWND)> give;
    bool deletes;
  } answers[] = {
      {"No", [](HWND box) { return driver::DismissMessageBox(box, IDNO); }, false},
      {"Enter (the default button)",
       [](HWND box) {
         PressKey(box, VK_RETURN);
         return WaitClosed(box);
       },
       false},
      {"Yes", [](HWND box) { return driver::DismissMessageBox(box, IDYES); }, true},
  };
  for (const auto& a : answers) {
    TypeCharacter(printers, 'r');
    HWND question = ExpectYesNoQuestion(settings, text, a.answer);
    ASSERT_NE(question, nullptr) << a.answer;
    ASSERT_TRUE(a.give(question)) << a.answer;
    if (a.deletes) {
      ExpectMessage(settings, "Successfully removed remembered cards!", "information", a.answer);
      EXPECT_EQ(CardFilesInFolderOrder(), std::vector<std::string>{}) << a.answer;
    } else {
      ExpectNoMessage(settings, std::string("a message after ") + a.answer);
      EXPECT_EQ(CardFilesInFolderOrder(), cards) << a.answer;
    }
    EXPECT_TRUE(IsWindow(settings)) << a.answer;
  }
  EXPECT_EQ(Ticked(settings, kPrinters), printersTicked) << "the keystroke changed the check box";
  PressKey(settings, VK_ESCAPE);
  EXPECT_TRUE(WaitClosed(settings));
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
  ExpectErrorStartingWith(settings, "The settings could not be read:\n" + folder() + "SettingsHost.ini: cannot ");
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
  HANDLE held = CreateFileA((folder() + "SettingsHost.ini").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Click(settings, IDOK);
  ExpectErrorStartingWith(settings, "The settings could not be saved:\n" + folder() + "SettingsHost.ini: cannot ");
  EXPECT_TRUE(IsWindow(settings)) << "the dialog closed";
  EXPECT_EQ(File("Settings.ini"), "[ConfigSetting]\r\nFORCENUMKEY=1\r\n") << "the key before the failing one stays";
  EXPECT_FALSE(driver::FileExists(folder() + "Read.txt"));
  EXPECT_TRUE(ServiceControls().empty());

  // Once the obstacle is gone the same dialog saves.
  CloseHandle(held);
  ASSERT_TRUE(DeleteFileA((folder() + "SettingsHost.ini").c_str()));
  Click(settings, IDOK);
  ASSERT_TRUE(WaitClosed(settings));
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"),
            "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=h\r\nLocalPassword=p\r\n");
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
  EXPECT_EQ(Dump(folder() + "SettingsHost.ini"),
            "[Settings]\r\nRDGATEWAY=\r\nDOMAIN=\r\nHOST=h3\r\nLocalPassword=p\r\n");
  EXPECT_TRUE(driver::FileExists(folder() + "Read.txt"));
}
}  // namespace
}  // namespace e2e
