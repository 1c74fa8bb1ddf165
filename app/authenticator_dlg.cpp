#include "app/authenticator_dlg.h"

#include "app/tray_rules.h"
#include "audit/report.h"
#include "log/log_file.h"
#include "log/placement.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "res/product.h"
#include "res/resource.h"
#include "settings/settings_record.h"

namespace app {
namespace {

// The tray rules are portable and type the system's value again.
static_assert(kServiceStopped == SERVICE_STOPPED);

constexpr UINT_PTR kStatusTimer = 7;
constexpr UINT kStatusInterval = 3000;  // ms

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg() : ui::Dialog(IDD_ABOUTBOX) {}
};

// One status poll of the service; every handle is closed before it returns.
int PollServicePicture() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return PictureForService(ServiceQuery::ManagerUnavailable, 0);
  ServiceQuery outcome = ServiceQuery::ServiceUnavailable;
  SERVICE_STATUS_PROCESS status{};
  if (SC_HANDLE service = OpenServiceA(manager, QUANDOR_SERVICE_NAME, SERVICE_QUERY_STATUS)) {
    DWORD needed = 0;
    outcome =
        QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status, &needed)
            ? ServiceQuery::Answered
            : ServiceQuery::QueryFailed;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return PictureForService(outcome, status.dwCurrentState);
}

}  // namespace

CKOVAuthenticatorDlg::CKOVAuthenticatorDlg() : CTrayDialog(IDD_MAIN) {}

BOOL CKOVAuthenticatorDlg::OnInitDialog() {
  const std::string programDirectory = platform::ProgramDirectory();
  m_settingsIni.SetPath((programDirectory + settings::kPlainFileName).c_str());
  logging::PlaceLog(g_logFile, programDirectory, platform::Now());

  // The icon shows the active picture until the first poll, whatever the service does.
  SetTrayIcon(IDI_ACTIVE);
  SetTrayTip(QUANDOR_PRODUCT_NAME);
  SetTrayMenu(IDR_TRAYMENU);
  SetHideOnMinimize(false);
  AddTrayIcon();

  if (HMENU systemMenu = GetSystemMenu(hwnd(), FALSE)) {
    char about[256] = {};
    if (LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, about, sizeof about) > 0) {
      AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(systemMenu, MF_STRING, kAboutCommand, about);
    }
  }

  SetWindowIcons(LoadIconResource(IDI_ACTIVE));

  // Nowhere on screen, no taskbar button, not in Alt+Tab; the window stays "visible".
  MoveWindow(hwnd(), 0, 0, 0, 0, TRUE);
  ChangeExtendedStyle(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
  SetWindowPos(hwnd(), nullptr, -1000, -1000, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

  SetTimer(hwnd(), kStatusTimer, kStatusInterval, nullptr);

  if (!m_commandLine.empty()) StartFromCommandLine();
  return TRUE;
}

INT_PTR CKOVAuthenticatorDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      OnStatusTimer(wParam);
      return FALSE;
    case WM_SYSCOMMAND:
      return OnSystemCommand(message, wParam, lParam);
    case WM_QUERYDRAGICON:
      return IsIconic(hwnd()) ? reinterpret_cast<INT_PTR>(windowIcon()) : FALSE;
    default:
      return CTrayDialog::HandleMessage(message, wParam, lParam);
  }
}

void CKOVAuthenticatorDlg::OnStatusTimer(WPARAM timerId) {
  if (timerId != kStatusTimer) return;
  SetTrayIcon(PollServicePicture());
  // The shell may not have been ready for the first add; each tick tries again.
  if (!IsTrayIconAdded()) RestoreTrayIcon();
  UpdateTrayIcon();
}

INT_PTR CKOVAuthenticatorDlg::OnSystemCommand(UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsAboutCommand(static_cast<std::uint32_t>(wParam))) {
    CAboutDlg about;
    about.RunModal();
    return TRUE;
  }
  return CTrayDialog::HandleMessage(message, wParam, lParam);
}

bool CKOVAuthenticatorDlg::OnCommand(WORD id, WORD) {
  switch (id) {
    case ID_TRAY_LOGIN:
      MenuLogin();
      return true;
    case ID_TRAY_SAVE:
      MenuSave();
      return true;
    case ID_TRAY_EXIT:
      audit::Report(audit::ProgramEnded());
      End(IDOK);
      return true;
    case ID_TRAY_SHOWSETTINGS:
      OnShowSettingsCommand();
      return true;
    case ID_TRAY_MANAGECARDS:
      OnManageCardsCommand();
      return true;
    default:
      return false;
  }
}

void CKOVAuthenticatorDlg::MenuLogin() { StartServiceUi("login", "MenuLogin", "Login"); }

void CKOVAuthenticatorDlg::MenuSave() { StartServiceUi("save", "MenuSave", "Save"); }

void CKOVAuthenticatorDlg::StartServiceUi(const char* parameter, const char* procedure, const char* description) {
  const std::string program = platform::ProgramDirectory() + "QuandorServiceUI.exe";
  // The sibling program runs on its own; whether it started is not examined, and the
  // action is logged either way.
  ShellExecuteA(nullptr, "open", program.c_str(), parameter, "", SW_SHOWNORMAL);
  if (DebugOn()) {
    g_logFile.SetProcedure(procedure);
    g_logFile.WriteLogEntry(description);
  }
}

bool CKOVAuthenticatorDlg::DebugOn() const {
  const settings::SettingKey& debug = settings::DebugKey();
  return DebugSwitchOn(m_settingsIni.GetString(debug.name, debug.defaultValue));
}

}  // namespace app
