#include "tests/e2e/harness.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "tests/fixtures/standin_service.h"
#include "tests/fixtures/standin_tray.h"

namespace e2e {

std::string ProgramUnderTest() {
  const char* named = std::getenv("QUANDOR_E2E_PROGRAM");
  return named && *named ? named : driver::OwnFolder() + "QuandorAuthenticator.exe";
}

void ProgramTest::SetUp() {
  ASSERT_TRUE(driver::service::Remove(kStandinServiceName)) << "a service from an earlier run is still there";
  m_folder = driver::MakeTempFolder("quandor-e2e");
  ASSERT_FALSE(m_folder.empty());
  const std::string bin = driver::OwnFolder();
  ASSERT_TRUE(driver::CopyInto(ProgramUnderTest(), m_folder + "QuandorAuthenticator.exe")) << ProgramUnderTest();
  ASSERT_TRUE(driver::CopyInto(bin + "standin_service_ui.exe", m_folder + "QuandorServiceUI.exe"));
  if (!m_useStandinTray) return;
  m_tray = driver::Start(bin + "standin_tray.exe",
                         "\"" + m_folder + "tray.txt\" \"" + m_folder + "QuandorAuthenticator.exe\"", m_folder);
  ASSERT_TRUE(m_tray.valid());
  ASSERT_TRUE(driver::WaitTopWindow(driver::WindowFilter(m_tray.id(), "Shell_TrayWnd", kStandinTrayTitle), 10000))
      << "the stand-in tray did not start";
}

void ProgramTest::TearDown() {
  m_program.Kill();
  if (HWND tray = TrayWindow()) driver::Post(tray, WM_CLOSE, 0, 0);
  if (m_tray.valid() && !m_tray.WaitExit(5000)) m_tray.Kill();
  driver::service::Remove(kStandinServiceName);
  if (!m_folder.empty()) driver::RemoveFolder(m_folder);
}

HWND ProgramTest::TrayWindow() const {
  if (!m_tray.valid()) return nullptr;
  const auto windows = driver::TopWindows(driver::WindowFilter(m_tray.id(), "Shell_TrayWnd", kStandinTrayTitle));
  return windows.empty() ? nullptr : windows.front();
}

void ProgramTest::StartProgram(const std::string& arguments, int timeoutMs) {
  const DWORD since = GetTickCount();
  m_program = driver::Start(m_folder + "QuandorAuthenticator.exe", arguments, m_folder);
  ASSERT_TRUE(m_program.valid()) << "could not start the program";
  driver::WindowFilter main(m_program.id(), "#32770", std::string());
  m_mainWindow = driver::WaitTopWindow(main, timeoutMs);
  ASSERT_NE(m_mainWindow, nullptr) << "the program's main window did not appear";
  if (!m_useStandinTray) return;
  ASSERT_TRUE(WaitTrayRecord(
      since, [](const TrayRecord& r) { return r.call == "ADD"; }, timeoutMs))
      << "the program made no icon call";
}

std::vector<TrayRecord> ProgramTest::TrayRecords() const {
  std::vector<TrayRecord> records;
  for (const std::string& line : driver::Lines(driver::ReadFileText(m_folder + "tray.txt"))) {
    std::istringstream in(line);
    TrayRecord r;
    std::string status;
    in >> r.tick >> r.call >> status;
    r.ok = status == "ok";
    for (std::string field; in >> field;) {
      const auto eq = field.find('=');
      if (eq == std::string::npos) {
        if (!r.tip.empty()) r.tip += " " + field;  // the tip's later words
        continue;
      }
      const std::string key = field.substr(0, eq), value = field.substr(eq + 1);
      if (key == "hwnd") r.hwnd = value;
      if (key == "id") r.id = value;
      if (key == "flags") r.flags = value;
      if (key == "msg") r.msg = value;
      if (key == "tip") r.tip = value;
      if (key == "icon") r.icon = value;
    }
    records.push_back(r);
  }
  return records;
}

std::optional<TrayRecord> ProgramTest::WaitTrayRecord(DWORD since,
                                                      const std::function<bool(const TrayRecord&)>& matches,
                                                      int timeoutMs) const {
  std::optional<TrayRecord> found;
  driver::WaitFor(
      [&] {
        for (const TrayRecord& r : TrayRecords()) {
          if (static_cast<LONG>(r.tick - since) >= 0 && matches(r)) {
            found = r;
            return true;
          }
        }
        return false;
      },
      timeoutMs);
  return found;
}

std::string ProgramTest::NextPicture(DWORD since) const {
  // A poll that had asked the service just before the change may still be recorded
  // just after it; 100 ms later every poll sees the change.
  const auto update = WaitTrayRecord(
      since + 100, [](const TrayRecord& r) { return r.call == "MODIFY" && r.ok; }, kOneTickMs);
  return update ? update->icon : "no update";
}

std::vector<HWND> ProgramTest::ProgramWindows(const std::string& className) const {
  driver::WindowFilter filter(m_program.id(), className);
  filter.visibleOnly = true;
  std::vector<HWND> windows = driver::TopWindows(filter);
  windows.erase(std::remove(windows.begin(), windows.end(), m_mainWindow), windows.end());
  return windows;
}

std::vector<std::string> ProgramTest::ServiceUiStarts() const {
  return driver::Lines(driver::ReadFileText(m_folder + "serviceui-starts.txt"));
}

void ProgramTest::InstallService() {
  ASSERT_TRUE(driver::CopyInto(driver::OwnFolder() + "standin_service.exe", m_folder + "standin_service.exe"));
  ASSERT_TRUE(driver::service::Install(kStandinServiceName, m_folder + "standin_service.exe"));
}

void PressKey(HWND window, WPARAM key) {
  driver::Post(window, WM_KEYDOWN, key, 1);
  driver::Post(window, WM_KEYUP, key, 0xC0000001);
}

std::string LogField(const std::string& log, std::size_t record, std::size_t offset, std::size_t width) {
  if (record * 319 + offset >= log.size()) return "(no such record)";
  const std::string bytes = log.substr(record * 319 + offset, width);
  return bytes.substr(0, bytes.find('\0'));
}

std::string ProgramTest::LogPath() const {
  SYSTEMTIME today;
  GetLocalTime(&today);
  char name[32];
  std::snprintf(name, sizeof name, "LOG\\%02u%02u%04u.log", today.wMonth, today.wDay, today.wYear);
  return m_folder + name;
}

void ProgramTest::WriteSettings(const char* content) {
  const std::string path = m_folder + "Settings.ini";
  if (content)
    ASSERT_TRUE(driver::WriteFileText(path, content));
  else
    DeleteFileA(path.c_str());
}

}  // namespace e2e
