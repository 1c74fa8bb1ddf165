#include "app/authenticator_app.h"

#include <commctrl.h>

#include "app/authenticator_dlg.h"
#include "app/tray_rules.h"
#include "audit/report.h"
#include "res/version.h"

namespace app {

std::string InstanceMutexName(const std::string& userName) { return userName + "QuandorAUTH"; }

bool CKOVAuthenticatorApp::InitInstance(const char* processCommandLine) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);

  // Restart support only. A restarted program gets no argument: any argument would
  // open the settings without the password gate.
  RegisterApplicationRestart(nullptr, 0);

  char userName[256] = {};
  DWORD size = sizeof userName;
  GetUserNameA(userName, &size);

  m_instanceMutex = CreateMutexA(nullptr, TRUE, InstanceMutexName(userName).c_str());
  if (!m_instanceMutex || GetLastError() == ERROR_ALREADY_EXISTS) return false;
  audit::Report(audit::ProgramStarted(QUANDOR_VERSION));

  CKOVAuthenticatorDlg mainWindow;
  mainWindow.SetCommandLine(StripProgramName(processCommandLine ? processCommandLine : ""));
  mainWindow.RunModal();
  return false;
}

}  // namespace app
