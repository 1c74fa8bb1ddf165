// One end-to-end test's world: a fresh program folder holding a copy of the real
// QuandorAuthenticator.exe and the stand-in QuandorServiceUI.exe, the stand-in tray
// recording the icon calls, and no "Quandor-Authenticator" service until a test
// installs the stand-in service. Everything is taken down again afterwards.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/fixtures/driver.h"

namespace e2e {

// The program under test: QuandorAuthenticator.exe beside the test program, or the one
// QUANDOR_E2E_PROGRAM names (the shipped 32-bit build, driven by this 64-bit one).
std::string ProgramUnderTest();

// One line of the stand-in tray's record.
struct TrayRecord {
  DWORD tick = 0;
  std::string call;  // ADD, MODIFY, DELETE, READY, RESTART, ANNOUNCE, REFUSE
  bool ok = false;
  std::string hwnd, id, flags, msg, tip, icon;
};

// How long a change of the service may take to show: the next poll, three seconds
// away at most, plus slack for a slow machine.
inline constexpr int kOneTickMs = 3000 + 2500;

// A key pressed and released, posted to the window as the keyboard would deliver it.
void PressKey(HWND window, WPARAM key);

// A text field of record `record` of a log file: its bytes up to the first NUL.
std::string LogField(const std::string& log, std::size_t record, std::size_t offset, std::size_t width);

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the program (with `arguments` after its path) and waits up to `timeoutMs` for
  // its main window and its icon call. Fails the test when they do not come.
  void StartProgram(const std::string& arguments = "", int timeoutMs = 15000);
  // The program's hidden main window (the untitled dialog).
  HWND MainWindow() const { return m_mainWindow; }
  driver::Process& program() { return m_program; }
  const std::string& folder() const { return m_folder; }

  // Without the stand-in tray (for the test against the system's own tray).
  bool m_useStandinTray = true;

  std::vector<TrayRecord> TrayRecords() const;
  // The first record after `since` (a GetTickCount value) that `matches`, waiting up to
  // `timeoutMs` for it.
  std::optional<TrayRecord> WaitTrayRecord(DWORD since, const std::function<bool(const TrayRecord&)>& matches,
                                           int timeoutMs) const;
  // The picture of the first icon update recorded at least 100 ms after `since`.
  std::string NextPicture(DWORD since) const;
  HWND TrayWindow() const;

  // The program's visible windows of a class ("#32768": popup menus; "#32770": dialogs),
  // the main window left out.
  std::vector<HWND> ProgramWindows(const std::string& className) const;
  // The stand-in sibling program's record of its starts, one line each.
  std::vector<std::string> ServiceUiStarts() const;

  // The stand-in service, installed from this test's folder.
  void InstallService();

  // Today's log file in the program's folder.
  std::string LogPath() const;
  // Writes "Settings.ini" in the program's folder; null deletes it.
  void WriteSettings(const char* content);

 private:
  std::string m_folder;
  driver::Process m_tray;
  driver::Process m_program;
  HWND m_mainWindow = nullptr;
};

}  // namespace e2e
